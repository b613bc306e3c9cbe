// Shared chart pieces: readable axes, distinct automatic colours, reduced
// drawing of long curves and the frozen layer of a live chart.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QRegularExpression>
#include <QValueAxis>

#include <cmath>
#include <functional>
#include <memory>
#include <ostream>

#include "../workbench/CalibrationTestUtil.h"
#include "Charts.h"
#include "Experiment.h"
#include "Sample.h"
#include "SysUtils.h"
#include "ViewGraph.h"

namespace {

// A chart of the given size with a time axis below and a value axis left,
// scaled to the given data ranges.
struct TimeValueChart {
    QChart chart;
    QValueAxis* x = gui::NewValueAxis();
    QValueAxis* y = gui::NewValueAxis();
    TimeValueChart(qreal width, qreal height, double x0, double x1, double y0, double y1)
    {
        chart.resize(width, height);
        chart.addAxis(x, Qt::AlignBottom);
        chart.addAxis(y, Qt::AlignLeft);
        gui::ScaleAxisToData(x, x0, x1, gui::TimeAxis);
        gui::ScaleAxisToData(y, y0, y1);
    }
};

// A step is 1, 2 or 5 times a power of ten.
bool IsOneTwoFive(double step)
{
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-12));
    for (const double m : {1.0, 2.0, 5.0})
        if (std::fabs(mantissa - m) < 1e-9)
            return true;
    return false;
}

// Every text drawn in a chart's scene (axis labels among them).
QStringList SceneTexts(QGraphicsScene* scene)
{
    QStringList texts;
    for (QGraphicsItem* item : scene->items()) {
        if (!item->isVisible())
            continue;
        if (auto* t = dynamic_cast<QGraphicsTextItem*>(item))
            texts << t->toPlainText();
        else if (auto* s = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            texts << s->text();
    }
    return texts;
}

// CIE L*a*b* distance of two colours (sRGB, D65).
double DeltaE(const QColor& a, const QColor& b)
{
    const auto lab = [](const QColor& c, double out[3]) {
        const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        const double r = lin(c.redF()), g = lin(c.greenF()), bl = lin(c.blueF());
        const double x = (0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047;
        const double y = 0.2126 * r + 0.7152 * g + 0.0722 * bl;
        const double z = (0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883;
        const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116; };
        out[0] = 116 * f(y) - 16;
        out[1] = 500 * (f(x) - f(y));
        out[2] = 200 * (f(y) - f(z));
    };
    double p[3], q[3];
    lab(a, p);
    lab(b, q);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
}

}  // namespace

// Typical ranges: a replicate's time axis (seconds), raw readings, absorbance
// (readings / 10000), a baseline around zero and a live chart's first points.
TEST(ChartAxes, TicksOnOneTwoFiveStepsWithLabelsOnEveryTick)
{
    struct Case {
        double lo, hi;
        gui::TAxisOptions options;
    } cases[] = {
        {0.02, 200.0, gui::TimeAxis}, {0.02, 7.5, gui::TimeAxis}, {0.02, 0.02, gui::TimeAxis},
        {812, 3127, gui::ValueAxis},  {0.0812, 0.3127, gui::ValueAxis}, {-0.013, 0.021, gui::ValueAxis},
        {1000, 1003, gui::ValueAxis}, {-1500, -200, gui::ValueAxis},    {0, 65535, gui::ValueAxis},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lo << " .. " << c.hi);
        const gui::TAxisScale s = gui::NiceScale(c.lo, c.hi, c.options);
        EXPECT_TRUE(IsOneTwoFive(s.Step)) << s.Step;
        EXPECT_LE(s.Min, c.lo);
        EXPECT_GE(s.Max, c.hi);
        const QList<double> ticks = gui::ScaleTicks(s);
        EXPECT_GE(ticks.size(), 3);
        EXPECT_LE(ticks.size(), c.options.MaxIntervals + 1);
        for (const double t : ticks) {
            EXPECT_NEAR(t / s.Step, std::round(t / s.Step), 1e-9);
            // The label reads back as the tick.
            EXPECT_NEAR(gui::AxisLabel(t, s.Decimals).toDouble(), t, s.Step * 1e-6);
        }
    }
    EXPECT_EQ(gui::NiceStep(10, 5), 2);
    EXPECT_EQ(gui::NiceStep(11, 5), 5);
    EXPECT_EQ(gui::NiceStep(0.35, 8), 0.05);
    EXPECT_EQ(gui::NiceStep(1000, 10), 100);
}

