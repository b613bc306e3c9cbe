// The time-program table: the checks before a post (every rule's message and
// focus, in order, with the boundary cases), the table's refusals, the
// single-precision copy into a new row, the modified flag, Clear Sample Data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TimeProgram.h"

using namespace VelorTime;
using platform::tablestore::TDataSetState;

namespace {

struct Times {
    double W, I, ReadAt, RT, PF, VL;
};

struct ProgramFixture : ::testing::Test {
    TTimeProgram P;
    TTable& T = P.Table();
    std::vector<int> Focus;

    void SetUp() override
    {
        DecimalSeparator = '.';
        P.OnFocusField = [this](int F) { Focus.push_back(F); };
    }
    void TearDown() override { DecimalSeparator = '.'; }

    void Fill(int Id, int Replicates, const Times& X)
    {
        T.SetAsInteger(fldSampleID, Id);
        T.SetAsInteger(fldReplicates, Replicates);
        T.SetAsFloat(fldWashingTime, X.W);
        T.SetAsFloat(fldInjectionTime, X.I);
        T.SetAsFloat(fldReadAt, X.ReadAt);
        T.SetAsFloat(fldReplTime, X.RT);
        T.SetAsFloat(fldProbeForward, X.PF);
        T.SetAsFloat(fldValveLate, X.VL);
    }

    void AddRow(int Id, const Times& X, const std::string& Data = {})
    {
        T.Append();
        Fill(Id, 1, X);
        if (!Data.empty())
            T.SetAsString(fldReceivedData, Data);
        T.Post();
    }

