// Received data on the main window: the data event through the line
// assembly into the live chart, the distribution into the rows after a run
// or a reset, "Save Samples" and the grid's viewer buttons.

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include "Charts.h"
#include "MainTestUtil.h"
#include "ViewGraph.h"
#include "ViewMemo.h"

#include <QTest>
#include <QTextEdit>
#include <QTimeLine>

#include <array>
#include <cmath>

#include "SpinWait.h"

using namespace VelorTime;
using namespace VelorTimeTest;
using namespace std::string_literals;

namespace {

// The live chart's x and y ranges: x min, x max, y min, y max.
using TRanges = std::array<double, 4>;

TRanges RangesOf(const TfrmMain& M)
{
    const auto* X = qobject_cast<QValueAxis*>(M.Chart->axes(Qt::Horizontal).value(0));
    const auto* Y = qobject_cast<QValueAxis*>(M.Chart->axes(Qt::Vertical).value(0));
    return X && Y ? TRanges{X->min(), X->max(), Y->min(), Y->max()} : TRanges{};
}

class ReceivedTest : public MainWindowTest {
protected:
    void Receive(const std::string& Bytes) { W->cpDrvReceiveData(nullptr, Bytes.data(), std::uint32_t(Bytes.size())); }
    gui::TChartView* View() const { return qobject_cast<gui::TChartView*>(W->ChartView); }
    // The run page shown with 500 readings (five replicates) on the live chart.
    void ShowRunWithReadings()
    {
        W->resize(800, 600);
        W->show();
        W->pcMain->setCurrentWidget(W->tsRun);
        Receive(FirstReadings());
        QCoreApplication::processEvents();
    }
    static std::string FirstReadings()
    {
        std::string Readings;
        for (int I = 0; I < 500; ++I)
            Readings += std::to_string(1000 + I % 300) + (I % 100 == 99 ? "\r-1000\r" : "\r");
        return Readings;
    }
    // A point of the plot, in shares of its width and height from its top left.
    QPoint InPlot(double Across, double Down) const
    {
        const QRectF Plot = W->Chart->plotArea();
        return (Plot.topLeft() + QPointF(Plot.width() * Across, Plot.height() * Down)).toPoint();
    }
    // A drag with the mouse on the chart, over a point half-way.
    void Drag(Qt::MouseButton Button, QPoint From, QPoint To)
    {
        QWidget* Port = View()->viewport();
        QTest::mousePress(Port, Button, {}, From);
        QTest::mouseMove(Port, (From + To) / 2);
        QTest::mouseMove(Port, To);
        QTest::mouseRelease(Port, Button, {}, To);
    }
    bool AnimationEnds() { return SpinUntil([&] { return !View()->ZoomRunning(); }); }
    // The ranges with the zoom's animation held at `Share` of its time on its
    // own clock; it goes on from there.
    TRanges HeldAt(double Share)
    {
        auto* Clock = View()->findChild<QTimeLine*>();
        if (!Clock || Clock->state() != QTimeLine::Running) {
            ADD_FAILURE() << "no zoom under way";
            return {};
        }
        Clock->setPaused(true);
        Clock->setCurrentTime(int(Clock->duration() * Share));
        const TRanges Ranges = RangesOf(*W);
        Clock->setPaused(false);
        return Ranges;
    }
    // How far range I has come at `At` on its way from `From` to `To`.
    static double ShareOfTheWay(const TRanges& From, const TRanges& At, const TRanges& To, int I)
    {
        return (At[I] - From[I]) / (To[I] - From[I]);
    }
    QList<QLineSeries*> LiveSeries() const
    {
        QList<QLineSeries*> Out;
        for (QAbstractSeries* S : W->Chart->series())
            Out << static_cast<QLineSeries*>(S);
        return Out;
    }
};

QList<QPointF> Pts(std::initializer_list<std::pair<double, double>> P)
{
    QList<QPointF> L;
    for (const auto& [X, Y] : P)
        L << QPointF(X, Y);
    return L;
}

const std::string CRLF = "\r\n";

}  // namespace

