#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "AASCls.h"
#include "ModelTestUtil.h"

namespace {

TAASReplicate* NewReplicate(const TAASPointArray& Points, double Step = 0.02)
{
    auto* R = new TAASReplicate;
    if (Step != 0.02)
        R->SetResolution(Step);
    for (double P : Points)
        R->Add(P);
    return R;
}

// A sample of three replicates of ten points: a plateau of height H from
// index 3 to 6 on a base of 1.
std::unique_ptr<TAASSample> ThreeReplicates()
{
    auto S = std::make_unique<TAASSample>("S", true);
    for (double H : {10.0, 12.0, 14.0})
        S->Add(NewReplicate({1, 1, 1, H, H, H, H, 1, 1, 1}));
    return S;
}

}  // namespace

TEST(ReplicateList, OwnershipAndIndexErrors)
{
    TAASReplicateList Owning(true);
    auto* A = NewReplicate({1});
    auto* B = NewReplicate({1, 2});
    EXPECT_EQ(Owning.Add(A), 0);
    EXPECT_EQ(Owning.Add(B), 1) << "a plain list takes any replicate";
    EXPECT_EQ(Owning.GetItem(1), B);
    EXPECT_TRUE(Raises<EListError>([&] { Owning.GetItem(2); }, "List index out of bounds (2)"));
    EXPECT_EQ(Owning.Remove(A), 0);  // destroyed by the list
    EXPECT_EQ(Owning.Count(), 1);

    TAASReplicateList Borrowing(false);
    Borrowing.Add(B);
    EXPECT_EQ(Borrowing.Remove(B), 0);
    EXPECT_EQ(Borrowing.Remove(B), -1);
    EXPECT_EQ(Owning.GetItem(0)->Count(), 2) << "a non-owning list leaves B alive";
}

TEST(Sample, Creation)
{
    TAASSample S("Blank", true);
    EXPECT_EQ(S.Title(), "Blank");
    EXPECT_EQ(S.Count(), 0);
    EXPECT_FALSE(S.Standart());
    EXPECT_FALSE(S.Absorbtion());
    EXPECT_FALSE(S.Zero());
    EXPECT_FALSE(S.ZeroSubtracted());
    EXPECT_EQ(S.ConcentrationStr(), "ppm");
    for (long double V : {(long double)S.Concentration(), (long double)S.AreaStart(), (long double)S.AreaEnd(),
                          (long double)S.PeakStart(), (long double)S.PeakEnd(), S.AreaMean(), S.AreaSD(),
                          S.AreaRSD(), S.PeakMean(), S.PeakSD(), S.PeakRSD()})
        EXPECT_EQ(V, NotSet);
    ASSERT_NE(S.Ansambled(), nullptr);
    EXPECT_EQ(S.Ansambled()->Count(), 0);
    EXPECT_EQ(S.Ansambled()->Resolution(), 0.02);
    EXPECT_EQ(S.GetResolution(), NotSet);
}

TEST(Sample, CanAddRequiresSameLengthAndStep)
{
    TAASSample S("S", true);
    std::unique_ptr<TAASReplicate> Odd(NewReplicate({1, 2, 3}, 0.04));
    EXPECT_TRUE(S.CanAdd(Odd.get())) << "an empty sample accepts any replicate";
    ASSERT_EQ(S.Add(NewReplicate({1, 2, 3, 4})), 0);

    std::unique_ptr<TAASReplicate> Longer(NewReplicate({1, 2, 3, 4, 5}));
    std::unique_ptr<TAASReplicate> Shorter(NewReplicate({1, 2, 3}));
    auto* Step = NewReplicate({1, 2, 3, 4});
    Step->SetResolution(0.020000000000000004);
    std::unique_ptr<TAASReplicate> StepOwner(Step);
    EXPECT_FALSE(S.CanAdd(Longer.get()));
    EXPECT_FALSE(S.CanAdd(Shorter.get()));
    EXPECT_FALSE(S.CanAdd(Step));
    EXPECT_EQ(S.Add(Longer.get()), -1) << "refused replicate stays with the caller";
    EXPECT_EQ(S.Count(), 1);
    EXPECT_EQ(S.Add(NewReplicate({5, 6, 7, 8})), 1);
}

