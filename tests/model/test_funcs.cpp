#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "AASFuncs.h"
#include "ModelTestUtil.h"
#include "SysUtils.h"
#include "TestSeed.h"

namespace {

TAASPointArray RandomSignal(size_t Count, unsigned Seed, double Scale)
{
    std::mt19937 Gen(Seed);
    std::uniform_real_distribution<double> Dist(-Scale, Scale);
    TAASPointArray P(Count);
    for (double& V : P)
        V = Dist(Gen);
    return P;
}

// Point k of the signal with the edge values repeated past both ends.
double Clamped(const TAASPointArray& S, long K)
{
    if (K < 0)
        return S.front();
    if (K >= static_cast<long>(S.size()))
        return S.back();
    return S[static_cast<size_t>(K)];
}

}  // namespace

TEST(SmoothMovingAverage, RoundsWindowMeansToWholeNumbers)
{
    TAASPointArray Dest;
    SmoothMovingAverage(1, {1, 2, 4}, Dest);
    EXPECT_EQ(Dest, (TAASPointArray{1, 2, 3}));

    SmoothMovingAverage(2, TAASPointArray(7, 2.5), Dest);
    EXPECT_EQ(Dest, TAASPointArray(7, 2.0));
    SmoothMovingAverage(2, TAASPointArray(7, 3.5), Dest);
    EXPECT_EQ(Dest, TAASPointArray(7, 4.0));
    SmoothMovingAverage(1, TAASPointArray(3, -2.5), Dest);
    EXPECT_EQ(Dest, TAASPointArray(3, -2.0));

    const std::uint32_t Seed = TestSeed(1);
    SCOPED_TRACE(SeedTrace(Seed));
    TAASPointArray Small = RandomSignal(50, Seed, 0.4999);
    SmoothMovingAverage(3, Small, Dest);
    for (double V : Dest)
        EXPECT_EQ(V, 0.0);
}

TEST(SmoothMovingAverage, MatchesPlainWindowSumForEveryWidthAndLength)
{
    // Lengths around multiples of four and widths up to the whole signal.
    for (size_t Count : {3u, 4u, 5u, 7u, 8u, 9u, 23u, 64u}) {
        const std::uint32_t Seed = TestSeed(static_cast<std::uint32_t>(Count));
        SCOPED_TRACE(SeedTrace(Seed));
        TAASPointArray S = RandomSignal(Count, Seed, 1e4);
        for (int N = 1; 2 * N + 1 <= static_cast<int>(Count); ++N) {
            TAASPointArray Dest;
            SmoothMovingAverage(N, S, Dest);
            ASSERT_EQ(Dest.size(), Count);
            for (size_t I = 0; I < Count; ++I) {
                long double Sum = 0;
                for (long J = -N; J <= N; ++J)
                    Sum += Clamped(S, static_cast<long>(I) + J);
                EXPECT_EQ(Dest[I], static_cast<double>(std::nearbyintl(Sum / (2 * N + 1))))
                    << "N " << N << " i " << I;
            }
        }
    }
}

// The smoothers as the plain per-point loops with extended intermediates.
TAASPointArray ReferenceMovingAverage(int N, const TAASPointArray& S)
{
    TAASPointArray R(S.size());
    for (size_t I = 0; I < S.size(); ++I) {
        long double Sum = 0;
        for (long J = -N; J <= N; ++J)
            Sum += Clamped(S, static_cast<long>(I) + J);
        R[I] = static_cast<double>(std::nearbyintl(Sum / (2 * N + 1)));
    }
    return R;
}

TAASPointArray ReferenceWeighted(int N, const TAASPointArray& S)
{
    TAASPointArray R(S.size());
    for (size_t I = 0; I < S.size(); ++I) {
        double SumWY = 0, SumW = 0;
        for (long J = -N; J <= N; ++J) {
            const double W = SavGolWeight(N, static_cast<int>(J < 0 ? -J : J));
            SumWY = static_cast<double>(SumWY + static_cast<long double>(W) * Clamped(S, static_cast<long>(I) + J));
            SumW = static_cast<double>(SumW + static_cast<long double>(W));
        }
        R[I] = static_cast<double>(static_cast<long double>(SumWY) / SumW);
    }
    return R;
}

