#include "ChartLook.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QLinearGradient>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace gui {

void SetReceivedChartLook(QChart* Chart)
{
    Chart->setBackgroundRoundness(0);
    QLinearGradient Gradient(0, 0, 0, 1);
    Gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    Gradient.setColorAt(0, Qt::white);
    Gradient.setColorAt(1, QColor(0xC0, 0xC0, 0xC0));  // silver
    Chart->setBackgroundBrush(Gradient);
    Chart->setPlotAreaBackgroundVisible(false);  // clear back wall
}

void FitValueAxes(QValueAxis* AxisX, QValueAxis* AxisY, const QList<const QLineSeries*>& Series)
{
    bool Any = false;
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    for (const QLineSeries* S : Series) {
        for (const QPointF& P : S->points()) {
            if (!Any) {
                MinX = MaxX = P.x();
                MinY = MaxY = P.y();
                Any = true;
                continue;
            }
            MinX = std::min(MinX, P.x());
            MaxX = std::max(MaxX, P.x());
            MinY = std::min(MinY, P.y());
            MaxY = std::max(MaxY, P.y());
        }
    }
    if (!Any)
        return;
    const double Margin = MaxY > MinY ? (MaxY - MinY) * 0.05 : 1.0;
    AxisX->setRange(std::min(0.0, MinX), MaxX > 0 ? MaxX : 1.0);
    AxisY->setRange(MinY - Margin, MaxY + Margin);
}

void TGrowingAxes::Extend(double MinX, double MaxX, double MinY, double MaxY)
{
    (void)MinX;
    if (!FSet) {
        FDataMinY = MinY;
        FDataMaxY = MaxY;
        FAxisMaxX = 0;
        FAxisMinY = FAxisMaxY = MinY;
        FSet = true;
    }
    FDataMinY = std::min(FDataMinY, MinY);
    FDataMaxY = std::max(FDataMaxY, MaxY);
    bool Changed = false;
    if (MaxX > FAxisMaxX) {
        FAxisMaxX = std::max(MaxX * 1.5, 1.0);
        Changed = true;
    }
    if (FDataMinY < FAxisMinY || FDataMaxY > FAxisMaxY) {
        const double Margin = std::max((FDataMaxY - FDataMinY) * 0.25, 1.0);
        FAxisMinY = FDataMinY - Margin;
        FAxisMaxY = FDataMaxY + Margin;
        Changed = true;
    }
    if (Changed) {
        FAxisX->setRange(0, FAxisMaxX);
        FAxisY->setRange(FAxisMinY, FAxisMaxY);
    }
}

QImage ChartBitmap(const QChartView* View)
{
    const QSize Size = View->size().isEmpty() ? QSize(600, 400) : View->size();
    QImage Bitmap(Size, QImage::Format_RGB32);
    Bitmap.fill(Qt::white);
    QPainter Painter(&Bitmap);
    Painter.setRenderHint(QPainter::Antialiasing);
    View->scene()->render(&Painter, QRectF(QPointF(0, 0), Size), View->chart()->geometry());
    return Bitmap;
}

}  // namespace gui