TEST_F(ReceivedTest, OneChunkWithAMarkerStartsANewSeries)
{
    Receive("12\r34\r-1000\r56\r");
    const QList<QLineSeries*> S = LiveSeries();
    ASSERT_EQ(S.size(), 2);
    EXPECT_EQ(S[0], W->MainSeries);
    EXPECT_EQ(S[0]->points(), Pts({{0.02, 12}, {0.04, 34}}));
    EXPECT_EQ(S[1]->points(), Pts({{0.02, 56}}));
    EXPECT_EQ(W->FLines.FCurrentSeries, S[1]);
    // The finished replicate is drawn from the view's frozen picture.
    auto* View = qobject_cast<gui::TChartView*>(W->ChartView);
    ASSERT_NE(View, nullptr);
    EXPECT_TRUE(View->IsFrozen(S[0]));
    EXPECT_FALSE(View->IsFrozen(S[1]));
    // The axes grew to the readings; all positive, so no negative range.
    auto* AxisX = qobject_cast<QValueAxis*>(W->Chart->axes(Qt::Horizontal).value(0));
    auto* AxisY = qobject_cast<QValueAxis*>(W->Chart->axes(Qt::Vertical).value(0));
    ASSERT_TRUE(AxisX && AxisY);
    EXPECT_GE(AxisX->max(), 0.04);
    EXPECT_LE(AxisY->min(), 12);
    EXPECT_GE(AxisY->min(), 0);
    EXPECT_GE(AxisY->max(), 56);
    EXPECT_EQ(W->FLines.FReceivedLines, (std::vector<std::string>{"12", "34", "-1000", "56", ""}));
    EXPECT_EQ(W->FLines.FLastPlottedLine, 4);
    EXPECT_FALSE(W->FLines.FPlotting);
}

TEST_F(ReceivedTest, LineUnderAssemblyIsPlottedOnceComplete)
{
    Receive("12");
    EXPECT_EQ(W->MainSeries->count(), 0);
    Receive("34\r");
    EXPECT_EQ(W->MainSeries->points(), Pts({{0.02, 1234}}));
    Receive("\n\0"s);
    EXPECT_EQ(W->MainSeries->count(), 1);
}

