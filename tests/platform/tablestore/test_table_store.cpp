// The table store: states, record buffer, events, the table's own refusals
// and the display format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TableStore.h"

using namespace platform::tablestore;

namespace {

enum { fId, fName, fCount, fTime, fMemo, fTwice };

std::vector<TFieldDef> Defs()
{
    std::vector<TFieldDef> D(6);
    D[fId] = {.Name = "Id", .Type = TFieldType::Integer, .Kind = TFieldKind::Data, .Size = 0, .Required = true,
              .Default = {}, .DisplayLabel = "ID", .DisplayFormat = {}};
    D[fName] = {.Name = "Name", .Type = TFieldType::String, .Kind = TFieldKind::Data, .Size = 5, .Required = false,
                .Default = std::string("dflt"), .DisplayLabel = "Title", .DisplayFormat = {}};
    D[fCount] = {.Name = "Count", .Type = TFieldType::Integer, .Kind = TFieldKind::Data, .Size = 0, .Required = false,
                 .Default = std::int32_t{1}, .DisplayLabel = "Count", .DisplayFormat = {}};
    D[fCount].MinValue = 1;
    D[fCount].MaxValue = 2147483647;
    D[fTime] = {.Name = "Time", .Type = TFieldType::Float, .Kind = TFieldKind::Data, .Size = 0, .Required = true,
                .Default = {}, .DisplayLabel = "Time", .DisplayFormat = "#.0"};
    D[fMemo] = {.Name = "Memo", .Type = TFieldType::Memo, .Kind = TFieldKind::Data, .Size = 0, .Required = false,
                .Default = {}, .DisplayLabel = "Memo", .DisplayFormat = {}};
    D[fTwice] = {.Name = "Twice", .Type = TFieldType::Float, .Kind = TFieldKind::Calculated, .Size = 0,
                 .Required = false, .Default = {}, .DisplayLabel = "Twice", .DisplayFormat = {}};
    return D;
}

struct Fixture : ::testing::Test {
    TTable T{Defs()};
    std::vector<std::string> Log;

    void SetUp() override
    {
        DecimalSeparator = '.';
        T.BeforeInsert = [this] { Log.push_back("BeforeInsert"); };
        T.AfterInsert = [this] { Log.push_back("AfterInsert"); };
        T.BeforePost = [this] { Log.push_back("BeforePost"); };
        T.OnFieldChange = [this](int F) { Log.push_back("Change " + std::to_string(F)); };
        T.OnFocusField = [this](int F) { Log.push_back("Focus " + std::to_string(F)); };
        T.OnCalcFields = [](TRecord& R) { R.SetValue(fTwice, 2 * R.AsFloat(fTime)); };
    }

    void AddRow(int Id, double Time)
    {
        T.Append();
        T.SetAsInteger(fId, Id);
        T.SetAsFloat(fTime, Time);
        T.Post();
    }

