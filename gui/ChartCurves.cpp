#include "ChartCurves.h"

#include "ChartView.h"

#include <QChart>
#include <QSignalBlocker>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>

namespace gui {

namespace {
// A list of this many points (or fewer) for `columns` columns is drawn whole.
bool Reducible(qsizetype n, double xMin, double xMax, int columns)
{
    return columns >= 1 && n > 4 * qsizetype(columns) && xMax > xMin && std::isfinite(xMax - xMin);
}
}  // namespace

QList<QPointF> ReducePoints(const QList<QPointF>& points, double xMin, double xMax, int columns)
{
    if (!Reducible(points.size(), xMin, xMax, columns))
        return points;
    TColumnReduction reduction;
    reduction.Start(xMin, xMax, columns);
    if (!reduction.Feed(points))
        return points;  // not ascending: drawn as it is
    return reduction.Result(points);
}

void TColumnReduction::Start(double xMin, double xMax, int columns)
{
    FXMin = xMin;
    FXMax = xMax;
    FColumns = columns;
    FScale = columns / (xMax - xMin);
    FFed = 0;
    FClosed.clear();
    FClosed.reserve(4 * columns + 8);
}

int TColumnReduction::ColumnOf(double x) const
{
    // Everything left of the range is column -1, right of it column `columns`.
    const double c = std::floor((x - FXMin) * FScale);
    return c < 0 ? -1 : (c >= FColumns ? FColumns : static_cast<int>(c));
}

void TColumnReduction::Close(const QList<QPointF>& points, QList<QPointF>& out) const
{
    qsizetype idx[4] = {FFirst, FLow, FHigh, FLast};
    std::sort(idx, idx + 4);
    for (int k = 0; k < 4; ++k)
        if (k == 0 || idx[k] != idx[k - 1])
            out.append(points[idx[k]]);
}

bool TColumnReduction::Feed(const QList<QPointF>& points)
{
    const qsizetype n = points.size();
    for (qsizetype i = FFed; i < n; ++i) {
        const QPointF& p = points[i];
        if (i == 0) {
            FColumn = ColumnOf(p.x());
            FFirst = FLow = FHigh = FLast = 0;
            continue;
        }
        if (p.x() < points[i - 1].x()) {
            FFed = i;
            return false;
        }
        const int c = ColumnOf(p.x());
        if (c != FColumn) {
            Close(points, FClosed);
            FFirst = FLow = FHigh = FLast = i;
            FColumn = c;
            continue;
        }
        FLast = i;
        if (p.y() < points[FLow].y())
            FLow = i;
        if (p.y() > points[FHigh].y())
            FHigh = i;
    }
    FFed = n;
    return true;
}

QList<QPointF> TColumnReduction::Result(const QList<QPointF>& points) const
{
    QList<QPointF> out;
    out.reserve(FClosed.size() + 4);
    out.append(FClosed.constBegin(), FClosed.constEnd());
    if (FFed > 0)
        Close(points, out);
    return out;
}

TChartSeries::TChartSeries(QObject* parent) : QLineSeries(parent) {}

TChartSeries::~TChartSeries()
{
    if (FFrozenIn)
        FFrozenIn->ForgetSeries(this);
    Disconnect();
}

void TChartSeries::Extend(const QList<QPointF>& points)
{
    for (const QPointF& p : points) {
        FMinX = std::min(FMinX, p.x());
        FMaxX = std::max(FMaxX, p.x());
        FMinY = std::min(FMinY, p.y());
        FMaxY = std::max(FMaxY, p.y());
    }
}

void TChartSeries::Replace(const QList<QPointF>& points)
{
    const QSignalBlocker quiet(FFrozenIn ? this : nullptr);
    replace(points);
}

void TChartSeries::SetPoints(const QList<QPointF>& points)
{
    FAll = points;
    if (FFrozenIn)
        FFrozenIn->InvalidateFrozen();
    FWhole = false;
    FReduced = false;
    if (!FAll.isEmpty()) {
        FMinX = FMaxX = FAll.front().x();
        FMinY = FMaxY = FAll.front().y();
        Extend(FAll);
    }
    Reduce();
}

void TChartSeries::AppendPoints(const QList<QPointF>& points)
{
    if (points.isEmpty())
        return;
    if (FAll.isEmpty()) {
        FMinX = FMaxX = points.front().x();
        FMinY = FMaxY = points.front().y();
    }
    Extend(points);
    const bool whole = FWhole && !FHeld && count() == FAll.size();
    FAll.append(points);
    if (FFrozenIn)
        FFrozenIn->InvalidateFrozen();
    if (whole) {
        // The chart item would lay the whole curve out for every point; it
        // is told once, at the next Reduce.
        const QSignalBlocker quiet(this);
        append(points);
        FQuiet = true;
    }
}

bool TChartSeries::Bounds(double& minX, double& maxX, double& minY, double& maxY) const
{
    if (FAll.isEmpty())
        return false;
    minX = FMinX;
    maxX = FMaxX;
    minY = FMinY;
    maxY = FMaxY;
    return true;
}

void TChartSeries::HandOver(double xMin, double xMax, int columns)
{
    const qsizetype n = FAll.size();
    if (FFrozenIn) {
        // The view's picture draws the curve (reduced for its width): the
        // chart may hold every point, as it never lays them out.
        FReduced = false;
        if (!FWhole || FQuiet || count() != n)
            Replace(FAll);
        FWhole = true;
        FQuiet = false;
        return;
    }
    if (Reducible(n, xMin, xMax, columns)) {
        // Only the points added since the last hand-over are looked at, as
        // long as the chart's range and width stay.
        const bool same = FReduced && FReduction.Matches(xMin, xMax, columns);
        if (!same) {
            FReduction.Start(xMin, xMax, columns);
            FHanded = -1;
        }
        FReduced = FReduction.Feed(FAll);
        if (FReduced) {
            if (FHanded == n && !FWhole)
                return;   // the chart holds these points already
            Replace(FReduction.Result(FAll));
            FHanded = n;
            FWhole = false;
            FQuiet = false;
            return;
        }
    }
    // Drawn point for point.  A curve the chart already holds whole stays as
    // it is: handing the same points over again would lay the curve out once
    // more for nothing.
    if (FWhole && !FQuiet && count() == n)
        return;
    Replace(FAll);
    FWhole = true;
    FQuiet = false;
}

void TChartSeries::Reduce()
{
    if (FHeld)
        return;
    double xMin = FMinX, xMax = FMaxX;
    int columns = DetachedColumns;
    if (QChart* c = chart()) {
        const int width = static_cast<int>(std::ceil(c->plotArea().width()));
        if (width > 0)
            columns = width;
        if (const auto* x = qobject_cast<const QValueAxis*>(FAxisX.data())) {
            xMin = x->min();
            xMax = x->max();
        }
    }
    HandOver(xMin, xMax, columns);
}

void TChartSeries::Hold()
{
    if (FHeld)
        return;
    FHeld = true;
    FWhole = false;
    FHanded = -1;
    if (!points().isEmpty())
        Replace({});
}

void TChartSeries::Release()
{
    if (!FHeld)
        return;
    FHeld = false;
    Reduce();
}

void TChartSeries::AttachTo(QChart* chart, QAbstractAxis* axisX, QAbstractAxis* axisY)
{
    if (!chart || this->chart() == chart)
        return;
    Detach();
    FAxisX = axisX;
    // The drawn points are reduced before the chart first sees the curve.
    const int width = static_cast<int>(std::ceil(chart->plotArea().width()));
    double xMin = FMinX, xMax = FMaxX;
    if (const auto* x = qobject_cast<const QValueAxis*>(axisX)) {
        xMin = x->min();
        xMax = x->max();
    }
    if (!FHeld)
        HandOver(xMin, xMax, width > 0 ? width : DetachedColumns);
    chart->addSeries(this);
    if (axisX)
        attachAxis(axisX);
    if (axisY)
        attachAxis(axisY);
    FConnections << connect(chart, &QChart::plotAreaChanged, this, [this] { Reduce(); });
    if (auto* x = qobject_cast<QValueAxis*>(axisX))
        FConnections << connect(x, &QValueAxis::rangeChanged, this, [this] { Reduce(); });
}

void TChartSeries::Disconnect()
{
    for (const QMetaObject::Connection& c : std::as_const(FConnections))
        disconnect(c);
    FConnections.clear();
}

void TChartSeries::Detach()
{
    if (FFrozenIn)
        FFrozenIn->ForgetSeries(this);
    Disconnect();
    if (QChart* c = chart())
        c->removeSeries(this);
    FAxisX = nullptr;
}

bool PointsBounds(const QList<const QXYSeries*>& Series, double& MinX, double& MaxX, double& MinY, double& MaxY)
{
    bool Any = false;
    for (const QXYSeries* S : Series) {
        if (!S)
            continue;
        for (const QPointF& P : S->points()) {
            MinX = Any ? std::min(MinX, P.x()) : P.x();
            MaxX = Any ? std::max(MaxX, P.x()) : P.x();
            MinY = Any ? std::min(MinY, P.y()) : P.y();
            MaxY = Any ? std::max(MaxY, P.y()) : P.y();
            Any = true;
        }
    }
    return Any;
}

}  // namespace gui