TEST(Sample, EnsembleFollowsAddAndRemove)
{
    TAASSample S("S", true);
    auto* A = NewReplicate({1, 2, 3});
    auto* B = NewReplicate({3, 4, 8});
    S.Add(A);
    EXPECT_EQ(S.Ansambled()->Points(), A->Points());
    S.Add(B);
    EXPECT_EQ(S.Ansambled()->Points(), (TAASPointArray{2, 3, 5.5}));
    EXPECT_EQ(S.GetResolution(), (long double)0.02);

    S.Remove(A);
    EXPECT_EQ(S.Ansambled()->Points(), (TAASPointArray{3, 4, 8}));
    TAASReplicate Stranger;
    EXPECT_EQ(S.Remove(&Stranger), -1);
    S.Remove(B);
    EXPECT_EQ(S.Count(), 0);
    EXPECT_EQ(S.Ansambled()->Points(), (TAASPointArray{3, 4, 8})) << "last mean stays";
    EXPECT_EQ(S.GetResolution(), NotSet);
}

TEST(Sample, EnsembleTakesTheReplicatesStep)
{
    TAASSample S("S", true);
    S.Add(NewReplicate({1, 2, 3, 4}, 0.1));
    EXPECT_EQ(S.Ansambled()->Resolution(), 0.1);
}

TEST(Sample, OneReplicateGivesSDEqualToMean)
{
    TAASSample S("S", true);
    S.Add(NewReplicate({1, 1, 4, 4, 4, 1}));
    S.SetAreaStart(0.02);
    S.SetAreaEnd(0.1);
    S.SetPeakStart(0.04);
    S.SetPeakEnd(0.08);
    EXPECT_EQ(S.Ansambled()->Points(), S.GetItem(0)->Points());
    EXPECT_EQ(S.AreaSD(), S.AreaMean());
    EXPECT_EQ(S.AreaRSD(), 100);
    EXPECT_EQ(S.PeakMean(), 4);
    EXPECT_EQ(S.PeakSD(), 4);
    EXPECT_EQ(S.PeakRSD(), 100);
}

TEST(Sample, IntervalSetterRules)
{
    auto S = ThreeReplicates();
    S->SetAreaEnd(0.16);
    EXPECT_EQ(S->AreaEnd(), 0.16);
    EXPECT_EQ(S->AreaMean(), NotSet) << "first bound computes nothing";
    EXPECT_FALSE(S->GetItem(0)->AreaValid());

    S->SetAreaStart(0.04);
    EXPECT_EQ(S->AreaStart(), 0.04);
    EXPECT_NE(S->AreaMean(), NotSet);
    EXPECT_TRUE(S->GetItem(2)->AreaValid());
    EXPECT_TRUE(S->Ansambled()->AreaValid());

    const long double Mean = S->AreaMean();
    S->SetAreaStart(0.18);  // beyond the end
    S->SetAreaStart(0);
    S->SetAreaStart(-1);
    S->SetAreaStart(0.04);  // unchanged value
    EXPECT_EQ(S->AreaStart(), 0.04);
    S->SetAreaEnd(0.02);  // before the start
    EXPECT_EQ(S->AreaEnd(), 0.16);
    EXPECT_EQ(S->AreaMean(), Mean);

    S->SetAreaStart(NotSet);
    EXPECT_EQ(S->AreaStart(), NotSet);
    EXPECT_EQ(S->AreaMean(), NotSet);
    EXPECT_EQ(S->AreaSD(), NotSet);
    EXPECT_EQ(S->AreaRSD(), NotSet);
    EXPECT_EQ(S->GetItem(0)->Area(), NotSet);
    EXPECT_EQ(S->Ansambled()->Area(), NotSet);
    EXPECT_EQ(S->AreaEnd(), 0.16) << "the other bound stays";

    // Reset also when the bound was already unset, and only its own interval.
    S->SetPeakStart(0.08);
    S->SetPeakEnd(0.08);  // equal bounds are accepted
    ASSERT_EQ(S->PeakMean(), 12);
    S->GetItem(0)->CalcAreaByIndex(0, 1);
    S->SetAreaStart(NotSet);
    EXPECT_EQ(S->GetItem(0)->Area(), NotSet);
    EXPECT_EQ(S->PeakMean(), 12);
}

