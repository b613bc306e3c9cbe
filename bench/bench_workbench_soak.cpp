// Soak run of the Instrument Data window on a live serial line.
//
// A real TfrmInstrument inside a real TfrmMain (offscreen platform) receives
// a realistic instrument stream through its TCommPortDriver from a
// pseudo-terminal: an instrument stand-in on its own thread writes one
// reading per line at a steady rate, in replicates of rise, plateau and fall,
// each ended by "-1000".  The run lasts VELOR_SOAK_SECONDS seconds (default
// 60) in each view mode, Overlaped View first, then Sequence View, and
// checks and reports:
//   - every line arrives complete and in order (the window's list equals
//     what was sent);
//   - the chart's series and points match the readings;
//   - GUI-thread CPU share while the stream runs;
//   - resident memory growth (current and peak);
//   - responsiveness: the lateness of a 10 ms timer on the GUI thread, and
//     the delay from a line's write to its arrival in the list;
//   - at the end, Proceed builds the replicates that were sent.
// Other knobs: VELOR_SOAK_RATE (readings per second, default 60) and
// VELOR_SOAK_REPLICATE (readings per replicate, default 500) and
// VELOR_SOAK_ROUNDS (how often both modes run, default 1).
// Exit status 0 when every check passed.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QChart>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "AASCls.h"
#include "ActionList.h"
#include "Dialogs.h"
#include "Instrument.h"
#include "Main.h"
#include "Registry.h"
// Last: <termios.h> defines macros (B0, ...) that clash with names above.
#include "../tests/support/PtyPair.h"

using namespace VelorSpec;
using Clock = std::chrono::steady_clock;

namespace {

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return fallback;
    const int n = std::atoi(v);
    return n > 0 ? n : fallback;
}

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// VmRSS and VmHWM of this process, kB.
long StatusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    const std::string k = std::string(key) + ":";
    while (std::getline(f, line))
        if (line.compare(0, k.size(), k) == 0)
            return std::atol(line.c_str() + k.size());
    return -1;
}

// Resets VmHWM to the current RSS (Linux 4.0 and later), so each mode's peak
// is its own.
// Bytes of heap in use (allocated and not freed), kB: unlike RSS, this does
// not count memory the allocator keeps after it was freed.
long HeapInUseKb()
{
    const struct mallinfo2 m = mallinfo2();
    return long((m.uordblks + m.hblkhd) / 1024);
}

void ResetPeakRss()
{
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
}

// The reading number i of a replicate of n readings: a baseline, a rise over
// the first fifth, a plateau with a little ripple, a fall over the last fifth.
int Reading(int replicate, int i, int n)
{
    const int base = 100 + replicate % 7;
    const int peak = 2500 + 37 * (replicate % 11);
    const int edge = std::max(1, n / 5);
    double v;
    if (i < edge)
        v = base + (peak - base) * double(i) / edge;
    else if (i >= n - edge)
        v = base + (peak - base) * double(n - 1 - i) / edge;
    else
        v = peak + 15 * std::sin(i * 0.37) + (i * 7919 + replicate) % 9 - 4;
    return int(std::lround(v));
}

struct Sent {
    std::vector<std::string> lines;           // every line, in order
    std::vector<std::vector<int>> replicates; // readings of each replicate
    std::vector<Clock::time_point> when;      // write time of each line
    std::atomic<int> published{0};            // lines whose `when` is set
    std::atomic<bool> done{false};
    bool writeFailed = false;
};

