#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <iterator>
#include <memory>

#include "AASCls.h"
#include "ModelTestUtil.h"

namespace {

std::unique_ptr<TAASReplicate> MakeReplicate(const TAASPointArray& Points, double Step = 0.02)
{
    auto R = std::make_unique<TAASReplicate>();
    if (Step != 0.02)
        R->SetResolution(Step);
    for (double P : Points)
        R->Add(P);
    return R;
}

TAASPointArray Ramp(int Count)
{
    TAASPointArray P;
    for (int I = 0; I < Count; ++I)
        P.push_back(I);
    return P;
}

}  // namespace

TEST(DoubleList, AddIndexAndRange)
{
    TAASDoubleList L;
    EXPECT_EQ(L.Add(10), 0);
    EXPECT_EQ(L.Add(11), 1);
    EXPECT_EQ(L.Add(12), 2);
    L.Add(13);
    L.Add(14);
    EXPECT_EQ(L.Count(), 5);
    EXPECT_TRUE(L.ValidIndex(4));
    EXPECT_FALSE(L.ValidIndex(5));
    EXPECT_FALSE(L.ValidIndex(-1));

    L.SetItem(1, 21);
    EXPECT_EQ(L.GetItem(1), 21);
    EXPECT_TRUE(Raises<EListError>([&] { L.GetItem(5); }, "List index out of bounds (5)"));
    EXPECT_TRUE(Raises<EListError>([&] { L.SetItem(-1, 0); }, "List index out of bounds (-1)"));

    TAASPointArray Dest{99};
    L.GetRange(1, 3, Dest);
    EXPECT_EQ(Dest, (TAASPointArray{21, 12, 13}));
    L.GetRange(4, 4, Dest);
    EXPECT_EQ(Dest, TAASPointArray{14});
    Dest = {99};
    EXPECT_TRUE(Raises<EListError>([&] { L.GetRange(2, 1, Dest); }, "[2;1] is not a valid interval"));
    EXPECT_TRUE(Raises<EListError>([&] { L.GetRange(0, 5, Dest); }, "List index out of bounds (5)"));
    EXPECT_TRUE(Raises<EListError>([&] { L.GetRange(7, 5, Dest); }, "List index out of bounds (7)"));
    EXPECT_EQ(Dest, TAASPointArray{99});

    L.Clear();
    EXPECT_EQ(L.Count(), 0);
}

TEST(Replicate, CreateClearAndReset)
{
    TAASReplicate R;
    EXPECT_EQ(R.Count(), 0);
    EXPECT_EQ(R.Resolution(), 0.02);
    EXPECT_FALSE(R.AreaValid());
    EXPECT_FALSE(R.PeakValid());
    EXPECT_EQ(R.Area(), 0);
    EXPECT_EQ(R.PeakMean(), 0);

    for (double P : {2.0, 4.0, 6.0})
        R.Add(P);
    R.CalcAreaByIndex(0, 2);
    R.CalcPeakByIndex(0, 2);
    const long double Area = R.Area();
    R.Clear();
    EXPECT_EQ(R.Count(), 0);
    EXPECT_EQ(R.Resolution(), 0.02);
    EXPECT_FALSE(R.AreaValid());
    EXPECT_FALSE(R.PeakValid());
    EXPECT_EQ(R.Area(), Area) << "Clear keeps the results";
    EXPECT_EQ(R.PeakMean(), 4);

    R.ResetArea();
    EXPECT_EQ(R.Area(), NotSet);
    EXPECT_EQ(R.AreaStartX(), NotSet);
    EXPECT_EQ(R.AreaEndX(), NotSet);
    EXPECT_EQ(R.PeakMean(), 4) << "ResetArea leaves the plateau alone";
    R.ResetPeak();
    EXPECT_EQ(R.PeakStartX(), NotSet);
    EXPECT_EQ(R.PeakEndX(), NotSet);
    EXPECT_EQ(R.PeakMean(), NotSet);
    EXPECT_EQ(R.PeakSD(), NotSet);
    EXPECT_EQ(R.PeakRSD(), NotSet);
    EXPECT_FALSE(R.PeakValid());
}

