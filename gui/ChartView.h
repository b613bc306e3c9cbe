#pragma once
// The chart view (see Charts.h): hooks around painting, frozen series drawn
// from a cached picture, and zooming and scrolling with the mouse.

#include "ChartAxes.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QMetaObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QtCharts/QChartView>

#include <functional>

class QAbstractAxis;
class QRubberBand;
class QTimeLine;
class QValueAxis;
class QXYSeries;

namespace gui {

class TChartSeries;

class TChartView : public QChartView {
    Q_OBJECT
public:
    explicit TChartView(QChart* chart, QWidget* parent = nullptr);
    ~TChartView() override;

    // Run before and after every paint of the view.
    std::function<void()> OnBeforeDraw;
    std::function<void()> OnAfterDraw;

    // Hides a series of the chart (it stays in chart()->series() with its
    // points, and in the chart's legend; it leaves its axes until thawed) and
    // draws it from now on as part of a cached picture, redrawn only when the
    // plot area or an axis range changes, or (for a TChartSeries) when its
    // points change; the chart never lays a frozen TChartSeries' points out.
    // Series frozen since the last paint are drawn on top of the picture.
    void FreezeSeries(QXYSeries* series);
    // The same for a series on none of the chart's axes, drawn against `axes`
    // (attaching it to them and off again would cost the chart a layout).
    void FreezeSeries(QXYSeries* series, const QList<QAbstractAxis*>& axes);
    // Shows every frozen series again as a normal series.
    void ThawAll();
    // Lays the chart out now (after its margins, legend or axes changed),
    // with the frozen TChartSeries held empty meanwhile, so that their hidden
    // items lay out no points (each would for a new plot area).  A resize
    // of the view does so by itself.
    void SettleLayout();
    // Forgets a series (call before deleting a frozen series).
    void ForgetSeries(QXYSeries* series);
    int FrozenCount() const { return static_cast<int>(FFrozen.size()); }
    bool IsFrozen(const QXYSeries* series) const;

    // Zoom and scroll with the mouse: a rubber band dragged down and to the
    // right zooms into its rectangle, one dragged up and to the left
    // unzooms, and the right button drags the view (both axes follow the
    // mouse).  Zoomed or scrolled, the chart keeps its ranges until it is
    // unzoomed, which goes back to AutomaticScales (the ranges that follow
    // the data), or without them to the ranges before the first zoom.
    // Zooming and unzooming move the axes in a short animation (readable
    // ticks at every step); only the axes move, never a curve's points, so
    // a live chart's points keep arriving as they come.
    void SetAnimatedZoom(bool on);
    bool AnimatedZoom() const { return FAnimatedZoom; }
    bool IsZoomed() const { return FZoomed; }
    bool ZoomRunning() const;
    static constexpr int ZoomAnimationMs = 300;
    static constexpr int ZoomStepMs = 33;
    // The ranges that follow the data (a live chart's growing axes); read
    // at every step of an unzoom.
    std::function<QHash<QValueAxis*, TAxisScale>()> AutomaticScales;
    // Told when the chart becomes zoomed (true: whatever follows the data
    // must leave the axes alone from now) and when an unzoom has ended.
    std::function<void(bool zoomed)> OnZoomed;
    // The same as the mouse does: zoom into a rectangle of the plot (view
    // coordinates), and unzoom.
    void ZoomIn(const QRectF& rect);
    void ZoomReset();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend QImage ChartBitmap(const QChartView* view);
    friend class TChartSeries;
    struct TRange {
        double Min = 0, Max = 0;
    };
    QHash<QValueAxis*, TRange> Ranges() const;
    // Animates the value axes to their ranges in `to`.
    void AnimateTo(const QHash<QValueAxis*, TRange>& to);
    void ApplyZoomStep(double t);
    void SetZoomed(bool on);
    QHash<QValueAxis*, TRange> UnzoomedRanges() const;
    bool FAnimatedZoom = false;
    bool FZoomed = false;
    QRubberBand* FBand = nullptr;
    QPoint FBandOrigin;
    QHash<QValueAxis*, TRange> FUnzoomed;   // ranges before the first zoom
    QHash<QValueAxis*, TRange> FZoomFrom, FZoomTo;
    QTimeLine* FZoomAnimation = nullptr;
    bool FUnzooming = false;   // the animation goes back to the unzoomed ranges
    // Dragging the view with the right button: where it started, the scales
    // then and one pixel as a share of the plot's width and height.
    bool FPanning = false;
    QPoint FPanOrigin;
    QHash<QValueAxis*, TAxisScale> FPanFrom;
    QPointF FPanPixel;
    void InvalidateFrozen();
    // Clears what freezing set on a series; `show`: its item lays its points
    // out again (it is about to be shown).
    void Unfreeze(QXYSeries* series, bool show);
    void DrawFrozen(QPainter& painter, const QList<QPointer<QXYSeries>>& series) const;
    QList<QPointer<QXYSeries>> FFrozen;
    // The axes each frozen series was on (it is taken off them while frozen).
    QHash<const QXYSeries*, QList<QPointer<QAbstractAxis>>> FFrozenAxes;
    // The range of a frozen series' axis in one direction (false if none).
    bool FrozenRange(const QXYSeries* series, Qt::Orientation orientation, double& lo, double& hi) const;
    QImage FFrozenImage;       // the frozen series over the plot area
    int FFrozenDrawn = 0;      // how many of FFrozen the image holds
    QRectF FFrozenArea;        // plot area the image was drawn for
    TRange FFrozenX, FFrozenY;  // axis ranges the image was drawn for
    bool FFrozenValid = false;
    QList<QMetaObject::Connection> FAxisConnections;
    void WatchAxes();
};

}  // namespace gui
