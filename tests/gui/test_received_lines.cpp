// Line assembly and plot pass of the received-lines list.
#include <gtest/gtest.h>

#include <QChart>
#include <QLineSeries>

#include <memory>
#include <string>
#include <vector>

#include "ReceivedLines.h"

using gui::TReceivedLines;
using Lines = std::vector<std::string>;

namespace {

void Feed(TReceivedLines& r, const std::string& chunk)
{
    r.ReceiveData(chunk.data(), chunk.size());
}

// A list with a chart-less owner: series are kept here, view chosen by a flag.
struct Plotter {
    bool overlaped = true;
    std::vector<std::unique_ptr<QLineSeries>> series;
    TReceivedLines r;
    Plotter()
    {
        series.push_back(std::make_unique<QLineSeries>());
        r.FCurrentSeries = series.front().get();
        r.IsOverlapedView = [this] { return overlaped; };
        r.NewSeries = [this] {
            series.push_back(std::make_unique<QLineSeries>());
            return series.back().get();
        };
    }
    QList<QPointF> Points(size_t i) const { return series.at(i)->points(); }
};

}  // namespace

TEST(LineAssembly, JoinsSplitDigitsAndDropsNulAndLf)
{
    TReceivedLines r;
    Feed(r, "12");
    EXPECT_EQ(r.FReceivedLines, Lines({"12"}));
    Feed(r, "34\r");
    EXPECT_EQ(r.FReceivedLines, Lines({"1234", ""}));
    Feed(r, "-10");
    Feed(r, std::string("0\0" "0\r\n", 5));
    EXPECT_EQ(r.FReceivedLines, Lines({"1234", "-1000", ""}));
    // CR at the end of one chunk, LF at the start of the next: one line end.
    Feed(r, "5\r");
    Feed(r, "\n6");
    EXPECT_EQ(r.FReceivedLines, Lines({"1234", "-1000", "5", "6"}));
    // Several lines in one chunk, two CRs in a row give an empty line.
    Feed(r, "7\r\r8\r9");
    EXPECT_EQ(r.FReceivedLines, Lines({"1234", "-1000", "5", "67", "", "8", "9"}));
}

TEST(LineAssembly, NulOnlyChunkChangesNothingLfOnlyChunkRunsAPass)
{
    TReceivedLines r;
    EXPECT_FALSE(r.Assemble(std::string(3, '\0').data(), 3));
    EXPECT_TRUE(r.FReceivedLines.empty());
    // An empty list gets one empty line under assembly from an LF-only chunk.
    EXPECT_TRUE(r.Assemble("\n\n", 2));
    EXPECT_EQ(r.FReceivedLines, Lines({""}));
    EXPECT_TRUE(r.Assemble("1", 1));
    EXPECT_FALSE(r.Assemble(std::string(1, '\0').data(), 1));
    EXPECT_TRUE(r.Assemble("\n", 1));
    EXPECT_EQ(r.FReceivedLines, Lines({"1"}));
    // A lone CR on an empty list: an empty complete line and an empty rest.
    TReceivedLines e;
    EXPECT_TRUE(e.Assemble("\r", 1));
    EXPECT_EQ(e.FReceivedLines, Lines({"", ""}));
}

TEST(LineAssembly, EndMarkerIsComparedExactly)
{
    Plotter p;
    Feed(p.r, "1\r-1000 \r2\r-1000\r3\r");
    EXPECT_EQ(p.r.FReceivedLines, Lines({"1", "-1000 ", "2", "-1000", "3", ""}));
    // "-1000 " is no marker and no reading; the real marker opens series 2.
    ASSERT_EQ(p.series.size(), 2u);
    EXPECT_EQ(p.Points(0), QList<QPointF>({{0.02, 1}, {0.04, 2}}));
    EXPECT_EQ(p.Points(1), QList<QPointF>({{0.02, 3}}));
}

TEST(PlotPass, LineUnderAssemblyWaitsForItsCr)
{
    Plotter p;
    Feed(p.r, "12");
    EXPECT_EQ(p.series[0]->count(), 0);
    EXPECT_EQ(p.r.FLastPlottedLine, 0);
    Feed(p.r, "34\r");
    EXPECT_EQ(p.Points(0), QList<QPointF>({{0.02, 1234}}));
    EXPECT_EQ(p.r.FLastPlottedLine, 1);
    EXPECT_FALSE(p.r.FPlotting);
}

TEST(PlotPass, OverlapedViewStartsANewSeriesAtEachMarker)
{
    Plotter p;
    Feed(p.r, "10\r\r20\r-1000\r30\r40\r-1000\r50\r");
    ASSERT_EQ(p.series.size(), 3u);
    EXPECT_EQ(p.Points(0), QList<QPointF>({{0.02, 10}, {0.04, 20}}));
    EXPECT_EQ(p.Points(1), QList<QPointF>({{0.02, 30}, {0.04, 40}}));
    EXPECT_EQ(p.Points(2), QList<QPointF>({{0.02, 50}}));
    EXPECT_EQ(p.r.FCurrentSeries, p.series[2].get());
}

