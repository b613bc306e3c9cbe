// The signal chart's batched showing and rescaling: curves attached during an
// update reach the chart with every point once the update ends, and a rescale
// hands each shown curve its points exactly once however many steps the axes
// take.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QWidget>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>

#include <memory>
#include <vector>

#include "AASCls.h"
#include "Charts.h"
#include "Sample.h"
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

TEST_F(SignalChartTest, RescaleHandsEachShownCurveItsPointsOnce)
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

    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(spies[i]->count(), 1) << i;
        EXPECT_EQ(curves[i]->points(), All(curves[i])) << i;
    }
    // Unchanged extents: no curve is touched.
    chart->UpdateAxisRanges();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(spies[i]->count(), 1) << i;
}

}  // namespace
