// Helpers shared by the tests of the sample processing commands and their
// dialogs: samples built from formulas, a scripted dialog responder and a
// separator scope.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "Dialogs.h"
#include "SysUtils.h"

namespace processing_test {

// A sample of `replicates` replicates of `points` points each at 0.02 s;
// point j of replicate r is value(r, j).
inline std::unique_ptr<TAASSample> MakeSample(int replicates, int points,
                                              const std::function<double(int, int)>& value)
{
    auto sample = std::make_unique<TAASSample>("Sample", true);
    for (int r = 0; r < replicates; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < points; ++j)
            rep->Add(value(r, j));
        sample->Add(rep);
    }
    return sample;
}

// A peak: flat 100 + r, a plateau of 1000 + 10 r between 30 % and 70 % of the
// points.
inline double Peak(int r, int j, int points)
{
    const bool on = j >= points * 3 / 10 && j < points * 7 / 10;
    return (on ? 1000.0 + 10 * r : 100.0 + r);
}

// Answers every modal request from a queue of handlers, one per request, and
// records what was asked.  Requests beyond the queue fail the test (recorded
// in Unexpected).
class ScriptedResponder {
public:
    using Step = std::function<gui::DialogReply(const gui::DialogRequest&)>;

    ScriptedResponder() { FPrevious = gui::SetResponder([this](const gui::DialogRequest& r) { return Answer(r); }); }
    ~ScriptedResponder() { gui::SetResponder(FPrevious); }
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;

    void Then(Step step) { FSteps.push_back(std::move(step)); }
    // Shorthand: answer the next request with a plain result.
    void ThenResult(int result)
    {
        Then([result](const gui::DialogRequest&) {
            gui::DialogReply reply;
            reply.result = result;
            return reply;
        });
    }

    std::vector<gui::DialogRequest> Requests;
    int Unexpected = 0;

    // Messages shown (errors, questions), in order.
    QStringList Messages() const
    {
        QStringList out;
        for (const auto& r : Requests)
            if (r.kind == gui::RequestKind::Message)
                out << r.text;
        return out;
    }

private:
    gui::DialogReply Answer(const gui::DialogRequest& request)
    {
        Requests.push_back(request);
        if (FNext < FSteps.size())
            return FSteps[FNext++](request);
        ++Unexpected;
        gui::DialogReply reply;
        reply.result = gui::mrCancel;
        return reply;
    }

    std::vector<Step> FSteps;
    size_t FNext = 0;
    gui::Responder FPrevious;
};

class SeparatorScope {
public:
    explicit SeparatorScope(char sep) : FOld(DecimalSeparator) { DecimalSeparator = sep; }
    ~SeparatorScope() { DecimalSeparator = FOld; }
    SeparatorScope(const SeparatorScope&) = delete;
    SeparatorScope& operator=(const SeparatorScope&) = delete;

private:
    char FOld;
};

}  // namespace processing_test
