// The signal chart's batched showing and rescaling: curves attached during an
// update reach the chart with every point once the update ends, and a rescale
// hands no shown curve its points again (the view's picture draws them)
// however many steps the axes take; in the sample and experiment windows the
// picture follows the window's size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QStyleOptionTitleBar>
#include <QWidget>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest/QTest>

#include <functional>
#include <memory>
#include <sstream>
#include <tuple>
#include <vector>

#include "AASCls.h"
#include "Charts.h"
#include "ExperimentTestUtil.h"
#include "Sample.h"
#include "ScriptedDialogs.h"
#include "SignalChart.h"

using namespace VelorSpec;

namespace {

class SignalChartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(800, 500);
        chart = std::make_unique<TSignalChart>(&window);
        chart->View->resize(800, 500);
        window.show();
    }

    // A curve of `points` values starting at `base`.
    QLineSeries* AddCurve(int index, int points, double base)
    {
        auto replicate = std::make_unique<TAASReplicate>();
        for (int j = 0; j < points; ++j)
            replicate->Add(base + (j * 7 + index) % 11);
        QLineSeries* s = chart->NewSeries(QStringLiteral("Curve %1").arg(index));
        chart->FillSeries(s, replicate.get(), 0.5);
        replicates.push_back(std::move(replicate));
        curves << s;
        return s;
    }

    static const QList<QPointF>& All(QLineSeries* s) { return static_cast<gui::TChartSeries*>(s)->AllPoints(); }

    QWidget window;
    std::unique_ptr<TSignalChart> chart;
    std::vector<std::unique_ptr<TAASReplicate>> replicates;
    QList<QLineSeries*> curves;
};

TEST_F(SignalChartTest, CurvesAttachedInAnUpdateGetEveryPointWhenItEnds)
{
    for (int i = 0; i < 30; ++i)
        AddCurve(i, 200, 100);
    chart->UpdateAxisRanges();
    {
        const TSignalChart::TUpdateScope update(*chart);
        for (QLineSeries* s : std::as_const(curves))
            chart->AttachSeries(s);
        // Nested scopes (one per sample inside Select All) end nothing early.
        {
            const TSignalChart::TUpdateScope inner(*chart);
        }
        EXPECT_TRUE(curves[0]->points().isEmpty());
    }
    ASSERT_EQ(chart->AttachedCount(), 30);
    for (QLineSeries* s : std::as_const(curves)) {
        EXPECT_TRUE(chart->IsAttached(s));
        EXPECT_EQ(s->points(), All(s)) << s->name().toStdString();
    }
    // Colours as when attached one by one: the first twelve all differ.
    for (int i = 0; i < gui::AutoColorCount(); ++i)
        EXPECT_EQ(curves[i]->color(), gui::AutoColor(i));
}

TEST_F(SignalChartTest, CurveTakenOffDuringAnUpdateKeepsItsPoints)
{
    QLineSeries* a = AddCurve(0, 50, 10);
    QLineSeries* b = AddCurve(1, 50, 10);
    chart->UpdateAxisRanges();
    {
        const TSignalChart::TUpdateScope update(*chart);
        chart->AttachSeries(a);
        chart->AttachSeries(b);
        chart->DetachSeries(a);
    }
    EXPECT_FALSE(chart->IsAttached(a));
    EXPECT_EQ(a->points(), All(a));
    EXPECT_EQ(b->points(), All(b));
    // Freed while held: nothing is left to hand over.
    {
        const TSignalChart::TUpdateScope update(*chart);
        chart->AttachSeries(a);
        chart->FreeSeries(a);
    }
    EXPECT_EQ(chart->AttachedCount(), 1);
}

TEST_F(SignalChartTest, RescaleHandsNoShownCurveItsPointsAgain)
{
    for (int i = 0; i < 8; ++i)
        AddCurve(i, 300, 100);
    chart->UpdateAxisRanges();
    for (QLineSeries* s : std::as_const(curves))
        chart->AttachSeries(s);
    QLineSeries* hidden = AddCurve(8, 300, 100);

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (QLineSeries* s : std::as_const(curves))
        spies.push_back(std::make_unique<QSignalSpy>(s, &QXYSeries::pointsReplaced));
    // A curve far above the others moves the value axis.
    auto high = std::make_unique<TAASReplicate>();
    for (int j = 0; j < 300; ++j)
        high->Add(5000 + j);
    chart->FillSeries(hidden, high.get(), 0.5);
    chart->UpdateAxisRanges();

    ASSERT_EQ(chart->View->FrozenCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(spies[i]->count(), 0) << i;
        EXPECT_EQ(curves[i]->points(), All(curves[i])) << i;
    }
}

// A constant curve of `points` values `value`.
std::unique_ptr<TAASReplicate> Flat(int points, double value)
{
    auto replicate = std::make_unique<TAASReplicate>();
    for (int j = 0; j < points; ++j)
        replicate->Add(value);
    return replicate;
}

