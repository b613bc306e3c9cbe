#pragma once
// The experiment window's "Calibration View" page: the radio group that picks
// the statistic the calibration uses and the calibration chart.
//
// Every change of the radio group's selection, and the window making the page
// active (Activate), runs the calibration: the experiment fits its line over
// the origin and the standards for the chosen statistic and computes the
// concentrations of the other samples; the chart then shows the line, the
// standards (circles) and the samples with a computed concentration (circles
// with value labels) under a two-line title.  The window's info lines are
// rebuilt through OnConcentrationsChanged.
//
// A calibration that fails gives the experiment and the radio group their
// previous statistic back and draws that statistic's calibration again; when
// the experiment holds no standard the chart is emptied and its title hidden.
// Otherwise the previous drawing stays.  The error reaches the default error
// box (or the caller of rgrUsedStatsClick).

#include <QSizeF>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class TAASExperiment;
class TAASSample;

namespace VelorSpec {

class TRadioGroup;

class TCalibrationView : public QWidget {
    Q_OBJECT
public:
    explicit TCalibrationView(QWidget* Parent = nullptr);
    ~TCalibrationView() override;

    // The experiment calibrated here (not owned).
    void SetExperiment(TAASExperiment* Experiment) { FExperiment = Experiment; }
    TAASExperiment* Experiment() const { return FExperiment; }

    TRadioGroup* rgrUsedStats = nullptr;   // "Use S&tatistic:", item 0 at creation
    QChart* CalibChart = nullptr;
    QChartView* CalibChartView = nullptr;
    QValueAxis* CalibChartBottomAxis = nullptr;   // "Concentration [ppm]"
    QValueAxis* CalibChartLeftAxis = nullptr;     // "Absorbtion [a.u.]"

    // Rebuilds the window's info lines after the concentrations changed.
    std::function<void()> OnConcentrationsChanged;

    // The calibration command; raises its error after the failure handling.
    void rgrUsedStatsClick();
    // The page was made active: runs the calibration, errors to the error box.
    void Activate();
    // Adds the samples' series: one circle per sample that is not a standard
    // and has a concentration above 0, with its value of the used statistic.
    void PlotSamples();

    // The drawing: the line, the standards and the samples (null while none).
    QLineSeries* LineSeries() const { return FLineSeries; }
    QScatterSeries* StandardsSeries() const { return FStandardsSeries; }
    QScatterSeries* SamplesSeries() const { return FSamplesSeries; }
    // The chart title's lines and whether it shows.
    QStringList TitleLines() const { return FTitleLines; }
    bool TitleVisible() const { return FTitleVisible; }

    // A sample's value of a statistic (0 plateau mean, 1 area mean, 2 the
    // ensemble's plateau mean, 3 the ensemble's area, anything else 0),
    // rounded to double.
    static double StatisticValue(const TAASSample& Sample, std::uint8_t Statistic);
    // The title's two lines for a calibration line.
    static QStringList TitleFor(double B0, double B1, double R, double R2);

private:
    // Frees every series of the chart.
    void ClearSeries();
    void SetTitle(const QStringList& Lines, bool Visible);
    void FitAxes();
    // Selects an item without running the calibration; true when it changed.
    bool SelectSilently(int Index);
    void RadioToggled(int Index, bool Checked);

    TAASExperiment* FExperiment = nullptr;
    QLineSeries* FLineSeries = nullptr;
    QScatterSeries* FStandardsSeries = nullptr;
    QScatterSeries* FSamplesSeries = nullptr;
    QStringList FTitleLines;
    bool FTitleVisible = false;
    QSizeF FFittedArea;   // plot size the axes were last fitted for
    bool FSilent = false;
};

}  // namespace VelorSpec
