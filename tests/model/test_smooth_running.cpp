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

// Decimal readings (tenths, as an absorbance display gives them) are on no
// coarse binary grid, and a window of them often has a decimal mean of
// exactly a half: the stored values put the sum a hair to one side of it,
// and only the exact sum rounds the way the plain loop does.
TEST(SmoothRunning, DecimalFractionsGiveThePlainLoopBits)
{
    const std::uint32_t Seed = TestSeed(11);
    SCOPED_TRACE(SeedTrace(Seed));
    std::mt19937_64 Gen(Seed);
    const size_t Length = 3000;
    const struct {
        const char* Name;
        int Most;  // tenths
    } Signals[] = {
        {"0.1 to 1.3", 13},
        {"0.1 to 0.9, means around a half", 9},
    };
    for (const auto& Sig : Signals) {
        std::uniform_int_distribution<int> Tenths(1, Sig.Most);
        const TAASPointArray Signal = MakeSignal(Length, [&](size_t) { return Tenths(Gen) / 10.0; });
        // Integer sums on the tenths' grid up to a width of 195; the plain
        // sums beyond.
        for (int N : {1, 2, 3, 10, 97, 98}) {
            for (size_t Count : {static_cast<size_t>(2 * N + 1), static_cast<size_t>(2 * N + 6), Length}) {
                const TAASPointArray S(Signal.begin(), Signal.begin() + static_cast<std::ptrdiff_t>(Count));
                TAASPointArray Dest;
                SmoothMovingAverage(N, S, Dest);
                ASSERT_EQ(Dest, PlainMovingAverage(N, S)) << Sig.Name << " N " << N << " count " << Count;
            }
        }
    }
}

// The running sums cover four stretches of the interior outputs side by
// side, each starting on its own first window.  A point that the whole-number
// path cannot take, put where the second, third or fourth stretch begins (its
// first point, the last point of its first window, the first point its
// running sum takes in), must send that stretch, and only the windows that
// hold the point, to the exact paths.
TEST(SmoothRunning, AHugePointWhereALaterStretchBegins)
{
    std::mt19937_64 Gen(7);
    std::uniform_int_distribution<long long> Reading(0, 20000);
    for (int N : {1, 10, 100}) {
        const size_t Width = static_cast<size_t>(2 * N + 1);
        // Stretches within one block and over several; interior output
        // counts with each remainder past the four stretches.
        for (size_t Stretch : {Width + 2, size_t(1100)}) {
            for (size_t Extra : {0u, 1u, 3u}) {
                const size_t Count = 2 * static_cast<size_t>(N) + 4 * Stretch + Extra;
                const TAASPointArray Readings =
                    MakeSignal(Count, [&](size_t) { return static_cast<double>(Reading(Gen)); });
                for (size_t L = 1; L < 4; ++L) {
                    for (size_t Offset : {size_t(0), Width - 1, Width}) {
                        // The interior windows start at the first point, so
                        // stretch L's first window starts at point L * Stretch.
                        const size_t At = L * Stretch + Offset;
                        TAASPointArray S = Readings;
                        S[At] = 9.0e18;
                        TAASPointArray Dest;
                        SmoothMovingAverage(N, S, Dest);
                        ASSERT_EQ(Dest, PlainMovingAverage(N, S))
                            << "N " << N << " count " << Count << " stretch " << L + 1 << " point " << At;
                    }
                }
            }
        }
    }
}