// Whether the view's picture has a pixel of `colour` on the row of `y` (value
// axis) in the middle of the plot.
bool DrawnAt(const TSignalChart& chart, const QColor& colour, double y)
{
    const QImage picture = chart.View->grab().toImage();
    const QRectF plot = chart.Chart->plotArea();
    const double row = plot.bottom() - (y - chart.LeftAxis->min()) / (chart.LeftAxis->max() - chart.LeftAxis->min()) *
                                           plot.height();
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (picture.pixelColor(static_cast<int>(plot.center().x()) + dx, static_cast<int>(row) + dy) == colour)
                return true;
    return false;
}

// The shown curves are the view's picture, not the chart's items: each is
// still one of the chart's curves, in the legend with its colour, and the
// picture follows a refill and a rescale.
TEST_F(SignalChartTest, ShownCurvesAreDrawnByTheViewAndFollowTheirPoints)
{
    auto low = Flat(200, 100), high = Flat(200, 300);
    QLineSeries* a = chart->NewSeries(QStringLiteral("Low"));
    QLineSeries* b = chart->NewSeries(QStringLiteral("High"));
    chart->FillSeries(a, low.get(), 0.5);
    chart->FillSeries(b, high.get(), 0.5);
    // A hidden curve spans both, so that the refill below keeps the scale.
    auto span = Flat(200, 100);
    span->Add(300);
    chart->FillSeries(chart->NewSeries(QStringLiteral("Span")), span.get(), 0.5);
    chart->UpdateAxisRanges();
    chart->AttachSeries(a);
    chart->AttachSeries(b);
    QApplication::processEvents();

    EXPECT_EQ(chart->Chart->series(), (QList<QAbstractSeries*>{a, b}));
    EXPECT_TRUE(chart->View->IsFrozen(a));
    QStringList names;
    for (const gui::TChartLegend::TEntry& entry : chart->Legend->Entries()) {
        names << entry.Name;
        EXPECT_EQ(entry.Color, entry.Name == "Low" ? a->color() : b->color());
    }
    EXPECT_EQ(names, (QStringList{"Low", "High"}));
    EXPECT_TRUE(DrawnAt(*chart, a->color(), 100));
    EXPECT_TRUE(DrawnAt(*chart, b->color(), 300));

    // A command refills the low curve higher up, within the scale.
    const double max = chart->LeftAxis->max();
    auto middle = Flat(200, 200);
    chart->FillSeries(a, middle.get(), 0.5);
    chart->UpdateAxisRanges();
    ASSERT_EQ(chart->LeftAxis->max(), max);
    EXPECT_TRUE(DrawnAt(*chart, a->color(), 200));
    EXPECT_FALSE(DrawnAt(*chart, a->color(), 100));
    EXPECT_EQ(a->points(), All(a));

    // One far above moves the value axis: both are drawn on the new scale.
    auto top = Flat(200, 900);
    chart->FillSeries(b, top.get(), 0.5);
    chart->UpdateAxisRanges();
    EXPECT_GE(chart->LeftAxis->max(), 900);
    EXPECT_TRUE(DrawnAt(*chart, a->color(), 200));
    EXPECT_TRUE(DrawnAt(*chart, b->color(), 900));

    // Hidden again: off the chart, the legend and the picture.
    chart->DetachSeries(a);
    EXPECT_FALSE(chart->View->IsFrozen(a));
    ASSERT_EQ(chart->Legend->Entries().size(), 1);
    EXPECT_FALSE(DrawnAt(*chart, gui::AutoColor(0), 200));
    EXPECT_TRUE(DrawnAt(*chart, b->color(), 900));
}

// ---------------------------------------------------------------------------
// The charts of the sample and experiment windows, opened through the frame.

class ChartsInWindows : public experiment_test::ExperimentFixture {
protected:
    void SetUp() override
    {
        ExperimentFixture::SetUp();
        ActivateFrame();
    }
    // A key where the focus is, as the keyboard sends it.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
        experiment_test::Pump();
    }
    // Opens a file with Ctrl+O (the open dialog answered with it).
    QWidget* OpenByKeys(const QString& path)
    {
        dialogs.ChooseFile(path);
        Press(Qt::Key_O, Qt::ControlModifier);
        return frame->ActiveChild();
    }
    // Shows a sample's curves: a click on its node's text, then Space.
    static void ShowCurves(QTreeWidget* tree, QTreeWidgetItem* node)
    {
        tree->scrollToItem(node);
        const QRect r = tree->visualItemRect(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 2, r.center().y()));
        ASSERT_EQ(tree->currentItem(), node);
        Press(Qt::Key_Space);
    }

    ScriptedDialogs dialogs;
};

