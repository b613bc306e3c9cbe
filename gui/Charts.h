#pragma once
// Chart pieces shared by both programs (sample, experiment, calibration and
// live charts).  Use them instead of configuring QtCharts by hand:
//
//   Axes     NiceStep / NiceScale pick readable ticks (1, 2 or 5 x 10^n) and a
//            range around the data; NewValueAxis creates an axis whose labels
//            this code writes itself (user's decimal separator, never "-0");
//            ScaleAxis / ScaleAxisToData put a scale on such an axis (on a
//            plain QValueAxis they set range, 1-2-5 ticks and decimals).
//              auto* y = gui::NewValueAxis("Absorbtion [a.u.]");
//              chart->addAxis(y, Qt::AlignLeft);
//              gui::ScaleAxisToData(y, minY, maxY);            // value axis: margin
//              gui::ScaleAxisToData(x, minX, maxX, gui::TimeAxis); // no margin
//            Data that is all positive (or all negative) never gets a range
//            across zero; a single value still gets a visible span.
//   Colours  AutoColor(i) is the i-th automatic curve colour (index 0 is red);
//            the first ten are clearly distinct.  FirstFreeColor picks the
//            first automatic colour not in use (for charts that show and hide
//            curves).
//   Look     StyleChart gives a chart the common look: flat, no frame, no
//            rounded corners, background gradient from white to silver.
//   Legend   TChartLegend (StyleChart's legend) lists every curve under the
//            plot with its whole name, in as many rows as the names need.
//   Curves   TChartSeries is a QLineSeries that keeps every point (AllPoints,
//            PointCount, SetPoints, AppendPoints) but hands the chart only
//            what its width can show: per pixel column the first, lowest,
//            highest and last point (ReducePoints).  Attach it with AttachTo,
//            not addSeries, so a curve of millions of points shows and hides
//            at once.  Small curves (up to four points per column) are drawn
//            point for point, so points() is then the full list too.  Points
//            appended to a long curve cost only their own columns, so a live
//            curve that grows for hours refreshes as fast as at its start.
//   Views    TChartView is a QChartView with hooks around painting and a
//            frozen layer: FreezeSeries hides a series and draws it into a
//            cached picture, redrawn only when an axis, the plot area or a
//            frozen curve's points change, so a refresh costs the same
//            however many frozen series the chart holds (a live chart's
//            finished replicates; every curve of the signal charts).  With
//            SetAnimatedZoom the mouse zooms (the axes glide to the new
//            ranges; the curves' points are never animated) and scrolls.
//   Copy     ChartBitmap draws any chart view on plain white, as the copy
//            commands put it on the clipboard (CopyChart).

#include <QColor>
#include <QList>
#include <QLocale>
#include <QMetaObject>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QGraphicsWidget>
#include <QHash>
#include <QImage>
#include <QMargins>
#include <QRectF>

#include <functional>

class QAbstractAxis;
class QChart;
class QRubberBand;
class QTimeLine;
class QValueAxis;
class QXYSeries;

