// The data model's file and smoothing work beside plain C++ loops that do
// the least the same work needs (the limit).  Driven by bench/compare.sh,
// which adds numpy and scipy to the same table:
//   bench_model_compare_tool gen DIR         writes the data files once
//   bench_model_compare_tool run DIR         times everything warm, prints "name ms"
//   bench_model_compare_tool fresh FILE      first read in this process: "ms peak_MiB"
//   bench_model_compare_tool freshlimit FILE the limit loop read the same way
//   bench_model_compare_tool savepeak DIR N  an experiment of N samples saved in
//                                            this process: "ms held_MiB rise_MiB"
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "AASCls.h"
#include "AASFuncs.h"
#include "FileUtils.h"

namespace {

double Now()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Median of Runs timings of F, in ms.
double Time(const std::function<void()>& F, int Runs = 7)
{
    std::vector<double> T;
    F();  // warm
    for (int I = 0; I < Runs; ++I) {
        const double Start = Now();
        F();
        T.push_back(Now() - Start);
    }
    std::sort(T.begin(), T.end());
    return T[T.size() / 2];
}

// Medians of Runs timings of F and of G, in ms, taken in turns, so that a
// burst of load on the machine falls on both alike.
std::pair<double, double> TimeInTurns(const std::function<void()>& F, const std::function<void()>& G, int Runs = 7)
{
    std::vector<double> TF, TG;
    F();  // warm
    G();
    for (int I = 0; I < Runs; ++I) {
        for (auto [Call, Times] : {std::pair(&F, &TF), std::pair(&G, &TG)}) {
            const double Start = Now();
            (*Call)();
            Times->push_back(Now() - Start);
        }
    }
    std::sort(TF.begin(), TF.end());
    std::sort(TG.begin(), TG.end());
    return {TF[TF.size() / 2], TG[TG.size() / 2]};
}

double Reading(std::mt19937_64& Rng, size_t I)
{
    return static_cast<double>(2000 + (I / 1000 % 2) * 3000 + static_cast<int>(Rng() % 101) - 50);
}

TAASSample* MakeSample(int Replicates, size_t Points, int Kind, unsigned Seed)
{
    std::mt19937_64 Rng(Seed);
    auto* S = new TAASSample("bench", true);
    for (int R = 0; R < Replicates; ++R) {
        auto* Rep = new TAASReplicate();
        for (size_t I = 0; I < Points; ++I) {
            const double W = Reading(Rng, I);
            // 0 whole readings, 1 fractions of 17 digits (15 written)
            Rep->Add(Kind == 0 ? W : static_cast<double>(Rng() >> 11) / 9007199254740992.0 * 4);
        }
        S->Add(Rep);
    }
    return S;
}

std::string Path(const std::string& Dir, const std::string& Name)
{
    return Dir + "/" + Name;
}

void Gen(const std::string& Dir)
{
    std::unique_ptr<TAASSample>(MakeSample(10, 100000, 0, 1))->SaveToFile(Path(Dir, "whole.ast"));
    std::unique_ptr<TAASSample>(MakeSample(10, 100000, 1, 2))->SaveToFile(Path(Dir, "frac.ast"));
    for (int R : {10, 100, 1000})
        std::unique_ptr<TAASSample>(MakeSample(R, 1000000 / static_cast<size_t>(R), 0, 3))
            ->SaveToFile(Path(Dir, "rep" + std::to_string(R) + ".ast"));
    // Signals for the smoothers, one value a line.
    std::mt19937_64 Rng(7);
    std::FILE* W = std::fopen(Path(Dir, "whole.txt").c_str(), "w");
    std::FILE* A = std::fopen(Path(Dir, "abs.txt").c_str(), "w");
    for (size_t I = 0; I < 1000000; ++I) {
        const double V = Reading(Rng, I);
        std::fprintf(W, "%.17g\n", V);
        std::fprintf(A, "%.17g\n", static_cast<double>(static_cast<long double>(V) / 10000));
    }
    std::fclose(W);
    std::fclose(A);
}

std::vector<double> LoadValues(const std::string& Name)
{
    std::vector<double> V;
    std::FILE* F = std::fopen(Name.c_str(), "r");
    double X;
    while (F && std::fscanf(F, "%lf", &X) == 1)
        V.push_back(X);
    if (F)
        std::fclose(F);
    return V;
}

// The limit of reading: the file read whole, every line through from_chars.
size_t LimitRead(const std::string& Name, std::vector<double>& Out)
{
    const int Fd = ::open(Name.c_str(), O_RDONLY);
    const off_t Size = ::lseek(Fd, 0, SEEK_END);
    std::unique_ptr<char[]> Buf(new char[static_cast<size_t>(Size)]);
    size_t Got = 0;
    while (Got < static_cast<size_t>(Size)) {
        const ssize_t N = ::pread(Fd, Buf.get() + Got, static_cast<size_t>(Size) - Got, static_cast<off_t>(Got));
        if (N <= 0)
            break;
        Got += static_cast<size_t>(N);
    }
    ::close(Fd);
    Out.clear();
    const char* P = Buf.get();
    const char* const End = P + Got;
    while (P < End) {
        const char* E = static_cast<const char*>(std::memchr(P, '\n', static_cast<size_t>(End - P)));
        if (!E)
            E = End;
        if (*P != '#') {
            double X;
            std::from_chars(P, E, X);
            Out.push_back(X);
        }
        P = E + 1;
    }
    return Out.size();
}

// The limit of writing: to_chars of every value, then what replacing a file
// safely needs at the least: one write of a new file beside it, fsync, rename
// over the old one and fsync of the folder.
void LimitWrite(const std::string& Name, const std::vector<double>& Values, bool Whole)
{
    std::unique_ptr<char[]> Buffer(new char[Values.size() * 26]);
    char* const Text = Buffer.get();
    char* P = Text;
    for (double V : Values) {
        P = Whole ? std::to_chars(P, P + 24, static_cast<long long>(V)).ptr
                  : std::to_chars(P, P + 24, V, std::chars_format::general, 15).ptr;
        *P++ = '\r';
        *P++ = '\n';
    }
    const std::string New = Name + ".new";
    const int Fd = ::open(New.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::write(Fd, Text, static_cast<size_t>(P - Text)) < 0)
        std::perror("write");
    ::fsync(Fd);
    ::close(Fd);
    if (::rename(New.c_str(), Name.c_str()) != 0)
        std::perror("rename");
    const std::string Folder = Name.substr(0, Name.find_last_of('/') + 1);
    const int Dir = ::open(Folder.empty() ? "." : Folder.c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(Dir);
    ::close(Dir);
}

std::vector<double> AllPoints(const TAASSample& S)
{
    std::vector<double> V;
    for (int I = 0; I < S.Count(); ++I)
        V.insert(V.end(), S.GetItem(I)->Points().begin(), S.GetItem(I)->Points().end());
    return V;
}

// The limit of the moving average: a double running sum with edge repeats.
void LimitAverage(int N, const std::vector<double>& S, std::vector<double>& D)
{
    const long long Count = static_cast<long long>(S.size());
    D.resize(S.size());
    auto At = [&](long long K) { return S[static_cast<size_t>(K < 0 ? 0 : K < Count ? K : Count - 1)]; };
    double Sum = 0;
    for (long long J = -N; J <= N; ++J)
        Sum += At(J);
    const double Inv = 1.0 / (2 * N + 1);
    for (long long I = 0; I < Count; ++I) {
        D[static_cast<size_t>(I)] = Sum * Inv;
        Sum += At(I + N + 1) - At(I - N);
    }
}

// The limit of the weighted smoother: a plain double weighted sum.
void LimitWeighted(int N, const std::vector<double>& S, std::vector<double>& D)
{
    const long long Count = static_cast<long long>(S.size());
    D.resize(S.size());
    std::vector<double> W(static_cast<size_t>(2 * N + 1));
    double SumW = 0;
    for (int J = -N; J <= N; ++J)
        SumW += W[static_cast<size_t>(J + N)] = SavGolWeight(N, J < 0 ? -J : J);
    for (long long I = N; I < Count - N; ++I) {
        double Acc = 0;
        for (int J = 0; J <= 2 * N; ++J)
            Acc += W[static_cast<size_t>(J)] * S[static_cast<size_t>(I - N + J)];
        D[static_cast<size_t>(I)] = Acc / SumW;
    }
}

void Print(const char* Name, double Ms)
{
    std::printf("%s %.3f\n", Name, Ms);
    std::fflush(stdout);
}

void Run(const std::string& Dir)
{
    std::vector<double> Values;
    // Warm means warm for the allocator too: until a block of several MiB
    // has been freed once, glibc hands the freed points back to the system
    // after every read and the next read faults them in again (the cost a
    // fresh process pays, measured by "fresh").  One save settles that, as in
    // a program that has written a file before.
    {
        std::unique_ptr<TAASSample> S(MakeSample(10, 100000, 0, 9));
        S->SaveToFile(Path(Dir, "out.ast"));
    }
    for (int R : {10, 100, 1000}) {
        const std::string Name = Path(Dir, "rep" + std::to_string(R) + ".ast");
        Print(("read_rep" + std::to_string(R)).c_str(), Time([&] {
                  TAASSample S("", true);
                  S.LoadFromFile(Name);
              }));
        Print(("read_rep" + std::to_string(R) + "_limit").c_str(), Time([&] { LimitRead(Name, Values); }));
    }
    Print("read_whole", Time([&] {
              TAASSample S("", true);
              S.LoadFromFile(Path(Dir, "whole.ast"));
          }));
    Print("read_whole_limit", Time([&] { LimitRead(Path(Dir, "whole.ast"), Values); }));
    for (int Kind : {0, 1}) {
        std::unique_ptr<TAASSample> S(MakeSample(10, 100000, Kind, 5));
        const std::vector<double> V = AllPoints(*S);
        const std::string Out = Path(Dir, "out.ast");
        const std::string Tag = Kind == 0 ? "whole" : "frac";
        Print(("write_" + Tag).c_str(), Time([&] { S->SaveToFile(Out); }, 5));
        Print(("write_" + Tag + "_limit").c_str(), Time([&] { LimitWrite(Out, V, Kind == 0); }, 5));
    }
    {
        // The safe writer alone (nameless file, flush, link in place) beside a
        // plain write and fsync of the same text.
        const std::string Text = ReadWholeFile(Path(Dir, "whole.ast"));
        const std::string Out = Path(Dir, "out.ast");
        Print("write_text_safe", Time([&] { WriteFileReplacing(Out, Text); }, 5));
        Print("write_text_plain", Time([&] {
                  const int Fd = ::open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                  if (::write(Fd, Text.data(), Text.size()) < 0)
                      std::perror("write");
                  ::fsync(Fd);
                  ::close(Fd);
              }, 5));
    }
    for (int Samples : {250, 500, 1000}) {
        TAASExperiment E("bench", true);
        std::vector<double> V;
        for (int I = 0; I < Samples; ++I) {
            TAASSample* S = MakeSample(5, 1000, 0, static_cast<unsigned>(I));
            const std::vector<double> P = AllPoints(*S);
            V.insert(V.end(), P.begin(), P.end());
            E.Add(S);
        }
        const std::string Out = Path(Dir, "out.axp");
        const auto [Ours, Limit] = TimeInTurns([&] { E.SaveToFile(Out); }, [&] { LimitWrite(Out, V, true); });
        Print(("write_exp" + std::to_string(Samples)).c_str(), Ours);
        Print(("write_exp" + std::to_string(Samples) + "_limit").c_str(), Limit);
    }
    std::remove(Path(Dir, "out.ast").c_str());
    std::remove(Path(Dir, "out.axp").c_str());

    for (const char* Kind : {"whole", "abs"}) {
        const std::vector<double> S = LoadValues(Path(Dir, std::string(Kind) + ".txt"));
        std::vector<double> D;
        for (int N : {10, 100}) {
            const std::string Tag = std::string(Kind) + "_N" + std::to_string(N);
            Print(("ma_" + Tag).c_str(), Time([&] { SmoothMovingAverage(N, S, D); }));
            Print(("ma_" + Tag + "_limit").c_str(), Time([&] { LimitAverage(N, S, D); }));
            if (N == 10) {
                Print(("sg_" + Tag).c_str(), Time([&] { SmoothWeighted(N, S, D); }));
                Print(("sg_" + Tag + "_limit").c_str(), Time([&] { LimitWeighted(N, S, D); }));
            }
        }
    }
}

// Resident memory now and at its peak, in MiB.
double RssNow()
{
    long Pages = 0, Resident = 0;
    std::FILE* F = std::fopen("/proc/self/statm", "r");
    if (F && std::fscanf(F, "%ld %ld", &Pages, &Resident) != 2)
        Resident = 0;
    if (F)
        std::fclose(F);
    return static_cast<double>(Resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double RssPeak()
{
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return static_cast<double>(U.ru_maxrss) / 1024.0;
}

void Fresh(const std::string& Name, bool Limit)
{
    const double Before = RssNow();
    const double Start = Now();
    std::vector<double> Values;
    TAASSample S("", true);
    if (Limit)
        LimitRead(Name, Values);
    else
        S.LoadFromFile(Name);
    const double Ms = Now() - Start;
    std::printf("%.3f %.2f %.2f\n", Ms, RssPeak() - Before, RssPeak());
}

// One save of the benchmark experiment in this process: its time, the memory
// the experiment holds, and how far the process's peak rose above that while
// it was saved.
void SavePeak(const std::string& Dir, int Samples)
{
    const double Before = RssNow();
    TAASExperiment E("bench", true);
    for (int I = 0; I < Samples; ++I)
        E.Add(MakeSample(5, 1000, 0, static_cast<unsigned>(I)));
    const double Held = RssNow();
    const std::string Out = Path(Dir, "peak.axp");
    const double Start = Now();
    E.SaveToFile(Out);
    const double Ms = Now() - Start;
    std::printf("%.3f %.2f %.2f\n", Ms, Held - Before, RssPeak() - Held);
    std::remove(Out.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s gen|run|fresh|freshlimit|savepeak DIR|FILE [SAMPLES]\n", argv[0]);
        return 2;
    }
    const std::string Mode = argv[1], Arg = argv[2];
    if (Mode == "gen")
        Gen(Arg);
    else if (Mode == "run")
        Run(Arg);
    else if (Mode == "fresh" || Mode == "freshlimit")
        Fresh(Arg, Mode == "freshlimit");
    else if (Mode == "savepeak" && argc > 3)
        SavePeak(Arg, std::atoi(argv[3]));
    else
        return 2;
    return 0;
}
