// The moving average by running sums against the plain extended-precision
// loop, on signals that take each of its paths: small whole numbers, whole
// numbers too large for double sums, fractions on a common binary grid
// (absorbance values, halves, ties), and signals whose sums are not exact.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "AASFuncs.h"
#include "TestSeed.h"

namespace {

TAASPointArray PlainMovingAverage(int N, const TAASPointArray& S)
{
    const long long Count = static_cast<long long>(S.size());
    TAASPointArray R(S.size());
    for (long long I = 0; I < Count; ++I) {
        long double Sum = 0;
        for (long long J = -N; J <= N; ++J) {
            const long long K = I + J;
            Sum += S[static_cast<size_t>(K < 0 ? 0 : K < Count ? K : Count - 1)];
        }
        R[static_cast<size_t>(I)] = static_cast<double>(std::nearbyint(Sum / (2 * N + 1)));
    }
    return R;
}

template <class Make>
TAASPointArray MakeSignal(size_t Count, Make M)
{
    TAASPointArray S(Count);
    for (size_t I = 0; I < Count; ++I)
        S[I] = M(I);
    return S;
}

}  // namespace

TEST(SmoothRunning, EveryPathGivesThePlainLoopBits)
{
    const std::uint32_t Seed = TestSeed(3);
    SCOPED_TRACE(SeedTrace(Seed));
    std::mt19937_64 Gen(Seed);
    std::uniform_int_distribution<long long> Reading(0, 20000), Wide(-(1LL << 58), 1LL << 58);
    std::uniform_int_distribution<int> Small(-4, 4);
    const size_t Length = 700;
    const std::vector<TAASPointArray> Signals = {
        // raw readings (double running sums)
        MakeSignal(Length, [&](size_t) { return static_cast<double>(Reading(Gen)); }),
        // whole numbers beyond the double sums' range (integer sums), and
        // beyond even those (the plain loop)
        MakeSignal(Length, [&](size_t) { return static_cast<double>(Wide(Gen) & ~1023LL); }),
        MakeSignal(Length, [&](size_t I) { return I % 2 ? 9.0e18 : static_cast<double>(Reading(Gen)); }),
        // absorbance values, and with a baseline subtracted (negatives)
        MakeSignal(Length, [&](size_t) {
            return static_cast<double>(static_cast<long double>(Reading(Gen)) / 10000);
        }),
        MakeSignal(Length, [&](size_t) {
            return static_cast<double>(static_cast<long double>(Reading(Gen) - 10000) / 10000);
        }),
        // absorbance values far above 1, whose rounded means differ
        MakeSignal(Length, [&](size_t) { return static_cast<double>(Reading(Gen)) / 1024 + 0.25; }),
        // halves and quarters: window means that are exact ties
        MakeSignal(Length, [&](size_t) { return Small(Gen) * 0.5 + 1.5; }),
        MakeSignal(Length, [&](size_t) { return Small(Gen) * 0.25; }),
        // a grid too fine for the span: tiny and large values mixed
        MakeSignal(Length, [&](size_t I) { return I % 3 ? 1e-20 * static_cast<double>(I) : 4096.0; }),
        // negative zeros and zeros
        MakeSignal(Length, [&](size_t I) { return I % 2 ? -0.0 : 0.0; }),
        // subnormal values
        MakeSignal(Length, [&](size_t I) { return 4.9e-324 * static_cast<double>(I % 7); }),
    };
    for (size_t K = 0; K < Signals.size(); ++K) {
        for (int N : {1, 2, 3, 5, 10, 33, 100}) {
            const size_t Shortest = static_cast<size_t>(2 * N + 1);
            for (size_t Count : {Shortest, Shortest + 1, Shortest + 3, Shortest + 4, Shortest + 9, Length}) {
                if (Count > Length)
                    continue;
                const TAASPointArray S(Signals[K].begin(), Signals[K].begin() + static_cast<std::ptrdiff_t>(Count));
                TAASPointArray Dest;
                SmoothMovingAverage(N, S, Dest);
                const TAASPointArray Want = PlainMovingAverage(N, S);
                ASSERT_EQ(Dest, Want) << "signal " << K << " N " << N << " count " << Count;
            }
        }
    }
}

// Whole readings with one point part way along that the double running sums
// cannot take: the windows from there on leave for the other paths, the
// ones before keep theirs.
TEST(SmoothRunning, APointPartWayThatLeavesTheWholeNumberPath)
{
    std::mt19937_64 Gen(5);
    std::uniform_int_distribution<long long> Reading(0, 20000);
    const TAASPointArray Readings =
        MakeSignal(20001, [&](size_t) { return static_cast<double>(Reading(Gen)); });
    const struct {
        const char* Name;
        double Value;
    } Odd[] = {
        {"a fraction", 0.5},
        {"a whole number beyond the double sums", 1e15},
        {"a whole number beyond the integer sums", 9.0e18},
    };
    // In a later block of the first stretch, in the last stretch, among the
    // last few outputs and the very last point.
    for (const auto& O : Odd) {
        for (size_t At : {3000u, 17000u, 19990u, 20000u}) {
            TAASPointArray S = Readings;
            S[At] = O.Value;
            for (int N : {1, 10, 100}) {
                TAASPointArray Dest;
                SmoothMovingAverage(N, S, Dest);
                ASSERT_EQ(Dest, PlainMovingAverage(N, S)) << O.Name << " at " << At << " N " << N;
            }
        }
    }
}