namespace gui {

// ---------------------------------------------------------------------------
// Axes

// Readable tick step for a span: 1, 2 or 5 x 10^n, the smallest that cuts
// the span into at most maxIntervals intervals.  1 for an empty or invalid span.
double NiceStep(double span, int maxIntervals = 8);

struct TAxisScale {
    double Min = 0;      // axis range
    double Max = 1;
    double Step = 0.2;   // tick step (ticks lie on whole multiples of it)
    int Decimals = 1;    // decimals of the labels
};

struct TAxisOptions {
    int MaxIntervals = 8;   // at most this many tick intervals
    double Margin = 0.05;   // share of the data span added below and above
};
inline constexpr TAxisOptions ValueAxis{8, 0.05};
inline constexpr TAxisOptions TimeAxis{10, 0.0};

// The scale for data between dataMin and dataMax.
TAxisScale NiceScale(double dataMin, double dataMax, const TAxisOptions& options = ValueAxis);
// Decimals that show every multiple of step exactly (0 for steps of 1 and more).
int StepDecimals(double step);
// The ticks of a scale: the multiples of Step between Min and Max.
QList<double> ScaleTicks(const TAxisScale& scale);
// Label of a value: Decimals decimals, the user's decimal separator, and
// never a minus sign in front of a value that reads as zero.
QString AxisLabel(double value, int decimals);
// The locale of the numbers a chart writes itself (point labels): the user's
// decimal separator, no group separators.
QLocale NumberLocale();

// A value axis whose tick labels come from ScaleAxis (a QCategoryAxis with
// labels on the values).  Starts at 0 to 1.
QValueAxis* NewValueAxis(const QString& title = QString());
// Puts a scale on an axis.
void ScaleAxis(QValueAxis* axis, const TAxisScale& scale);
// NiceScale + ScaleAxis; returns the scale applied.
TAxisScale ScaleAxisToData(QValueAxis* axis, double dataMin, double dataMax,
                           const TAxisOptions& options = ValueAxis);
// The scale an axis shows now (as ScaleAxis left it).
TAxisScale AxisScale(const QValueAxis* axis);
// The labels an axis shows now, left to right or bottom to top.
QStringList AxisLabels(const QValueAxis* axis);

// ---------------------------------------------------------------------------
// Colours

int AutoColorCount();
// The i-th automatic colour (wraps around after AutoColorCount()).
QColor AutoColor(int index);
// The first automatic colour not in `used`; when all are used, the one at
// used.size() (wrapping).
QColor FirstFreeColor(const QList<QColor>& used);

// ---------------------------------------------------------------------------
// Look

class TChartLegend;
class TChartView;

// Flat, no frame, no shadow, square corners, white-to-silver background
// gradient; the numbers the chart writes itself use NumberLocale.  With
// `legend` the chart gets a TChartLegend at the bottom (the one returned),
// else none (null).
TChartLegend* StyleChart(QChart* chart, bool legend);

// ---------------------------------------------------------------------------
// Legend

// The legend under a chart's plot: one entry per curve on the chart (a box
// in the curve's colour and its name), in chart order, in rows of equal
// columns, as many rows as the names need, so that every name shows whole
// (QLegend keeps one row and cuts names short).  The plot area shrinks to
// leave the rows room.  At most half the chart's height goes to the legend;
// entries beyond that are left out.  Refresh after curves were attached,
// detached, renamed or recoloured; resizing the chart lays it out again by
// itself.
class TChartLegend : public QGraphicsWidget {
    Q_OBJECT
public:
    explicit TChartLegend(QChart* chart);

    void Refresh();

    struct TEntry {
        QString Name;      // the curve's name
        QString Text;      // what the entry shows (the name, unless it is
                           // wider than the whole chart)
        QColor Color;
        QRectF TextRect;   // where the text stands, in chart coordinates
    };
    // The entries shown.
    const QList<TEntry>& Entries() const { return FEntries; }
    int Rows() const { return FRows; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

private:
    void Layout();
    QChart* FChart;
    QMargins FBaseMargins;   // the chart's margins without the legend
    QList<TEntry> FEntries;
    int FRows = 0;
    qreal FBox = 0;          // side of a colour box
    qreal FGap = 0;          // from the box to the name
};

// ---------------------------------------------------------------------------
// Curves

// The points a chart `columns` pixels wide needs to draw `points` (x
// ascending) between xMin and xMax exactly: per column the first, lowest,
// highest and last point, in their order.  Lists of up to 4 x columns
// points, lists whose x is not ascending and empty ranges come back whole.
QList<QPointF> ReducePoints(const QList<QPointF>& points, double xMin, double xMax, int columns);

// ReducePoints kept up to date while a list grows: Feed takes the points
// added since the last call, so each point is looked at once for as long as
// the range and the column count stay.
class TColumnReduction {
public:
    // Empty, for `columns` columns between xMin and xMax (a valid range).
    void Start(double xMin, double xMax, int columns);
    bool Matches(double xMin, double xMax, int columns) const
    {
        return FColumns == columns && FXMin == xMin && FXMax == xMax;
    }
    // Takes points[Fed() ..]; false when an x goes down (the list is then
    // not for reducing; nothing more is taken).
    bool Feed(const QList<QPointF>& points);
    qsizetype Fed() const { return FFed; }
    // The reduced points of what was fed (of `points`).
    QList<QPointF> Result(const QList<QPointF>& points) const;

private:
    int ColumnOf(double x) const;
    void Close(const QList<QPointF>& points, QList<QPointF>& out) const;
    double FXMin = 0, FXMax = 0, FScale = 0;
    int FColumns = 0;
    qsizetype FFed = 0;
    QList<QPointF> FClosed;   // the reduced points of the finished columns
    // The open column: its number and its first, lowest, highest and last point.
    int FColumn = 0;
    qsizetype FFirst = 0, FLow = 0, FHigh = 0, FLast = 0;
};

class TChartSeries : public QLineSeries {
    Q_OBJECT
public:
    explicit TChartSeries(QObject* parent = nullptr);
    ~TChartSeries() override;