TEST(Sample, PlateauAndAreaStatisticsOverReplicates)
{
    auto S = ThreeReplicates();
    S->SetPeakStart(0.06);  // index 3
    S->SetPeakEnd(0.12);    // index 6
    EXPECT_EQ(S->GetItem(0)->PeakMean(), 10);
    EXPECT_EQ(S->PeakMean(), 12);
    EXPECT_EQ(S->PeakSD(), 2);
    EXPECT_EQ(S->PeakRSD(), 2 * 100 / 12.0L);
    EXPECT_EQ(S->Ansambled()->PeakMean(), 12);
    EXPECT_EQ(S->Ansambled()->PeakSD(), 0);

    S->SetAreaStart(0.06);
    S->SetAreaEnd(0.12);
    // Three steps at height H, times 0.02.
    EXPECT_EQ(S->GetItem(1)->Area(), static_cast<double>(36 * 0.02L));
    EXPECT_EQ(S->AreaMean(), static_cast<double>(36 * 0.02L));
    EXPECT_EQ(S->Ansambled()->Area(), static_cast<double>(36 * 0.02L));
}

TEST(Sample, AddAfterCalculationRecomputesOnlyTheEnsemble)
{
    auto S = ThreeReplicates();
    S->SetPeakStart(0.06);
    S->SetPeakEnd(0.12);
    S->Add(NewReplicate({1, 1, 1, 20, 20, 20, 20, 1, 1, 1}));
    EXPECT_EQ(S->PeakMean(), 12) << "sample statistics wait for the next calculation";
    EXPECT_EQ(S->Ansambled()->PeakMean(), 14);
    EXPECT_FALSE(S->GetItem(3)->PeakValid());
    S->Recalculate();
    EXPECT_EQ(S->PeakMean(), 14);
}

TEST(Sample, ErrorsOfReplicatesReachTheCaller)
{
    auto S = ThreeReplicates();
    S->SetAreaStart(0.1);
    EXPECT_TRUE(Raises<EListError>([&] { S->SetAreaEnd(1.0); }, "List index out of bounds (50)"));
    EXPECT_EQ(S->AreaEnd(), 1.0) << "the setter has stored the bound";

    auto T = ThreeReplicates();
    T->SetAreaStart(0.1);
    EXPECT_TRUE(Raises<Exception>([&] { T->SetAreaEnd(0.11); },
                                  "Specified indexes: [5;5] does not make a valid interval"));
}

TEST(Sample, ZeroMeanFailsTheRSDAfterStoringMeanAndSD)
{
    TAASSample Z("Z", true);
    Z.Add(NewReplicate({-1, 5}));
    Z.Add(NewReplicate({1, 5}));
    Z.SetPeakStart(0.01);  // index 0
    EXPECT_TRUE(Raises<EZeroDivide>([&] { Z.SetPeakEnd(0.01); }, "Floating point division by zero"));
    EXPECT_EQ(Z.PeakEnd(), 0.01);
    EXPECT_EQ(Z.GetItem(1)->PeakMean(), 1);
    EXPECT_EQ(Z.PeakMean(), 0);
    EXPECT_EQ(Z.PeakSD(), std::sqrt(2.0L));
    EXPECT_EQ(Z.PeakRSD(), NotSet);
    EXPECT_FALSE(Z.Ansambled()->PeakValid()) << "ensemble not reached";
}

TEST(Sample, AbsorbanceScale)
{
    TAASSample Empty("E", true);
    Empty.SetAbsorbtion(true);
    EXPECT_FALSE(Empty.Absorbtion());

    auto S = ThreeReplicates();
    S->SetPeakStart(0.06);
    S->SetPeakEnd(0.12);
    S->SetAbsorbtion(true);
    EXPECT_TRUE(S->Absorbtion());
    EXPECT_EQ(S->GetItem(0)->GetItem(3), 0.001);
    EXPECT_EQ(S->GetItem(2)->GetItem(0), 0.0001);
    const double P10 = static_cast<double>(10 / 10000.0L), P12 = static_cast<double>(12 / 10000.0L),
                 P14 = static_cast<double>(14 / 10000.0L);
    EXPECT_EQ(S->GetItem(1)->GetItem(4), P12);
    EXPECT_EQ(S->PeakMean(), (static_cast<long double>(P10) + P12 + P14) / 3) << "recalculated";
    EXPECT_EQ(S->PeakStart(), 0.06);
    EXPECT_EQ(S->GetResolution(), (long double)0.02);

    S->SetAbsorbtion(false);
    EXPECT_EQ(S->GetItem(0)->GetItem(3), 10);
    // 0.0012 * 10000 rounds to the double just below 12.
    EXPECT_EQ(S->GetItem(1)->GetItem(3), static_cast<double>(static_cast<long double>(P12) * 10000));
    EXPECT_NEAR(static_cast<double>(S->PeakMean()), 12, 1e-14);
}

