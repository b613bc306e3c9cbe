// The experiment window on a large experiment: 100 samples of 5 replicates of
// 1,000 points (600 curves, 600,000 points).
//  - Open: create the window on the file (read it, build the tree and fill
//    every curve), beside the baseline of reading the file alone
//    (target: under 1 s).
//  - SelectAll: every curve onto the chart with the repaint that follows,
//    then Select None (target: under 1.5 s for Select All).
//  - Per-sample commands on the selected sample, with its own curves shown
//    and with every curve shown: Absorbtion and Smooth Signal (curves and
//    info lines refilled) and Define Plateau (info lines), each with its
//    repaint (target: under 200 ms each).
//
// Run on the offscreen platform (set by the program when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>

#include <cmath>
#include <memory>

#include "AASCls.h"
#include "BenchSampleWindow.h"
#include "Dialogs.h"
#include "Experiment.h"
#include "Interval.h"
#include "Sample.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace VelorSpec;

namespace {

using bench::App;

constexpr int Samples = 100;
constexpr int Replicates = 5;
constexpr int Points = 1000;

const QString& ExperimentFile()
{
    static QTemporaryDir dir;
    static QString path = [] {
        TAASExperiment e("Big", true);
        for (int s = 0; s < Samples; ++s) {
            auto* sample = new TAASSample("S" + std::to_string(s + 1), true);
            for (int r = 0; r < Replicates; ++r) {
                auto* rep = new TAASReplicate;
                for (int j = 0; j < Points; ++j) {
                    const double t = j * 0.02;
                    rep->Add(100 + s + r + 2000 * std::exp(-((t - 10) * (t - 10)) / 8) + (j * 7919 % 13));
                }
                sample->Add(rep);
            }
            e.Add(sample);
        }
        const QString p = dir.filePath("Big.AXP");
        e.SaveToFile(p.toStdString());
        return p;
    }();
    return path;
}

void Paint(TfrmExperiment& w)
{
    QCoreApplication::processEvents();
    w.MainChartView->repaint();
}

std::unique_ptr<TfrmExperiment> ShownWindow()
{
    auto w = std::make_unique<TfrmExperiment>(nullptr, ExperimentFile());
    w->resize(1000, 700);
    w->show();
    Paint(*w);
    return w;
}

void BM_ReadFileOnly(benchmark::State& state)
{
    App();
    const std::string path = ExperimentFile().toStdString();
    for (auto _ : state) {
        TAASExperiment e("", true);
        e.LoadFromFile(path);
        benchmark::DoNotOptimize(e.Count());
    }
}
BENCHMARK(BM_ReadFileOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenExperiment(benchmark::State& state)
{
    App();
    const QString path = ExperimentFile();
    for (auto _ : state) {
        auto w = std::make_unique<TfrmExperiment>(nullptr, path);
        benchmark::DoNotOptimize(w->Experiment->Count());
        state.PauseTiming();
        if (w->Experiment->Count() != Samples || w->RootNode()->childCount() != Samples)
            state.SkipWithError("the experiment was not read whole");
        w.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenExperiment)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SelectAllWithRepaint(benchmark::State& state)
{
    App();
    auto w = ShownWindow();
    for (auto _ : state) {
        w->acList->Execute(w->acTreeSelectAll);
        Paint(*w);
        state.PauseTiming();
        if (w->MainChart->series().size() != Samples * (Replicates + 1))
            state.SkipWithError("not every curve is shown");
        w->acList->Execute(w->acTreeSelectNone);
        Paint(*w);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectAllWithRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SelectNoneWithRepaint(benchmark::State& state)
{
    App();
    auto w = ShownWindow();
    for (auto _ : state) {
        state.PauseTiming();
        w->acList->Execute(w->acTreeSelectAll);
        Paint(*w);
        state.ResumeTiming();
        w->acList->Execute(w->acTreeSelectNone);
        Paint(*w);
    }
}
BENCHMARK(BM_SelectNoneWithRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// A per-sample command on sample 50, with its own six curves shown (range 0)
// or with all 600 curves shown (range 1).
std::unique_ptr<TfrmExperiment> WindowForCommands(bool AllShown)
{
    auto w = ShownWindow();
    w->tviewExperiment->setCurrentItem(w->SampleNode(50));
    if (AllShown)
        w->acList->Execute(w->acTreeSelectAll);
    else
        w->ToggleNodeCheck(w->SampleNode(50));
    Paint(*w);
    return w;
}

// The repaint alone of a window whose curves are all shown: the floor of
// every command that changes a curve while they are.
void BM_RepaintAllShown(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(true);
    for (auto _ : state) {
        w->MainChart->update();
        Paint(*w);
    }
}
BENCHMARK(BM_RepaintAllShown)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AbsorbtionOfOneSample(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(state.range(0) != 0);
    for (auto _ : state) {
        w->acList->Execute(w->acSampleAbsorbtion);
        Paint(*w);
    }
}
BENCHMARK(BM_AbsorbtionOfOneSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DefinePlateauOfOneSample(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(state.range(0) != 0);
    const gui::Responder previous = gui::SetResponder([](const gui::DialogRequest& r) {
        if (auto* d = dynamic_cast<TfrmInterval*>(r.form)) {
            d->sedStart->SetValue(8);
            d->sedEnd->SetValue(12);
        }
        gui::DialogReply reply;
        reply.result = gui::mrOk;
        return reply;
    });
    for (auto _ : state) {
        w->acList->Execute(w->acSampleDefinePlateau);
        Paint(*w);
    }
    gui::SetResponder(previous);
}
BENCHMARK(BM_DefinePlateauOfOneSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Smoothing refills the sample's curves without moving the axes much.
void BM_SmoothOneSample(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(state.range(0) != 0);
    const gui::Responder previous = gui::SetResponder([](const gui::DialogRequest& r) {
        if (auto* d = dynamic_cast<TfrmSmooth*>(r.form))
            d->sedPoints->SetValue(2);
        gui::DialogReply reply;
        reply.result = gui::mrOk;
        return reply;
    });
    for (auto _ : state) {
        w->acList->Execute(w->acSampleSmoothSignal);
        Paint(*w);
    }
    gui::SetResponder(previous);
}
BENCHMARK(BM_SmoothOneSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

