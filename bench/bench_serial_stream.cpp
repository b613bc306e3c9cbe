// A steady instrument stream at 115200 baud volume (about 11,500 bytes per
// second of 4-digit readings, CR LF ended) through a pseudo-terminal into the
// serial port component at its default 50 ms polling.  Reports whether every
// byte arrived in order and the GUI thread's CPU share while receiving.
// VELOR_STREAM_SECONDS sets the length (default 10).
//
// A component polling every 5 ms for two seconds after the far end of its
// port closed, side by side with one whose far end stays open and quiet:
// gui_cpu_percent of each, and vs_open, the closed case's processor time
// against the open one's (target: about 1; an event loop that spins on the
// closed line burns the whole core).
#include "CPDrv.h"

#include "../tests/support/PtyPair.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "bench_serial_stream";
    static char* argv[] = {name, nullptr};
    static QCoreApplication instance(argc, argv);
    return instance;
}

void BM_SerialStream115200(benchmark::State& state)
{
    app();
    const char* env = std::getenv("VELOR_STREAM_SECONDS");
    const int seconds = env ? std::max(1, std::atoi(env)) : 10;
    constexpr int bytesPerSecond = 11520;
    constexpr int writesPerSecond = 100;
    constexpr int chunk = bytesPerSecond / writesPerSecond;

    std::string sent;
    for (int i = 0; int(sent.size()) < seconds * bytesPerSecond; ++i)
        sent += std::to_string(1000 + i % 9000) + "\r\n";
    sent.resize(std::size_t(seconds) * bytesPerSecond);

    for (auto _ : state) {
        PtyPair pty;
        TCommPortDriver driver;
        driver.SetPortName(QString::fromStdString(pty.slavePath()));
        std::string received;
        received.reserve(sent.size());
        std::uint64_t calls = 0;
        QEventLoop loop;
        driver.OnReceiveData = [&](TCommPortDriver*, const void* data, std::uint32_t size) {
            received.append(static_cast<const char*>(data), size);
            ++calls;
            if (received.size() >= sent.size())
                loop.quit();
        };
        if (!driver.Connect()) {
            state.SkipWithError("cannot open the pseudo-terminal");
            return;
        }
        std::atomic<bool> writeOk{true};
        const double cpu0 = threadCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        std::thread instrument([&] {
            for (std::size_t pos = 0, n = 1; pos < sent.size(); pos += chunk, ++n) {
                if (!pty.write(sent.data() + pos, std::min<std::size_t>(chunk, sent.size() - pos)))
                    writeOk = false;
                std::this_thread::sleep_until(wall0 + std::chrono::microseconds(1000000 / writesPerSecond * n));
            }
        });
        QTimer::singleShot((seconds + 5) * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = threadCpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        instrument.join();
        driver.Disconnect();

        state.counters["seconds"] = wall;
        state.counters["bytes_sent"] = double(sent.size());
        state.counters["bytes_received"] = double(received.size());
        state.counters["complete_in_order"] = (writeOk && received == sent) ? 1 : 0;
        state.counters["deliveries"] = double(calls);
        state.counters["gui_cpu_percent"] = 100.0 * cpu / wall;
    }
}

}  // namespace

BENCHMARK(BM_SerialStream115200)->Iterations(1)->Unit(benchmark::kMillisecond);

// state.range(0): 1 when the far end closes, 0 when it stays open.
void BM_IdlePortFarEnd(benchmark::State& state)
{
    app();
    const bool closed = state.range(0) != 0;
    static double cpuOpen = 0;
    for (auto _ : state) {
        PtyPair pty;
        TCommPortDriver driver;
        driver.SetPortName(QString::fromStdString(pty.slavePath()));
        driver.SetPollingDelay(5);
        if (!driver.Connect()) {
            state.SkipWithError("cannot open the pseudo-terminal");
            return;
        }
        if (closed)
            pty.closeMaster();
        QEventLoop loop;
        const double cpu0 = threadCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        QTimer::singleShot(2000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = threadCpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        driver.Disconnect();
        state.counters["gui_cpu_percent"] = 100.0 * cpu / wall;
        if (!closed)
            cpuOpen = cpu;
        else if (cpuOpen > 0)
            state.counters["vs_open"] = cpu / cpuOpen;
    }
}
BENCHMARK(BM_IdlePortFarEnd)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
