#include "Charts.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QClipboard>
#include <QFontMetricsF>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegend>
#include <QLinearGradient>
#include <QPainter>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QRubberBand>
#include <QTimeLine>
#include <QSignalBlocker>
#include <QValueAxis>
#include <QXYSeries>

#include <algorithm>
#include <cmath>
#include <limits>

#include "SysUtils.h"

namespace gui {

// ---------------------------------------------------------------------------
// Axes

double NiceStep(double span, int maxIntervals)
{
    if (!(span > 0) || !std::isfinite(span))
        return 1;
    maxIntervals = std::max(maxIntervals, 1);
    const double raw = span / maxIntervals;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    // log10 may land a hair off for exact powers of ten.
    if (magnitude > raw)
        magnitude /= 10;
    for (;;) {
        for (const double f : {1.0, 2.0, 5.0}) {
            const double step = f * magnitude;
            if (span / step <= maxIntervals * (1 + 1e-9))
                return step;
        }
        magnitude *= 10;
    }
}

int StepDecimals(double step)
{
    if (!(step > 0) || !std::isfinite(step) || step >= 1)
        return 0;
    int decimals = 0;
    double scaled = step;
    while (decimals < 15 && std::fabs(scaled - std::round(scaled)) > 1e-9 * std::max(1.0, scaled)) {
        scaled *= 10;
        ++decimals;
    }
    return decimals;
}

TAxisScale NiceScale(double dataMin, double dataMax, const TAxisOptions& options)
{
    TAxisScale scale;
    if (!std::isfinite(dataMin) || !std::isfinite(dataMax)) {
        scale.Step = NiceStep(1, options.MaxIntervals);
        scale.Decimals = StepDecimals(scale.Step);
        return scale;
    }
    if (dataMin > dataMax)
        std::swap(dataMin, dataMax);
    double lo = dataMin, hi = dataMax;
    if (lo == hi) {
        // A flat curve still gets a visible span around its value.
        const double half = lo == 0 ? 1 : std::fabs(lo) * 0.1;
        lo -= half;
        hi += half;
    } else {
        const double margin = (hi - lo) * std::max(options.Margin, 0.0);
        lo -= margin;
        hi += margin;
    }
    // Data on one side of zero keeps its axis on that side.
    if (dataMin >= 0 && lo < 0)
        lo = 0;
    else if (dataMax <= 0 && hi > 0)
        hi = 0;
    scale.Min = lo;
    scale.Max = hi;
    scale.Step = NiceStep(hi - lo, options.MaxIntervals);
    scale.Decimals = StepDecimals(scale.Step);
    return scale;
}

QList<double> ScaleTicks(const TAxisScale& scale)
{
    QList<double> ticks;
    if (!(scale.Step > 0) || !(scale.Max >= scale.Min))
        return ticks;
    const double eps = scale.Step * 1e-9;
    const double first = std::ceil((scale.Min - eps) / scale.Step);
    const double last = std::floor((scale.Max + eps) / scale.Step);
    if (last - first > 1000)
        return ticks;
    // Each tick is a whole multiple of the step, computed on its own (no
    // running sum that drifts).
    for (double k = first; k <= last; ++k)
        ticks << (k == 0 ? 0.0 : k * scale.Step);
    return ticks;
}

QString AxisLabel(double value, int decimals)
{
    QString s = QString::number(value, 'f', std::clamp(decimals, 0, 15));
    if (s.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (const QChar c : s)
            if (c.isDigit() && c != QLatin1Char('0'))
                zero = false;
        if (zero)
            s.remove(0, 1);
    }
    if (DecimalSeparator != '.')
        s.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator));
    return s;
}