TEST(Replicate, AssignCopiesEverythingAndIgnoresOtherClasses)
{
    auto Src = MakeReplicate({1, 5, 2, 8}, 0.05);
    Src->CalcAreaByIndex(0, 3);
    Src->CalcPeakByIndex(1, 2);

    TAASReplicate Copy;
    Copy.Add(99);
    Copy.Assign(Src.get());
    EXPECT_EQ(Copy.Points(), Src->Points());
    EXPECT_EQ(Copy.Resolution(), 0.05);
    EXPECT_EQ(Copy.Area(), Src->Area());
    EXPECT_TRUE(Copy.AreaValid());
    EXPECT_EQ(Copy.AreaStartX(), Src->AreaStartX());
    EXPECT_EQ(Copy.AreaEndX(), Src->AreaEndX());
    EXPECT_TRUE(Copy.PeakValid());
    EXPECT_EQ(Copy.PeakStartX(), Src->PeakStartX());
    EXPECT_EQ(Copy.PeakEndX(), Src->PeakEndX());
    EXPECT_EQ(Copy.PeakMean(), Src->PeakMean());
    EXPECT_EQ(Copy.PeakSD(), Src->PeakSD());
    EXPECT_EQ(Copy.PeakRSD(), Src->PeakRSD());

    TAASDoubleList Plain;
    Plain.Add(1);
    Copy.Assign(&Plain);
    EXPECT_EQ(Copy.Points(), Src->Points()) << "a plain list is not a replicate";
    Copy.Assign(&Copy);
    EXPECT_EQ(Copy.Points(), Src->Points()) << "assigning to itself keeps the points";
}

TEST(Replicate, XAndIndexMapping)
{
    auto R = MakeReplicate(Ramp(200));
    EXPECT_EQ(R->XOfIndex(0), 0.02);
    EXPECT_EQ(R->XOfIndex(50), 1.02);
    EXPECT_TRUE(Raises<EListError>([&] { R->XOfIndex(200); }, "List index out of bounds (200)"));
    EXPECT_TRUE(Raises<EListError>([&] { R->XOfIndex(-1); }, "List index out of bounds (-1)"));

    EXPECT_EQ(R->IndexOfX(0.01), 0);
    EXPECT_EQ(R->IndexOfX(0.02), 1);
    EXPECT_EQ(R->IndexOfX(1.0), 50);
    EXPECT_EQ(R->IndexOfX(2.3), 114);
    EXPECT_EQ(R->IndexOfX(-0.03), -1) << "truncation toward zero";
    EXPECT_EQ(R->IndexOfX(100.0), 5000) << "no range test";
    EXPECT_EQ(R->IndexOfX(1e300), INT_MAX) << "huge X stays out of bounds";
}

TEST(Replicate, AreaOverXInterval)
{
    auto R = MakeReplicate(Ramp(150));
    const long double A = R->CalcArea(1.0, 2.0);
    // Indices 50..100 of a ramp: (50 + 100) / 2 + 51..99 summed, times 0.02.
    long double Expected = 75;
    for (int I = 51; I < 100; ++I)
        Expected += I;
    EXPECT_EQ(A, static_cast<double>(Expected * 0.02L));
    EXPECT_EQ(R->Area(), A);
    EXPECT_TRUE(R->AreaValid());
    EXPECT_EQ(R->AreaStartX(), 1.02);
    EXPECT_EQ(R->AreaEndX(), 2.02);
}

TEST(Replicate, IndexOperationsShareTheRangeTests)
{
    auto R = MakeReplicate({1, 2, 3, 4, 5});
    EXPECT_TRUE(Raises<EListError>([&] { R->CalcAreaByIndex(0, 5); }, "List index out of bounds (5)"));
    EXPECT_TRUE(Raises<EListError>([&] { R->CalcPeakByIndex(-1, 2); }, "List index out of bounds (-1)"));
    EXPECT_TRUE(Raises<EListError>([&] { R->SubtractZeroByIndex(3, 1); }, "[3;1] is not a valid interval"));
    EXPECT_TRUE(Raises<EListError>([&] { R->CalcArea(1.0, 2.0); }, "List index out of bounds (50)"));
    EXPECT_TRUE(Raises<Exception>([&] { R->CalcAreaByIndex(3, 3); },
                                  "Specified indexes: [3;3] does not make a valid interval"));
    EXPECT_FALSE(R->AreaValid());
    EXPECT_FALSE(R->PeakValid());
    EXPECT_EQ(R->Points(), (TAASPointArray{1, 2, 3, 4, 5}));
}

