// The timed run on the real clock.
//
// A real TfrmMain (offscreen platform) runs a time program of typical rows
// (W 5, I 3, ReadAt 6, RT 12, PF 1, VL 2 s) on the simulated autosampler port
// for VELOR_RUN_BENCH_SECONDS seconds (default 600, the ten minutes the run
// is held to; set it lower for a quick look).  Three cases side by side:
//   quiet  - nothing else happens;
//   stream - the live chart first holds 500 replicate series, and a
//            pseudo-terminal instrument sends readings on the serial line at
//            the full rate of 115,200 baud (a "-1000" after every 1000
//            readings) for the whole run;
//   zoom   - the stream, and every 5 s the user zooms the live chart into
//            its middle with the mouse and, 5 s later, back (each an
//            animated zoom of TChartView::ZoomAnimationMs);
//   scroll - the stream, and every 5 s the user drags the live chart with
//            the right button for a second (a mouse move every 33 ms) and,
//            5 s later, unzooms it.
// Reported per case:
//   drift_pct    - how far the replicate clock's pin events lag (+) or lead
//                  (-) real time: the span from the first to the last pin
//                  write on the port's clock against the span the program
//                  gives them, in percent (target: within 0.5);
//   run_vs_wall  - the run's replicate time against the run command's wall
//                  time, in percent (the rest is start, end and storing);
//   gui_cpu_pct  - processor time of the GUI thread over the run's wall time
//                  in percent of one core (target: under 5);
//   gui_cpu_replicates_pct - the same until the last replicate ended;
//   store_s      - the rest of the run: storing the received lines in the rows;
//   lines        - lines the instrument sent during the run;
//   zooms        - animated zooms (scroll: drags and unzooms) during the run.

#include <QApplication>
#include <QChart>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "CPDrv.h"
#include "Charts.h"
#include "Dialogs.h"
#include "Main.h"
#include "PortIO.h"
#include "Registry.h"
// Last: <termios.h> defines macros (B0, ...) that clash with names above.
#include "../tests/support/PtyPair.h"

using namespace VelorTime;
using SteadyClock = std::chrono::steady_clock;