// Whether the last shown curve (drawn over the others) lies in the view's
// picture where its points fall in the plot as it is now: the pixels of its
// colour span the points' extent, to a few pixels.
bool DrawnToThePlot(QChart* chart, QChartView* view, std::string& why)
{
    const QList<QAbstractSeries*> shown = chart->series();
    const auto* curve = shown.isEmpty() ? nullptr : qobject_cast<const gui::TChartSeries*>(shown.back());
    const QList<QAbstractAxis*> xs = chart->axes(Qt::Horizontal), ys = chart->axes(Qt::Vertical);
    if (curve == nullptr || xs.isEmpty() || ys.isEmpty()) {
        why = "no curve shown";
        return false;
    }
    const auto* x = static_cast<const QValueAxis*>(xs.front());
    const auto* y = static_cast<const QValueAxis*>(ys.front());
    const QRectF plot = chart->plotArea();
    QPolygonF at;
    for (const QPointF& p : curve->AllPoints())
        at << QPointF(plot.left() + (p.x() - x->min()) / (x->max() - x->min()) * plot.width(),
                      plot.bottom() - (p.y() - y->min()) / (y->max() - y->min()) * plot.height());
    const QRectF points = at.boundingRect();
    const QImage picture = view->grab().toImage();
    const QRect search = plot.toAlignedRect().adjusted(-3, -3, 3, 3) & picture.rect();
    QRect drawn;
    for (int py = search.top(); py <= search.bottom(); ++py)
        for (int px = search.left(); px <= search.right(); ++px)
            if (picture.pixelColor(px, py) == curve->color())
                drawn |= QRect(px, py, 1, 1);
    const auto near = [](double a, double b) { return std::abs(a - b) <= 3; };
    std::ostringstream text;
    text << "plot " << plot.width() << "x" << plot.height() << ", points from (" << points.left() << ", "
         << points.top() << ") to (" << points.right() << ", " << points.bottom() << "), drawn from ("
         << drawn.left() << ", " << drawn.top() << ") to (" << drawn.right() << ", " << drawn.bottom() << ")";
    why = text.str();
    return !drawn.isEmpty() && near(drawn.left(), points.left()) && near(drawn.right(), points.right()) &&
           near(drawn.top(), points.top()) && near(drawn.bottom(), points.bottom());
}

// Resized or maximized, a window's chart shows its curves drawn to the new
// plot size at once (not the picture drawn for the size before).
TEST_F(ChartsInWindows, ShownCurvesAreDrawnToTheNewPlotSizeAtOnce)
{
    const auto one = sample_window_test::MakeSample("S", 3, 60);
    auto* sample = qobject_cast<TfrmSample*>(OpenByKeys(sample_window_test::WriteSample(dir, "s.AST", *one)));
    ASSERT_NE(sample, nullptr);
    ShowCurves(sample->tviewSample, sample->SampleNode());
    auto e = experiment_test::MakeExperiment("E", {"A", "B"}, 3, 60);
    auto* experiment =
        qobject_cast<TfrmExperiment*>(OpenByKeys(experiment_test::WriteExperiment(dir, "e.AXP", *e)));
    ASSERT_NE(experiment, nullptr);
    ShowCurves(experiment->tviewExperiment, experiment->SampleNode(0));
    ASSERT_EQ(sample->MainChart->series().size(), 4);
    ASSERT_EQ(experiment->MainChart->series().size(), 4);

    // A double click on the title bar of the active window maximizes it.
    const auto maximizeActive = [&] {
        QMdiSubWindow* sub = frame->MdiArea->currentSubWindow();
        QStyleOptionTitleBar title;
        title.initFrom(sub);
        const int height = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title, sub);
        const QPoint onTitle(sub->width() / 2, height / 2);
        QTest::mouseMove(sub, onTitle);
        QTest::mouseDClick(sub, Qt::LeftButton, {}, onTitle);
        QTest::mouseRelease(sub, Qt::LeftButton, {}, onTitle);   // the button comes up
        experiment_test::Pump();
        ASSERT_TRUE(sub->isMaximized());
    };
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"Tile Horizontal, Ctrl+F3", [] { Press(Qt::Key_F3, Qt::ControlModifier); }},
        {"Tile Vertical, Ctrl+F7", [] { Press(Qt::Key_F7, Qt::ControlModifier); }},
        {"the experiment window maximized", maximizeActive},
        {"the frame grown around it",
         [&] {
             frame->resize(frame->size() + QSize(160, 120));
             experiment_test::Pump();
         }},
        {"Tile Horizontal again", [] { Press(Qt::Key_F3, Qt::ControlModifier); }},
        {"the sample window maximized",
         [&] {
             Press(Qt::Key_Tab, Qt::ControlModifier);
             ASSERT_EQ(frame->ActiveChild(), sample);
             maximizeActive();
         }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        const QSize before[] = {sample->MainChartView->size(), experiment->MainChartView->size()};
        change.change();
        EXPECT_TRUE(sample->MainChartView->size() != before[0] || experiment->MainChartView->size() != before[1]);
        for (const auto& [name, chart, view] :
             {std::tuple<const char*, QChart*, QChartView*>{"sample", sample->MainChart, sample->MainChartView},
              {"experiment", experiment->MainChart, experiment->MainChartView}}) {
            std::string why;
            EXPECT_TRUE(QTest::qWaitFor([&] { return DrawnToThePlot(chart, view, why); })) << name << ": " << why;
        }
    }
}

}  // namespace