TEST(Replicate, PlateauStatistics)
{
    auto R = MakeReplicate({9, 2, 4, 6, 9});
    R->CalcPeakByIndex(1, 3);
    EXPECT_TRUE(R->PeakValid());
    EXPECT_EQ(R->PeakMean(), 4);
    EXPECT_EQ(R->PeakSD(), 2);
    EXPECT_EQ(R->PeakRSD(), 50);
    EXPECT_EQ(R->PeakStartX(), 0.04);
    EXPECT_EQ(R->PeakEndX(), 0.08);

    // One point: mean and SD are that point, RSD 100.
    R->CalcPeakByIndex(3, 3);
    EXPECT_EQ(R->PeakMean(), 6);
    EXPECT_EQ(R->PeakSD(), 6);
    EXPECT_EQ(R->PeakRSD(), 100);
}

TEST(Replicate, PlateauWithZeroMeanFailsAfterStoringMeanAndSD)
{
    auto R = MakeReplicate({-1, 1, 0, 0, 5});
    R->CalcPeakByIndex(4, 4);
    ASSERT_EQ(R->PeakRSD(), 100);

    EXPECT_TRUE(Raises<EZeroDivide>([&] { R->CalcPeakByIndex(0, 1); }, "Floating point division by zero"));
    EXPECT_TRUE(R->PeakValid());
    EXPECT_EQ(R->PeakStartX(), 0.02);
    EXPECT_EQ(R->PeakEndX(), 0.04);
    EXPECT_EQ(R->PeakMean(), 0);
    EXPECT_EQ(R->PeakSD(), std::sqrt(2.0L));
    EXPECT_EQ(R->PeakRSD(), 100) << "RSD keeps its old value";

    EXPECT_TRUE(Raises<EInvalidOp>([&] { R->CalcPeakByIndex(2, 3); }, "Invalid floating point operation"));
    EXPECT_EQ(R->PeakSD(), 0);
}

TEST(Replicate, SubtractZero)
{
    auto R = MakeReplicate({2, 4, 6});
    R->CalcPeakByIndex(0, 2);
    R->SubtractZeroByIndex(0, 1);
    EXPECT_EQ(R->Points(), (TAASPointArray{-1, 1, 3}));
    EXPECT_TRUE(R->PeakValid()) << "results are left to the owner";
    EXPECT_EQ(R->PeakMean(), 4);

    auto S = MakeReplicate(Ramp(10));
    S->SubtractZero(0.02, 0.06);  // indices 1..3, mean 2
    EXPECT_EQ(S->GetItem(0), -2);
    EXPECT_EQ(S->GetItem(9), 7);
}

TEST(Replicate, SetResolutionRebinsIntoWholeBlocks)
{
    auto R = MakeReplicate(Ramp(12));
    R->CalcPeakByIndex(0, 1);
    R->SetResolution(0.1);
    EXPECT_EQ(R->Points(), (TAASPointArray{2, 7}));
    EXPECT_EQ(R->Resolution(), 0.1);
    EXPECT_FALSE(R->PeakValid());
    EXPECT_EQ(R->PeakMean(), 0.5) << "the old values stay";

    auto Pairs = MakeReplicate(Ramp(6));
    Pairs->SetResolution(0.06);
    EXPECT_EQ(Pairs->Points(), (TAASPointArray{0.5, 2.5, 4.5})) << "0.06 / 0.02 truncates to 2";
    EXPECT_EQ(Pairs->Resolution(), 0.06);

    auto Same = MakeReplicate(Ramp(6));
    Same->SetResolution(0.03);
    EXPECT_EQ(Same->Points(), Ramp(6));
    EXPECT_EQ(Same->Resolution(), 0.03);

    auto Short = MakeReplicate(Ramp(3));
    Short->CalcAreaByIndex(0, 1);
    Short->SetResolution(0.2);
    EXPECT_EQ(Short->Points(), Ramp(3)) << "no whole block: points stay";
    EXPECT_FALSE(Short->AreaValid());
    EXPECT_EQ(Short->Resolution(), 0.2);

    auto Unchanged = MakeReplicate(Ramp(4));
    Unchanged->CalcAreaByIndex(0, 1);
    Unchanged->SetResolution(0.02);
    EXPECT_TRUE(Unchanged->AreaValid()) << "same step: nothing at all";
}