    std::string Refusal(const std::function<void()>& F)
    {
        try {
            F();
        } catch (const EDatabaseError& E) {
            return E.Message();
        }
        return "(accepted)";
    }
};

TEST_F(Fixture, AppendAppliesDefaultsWithoutChangeEventsAndPostReturnsToBrowse)
{
    T.Append();
    EXPECT_EQ(T.State(), TDataSetState::Insert);
    EXPECT_EQ(T.RowCount(), 1);
    EXPECT_EQ(T.RecordCount(), 0);
    EXPECT_EQ(T.AsString(fName), "dflt");
    EXPECT_EQ(T.AsInteger(fCount), 1);
    EXPECT_TRUE(T.IsNull(fId));
    EXPECT_FALSE(T.Modified());
    EXPECT_EQ(Log, (std::vector<std::string>{"BeforeInsert", "AfterInsert"}));
    T.SetAsInteger(fId, 7);
    T.SetAsFloat(fTime, 1.5);
    EXPECT_DOUBLE_EQ(T.AsFloat(fTwice), 3.0);  // calculated as the buffer changes
    T.Post();
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    EXPECT_EQ(T.RecordCount(), 1);
    EXPECT_EQ(Log.back(), "BeforePost");
}

TEST_F(Fixture, InsertGoesBeforeTheCurrentRowAndCancelRemovesIt)
{
    AddRow(1, 1);
    AddRow(2, 2);
    T.First();
    T.Insert();
    EXPECT_EQ(T.RecNo(), 0);
    EXPECT_EQ(T.RowCount(), 3);
    T.Cancel();
    EXPECT_EQ(T.RowCount(), 2);
    EXPECT_EQ(T.AsInteger(fId), 1);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
}

TEST_F(Fixture, CancelOfAnEditRestoresTheRow)
{
    AddRow(1, 1.25);
    T.Edit();
    T.SetAsFloat(fTime, 9);
    EXPECT_DOUBLE_EQ(T.AsFloat(fTime), 9);
    EXPECT_DOUBLE_EQ(T.RowValues(0)[fTime].index() == 2 ? std::get<double>(T.RowValues(0)[fTime]) : 0, 1.25);
    T.Cancel();
    EXPECT_DOUBLE_EQ(T.AsFloat(fTime), 1.25);
}

TEST_F(Fixture, FirstEmptyRequiredFieldRefusesThePostBeforeBeforePost)
{
    T.Append();
    Log.clear();
    EXPECT_EQ(Refusal([&] { T.Post(); }), "Field 'ID' must have a value");
    EXPECT_EQ(Log, (std::vector<std::string>{"Focus 0"}));
    EXPECT_EQ(T.State(), TDataSetState::Insert);
    T.SetAsInteger(fId, 1);
    Log.clear();
    EXPECT_EQ(Refusal([&] { T.Post(); }), "Field 'Time' must have a value");
    EXPECT_EQ(Log, (std::vector<std::string>{"Focus 3"}));
}

TEST_F(Fixture, RefusalOfBeforePostKeepsTheRowInItsState)
{
    AddRow(1, 1);
    T.BeforePost = [] { throw EDatabaseError("no"); };
    T.Edit();
    T.SetAsFloat(fTime, 5);
    EXPECT_EQ(Refusal([&] { T.Post(); }), "no");
    EXPECT_EQ(T.State(), TDataSetState::Edit);
    EXPECT_DOUBLE_EQ(T.AsFloat(fTime), 5);
    EXPECT_DOUBLE_EQ(std::get<double>(T.RowValues(0)[fTime]), 1);
}

TEST_F(Fixture, EnteredTextIsConvertedOrRefusedWithTheTablesMessages)
{
    AddRow(1, 1);
    T.Edit();
    struct Case {
        int Field;
        std::string Text;
        std::string Message;
    };
    const Case Cases[] = {
        {fId, "abc", "'abc' is not a valid integer value for field 'ID'"},
        {fId, "99999999999", "'99999999999' is not a valid integer value for field 'ID'"},
        {fCount, "0", "0 is not a valid value for field 'Count'. The allowed range is 1 to 2147483647"},
        {fCount, "-5", "-5 is not a valid value for field 'Count'. The allowed range is 1 to 2147483647"},
        {fTime, "1,5", "'1,5' is not a valid floating point value for field 'Time'"},
        {fTime, "1e999", "'1e999' is not a valid floating point value for field 'Time'"},
    };
    for (const Case& C : Cases) {
        Log.clear();
        EXPECT_EQ(Refusal([&] { T.SetText(C.Field, C.Text); }), C.Message) << C.Text;
        EXPECT_EQ(Log, (std::vector<std::string>{"Focus " + std::to_string(C.Field)})) << C.Text;
    }
    EXPECT_EQ(T.AsInteger(fId), 1);
    EXPECT_EQ(T.AsInteger(fCount), 1);
    EXPECT_EQ(Refusal([&] { T.SetText(fCount, "2147483647"); }), "(accepted)");
    EXPECT_EQ(Refusal([&] { T.SetText(fTime, " 2.5 "); }), "(accepted)");
    EXPECT_DOUBLE_EQ(T.AsFloat(fTime), 2.5);
    T.SetText(fTime, "");
    EXPECT_TRUE(T.IsNull(fTime));
}

TEST_F(Fixture, SettersNeedEditModeAndAStoredField)
{
    AddRow(1, 1);
    EXPECT_EQ(Refusal([&] { T.SetAsInteger(fId, 2); }), "Dataset not in edit or insert mode");
    T.Edit();
    EXPECT_EQ(Refusal([&] { T.SetAsFloat(fTwice, 2); }), "Field 'Twice' cannot be modified");
}

TEST_F(Fixture, TextsKeepEmptyApartFromMissingAndStringsAreCutToTheirSize)
{
    T.Append();
    T.SetAsString(fMemo, "");
    EXPECT_FALSE(T.IsNull(fMemo));
    T.Clear(fMemo);
    EXPECT_TRUE(T.IsNull(fMemo));
    T.SetAsString(fName, "\xC3\xA4\xC3\xB6\xC3\xBC" "abcdef");  // "äöü" + 6 letters
    EXPECT_EQ(T.AsString(fName), "\xC3\xA4\xC3\xB6\xC3\xBC" "ab");
}

TEST_F(Fixture, SettingAFieldFiresItsChangeEventEvenWithTheSameValue)
{
    AddRow(1, 1);
    T.Edit();
    Log.clear();
    T.SetAsInteger(fId, 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"Change 0"}));
    EXPECT_TRUE(T.Modified());
}

