// Live reception of a ten-minute stream (50 readings per second, 30,000
// lines): the cost of one chunk's line assembly and plot pass must not grow
// with the length of the list, and handing a chunk of points to a long
// series attached to a chart must stay well below a millisecond.
//
// The Instrument Data window in Sequence View at the full line rate of
// 115,200 baud (11,520 bytes a second, so 576 bytes at every 50 ms poll):
// one chunk's assembly, plot pass, chart refresh and paint with 200,000
// points already shown, side by side with 1,000 (target: under 5 ms, and
// the same for both; vs_1000 is the ratio).  axis_step_ms is the one step
// of the growing time axis at the end (rare: the axis grows by half).
//
// A stream that ends its lines in LF only never completes one: 256 KB of it
// in 64-byte chunks after a line under assembly of 1.5 MB, side by side with
// the same after none (target: vs_empty under 4; copying the line on every
// chunk makes it some fifteen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QSignalBlocker>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "ActionList.h"
#include "Charts.h"
#include "Instrument.h"
#include "ReceivedLines.h"

namespace {

constexpr int StreamLines = 30000;
constexpr int LinesPerChunk = 25;  // half a second of readings

// One chunk of LinesPerChunk readings, CR LF ends; the k-th chunk splits its
// last reading so the next chunk completes it.
std::string Chunk(int k)
{
    std::string s;
    for (int i = 0; i < LinesPerChunk; ++i)
        s += std::to_string(1000 + (k * LinesPerChunk + i) % 3000) + "\r\n";
    return s;
}

struct ChartedLines {
    QChart chart;
    QLineSeries* series = new QLineSeries;
    QValueAxis* x = new QValueAxis;
    QValueAxis* y = new QValueAxis;
    gui::TReceivedLines lines;
    ChartedLines()
    {
        chart.addSeries(series);
        chart.addAxis(x, Qt::AlignBottom);
        chart.addAxis(y, Qt::AlignLeft);
        series->attachAxis(x);
        series->attachAxis(y);
        x->setRange(0, 700);
        y->setRange(0, 5000);
        chart.resize(800, 600);
        lines.Reset(series);
        lines.IsOverlapedView = [] { return false; };
    }
};

// A private copy with room to grow, as the series' own list is between two
// chart redraws (a list shared with the caller would be copied on append).
QList<QPointF> Unshared(const QList<QPointF>& points)
{
    QList<QPointF> copy;
    copy.reserve(points.size() + 4 * LinesPerChunk);
    copy.append(points.constBegin(), points.constEnd());
    return copy;
}

// Per-chunk cost of assembly plus plot pass after `state.range(0)` lines.
void BM_ChunkAfterLines(benchmark::State& state)
{
    ChartedLines c;
    const int before = static_cast<int>(state.range(0));
    int k = 0;
    for (; k * LinesPerChunk < before; ++k) {
        const std::string s = Chunk(k);
        c.lines.ReceiveData(s.data(), s.size());
    }
    c.lines.RefreshChart();
    const std::vector<std::string> lines = c.lines.FReceivedLines;
    const int lastPlotted = c.lines.FLastPlottedLine;
    const QList<QPointF> points = c.series->points();
    const long double x = c.lines.FPlotX;
    std::string s = Chunk(k);
    for (auto _ : state) {
        c.lines.ReceiveData(s.data(), s.size());
        state.PauseTiming();
        // Back to the same length for the next round (the chart is not
        // told: it is redrawn by RefreshChart, measured on its own).
        c.lines.FReceivedLines = lines;
        c.lines.FLastPlottedLine = lastPlotted;
        c.lines.FPlotX = x;
        {
            const QSignalBlocker quiet(c.series);
            c.series->replace(Unshared(points));
        }
        state.ResumeTiming();
    }
    state.counters["lines"] = before;
}
BENCHMARK(BM_ChunkAfterLines)->Arg(0)->Arg(10000)->Arg(20000)->Arg(StreamLines - LinesPerChunk)->Unit(benchmark::kMicrosecond);

// The whole ten-minute stream, chunk after chunk.
void BM_WholeStream(benchmark::State& state)
{
    std::vector<std::string> chunks;
    for (int k = 0; k * LinesPerChunk < StreamLines; ++k)
        chunks.push_back(Chunk(k));
    for (auto _ : state) {
        ChartedLines c;
        for (const std::string& s : chunks)
            c.lines.ReceiveData(s.data(), s.size());
        c.lines.RefreshChart();
        benchmark::DoNotOptimize(c.series->count());
    }
    state.counters["chunks"] = static_cast<double>(chunks.size());
}
BENCHMARK(BM_WholeStream)->Unit(benchmark::kMillisecond);

// One chart redraw of a series of 30,000 points (done at most every
// RefreshDelayMs while the stream runs).
void BM_RefreshLongSeries(benchmark::State& state)
{
    ChartedLines c;
    std::string all;
    for (int k = 0; k * LinesPerChunk < StreamLines; ++k)
        all += Chunk(k);
    c.lines.ReceiveData(all.data(), all.size());
    for (auto _ : state) {
        c.lines.RefreshChart();
        state.PauseTiming();
        c.lines.ReceiveData("1\r", 2);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RefreshLongSeries)->Unit(benchmark::kMillisecond);

// Appending 25 points at once to a series of 30,000 attached to a chart.
void BM_AppendChunkToLongSeries(benchmark::State& state)
{
    ChartedLines c;
    QList<QPointF> initial;
    for (int i = 0; i < StreamLines; ++i)
        initial.append(QPointF(0.02 * (i + 1), 1000 + i % 3000));
    c.series->replace(Unshared(initial));
    QList<QPointF> chunk;
    for (int i = 0; i < LinesPerChunk; ++i)
        chunk.append(QPointF(0.02 * (StreamLines + i + 1), 2000));
    const QSignalBlocker quiet(c.series);  // as the plot pass appends
    for (auto _ : state) {
        c.series->append(chunk);
        state.PauseTiming();
        c.series->replace(Unshared(initial));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendChunkToLongSeries)->Unit(benchmark::kMicrosecond);

// The instrument's stream at 115,200 baud: readings of five digits, a
// "-1000" after every 1000, in the chunks a 50 ms poll finds.
constexpr std::size_t PollChunk = 11520 / 20;

std::string InstrumentStream(int readings)
{
    std::string s;
    for (int i = 0; i < readings; ++i) {
        s += std::to_string(10000 + (i * 7919) % 5000) + "\r";
        if (i % 1000 == 999)
            s += "-1000\r";
    }
    return s;
}

void BM_SequenceViewChunk(benchmark::State& state)
{
    const int shown = static_cast<int>(state.range(0));
    VelorSpec::TfrmInstrument w;
    w.resize(640, 480);
    w.show();
    w.acList->Execute(w.acViewContinues);
    const std::string before = InstrumentStream(shown);
    w.cpDrvReceiveData(w.cpDrv, before.data(), static_cast<std::uint32_t>(before.size()));
    w.FLines.RefreshChart();
    QApplication::processEvents();
    w.ChartView->viewport()->repaint();
    // What follows, chunk after chunk (more than any run takes).
    const std::string after = InstrumentStream(200000);
    std::size_t at = 0;
    double worst = 0, total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        w.cpDrvReceiveData(w.cpDrv, after.data() + at, static_cast<std::uint32_t>(PollChunk));
        w.FLines.RefreshChart();
        w.ChartView->viewport()->repaint();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        worst = std::max(worst, ms);
        total += ms;
        at = (at + PollChunk) % (after.size() - PollChunk);
    }
    // The rare step the growing time axis takes (half as much room again):
    // every kept point is looked at once more.
    const auto r0 = std::chrono::steady_clock::now();
    gui::ScaleAxis(w.AxisX, gui::NiceScale(0, w.AxisX->max() * 1.5, gui::TimeAxis));
    w.ChartView->viewport()->repaint();
    state.counters["axis_step_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - r0).count();
    state.counters["points_at_end"] = static_cast<double>(w.MainSeries->PointCount());
    state.counters["drawn_points"] = static_cast<double>(w.MainSeries->count());
    state.counters["worst_ms"] = worst;
    // Side by side: the mean against that of the 1,000-point case of this run.
    static std::map<int, double> means;
    means[shown] = total / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    if (means.count(1000) > 0 && means[1000] > 0)
        state.counters["vs_1000"] = means[shown] / means[1000];
}
BENCHMARK(BM_SequenceViewChunk)->Arg(1000)->Arg(200000)->Iterations(400)->Unit(benchmark::kMillisecond);

// 256 KB of "12345\n" in 64-byte chunks after `state.range(0)` bytes of it.
void BM_LfOnlyChunksAfterBytes(benchmark::State& state)
{
    constexpr std::size_t Chunk = 64, Measured = 256u << 10;
    const std::size_t before = static_cast<std::size_t>(state.range(0));
    std::string stream;
    while (stream.size() < before + Measured)
        stream += "12345\n";
    QLineSeries series;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        gui::TReceivedLines r;
        r.FCurrentSeries = &series;
        r.IsOverlapedView = [] { return true; };
        for (std::size_t at = 0; at < before; at += Chunk)
            r.ReceiveData(stream.data() + at, std::min(Chunk, before - at));
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        for (std::size_t at = before; at < before + Measured; at += Chunk)
            r.ReceiveData(stream.data() + at, Chunk);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(r.Count());
    }
    const double nsPerByte = seconds * 1e9 / double(Measured * std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ns_per_byte"] = nsPerByte;
    // Side by side: against the case without a line under assembly.
    static std::map<std::size_t, double> perByte;
    perByte[before] = nsPerByte;
    if (perByte.count(0) > 0 && perByte[0] > 0)
        state.counters["vs_empty"] = nsPerByte / perByte[0];
}
BENCHMARK(BM_LfOnlyChunksAfterBytes)->Arg(0)->Arg(3u << 19)->Unit(benchmark::kMillisecond);

// Proceed Data on received lines whose one reading is no number: from the
// command to its error box shown (the real box, closed as soon as it is up),
// for a reading of 3 characters and one of 5 MiB received without a line end
// (target: under a second, about as fast as the short one; vs_short is the
// ratio of this run's two means).
void BM_ProceedBadReadingBox(benchmark::State& state)
{
    const auto length = static_cast<std::size_t>(state.range(0));
    VelorSpec::TfrmInstrument w;
    w.show();
    const std::string reading(length, '5');
    // The short reading starts with a letter; the long one is all digits.
    std::string bad = reading;
    if (length < 10)
        bad[0] = 'a';
    w.cpDrvReceiveData(w.cpDrv, bad.data(), static_cast<std::uint32_t>(bad.size()));
    w.cpDrvReceiveData(w.cpDrv, "\r-1000\r", 7);
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        double shown = 0;
        QTimer::singleShot(0, [&] {
            shown = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        w.acList->Execute(w.acProceedData);
        state.SetIterationTime(shown / 1000);
        total += shown;
    }
    static std::map<std::size_t, double> means;
    means[length] = total / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    if (means.count(3) > 0 && means[3] > 0)
        state.counters["vs_short"] = means[length] / means[3];
}
BENCHMARK(BM_ProceedBadReadingBox)->Arg(3)->Arg(5 << 20)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

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
