#include "ChartView.h"

#include "ChartCurves.h"
#include "ChartViewInternal.h"

#include <QChart>
#include <QEasingCurve>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QResizeEvent>
#include <QRubberBand>
#include <QTimeLine>
#include <QTransform>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>

namespace gui {

TChartView::TChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent)
{
    // Every curve's item changes its geometry whenever an axis range moves
    // (a zoom step, a live axis growing); the scene's spatial index would
    // be rebuilt for each of them, hidden frozen curves included.
    scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
}

TChartView::~TChartView()
{
    // The chart and its curves go after this view.
    for (const QPointer<QXYSeries>& s : std::as_const(FFrozen))
        if (auto* curve = qobject_cast<TChartSeries*>(s.data()); curve && curve->FFrozenIn == this)
            curve->FFrozenIn = nullptr;
}

void TChartView::SettleLayout()
{
    QList<TChartSeries*> held;
    for (const QPointer<QXYSeries>& s : std::as_const(FFrozen))
        if (auto* curve = qobject_cast<TChartSeries*>(s.data()); curve && !curve->IsHeld()) {
            curve->Hold();
            held << curve;
        }
    if (chart())
        if (QGraphicsLayout* layout = chart()->layout())
            layout->activate();
    for (TChartSeries* curve : std::as_const(held))
        curve->Release();
}

void TChartView::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    // The chart's items would each lay their curve out for the new size.
    SettleLayout();
}

void TChartView::paintEvent(QPaintEvent* event)
{
    if (OnBeforeDraw)
        OnBeforeDraw();
    QChartView::paintEvent(event);
    if (OnAfterDraw)
        OnAfterDraw();
}

bool TChartView::IsFrozen(const QXYSeries* series) const
{
    for (const QPointer<QXYSeries>& s : FFrozen)
        if (s == series)
            return true;
    return false;
}

void TChartView::FreezeSeries(QXYSeries* series)
{
    if (!series || IsFrozen(series) || series->chart() != chart())
        return;
    // Off its axes too: the chart lays out every curve on its axes at every
    // range change (a zoom step, a live axis growing), hidden ones included.
    const QList<QAbstractAxis*> axes = series->attachedAxes();
    for (QAbstractAxis* axis : axes)
        series->detachAxis(axis);
    FreezeSeries(series, axes);
}

void TChartView::FreezeSeries(QXYSeries* series, const QList<QAbstractAxis*>& axes)
{
    if (!series || IsFrozen(series) || series->chart() != chart())
        return;
    series->setProperty(FrozenProperty, true);
    if (auto* curve = qobject_cast<TChartSeries*>(series))
        curve->FFrozenIn = this;
    series->setVisible(false);
    QList<QPointer<QAbstractAxis>> on;
    for (QAbstractAxis* axis : axes)
        on << axis;
    FFrozenAxes.insert(series, on);
    FFrozen << series;
    WatchAxes();
    viewport()->update();
}

void TChartView::Unfreeze(QXYSeries* series, bool show)
{
    series->setProperty(FrozenProperty, QVariant());
    if (auto* curve = qobject_cast<TChartSeries*>(series); curve && curve->FFrozenIn == this) {
        curve->FFrozenIn = nullptr;
        // Its item was not told of the points while it was frozen: handed
        // over anew, for the chart's width.
        if (show) {
            curve->FWhole = false;
            curve->FReduced = false;
            curve->FHanded = -1;
            curve->Reduce();
        }
    }
}

void TChartView::ThawAll()
{
    for (const QPointer<QXYSeries>& s : std::as_const(FFrozen))
        if (s) {
            Unfreeze(s, true);
            for (const QPointer<QAbstractAxis>& axis : FFrozenAxes.value(s))
                if (axis && chart()->axes().contains(axis))
                    s->attachAxis(axis);
            s->setVisible(true);
        }
    FFrozen.clear();
    FFrozenAxes.clear();
    InvalidateFrozen();
    WatchAxes();
}

void TChartView::ForgetSeries(QXYSeries* series)
{
    if (series && IsFrozen(series))
        Unfreeze(series, false);
    for (qsizetype i = FFrozen.size() - 1; i >= 0; --i)
        if (FFrozen[i] == series || !FFrozen[i]) {
            FFrozenAxes.remove(FFrozen[i].data());
            FFrozen.removeAt(i);
        }
    FFrozenAxes.remove(series);
    InvalidateFrozen();
}

