// The stored text layout of received readings and their distribution into
// the time-program rows, without the main window.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ReceivedData.h"

using namespace VelorTime;
using Lines = std::vector<std::string>;

namespace {

struct Row {
    std::string Text;
    int Replicates = 1;
    bool Refuses = false;  // every post of this row is refused
    int Posts = 0;
};

// The rows as the distribution walks them, over a plain vector.
struct FakeTable {
    std::vector<Row> Rows;
    std::size_t Current = 0;
    TReceivedRows Access;

    explicit FakeTable(std::vector<Row> R) : Rows(std::move(R))
    {
        Access.First = [this] { Current = 0; };
        Access.Next = [this] { ++Current; };
        Access.Eof = [this] { return Current >= Rows.size(); };
        Access.ReceivedData = [this] { return Rows[Current].Text; };
        Access.Replicates = [this] { return Rows[Current].Replicates; };
        Access.PostReceivedData = [this](const std::string& Text) {
            if (Rows[Current].Refuses)
                throw std::runtime_error("Invalid value for washing time.");
            Rows[Current].Text = Text;
            ++Rows[Current].Posts;
        };
    }
    void Distribute(Lines& L) { DistributeReceivedLines(L, Access); }
};

const std::string CRLF = "\r\n";

}  // namespace

TEST(StoredText, SplitsLinesAsAStringListDoes)
{
    const struct {
        const char* Text;
        Lines Expected;
    } Cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"\r\n5\r\n-1000", {"", "5", "-1000"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"\r\n\r\n", {"", ""}},
        {"\n\r", {"", ""}},  // LF then a lone CR: two line ends
    };
    for (const auto& C : Cases)
        EXPECT_EQ(TextToLines(C.Text), C.Expected) << "text: " << C.Text;
}

TEST(StoredText, BlockLinesDropTheFirstLineOnly)
{
    EXPECT_EQ(StoredBlockLines(""), Lines{});
    EXPECT_EQ(StoredBlockLines("\r\n"), Lines{});
    EXPECT_EQ(StoredBlockLines("\r\n5\r\n6\r\n-1000\r\n7\r\n-1000"),
              (Lines{"5", "6", "-1000", "7", "-1000"}));
    // A first line that is not empty still goes: the layout's first line.
    EXPECT_EQ(StoredBlockLines("x\r\n5"), Lines{"5"});
}

TEST(StoredText, MarkerIsTheWholeLineExactly)
{
    EXPECT_EQ(FindEndMarker({"1", "-1000 ", " -1000", "-10000", "-1000"}), 4);
    EXPECT_EQ(FindEndMarker({"1", "2"}), -1);
    EXPECT_EQ(FindEndMarker({}), -1);
}

TEST(Distribution, OneRowTakesTwoBlocksNewestFirst)
{
    FakeTable T({{"", 2}});
    Lines L{"1", "2", "-1000", "3", "4", "-1000", ""};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, CRLF + "3" + CRLF + "4" + CRLF + "-1000" + CRLF + "1" + CRLF + "2" + CRLF + "-1000");
    EXPECT_EQ(T.Rows[0].Posts, 2);  // each block posted by itself
    EXPECT_TRUE(L.empty());
}

TEST(Distribution, RowWithDataIsPassedOver)
{
    FakeTable T({{"\r\n9\r\n-1000", 1}, {"", 1}});
    Lines L{"1", "-1000", ""};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, "\r\n9\r\n-1000");
    EXPECT_EQ(T.Rows[0].Posts, 0);
    EXPECT_EQ(T.Rows[1].Text, CRLF + "1" + CRLF + "-1000");
}

TEST(Distribution, ResetDuringSecondRowLeavesTheThirdEmpty)
{
    FakeTable T({{"", 2}, {"", 2}, {"", 2}});
    Lines L{"a1", "-1000", "a2", "-1000", "b1", "-1000", "b2"};  // B's second replicate cut short
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, CRLF + "a2" + CRLF + "-1000" + CRLF + "a1" + CRLF + "-1000");
    EXPECT_EQ(T.Rows[1].Text, CRLF + "b1" + CRLF + "-1000");
    EXPECT_EQ(T.Rows[2].Text, "");
    EXPECT_TRUE(L.empty());
}

TEST(Distribution, WithoutAnyMarkerNothingChangesAndTheListEmpties)
{
    FakeTable T({{"", 1}, {"", 3}});
    Lines L{"1", "2", "3", "4"};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, "");
    EXPECT_EQ(T.Rows[1].Text, "");
    EXPECT_TRUE(L.empty());
}

TEST(Distribution, RowsWithoutReplicatesTakeNothing)
{
    FakeTable T({{"", 0}, {"", -3}, {"", 1}});
    Lines L{"7", "-1000", ""};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, "");
    EXPECT_EQ(T.Rows[1].Text, "");
    EXPECT_EQ(T.Rows[2].Text, CRLF + "7" + CRLF + "-1000");
}

TEST(Distribution, BlocksBeyondTheLastRowAreDropped)
{
    FakeTable T({{"", 1}});
    Lines L{"1", "-1000", "2", "-1000", "3"};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, CRLF + "1" + CRLF + "-1000");
    EXPECT_TRUE(L.empty());
}

TEST(Distribution, EmptyLinesAndTheLineUnderAssemblyStayAsReceived)
{
    FakeTable T({{"", 1}});
    Lines L{"", "5", "", "-1000", "12"};
    T.Distribute(L);
    EXPECT_EQ(T.Rows[0].Text, CRLF + "" + CRLF + "5" + CRLF + "" + CRLF + "-1000");
}

TEST(Distribution, RefusedPostKeepsTheBlocksNotYetStored)
{
    FakeTable T({{"", 1}, {"", 2, true}, {"", 1}});
    Lines L{"a", "-1000", "b", "-1000", "c", "-1000", "tail"};
    EXPECT_THROW(T.Distribute(L), std::runtime_error);
    EXPECT_EQ(T.Rows[0].Text, CRLF + "a" + CRLF + "-1000");
    EXPECT_EQ(T.Rows[1].Text, "");
    EXPECT_EQ(T.Rows[2].Text, "");
    EXPECT_EQ(L, (Lines{"b", "-1000", "c", "-1000", "tail"}));
}

TEST(TestStream, AppendsTwoBlocksAfterWhatTheListHeld)
{
    Lines L{"x", "12"};
    AppendTestStream(L);
    ASSERT_EQ(L.size(), 2u + 502u);
    EXPECT_EQ(L[1], "12");
    EXPECT_EQ(L[2], "0");
    EXPECT_EQ(L[251], "249");
    EXPECT_EQ(L[252], "-1000");
    EXPECT_EQ(L[253], "250");
    EXPECT_EQ(L[502], "499");
    EXPECT_EQ(L[503], "-1000");
}

TEST(TestStream, FillsTwoRowsOfOneReplicate)
{
    FakeTable T({{"", 1}, {"", 1}, {"", 1}});
    Lines L;
    AppendTestStream(L);
    T.Distribute(L);
    std::string First, Second;
    for (int I = 0; I < 250; ++I) {
        First += CRLF + std::to_string(I);
        Second += CRLF + std::to_string(250 + I);
    }
    EXPECT_EQ(T.Rows[0].Text, First + CRLF + "-1000");
    EXPECT_EQ(T.Rows[1].Text, Second + CRLF + "-1000");
    EXPECT_EQ(T.Rows[2].Text, "");
}