    // Every point of the curve (x ascending); the chart gets a reduced copy.
    void SetPoints(const QList<QPointF>& points);
    void ClearPoints() { SetPoints({}); }
    // Adds points after the last one.  The chart is told at the next Reduce
    // (a curve drawn point for point has them in points() at once).
    void AppendPoints(const QList<QPointF>& points);
    const QList<QPointF>& AllPoints() const { return FAll; }
    qsizetype PointCount() const { return FAll.size(); }
    // Extent of the points; false (and nothing set) when there are none.
    bool Bounds(double& minX, double& maxX, double& minY, double& maxY) const;

    // Adds the curve to a chart and attaches it to the given axes (null ones
    // are skipped); the drawn points follow the chart's width and x range.
    void AttachTo(QChart* chart, QAbstractAxis* axisX, QAbstractAxis* axisY);
    // Takes the curve off its chart (it keeps its points).
    void Detach();
    bool IsAttached() const { return chart() != nullptr; }
    // Hands the chart the drawn points for its current width and x range
    // (nothing when they are what it holds).
    void Reduce();
    // Holding: the chart gets no points until Release (it keeps AllPoints),
    // so attaching, colouring and rescaling many curves lays out none of
    // them; Release then hands each curve's drawn points over once.
    void Hold();
    void Release();
    bool IsHeld() const { return FHeld; }
    // Drawn point budget used while the curve is on no chart (pixel columns).
    static constexpr int DetachedColumns = 2048;

private:
    friend class TChartView;
    // Changes points() (told to the chart's item unless the curve is frozen:
    // a frozen curve's item is hidden and never lays its points out, the
    // view's picture is drawn anew instead).
    void Replace(const QList<QPointF>& points);
    void Disconnect();
    // Widens the extent to take in `points`.
    void Extend(const QList<QPointF>& points);
    // Hands over the drawn points for a chart `columns` pixels wide showing
    // xMin to xMax.
    void HandOver(double xMin, double xMax, int columns);
    QList<QPointF> FAll;
    bool FHeld = false;
    bool FWhole = false;   // the chart holds every point of FAll (points() is FAll)
    bool FQuiet = false;   // points were added to points() without telling the chart
    TColumnReduction FReduction;   // of FAll, while it is drawn reduced
    bool FReduced = false;         // FReduction is of FAll
    qsizetype FHanded = -1;        // points of FAll the chart's reduced copy covers
    double FMinX = 0, FMaxX = 0, FMinY = 0, FMaxY = 0;
    QPointer<QAbstractAxis> FAxisX;
    QList<QMetaObject::Connection> FConnections;
    QPointer<TChartView> FFrozenIn;   // the view whose picture draws the curve
};

// ---------------------------------------------------------------------------
// Views

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

// ---------------------------------------------------------------------------
// Copy

// The chart of a view drawn on plain white into an image of the view's size
// (a TChartView's frozen series included): the on-screen background stays
// out of the picture.
QImage ChartBitmap(const QChartView* view);
// Puts ChartBitmap(view) on the clipboard.
void CopyChart(const QChartView* view);

}  // namespace gui