TEST(Replicate, RebinFactorIsTheTruncatedExtendedQuotient)
{
    const double Steps[] = {0.04, 0.08, 0.1, 0.14, 0.16, 0.2, 0.4, 0.8,
                            0.06, 0.12, 0.18, 0.24, 0.3, 0.5, 0.6, 1.0};
    const int Factors[] = {2, 4, 5, 7, 8, 10, 20, 40, 2, 5, 8, 11, 14, 24, 29, 49};
    for (size_t K = 0; K < std::size(Steps); ++K) {
        // With exactly Factor points the result is one block mean.
        auto R = MakeReplicate(Ramp(Factors[K]));
        R->SetResolution(Steps[K]);
        EXPECT_EQ(R->Count(), 1) << Steps[K];
        EXPECT_EQ(R->GetItem(0), (Factors[K] - 1) / 2.0) << Steps[K];
    }
}

TEST(Replicate, SetResolutionToAFinerStepFails)
{
    auto R = MakeReplicate(Ramp(5));
    R->CalcAreaByIndex(0, 1);
    EXPECT_TRUE(Raises<EListError>([&] { R->SetResolution(0.01); }, "List index out of bounds (-1)"));
    EXPECT_TRUE(Raises<EListError>([&] { R->SetResolution(-0.04); }, "List index out of bounds (-3)"));
    EXPECT_EQ(R->Points(), Ramp(5));
    EXPECT_EQ(R->Resolution(), 0.02);
    EXPECT_TRUE(R->AreaValid());

    TAASReplicate Empty;
    EXPECT_TRUE(Raises<EListError>([&] { Empty.SetResolution(0.01); }, "List index out of bounds (0)"));
    Empty.SetResolution(0.5);
    EXPECT_EQ(Empty.Resolution(), 0.5);
}

TEST(Replicate, FindEdges)
{
    double Rise = -7, Fall = -7;
    MakeReplicate({0, 0, 5, 5, 1, 1})->FindEdges(Rise, Fall);
    EXPECT_EQ(Rise, 0.04);
    EXPECT_EQ(Fall, 0.08);

    MakeReplicate({3, 3, 3, 3})->FindEdges(Rise, Fall);
    EXPECT_EQ(Rise, 0.02);
    EXPECT_EQ(Fall, 0.02);

    Rise = Fall = -7;
    MakeReplicate({3})->FindEdges(Rise, Fall);
    MakeReplicate({})->FindEdges(Rise, Fall);
    EXPECT_EQ(Rise, -7);
    EXPECT_EQ(Fall, -7);
}

TEST(Replicate, SmoothingReplacesPointsOrLeavesThem)
{
    auto R = MakeReplicate({1, 2, 4});
    R->CalcPeakByIndex(0, 2);
    R->SmoothMovingAverage(1);
    EXPECT_EQ(R->Points(), (TAASPointArray{1, 2, 3}));
    EXPECT_TRUE(R->PeakValid());

    EXPECT_TRUE(Raises<Exception>([&] { R->SmoothWeighted(2); }, "No 5 data points available"));
    EXPECT_EQ(R->Points(), (TAASPointArray{1, 2, 3}));
    R->SmoothWeighted(1);
    EXPECT_EQ(R->Count(), 3);
}