TEST_F(ReceivedTest, LineThatIsNoWholeNumberIsPassedOver)
{
    Receive("5\r1.5\rab\r\r7\r");
    EXPECT_EQ(W->MainSeries->points(), Pts({{0.02, 5}, {0.04, 7}}));
    Receive("8\r");
    EXPECT_EQ(W->MainSeries->points(), Pts({{0.02, 5}, {0.04, 7}, {static_cast<double>(0.04 + 0.02L), 8}}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ReceivedTest, PlotXIsADoubleSteppedInExtendedPrecision)
{
    std::string Chunk;
    for (int I = 0; I < 3000; ++I)
        Chunk += "1\r";
    Receive(Chunk);
    const QList<QPointF> P = W->MainSeries->points();
    ASSERT_EQ(P.size(), 3000);
    double X = 0;
    long double Extended = 0;
    int Differ = 0;
    for (int I = 0; I < 3000; ++I) {
        X = static_cast<double>(X + 0.02L);
        Extended += 0.02L;
        ASSERT_EQ(P[I].x(), X) << I;
        Differ += static_cast<double>(Extended) != X;
    }
    EXPECT_GT(Differ, 0);  // the two ways of keeping x part somewhere on the way
}

TEST_F(ReceivedTest, NewRunContinuesTheSeriesOfAResetReplicate)
{
    Receive("1\r2\r3\r");
    ASSERT_EQ(W->MainSeries->count(), 3);
    // What a run does when it starts.
    W->FLines.FReceivedLines.clear();
    W->FLines.FLastPlottedLine = 0;
    Receive("10\r20\r");  // the list holds 3 items: no more than the series' points
    EXPECT_EQ(W->MainSeries->count(), 3);
    Receive("30\r");
    const QList<QPointF> P = W->MainSeries->points();
    ASSERT_EQ(P.size(), 6);
    EXPECT_EQ(P[3].y(), 10);
    EXPECT_EQ(P[5].y(), 30);
    EXPECT_GT(P[3].x(), P[2].x());
    EXPECT_EQ(LiveSeries().size(), 1);
}

TEST_F(ReceivedTest, StoreFillsRowsWithoutDataNewestBlockFirst)
{
    SetRows({{1, "A", 2}, {2, "B", 1, 5, 3, 6, 12, 1, 2, "\r\n9\r\n-1000"}, {3, "C", 1}});
    W->FLines.FReceivedLines = {"1", "2", "-1000", "3", "4", "-1000", "5", "-1000", ""};
    W->StoreReceivedData();
    EXPECT_EQ(DataOf(0), CRLF + "3" + CRLF + "4" + CRLF + "-1000" + CRLF + "1" + CRLF + "2" + CRLF + "-1000");
    EXPECT_EQ(DataOf(1), "\r\n9\r\n-1000");  // held data: passed over
    EXPECT_EQ(DataOf(2), CRLF + "5" + CRLF + "-1000");
    EXPECT_TRUE(W->FLines.FReceivedLines.empty());
    EXPECT_TRUE(W->IsModified());
    EXPECT_FALSE(Table().ControlsDisabled());
    EXPECT_EQ(Table().State(), platform::tablestore::TDataSetState::Browse);
}

TEST_F(ReceivedTest, ResetDuringSecondRowAndNoMarker)
{
    SetRows({{1, "A", 2}, {2, "B", 2}, {3, "C", 2}});
    W->FLines.FReceivedLines = {"a", "-1000", "b", "-1000", "c", "-1000", "d"};
    W->StoreReceivedData();
    EXPECT_EQ(DataOf(0), CRLF + "b" + CRLF + "-1000" + CRLF + "a" + CRLF + "-1000");
    EXPECT_EQ(DataOf(1), CRLF + "c" + CRLF + "-1000");
    EXPECT_EQ(DataOf(2), "");
    EXPECT_TRUE(W->FLines.FReceivedLines.empty());

    W->SetModified(false);
    W->FLines.FReceivedLines = {"1", "2", ""};
    W->StoreReceivedData();
    EXPECT_EQ(DataOf(2), "");
    EXPECT_TRUE(W->FLines.FReceivedLines.empty());
    EXPECT_FALSE(W->IsModified());
}

TEST_F(ReceivedTest, RefusedRowIsReportedAndItsBlocksStayReceived)
{
    // The second row holds times the checks refuse (read after the replicate's end).
    SetRows({{1, "A", 1}, {2, "B", 1, 5, 3, 20, 12, 1, 2}, {3, "C", 1}});
    W->FLines.FReceivedLines = {"a", "-1000", "b", "-1000", "c", "-1000", ""};
    W->StoreReceivedData();
    EXPECT_EQ(DataOf(0), CRLF + "a" + CRLF + "-1000");
    EXPECT_EQ(DataOf(1), "");
    EXPECT_EQ(DataOf(2), "");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Can't send READ command when replicate is over.");
    EXPECT_EQ(W->FLines.FReceivedLines, (std::vector<std::string>{"b", "-1000", "c", "-1000", ""}));
    EXPECT_EQ(Table().State(), platform::tablestore::TDataSetState::Browse);
    EXPECT_FALSE(Table().ControlsDisabled());
}

TEST_F(ReceivedTest, SaveSamplesFeedsTheTestStreamAlsoDuringARun)
{
    SetRows({{1, "A", 1}, {2, "B", 1}, {3, "C", 1}});
    W->FRunning = true;
    W->acList->UpdateActions();
    EXPECT_TRUE(W->acInstrSaveSamples->isEnabled());
    EXPECT_TRUE(W->acList->Execute(W->acInstrSaveSamples));
    W->FRunning = false;
    std::string First, Second;
    for (int I = 0; I < 250; ++I) {
        First += CRLF + std::to_string(I);
        Second += CRLF + std::to_string(250 + I);
    }
    EXPECT_EQ(DataOf(0), First + CRLF + "-1000");
    EXPECT_EQ(DataOf(1), Second + CRLF + "-1000");
    EXPECT_EQ(DataOf(2), "");
    EXPECT_EQ(W->MainSeries->count(), 0);  // not plotted
    EXPECT_TRUE(Asked.empty());            // no file dialog: nothing is written
}

TEST_F(ReceivedTest, ViewerButtonsOpenTheViewersOnTheCurrentRow)
{
    SetRows({{1, "Lead", 1, 5, 3, 6, 12, 1, 2, "\r\n5\r\n6\r\n-1000\r\n7\r\n-1000"}, {2, "Empty", 1}});
    QString Shown, Title;
    int Series = -1;
    OnForm = [&](const gui::DialogRequest& R) {
        if (auto* Memo = qobject_cast<TfrmViewMemo*>(R.form))
            Shown = Memo->redView->toPlainText();
        if (auto* Graph = qobject_cast<TfrmViewGraphic*>(R.form)) {
            Title = Graph->Chart->title();
            Series = static_cast<int>(Graph->Chart->series().size());
        }
        return int(gui::mrOk);
    };
    const struct {
        int Row;
        const char* Text;
        const char* Title;
        int Series;
    } Cases[] = {{0, "5\n6\n-1000\n7\n-1000", "Lead", 3}, {1, "", "Empty", 1}};
    for (const auto& C : Cases) {
        Table().MoveTo(C.Row);
        emit W->DBGrid->editButtonClicked(fldReceivedData);
        EXPECT_EQ(Shown, C.Text);
        emit W->DBGrid->editButtonClicked(fldGraphicView);
        EXPECT_EQ(Title, C.Title);
        EXPECT_EQ(Series, C.Series);
        Asked.clear();
        emit W->DBGrid->editButtonClicked(fldSampleName);
        EXPECT_TRUE(Asked.empty());
    }
}

// The live chart's animated zoom, driven by the mouse: a rubber band dragged
// down and to the right zooms into it with the axes gliding there, slowing
// down towards the end (finished replicates, drawn from the frozen picture,
// go along), while readings that arrive meanwhile show at once (the chart
// animates no points); a band dragged up and to the left goes back the same
// way to the ranges that follow the data (those before the zoom: the
// readings stayed inside them).
TEST_F(ReceivedTest, RubberBandZoomIsAnimatedAndLivePointsAreNot)
{
    ShowRunWithReadings();
    ASSERT_NE(View(), nullptr);
    EXPECT_TRUE(View()->AnimatedZoom());
    EXPECT_EQ(W->Chart->animationOptions(), QChart::NoAnimation);
    const TRanges Before = RangesOf(*W);
    const QRectF Plot = W->Chart->plotArea();
    const QPoint From = InPlot(0.25, 0.25), To = InPlot(0.5, 0.75);
    const double Pixel = (Before[1] - Before[0]) / Plot.width();
    const double WantMin = Before[0] + (From.x() - Plot.left()) * Pixel;
    const double WantMax = Before[0] + (To.x() - Plot.left()) * Pixel;

    Drag(Qt::LeftButton, From, To);
    ASSERT_TRUE(View()->ZoomRunning());
    EXPECT_GT(std::abs(RangesOf(*W)[0] - WantMin), 10 * Pixel);   // not there at once
    // A reading during the zoom is on its series at once.
    Receive("1111\r");
    EXPECT_EQ(W->FLines.FCurrentSeries->points().back().y(), 1111);
    // The animation held at a quarter, half and three quarters of its time:
    // each step nearer the zoom than the one before.
    const std::array<TRanges, 3> Held{HeldAt(0.25), HeldAt(0.5), HeldAt(0.75)};
    ASSERT_TRUE(AnimationEnds());
    EXPECT_TRUE(View()->IsZoomed());
    const TRanges Zoomed = RangesOf(*W);
    EXPECT_NEAR(Zoomed[0], WantMin, Pixel);
    EXPECT_NEAR(Zoomed[1], WantMax, Pixel);
    EXPECT_LT(Zoomed[3], Before[3]);
    EXPECT_GT(Zoomed[2], Before[2]);
    for (int I = 0; I < 4; ++I) {
        double Was = 0;
        for (const TRanges& At : Held) {
            const double Share = ShareOfTheWay(Before, At, Zoomed, I);
            EXPECT_GT(Share, Was) << I;
            EXPECT_LT(Share, 1) << I;
            Was = Share;
        }
    }

    // Back, half-way at half the time.
    Drag(Qt::LeftButton, To, From);
    ASSERT_TRUE(View()->ZoomRunning());
    const TRanges Half = HeldAt(0.5);
    ASSERT_TRUE(AnimationEnds());
    EXPECT_FALSE(View()->IsZoomed());
    EXPECT_EQ(RangesOf(*W), Before);
    for (int I = 0; I < 4; ++I) {
        const double Share = ShareOfTheWay(Zoomed, Half, Before, I);
        EXPECT_GT(Share, 0.25) << I;
        EXPECT_LT(Share, 1) << I;
    }
}

// Zoomed, the chart keeps the zoomed ranges while readings arrive that make
// the ranges following the data grow (those of a chart that was never
// zoomed): the points outside are simply not in view.
TEST_F(ReceivedTest, ZoomedRangesStayWhileReadingsGrowTheData)
{
    ShowRunWithReadings();
    TfrmMain Unzoomed;
    const std::string First = FirstReadings();
    Unzoomed.cpDrvReceiveData(nullptr, First.data(), std::uint32_t(First.size()));
    ASSERT_EQ(RangesOf(*W), RangesOf(Unzoomed));
    Drag(Qt::LeftButton, InPlot(0.25, 0.25), InPlot(0.5, 0.75));
    ASSERT_TRUE(AnimationEnds());
    ASSERT_TRUE(View()->IsZoomed());
    const TRanges Zoomed = RangesOf(*W);
    ASSERT_NE(Zoomed, RangesOf(Unzoomed));

    std::string Long;
    for (int I = 0; I < 3000; ++I)
        Long += "1100\r";
    const struct {
        const char* Name;
        std::string Bytes;
    } Cases[] = {
        {"replicate longer than the x range", Long},
        {"reading above the y range", "90000\r"},
        {"reading below zero", "-5000\r"},
        {"new replicate", "-1000\r400000\r"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const TRanges Before = RangesOf(Unzoomed);
        Receive(C.Bytes);
        Unzoomed.cpDrvReceiveData(nullptr, C.Bytes.data(), std::uint32_t(C.Bytes.size()));
        ASSERT_NE(RangesOf(Unzoomed), Before);   // the readings do grow the data's ranges
        QCoreApplication::processEvents();
        EXPECT_EQ(RangesOf(*W), Zoomed);
        EXPECT_TRUE(View()->IsZoomed());
        EXPECT_FALSE(View()->ZoomRunning());
    }
}

// A rectangle dragged up and to the left (or up, or to the left) unzooms a
// zoomed or scrolled chart: the axes glide back to the ranges that follow
// the data as it is now, the same as a chart that was never zoomed, and
// follow new readings again from then on.
TEST_F(ReceivedTest, DragUpOrLeftUnzoomsToTheRangesThatFollowTheData)
{
    ShowRunWithReadings();
    TfrmMain Unzoomed;
    const auto ReceiveBoth = [&](const std::string& Bytes) {
        Receive(Bytes);
        Unzoomed.cpDrvReceiveData(nullptr, Bytes.data(), std::uint32_t(Bytes.size()));
    };
    const std::string First = FirstReadings();
    Unzoomed.cpDrvReceiveData(nullptr, First.data(), std::uint32_t(First.size()));
    const struct {
        const char* Name;
        Qt::MouseButton Into;   // zoomed (left) or scrolled (right)
        QPointF From, To;       // the unzoom drag, in shares of the plot
    } Cases[] = {
        {"zoomed, up and left", Qt::LeftButton, {0.7, 0.7}, {0.3, 0.3}},
        {"scrolled, up and left", Qt::RightButton, {0.7, 0.7}, {0.3, 0.3}},
        {"zoomed, up and right", Qt::LeftButton, {0.3, 0.7}, {0.7, 0.3}},
        {"zoomed, down and left", Qt::LeftButton, {0.7, 0.3}, {0.3, 0.7}},
    };
    double Reading = 2000;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Drag(C.Into, InPlot(0.4, 0.4), InPlot(0.6, 0.6));
        ASSERT_TRUE(AnimationEnds());
        ASSERT_TRUE(View()->IsZoomed());
        ReceiveBoth(std::to_string(int(Reading *= 3)) + "\r");
        ASSERT_NE(RangesOf(*W), RangesOf(Unzoomed));

        // The unzoom, its animation held half-way on its clock: the axes are
        // well on their way to the ranges of the data (they slow down towards
        // the end).
        const TRanges From = RangesOf(*W), To = RangesOf(Unzoomed);
        Drag(Qt::LeftButton, InPlot(C.From.x(), C.From.y()), InPlot(C.To.x(), C.To.y()));
        ASSERT_TRUE(View()->ZoomRunning());
        const TRanges Half = HeldAt(0.5);
        for (int I = 0; I < 4; ++I)
            if (To[I] != From[I]) {
                const double Share = ShareOfTheWay(From, Half, To, I);
                EXPECT_GT(Share, 0.25) << I;
                EXPECT_LT(Share, 1) << I;
            }
        ASSERT_TRUE(AnimationEnds());
        EXPECT_FALSE(View()->IsZoomed());
        EXPECT_EQ(RangesOf(*W), To);

        ReceiveBoth(std::to_string(int(Reading *= 3)) + "\r-1000\r");
        EXPECT_EQ(RangesOf(*W), RangesOf(Unzoomed));
    }
}

// The right button drags the view: both ranges shift by the distance the
// mouse moved, in axis units, while the mouse moves (no animation), and
// keep their widths; the curves follow the mouse.
TEST_F(ReceivedTest, RightButtonDragScrollsTheView)
{
    ShowRunWithReadings();
    const struct {
        const char* Name;
        QPoint Move;   // pixels
    } Cases[] = {
        {"right", {120, 0}},
        {"left", {-80, 0}},
        {"down", {0, 60}},
        {"up and left", {-50, -40}},
        {"down and right", {30, 90}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const QRectF Plot = W->Chart->plotArea();
        const TRanges Before = RangesOf(*W);
        const double UnitX = (Before[1] - Before[0]) / Plot.width(), UnitY = (Before[3] - Before[2]) / Plot.height();
        const QPoint From = InPlot(0.5, 0.5), To = From + C.Move;
        QWidget* Port = View()->viewport();
        QTest::mousePress(Port, Qt::RightButton, {}, From);
        QTest::mouseMove(Port, From + C.Move / 2);
        // Half-way there while the button is still down.
        const QPoint Half = C.Move / 2;
        EXPECT_NEAR(RangesOf(*W)[0], Before[0] - Half.x() * UnitX, 1e-9 * UnitX);
        EXPECT_NEAR(RangesOf(*W)[2], Before[2] + Half.y() * UnitY, 1e-9 * UnitY);
        QTest::mouseMove(Port, To);
        QTest::mouseRelease(Port, Qt::RightButton, {}, To);
        EXPECT_FALSE(View()->ZoomRunning());
        EXPECT_TRUE(View()->IsZoomed());
        const TRanges After = RangesOf(*W);
        EXPECT_NEAR(After[0], Before[0] - C.Move.x() * UnitX, 1e-9 * UnitX);
        EXPECT_NEAR(After[2], Before[2] + C.Move.y() * UnitY, 1e-9 * UnitY);
        EXPECT_NEAR(After[1] - After[0], Before[1] - Before[0], 1e-9 * UnitX);
        EXPECT_NEAR(After[3] - After[2], Before[3] - Before[2], 1e-9 * UnitY);
    }
}
