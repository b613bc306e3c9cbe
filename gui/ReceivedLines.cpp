#include "ReceivedLines.h"

#include "AASCls.h"
#include "Charts.h"

#include <QLineSeries>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace gui {

bool ParseReading(const std::string& line, int& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) {
        negative = line[i] == '-';
        ++i;
    }
    if (i == line.size())
        return false;
    std::int64_t magnitude = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool TReceivedLines::Assemble(const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    const char* const end = bytes + size;
    if (std::all_of(bytes, end, [](char c) { return c == '\0'; }))
        return false;

    // The chunk's text goes straight onto the end of the line under assembly
    // (an empty list counts as one empty line under assembly), and every CR
    // completes it and opens the next one.  Nothing already received is
    // copied again, so a chunk costs time in proportion to its own length
    // however long the line under assembly has grown.
    if (FReceivedLines.empty())
        FReceivedLines.emplace_back();
    for (const char* run = bytes; run < end;) {
        const char* stop = run;
        while (stop < end && *stop != '\0' && *stop != '\n' && *stop != '\r')
            ++stop;
        FReceivedLines.back().append(run, std::size_t(stop - run));
        if (stop == end)
            break;
        if (*stop == '\r')
            FReceivedLines.emplace_back();
        run = stop + 1;
    }
    return true;
}

void TReceivedLines::ReceiveData(const void* data, std::size_t size)
{
    if (Assemble(data, size))
        PlotReceivedLines();
}

namespace {
// Points plotted into a series (a chart line keeps more than it draws).
qsizetype PlottedPoints(const QLineSeries* series)
{
    const auto* line = qobject_cast<const TChartSeries*>(series);
    return line ? line->PointCount() : series->count();
}
}  // namespace

void TReceivedLines::Flush(QList<QPointF>& pending)
{
    if (pending.isEmpty() || !FCurrentSeries)
        return;
    if (auto* line = qobject_cast<TChartSeries*>(FCurrentSeries)) {
        // A chart line keeps every point and draws per pixel column: the
        // chart gets only the new points' columns, at RefreshChart.
        line->AppendPoints(pending);
    } else {
        // The series' chart item would redraw the whole series for every
        // single point; it is told once, later, by RefreshChart.
        const QSignalBlocker quiet(FCurrentSeries);
        FCurrentSeries->append(pending);
    }
    pending.clear();
    if (!FDirty.contains(FCurrentSeries)) {
        if (FDirty.isEmpty())
            QTimer::singleShot(RefreshDelayMs, &FRefreshContext, [this] { RefreshChart(); });
        FDirty.append(FCurrentSeries);
    }
}

void TReceivedLines::RefreshChart()
{
    const QList<QPointer<QLineSeries>> dirty = std::exchange(FDirty, {});
    for (const QPointer<QLineSeries>& series : dirty) {
        if (auto* line = qobject_cast<TChartSeries*>(series.data()))
            line->Reduce();
        else if (series)
            series->replace(series->points());
    }
}

void TReceivedLines::PlotReceivedLines()
{
    struct PlottingFlag {
        bool& flag;
        explicit PlottingFlag(bool& f) : flag(f) { flag = true; }
        ~PlottingFlag() { flag = false; }
    } plotting(FPlotting);

    if (!FCurrentSeries || PlottedPoints(FCurrentSeries) >= Count())
        return;

    QList<QPointF> pending;
    bool any = false;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    const int last = Count() - 1;  // the line under assembly
    for (int i = std::max(FLastPlottedLine, 0); i < last; ++i) {
        const std::string& line = FReceivedLines[static_cast<std::size_t>(i)];
        if (line == ReplicateEndMarker) {
            if (IsOverlapedView && IsOverlapedView() && NewSeries) {
                if (QLineSeries* series = NewSeries()) {
                    Flush(pending);
                    FCurrentSeries = series;
                    FPlotX = 0;
                }
            }
            continue;
        }
        if (line.empty())
            continue;
        int value = 0;
        // A line that is no reading is passed over: it gets no point, and
        // since the next pass starts after it, it is never looked at again.
        if (!ParseReading(line, value))
            continue;
        FPlotX = FPlotX + ReceivedStep;
        if (PlotXInDouble)
            FPlotX = static_cast<double>(FPlotX);
        const QPointF point(static_cast<double>(FPlotX), value);
        pending.append(point);
        if (!any) {
            minX = maxX = point.x();
            minY = maxY = point.y();
            any = true;
        } else {
            minX = std::min(minX, point.x());
            maxX = std::max(maxX, point.x());
            minY = std::min(minY, point.y());
            maxY = std::max(maxY, point.y());
        }
    }
    Flush(pending);
    FLastPlottedLine = std::max(last, 0);
    if (any && OnPlotted)
        OnPlotted(minX, maxX, minY, maxY);
}

void TReceivedLines::Reset(QLineSeries* series)
{
    FReceivedLines.clear();
    FLastPlottedLine = 0;
    FPlotX = 0;
    FCurrentSeries = series;
    FDirty.clear();
}

}  // namespace gui
