#pragma once
// The look of the received-data charts and the growing axes of a live chart.
// The chart pieces themselves (scales, colours, views) are in Charts.h.

#include "Charts.h"

#include <QHash>
#include <QList>

class QChart;
class QValueAxis;
class QXYSeries;

namespace gui {

// The common look without a legend (see StyleChart).
inline void SetReceivedChartLook(QChart* Chart)
{
    StyleChart(Chart, false);
}

// The extent of every point of the series (null ones are skipped); false
// and nothing set when they hold no point.
bool PointsBounds(const QList<const QXYSeries*>& Series, double& MinX, double& MaxX, double& MinY, double& MaxY);

// Axes of a live chart that grow in steps with some headroom, so that a
// stream of readings rescales the chart only now and then.  The scales are
// the readable ones of Charts.h.
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
