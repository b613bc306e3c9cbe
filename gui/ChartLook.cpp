#include "ChartLook.h"

#include "ChartAxes.h"
#include "ChartLegend.h"

#include <QBrush>
#include <QChart>
#include <QColor>
#include <QLegend>
#include <QLinearGradient>
#include <QPen>
#include <QString>

namespace gui {

TChartLegend* StyleChart(QChart* chart, bool legend)
{
    if (!chart)
        return nullptr;
    chart->setTitle(QString());
    chart->setDropShadowEnabled(false);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setPlotAreaBackgroundVisible(false);
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(0xC0, 0xC0, 0xC0));  // silver
    chart->setBackgroundBrush(gradient);
    chart->setLocale(NumberLocale());
    chart->setLocalizeNumbers(true);
    // QLegend keeps its entries in one row and cuts the names short.
    chart->legend()->setVisible(false);
    return legend ? new TChartLegend(chart) : nullptr;
}

}  // namespace gui
