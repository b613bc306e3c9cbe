// Ensemble rebuild and full recalculation of a sample of 10 replicates x
// 100,000 points with both intervals set.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "AASCls.h"

namespace {

std::unique_ptr<TAASSample> MakeSample()
{
    auto S = std::make_unique<TAASSample>("Bench", true);
    std::mt19937 Gen(3);
    std::uniform_int_distribution<int> Noise(-50, 50);
    for (int R = 0; R < 10; ++R) {
        auto* Rep = new TAASReplicate;
        for (int I = 0; I < 100000; ++I)
            Rep->Add(1000 + (I > 20000 && I < 80000 ? 4000 : 0) + Noise(Gen));
        S->Add(Rep);
    }
    S->SetAreaStart(100);
    S->SetAreaEnd(1900);
    S->SetPeakStart(500);
    S->SetPeakEnd(1500);
    return S;
}

void BM_BuildAnsambled(benchmark::State& State)
{
    auto S = MakeSample();
    for (auto _ : State)
        S->BuildAnsambled();
    State.SetItemsProcessed(State.iterations() * 1000000);
}

void BM_Recalculate(benchmark::State& State)
{
    auto S = MakeSample();
    for (auto _ : State)
        S->Recalculate();
    State.SetItemsProcessed(State.iterations() * 1000000);
}

void BM_BuildAnsambledAndRecalculate(benchmark::State& State)
{
    auto S = MakeSample();
    for (auto _ : State) {
        S->BuildAnsambled();
        S->Recalculate();
    }
    State.SetItemsProcessed(State.iterations() * 1000000);
}

}  // namespace

BENCHMARK(BM_BuildAnsambled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recalculate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAnsambledAndRecalculate)->Unit(benchmark::kMillisecond);
