// The experiment built from the rows' stored readings, its file name and the
// written file as the data model reads it back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../model/FileTestSupport.h"
#include "ExperimentExport.h"

using namespace VelorTime;

namespace {

// A stored text of blocks given newest first.
std::string Stored(const std::vector<std::vector<std::string>>& Blocks)
{
    std::string Text;
    for (const auto& Block : Blocks) {
        for (const std::string& Line : Block)
            Text += "\r\n" + Line;
        Text += "\r\n-1000";
    }
    return Text;
}

std::vector<std::string> Readings(int Count, int First = 0)
{
    std::vector<std::string> R;
    for (int I = 0; I < Count; ++I)
        R.push_back(std::to_string(First + I));
    return R;
}

std::vector<double> Points(const TAASReplicate* R)
{
    return std::vector<double>(R->Points().begin(), R->Points().end());
}

using ExportTest = FileTest;  // a scratch folder, separator '.' again afterwards

}  // namespace

TEST_F(ExportTest, RowsWithDataBecomeSamplesInTableOrder)
{
    const auto E = BuildExperiment({Stored({{"20", "21"}, {"10", "11"}}), "", Stored({{"30", "31"}})});
    ASSERT_EQ(E->Count(), 2);
    ASSERT_EQ((*E)[0]->Count(), 2);
    EXPECT_EQ(Points((*(*E)[0])[0]), (std::vector<double>{20, 21}));  // the newer block first
    EXPECT_EQ(Points((*(*E)[0])[1]), (std::vector<double>{10, 11}));
    ASSERT_EQ((*E)[1]->Count(), 1);
    EXPECT_EQ(Points((*(*E)[1])[0]), (std::vector<double>{30, 31}));
    for (int I = 0; I < E->Count(); ++I) {
        const TAASSample* S = (*E)[I];
        EXPECT_EQ(S->Title(), "");
        EXPECT_FALSE(S->Standart());
        EXPECT_FALSE(S->Zero());
        EXPECT_EQ(S->Concentration(), NotSet);
        EXPECT_EQ((*S)[0]->Resolution(), 0.02);
    }
    EXPECT_EQ(E->Title(), "");
    EXPECT_TRUE(E->Description().empty());
}

TEST_F(ExportTest, BlocksUnlikeTheNewestAreLeftOut)
{
    // Point counts of a row's blocks, newest first as the row stores them,
    // and which of them become replicates.  Block k's readings start at 1000 k.
    const struct {
        const char* What;
        std::vector<int> Counts;
        std::vector<int> Kept;
    } Cases[] = {
        {"the oldest block shorter", {250, 250, 240}, {0, 1}},
        {"the newest block shorter", {240, 250, 250}, {0}},
        {"a refused block between two good ones", {250, 240, 250}, {0, 2}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        std::vector<std::vector<std::string>> Blocks;
        for (std::size_t K = 0; K < C.Counts.size(); ++K)
            Blocks.push_back(Readings(C.Counts[K], 1000 * static_cast<int>(K)));
        const auto E = BuildExperiment({Stored(Blocks)});
        ASSERT_EQ(E->Count(), 1);
        const TAASSample* S = (*E)[0];
        ASSERT_EQ(S->Count(), static_cast<int>(C.Kept.size()));
        for (std::size_t I = 0; I < C.Kept.size(); ++I) {
            EXPECT_EQ((*S)[static_cast<int>(I)]->Count(), C.Counts[static_cast<std::size_t>(C.Kept[I])]);
            EXPECT_EQ((*S)[static_cast<int>(I)]->GetItem(0), 1000 * C.Kept[I]);
        }
    }
}

TEST_F(ExportTest, ReadingsAfterTheLastMarkerAreNotExported)
{
    const auto E = BuildExperiment({Stored({{"1", "2"}}) + "\r\n3\r\n4"});
    ASSERT_EQ((*E)[0]->Count(), 1);
    EXPECT_EQ(Points((*(*E)[0])[0]), (std::vector<double>{1, 2}));
}

TEST_F(ExportTest, ARowWithoutAWholeBlockStillGivesASample)
{
    // Readings but no marker: the sample has no replicate, as the text holds none.
    const auto E = BuildExperiment({"\r\n1\r\n2", "\r\n"});
    ASSERT_EQ(E->Count(), 2);
    EXPECT_EQ((*E)[0]->Count(), 0);
    EXPECT_EQ((*E)[1]->Count(), 0);
}

TEST_F(ExportTest, ReadingsUseTheLocaleSeparator)
{
    DecimalSeparator = ',';
    const auto E = BuildExperiment({"\r\n1,5\r\n-2\r\n-1000"});
    EXPECT_EQ(Points((*(*E)[0])[0]), (std::vector<double>{1.5, -2}));
}

TEST_F(ExportTest, ALineThatIsNoNumberStopsTheExport)
{
    try {
        BuildExperiment({"\r\n1\r\n\r\n2\r\n-1000"});
        FAIL() << "no error";
    } catch (const EConvertError& E) {
        EXPECT_STREQ(E.what(), "'' is not a valid floating point value");
    }
    EXPECT_THROW(BuildExperiment({Stored({{"1"}}), "\r\nabc\r\n-1000"}), EConvertError);
}

TEST(ExperimentFileName, ExtensionIsReplacedOrAppended)
{
    const struct {
        const char* Typed;
        const char* Written;
    } Cases[] = {
        {"/tmp/run", "/tmp/run.AXP"},
        {"/tmp/run.txt", "/tmp/run.AXP"},
        {"/tmp/run.axp", "/tmp/run.AXP"},
        {"/tmp/run.b.c", "/tmp/run.b.AXP"},
        {"/tmp/run.", "/tmp/run.AXP"},
        {"/tmp/dir.d/run", "/tmp/dir.d/run.AXP"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ExperimentFileName(QString::fromUtf8(C.Typed)), QString::fromUtf8(C.Written)) << C.Typed;
}

TEST_F(ExportTest, WrittenFileReadsBackThroughTheDataModel)
{
    DecimalSeparator = ',';
    const auto E = BuildExperiment({Stored({{"20", "21", "22"}, {"10", "11", "12"}}), "",
                                    Stored({{"5,5", "6", "7"}})});
    const std::string Name = Path("exp.AXP");
    E->SaveToFile(Name);

    TAASExperiment Back("x", true);
    Back.LoadFromFile(Name);
    EXPECT_EQ(Back.Title(), "");
    ASSERT_EQ(Back.Count(), 2);
    ASSERT_EQ(Back[0]->Count(), 2);
    EXPECT_EQ(Points(Back[0]->GetItem(0)), (std::vector<double>{20, 21, 22}));
    EXPECT_EQ(Points(Back[0]->GetItem(1)), (std::vector<double>{10, 11, 12}));
    ASSERT_EQ(Back[1]->Count(), 1);
    EXPECT_EQ(Points(Back[1]->GetItem(0)), (std::vector<double>{5.5, 6, 7}));
    EXPECT_EQ(Back[1]->Title(), "");
    EXPECT_FALSE(Back[1]->Standart());
}
