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
//  - DrawingLimit: drawing the same 600 polylines (1,000 points each) with
//    QPainter, 1-pixel pen, no antialiasing, into an image the size of the
//    plot: what showing every curve cannot go below.  Select All, the
//    repaint of everything shown and the per-sample commands with every
//    curve shown report it beside their own time (limit_ms) and their time
//    in multiples of it (x_limit; target: within 5).
//
// Run on the offscreen platform (set by the program when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "AASCls.h"
#include "BenchSampleWindow.h"
#include "Charts.h"
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
            std::string name = "S";
            name += std::to_string(s + 1);
            auto* sample = new TAASSample(name, true);
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

// ---------------------------------------------------------------------------
// The drawing limit

// Every curve of the experiment (each sample's replicates, then its
// ensemble) as pixel polylines over a plot of `size`, both axes spanning
// all the data.
std::vector<QPolygonF> Polylines(const QSizeF& size)
{
    TAASExperiment e("", true);
    e.LoadFromFile(ExperimentFile().toStdString());
    std::vector<const TAASReplicate*> curves;
    for (int s = 0; s < e.Count(); ++s) {
        TAASSample* sample = e.GetItem(s);
        for (int r = 0; r < sample->Count(); ++r)
            curves.push_back(sample->GetItem(r));
        curves.push_back(sample->Ansambled());
    }
    double minY = 0, maxY = 1, maxX = Points * 0.02;
    bool first = true;
    for (const TAASReplicate* c : curves)
        for (const double y : c->Points()) {
            minY = first ? y : std::min(minY, y);
            maxY = first ? y : std::max(maxY, y);
            first = false;
        }
    std::vector<QPolygonF> lines;
    for (const TAASReplicate* c : curves) {
        QPolygonF line;
        const auto& points = c->Points();
        line.reserve(static_cast<qsizetype>(points.size()));
        for (size_t j = 0; j < points.size(); ++j)
            line << QPointF((j + 1) * 0.02 / maxX * size.width(),
                            size.height() - (points[j] - minY) / (maxY - minY) * size.height());
        lines.push_back(line);
    }
    return lines;
}

// The plot area of the window with every curve shown.
QSizeF PlotSize();

// Draws the polylines once into a fresh image of the plot's size.
void DrawPolylines(const std::vector<QPolygonF>& lines, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    for (size_t i = 0; i < lines.size(); ++i) {
        painter.setPen(QPen(gui::AutoColor(static_cast<int>(i)), 1));
        painter.drawPolyline(lines[i]);
    }
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
}

// Elapsed and processor time (of this thread, which also paints) in ms.
struct TTimes {
    double Real = 0, Cpu = 0;
};
TTimes Now()
{
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count(),
            cpu.tv_sec * 1e3 + cpu.tv_nsec / 1e6};
}

// The drawing limit, measured now: the median of 15 draws (elapsed time,
// and processor time for a machine that is busy with other work).
TTimes DrawingLimit()
{
    static const QSizeF size = PlotSize();
    static const std::vector<QPolygonF> lines = Polylines(size);
    std::vector<double> real, cpu;
    for (int k = 0; k < 15; ++k) {
        const TTimes t0 = Now();
        DrawPolylines(lines, size.toSize());
        const TTimes t1 = Now();
        real.push_back(t1.Real - t0.Real);
        cpu.push_back(t1.Cpu - t0.Cpu);
    }
    std::sort(real.begin(), real.end());
    std::sort(cpu.begin(), cpu.end());
    return TTimes{real[real.size() / 2], cpu[cpu.size() / 2]};
}

// The timed part of a benchmark, measured beside Google Benchmark's own
// clock, so that its mean can be set against the drawing limit.
class TLimitClock {
public:
    void Start() { FStart = Now(); }
    void Stop()
    {
        const TTimes t = Now();
        FTotal.Real += t.Real - FStart.Real;
        FTotal.Cpu += t.Cpu - FStart.Cpu;
        ++FCount;
    }
    // limit_ms: the drawing limit, measured right after the benchmark;
    // x_limit: the mean elapsed time in multiples of it; x_limit_cpu: the
    // same in processor time.
    void Report(benchmark::State& state) const
    {
        const TTimes limit = DrawingLimit();
        state.counters["limit_ms"] = limit.Real;
        state.counters["x_limit"] = FCount && limit.Real > 0 ? FTotal.Real / FCount / limit.Real : 0;
        state.counters["x_limit_cpu"] = FCount && limit.Cpu > 0 ? FTotal.Cpu / FCount / limit.Cpu : 0;
    }

private:
    TTimes FStart, FTotal;
    int FCount = 0;
};

void BM_DrawingLimit(benchmark::State& state)
{
    App();
    const QSizeF size = PlotSize();
    const std::vector<QPolygonF> lines = Polylines(size);
    for (auto _ : state)
        DrawPolylines(lines, size.toSize());
    state.counters["plot_w"] = size.width();
    state.counters["plot_h"] = size.height();
    const TTimes limit = DrawingLimit();
    state.counters["limit_ms"] = limit.Real;
    state.counters["limit_cpu_ms"] = limit.Cpu;
}
BENCHMARK(BM_DrawingLimit)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------
// The window

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
    TLimitClock clock;
    for (auto _ : state) {
        clock.Start();
        w->acList->Execute(w->acTreeSelectAll);
        Paint(*w);
        clock.Stop();
        state.PauseTiming();
        if (w->MainChart->series().size() != Samples * (Replicates + 1))
            state.SkipWithError("not every curve is shown");
        w->acList->Execute(w->acTreeSelectNone);
        Paint(*w);
        state.ResumeTiming();
    }
    clock.Report(state);
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

QSizeF PlotSize()
{
    static const QSizeF size = [] {
        auto w = WindowForCommands(true);
        return w->MainChart->plotArea().size();
    }();
    return size;
}

// The repaint alone of a window whose curves are all shown: the floor of
// every command that changes a curve while they are.
void BM_RepaintAllShown(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(true);
    TLimitClock clock;
    for (auto _ : state) {
        clock.Start();
        w->MainChart->update();
        Paint(*w);
        clock.Stop();
    }
    clock.Report(state);
}
BENCHMARK(BM_RepaintAllShown)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AbsorbtionOfOneSample(benchmark::State& state)
{
    App();
    auto w = WindowForCommands(state.range(0) != 0);
    TLimitClock clock;
    for (auto _ : state) {
        clock.Start();
        w->acList->Execute(w->acSampleAbsorbtion);
        Paint(*w);
        clock.Stop();
    }
    clock.Report(state);
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
    TLimitClock clock;
    for (auto _ : state) {
        clock.Start();
        w->acList->Execute(w->acSampleSmoothSignal);
        Paint(*w);
        clock.Stop();
    }
    clock.Report(state);
    gui::SetResponder(previous);
}
BENCHMARK(BM_SmoothOneSample)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

