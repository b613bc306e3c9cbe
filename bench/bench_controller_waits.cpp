// The waits of the timed run's nested message loops on the real clock:
// Delay(200) sleeps in the event loop, side by side with a wait that spins
// (processes events without sleeping until the same time has passed).
// Reported per case: cpu_pct, the GUI thread's processor time over the wait's
// wall time in percent of one core (target for Delay: under 5; the spinning
// wait burns about 100), and for Delay vs_spin, its processor time against
// the spinning wait's of this run.

#include <QCoreApplication>
#include <QEventLoop>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

#include "BenchApp.h"
#include "Clock.h"
#include "RunTimer.h"

namespace {

constexpr std::uint32_t WaitMs = 200;

void SpinningWait(std::uint32_t Ms)
{
    const std::uint32_t start = platform::GetTickCount();
    while (platform::GetTickCount() - start <= Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::map<std::string, double> CpuSeconds;

void Measure(benchmark::State& state, const std::string& name, void (*wait)(std::uint32_t))
{
    bench::App();
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpu0 = bench::ThreadCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        wait(WaitMs);
        cpu += bench::ThreadCpuSeconds() - cpu0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    }
    CpuSeconds[name] = cpu;
    state.counters["cpu_pct"] = wall > 0 ? 100.0 * cpu / wall : 0;
    if (name == "delay" && CpuSeconds["spin"] > 0)
        state.counters["vs_spin"] = cpu / CpuSeconds["spin"];
}

void BM_SpinningWait(benchmark::State& state)
{
    Measure(state, "spin", SpinningWait);
}
BENCHMARK(BM_SpinningWait)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Delay(benchmark::State& state)
{
    Measure(state, "delay", VelorTime::Delay);
}
BENCHMARK(BM_Delay)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