TEST(Smoothing, WholeNumberAndGeneralSignalsGiveTheReferenceBits)
{
    const std::uint32_t Seed = TestSeed(11);
    SCOPED_TRACE(SeedTrace(Seed));
    std::mt19937 Gen(Seed);
    // Raw readings, readings with a fraction, readings on the absorbance
    // scale and arbitrary fractions (whose weighted sums round at every
    // step), and whole numbers so large that the weighted sums leave the
    // exact range of a double.
    std::uniform_int_distribution<long long> Reading(-60000, 60000);
    std::uniform_int_distribution<long long> Huge(-(1LL << 50), 1LL << 50);
    TAASPointArray Readings(401), Halves(401), Absorbance(401), Large(401);
    for (size_t I = 0; I < Readings.size(); ++I) {
        Readings[I] = static_cast<double>(Reading(Gen));
        Halves[I] = Readings[I] + 0.5;
        Absorbance[I] = static_cast<double>(static_cast<long double>(Readings[I]) / 10000);
        Large[I] = static_cast<double>(Huge(Gen));
    }
    const TAASPointArray Fractions = RandomSignal(401, Gen(), 3.7);
    for (const TAASPointArray* Full :
         std::initializer_list<const TAASPointArray*>{&Readings, &Halves, &Absorbance, &Fractions, &Large}) {
        for (int N : {1, 2, 7, 10, 150}) {
            // The shortest signal, lengths just below, at and above whole
            // groups of interleaved windows, and all.
            const size_t Shortest = static_cast<size_t>(2 * N + 1);
            for (size_t Count : {Shortest, Shortest + 5, Shortest + 15, Shortest + 16, Shortest + 17,
                                 Shortest + 33, Full->size()}) {
                if (Count > Full->size())
                    continue;
                const TAASPointArray S(Full->begin(), Full->begin() + static_cast<std::ptrdiff_t>(Count));
                TAASPointArray Dest;
                SmoothMovingAverage(N, S, Dest);
                EXPECT_EQ(Dest, ReferenceMovingAverage(N, S)) << "N " << N << " count " << Count;
                SmoothWeighted(N, S, Dest);
                EXPECT_EQ(Dest, ReferenceWeighted(N, S)) << "N " << N << " count " << Count;
            }
        }
    }
}

TEST(Smoothing, SourceMayAlsoBeTheDestination)
{
    TAASPointArray P{1, 2, 4, 8, 16};
    const TAASPointArray Expected = ReferenceMovingAverage(1, P);
    SmoothMovingAverage(1, P, P);
    EXPECT_EQ(P, Expected);
    TAASPointArray Q{1, 2, 4, 8, 16};
    const TAASPointArray ExpectedW = ReferenceWeighted(2, Q);
    SmoothWeighted(2, Q, Q);
    EXPECT_EQ(Q, ExpectedW);
}

TEST(SmoothWeighted, ConstantSignalStaysConstant)
{
    for (double C : {5.0, -123.25, 1e6}) {
        TAASPointArray Dest;
        SmoothWeighted(4, TAASPointArray(20, C), Dest);
        for (double V : Dest)
            EXPECT_DOUBLE_EQ(V, C);
    }
}

TEST(SmoothWeighted, WeightsAreTheQuadraticSavitzkyGolayCoefficients)
{
    // Five points: -3, 12, 17, 12, -3 over 35.
    EXPECT_EQ(SavGolWeight(2, 0), 17);
    EXPECT_EQ(SavGolWeight(2, 1), 12);
    EXPECT_EQ(SavGolWeight(2, 2), -3);
    // Seven points: -2, 3, 6, 7 scaled by 5 (sum 105 = 21 * 5).
    EXPECT_EQ(SavGolWeight(3, 0), 35);
    EXPECT_EQ(SavGolWeight(3, 3), -10);
}

TEST(SmoothWeighted, EqualsSecondOrderSavitzkyGolayWithNearestPadding)
{
    for (int N : {1, 2, 5, 10}) {
        const std::uint32_t Seed = TestSeed(static_cast<std::uint32_t>(N));
        SCOPED_TRACE(SeedTrace(Seed));
        TAASPointArray S = RandomSignal(97, Seed, 500);
        TAASPointArray Dest;
        SmoothWeighted(N, S, Dest);
        // Normalised coefficients: 3(3N^2 + 3N - 1 - 5j^2) / ((2N+1)(4N^2 + 4N - 3)).
        const long double Norm = (2.0L * N + 1) * (4.0L * N * N + 4 * N - 3);
        for (size_t I = 0; I < S.size(); ++I) {
            long double Ref = 0;
            for (long J = -N; J <= N; ++J)
                Ref += 3 * (3.0L * N * N + 3 * N - 1 - 5.0L * J * J) / Norm * Clamped(S, static_cast<long>(I) + J);
            EXPECT_NEAR(Dest[I], static_cast<double>(Ref), 1e-9) << "N " << N << " i " << I;
        }
    }
}

TEST(SmoothWeighted, KeepsQuadraticsAwayFromTheEdges)
{
    TAASPointArray S(40);
    for (size_t I = 0; I < S.size(); ++I)
        S[I] = 0.5 * I * I - 3.0 * I + 7;
    TAASPointArray Dest;
    SmoothWeighted(3, S, Dest);
    for (size_t I = 3; I + 3 < S.size(); ++I)
        EXPECT_NEAR(Dest[I], S[I], 1e-9);
}

