// Reading and writing the sample text file and reading the experiment file.
// Bytes processed are the file sizes, so the reported rate is file MB/s.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "AASCls.h"

namespace {

std::string BenchFile(const std::string& Name)
{
    return (std::filesystem::temp_directory_path() / ("velor_bench_" + Name)).string();
}

// Instrument-like raw readings: a baseline, a plateau and noise, whole numbers.
double Reading(int Replicate, int Index, int Points)
{
    const unsigned Noise = (static_cast<unsigned>(Index) * 2654435761u + Replicate * 40503u) >> 24;
    const bool Plateau = Index > Points / 4 && Index < 3 * Points / 4;
    return (Plateau ? 8500.0 : 120.0) + static_cast<double>(Noise % 97);
}

TAASSample* BuildSample(int Replicates, int Points, bool Absorbance)
{
    auto* S = new TAASSample("bench", true);
    for (int R = 0; R < Replicates; ++R) {
        auto* Rep = new TAASReplicate();
        for (int I = 0; I < Points; ++I)
            Rep->Add(Absorbance ? Reading(R, I, Points) / 10000 : Reading(R, I, Points));
        S->Add(Rep);
    }
    return S;
}

const std::string& SampleFile(bool Absorbance)
{
    static std::map<bool, std::string> Files;
    auto It = Files.find(Absorbance);
    if (It != Files.end())
        return It->second;
    const std::string Name = BenchFile(Absorbance ? "abs.ast" : "raw.ast");
    std::unique_ptr<TAASSample> S(BuildSample(10, 100000, Absorbance));
    if (!S->SaveToFile(Name))
        std::abort();
    return Files[Absorbance] = Name;
}

void BM_SampleRead(benchmark::State& State)
{
    const std::string& Name = SampleFile(State.range(0) != 0);
    const auto Bytes = static_cast<int64_t>(std::filesystem::file_size(Name));
    for (auto _ : State) {
        TAASSample S("", true);
        if (!S.LoadFromFile(Name) || S.Count() != 10)
            State.SkipWithError("read failed");
        benchmark::DoNotOptimize(S.Count());
    }
    State.SetBytesProcessed(State.iterations() * Bytes);
}
BENCHMARK(BM_SampleRead)->ArgName("absorbance")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SampleWrite(benchmark::State& State)
{
    std::unique_ptr<TAASSample> S(BuildSample(10, 100000, State.range(0) != 0));
    const std::string Name = BenchFile("write.ast");
    for (auto _ : State) {
        if (!S->SaveToFile(Name))
            State.SkipWithError("write failed");
    }
    State.SetBytesProcessed(State.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(Name)));
    std::filesystem::remove(Name);
}
BENCHMARK(BM_SampleWrite)->ArgName("absorbance")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A file of one line of digits as large as the raw sample file, which the
// reader refuses, side by side with reading that sample file (vs_ordinary:
// the ratio of the two, timed alternately in this run; a huge line costs
// about what the same bytes in ordinary lines cost).
void BM_SampleReadHugeLine(benchmark::State& State)
{
    const std::string& Ordinary = SampleFile(false);
    const auto Bytes = static_cast<int64_t>(std::filesystem::file_size(Ordinary));
    const std::string Name = BenchFile("hugeline.ast");
    {
        std::FILE* F = std::fopen(Name.c_str(), "wb");
        const std::string Digits(static_cast<size_t>(Bytes), '7');
        if (!F || std::fwrite(Digits.data(), 1, Digits.size(), F) != Digits.size() || std::fclose(F) != 0)
            std::abort();
    }
    using Clock = std::chrono::steady_clock;
    double Huge = 0, Plain = 0;
    for (auto _ : State) {
        const auto T0 = Clock::now();
        TAASSample S("", true);
        if (S.LoadFromFile(Name))
            State.SkipWithError("a line of digits was read");
        const auto T1 = Clock::now();
        State.PauseTiming();
        TAASSample O("", true);
        if (!O.LoadFromFile(Ordinary))
            State.SkipWithError("read failed");
        const auto T2 = Clock::now();
        State.ResumeTiming();
        Huge += std::chrono::duration<double>(T1 - T0).count();
        Plain += std::chrono::duration<double>(T2 - T1).count();
    }
    State.SetBytesProcessed(State.iterations() * Bytes);
    if (Plain > 0)
        State.counters["vs_ordinary"] = Huge / Plain;
    std::filesystem::remove(Name);
}
BENCHMARK(BM_SampleReadHugeLine)->Unit(benchmark::kMillisecond);

// Experiments of N samples x 5 replicates x 1,000 points.
const std::string& ExperimentFile(int Samples)
{
    static std::map<int, std::string> Files;
    auto It = Files.find(Samples);
    if (It != Files.end())
        return It->second;
    const std::string Name = BenchFile("exp" + std::to_string(Samples) + ".axp");
    TAASExperiment E("bench", true);
    E.Description() = {"generated"};
    for (int I = 0; I < Samples; ++I) {
        TAASSample* S = BuildSample(5, 1000, false);
        S->SetTitle("sample " + std::to_string(I));
        S->SetPeakStart(6.0);
        S->SetPeakEnd(14.0);
        E.Add(S);
    }
    E.SaveToFile(Name);
    return Files[Samples] = Name;
}

void BM_ExperimentRead(benchmark::State& State)
{
    const int Samples = static_cast<int>(State.range(0));
    const std::string& Name = ExperimentFile(Samples);
    const auto Bytes = static_cast<int64_t>(std::filesystem::file_size(Name));
    for (auto _ : State) {
        TAASExperiment E("", true);
        E.LoadFromFile(Name);
        if (E.Count() != Samples)
            State.SkipWithError("read failed");
        benchmark::DoNotOptimize(E.Count());
    }
    State.SetBytesProcessed(State.iterations() * Bytes);
    State.counters["lines"] = static_cast<double>(Samples) * 5 * 1001;
}
BENCHMARK(BM_ExperimentRead)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
