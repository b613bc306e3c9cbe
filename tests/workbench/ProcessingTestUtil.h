// Helpers shared by the tests of the sample processing commands and their
// dialogs: samples built from formulas, a scripted dialog responder, a
// separator scope and typing into a dialog's numeric field.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidgetItem>
#include <QtCharts/QLineSeries>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "Dialogs.h"
#include "Sample.h"
#include "SpinEdit.h"
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

// How the user ends an entry in a dialog's numeric field.
enum class Finish { Return, ClickOK };

inline const char* NameOf(Finish How)
{
    return How == Finish::Return ? "Return" : "OK clicked";
}

// Shows a dialog as the active window, as its modal loop would.
inline bool ShowActive(QDialog& Dialog)
{
    Dialog.show();
    Dialog.activateWindow();
    return QTest::qWaitForWindowActive(&Dialog);
}

// In a shown dialog: types Text over the field's whole text and ends the
// entry with Return in the field or with a click on OK.
inline void TypeAndFinish(gui::TSpinEdit* Field, const QString& Text, Finish How, QPushButton* OK)
{
    Field->setFocus();
    Field->selectAll();
    QTest::keyClicks(Field, Text);
    if (How == Finish::Return)
        QTest::keyClick(Field, Qt::Key_Return);
    else
        QTest::mouseClick(OK, Qt::LeftButton);
}

// True when no override cursor is left (the default cursor shows).
inline bool CursorRestored()
{
    return QApplication::overrideCursor() == nullptr;
}

inline bool WaitCursorShows()
{
    const QCursor* c = QApplication::overrideCursor();
    return c && c->shape() == Qt::WaitCursor;
}

// A reply that fills an interval or smoothing form through `fill` and
// closes it with `result`.
template <class Form>
ScriptedResponder::Step FillForm(std::function<void(Form&)> fill, int result = gui::mrOk)
{
    return [fill, result](const gui::DialogRequest& r) {
        gui::DialogReply reply;
        EXPECT_EQ(r.kind, gui::RequestKind::Form);
        auto* form = dynamic_cast<Form*>(r.form);
        EXPECT_NE(form, nullptr) << "another form was shown: " << r.caption.toStdString();
        if (form && fill)
            fill(*form);
        reply.result = result;
        return reply;
    };
}

// A sample window opened on a sample file written by the model in a
// temporary folder.
class SampleWindowFixture : public ::testing::Test {
protected:
    void Open(const TAASSample& sample)
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath("S01.AST");
        ASSERT_TRUE(sample.SaveToFile(path.toStdString()));
        window = std::make_unique<VelorSpec::TfrmSample>(nullptr, path);
        ASSERT_EQ(window->FSample->Count(), sample.Count());
        ASSERT_FALSE(window->FModified);
    }
    void Open(int replicates, int points)
    {
        auto sample = MakeSample(replicates, points, [points](int r, int j) { return Peak(r, j, points); });
        Open(*sample);
    }

    TAASSample& S() const { return *window->FSample; }
    // Runs a command as its menu item does (update, then execute when enabled).
    bool Run(QAction* action) const { return window->acList->Execute(action); }
    bool Enabled(QAction* action) const
    {
        window->acList->UpdateAction(action);
        return action->isEnabled();
    }
    QTreeWidgetItem* Node(int child) const { return window->SampleNode()->child(child); }
    // The points of a node's curve as Y values.
    std::vector<double> CurveY(int child) const
    {
        std::vector<double> ys;
        for (const QPointF& p : window->NodeSeries(Node(child))->points())
            ys.push_back(p.y());
        return ys;
    }
    QString Report() const { return window->redStats->toPlainText(); }

    // A copy of the window's sample, for computing the expected results.
    std::unique_ptr<TAASSample> Copy() const
    {
        auto c = std::make_unique<TAASSample>("Copy", true);
        c->Assign(window->FSample);
        return c;
    }

    QTemporaryDir dir;
    std::unique_ptr<VelorSpec::TfrmSample> window;
};

inline std::vector<double> PointsOf(const TAASReplicate& r)
{
    return std::vector<double>(r.Points().begin(), r.Points().end());
}

}  // namespace processing_test
