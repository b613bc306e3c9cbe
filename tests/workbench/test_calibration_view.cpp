// The calibration page: the drawing compared with the model's calibration,
// the title, the failure handling and the statistic the experiment keeps.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QRadioButton>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <QtCharts/QLegend>

#include <ostream>

#include "CalibrationTestUtil.h"
#include "CalibrationView.h"
#include "Charts.h"
#include "EditCtrls.h"
#include "ProcessingTestUtil.h"

// Points in failure messages as "(x, y)".
void PrintTo(const QPointF& P, std::ostream* Out)
{
    *Out << "(" << P.x() << ", " << P.y() << ")";
}

using namespace VelorSpec;
using namespace calibration_test;
using processing_test::ScriptedResponder;
using processing_test::SeparatorScope;

namespace {

std::vector<QPointF> Points(const QXYSeries* Series)
{
    if (!Series)
        return {};
    const QList<QPointF> P = Series->points();
    return std::vector<QPointF>(P.begin(), P.end());
}

struct Expected {
    std::vector<QPointF> Line, Standards, Samples;
    std::vector<double> Concentrations;
    double B0 = 0, B1 = 0, R = 0, R2 = 0;
};

// The model's calibration of a twin experiment and the drawing it implies.
Expected Calibrate(const std::vector<SampleSpec>& Specs, std::uint8_t Statistic)
{
    auto Twin = BuildExperiment(Specs);
    Twin->SetUsedStatistic(Statistic);
    std::vector<double> X, Y;
    Twin->DoRegression(X, Y);
    Expected E;
    E.B0 = Twin->B0();
    E.B1 = Twin->B1();
    E.R = Twin->R();
    E.R2 = Twin->R2();
    const double Slope = E.B1 > 0 ? E.B1 : 1.0;
    for (size_t I = 0; I < X.size(); ++I) {
        E.Line.emplace_back(X[I], static_cast<double>(static_cast<long double>(Slope) * X[I] + E.B0));
        E.Standards.emplace_back(X[I], Y[I]);
    }
    for (const TAASSample* S : *Twin) {
        E.Concentrations.push_back(S->Concentration());
        if (!S->Standart() && S->Concentration() > 0)
            E.Samples.emplace_back(S->Concentration(), TCalibrationView::StatisticValue(*S, Statistic));
    }
    return E;
}

class CalibrationView : public ::testing::Test {
protected:
    void Load(const std::vector<SampleSpec>& Specs)
    {
        FSpecs = Specs;
        FRefreshes = 0;
        FExperiment = BuildExperiment(Specs);
        FView = std::make_unique<TCalibrationView>();
        FView->SetExperiment(FExperiment.get());
        FView->OnConcentrationsChanged = [this] { ++FRefreshes; };
    }
    // Picks a radio item as a click does.
    void Pick(int Index) { FView->rgrUsedStats->Button(Index)->click(); }
    void ExpectDrawing(const Expected& E)
    {
        EXPECT_EQ(Points(FView->LineSeries()), E.Line);
        EXPECT_EQ(Points(FView->StandardsSeries()), E.Standards);
        EXPECT_EQ(Points(FView->SamplesSeries()), E.Samples);
        EXPECT_EQ(FView->CalibChart->series().size(), 3);
        EXPECT_TRUE(FView->TitleVisible());
        EXPECT_EQ(FView->TitleLines(), TCalibrationView::TitleFor(E.B0, E.B1, E.R, E.R2));
        EXPECT_EQ(FView->CalibChart->title(), FView->TitleLines().join("<br>"));
        // The axes hold the whole drawing, the concentration axis from 0 (its
        // first tick) with a little room before it.
        const gui::TAxisScale X = gui::AxisScale(FView->CalibChartBottomAxis);
        const gui::TAxisScale Y = gui::AxisScale(FView->CalibChartLeftAxis);
        EXPECT_LT(X.Min, 0.0);
        EXPECT_EQ(gui::ScaleTicks(X).front(), 0.0);
        for (const auto* Set : {&E.Line, &E.Standards, &E.Samples})
            for (const QPointF& P : *Set) {
                EXPECT_LE(P.x(), X.Max);
                EXPECT_GE(P.y(), Y.Min);
                EXPECT_LE(P.y(), Y.Max);
            }
    }

