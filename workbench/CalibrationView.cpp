#include "CalibrationView.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPen>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <vector>

#include "AASCls.h"
#include "ChartLook.h"
#include "Charts.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "SysUtils.h"

namespace VelorSpec {

namespace {

constexpr int CircleSize = 9;

QScatterSeries* NewCircles(QObject* Owner)
{
    auto* Series = new QScatterSeries(Owner);
    Series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    Series->setMarkerSize(CircleSize);
    return Series;
}

}  // namespace

TCalibrationView::TCalibrationView(QWidget* Parent) : QWidget(Parent)
{
    rgrUsedStats = new TRadioGroup(QStringLiteral("Use S&tatistic:"),
                                   {QStringLiteral("Peak &Maximum"), QStringLiteral("Peak &Area"),
                                    QStringLiteral("An&sambled Peak Maximum"), QStringLiteral("Ansa&mbled Peak Area")},
                                   this);
    rgrUsedStats->setObjectName(QStringLiteral("rgrUsedStats"));
    rgrUsedStats->SetColumns(2);
    rgrUsedStats->SetItemIndex(0);
    for (int I = 0; I < rgrUsedStats->Count(); ++I)
        connect(rgrUsedStats->Button(I), &QAbstractButton::toggled, this,
                [this, I](bool Checked) { RadioToggled(I, Checked); });

    CalibChart = new QChart;
    CalibChart->setObjectName(QStringLiteral("CalibChart"));
    gui::StyleChart(CalibChart, false);
    CalibChart->setTitle(QString());
    CalibChartBottomAxis = gui::NewValueAxis(QStringLiteral("Concentration [ppm]"));
    CalibChartLeftAxis = gui::NewValueAxis(QStringLiteral("Absorbtion [a.u.]"));
    CalibChart->addAxis(CalibChartBottomAxis, Qt::AlignBottom);
    CalibChart->addAxis(CalibChartLeftAxis, Qt::AlignLeft);
    // The room for the circles and labels is counted in pixels: a new plot
    // size fits the axes again.
    connect(CalibChart, &QChart::plotAreaChanged, this, [this](const QRectF& Area) {
        if (FLineSeries && Area.size() != FFittedArea)
            FitAxes();
    });

    auto* View = new gui::TChartView(CalibChart, this);
    // The hourglass shows while the chart draws.
    View->OnBeforeDraw = [] { QApplication::setOverrideCursor(Qt::WaitCursor); };
    View->OnAfterDraw = [] { QApplication::restoreOverrideCursor(); };
    CalibChartView = View;
    CalibChartView->setObjectName(QStringLiteral("CalibChartView"));
    CalibChartView->setFrameShape(QFrame::NoFrame);
    CalibChartView->setRenderHint(QPainter::Antialiasing);

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(rgrUsedStats);
    Layout->addWidget(CalibChartView, 1);
}

TCalibrationView::~TCalibrationView()
{
    ClearSeries();
}

double TCalibrationView::StatisticValue(const TAASSample& Sample, std::uint8_t Statistic)
{
    switch (Statistic) {
    case usPeakMean:
        return static_cast<double>(Sample.PeakMean());
    case usAreaMean:
        return static_cast<double>(Sample.AreaMean());
    case usAnsambledPeak:
        return static_cast<double>(Sample.Ansambled()->PeakMean());
    case usAnsambledArea:
        return static_cast<double>(Sample.Ansambled()->Area());
    default:
        return 0;
    }
}

QStringList TCalibrationView::TitleFor(double B0, double B1, double R, double R2)
{
    const char* Sign = B0 >= 0 ? "+" : "-";
    return {QString::fromStdString(Format("y = %.2f * x %s %.2f", B1, Sign, std::fabs(B0))),
            QString::fromStdString(Format("R = %.5f; R2 = %.5f", R, R2))};
}

void TCalibrationView::ClearSeries()
{
    for (QAbstractSeries* Series : CalibChart->series()) {
        CalibChart->removeSeries(Series);
        delete Series;
    }
    FLineSeries = nullptr;
    FStandardsSeries = nullptr;
    FSamplesSeries = nullptr;
}

void TCalibrationView::SetTitle(const QStringList& Lines, bool Visible)
{
    FTitleLines = Lines;
    FTitleVisible = Visible;
    // The chart's title is rich text: one line per "<br>".
    CalibChart->setTitle(Visible ? Lines.join(QStringLiteral("<br>")) : QString());
}

void TCalibrationView::FitAxes()
{
    // The extent of the drawing; the concentration axis always shows 0.
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    if (!gui::PointsBounds({FLineSeries, FStandardsSeries, FSamplesSeries}, MinX, MaxX, MinY, MaxY))
        return;
    MinX = std::min(0.0, MinX);
    // Room around the drawing, as the value axes of the other charts leave
    // it, and at least enough for every circle and value label to show whole
    // inside the plot: the standards lie on its corners (the origin and the
    // highest one), and a label stands above its circle.
    const double Radius = CircleSize / 2.0 + 2;
    double LabelHalfWidth = 0, LabelHeight = 0;
    if (FSamplesSeries && FSamplesSeries->count() > 0) {
        const QFontMetricsF Metrics(FSamplesSeries->pointLabelsFont());
        for (const QPointF& P : FSamplesSeries->points())
            LabelHalfWidth =
                std::max(LabelHalfWidth, Metrics.horizontalAdvance(CalibChart->locale().toString(P.y())) / 2);
        LabelHeight = 2 + Metrics.ascent();
    }
    const QRectF Area = CalibChart->plotArea();
    // The range [Lo - Low, Hi + High] of the least span T whose margins are
    // each at least the common share of the data span and at least the given
    // pixels: Low = max(Share, LowPixels * T / Pixels), the same for High, and
    // T = Span + Low + High (the largest T of the four ways the maxima fall).
    const auto Fit = [](double Lo, double Hi, double LowPixels, double HighPixels, double Pixels) {
        const double Span = Hi - Lo;
        const double Share = Span * gui::ValueAxis.Margin;
        double T = Span + 2 * Share;
        if (Span > 0 && Pixels > LowPixels + HighPixels)
            T = std::max({T, (Span + Share) * Pixels / (Pixels - LowPixels),
                          (Span + Share) * Pixels / (Pixels - HighPixels),
                          Span * Pixels / (Pixels - LowPixels - HighPixels)});
        const double Low = Pixels > 0 ? std::max(Share, LowPixels * T / Pixels) : Share;
        const double High = Pixels > 0 ? std::max(Share, HighPixels * T / Pixels) : Share;
        return std::pair{Lo - Low, Hi + High};
    };
    const double Side = std::max(Radius, LabelHalfWidth) + 1;
    const auto [X0, X1] = Fit(MinX, MaxX, Side, Side, Area.width());
    const auto [Y0, Y1] = Fit(MinY, MaxY, Radius, Radius + LabelHeight, Area.height());
    // Exactly these ranges (no further margin), on readable ticks.
    gui::ScaleAxisToData(CalibChartBottomAxis, X0, X1, gui::TAxisOptions{gui::TimeAxis.MaxIntervals, 0.0});
    gui::ScaleAxisToData(CalibChartLeftAxis, Y0, Y1, gui::TAxisOptions{gui::ValueAxis.MaxIntervals, 0.0});
    FFittedArea = Area.size();
}

bool TCalibrationView::SelectSilently(int Index)
{
    // As the toolkit's radio group: an index beyond the items selects the last.
    Index = std::clamp(Index, -1, rgrUsedStats->Count() - 1);
    if (rgrUsedStats->ItemIndex() == Index)
        return false;
    FSilent = true;
    rgrUsedStats->SetItemIndex(Index);
    FSilent = false;
    return true;
}

void TCalibrationView::RadioToggled(int, bool Checked)
{
    if (!Checked || FSilent)
        return;
    gui::RunGuarded([this] { rgrUsedStatsClick(); }, this);
}

void TCalibrationView::Activate()
{
    gui::RunGuarded([this] { rgrUsedStatsClick(); }, this);
}

void TCalibrationView::rgrUsedStatsClick()
{
    if (!FExperiment)
        return;
    TAASExperiment& Experiment = *FExperiment;
    const std::uint8_t Previous = Experiment.UsedStatistic();
    Experiment.SetUsedStatistic(static_cast<std::uint8_t>(rgrUsedStats->ItemIndex()));
    // Any failure gives back the previous statistic, in the experiment and in
    // the radio group; a changed selection draws that statistic again (its
    // own failure, if any, is then the one reported).
    const auto Restore = [this, &Experiment, Previous] {
        Experiment.SetUsedStatistic(Previous);
        if (SelectSilently(Previous))
            rgrUsedStatsClick();
    };
    try {
        std::vector<double> X;
        std::vector<double> Y;
        Experiment.DoRegression(X, Y);

        ClearSeries();
        FLineSeries = new QLineSeries(this);
        FStandardsSeries = NewCircles(this);
        // A line that does not rise is drawn with the slope 1.
        const double B0 = Experiment.B0();
        const double Slope = Experiment.B1() > 0 ? Experiment.B1() : 1.0;
        QList<QPointF> Line;
        QList<QPointF> Standards;
        for (size_t I = 0; I < X.size(); ++I) {
            Line << QPointF(X[I], static_cast<double>(static_cast<long double>(Slope) * X[I] + B0));
            Standards << QPointF(X[I], Y[I]);
        }
        FLineSeries->replace(Line);
        FStandardsSeries->replace(Standards);
        for (QXYSeries* Series : {static_cast<QXYSeries*>(FLineSeries), static_cast<QXYSeries*>(FStandardsSeries)}) {
            CalibChart->addSeries(Series);
            Series->attachAxis(CalibChartBottomAxis);
            Series->attachAxis(CalibChartLeftAxis);
        }
        SetTitle(TitleFor(B0, Experiment.B1(), Experiment.R(), Experiment.R2()), true);
        PlotSamples();
        FitAxes();

        if (OnConcentrationsChanged)
            OnConcentrationsChanged();
    } catch (const ENoStandartsException&) {
        Restore();
        ClearSeries();
        SetTitle({}, false);
        throw;
    } catch (...) {
        Restore();
        throw;
    }
}

void TCalibrationView::PlotSamples()
{
    const std::uint8_t Statistic = FExperiment->UsedStatistic();
    QList<QPointF> Points;
    for (const TAASSample* Sample : *FExperiment)
        if (!Sample->Standart() && Sample->Concentration() > 0)
            Points << QPointF(Sample->Concentration(), StatisticValue(*Sample, Statistic));
    FSamplesSeries = NewCircles(this);
    FSamplesSeries->replace(Points);
    FSamplesSeries->setPointLabelsVisible(true);
    FSamplesSeries->setPointLabelsFormat(QStringLiteral("@yPoint"));
    FSamplesSeries->setPointLabelsClipping(false);
    CalibChart->addSeries(FSamplesSeries);
    FSamplesSeries->attachAxis(CalibChartBottomAxis);
    FSamplesSeries->attachAxis(CalibChartLeftAxis);
}

}  // namespace VelorSpec