    // The message of a refused post, "" when it passed.
    std::string PostMessage()
    {
        Focus.clear();
        try {
            T.Post();
        } catch (const EDatabaseError& E) {
            return E.Message();
        }
        return "";
    }
};

const Times Good{5, 3, 6, 12, 1, 2};

TEST_F(ProgramFixture, EveryRuleRefusesWithItsMessageAndFocusInOrder)
{
    struct Case {
        int Replicates;
        Times X;
        const char* Message;
        int Focus;  // -1: none
    };
    const Case Cases[] = {
        // Rule 1 comes first even when every other rule fails too.
        {0, {-1, 0, -1, 0, -1, -1}, "Invalid value for number of replicates.", fldReplicates},
        {1, {-1, 0, -1, 0, -1, -1}, "Invalid value for washing time.", fldWashingTime},
        {1, {0, 0, -1, 0, -1, -1}, "Invalid value for injection time.", fldInjectionTime},
        {1, {0, 1, -1, 0, -1, -1}, "Invalid second for read.", fldReadAt},
        {1, {0, 1, 0, 0, -1, -1}, "Invalid value for replicate time.", fldReplTime},
        {1, {0, 1, 0, 1, -1, -1}, "Invalid value for probe forward.", fldProbeForward},
        {1, {0, 1, 0, 1, 0, -1}, "Invalid value for valve late.", fldValveLate},
        {1, {5, 3, 9, 7.9, 6, 5}, "Washing time + Injection time must be smaller than replicate time.", -1},
        {1, {5, 3, 12.5, 12, 6, 5}, "Can't send READ command when replicate is over.", fldReadAt},
        {1, {5, 3, 6, 12, 6, 5}, "Invalid value for Probe Forward. Valid values between 0.0 and 5.", fldProbeForward},
        {1, {5, 3, 6, 12, 1, 4.5}, "Invalid value for Valve Late. Valid values between 0.0 and 4.0.", fldValveLate},
    };
    for (const Case& C : Cases) {
        T.Append();
        Fill(1, 1, C.X);
        // Replicates 0 cannot be typed; an empty cell reads 0.
        if (C.Replicates == 0)
            T.Clear(fldReplicates);
        EXPECT_EQ(PostMessage(), C.Message);
        EXPECT_EQ(Focus, C.Focus < 0 ? std::vector<int>{} : std::vector<int>{C.Focus}) << C.Message;
        EXPECT_EQ(T.State(), TDataSetState::Insert);
        T.Cancel();
    }
}

TEST_F(ProgramFixture, BoundaryValuesPassEachComparison)
{
    // W + I = RT, ReadAt = RT, PF = W, VL = RT - W - I = 0.
    T.Append();
    Fill(1, 1, {5, 3, 8, 8, 5, 0});
    EXPECT_EQ(PostMessage(), "");
    // VL exactly RT - W - I.
    T.Append();
    Fill(2, 1, {2, 1, 0, 4.5, 0, 1.5});
    EXPECT_EQ(PostMessage(), "");
    // W = 0 and ReadAt = 0 are allowed, I = 0 and RT = 0 are not.
    T.Append();
    Fill(3, 1, {0, 0.5, 0, 1, 0, 0});
    EXPECT_EQ(PostMessage(), "");
}

TEST_F(ProgramFixture, SumOfTypedDoublesAboveTheTypedReplicateTimeFailsRuleEight)
{
    T.Append();
    Fill(1, 1, {0, 0, 0, 1, 0, 0});
    T.SetText(fldWashingTime, "1.2");
    T.SetText(fldInjectionTime, "1.1");
    T.SetText(fldReplTime, "2.3");
    EXPECT_EQ(PostMessage(), "Washing time + Injection time must be smaller than replicate time.");
}

TEST_F(ProgramFixture, ProbeForwardMessageShowsTheWashingTimeInShortestFormWithTheUsersSeparator)
{
    DecimalSeparator = ',';
    T.Append();
    Fill(1, 1, {0.25, 1, 0, 2, 0.5, 0});
    EXPECT_EQ(PostMessage(), "Invalid value for Probe Forward. Valid values between 0.0 and 0,25.");
    T.SetAsFloat(fldWashingTime, static_cast<float>(0.1));
    T.SetAsFloat(fldProbeForward, 1);
    EXPECT_EQ(PostMessage(), "Invalid value for Probe Forward. Valid values between 0.0 and 0,100000001490116.");
    // RT - W - I formed in extended precision, shown with one decimal.
    T.SetAsFloat(fldProbeForward, 0);
    T.SetAsFloat(fldWashingTime, 0.25);
    T.SetAsFloat(fldValveLate, 0.8);
    EXPECT_EQ(PostMessage(), "Invalid value for Valve Late. Valid values between 0.0 and 0,8.");
}

TEST_F(ProgramFixture, AnEmptyNewRowHasTheTwoDefaultsAndFailsFirstOnTheRequiredId)
{
    T.Append();
    EXPECT_EQ(T.AsString(fldSampleType), "Sample");
    EXPECT_EQ(T.AsInteger(fldReplicates), 1);
    for (int F : {fldSampleID, fldSampleName, fldWashingTime, fldInjectionTime, fldReadAt, fldReplTime,
                  fldProbeForward, fldValveLate, fldReceivedData})
        EXPECT_TRUE(T.IsNull(F)) << F;
    EXPECT_FALSE(P.Modified());
    EXPECT_EQ(PostMessage(), "Field 'ID' must have a value");
    EXPECT_EQ(Focus, std::vector<int>{fldSampleID});
    // Next the type (cleared), then the six times in column order.
    T.SetAsInteger(fldSampleID, 1);
    T.SetText(fldSampleType, "");
    EXPECT_EQ(PostMessage(), "Field 'Type' must have a value");
    T.SetAsString(fldSampleType, "Blank");
    EXPECT_EQ(PostMessage(), "Field 'Washing Time' must have a value");
    EXPECT_EQ(Focus, std::vector<int>{fldWashingTime});
}

TEST_F(ProgramFixture, TheTablesOwnRefusalsNameTheDisplayLabel)
{
    T.Append();
    struct Case {
        int Field;
        const char* Text;
        const char* Message;
    };
    const Case Cases[] = {
        {fldReplicates, "0", "0 is not a valid value for field 'Replicates'. The allowed range is 1 to 2147483647"},
        {fldReplicates, "2147483648", "'2147483648' is not a valid integer value for field 'Replicates'"},
        {fldSampleID, "1.5", "'1.5' is not a valid integer value for field 'ID'"},
        {fldWashingTime, "abc", "'abc' is not a valid floating point value for field 'Washing Time'"},
        {fldValveLate, "1,5", "'1,5' is not a valid floating point value for field 'Valve Late'"},
    };
    for (const Case& C : Cases) {
        Focus.clear();
        try {
            T.SetText(C.Field, C.Text);
            ADD_FAILURE() << C.Text << " accepted";
        } catch (const EDatabaseError& E) {
            EXPECT_EQ(E.Message(), C.Message);
        }
        EXPECT_EQ(Focus, std::vector<int>{C.Field});
    }
    EXPECT_EQ(T.AsInteger(fldReplicates), 1);
}

TEST_F(ProgramFixture, ANewRowTakesTheCurrentRowsTimesInSinglePrecision)
{
    AddRow(7, {0.1, 0.3, 0.7, 1.1, 0.05, 0.2});
    T.Edit();
    T.SetAsString(fldSampleName, "first");
    T.SetAsString(fldSampleType, "Blank");
    T.SetAsInteger(fldReplicates, 3);
    T.Post();
    P.SetModified(false);
    T.Insert();
    EXPECT_FALSE(P.TimeParams().has_value());  // freed after the copy
    EXPECT_EQ(T.AsInteger(fldReplicates), 3);
    EXPECT_EQ(T.AsFloat(fldWashingTime), static_cast<double>(0.1f));
    EXPECT_EQ(FloatToStr(T.AsFloat(fldWashingTime)), "0.100000001490116");
    EXPECT_NE(T.AsFloat(fldWashingTime), 0.1);
    EXPECT_EQ(T.DisplayText(fldWashingTime), ".1");
    EXPECT_EQ(T.AsFloat(fldValveLate), static_cast<double>(0.2f));
    EXPECT_TRUE(T.IsNull(fldSampleID));
    EXPECT_TRUE(T.IsNull(fldSampleName));
    EXPECT_EQ(T.AsString(fldSampleType), "Sample");
    EXPECT_TRUE(P.Modified());  // setting the copied fields
}

TEST_F(ProgramFixture, ATimeBeyondSinglePrecisionStopsTheInsert)
{
    AddRow(1, {1e300, 3, 6, 1e301, 1, 2});
    try {
        T.Insert();
        ADD_FAILURE() << "insert went ahead";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Floating point overflow");
    }
    EXPECT_EQ(T.RowCount(), 1);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
}

TEST_F(ProgramFixture, ModifiedBySetFieldsAndDeletedRowsNotByAnAnsweredNoOrARefusal)
{
    AddRow(1, Good);
    EXPECT_TRUE(P.Modified());
    P.SetModified(false);
    bool Answer = false;
    P.ConfirmDelete = [&] { return Answer; };
    EXPECT_FALSE(T.Delete());
    EXPECT_FALSE(P.Modified());
    EXPECT_EQ(T.RowCount(), 1);
    Answer = true;
    EXPECT_TRUE(T.Delete());
    EXPECT_TRUE(P.Modified());
    P.SetModified(false);
    T.Append();
    EXPECT_THROW(T.SetText(fldReplicates, "x"), EDatabaseError);
    EXPECT_FALSE(P.Modified());
}

TEST_F(ProgramFixture, CalculatedColumnsAndViewerTexts)
{
    AddRow(1, Good);
    T.Edit();
    T.SetAsInteger(fldReplicates, 3);
    EXPECT_EQ(T.DisplayText(fldTotalTime), "36.0");
    T.Post();
    EXPECT_EQ(T.DisplayTextAt(0, fldTotalTime), "36.0");
    EXPECT_EQ(T.DisplayTextAt(0, fldReceivedData), "View received data as text");
    EXPECT_EQ(T.DisplayTextAt(0, fldGraphicView), "View received data as graphic");
    EXPECT_EQ(T.AsString(fldReceivedData), "");
    EXPECT_EQ(T.DisplayTextAt(0, fldWashingTime), "5.0");
}

TEST_F(ProgramFixture, ClearSampleDataEmptiesAndPostsTheRow)
{
    AddRow(1, Good);
    EXPECT_FALSE(P.CanClearSampleData());
    AddRow(2, Good, "\r\n1\r\n-1000");
    EXPECT_TRUE(P.CanClearSampleData());
    EXPECT_TRUE(P.HasData(1));
    P.SetModified(false);
    P.ClearSampleData();
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    EXPECT_FALSE(P.HasData(1));
    EXPECT_FALSE(P.CanClearSampleData());
    EXPECT_TRUE(P.Modified());
}

TEST_F(ProgramFixture, ClearSampleDataOnARowThatFailsItsChecksStaysInEditWithTheDataGone)
{
    // A row loaded from a file need not pass the checks.
    std::vector<platform::tablestore::TValue> Row(ProgramFieldCount);
    Row[fldSampleID] = std::int32_t{1};
    Row[fldSampleType] = std::string("Sample");
    Row[fldReplicates] = std::int32_t{1};
    for (int F = fldWashingTime; F <= fldValveLate; ++F)
        Row[F] = 1.0;
    Row[fldReceivedData] = std::string("\r\n5\r\n-1000");
    T.ReplaceRows({Row});
    EXPECT_THROW(P.ClearSampleData(), EDatabaseError);
    EXPECT_EQ(T.State(), TDataSetState::Edit);
    EXPECT_EQ(T.AsString(fldReceivedData), "");
}

TEST_F(ProgramFixture, NewEmptiesTheTableAndClearsModified)
{
    AddRow(1, Good);
    T.Append();
    P.New();
    EXPECT_EQ(T.RowCount(), 0);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    EXPECT_FALSE(P.Modified());
}

}  // namespace
