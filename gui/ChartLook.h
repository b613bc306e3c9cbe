#pragma once
// Small chart helpers of both programs: the look of the received-data charts,
// axis ranges over a set of curves, and the chart as a bitmap.

#include <QList>

class QChart;
class QChartView;
class QImage;
class QLineSeries;
class QValueAxis;

namespace gui {

// No frame, square corners and a background that runs from white down to silver.
void SetReceivedChartLook(QChart* Chart);

// Sets both axes to span every point of the curves, the value axis with a
// small margin above and below; without points the ranges stay.
void FitValueAxes(QValueAxis* AxisX, QValueAxis* AxisY, const QList<const QLineSeries*>& Series);

// Axes of a live chart that grow in steps with some headroom, so that a
// stream of readings rescales the chart only now and then.
class TGrowingAxes {
public:
    TGrowingAxes(QValueAxis* AxisX, QValueAxis* AxisY) : FAxisX(AxisX), FAxisY(AxisY) {}
    // New points were plotted within these bounds.
    void Extend(double MinX, double MaxX, double MinY, double MaxY);
    // Forget the data seen so far (the next points set the ranges afresh).
    void Reset() { FSet = false; }

private:
    QValueAxis* FAxisX;
    QValueAxis* FAxisY;
    bool FSet = false;
    double FAxisMaxX = 0, FAxisMinY = 0, FAxisMaxY = 0;
    double FDataMinY = 0, FDataMaxY = 0;
};

// The chart scene as a bitmap drawn on white, the size of its view.
QImage ChartBitmap(const QChartView* View);

}  // namespace gui