void TChartView::InvalidateFrozen()
{
    // The picture is drawn anew at the next paint (the old one stays for a
    // zoom under way).
    FFrozenValid = false;
    viewport()->update();
}

void TChartView::WatchAxes()
{
    for (const QMetaObject::Connection& c : std::as_const(FAxisConnections))
        disconnect(c);
    FAxisConnections.clear();
    if (!chart())
        return;
    for (QAbstractAxis* axis : chart()->axes())
        if (auto* v = qobject_cast<QValueAxis*>(axis))
            FAxisConnections << connect(v, &QValueAxis::rangeChanged, this, [this] { InvalidateFrozen(); });
}

bool TChartView::FrozenRange(const QXYSeries* series, Qt::Orientation orientation, double& lo, double& hi) const
{
    for (const QPointer<QAbstractAxis>& axis : FFrozenAxes.value(series))
        if (axis && axis->orientation() == orientation)
            if (const auto* v = qobject_cast<const QValueAxis*>(axis.data())) {
                lo = v->min();
                hi = v->max();
                return hi > lo;
            }
    return false;
}

void TChartView::DrawFrozen(QPainter& painter, const QList<QPointer<QXYSeries>>& series) const
{
    const QRectF area = chart()->plotArea();
    const int columns = std::max(1, static_cast<int>(std::ceil(area.width())));
    for (const QPointer<QXYSeries>& s : series) {
        if (!s)
            continue;
        double x0, x1, y0, y1;
        if (!FrozenRange(s, Qt::Horizontal, x0, x1) || !FrozenRange(s, Qt::Vertical, y0, y1))
            continue;
        const auto* all = qobject_cast<const TChartSeries*>(s.data());
        const QList<QPointF> points = ReducePoints(all ? all->AllPoints() : s->points(), x0, x1, columns);
        if (points.isEmpty())
            continue;
        QPolygonF line;
        line.reserve(points.size());
        const double sx = area.width() / (x1 - x0), sy = area.height() / (y1 - y0);
        for (const QPointF& p : points)
            line << QPointF((p.x() - x0) * sx, area.height() - (p.y() - y0) * sy);
        painter.setPen(s->pen());
        painter.drawPolyline(line);
    }
}

