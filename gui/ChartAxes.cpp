#include "ChartAxes.h"

#include <QCategoryAxis>
#include <QValueAxis>
#include <QVariant>

#include <algorithm>
#include <cmath>

#include "SysUtils.h"

namespace gui {

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
// Growing axes

void TGrowingAxes::Extend(double MinX, double MaxX, double MinY, double MaxY)
{
    (void)MinX;
    if (!FSet) {
        FDataMinY = MinY;
        FDataMaxY = MaxY;
        FAxisMaxX = 0;
        FAxisMinY = FAxisMaxY = MinY;
        FScales.clear();
        FSet = true;
    }
    FDataMinY = std::min(FDataMinY, MinY);
    FDataMaxY = std::max(FDataMaxY, MaxY);
    const auto Rescale = [this](QValueAxis* Axis, const TAxisScale& Scale) {
        FScales.insert(Axis, Scale);
        if (!FHeld)
            ScaleAxis(Axis, Scale);
    };
    if (MaxX > FAxisMaxX) {
        // Room for half as much again before the next rescale.
        const TAxisScale Scale = NiceScale(0, std::max(MaxX * 1.5, 1.0), TimeAxis);
        FAxisMaxX = Scale.Max;
        Rescale(FAxisX, Scale);
    }
    if (FDataMinY < FAxisMinY || FDataMaxY > FAxisMaxY) {
        const double Headroom = std::max((FDataMaxY - FDataMinY) * 0.25, 1.0);
        // Readings all of one sign keep a range of that sign.
        const double Low = FDataMinY >= 0 ? std::max(0.0, FDataMinY - Headroom) : FDataMinY - Headroom;
        const double High = FDataMaxY <= 0 ? std::min(0.0, FDataMaxY + Headroom) : FDataMaxY + Headroom;
        const TAxisScale Scale = NiceScale(Low, High, TAxisOptions{8, 0.0});
        FAxisMinY = Scale.Min;
        FAxisMaxY = Scale.Max;
        Rescale(FAxisY, Scale);
    }
}

void TGrowingAxes::Hold(bool On)
{
    if (FHeld == On)
        return;
    FHeld = On;
    if (!FHeld)
        for (auto It = FScales.cbegin(); It != FScales.cend(); ++It)
            ScaleAxis(It.key(), It.value());
}

QHash<QValueAxis*, TAxisScale> TGrowingAxes::Scales() const
{
    return FSet ? FScales : QHash<QValueAxis*, TAxisScale>{};
}

}  // namespace gui
