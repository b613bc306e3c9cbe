// Reading back what the program itself writes, for samples left in odd
// states by the processing commands.
#include <gtest/gtest.h>

#include <memory>

#include "AASCls.h"
#include "SysUtils.h"

namespace {

std::unique_ptr<TAASSample> Sample(int replicates, int points)
{
    auto s = std::make_unique<TAASSample>("Edge", true);
    for (int r = 0; r < replicates; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < points; ++j)
            rep->Add(1.0 + j * 3 + r);
        s->Add(rep);
    }
    return s;
}

std::unique_ptr<TAASSample> RoundTrip(const TAASSample& s)
{
    TAASStrings lines;
    s.SaveToStrings(lines);
    auto back = std::make_unique<TAASSample>("", true);
    back->LoadFromStrings(lines);
    return back;
}

}  // namespace

// A bound is kept even when its interval's results cannot be computed (the
// setter stores it first); a file written with it must still read back with
// its replicates and bounds.
TEST(SampleFileRobustness, BoundsThatNoLongerFitTheirPointsReadBack)
{
    // An interval ending one step past the last point: the computation
    // refuses it, the bound stays.
    auto s = Sample(2, 5);
    s->SetPeakStart(0.02);
    EXPECT_THROW(s->SetPeakEnd(0.10), Exception);
    ASSERT_EQ(s->PeakEnd(), 0.10);

    // A valid area interval that a coarser step leaves beyond the points.
    auto t = Sample(1, 50);
    t->SetAreaStart(0.1);
    t->SetAreaEnd(0.5);
    ASSERT_TRUE(t->GetItem(0)->AreaValid());
    EXPECT_THROW(t->SetResolution(1.0), Exception);

    for (TAASSample* x : {s.get(), t.get()}) {
        std::unique_ptr<TAASSample> back;
        ASSERT_NO_THROW(back = RoundTrip(*x));
        ASSERT_EQ(back->Count(), x->Count());
        for (int i = 0; i < x->Count(); ++i)
            EXPECT_EQ(back->GetItem(i)->Points(), x->GetItem(i)->Points());
        EXPECT_EQ(back->PeakStart(), x->PeakStart());
        EXPECT_EQ(back->PeakEnd(), x->PeakEnd());
        EXPECT_EQ(back->AreaStart(), x->AreaStart());
        EXPECT_EQ(back->AreaEnd(), x->AreaEnd());
        EXPECT_EQ(back->Title(), "Edge");
    }
}

// A key value that is no number still ends the reading with an error.
TEST(SampleFileRobustness, BadBoundValueStillFails)
{
    TAASSample s("", true);
    EXPECT_THROW(s.LoadFromStrings({"##AreaStart=abc", "##Title=T", "1", "2", "-1000"}), Exception);
    EXPECT_EQ(s.Title(), "");
}
