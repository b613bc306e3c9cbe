#pragma once
// The curves of the charts (see Charts.h): every point kept, only what the
// chart's width can show handed to the chart.

#include <QList>
#include <QMetaObject>
#include <QPointF>
#include <QPointer>
#include <QtCharts/QLineSeries>

class QAbstractAxis;
class QChart;
class QXYSeries;

namespace gui {

class TChartView;

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

// The extent of every point of the series (null ones are skipped); false
// and nothing set when they hold no point.
bool PointsBounds(const QList<const QXYSeries*>& Series, double& MinX, double& MaxX, double& MinY, double& MaxY);

}  // namespace gui