TEST(Sample, AbsorbanceOverflowKeepsEarlierPoints)
{
    TAASSample S("S", true);
    S.Add(NewReplicate({1, 1e306, 2}));
    S.SetAbsorbtion(true);
    S.GetItem(0)->SetItem(1, 1e306);
    EXPECT_TRUE(Raises<EOverflow>([&] { S.SetAbsorbtion(false); }, "Floating point overflow"));
    EXPECT_FALSE(S.Absorbtion());
    EXPECT_EQ(S.GetItem(0)->GetItem(0), 1);
    EXPECT_EQ(S.GetItem(0)->GetItem(2), static_cast<double>(2 / 10000.0L));
}

TEST(Sample, ResolutionOnlyGetsCoarser)
{
    auto S = ThreeReplicates();
    S->SetPeakStart(0.04);
    S->SetPeakEnd(0.08);
    S->SetResolution(0.02);
    S->SetResolution(0.01);
    EXPECT_EQ(S->GetItem(0)->Count(), 10);

    S->SetResolution(0.04);
    EXPECT_EQ(S->GetResolution(), (long double)0.04);
    EXPECT_EQ(S->GetItem(0)->Points(), (TAASPointArray{1, 5.5, 10, 5.5, 1}));
    EXPECT_EQ(S->Ansambled()->Count(), 5);
    EXPECT_EQ(S->Ansambled()->Resolution(), 0.04);
    // Plateau 0.04..0.08 is now indices 1..2.
    EXPECT_EQ(S->GetItem(0)->PeakMean(), 7.75);
    EXPECT_EQ(S->PeakMean(), static_cast<double>((7.75L + 9.25L + 10.75L) / 3));
}

TEST(Sample, SmoothKindsAndWidth)
{
    auto S = ThreeReplicates();
    S->SetPeakStart(0.06);
    S->SetPeakEnd(0.12);
    S->GetItem(0)->SetItem(4, 40);  // changed behind the sample's back
    S->Smooth(2, 0);
    EXPECT_EQ(S->Ansambled()->GetItem(4), 12) << "N = 0 does nothing at all";
    S->Smooth(2, 3);
    EXPECT_EQ(S->GetItem(0)->GetItem(4), 40) << "unknown kind smooths nothing";
    EXPECT_EQ(S->Ansambled()->GetItem(4), 22) << "but rebuilds the ensemble";
    EXPECT_EQ(S->PeakMean(), static_cast<double>((17.5L + 12 + 14) / 3));

    S->Smooth(0, 1);
    EXPECT_EQ(S->GetItem(1)->GetItem(2), 5);  // (1 + 1 + 12) / 3 rounded
    S->Smooth(1, 1);
    EXPECT_EQ(S->GetItem(1)->Count(), 10);
    EXPECT_TRUE(Raises<Exception>([&] { S->Smooth(0, 5); }, "No 11 data points available"));
}

TEST(Sample, SubtractZeroEveryTime)
{
    auto S = ThreeReplicates();
    S->SubtractZero(0.02, 0.04);  // indices 1..2, level 1
    EXPECT_TRUE(S->ZeroSubtracted());
    EXPECT_EQ(S->GetItem(0)->GetItem(3), 9);
    EXPECT_EQ(S->Ansambled()->GetItem(0), 0);
    S->GetItem(0)->SetItem(1, 2);
    S->GetItem(0)->SetItem(2, 2);
    S->SubtractZero(0.02, 0.04);
    EXPECT_EQ(S->GetItem(0)->GetItem(3), 7) << "subtracted again";

    TAASSample Empty("E", true);
    Empty.SubtractZero(0.02, 0.04);
    EXPECT_FALSE(Empty.ZeroSubtracted());

    auto F = ThreeReplicates();
    EXPECT_THROW(F->SubtractZero(0.02, 5), EListError);
    EXPECT_FALSE(F->ZeroSubtracted());
}