void TChartView::drawForeground(QPainter* painter, const QRectF& rect)
{
    QChartView::drawForeground(painter, rect);
    if (FFrozen.isEmpty() || !chart())
        return;
    const QRectF area = chart()->plotArea();
    if (area.isEmpty())
        return;
    TRange x, y;
    const bool ranges = FrozenRange(FFrozen.front(), Qt::Horizontal, x.Min, x.Max) &&
                        FrozenRange(FFrozen.front(), Qt::Vertical, y.Min, y.Max);
    painter->save();
    painter->setClipRect(area);
    if (!FFrozenValid && (ZoomRunning() || FPanning) && ranges && !FFrozenImage.isNull() && area == FFrozenArea &&
        FFrozenDrawn <= FFrozen.size()) {
        // Mid-zoom or mid-drag the picture moves and stretches with the axes
        // (drawing every frozen curve anew at every step would take the GUI
        // thread's whole time); it is drawn anew once the zoom has ended.  Series
        // frozen meanwhile are drawn as they are.
        const double sx = (FFrozenX.Max - FFrozenX.Min) / (x.Max - x.Min);
        const double sy = (FFrozenY.Max - FFrozenY.Min) / (y.Max - y.Min);
        const double dx = (FFrozenX.Min - x.Min) / (x.Max - x.Min) * area.width();
        const double dy = (y.Max - FFrozenY.Max) / (y.Max - y.Min) * area.height();
        painter->translate(area.topLeft());
        painter->save();
        painter->setTransform(QTransform(sx, 0, 0, sy, dx, dy), true);
        painter->drawImage(QPointF(0, 0), FFrozenImage);
        painter->restore();
        DrawFrozen(*painter, FFrozen.mid(FFrozenDrawn));
        painter->restore();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (!FFrozenValid || area != FFrozenArea) {
        FFrozenImage = QImage((area.size() * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        FFrozenImage.setDevicePixelRatio(ratio);
        FFrozenImage.fill(Qt::transparent);
        FFrozenArea = area;
        FFrozenDrawn = 0;
        FFrozenValid = true;
        FFrozenX = x;
        FFrozenY = y;
    }
    if (FFrozenDrawn < FFrozen.size()) {
        QPainter p(&FFrozenImage);
        p.setRenderHints(renderHints());
        DrawFrozen(p, FFrozen.mid(FFrozenDrawn));
        FFrozenDrawn = static_cast<int>(FFrozen.size());
    }
    painter->drawImage(area.topLeft(), FFrozenImage);
    painter->restore();
}

// ---------------------------------------------------------------------------
// Animated zoom

void TChartView::SetAnimatedZoom(bool on)
{
    FAnimatedZoom = on;
    if (on)
        setRubberBand(QChartView::NoRubberBand);   // the view draws its own band
}

bool TChartView::ZoomRunning() const
{
    return FZoomAnimation && FZoomAnimation->state() == QTimeLine::Running;
}

QHash<QValueAxis*, TChartView::TRange> TChartView::Ranges() const
{
    QHash<QValueAxis*, TRange> ranges;
    if (chart())
        for (QAbstractAxis* axis : chart()->axes())
            if (auto* v = qobject_cast<QValueAxis*>(axis))
                ranges.insert(v, TRange{v->min(), v->max()});
    return ranges;
}

void TChartView::SetZoomed(bool on)
{
    if (FZoomed == on)
        return;
    if (on)
        FUnzoomed = Ranges();
    else
        FUnzoomed.clear();
    FZoomed = on;
    if (OnZoomed)
        OnZoomed(on);
}

void TChartView::mousePressEvent(QMouseEvent* event)
{
    const bool inPlot = FAnimatedZoom && chart() && chart()->plotArea().contains(event->position());
    if (inPlot && event->button() == Qt::LeftButton) {
        if (!FBand)
            FBand = new QRubberBand(QRubberBand::Rectangle, viewport());
        FBandOrigin = event->position().toPoint();
        FBand->setGeometry(QRect(FBandOrigin, QSize()));
        FBand->show();
        event->accept();
        return;
    }
    if (inPlot && event->button() == Qt::RightButton) {
        // The view is dragged from the ranges it shows now (an animation
        // under way stops where it is).
        if (FZoomAnimation)
            FZoomAnimation->stop();
        FUnzooming = false;
        FPanning = true;
        FPanOrigin = event->position().toPoint();
        FPanFrom.clear();
        for (QAbstractAxis* axis : chart()->axes())
            if (auto* v = qobject_cast<QValueAxis*>(axis))
                FPanFrom.insert(v, AxisScale(v));
        const QRectF plot = chart()->plotArea();
        FPanPixel = QPointF(1 / plot.width(), 1 / plot.height());
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void TChartView::mouseMoveEvent(QMouseEvent* event)
{
    if (FBand && FBand->isVisible()) {
        FBand->setGeometry(QRect(FBandOrigin, event->position().toPoint()).normalized());
        event->accept();
        return;
    }
    if (FPanning) {
        const QPoint drag = event->position().toPoint() - FPanOrigin;
        if (!drag.isNull())
            SetZoomed(true);
        // The curves follow the mouse: dragged right, the x range moves
        // left; dragged down, the y range moves up.
        for (auto it = FPanFrom.cbegin(); it != FPanFrom.cend(); ++it) {
            if (!chart()->axes().contains(it.key()))
                continue;
            TAxisScale scale = it.value();
            const double span = scale.Max - scale.Min;
            const double shift = it.key()->orientation() == Qt::Horizontal ? -drag.x() * FPanPixel.x() * span
                                                                            : drag.y() * FPanPixel.y() * span;
            scale.Min += shift;
            scale.Max += shift;
            ScaleAxis(it.key(), scale);
        }
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void TChartView::mouseReleaseEvent(QMouseEvent* event)
{
    if (FBand && FBand->isVisible() && event->button() == Qt::LeftButton) {
        FBand->hide();
        const QPoint end = event->position().toPoint();
        const QPoint drag = end - FBandOrigin;
        constexpr int Least = 3;   // a click or a slip of the hand zooms nothing
        if (drag.x() >= Least && drag.y() >= Least)
            ZoomIn(QRectF(FBandOrigin, end));
        else if (drag.x() <= -Least || drag.y() <= -Least)
            ZoomReset();
        event->accept();
        return;
    }
    if (FPanning && event->button() == Qt::RightButton) {
        FPanning = false;
        viewport()->update();   // the frozen curves exactly, at the new ranges
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void TChartView::ZoomIn(const QRectF& rect)
{
    if (!chart())
        return;
    const QRectF plot = chart()->plotArea();
    const QRectF r = rect.normalized().intersected(plot);
    if (plot.isEmpty() || r.width() < 1 || r.height() < 1)
        return;
    QHash<QValueAxis*, TRange> to;
    for (QAbstractAxis* axis : chart()->axes())
        if (auto* v = qobject_cast<QValueAxis*>(axis)) {
            const double span = v->max() - v->min();
            const bool across = v->orientation() == Qt::Horizontal;
            const double lo = across ? (r.left() - plot.left()) / plot.width() : (plot.bottom() - r.bottom()) / plot.height();
            const double hi = across ? (r.right() - plot.left()) / plot.width() : (plot.bottom() - r.top()) / plot.height();
            to.insert(v, TRange{v->min() + lo * span, v->min() + hi * span});
        }
    SetZoomed(true);
    FUnzooming = false;
    AnimateTo(to);
}

QHash<QValueAxis*, TChartView::TRange> TChartView::UnzoomedRanges() const
{
    QHash<QValueAxis*, TRange> to = FUnzoomed;
    if (AutomaticScales) {
        const QHash<QValueAxis*, TAxisScale> automatic = AutomaticScales();
        for (auto it = automatic.cbegin(); it != automatic.cend(); ++it)
            to.insert(it.key(), TRange{it->Min, it->Max});
    }
    return to;
}

void TChartView::ZoomReset()
{
    if (!FZoomed)
        return;
    FUnzooming = true;
    AnimateTo(UnzoomedRanges());
}

void TChartView::AnimateTo(const QHash<QValueAxis*, TRange>& to)
{
    FZoomFrom = Ranges();
    FZoomTo = to;
    if (!FZoomAnimation) {
        // About 30 steps a second: smooth to the eye, and each step lays out
        // and paints the whole chart.
        FZoomAnimation = new QTimeLine(ZoomAnimationMs, this);
        FZoomAnimation->setUpdateInterval(ZoomStepMs);
        FZoomAnimation->setEasingCurve(QEasingCurve::OutCubic);
        connect(FZoomAnimation, &QTimeLine::valueChanged, this, [this](qreal t) { ApplyZoomStep(t); });
        connect(FZoomAnimation, &QTimeLine::finished, this, [this] {
            ApplyZoomStep(1);
            if (FUnzooming) {
                // The ranges that follow the data are the axes' again.
                FUnzooming = false;
                SetZoomed(false);
            }
            viewport()->update();   // the frozen curves exactly, at the final ranges
        });
    }
    FZoomAnimation->stop();
    FZoomAnimation->start();
}

void TChartView::ApplyZoomStep(double t)
{
    if (!chart())
        return;
    // Going back, the ranges that follow the data may have grown meanwhile.
    if (FUnzooming)
        FZoomTo = UnzoomedRanges();
    const QList<QAbstractAxis*> axes = chart()->axes();
    for (auto it = FZoomTo.begin(); it != FZoomTo.end(); ++it) {
        QValueAxis* axis = it.key();
        const auto from = FZoomFrom.constFind(axis);
        if (!axes.contains(axis) || from == FZoomFrom.constEnd())
            continue;
        const TRange& a = *from;
        const TRange& b = it.value();
        TAxisScale scale;
        scale.Min = t >= 1 ? b.Min : a.Min + (b.Min - a.Min) * t;
        scale.Max = t >= 1 ? b.Max : a.Max + (b.Max - a.Max) * t;
        // Readable ticks at every step, as the axes had them.
        scale.Step = NiceStep(scale.Max - scale.Min,
                              axis->orientation() == Qt::Horizontal ? TimeAxis.MaxIntervals : ValueAxis.MaxIntervals);
        scale.Decimals = StepDecimals(scale.Step);
        ScaleAxis(axis, scale);
    }
}

}  // namespace gui