TEST(PlotPass, SequenceViewKeepsOneSeriesAndXRunsOnAsExtendedSum)
{
    Plotter p;
    p.overlaped = false;
    std::string stream;
    for (int i = 0; i < 300; ++i) {
        stream += std::to_string(i) + "\r\n";
        if (i % 100 == 99)
            stream += "-1000\r\n";
    }
    // Irregular chunks.
    for (size_t at = 0; at < stream.size();) {
        const size_t n = std::min<size_t>(1 + at % 7, stream.size() - at);
        Feed(p.r, stream.substr(at, n));
        at += n;
    }
    ASSERT_EQ(p.series.size(), 1u);
    const QList<QPointF> pts = p.Points(0);
    ASSERT_EQ(pts.size(), 300);
    long double x = 0;
    for (int i = 0; i < 300; ++i) {
        x = x + 0.02L;
        EXPECT_EQ(pts[i].x(), static_cast<double>(x)) << i;
        EXPECT_EQ(pts[i].y(), i);
    }
    EXPECT_EQ(p.r.FPlotX, x);
}

TEST(PlotPass, SwitchingViewsChangesOnlyLaterMarkers)
{
    Plotter p;
    p.overlaped = false;
    Feed(p.r, "1\r-1000\r2\r");
    p.overlaped = true;
    Feed(p.r, "-1000\r3\r");
    ASSERT_EQ(p.series.size(), 2u);
    EXPECT_EQ(p.Points(0), QList<QPointF>({{0.02, 1}, {0.04, 2}}));
    EXPECT_EQ(p.Points(1), QList<QPointF>({{0.02, 3}}));
}

TEST(PlotPass, BadLineIsPassedOverOnce)
{
    Plotter p;
    Feed(p.r, "5\rabc\r12x\r99999999999\r7\r");
    EXPECT_EQ(p.Points(0), QList<QPointF>({{0.02, 5}, {0.04, 7}}));
    Feed(p.r, "8\r");
    EXPECT_EQ(p.Points(0).size(), 3);
    EXPECT_EQ(p.Points(0).back(), QPointF(0.06, 8));
    // The bad lines stay in the list as received.
    EXPECT_EQ(p.r.FReceivedLines[1], "abc");
}

TEST(PlotPass, StopsWhenSeriesHoldsAsManyPointsAsTheListHasLines)
{
    // After a reconnect the list starts again while the chart keeps its points.
    Plotter p;
    p.overlaped = false;
    Feed(p.r, "1\r2\r3\r");
    p.r.FReceivedLines.clear();
    p.r.FLastPlottedLine = 0;
    Feed(p.r, "4\r5\r");  // 3 lines, 3 points: nothing plotted
    EXPECT_EQ(p.Points(0).size(), 3);
    EXPECT_EQ(p.r.FLastPlottedLine, 0);
    Feed(p.r, "6\r");  // 4 lines: plotted from the first one on, x continues
    const QList<QPointF> pts = p.Points(0);
    ASSERT_EQ(pts.size(), 6);
    EXPECT_EQ(pts[3].y(), 4);
    EXPECT_EQ(pts[5].y(), 6);
    EXPECT_DOUBLE_EQ(pts[5].x(), 0.12);
}

TEST(PlotPass, ReplacedListIsPlottedFromWherePreviousPassStopped)
{
    Plotter p;
    Feed(p.r, "1\r2\r");  // FLastPlottedLine 2
    p.r.FReceivedLines = {"10", "20", "30", "40", "50"};
    Feed(p.r, "\r");  // "50" completes; lines 0 and 1 of the file stay unplotted
    const QList<QPointF> pts = p.Points(0);
    ASSERT_EQ(pts.size(), 5);
    EXPECT_EQ(pts[2].y(), 30);
    EXPECT_EQ(pts[4].y(), 50);
}

TEST(PlotPass, ReportsTheRangeOfNewPoints)
{
    Plotter p;
    double range[4] = {};
    int calls = 0;
    p.r.OnPlotted = [&](double a, double b, double c, double d) {
        range[0] = a, range[1] = b, range[2] = c, range[3] = d;
        ++calls;
    };
    Feed(p.r, "5\r-3\r9\r");
    EXPECT_EQ(calls, 1);
    EXPECT_DOUBLE_EQ(range[0], 0.02);
    EXPECT_DOUBLE_EQ(range[1], 0.06);
    EXPECT_EQ(range[2], -3);
    EXPECT_EQ(range[3], 9);
    Feed(p.r, "\r");  // an empty line adds no point
    EXPECT_EQ(calls, 1);
}

TEST(PlotPass, ParseReadingAcceptsSignedDecimalIntegersOnly)
{
    int v = 0;
    EXPECT_TRUE(gui::ParseReading("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(gui::ParseReading("+2147483647", v));
    EXPECT_EQ(v, INT32_MAX);
    for (const char* bad : {"", "-", "2147483648", " 1", "1 ", "$10", "0x10", "1.5"})
        EXPECT_FALSE(gui::ParseReading(bad, v)) << bad;
}
