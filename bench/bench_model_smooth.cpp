// Both smoothers with half-width 10 over one million points, and the moving
// average with half-width 100.
#include <benchmark/benchmark.h>

#include <random>

#include "AASFuncs.h"

namespace {

// Raw instrument readings: whole numbers.
TAASPointArray Signal()
{
    std::mt19937 Gen(7);
    std::uniform_int_distribution<int> Noise(-50, 50);
    TAASPointArray P(1000000);
    for (size_t I = 0; I < P.size(); ++I)
        P[I] = 2000 + (I / 1000 % 2) * 3000 + Noise(Gen);
    return P;
}

// The same readings on the absorbance scale (divided by 10000).
TAASPointArray Absorbance()
{
    TAASPointArray P = Signal();
    for (double& V : P)
        V = static_cast<double>(static_cast<long double>(V) / 10000);
    return P;
}

template <void (*Smooth)(int, const TAASPointArray&, TAASPointArray&), TAASPointArray (*Data)(), int N = 10>
void BM_Smooth(benchmark::State& State)
{
    const TAASPointArray Source = Data();
    TAASPointArray Dest;
    for (auto _ : State) {
        Smooth(N, Source, Dest);
        benchmark::DoNotOptimize(Dest.data());
    }
    State.SetItemsProcessed(State.iterations() * static_cast<int64_t>(Source.size()));
    State.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(Source.size()) * State.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_Smooth<SmoothMovingAverage, Signal>)->Name("SmoothMovingAverage/N10/1M")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth<SmoothMovingAverage, Signal, 100>)
    ->Name("SmoothMovingAverage/N100/1M")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth<SmoothWeighted, Signal>)->Name("SmoothWeighted/N10/1M")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth<SmoothMovingAverage, Absorbance>)
    ->Name("SmoothMovingAverage/N10/1M/absorbance")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Smooth<SmoothWeighted, Absorbance>)
    ->Name("SmoothWeighted/N10/1M/absorbance")
    ->Unit(benchmark::kMillisecond);
