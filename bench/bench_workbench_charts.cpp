// Chart speed where curves are long or many, each next to the old way in the
// same run:
//  - showing and hiding a curve of 2,000,000 points (a chart line that keeps
//    every point but draws per pixel column, against a plain line series);
//  - one chunk's refresh of the Instrument Data window's live chart in
//    Overlaped View with N finished replicates (finished replicates frozen
//    into the view's picture, against all of them drawn at every paint).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include <memory>
#include <string>

#include "Charts.h"
#include "Instrument.h"

namespace {

constexpr int LongCurve = 2000000;

QList<QPointF> LongPoints()
{
    static const QList<QPointF> points = [] {
        QList<QPointF> p;
        p.reserve(LongCurve);
        for (int i = 0; i < LongCurve; ++i)
            p.append(QPointF((i + 1) * 0.02, 1000 + ((i % 1000) * 7919 % 1000) + (i / 1000 % 7) * 100));
        return p;
    }();
    return points;
}

struct ChartWindow {
    QChart* chart = new QChart;
    gui::TChartView view{chart};
    QValueAxis* x = gui::NewValueAxis("Time [seconds]");
    QValueAxis* y = gui::NewValueAxis("Absorbtion [a.u.]");
    ChartWindow()
    {
        gui::StyleChart(chart, true);
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        gui::ScaleAxisToData(x, 0.02, LongCurve * 0.02, gui::TimeAxis);
        gui::ScaleAxisToData(y, 1000, 2600);
        view.resize(620, 420);
        view.show();
        QApplication::processEvents();
    }
    void Paint() { view.viewport()->repaint(); }
};

// Show (attach and paint) and hide (detach and paint) a 2,000,000-point curve.
void BM_LongCurveShow(benchmark::State& state)
{
    ChartWindow w;
    auto* s = new gui::TChartSeries(&w.view);
    s->SetPoints(LongPoints());
    for (auto _ : state) {
        s->AttachTo(w.chart, w.x, w.y);
        w.Paint();
        state.PauseTiming();
        s->Detach();
        w.Paint();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LongCurveShow)->Unit(benchmark::kMillisecond);

void BM_LongCurveHide(benchmark::State& state)
{
    ChartWindow w;
    auto* s = new gui::TChartSeries(&w.view);
    s->SetPoints(LongPoints());
    for (auto _ : state) {
        state.PauseTiming();
        s->AttachTo(w.chart, w.x, w.y);
        w.Paint();
        state.ResumeTiming();
        s->Detach();
        w.Paint();
    }
}
BENCHMARK(BM_LongCurveHide)->Unit(benchmark::kMillisecond);

// The old way: a plain line series holding and drawing every point.
void BM_LongCurveShowPlainSeries(benchmark::State& state)
{
    ChartWindow w;
    auto* s = new QLineSeries(&w.view);
    s->replace(LongPoints());
    for (auto _ : state) {
        w.chart->addSeries(s);
        s->attachAxis(w.x);
        s->attachAxis(w.y);
        w.Paint();
        state.PauseTiming();
        w.chart->removeSeries(s);
        w.Paint();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LongCurveShowPlainSeries)->Unit(benchmark::kMillisecond)->Iterations(1);

// The live chart after `finished` replicates of 250 readings each: one chunk
// of 25 readings into the current replicate, the chart redraw and a paint.
void LiveChunk(benchmark::State& state, bool frozen)
{
    const int finished = static_cast<int>(state.range(0));
    VelorSpec::TfrmInstrument w;
    w.resize(640, 480);
    w.show();
    std::string all;
    for (int r = 0; r < finished; ++r) {
        for (int i = 0; i < 250; ++i)
            all += std::to_string(1000 + r % 50 + (i * 37 % 400)) + "\r\n";
        all += "-1000\r\n";
    }
    w.cpDrvReceiveData(w.cpDrv, all.data(), static_cast<std::uint32_t>(all.size()));
    w.FLines.RefreshChart();
    if (!frozen)
        w.ChartView->ThawAll();   // every finished replicate drawn at every paint
    w.ChartView->viewport()->repaint();
    QApplication::processEvents();
    std::string chunk;
    for (int i = 0; i < 25; ++i)
        chunk += std::to_string(1100 + i) + "\r\n";
    int k = 0;
    for (auto _ : state) {
        // The replicate under way stays as long as the finished ones (ten
        // chunks), as a real stream's does: its x stays within the axis.
        if (++k % 10 == 0) {
            state.PauseTiming();
            qobject_cast<gui::TChartSeries*>(w.FLines.FCurrentSeries)->ClearPoints();
            w.FLines.FPlotX = 0;
            state.ResumeTiming();
        }
        w.cpDrvReceiveData(w.cpDrv, chunk.data(), static_cast<std::uint32_t>(chunk.size()));
        w.FLines.RefreshChart();
        w.ChartView->viewport()->repaint();
    }
    state.counters["series"] = static_cast<double>(w.Chart->series().size());
}

void BM_LiveChunkOverlaped(benchmark::State& state)
{
    LiveChunk(state, true);
}
BENCHMARK(BM_LiveChunkOverlaped)->Arg(0)->Arg(100)->Arg(275)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_LiveChunkOverlapedAllDrawn(benchmark::State& state)
{
    LiveChunk(state, false);
}
BENCHMARK(BM_LiveChunkOverlapedAllDrawn)->Arg(0)->Arg(100)->Arg(275)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
