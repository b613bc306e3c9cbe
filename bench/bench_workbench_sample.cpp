// The sample window on a large sample: 10 replicates of 10,000 points.
//  - Open: create the window on the file, show it, check the sample node so
//    all 11 curves are on the chart, and paint it (target: under 300 ms).
//  - Toggle: one curve's box on a window that shows every curve, with the
//    repaint that follows (target: under 50 ms).
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
#include "Sample.h"

using namespace VelorSpec;

namespace {

constexpr int Replicates = 10;
constexpr int Points = 10000;

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_workbench_sample";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

const QString& SampleFile()
{
    static QTemporaryDir dir;
    static QString path = [] {
        TAASSample sample("Sample", true);
        for (int r = 0; r < Replicates; ++r) {
            auto* rep = new TAASReplicate;
            for (int j = 0; j < Points; ++j) {
                const double t = j * 0.02;
                rep->Add(100 + r + 2000 * std::exp(-((t - 100) * (t - 100)) / 800) + (j * 7919 % 13));
            }
            sample.Add(rep);
        }
        const QString p = dir.filePath("Big.AST");
        sample.SaveToFile(p.toStdString());
        return p;
    }();
    return path;
}

// Lets the chart lay out its curves and paints the window at once.
void Paint(TfrmSample& w)
{
    QCoreApplication::processEvents();
    w.MainChartView->repaint();
}

void BM_OpenAndShowAllCurves(benchmark::State& state)
{
    App();
    const QString path = SampleFile();
    for (auto _ : state) {
        auto w = std::make_unique<TfrmSample>(nullptr, path);
        w->resize(800, 600);
        w->show();
        w->ToggleNodeCheck(w->SampleNode());
        Paint(*w);
        benchmark::DoNotOptimize(w->MainChart->series().size());
        state.PauseTiming();
        if (w->MainChart->series().size() != Replicates + 1)
            state.SkipWithError("not every curve is shown");
        w.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndShowAllCurves)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToggleOneCurve(benchmark::State& state)
{
    App();
    TfrmSample w(nullptr, SampleFile());
    w.resize(800, 600);
    w.show();
    w.ToggleNodeCheck(w.SampleNode());
    Paint(w);
    QTreeWidgetItem* node = w.SampleNode()->child(0);
    for (auto _ : state) {
        w.ToggleNodeCheck(node);
        Paint(w);
    }
    benchmark::DoNotOptimize(w.MainChart->series().size());
}
BENCHMARK(BM_ToggleOneCurve)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