    std::vector<SampleSpec> FSpecs;
    std::unique_ptr<TAASExperiment> FExperiment;
    std::unique_ptr<TCalibrationView> FView;
    int FRefreshes = 0;
};

TEST_F(CalibrationView, PageLayout)
{
    Load(StandardSet());
    TRadioGroup* G = FView->rgrUsedStats;
    EXPECT_EQ(G->title(), "Use S&tatistic:");
    ASSERT_EQ(G->Count(), 4);
    const QStringList Items = {"Peak &Maximum", "Peak &Area", "An&sambled Peak Maximum", "Ansa&mbled Peak Area"};
    for (int I = 0; I < 4; ++I)
        EXPECT_EQ(G->Button(I)->text(), Items[I]);
    EXPECT_EQ(G->ItemIndex(), 0);
    // Two columns: items 0 and 1 in the first, 2 and 3 in the second.
    FView->resize(600, 400);
    FView->show();
    EXPECT_EQ(G->Button(0)->x(), G->Button(1)->x());
    EXPECT_LT(G->Button(0)->x(), G->Button(2)->x());
    EXPECT_EQ(G->Button(0)->y(), G->Button(2)->y());
    EXPECT_EQ(FView->CalibChartBottomAxis->titleText(), "Concentration [ppm]");
    EXPECT_EQ(FView->CalibChartLeftAxis->titleText(), "Absorbtion [a.u.]");
    EXPECT_FALSE(FView->CalibChart->legend()->isVisible());
    EXPECT_FALSE(FView->TitleVisible());
    EXPECT_TRUE(FView->CalibChart->title().isEmpty());
    EXPECT_TRUE(FView->CalibChart->series().isEmpty());
}

TEST_F(CalibrationView, EveryStatisticDrawsTheModelsCalibration)
{
    for (const char Sep : {'.', ','}) {
        SCOPED_TRACE(Sep);
        SeparatorScope Scope(Sep);
        Load(StandardSet());
        ScriptedResponder Answers;
        FView->Activate();
        ExpectDrawing(Calibrate(FSpecs, 0));
        EXPECT_EQ(FExperiment->UsedStatistic(), 0);
        for (int Statistic : {1, 2, 3, 0}) {
            SCOPED_TRACE(Statistic);
            Pick(Statistic);
            const Expected E = Calibrate(FSpecs, static_cast<std::uint8_t>(Statistic));
            ExpectDrawing(E);
            EXPECT_EQ(FExperiment->UsedStatistic(), Statistic);
            std::vector<double> Concentrations;
            for (const TAASSample* S : *FExperiment)
                Concentrations.push_back(S->Concentration());
            EXPECT_EQ(Concentrations, E.Concentrations);
        }
        EXPECT_EQ(Answers.Requests.size(), 0u);
        EXPECT_EQ(FRefreshes, 5);
        // The line starts at (0, B0) and the first standard is the origin.
        EXPECT_EQ(Points(FView->StandardsSeries()).front(), QPointF(0, 0));
        EXPECT_EQ(Points(FView->LineSeries()).front(), QPointF(0, FExperiment->B0()));
    }
}

// The samples' value labels carry the user's decimal separator, and every
// circle with its label shows whole inside the plot, also the origin and the
// highest standard on the drawing's corners, a sample above the highest
// standard (the drawing's top right corner then), and after the window was
// resized.
TEST_F(CalibrationView, CirclesAndValueLabelsShowWholeWithTheUsersSeparator)
{
    std::vector<SampleSpec> Above = StandardSet();
    Above.push_back({"Sample C", 500});   // some 5 ppm, above the 3 ppm standard
    struct Case {
        const char* Name;
        char Sep;
        std::vector<SampleSpec> Specs;
    };
    const Case Cases[] = {
        {"'.', samples between the standards", '.', StandardSet()},
        {"',', samples between the standards", ',', StandardSet()},
        {"'.', a sample above the highest standard", '.', Above},
        {"',', a sample above the highest standard", ',', Above},
    };
    // The page at the experiment window's first size, then larger, then small.
    const QSize Sizes[] = {{460, 400}, {900, 650}, {330, 280}};
    for (const Case& Cs : Cases) {
        SCOPED_TRACE(Cs.Name);
        SeparatorScope Scope(Cs.Sep);
        Load(Cs.Specs);
        FView->resize(Sizes[0]);
        FView->show();
        ScriptedResponder Answers;
        Pick(1);   // area means: values with decimals
        ASSERT_TRUE(Answers.Messages().isEmpty());
        const TAASSample* Last = FExperiment->GetItem(FExperiment->Count() - 1);
        if (Cs.Specs.size() > StandardSet().size()) {
            ASSERT_GT(Last->Concentration(), 3.0);
        }
        for (const QSize& Size : Sizes) {
            SCOPED_TRACE(testing::Message() << Size.width() << " x " << Size.height());
            FView->resize(Size);
            QApplication::processEvents();
            QChart* C = FView->CalibChart;
            const QRectF Plot = C->plotArea();
            const QFontMetricsF M(FView->SamplesSeries()->pointLabelsFont());
            const qreal R = FView->StandardsSeries()->markerSize() / 2 + 1;
            int Decimals = 0;
            for (QScatterSeries* S : {FView->StandardsSeries(), FView->SamplesSeries()})
                for (const QPointF& P : S->points()) {
                    const QPointF At = C->mapToPosition(P, S);
                    QRectF Shape(At - QPointF(R, R), At + QPointF(R, R));
                    if (S == FView->SamplesSeries()) {
                        // As Qt Charts writes a value label: the chart's number
                        // format, centred, its baseline 2 pixels above the circle.
                        const QString Label =
                            C->localizeNumbers() ? C->locale().toString(P.y()) : QString::number(P.y());
                        const QString Plain = QString::number(P.y());
                        EXPECT_EQ(Label, QString(Plain).replace('.', Cs.Sep));
                        Decimals += Plain.contains('.');
                        const qreal W = M.horizontalAdvance(Label), Base = At.y() - R - 1;
                        Shape |= QRectF(At.x() - W / 2, Base - M.ascent(), W, M.ascent() + M.descent());
                    }
                    EXPECT_TRUE(Plot.contains(Shape)) << P.x() << " " << P.y();
                }
            EXPECT_GT(Decimals, 0);
            EXPECT_EQ(Points(FView->StandardsSeries()).front(), QPointF(0, 0));
        }
    }
}

TEST_F(CalibrationView, TitleFormatsAndSignRule)
{
    struct Case {
        char Sep;
        double B0, B1, R, R2;
        QStringList Lines;
    };
    const Case Cases[] = {
        {'.', -0.0123, 0.05, 0.999, 0.998001, {"y = 0.05 * x - 0.01", "R = 0.99900; R2 = 0.99800"}},
        {',', -0.0123, 0.05, 0.999, 0.998001, {"y = 0,05 * x - 0,01", "R = 0,99900; R2 = 0,99800"}},
        {'.', 0.0, 2.5, 1.0, 1.0, {"y = 2.50 * x + 0.00", "R = 1.00000; R2 = 1.00000"}},
        {'.', 0.5, -0.5, -0.25, 0.0625, {"y = -0.50 * x + 0.50", "R = -0.25000; R2 = 0.06250"}},
    };
    for (const Case& C : Cases) {
        SeparatorScope Scope(C.Sep);
        EXPECT_EQ(TCalibrationView::TitleFor(C.B0, C.B1, C.R, C.R2), C.Lines);
    }
}

TEST_F(CalibrationView, FallingLineIsDrawnWithSlopeOne)
{
    // The origin, a high value at 1 ppm and a low one at 100 ppm: the fit falls.
    Load({{"Std 1", 500, Kind::Standart, 1.0}, {"Std 100", 5, Kind::Standart, 100.0}, {"S", 200}});
    ScriptedResponder Answers;
    FView->Activate();
    ASSERT_LT(FExperiment->B1(), 0);
    const Expected E = Calibrate(FSpecs, 0);
    ExpectDrawing(E);
    for (const QPointF& P : Points(FView->LineSeries()))
        EXPECT_EQ(P.y(), static_cast<double>(P.x() + static_cast<long double>(FExperiment->B0())));
    EXPECT_TRUE(FView->TitleLines().front().startsWith(QString::fromStdString(Format("y = %.2f", FExperiment->B1()))));
}

TEST_F(CalibrationView, TheLineTakesTheFitsSlopeOnlyWhenItRises)
{
    // A sample's plateau mean is 11 + its height (two replicates).  The fits
    // are exact: (0,0), (1,50), (3,10) give y = 0 x + 20; (0,0), (2,18),
    // (4,12) give y = 3 x + 4.
    struct Case {
        const char* Name;
        std::vector<SampleSpec> Specs;
        double B1, B0;
        std::vector<QPointF> Line;
    };
    const Case Cases[] = {
        {"flat",
         {{"Std 1", 39, Kind::Standart, 1.0}, {"Std 3", -1, Kind::Standart, 3.0}},
         0.0, 20.0, {{0, 20}, {1, 21}, {3, 23}}},
        {"rising",
         {{"Std 2", 7, Kind::Standart, 2.0}, {"Std 4", 1, Kind::Standart, 4.0}},
         3.0, 4.0, {{0, 4}, {2, 10}, {4, 16}}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Load(C.Specs);
        ScriptedResponder Answers;
        FView->Activate();
        ASSERT_TRUE(Answers.Messages().isEmpty()) << Answers.Messages().join(" ").toStdString();
        ASSERT_EQ(FExperiment->B1(), C.B1);
        ASSERT_EQ(FExperiment->B0(), C.B0);
        EXPECT_EQ(Points(FView->LineSeries()), C.Line);
    }
}

TEST_F(CalibrationView, SamplesAtConcentrationZeroAreNotPlotted)
{
    // The line y = 3 x + 4 of the rising case above: a plateau mean of 4 is
    // exactly 0 ppm, 7 is 1 ppm and 13 is 3 ppm, samples and zero samples alike.
    Load({{"Std 2", 7, Kind::Standart, 2.0},
          {"Sample at 0", -7},
          {"Zero at 0", -7, Kind::Zero},
          {"Sample at 1", -4},
          {"Std 4", 1, Kind::Standart, 4.0},
          {"Zero at 3", 2, Kind::Zero}});
    ScriptedResponder Answers;
    FView->Activate();
    ASSERT_TRUE(Answers.Messages().isEmpty());
    ASSERT_EQ(FExperiment->GetItem(1)->Concentration(), 0.0);
    ASSERT_EQ(FExperiment->GetItem(2)->Concentration(), 0.0);
    EXPECT_EQ(Points(FView->SamplesSeries()), (std::vector<QPointF>{{1, 7}, {3, 13}}));
}

TEST_F(CalibrationView, ZeroSampleWithConcentrationIsPlotted)
{
    Load(StandardSet());
    FView->Activate();
    const TAASSample* Blank = FExperiment->GetItem(3);
    ASSERT_TRUE(Blank->Zero());
    ASSERT_GT(Blank->Concentration(), 0);
    const std::vector<QPointF> Samples = Points(FView->SamplesSeries());
    EXPECT_NE(std::find(Samples.begin(), Samples.end(),
                        QPointF(Blank->Concentration(), static_cast<double>(Blank->PeakMean()))),
              Samples.end());
    EXPECT_TRUE(FView->SamplesSeries()->pointLabelsVisible());
    EXPECT_EQ(FView->SamplesSeries()->markerShape(), QScatterSeries::MarkerShapeCircle);
    EXPECT_EQ(FView->StandardsSeries()->markerShape(), QScatterSeries::MarkerShapeCircle);
}

TEST_F(CalibrationView, StatisticAStandardLacksRestoresThePreviousOne)
{
    for (const char Sep : {'.', ','}) {
        SeparatorScope Scope(Sep);
        std::vector<SampleSpec> Specs = StandardSet();
        Specs[2].Area = false;   // the 1 ppm standard has no area
        Load(Specs);
        ScriptedResponder Answers;
        Pick(2);
        const Expected Before = Calibrate(FSpecs, 2);
        ExpectDrawing(Before);
        FRefreshes = 0;

        Pick(1);
        ASSERT_EQ(Answers.Messages().size(), 1);
        EXPECT_EQ(Answers.Messages()[0].toStdString(),
                  Format("Area mean for standart %.3f %s not available.", 1.0, "ppm"));
        EXPECT_EQ(Answers.Requests[0].type, gui::MsgDlgType::Error);
        EXPECT_EQ(FView->rgrUsedStats->ItemIndex(), 2);
        EXPECT_EQ(FExperiment->UsedStatistic(), 2);
        ExpectDrawing(Before);   // drawn again for the previous statistic
        EXPECT_EQ(FRefreshes, 1);
    }
}

TEST_F(CalibrationView, FailureOfThePreviousStatisticTooReportsItsOwnError)
{
    // Loaded with statistic 1 kept in the file: the radio group still starts at 0.
    std::vector<SampleSpec> Specs = StandardSet();
    Specs[0].Plateau = false;
    Specs[0].Area = false;
    Load(Specs);
    FExperiment->SetUsedStatistic(1);
    ScriptedResponder Answers;
    FView->Activate();
    // Statistic 0 fails, the group goes back to 1, whose run fails as well.
    ASSERT_EQ(Answers.Messages().size(), 1);
    EXPECT_EQ(Answers.Messages()[0].toStdString(),
              Format("Area mean for standart %.3f %s not available.", 3.0, "ppm"));
    EXPECT_EQ(FView->rgrUsedStats->ItemIndex(), 1);
    EXPECT_EQ(FExperiment->UsedStatistic(), 1);
    EXPECT_TRUE(FView->CalibChart->series().isEmpty());
    EXPECT_EQ(FRefreshes, 0);
}

TEST_F(CalibrationView, NoStandardsEmptiesTheChartAndHidesTheTitle)
{
    Load(StandardSet());
    FView->Activate();
    ASSERT_EQ(FView->CalibChart->series().size(), 3);
    for (TAASSample* S : *FExperiment)
        S->SetStandart(false);
    {
        // The new statistic fails, and so does the previous one drawn again:
        // one message.
        ScriptedResponder Answers;
        Pick(1);
        ASSERT_EQ(Answers.Messages(), QStringList{"Can't do regression without defined standarts."});
    }
    EXPECT_TRUE(FView->CalibChart->series().isEmpty());
    EXPECT_EQ(FView->LineSeries(), nullptr);
    EXPECT_FALSE(FView->TitleVisible());
    EXPECT_TRUE(FView->CalibChart->title().isEmpty());
    EXPECT_EQ(FView->rgrUsedStats->ItemIndex(), 0);
    EXPECT_EQ(FExperiment->UsedStatistic(), 0);
}

TEST_F(CalibrationView, OtherErrorsKeepThePreviousDrawing)
{
    // Two standards at 0 ppm: the fit divides by zero; the old drawing stays.
    Load(StandardSet());
    FView->Activate();
    const auto Line = Points(FView->LineSeries());
    const QStringList Title = FView->TitleLines();
    FExperiment->GetItem(0)->SetConcentration(0);
    FExperiment->GetItem(2)->SetConcentration(0);
    ScriptedResponder Answers;
    FView->Activate();
    EXPECT_EQ(Answers.Messages(), QStringList{"Divide by zero calculating r, B1 or B0"});
    EXPECT_EQ(Points(FView->LineSeries()), Line);
    EXPECT_EQ(FView->TitleLines(), Title);
    EXPECT_TRUE(FView->TitleVisible());
}

}  // namespace
