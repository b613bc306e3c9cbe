#pragma once
// Copying a chart (see Charts.h).

#include <QImage>

class QChartView;

namespace gui {

// The chart of a view drawn on plain white into an image of the view's size
// (a TChartView's frozen series included): the on-screen background stays
// out of the picture.
QImage ChartBitmap(const QChartView* view);
// Puts ChartBitmap(view) on the clipboard.
void CopyChart(const QChartView* view);

}  // namespace gui
