#include "ChartCopy.h"

#include "ChartView.h"

#include <QApplication>
#include <QChart>
#include <QClipboard>
#include <QGraphicsScene>
#include <QPainter>

namespace gui {

QImage ChartBitmap(const QChartView* view)
{
    const QSize size = view->size().isEmpty() ? QSize(600, 400) : view->size();
    QImage bitmap(size, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    QChart* chart = view->chart();
    if (!chart || !view->scene())
        return bitmap;
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // The scene alone (no view background or frame), without the chart's own
    // background: the picture is drawn on plain white.
    const QRectF geometry = chart->geometry();
    const bool background = chart->isBackgroundVisible();
    chart->setBackgroundVisible(false);
    view->scene()->render(&painter, QRectF(QPointF(0, 0), size), geometry);
    chart->setBackgroundVisible(background);
    if (const auto* live = qobject_cast<const TChartView*>(view); live && !live->FFrozen.isEmpty()) {
        painter.scale(size.width() / geometry.width(), size.height() / geometry.height());
        painter.translate(chart->plotArea().topLeft() - geometry.topLeft());
        painter.setClipRect(QRectF(QPointF(0, 0), chart->plotArea().size()));
        live->DrawFrozen(painter, live->FFrozen);
    }
    return bitmap;
}

void CopyChart(const QChartView* view)
{
    QApplication::clipboard()->setImage(ChartBitmap(view));
}

}  // namespace gui