TEST_F(Fixture, DeleteAsksRefusesOnEmptyAndCancelsAnInsert)
{
    EXPECT_EQ(Refusal([&] { T.Delete(); }), "Cannot perform this operation on an empty dataset");
    AddRow(1, 1);
    AddRow(2, 2);
    AddRow(3, 3);
    bool Answer = false;
    int Asked = 0;
    T.BeforeDelete = [&] { ++Asked; return Answer; };
    T.MoveTo(1);
    EXPECT_FALSE(T.Delete());
    EXPECT_EQ(T.RowCount(), 3);
    Answer = true;
    EXPECT_TRUE(T.Delete());
    EXPECT_EQ(T.RowCount(), 2);
    EXPECT_EQ(T.AsInteger(fId), 3);  // the next row becomes current
    T.Delete();
    EXPECT_EQ(T.AsInteger(fId), 1);  // the last row went: the new last row
    T.Append();
    Asked = 0;
    EXPECT_TRUE(T.Delete());
    EXPECT_EQ(Asked, 0);  // a new row is just dropped
    EXPECT_EQ(T.RowCount(), 1);
}

TEST_F(Fixture, LeavingARowPostsAChangeAndDropsAnUntouchedNewRow)
{
    AddRow(1, 1);
    AddRow(2, 2);
    T.Append();
    T.MoveTo(0);
    EXPECT_EQ(T.RowCount(), 2);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    T.Edit();
    T.SetAsFloat(fTime, 7);
    T.MoveTo(1);
    EXPECT_DOUBLE_EQ(std::get<double>(T.RowValues(0)[fTime]), 7);
    // A refused post keeps the cursor where it was.
    T.Edit();
    T.Clear(fTime);
    EXPECT_EQ(Refusal([&] { T.MoveTo(0); }), "Field 'Time' must have a value");
    EXPECT_EQ(T.RecNo(), 1);
    EXPECT_EQ(T.State(), TDataSetState::Edit);
}

TEST_F(Fixture, LeavingAnUntouchedNewRowAboveTheTargetCountsTheRowsThatMovedUp)
{
    AddRow(1, 1);
    AddRow(2, 2);
    T.First();
    T.Insert();  // at 0; the rows are now new, 1, 2
    T.MoveTo(2);  // the row that held 2
    EXPECT_EQ(T.AsInteger(fId), 2);
    EXPECT_EQ(T.RowCount(), 2);
}