TEST(ChartAxes, ValueAxisLeavesAMarginAboveAndBelowTheCurves)
{
    const gui::TAxisScale s = gui::NiceScale(1000, 3000);
    EXPECT_LT(s.Min, 1000);
    EXPECT_GT(s.Max, 3000);
    EXPECT_LE(3000 - s.Min, 2000 * 1.2);  // small, not a doubled range
    const gui::TAxisScale t = gui::NiceScale(0.02, 10, gui::TimeAxis);
    EXPECT_EQ(t.Min, 0.02);
    EXPECT_EQ(t.Max, 10);
}

TEST(ChartAxes, PositiveDataNeverGetsANegativeRange)
{
    for (const auto& [lo, hi] : {std::pair{0.0, 5.0}, {0.001, 100.0}, {3.0, 3.0}, {0.0, 0.0}}) {
        SCOPED_TRACE(testing::Message() << lo << " .. " << hi);
        const gui::TAxisScale s = gui::NiceScale(lo, hi);
        EXPECT_GE(s.Min, 0);
        EXPECT_GT(s.Max, s.Min);
    }
    const gui::TAxisScale n = gui::NiceScale(-5, -1);
    EXPECT_LE(n.Max, 0);
    // A flat curve away from zero gets a span around its value.
    const gui::TAxisScale f = gui::NiceScale(2000, 2000);
    EXPECT_LT(f.Min, 2000);
    EXPECT_GT(f.Max, 2000);
}

TEST(ChartAxes, NoMinusZeroAndTheUsersDecimalSeparator)
{
    EXPECT_EQ(gui::AxisLabel(-1e-17, 2), "0.00");
    EXPECT_EQ(gui::AxisLabel(-0.0, 0), "0");
    EXPECT_EQ(gui::AxisLabel(-0.004, 2), "0.00");
    EXPECT_EQ(gui::AxisLabel(-0.005001, 2), "-0.01");
    EXPECT_EQ(gui::AxisLabel(2.5, 1), "2.5");
    const char kept = DecimalSeparator;
    DecimalSeparator = ',';
    EXPECT_EQ(gui::AxisLabel(2.5, 1), "2,5");
    DecimalSeparator = kept;
    // Ticks across zero: the zero tick is exactly zero, every label clean.
    const gui::TAxisScale s = gui::NiceScale(-0.7, 0.3);
    for (const double t : gui::ScaleTicks(s)) {
        const QString label = gui::AxisLabel(t, s.Decimals);
        EXPECT_FALSE(label.startsWith('-') && !label.contains(QRegularExpression("[1-9]"))) << label.toStdString();
    }
}

// Labels of 1000 and more carry no group separator, with a ',' user as with
// a '.' user: the axis labels a chart shows and the value labels it writes
// with its own number format (the calibration chart's point labels).
TEST(ChartAxes, NoGroupSeparatorInLabelsOfAThousandAndMore)
{
    struct Case {
        char separator;
        double lo, hi;          // data of the axis
        const char* axisLabel;  // one of its labels
        double value;           // a value label
        const char* valueLabel;
    };
    const Case cases[] = {
        {',', 1000, 1003, "1000,5", 1000.5, "1000,5"},
        {',', 12000, 65535, "20000", 65535, "65535"},
        {',', -1500, -200, "-1400", -1234.25, "-1234,25"},
        {'.', 1000, 1003, "1000.5", 1000.5, "1000.5"},
        {'.', 12000, 65535, "20000", 65535, "65535"},
    };
    const char kept = DecimalSeparator;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.separator << "' " << c.lo << " .. " << c.hi);
        DecimalSeparator = c.separator;
        QChart chart;
        QGraphicsScene scene;
        scene.addItem(&chart);
        gui::StyleChart(&chart, false);
        chart.resize(600, 400);
        QValueAxis* y = gui::NewValueAxis();
        chart.addAxis(y, Qt::AlignLeft);
        gui::ScaleAxisToData(y, c.lo, c.hi);
        QApplication::processEvents();
        const QStringList texts = SceneTexts(&scene);
        EXPECT_TRUE(texts.contains(c.axisLabel)) << texts.join(" | ").toStdString();
        EXPECT_TRUE(gui::AxisLabels(y).contains(c.axisLabel));
        // No digit group: never a separator followed by three digits and
        // another separator, nor a thousands' separator before three digits.
        for (const QString& t : texts)
            EXPECT_FALSE(t.contains(QRegularExpression("\\d[.,]\\d{3}([.,]|$)"))) << t.toStdString();
        // Qt Charts writes a value label with the chart's locale.
        ASSERT_TRUE(chart.localizeNumbers());
        EXPECT_EQ(chart.locale().toString(c.value).toStdString(), c.valueLabel);
        scene.removeItem(&chart);
    }
    DecimalSeparator = kept;
}