TEST(Sample, FindEdgesAveragesTheReplicates)
{
    double Start = -7, End = -7;
    TAASSample Empty("E", true);
    Empty.FindEdges(Start, End);
    EXPECT_EQ(Start, -7);
    EXPECT_EQ(End, -7);

    TAASSample S("S", true);
    S.Add(NewReplicate({0, 0, 5, 5, 1, 1}));
    S.Add(NewReplicate({0, 5, 5, 5, 5, 1}));
    S.FindEdges(Start, End);
    EXPECT_EQ(Start, static_cast<double>((0.04L + 0.02L) / 2));
    EXPECT_EQ(End, static_cast<double>((0.08L + 0.10L) / 2));

    TAASSample OnePoint("P", true);
    OnePoint.Add(NewReplicate({3}));
    Start = End = -7;
    OnePoint.FindEdges(Start, End);
    EXPECT_EQ(Start, -7);
}

TEST(Sample, AssignMakesAnIndependentCopy)
{
    auto S = ThreeReplicates();
    S->SetAreaStart(0.04);
    S->SetAreaEnd(0.16);
    S->SetPeakStart(0.06);
    S->SetPeakEnd(0.12);
    S->SetAbsorbtion(true);
    S->SetStandart(true);
    S->SetConcentration(2.5);
    S->SetConcentrationStr("ppb");
    S->SetZero(true);
    S->SubtractZero(0.02, 0.02);

    TAASSample Copy("", true);
    Copy.Add(NewReplicate({7}));
    Copy.Assign(S.get());
    ASSERT_EQ(Copy.Count(), 3);
    for (int I = 0; I < 3; ++I) {
        EXPECT_NE(Copy.GetItem(I), S->GetItem(I));
        EXPECT_EQ(Copy.GetItem(I)->Points(), S->GetItem(I)->Points());
    }
    EXPECT_TRUE(Copy.Absorbtion());
    EXPECT_EQ(Copy.AreaStart(), 0.04);
    EXPECT_EQ(Copy.AreaEnd(), 0.16);
    EXPECT_EQ(Copy.PeakStart(), 0.06);
    EXPECT_EQ(Copy.PeakEnd(), 0.12);
    EXPECT_EQ(Copy.AreaMean(), S->AreaMean());
    EXPECT_EQ(Copy.PeakRSD(), S->PeakRSD());
    EXPECT_EQ(Copy.Ansambled()->Points(), S->Ansambled()->Points());
    EXPECT_EQ(Copy.Title(), "S");
    EXPECT_TRUE(Copy.Standart());
    EXPECT_EQ(Copy.Concentration(), 2.5);
    EXPECT_EQ(Copy.ConcentrationStr(), "ppb");
    EXPECT_TRUE(Copy.ZeroSubtracted());
    EXPECT_FALSE(Copy.Zero()) << "Zero is not copied";

    S->GetItem(0)->SetItem(0, 99);
    EXPECT_NE(Copy.GetItem(0)->GetItem(0), 99);

    Copy.Assign(&Copy);
    EXPECT_EQ(Copy.Count(), 3) << "assigning to itself keeps the replicates";
}

TEST(Sample, NonOwningSampleLeavesReplicatesToTheirOwner)
{
    TAASReplicateList Received(true);
    auto* A = NewReplicate({1, 2, 3});
    Received.Add(A);
    {
        TAASSample S("Sample", false);
        S.Add(A);
        S.Remove(A);
        S.Add(A);
    }  // destroys the ensemble only
    EXPECT_EQ(A->Count(), 3);
}

TEST(Sample, ReplicateShortenedBehindTheSampleIsAnIndexError)
{
    TAASSample S("S", true);
    S.Add(NewReplicate({1, 2, 3}));
    S.Add(NewReplicate({1, 2, 3}));
    S.GetItem(1)->SetResolution(0.06);  // one point left
    EXPECT_TRUE(Raises<EListError>([&] { S.BuildAnsambled(); }, "List index out of bounds (1)"));
}
