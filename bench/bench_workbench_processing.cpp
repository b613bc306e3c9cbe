// The sample window's processing commands on a large sample: 10 replicates
// of 10,000 points, every curve shown.  Each iteration runs one command with
// its dialog answered, including the refill of the curves, the report and
// the chart's repaint; the target is well under 200 ms per command.
//
// Run on the offscreen platform (set by the program when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include "AASCls.h"
#include "BenchSampleWindow.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "ExcelApplication.h"
#include "Interval.h"
#include "Sample.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"
#include "XlsThread.h"

using namespace VelorSpec;

namespace {

using bench::App;
using bench::Points;
using bench::Replicates;
using bench::SampleFile;

// A shown window with every curve on the chart.
std::unique_ptr<TfrmSample> OpenWindow()
{
    App();
    auto w = std::make_unique<TfrmSample>(nullptr, SampleFile());
    w->show();
    w->acList->Execute(w->acTreeSelectAll);
    QCoreApplication::processEvents();
    return w;
}

// Answers every modal request: interval forms get [start; end], the
// smoothing form its method and width, queries `answer`, questions Yes.
struct Answers {
    double start = 60, end = 140;
    int method = 0, points = 5;
    QString answer = QStringLiteral("0.04");

    Answers()
    {
        gui::SetResponder([this](const gui::DialogRequest& r) {
            gui::DialogReply reply;
            reply.result = gui::mrOk;
            if (auto* d = dynamic_cast<TfrmInterval*>(r.form)) {
                d->sedStart->SetValue(start);
                d->sedEnd->SetValue(end);
            } else if (auto* s = dynamic_cast<TfrmSmooth*>(r.form)) {
                s->rgMethod->SetItemIndex(method);
                s->sedPoints->SetValue(points);
            } else if (r.kind == gui::RequestKind::InputQuery) {
                reply.value = answer;
            } else if (r.kind == gui::RequestKind::Message) {
                reply.result = r.type == gui::MsgDlgType::Error ? gui::mrOk : gui::mrYes;
                if (r.type == gui::MsgDlgType::Error)
                    ++errors;
            }
            return reply;
        });
    }
    ~Answers() { gui::SetResponder({}); }
    int errors = 0;
};

void RunCommand(benchmark::State& state, TfrmSample& w, QAction* action, Answers& answers)
{
    w.acList->Execute(action);
    QCoreApplication::processEvents();
    if (answers.errors)
        state.SkipWithError("the command failed");
}

void BM_SubtractZero(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    answers.start = 0.1;
    answers.end = 10;
    for (auto _ : state) {
        state.PauseTiming();
        w->FSample->SetZeroSubtracted(false);
        state.ResumeTiming();
        RunCommand(state, *w, w->acSubtractZero, answers);
    }
}
BENCHMARK(BM_SubtractZero)->Unit(benchmark::kMillisecond);

void BM_DefinePlateau(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    for (auto _ : state) {
        state.PauseTiming();
        w->FSample->SetPeakStart(NotSet);
        w->FSample->SetPeakEnd(NotSet);
        state.ResumeTiming();
        RunCommand(state, *w, w->acDefinePlateau, answers);
    }
}
BENCHMARK(BM_DefinePlateau)->Unit(benchmark::kMillisecond);

void BM_CalculateArea(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    for (auto _ : state) {
        state.PauseTiming();
        w->FSample->SetAreaStart(NotSet);
        w->FSample->SetAreaEnd(NotSet);
        state.ResumeTiming();
        RunCommand(state, *w, w->acCalculateArea, answers);
    }
}
BENCHMARK(BM_CalculateArea)->Unit(benchmark::kMillisecond);

void BM_ChangeResolution(benchmark::State& state)
{
    Answers answers;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = OpenWindow();
        state.ResumeTiming();
        RunCommand(state, *w, w->acChangeResolution, answers);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChangeResolution)->Unit(benchmark::kMillisecond);

void BM_SmoothSignal(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    answers.method = static_cast<int>(state.range(0));
    answers.points = static_cast<int>(state.range(1));
    for (auto _ : state)
        RunCommand(state, *w, w->acSmoothSignal, answers);
}
BENCHMARK(BM_SmoothSignal)->Args({0, 5})->Args({1, 5})->Args({0, 100})->Args({1, 100})->Unit(benchmark::kMillisecond);

void BM_Absorbtion(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    for (auto _ : state)
        RunCommand(state, *w, w->acAbsorbtion, answers);
}
BENCHMARK(BM_Absorbtion)->Unit(benchmark::kMillisecond);

void BM_DeleteReplicate(benchmark::State& state)
{
    Answers answers;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = OpenWindow();
        w->tviewSample->setCurrentItem(w->SampleNode()->child(4));
        state.ResumeTiming();
        RunCommand(state, *w, w->acDeleteReplicate, answers);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteReplicate)->Unit(benchmark::kMillisecond);

// The command itself: the copy of the sample and the start of the worker.
void BM_SendToExcel(benchmark::State& state)
{
    auto w = OpenWindow();
    Answers answers;
    QTemporaryDir out;
    const QString previousFolder = xls::SetExportFolder(out.path());
    const xls::Opener previousOpener = xls::SetOpener([](const QString&) { return false; });
    for (auto _ : state) {
        RunCommand(state, *w, w->acSendToExcel, answers);
        state.PauseTiming();
        TxlsThread::WaitForAll();
        state.ResumeTiming();
    }
    xls::SetExportFolder(previousFolder);
    xls::SetOpener(previousOpener);
}
BENCHMARK(BM_SendToExcel)->Unit(benchmark::kMillisecond);

}  // namespace
