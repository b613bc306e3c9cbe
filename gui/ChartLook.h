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

// The chart scene as a bitmap drawn on white, the size of its view.
QImage ChartBitmap(const QChartView* View);

}  // namespace gui
