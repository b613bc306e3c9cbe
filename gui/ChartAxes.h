#pragma once
// Axes of the charts (see Charts.h): readable scales, axes whose labels this
// code writes itself, and the growing axes of a live chart.

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class QValueAxis;

namespace gui {

// Readable tick step for a span: 1, 2 or 5 x 10^n, the smallest that cuts
// the span into at most maxIntervals intervals.  1 for an empty or invalid span.
double NiceStep(double span, int maxIntervals = 8);

struct TAxisScale {
    double Min = 0;      // axis range
    double Max = 1;
    double Step = 0.2;   // tick step (ticks lie on whole multiples of it)
    int Decimals = 1;    // decimals of the labels
};

struct TAxisOptions {
    int MaxIntervals = 8;   // at most this many tick intervals
    double Margin = 0.05;   // share of the data span added below and above
};
inline constexpr TAxisOptions ValueAxis{8, 0.05};
inline constexpr TAxisOptions TimeAxis{10, 0.0};

// The scale for data between dataMin and dataMax.
TAxisScale NiceScale(double dataMin, double dataMax, const TAxisOptions& options = ValueAxis);
// Decimals that show every multiple of step exactly (0 for steps of 1 and more).
int StepDecimals(double step);
// The ticks of a scale: the multiples of Step between Min and Max.
QList<double> ScaleTicks(const TAxisScale& scale);
// Label of a value: Decimals decimals, the user's decimal separator, and
// never a minus sign in front of a value that reads as zero.
QString AxisLabel(double value, int decimals);
// The locale of the numbers a chart writes itself (point labels): the user's
// decimal separator, no group separators.
QLocale NumberLocale();

// A value axis whose tick labels come from ScaleAxis (a QCategoryAxis with
// labels on the values).  Starts at 0 to 1.
QValueAxis* NewValueAxis(const QString& title = QString());
// Puts a scale on an axis.
void ScaleAxis(QValueAxis* axis, const TAxisScale& scale);
// NiceScale + ScaleAxis; returns the scale applied.
TAxisScale ScaleAxisToData(QValueAxis* axis, double dataMin, double dataMax,
                           const TAxisOptions& options = ValueAxis);
// The scale an axis shows now (as ScaleAxis left it).
TAxisScale AxisScale(const QValueAxis* axis);
// The labels an axis shows now, left to right or bottom to top.
QStringList AxisLabels(const QValueAxis* axis);

// Axes of a live chart that grow in steps with some headroom, so that a
// stream of readings rescales the chart only now and then.  The scales are
// the readable ones of NiceScale.
class TGrowingAxes {
public:
    TGrowingAxes(QValueAxis* AxisX, QValueAxis* AxisY) : FAxisX(AxisX), FAxisY(AxisY) {}
    // New points were plotted within these bounds.
    void Extend(double MinX, double MaxX, double MinY, double MaxY);
    // Forget the data seen so far (the next points set the ranges afresh).
    void Reset() { FSet = false; }
    // Held (the user zoomed or scrolled the chart), the scales still follow
    // the data but the axes keep the ranges they have; releasing puts the
    // scales that follow the data on them again.
    void Hold(bool On);
    // The scales that follow the data seen so far, per axis (what the axes
    // show when not held); empty before the first points.
    QHash<QValueAxis*, TAxisScale> Scales() const;

private:
    QValueAxis* FAxisX;
    QValueAxis* FAxisY;
    bool FSet = false;
    bool FHeld = false;
    double FAxisMaxX = 0, FAxisMinY = 0, FAxisMaxY = 0;
    double FDataMinY = 0, FDataMaxY = 0;
    // The scales that follow the data, once there are any.
    QHash<QValueAxis*, TAxisScale> FScales;
};

}  // namespace gui