QLocale NumberLocale()
{
    QLocale locale = DecimalSeparator == ',' ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

namespace {
const char* const StepProperty = "velorAxisStep";
const char* const DecimalsProperty = "velorAxisDecimals";
}  // namespace

QValueAxis* NewValueAxis(const QString& title)
{
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setTitleText(title);
    ScaleAxis(axis, TAxisScale{});
    return axis;
}

void ScaleAxis(QValueAxis* axis, const TAxisScale& scale)
{
    if (!axis)
        return;
    axis->setProperty(StepProperty, scale.Step);
    axis->setProperty(DecimalsProperty, scale.Decimals);
    if (auto* categories = qobject_cast<QCategoryAxis*>(axis)) {
        for (const QString& label : categories->categoriesLabels())
            categories->remove(label);
        const QList<double> ticks = ScaleTicks(scale);
        // A category ends at each tick; the first starts just below the range
        // so that a tick on the lower end gets its label too.
        categories->setStartValue(scale.Min - std::max(scale.Step * 1e-6, 1e-300));
        for (const double tick : ticks)
            categories->append(AxisLabel(tick, scale.Decimals), tick);
        categories->setRange(scale.Min, scale.Max);
        return;
    }
    axis->setRange(scale.Min, scale.Max);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(scale.Step);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(scale.Decimals));
}

TAxisScale ScaleAxisToData(QValueAxis* axis, double dataMin, double dataMax, const TAxisOptions& options)
{
    const TAxisScale scale = NiceScale(dataMin, dataMax, options);
    ScaleAxis(axis, scale);
    return scale;
}

TAxisScale AxisScale(const QValueAxis* axis)
{
    TAxisScale scale;
    if (!axis)
        return scale;
    scale.Min = axis->min();
    scale.Max = axis->max();
    const QVariant step = axis->property(StepProperty);
    scale.Step = step.isValid() ? step.toDouble() : NiceStep(scale.Max - scale.Min);
    const QVariant decimals = axis->property(DecimalsProperty);
    scale.Decimals = decimals.isValid() ? decimals.toInt() : StepDecimals(scale.Step);
    return scale;
}

QStringList AxisLabels(const QValueAxis* axis)
{
    QStringList labels;
    if (!axis)
        return labels;
    if (auto* categories = qobject_cast<QCategoryAxis*>(const_cast<QValueAxis*>(axis))) {
        for (const QString& label : categories->categoriesLabels()) {
            const double end = categories->endValue(label);
            if (end >= axis->min() && end <= axis->max())
                labels << label;
        }
        return labels;
    }
    const TAxisScale scale = AxisScale(axis);
    for (const double tick : ScaleTicks(scale))
        labels << AxisLabel(tick, scale.Decimals);
    return labels;
}

// ---------------------------------------------------------------------------
// Colours

namespace {
// Red first (the live chart's first curve is red); then hues and
// lightnesses far apart, all dark enough for a white-to-silver background.
const QColor Palette[] = {
    QColor(230, 0, 0),      // red
    QColor(0, 70, 230),     // blue
    QColor(0, 150, 0),      // green
    QColor(255, 140, 0),    // orange
    QColor(140, 0, 170),    // purple
    QColor(0, 170, 190),    // cyan
    QColor(130, 75, 20),    // brown
    QColor(240, 0, 160),    // magenta
    QColor(0, 0, 0),        // black
    QColor(140, 150, 0),    // olive
    QColor(0, 0, 120),      // navy
    QColor(120, 120, 120),  // grey
};
}  // namespace

int AutoColorCount()
{
    return static_cast<int>(std::size(Palette));
}

QColor AutoColor(int index)
{
    const int n = AutoColorCount();
    return Palette[((index % n) + n) % n];
}

QColor FirstFreeColor(const QList<QColor>& used)
{
    for (const QColor& c : Palette)
        if (!used.contains(c))
            return c;
    return AutoColor(static_cast<int>(used.size()));
}

// ---------------------------------------------------------------------------
// Look

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

// ---------------------------------------------------------------------------
// Legend

namespace {
// Set on a series while a TChartView's picture draws it (it is hidden then,
// but still one of the chart's curves).
const char* const FrozenProperty = "velorFrozen";
}  // namespace

TChartLegend::TChartLegend(QChart* chart) : QGraphicsWidget(chart), FChart(chart), FBaseMargins(chart->margins())
{
    setZValue(100);   // above the chart's background
    connect(chart, &QGraphicsWidget::geometryChanged, this, [this] { Layout(); });
    Layout();
}

void TChartLegend::Refresh()
{
    Layout();
    update();
}