TEST(Smoothing, WindowTestsAndTheirOrder)
{
    using Fn = void (*)(int, const TAASPointArray&, TAASPointArray&);
    for (Fn Smooth : {static_cast<Fn>(SmoothMovingAverage), static_cast<Fn>(SmoothWeighted)}) {
        TAASPointArray Dest{42};
        EXPECT_NO_THROW(Smooth(2, TAASPointArray(5, 1.0), Dest));
        EXPECT_EQ(Dest.size(), 5u);

        Dest = {42};
        EXPECT_TRUE(Raises<Exception>([&] { Smooth(2, TAASPointArray(4, 1.0), Dest); },
                                      "No 5 data points available"));
        EXPECT_TRUE(Raises<Exception>([&] { Smooth(0, {}, Dest); }, "No 1 data points available"));
        EXPECT_TRUE(Raises<Exception>([&] { Smooth(0, TAASPointArray(5, 1.0), Dest); },
                                      "Number of points less than 1 are not allowed!"));
        EXPECT_TRUE(Raises<Exception>([&] { Smooth(-3, {}, Dest); },
                                      "Number of points less than 1 are not allowed!"));
        EXPECT_EQ(Dest, TAASPointArray{42}) << "a failed call must not touch Dest";
    }
}

TEST(SmoothWeighted, OverflowFailsWithoutResult)
{
    TAASPointArray S(5, 1.7e308);
    TAASPointArray Dest{1};
    EXPECT_TRUE(Raises<EOverflow>([&] { SmoothWeighted(1, S, Dest); }, "Floating point overflow"));
    EXPECT_EQ(Dest, TAASPointArray{1});
}

TEST(Differences, NeighbourDifferences)
{
    TAASPointArray Dest;
    Differences({1, 4, 9}, Dest);
    EXPECT_EQ(Dest, (TAASPointArray{3, 5}));
    Differences({7}, Dest);
    EXPECT_TRUE(Dest.empty());

    Dest = {3};
    EXPECT_THROW(Differences({}, Dest), ERangeError);
    EXPECT_TRUE(Raises<EOverflow>([&] { Differences({-1.7e308, 1.7e308}, Dest); }, "Floating point overflow"));
    EXPECT_EQ(Dest, TAASPointArray{3});
}

TEST(AreaIntegral, TrapezoidWithHalfWeightEnds)
{
    EXPECT_EQ(AreaIntegral(0, 2, {1, 3, 5}, 0.02), 0.12);
    EXPECT_EQ(AreaIntegral(1, 2, {1, 3, 5}, 1.0), 4.0);
    // Partial sums are rounded to double after every addition.
    TAASPointArray P{1e16, 1, 1, 1e16};
    EXPECT_EQ(AreaIntegral(0, 3, P, 1.0), 1e16);
}

TEST(AreaIntegral, TestsInOrder)
{
    const TAASPointArray P{1, 3, 5};
    EXPECT_TRUE(Raises<Exception>([&] { AreaIntegral(1, 1, P, 0.02); },
                                  "Specified indexes: [1;1] does not make a valid interval"));
    EXPECT_TRUE(Raises<Exception>([&] { AreaIntegral(5, 2, P, 0.02); },
                                  "Specified indexes: [5;2] does not make a valid interval"));
    EXPECT_TRUE(Raises<EListError>([&] { AreaIntegral(-1, 2, P, 0.02); }, "List index out of bounds (-1)"));
    EXPECT_TRUE(Raises<EListError>([&] { AreaIntegral(0, 5, P, 0.02); }, "List index out of bounds (5)"));
    EXPECT_TRUE(Raises<EListError>([&] { AreaIntegral(3, 5, P, 0); }, "List index out of bounds (3)"));
    EXPECT_TRUE(Raises<Exception>([&] { AreaIntegral(0, 2, P, 0); }, "Specified X resolution: 0.00 is not valid"));
    EXPECT_TRUE(Raises<Exception>([&] { AreaIntegral(0, 2, P, -0.015); },
                                  "Specified X resolution: -0.01 is not valid"));
    SeparatorScope Comma(',');
    EXPECT_TRUE(Raises<Exception>([&] { AreaIntegral(0, 2, P, -1.5); },
                                  "Specified X resolution: -1,50 is not valid"));
}

TEST(AreaIntegral, OverflowIsAnError)
{
    EXPECT_TRUE(Raises<EOverflow>([] { AreaIntegral(0, 2, {1.5e308, 1.5e308, 1.5e308}, 1.0); },
                                  "Floating point overflow"));
}