// What a chart really draws: the labels in its scene.
TEST(ChartAxes, AChartShowsTheScaleLabelsAndNoMinusZero)
{
    QChart chart;
    QGraphicsScene scene;
    scene.addItem(&chart);
    chart.resize(600, 400);
    QValueAxis* y = gui::NewValueAxis("Absorbtion [a.u.]");
    chart.addAxis(y, Qt::AlignLeft);
    gui::ScaleAxisToData(y, -0.7, 0.3);
    QApplication::processEvents();
    const QStringList texts = SceneTexts(&scene);
    EXPECT_TRUE(texts.contains("0.0")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(texts.contains("-0.4"));
    for (const QString& t : texts)
        EXPECT_FALSE(t.startsWith("-0") && !t.contains(QRegularExpression("[1-9]"))) << t.toStdString();
    EXPECT_EQ(gui::AxisLabels(y), QStringList({"-0.6", "-0.4", "-0.2", "0.0", "0.2"}));
    // A new scale replaces the old labels.
    gui::ScaleAxisToData(y, 1000, 3000);
    const QStringList labels = gui::AxisLabels(y);
    EXPECT_TRUE(labels.contains("1000") && labels.contains("3000")) << labels.join(" ").toStdString();
    EXPECT_FALSE(labels.contains("0.0"));
    scene.removeItem(&chart);
}

TEST(ChartColours, FirstTenAutomaticColoursArePairwiseDistinct)
{
    EXPECT_GE(gui::AutoColorCount(), 10);
    for (int i = 0; i < 10; ++i)
        for (int j = i + 1; j < 10; ++j)
            EXPECT_GT(DeltaE(gui::AutoColor(i), gui::AutoColor(j)), 20)
                << i << " " << gui::AutoColor(i).name().toStdString() << " vs " << j << " "
                << gui::AutoColor(j).name().toStdString();
    EXPECT_EQ(gui::AutoColor(0).red() > 200 && gui::AutoColor(0).green() < 50, true);  // red first
    EXPECT_EQ(gui::AutoColor(gui::AutoColorCount()), gui::AutoColor(0));
    EXPECT_EQ(gui::FirstFreeColor({gui::AutoColor(0), gui::AutoColor(2)}), gui::AutoColor(1));
}

TEST(ChartCurves, ReductionKeepsEveryColumnsExtremesInOrder)
{
    QList<QPointF> pts;
    for (int i = 0; i < 100000; ++i)
        pts << QPointF(i * 0.01, (i % 977 == 500) ? 5000.0 : std::sin(i * 0.001) * 100);
    const QList<QPointF> r = gui::ReducePoints(pts, pts.front().x(), pts.back().x(), 500);
    EXPECT_LE(r.size(), 4 * 500 + 8);
    EXPECT_EQ(r.front(), pts.front());
    EXPECT_EQ(r.back(), pts.back());
    for (qsizetype i = 1; i < r.size(); ++i)
        EXPECT_LT(r[i - 1].x(), r[i].x());
    // Every spike survives.
    int spikes = 0;
    for (const QPointF& p : r)
        spikes += p.y() == 5000.0;
    EXPECT_EQ(spikes, 100000 / 977 + (100000 % 977 > 500));
    // Small lists and lists out of order come back whole.
    EXPECT_EQ(gui::ReducePoints(pts.mid(0, 2000), 0, 20, 500).size(), 2000);
    QList<QPointF> shuffled = pts;
    std::swap(shuffled[10], shuffled[20]);
    EXPECT_EQ(gui::ReducePoints(shuffled, 0, 1000, 500).size(), shuffled.size());
}

// A spike inside a pixel column, downwards or upwards, reaches the chart:
// a column whose points go 5, 5, -3, 5, 5 is drawn down to -3, whether the
// list is reduced at once, handed to a curve on a chart whole, or appended
// to a live curve a chunk at a time.
TEST(ChartCurves, ASpikeInsideAColumnSurvivesTheReduction)
{
    struct Case {
        const char* name;
        int at;        // the spike's place in column 37 (points 185 to 189)
        double spike;
        QList<QPointF> column;   // what the reduction keeps of column 37
    };
    const Case cases[] = {
        {"down in the middle", 2, -3, {{185, 5}, {187, -3}, {189, 5}}},
        {"up in the middle", 2, 13, {{185, 5}, {187, 13}, {189, 5}}},
        {"down second", 1, -3, {{185, 5}, {186, -3}, {189, 5}}},
        {"up fourth", 3, 13, {{185, 5}, {188, 13}, {189, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // 100 columns of 5 points at x = 0, 1, 2, ..., all at 5 but the spike.
        QList<QPointF> pts;
        for (int i = 0; i < 500; ++i)
            pts << QPointF(i, i == 185 + c.at ? c.spike : 5.0);
        QList<QPointF> column;
        for (const QPointF& p : gui::ReducePoints(pts, 0, 500, 100))
            if (p.x() >= 185 && p.x() < 190)
                column << p;
        EXPECT_EQ(column, c.column);

        // On a chart: 20,000 points over some 500 pixels, the spike at x = 10007.
        QList<QPointF> many;
        for (int i = 0; i < 20000; ++i)
            many << QPointF(i, i == 10007 ? c.spike : 5.0);
        for (const bool live : {false, true}) {
            SCOPED_TRACE(live ? "appended in chunks of 97" : "set whole");
            TimeValueChart plot(600, 400, 0, 20000, -5, 15);
            gui::TChartSeries s;
            s.AttachTo(&plot.chart, plot.x, plot.y);
            if (live)
                for (qsizetype at = 0; at < many.size(); at += 97) {
                    s.AppendPoints(many.mid(at, 97));
                    s.Reduce();   // as the live chart's refresh does
                }
            else
                s.SetPoints(many);
            const QList<QPointF> drawn = s.points();
            ASSERT_LT(drawn.size(), many.size());   // reduced
            EXPECT_TRUE(drawn.contains(QPointF(10007, c.spike)));
            s.Detach();
        }
    }
}

TEST(ChartCurves, SeriesKeepsEveryPointAndDrawsFewOnAChart)
{
    TimeValueChart c(700, 500, 0.02, 4000, 0, 199999);
    QChart& chart = c.chart;
    auto* s = new gui::TChartSeries;
    QList<QPointF> pts;
    for (int i = 0; i < 200000; ++i)
        pts << QPointF((i + 1) * 0.02, i);
    s->SetPoints(pts);
    EXPECT_EQ(s->PointCount(), 200000);
    EXPECT_LE(s->count(), 4 * gui::TChartSeries::DetachedColumns + 8);
    s->AttachTo(&chart, c.x, c.y);
    EXPECT_TRUE(s->IsAttached());
    EXPECT_EQ(chart.series().size(), 1);
    EXPECT_LE(s->count(), 4 * 700);
    EXPECT_EQ(s->AllPoints(), pts);
    double x0, x1, y0, y1;
    ASSERT_TRUE(s->Bounds(x0, x1, y0, y1));
    EXPECT_EQ(x1, 4000);
    EXPECT_EQ(y1, 199999);
    s->Detach();
    EXPECT_FALSE(s->IsAttached());
    EXPECT_TRUE(chart.series().isEmpty());
    EXPECT_EQ(s->PointCount(), 200000);
    // A short curve is drawn point for point.
    s->SetPoints(pts.mid(0, 100));
    EXPECT_EQ(s->points(), pts.mid(0, 100));
    delete s;
}

namespace {

// A shown chart view (400 x 300, the common look) with both axes from 0 to
// 10 and thick blue horizontal curves at the given heights.
struct BlueLinesView {
    QChart* chart = new QChart;
    gui::TChartView view{chart};
    QList<QLineSeries*> lines;
    explicit BlueLinesView(std::initializer_list<double> heights)
    {
        gui::StyleChart(chart, false);
        view.resize(400, 300);
        QValueAxis* x = gui::NewValueAxis();
        QValueAxis* y = gui::NewValueAxis();
        chart->addAxis(x, Qt::AlignBottom);
        chart->addAxis(y, Qt::AlignLeft);
        gui::ScaleAxisToData(x, 0, 10, gui::TimeAxis);
        gui::ScaleAxisToData(y, 0, 10);
        for (const double h : heights) {
            auto* s = new QLineSeries;
            s->setPen(QPen(QColor(0, 0, 255), 6));
            for (int i = 0; i <= 10; ++i)
                s->append(i, h);
            chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
            lines << s;
        }
        view.show();
        QApplication::processEvents();
    }
    // The picture shows curve k in the middle of the chart.
    bool BlueAcross(const QImage& img, int k = 0) const
    {
        const QColor c = img.pixelColor(chart->mapToPosition(QPointF(5, lines[k]->at(5).y()), lines[k]).toPoint());
        return c.blue() > 200 && c.red() < 80;
    }
};

}  // namespace

TEST(ChartViews, FrozenSeriesStayInTheChartAndInItsPicture)
{
    BlueLinesView v({5});
    QLineSeries* s = v.lines[0];
    EXPECT_TRUE(v.BlueAcross(gui::ChartBitmap(&v.view)));
    v.view.FreezeSeries(s);
    EXPECT_TRUE(v.view.IsFrozen(s));
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(v.chart->series().size(), 1);
    EXPECT_TRUE(v.BlueAcross(gui::ChartBitmap(&v.view)));
    EXPECT_TRUE(v.BlueAcross(v.view.grab().toImage()));
    v.view.ThawAll();
    EXPECT_TRUE(s->isVisible());
    EXPECT_EQ(v.view.FrozenCount(), 0);
}

// The copy commands' picture: the chart on plain white, not on its on-screen
// white-to-silver background, with the curves (frozen ones too) drawn.
TEST(ChartCopy, PictureIsDrawnOnPlainWhite)
{
    BlueLinesView v({8, 2});
    v.view.FreezeSeries(v.lines[1]);
    const QImage on = v.view.grab().toImage();
    const QImage copy = gui::ChartBitmap(&v.view);
    ASSERT_EQ(copy.size(), v.view.size());
    const QPoint bottomLeft(0, copy.height() - 1), bottomRight(copy.width() - 1, copy.height() - 1);
    EXPECT_NE(QColor(on.pixel(bottomLeft)), QColor(Qt::white));   // silver end of the gradient on screen
    // Between the curves and off the grid lines.
    const QPoint empty = v.chart->mapToPosition(QPointF(5.5, 5.3), v.lines[0]).toPoint();
    for (const QPoint p : {QPoint(0, 0), QPoint(copy.width() - 1, 0), bottomLeft, bottomRight, empty})
        EXPECT_EQ(QColor(copy.pixel(p)), QColor(Qt::white)) << p.x() << "," << p.y();
    EXPECT_TRUE(v.BlueAcross(copy, 0));
    EXPECT_TRUE(v.BlueAcross(copy, 1));
}

namespace {

// The background of a shown chart view at its top and bottom left (inside
// the chart's margins, clear of the axis titles, the legend and the title).
struct Background {
    QColor Top, Bottom;
};
Background BackgroundOf(const QImage& picture)
{
    return {QColor(picture.pixel(12, 12)), QColor(picture.pixel(12, picture.height() - 12))};
}

bool Grey(const QColor& c)
{
    return c.red() == c.green() && c.green() == c.blue();
}

}  // namespace

void PrintTo(const QColor& c, std::ostream* out)
{
    *out << c.name().toStdString();
}

// Every copy command of both programs puts the chart on plain white on the
// clipboard, and the chart on screen keeps its white-to-silver background
// afterwards: the sample window's chart, the experiment window's data and
// calibration charts and VelorTime's received-data chart.
TEST(ChartCopy, OnScreenChartKeepsItsBackgroundAfterEveryCopy)
{
    using namespace calibration_test;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString samplePath = dir.filePath("S01.AST"), experimentPath = dir.filePath("E01.AXP");
    const std::unique_ptr<TAASSample> sample(BuildSample(StandardSet().front(), 3));
    ASSERT_TRUE(sample->SaveToFile(samplePath.toStdString()));
    BuildExperiment(StandardSet())->SaveToFile(experimentPath.toStdString());

    VelorSpec::TfrmSample sampleWindow(nullptr, samplePath);
    VelorSpec::TfrmExperiment experimentWindow(nullptr, experimentPath);
    VelorTime::TfrmViewGraphic graphicWindow(nullptr, QStringLiteral("\r\n5\r\n6\r\n-1000\r\n7\r\n-1000"));
    sampleWindow.acList->Execute(sampleWindow.acTreeSelectAll);
    experimentWindow.acList->Execute(experimentWindow.acTreeSelectAll);
    const auto showPage = [&](int page) {
        QTabBar* tabs = experimentWindow.pctrlExperiment->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    };
    struct Case {
        const char* name;
        QWidget* window;
        std::function<void()> show;     // brings the chart on screen
        std::function<QChartView*()> view;
        std::function<bool()> copy;     // the copy command, as its menu item runs it
    };
    const Case cases[] = {
        {"sample window", &sampleWindow, [] {}, [&] { return sampleWindow.MainChartView; },
         [&] { return sampleWindow.acList->Execute(sampleWindow.acCopyChart); }},
        {"experiment data chart", &experimentWindow, [&] { showPage(0); },
         [&] { return experimentWindow.MainChartView; },
         [&] { return experimentWindow.acList->Execute(experimentWindow.acExpCopyDataChart); }},
        {"calibration chart", &experimentWindow, [&] { showPage(1); },
         [&] { return experimentWindow.CalibChartView; },
         [&] { return experimentWindow.acList->Execute(experimentWindow.acExpCopyCalibChart); }},
        {"VelorTime received data", &graphicWindow, [] {}, [&] { return graphicWindow.ChartView; },
         [&] {
             graphicWindow.miChartCopy->trigger();
             return true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.window->resize(640, 480);
        c.window->show();
        c.show();
        QApplication::processEvents();
        QChartView* view = c.view();
        ASSERT_TRUE(view && view->isVisible());
        const QImage before = view->grab().toImage();
        const Background shown = BackgroundOf(before);
        // White at the top, silver towards the bottom.
        EXPECT_TRUE(Grey(shown.Top) && shown.Top.red() >= 0xF8) << shown.Top.name().toStdString();
        EXPECT_TRUE(Grey(shown.Bottom) && shown.Bottom.red() < 0xD0) << shown.Bottom.name().toStdString();

        QApplication::clipboard()->clear();
        ASSERT_TRUE(c.copy());
        const QImage copy = QApplication::clipboard()->image();
        ASSERT_FALSE(copy.isNull());
        EXPECT_EQ(BackgroundOf(copy).Top, QColor(Qt::white));
        EXPECT_EQ(BackgroundOf(copy).Bottom, QColor(Qt::white));

        QApplication::processEvents();
        const QImage after = view->grab().toImage();
        EXPECT_EQ(BackgroundOf(after).Top, shown.Top);
        EXPECT_EQ(BackgroundOf(after).Bottom, shown.Bottom);
        EXPECT_TRUE(after == before);
        c.window->hide();
    }
}