namespace {

void EnsureApplication()
{
    static std::unique_ptr<QApplication> app;
    if (app)
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_controller_run";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
}

int RunSeconds()
{
    const char* v = std::getenv("VELOR_RUN_BENCH_SECONDS");
    const int s = v ? std::atoi(v) : 600;
    return s > 0 ? s : 600;
}

double ThreadCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// The instrument: readings at the full line rate of 115,200 baud (11,520
// bytes a second at ten bits a byte), paced in 10 ms slices.
class StreamWriter {
public:
    explicit StreamWriter(PtyPair& pty) : FPty(pty) {}
    ~StreamWriter() { Stop(); }
    void Start()
    {
        FThread = std::thread([this] {
            const auto start = SteadyClock::now();
            std::size_t sent = 0;
            std::string pending;
            long reading = 0;
            while (!FStop.load()) {
                const double elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
                const auto due = static_cast<std::size_t>(elapsed * 11520.0);
                while (pending.size() < due - std::min(due, sent)) {
                    if (reading % 1001 == 1000)
                        pending += "-1000\r";
                    else
                        pending += std::to_string(10000 + reading % 5000) + "\r";
                    ++reading;
                }
                const std::size_t n = std::min(pending.size(), due - std::min(due, sent));
                if (n > 0 && FPty.write(pending.data(), n, 1000)) {
                    sent += n;
                    FLines += std::count(pending.begin(), pending.begin() + long(n), '\r');
                    pending.erase(0, n);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    void Stop()
    {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
    }
    long LinesSent() const { return FLines.load(); }

private:
    PtyPair& FPty;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<long> FLines{0};
};

enum class TCase { Quiet, Stream, Zoom, Scroll };

void RunOnRealClock(benchmark::State& state, TCase what)
{
    const bool stream = what != TCase::Quiet;
    EnsureApplication();
    QTemporaryDir dir;
    platform::registry::SetBaseFolder(dir.path() + QStringLiteral("/registry"));
    const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv(portio::BackendVariable, "sim");
    // The save question at the end is answered No.
    const gui::Responder previous =
        gui::SetResponder([](const gui::DialogRequest&) { return gui::DialogReply{gui::mrNo, {}, 0, {}}; });

    const int seconds = RunSeconds();
    const int replicates = std::max(1, static_cast<int>(std::lround(seconds / 12.0)));

    for (auto _ : state) {
        portio::sim::ClearWrites();
        portio::sim::SetRegister(0x378, 0x02);
        auto frm = std::make_unique<TfrmMain>();
        frm->show();
        TTable& table = frm->cdsProgram.Table();
        table.Append();
        table.SetAsInteger(fldSampleID, 1);
        table.SetAsInteger(fldReplicates, replicates);
        table.SetAsFloat(fldWashingTime, 5);
        table.SetAsFloat(fldInjectionTime, 3);
        table.SetAsFloat(fldReadAt, 6);
        table.SetAsFloat(fldReplTime, 12);
        table.SetAsFloat(fldProbeForward, 1);
        table.SetAsFloat(fldValveLate, 2);
        table.Post();

        std::unique_ptr<PtyPair> pty;
        std::unique_ptr<StreamWriter> writer;
        if (stream) {
            // 500 finished replicate series on the live chart.
            std::string earlier;
            for (int r = 0; r < 500; ++r) {
                for (int i = 0; i < 250; ++i)
                    earlier += std::to_string(10000 + i * 7) + "\r";
                earlier += "-1000\r";
            }
            frm->cpDrvReceiveData(frm->cpDrv, earlier.data(), static_cast<std::uint32_t>(earlier.size()));
            pty = std::make_unique<PtyPair>();
            frm->cpDrv->SetPortName(QString::fromStdString(pty->slavePath()));
            frm->cpDrv->SetBaudRate(br115200);
            if (!frm->cpDrv->Connect()) {
                state.SkipWithError("serial port did not open");
                break;
            }
            writer = std::make_unique<StreamWriter>(*pty);
            writer->Start();
        }

        // The user's zooms: into the middle of the plot, and back.
        int zooms = 0;
        QTimer zoomer;
        auto* view = qobject_cast<gui::TChartView*>(frm->ChartView);
        if (what == TCase::Zoom && view) {
            frm->pcMain->setCurrentWidget(frm->tsRun);
            QObject::connect(&zoomer, &QTimer::timeout, [&] {
                const QRectF plot = frm->Chart->plotArea();
                if (view->IsZoomed())
                    view->ZoomReset();
                else
                    view->ZoomIn(plot.adjusted(plot.width() / 4, plot.height() / 4, -plot.width() / 4,
                                               -plot.height() / 4));
                ++zooms;
            });
            zoomer.start(5000);
        }
        // The user's drags with the right button, from the middle of the plot.
        QTimer scroller;
        int moves = -1;   // mouse moves of the drag under way (-1: none)
        QPoint at;
        const auto mouse = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            QWidget* port = view->viewport();
            QMouseEvent event(type, QPointF(at), port->mapToGlobal(QPointF(at)), Qt::RightButton, buttons,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(port, &event);
        };
        if (what == TCase::Scroll && view) {
            frm->pcMain->setCurrentWidget(frm->tsRun);
            QObject::connect(&zoomer, &QTimer::timeout, [&] {
                if (view->IsZoomed()) {
                    view->ZoomReset();
                } else {
                    at = frm->Chart->plotArea().center().toPoint();
                    mouse(QEvent::MouseButtonPress, Qt::RightButton);
                    moves = 0;
                }
                ++zooms;
            });
            QObject::connect(&scroller, &QTimer::timeout, [&] {
                if (moves < 0)
                    return;
                at += QPoint(3, 2);
                if (++moves < 30) {
                    mouse(QEvent::MouseMove, Qt::RightButton);
                } else {
                    mouse(QEvent::MouseButtonRelease, Qt::NoButton);
                    moves = -1;
                }
            });
            zoomer.start(5000);
            scroller.start(33);
        }

        const auto wall0 = SteadyClock::now();
        const double cpu0 = ThreadCpuSeconds();
        // The moment the last replicate ends (before the received lines are
        // stored into the rows).
        double replicatesCpu = 0, replicatesWall = 0;
        int ended = 0;
        const auto tick = frm->Timer->OnTimer;
        frm->Timer->OnTimer = [&] {
            tick();
            if (!frm->Timer->Enabled() && ++ended == replicates) {
                replicatesCpu = ThreadCpuSeconds() - cpu0;
                replicatesWall = std::chrono::duration<double>(SteadyClock::now() - wall0).count();
            }
        };
        frm->acList->Execute(frm->acProgramRun);
        const double cpu = ThreadCpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(SteadyClock::now() - wall0).count();
        const int series = frm->Chart->series().size();
        zoomer.stop();
        scroller.stop();
        if (writer)
            writer->Stop();
        const long lines = writer ? writer->LinesSent() : 0;
        frm->cpDrv->Disconnect();

        // Pin events: probe down at 4 s of the first replicate ... valve
        // open at 10 s of the last.
        const auto writes = portio::sim::Writes();
        if (writes.size() != std::size_t(6 * replicates)) {
            state.SkipWithError("pin writes missing");
            break;
        }
        const double span = double(writes.back().Tick - writes.front().Tick);
        const double programmed = (replicates - 1) * 12000.0 + 6000.0;
        state.counters["drift_pct"] = (span - programmed) / programmed * 100.0;
        state.counters["run_vs_wall_pct"] = replicates * 12.0 / wall * 100.0;
        state.counters["gui_cpu_pct"] = cpu / wall * 100.0;
        state.counters["gui_cpu_replicates_pct"] = replicatesCpu / replicatesWall * 100.0;
        state.counters["store_s"] = wall - replicatesWall;
        state.counters["wall_s"] = wall;
        state.counters["lines"] = double(lines);
        state.counters["series"] = series;
        state.counters["zooms"] = zooms;
        std::printf("%s: %d replicates, wall %.3f s, pin span %.0f ms for %.0f ms programmed (drift %+.4f %%), "
                    "GUI thread %.3f s CPU (%.2f %% of a core; %.2f %% until the last replicate ended, then "
                    "%.3f s to store), %ld lines sent, %d series, %d zooms\n",
                    what == TCase::Zoom     ? "zoom"
                    : what == TCase::Scroll ? "scroll"
                    : stream                ? "stream"
                                            : "quiet",
                    replicates, wall, span, programmed,
                    (span - programmed) / programmed * 100.0, cpu, cpu / wall * 100.0,
                    replicatesCpu / replicatesWall * 100.0, wall - replicatesWall, lines, series, zooms);
        frm->close();
    }

    gui::SetResponder(previous);
    qunsetenv(portio::BackendVariable);
    qputenv("XDG_DATA_HOME", oldDataHome);
    platform::registry::SetBaseFolder(QString());
}

void BM_TimedRunQuiet(benchmark::State& state)
{
    RunOnRealClock(state, TCase::Quiet);
}
void BM_TimedRunWithStreamAndChart(benchmark::State& state)
{
    RunOnRealClock(state, TCase::Stream);
}
void BM_TimedRunWithStreamChartAndZooms(benchmark::State& state)
{
    RunOnRealClock(state, TCase::Zoom);
}

void BM_TimedRunWithStreamChartAndScrolls(benchmark::State& state)
{
    RunOnRealClock(state, TCase::Scroll);
}

}  // namespace

BENCHMARK(BM_TimedRunQuiet)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_TimedRunWithStreamAndChart)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_TimedRunWithStreamChartAndZooms)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_TimedRunWithStreamChartAndScrolls)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
