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
#include "BenchSampleWindow.h"
#include "Sample.h"

using namespace VelorSpec;

namespace {

using bench::App;
using bench::Points;
using bench::Replicates;
using bench::SampleFile;

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
