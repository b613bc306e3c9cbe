#pragma once
// The common look of the charts (see Charts.h).

class QChart;

namespace gui {

class TChartLegend;

// Flat, no frame, no shadow, square corners, white-to-silver background
// gradient; the numbers the chart writes itself use NumberLocale.  With
// `legend` the chart gets a TChartLegend at the bottom (the one returned),
// else none (null).
TChartLegend* StyleChart(QChart* chart, bool legend);

// The common look without a legend (see StyleChart).
inline void SetReceivedChartLook(QChart* Chart)
{
    StyleChart(Chart, false);
}

}  // namespace gui