void TChartLegend::Layout()
{
    FEntries.clear();
    FRows = 0;
    const QFontMetricsF metrics(FChart->legend()->font());
    const qreal rowHeight = std::ceil(metrics.height()) + 2;
    FBox = std::round(metrics.height() * 0.6);
    FGap = std::round(metrics.height() * 0.4);                 // box to name
    const qreal spacing = std::round(metrics.height() * 0.8);   // between columns
    const qreal padding = 4;                                    // above the first row

    struct TCurve {
        QString Name;
        QColor Color;
        qreal Width;   // of the name
    };
    QList<TCurve> curves;
    for (QAbstractSeries* series : FChart->series()) {
        if (!series->isVisible() && !series->property(FrozenProperty).toBool())
            continue;
        const auto* xy = qobject_cast<const QXYSeries*>(series);
        curves.append({series->name(), xy ? xy->color() : QColor(Qt::black),
                       std::ceil(metrics.horizontalAdvance(series->name()))});
    }

    const QSizeF size = FChart->size();
    const qreal available = size.width() - FBaseMargins.left() - FBaseMargins.right();
    const int count = static_cast<int>(curves.size());
    qreal height = 0;
    if (count > 0 && available > FBox + FGap) {
        // The most columns whose names all fit, each column as wide as its
        // widest name; a name wider than the whole chart is the only one
        // ever cut short.
        QList<qreal> widths;
        for (int columns = count; columns >= 1; --columns) {
            widths.fill(0, columns);
            for (int i = 0; i < count; ++i)
                widths[i % columns] = std::max(widths[i % columns], curves[i].Width);
            qreal used = (columns - 1) * spacing;
            for (const qreal w : std::as_const(widths))
                used += FBox + FGap + w;
            if (used <= available || columns == 1)
                break;
        }
        const int columns = static_cast<int>(widths.size());
        if (columns == 1)
            widths[0] = std::min(widths[0], available - FBox - FGap);
        qreal used = (columns - 1) * spacing;
        for (const qreal w : std::as_const(widths))
            used += FBox + FGap + w;
        const int rows = (count + columns - 1) / columns;
        const int maxRows = std::max(1, static_cast<int>(size.height() / 2 / rowHeight));
        FRows = std::min(rows, maxRows);
        height = padding + FRows * rowHeight;
        const qreal top = size.height() - FBaseMargins.bottom() - height + padding;
        qreal x = FBaseMargins.left() + (available - used) / 2;
        for (int column = 0; column < columns; ++column) {
            for (int i = column, row = 0; i < count && row < FRows; i += columns, ++row) {
                const QRectF text(x + FBox + FGap, top + row * rowHeight, widths[column], rowHeight);
                FEntries.append({curves[i].Name, metrics.elidedText(curves[i].Name, Qt::ElideRight, text.width()),
                                 curves[i].Color, text});
            }
            x += FBox + FGap + widths[column] + spacing;
        }
        // In chart order (row by row).
        std::sort(FEntries.begin(), FEntries.end(), [](const TEntry& a, const TEntry& b) {
            return a.TextRect.top() != b.TextRect.top() ? a.TextRect.top() < b.TextRect.top()
                                                        : a.TextRect.left() < b.TextRect.left();
        });
    }
    setGeometry(QRectF(FBaseMargins.left(), size.height() - FBaseMargins.bottom() - height, std::max(available, 0.0),
                       height));
    QMargins margins = FBaseMargins;
    margins.setBottom(margins.bottom() + static_cast<int>(std::ceil(height)));
    if (FChart->margins() != margins)
        FChart->setMargins(margins);
}

void TChartLegend::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    painter->setFont(FChart->legend()->font());
    for (const TEntry& entry : std::as_const(FEntries)) {
        const QRectF text = entry.TextRect.translated(-pos());
        const QRectF box(text.left() - FGap - FBox, text.center().y() - FBox / 2, FBox, FBox);
        painter->setPen(entry.Color.darker(150));
        painter->setBrush(entry.Color);
        painter->drawRect(box);
        painter->setPen(FChart->legend()->labelColor());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, entry.Text);
    }
}

// ---------------------------------------------------------------------------
// Curves

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

// ---------------------------------------------------------------------------
// Views

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

// ---------------------------------------------------------------------------
// Copy

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