// The instrument: one CR LF line per slot, `rate` slots per second, until
// `seconds` have passed; the replicate under way is then ended by its marker.
void Instrument(PtyPair& pty, Sent& out, int seconds, int rate, int perReplicate)
{
    const std::size_t capacity = std::size_t(seconds + 2) * std::size_t(rate) * 2 + 16;
    out.lines.reserve(capacity);
    out.when.resize(capacity);
    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    const auto step = std::chrono::nanoseconds(1'000'000'000LL / rate);
    auto next = start;
    int replicate = 0, i = 0;
    auto send = [&](const std::string& line) {
        std::this_thread::sleep_until(next);
        next += step;
        const int k = int(out.lines.size());
        out.lines.push_back(line);
        out.when[std::size_t(k)] = Clock::now();
        out.published.store(k + 1, std::memory_order_release);
        if (!pty.write(line + "\r\n"))
            out.writeFailed = true;
    };
    while (Clock::now() < end && out.lines.size() + 2 < capacity) {
        if (i == 0)
            out.replicates.emplace_back();
        const int v = Reading(replicate, i, perReplicate);
        out.replicates.back().push_back(v);
        send(std::to_string(v));
        if (++i == perReplicate) {
            send("-1000");
            i = 0;
            ++replicate;
        }
    }
    if (i > 0)
        send("-1000");
    out.done.store(true, std::memory_order_release);
}

struct Figures {
    int lines = 0, replicates = 0;
    double wall = 0, guiCpu = 0;
    long rssStartKb = 0, rssEndKb = 0, peakKb = 0;
    long heapStartKb = 0, heapEndKb = 0, heapAfterClearKb = 0;
    double timerMaxLateMs = 0, timerP99LateMs = 0;
    int timerTicks = 0, timerOver50 = 0;
    double arrivalMaxMs = 0, arrivalMeanMs = 0;
    int chunks = 0;
    double proceedMs = 0;
    std::vector<long> rssEveryTenSecondsKb;
    std::vector<double> cpuEveryTenSeconds;  // GUI-thread CPU share of each 10 s
};

int failures = 0;

void Check(bool ok, const char* mode, const std::string& what)
{
    if (!ok) {
        ++failures;
        std::printf("FAIL [%s] %s\n", mode, what.c_str());
    }
}

Figures RunMode(TfrmInstrument* w, PtyPair& pty, bool overlaped, int seconds, int rate, int perReplicate)
{
    const char* mode = overlaped ? "Overlaped View" : "Sequence View";
    Figures f;

    w->acList->Execute(w->acClearData);
    w->acList->Execute(overlaped ? w->acViewDiscrete : w->acViewContinues);
    Check(w->acViewDiscrete->isChecked() == overlaped, mode, "view switch");
    Check(w->acList->Execute(w->acConnect) && w->cpDrv->IsConnected(), mode, "connect");
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    Sent sent;
    // Arrival delay: at each chunk, the lines completed since the previous
    // chunk are compared with their write times.
    std::size_t seen = 0;
    double arrivalSum = 0;
    int arrivalCount = 0;
    const auto inner = w->cpDrv->OnReceiveData;
    w->cpDrv->OnReceiveData = [&](TCommPortDriver* s, const void* p, std::uint32_t n) {
        inner(s, p, n);
        ++f.chunks;
        const auto now = Clock::now();
        const std::size_t complete = w->FLines.FReceivedLines.empty() ? 0 : w->FLines.FReceivedLines.size() - 1;
        const std::size_t published = std::size_t(sent.published.load(std::memory_order_acquire));
        for (; seen < complete && seen < published; ++seen) {
            const double ms = std::chrono::duration<double, std::milli>(now - sent.when[seen]).count();
            f.arrivalMaxMs = std::max(f.arrivalMaxMs, ms);
            arrivalSum += ms;
            ++arrivalCount;
        }
    };

    // Responsiveness: a 10 ms timer measures its own lateness.
    std::vector<double> late;
    late.reserve(std::size_t(seconds + 20) * 110);
    QElapsedTimer tick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double gap = double(tick.nsecsElapsed()) * 1e-6;
        tick.restart();
        late.push_back(gap - 10.0);
    });

    QTimer rssSampler;
    rssSampler.setInterval(10000);
    double cpuMark = 0;
    auto wallMark = Clock::now();
    QObject::connect(&rssSampler, &QTimer::timeout, [&] {
        f.rssEveryTenSecondsKb.push_back(StatusKb("VmRSS"));
        const double cpu = ThreadCpuSeconds();
        const auto now = Clock::now();
        f.cpuEveryTenSeconds.push_back((cpu - cpuMark) / std::chrono::duration<double>(now - wallMark).count());
        cpuMark = cpu;
        wallMark = now;
    });

    ResetPeakRss();
    f.rssStartKb = StatusKb("VmRSS");
    f.heapStartKb = HeapInUseKb();
    const double cpu0 = ThreadCpuSeconds();
    const auto wall0 = Clock::now();
    cpuMark = cpu0;
    wallMark = wall0;
    tick.start();
    probe.start();
    rssSampler.start();

    std::thread instrument([&] { Instrument(pty, sent, seconds, rate, perReplicate); });

    // Run the event loop until the instrument is done and its last line has
    // arrived (or a bound well past the run's length).
    QEventLoop loop;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const bool done = sent.done.load(std::memory_order_acquire);
        if (done && w->FLines.FReceivedLines.size() >= sent.lines.size() + 1)
            loop.quit();
        if (Clock::now() - wall0 > std::chrono::seconds(seconds + 15))
            loop.quit();
    });
    watch.start();
    loop.exec();
    watch.stop();
    probe.stop();
    rssSampler.stop();
    f.wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    f.guiCpu = ThreadCpuSeconds() - cpu0;
    instrument.join();
    w->cpDrv->OnReceiveData = inner;
    // The last chunk's redraw is due RefreshDelayMs later; let it run.
    {
        QElapsedTimer settle;
        settle.start();
        while (w->FLines.RefreshPending() && settle.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    f.rssEndKb = StatusKb("VmRSS");
    f.peakKb = StatusKb("VmHWM");
    f.heapEndKb = HeapInUseKb();

    f.lines = int(sent.lines.size());
    f.replicates = int(sent.replicates.size());
    f.timerTicks = int(late.size());
    if (!late.empty()) {
        std::vector<double> sorted = late;
        std::sort(sorted.begin(), sorted.end());
        f.timerMaxLateMs = sorted.back();
        f.timerP99LateMs = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
        f.timerOver50 = int(std::count_if(sorted.begin(), sorted.end(), [](double v) { return v > 50; }));
    }
    f.arrivalMeanMs = arrivalCount ? arrivalSum / arrivalCount : 0;

    Check(!sent.writeFailed, mode, "instrument writes");
    // Every line, complete and in order, and an empty line under assembly.
    std::vector<std::string> expected = sent.lines;
    expected.push_back("");
    const auto& got = w->FLines.FReceivedLines;
    if (got != expected) {
        std::size_t at = 0;
        while (at < got.size() && at < expected.size() && got[at] == expected[at])
            ++at;
        Check(false, mode,
              "received lines differ from sent: got " + std::to_string(got.size()) + " lines, sent " +
                  std::to_string(expected.size()) + ", first difference at " + std::to_string(at));
    }

    // The chart: one series per replicate in Overlaped View (plus the empty
    // one the last marker opened), one series of every reading in Sequence View.
    const QList<QAbstractSeries*> series = w->Chart->series();
    auto seriesMatch = [&](const QLineSeries* s, const std::vector<int>& readings, long double& x, const char* what,
                           int index) {
        // A chart line hands its chart fewer points than it keeps.
        const auto* line = qobject_cast<const gui::TChartSeries*>(s);
        const QList<QPointF> pts = line ? line->AllPoints() : s->points();
        if (pts.size() != qsizetype(readings.size())) {
            Check(false, mode,
                  std::string(what) + " " + std::to_string(index) + ": " + std::to_string(pts.size()) +
                      " points, expected " + std::to_string(readings.size()));
            return;
        }
        for (std::size_t i = 0; i < readings.size(); ++i) {
            x = x + 0.02L;
            if (pts[qsizetype(i)] != QPointF(double(x), readings[i])) {
                Check(false, mode, std::string(what) + " " + std::to_string(index) + ": point " + std::to_string(i));
                return;
            }
        }
    };
    if (overlaped) {
        Check(series.size() == qsizetype(sent.replicates.size()) + 1, mode,
              "series count " + std::to_string(series.size()) + ", expected " +
                  std::to_string(sent.replicates.size() + 1));
        for (std::size_t r = 0; r < sent.replicates.size() && qsizetype(r) < series.size(); ++r) {
            long double x = 0;
            seriesMatch(static_cast<QLineSeries*>(series[qsizetype(r)]), sent.replicates[r], x, "series", int(r));
        }
        if (!series.isEmpty())
            Check(static_cast<QLineSeries*>(series.back())->count() == 0, mode, "last series empty");
    } else {
        Check(series.size() == 1, mode, "series count " + std::to_string(series.size()) + ", expected 1");
        std::vector<int> all;
        for (const auto& r : sent.replicates)
            all.insert(all.end(), r.begin(), r.end());
        long double x = 0;
        seriesMatch(w->MainSeries, all, x, "MainSeries", 0);
    }
    Check(!w->FLines.RefreshPending(), mode, "chart redraw still pending a second after the run");

    // Proceed builds the replicates that were sent.
    const auto p0 = Clock::now();
    Check(w->acList->Execute(w->acProceedData), mode, "Proceed ran");
    f.proceedMs = std::chrono::duration<double, std::milli>(Clock::now() - p0).count();
    const TAASReplicateList* list = w->ReceivedReplicates();
    if (!list || list->Count() != int(sent.replicates.size())) {
        Check(false, mode,
              "Proceed built " + std::to_string(list ? list->Count() : -1) + " replicates, expected " +
                  std::to_string(sent.replicates.size()));
    } else {
        for (int r = 0; r < list->Count(); ++r) {
            const auto& points = list->GetItem(r)->Points();
            const std::vector<double> want(sent.replicates[std::size_t(r)].begin(),
                                           sent.replicates[std::size_t(r)].end());
            if (std::vector<double>(points.begin(), points.end()) != want)
                Check(false, mode, "Proceed replicate " + std::to_string(r + 1) + " differs");
        }
        Check(w->tviewReplicates->topLevelItemCount() == list->Count(), mode, "replicate tree");
    }

    w->acList->Execute(w->acDisconnect);
    Check(!w->cpDrv->IsConnected(), mode, "disconnect");
    w->ShowPage(0);
    // Clear Data gives back what the stream took (the Proceed page keeps its
    // replicates until the next Proceed).
    w->acList->Execute(w->acClearData);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    f.heapAfterClearKb = HeapInUseKb();
    return f;
}

void Report(const char* mode, const Figures& f, int seconds, int rate)
{
    std::printf("\n== %s: %d s at %d lines/s ==\n", mode, seconds, rate);
    std::printf("lines sent            %d (%d replicates), %d chunks delivered\n", f.lines, f.replicates, f.chunks);
    std::printf("wall time             %.2f s\n", f.wall);
    std::printf("GUI-thread CPU        %.3f s = %.2f %% of wall time\n", f.guiCpu, 100.0 * f.guiCpu / f.wall);
    std::printf("RSS                   start %ld kB, end %ld kB (growth %+ld kB), peak %ld kB (peak growth %+ld kB)\n",
                f.rssStartKb, f.rssEndKb, f.rssEndKb - f.rssStartKb, f.peakKb, f.peakKb - f.rssStartKb);
    std::printf("heap in use           start %ld kB, end %ld kB (growth %+ld kB = %.0f B per line), after Clear Data %ld kB\n",
                f.heapStartKb, f.heapEndKb, f.heapEndKb - f.heapStartKb,
                f.lines ? 1024.0 * double(f.heapEndKb - f.heapStartKb) / f.lines : 0.0, f.heapAfterClearKb);
    std::printf("RSS every 10 s (kB)  ");
    for (long kb : f.rssEveryTenSecondsKb)
        std::printf(" %ld", kb);
    std::printf("\n");
    std::printf("GUI CPU every 10 s (%%)");
    for (double c : f.cpuEveryTenSeconds)
        std::printf(" %.1f", 100.0 * c);
    std::printf("\n");
    std::printf("10 ms timer           %d ticks, lateness p99 %.2f ms, max %.2f ms, %d ticks over 50 ms late\n",
                f.timerTicks, f.timerP99LateMs, f.timerMaxLateMs, f.timerOver50);
    std::printf("line write->arrival   mean %.1f ms, max %.1f ms\n", f.arrivalMeanMs, f.arrivalMaxMs);
    std::printf("Proceed               %.1f ms\n", f.proceedMs);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = EnvInt("VELOR_SOAK_SECONDS", 60);
    const int rate = EnvInt("VELOR_SOAK_RATE", 60);
    const int perReplicate = EnvInt("VELOR_SOAK_REPLICATE", 500);
    const int rounds = EnvInt("VELOR_SOAK_ROUNDS", 1);

    QTemporaryDir dir;
    platform::registry::SetBaseFolder(dir.path());
    // Any dialog is answered with Cancel and counted: none is expected.
    int dialogs = 0;
    gui::SetResponder([&](const gui::DialogRequest& r) {
        ++dialogs;
        std::printf("unexpected dialog: %s\n", r.text.toStdString().c_str());
        return gui::DialogReply{gui::mrCancel, {}, 0, {}};
    });

    PtyPair pty;
    auto* frame = new TfrmMain;
    frame->show();
    TfrmInstrument* w = TfrmInstrument::CreateInFrame(frame);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
        sub->resize(800, 500);
        frame->MdiArea->setActiveSubWindow(sub);
    }
    frame->resize(1024, 700);
    // A pseudo-terminal takes 8 data bits only; the rest stays as the window set it.
    w->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
    w->cpDrv->SetDataBits(db8BITS);
    QCoreApplication::processEvents();

    std::printf("soak: %d s per mode, %d readings/s, %d readings per replicate, polling every %d ms\n", seconds, rate,
                perReplicate, int(w->cpDrv->PollingDelay()));
    // Several rounds show whether anything outlives Clear Data and Proceed:
    // the heap after Clear Data must not climb from one round to the next.
    for (int round = 1; round <= rounds; ++round) {
        if (rounds > 1)
            std::printf("\n#### round %d of %d\n", round, rounds);
        const Figures a = RunMode(w, pty, true, seconds, rate, perReplicate);
        Report("Overlaped View", a, seconds, rate);
        const Figures b = RunMode(w, pty, false, seconds, rate, perReplicate);
        Report("Sequence View", b, seconds, rate);
    }

    Check(dialogs == 0, "both", "dialogs were shown");
    delete frame;
    std::printf("\n%s (%d failed checks)\n", failures ? "FAILED" : "PASSED", failures);
    return failures ? 1 : 0;
}