TEST_F(Fixture, WalkingWithFirstAndNextVisitsEveryRowOnce)
{
    for (int I = 1; I <= 3; ++I)
        AddRow(I, I);
    std::vector<int> Seen;
    for (T.First(); !T.Eof(); T.Next())
        Seen.push_back(T.AsInteger(fId));
    EXPECT_EQ(Seen, (std::vector<int>{1, 2, 3}));
    TTable Empty(Defs());
    Empty.First();
    EXPECT_TRUE(Empty.Eof());
}

TEST_F(Fixture, EditOnAnEmptyTableAppends)
{
    T.Edit();
    EXPECT_EQ(T.State(), TDataSetState::Insert);
    EXPECT_EQ(T.RowCount(), 1);
}

struct Recorder : TTableObserver {
    std::vector<std::string> Calls;
    void BeginInsertRow(int R) override { Calls.push_back("ins " + std::to_string(R)); }
    void BeginRemoveRow(int R) override { Calls.push_back("rem " + std::to_string(R)); }
    void BeginReset() override { Calls.push_back("reset"); }
};

TEST_F(Fixture, EmptyTableAndReplaceRowsRunNoRowEventsAndDisabledViewsHearOneReset)
{
    AddRow(1, 1);
    Recorder Rec;
    T.AddObserver(&Rec);
    Log.clear();
    T.DisableControls();
    T.Append();
    T.Cancel();
    T.EnableControls();
    EXPECT_EQ(Rec.Calls, (std::vector<std::string>{"reset"}));
    Log.clear();
    T.ReplaceRows({{std::int32_t{5}, TValue{}, TValue{}, 2.0, TValue{}}});
    EXPECT_TRUE(Log.empty());
    EXPECT_DOUBLE_EQ(T.AsFloat(fTwice), 4.0);  // calculated on load
    T.EmptyTable();
    EXPECT_TRUE(Log.empty());
    EXPECT_EQ(T.RowCount(), 0);
    EXPECT_EQ(T.RecNo(), -1);
    T.RemoveObserver(&Rec);
}

TEST(FormatFloatPattern, OneDecimalWithoutLeadingZeroHalvesToEven)
{
    DecimalSeparator = '.';
    struct Case {
        double V;
        const char* Text;
    };
    const Case Cases[] = {{0.5, ".5"},       {0, ".0"},      {12.34, "12.3"}, {0.25, ".2"},
                          {0.35, ".3"},      {-0.5, "-.5"},  {1.05, "1.1"},   {0.100000001490116, ".1"},
                          {99.96, "100.0"}, {1e20, "100000000000000000000.0"}};
    for (const Case& C : Cases)
        EXPECT_EQ(FormatFloatPattern("#.0", C.V), C.Text) << C.V;
    DecimalSeparator = ',';
    EXPECT_EQ(FormatFloatPattern("#.0", 2.5), "2,5");
    DecimalSeparator = '.';
}

}  // namespace

namespace {

// A view that reacts to a row going away by moving the table must not make
// the table remove a second row under it.
struct Mover : TTableObserver {
    TTable* T = nullptr;
    std::string Refused;
    void BeginRemoveRow(int) override
    {
        try {
            T->MoveTo(0);
        } catch (const EDatabaseError& E) {
            Refused = E.Message();
        }
    }
};

TEST_F(Fixture, AViewCannotChangeTheRowsFromInsideARowChange)
{
    AddRow(1, 1);
    AddRow(2, 2);
    Mover V;
    V.T = &T;
    T.AddObserver(&V);
    T.Append();
    T.Cancel();
    EXPECT_EQ(V.Refused, "The table cannot be changed while it changes its rows");
    EXPECT_EQ(T.RowCount(), 2);
    T.RemoveObserver(&V);
}

}  // namespace
