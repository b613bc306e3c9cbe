#pragma once
// The received-lines list of an instrument window and its live plot.
//
// Both programs keep the instrument's serial line stream in one of these:
// every chunk the port delivers is assembled into text lines (NUL and LF
// dropped, CR ends a line; the last item is always the line under assembly),
// then a plot pass adds the readings that completed since the previous pass
// to the current line series of the owning window's chart.  The line "-1000"
// ends a replicate: in Overlaped View the next readings go to a new series
// that starts at x = 0.02 again, in Sequence View they continue the current
// series.  A plot pass reads only the lines that arrived since the previous
// one, so the cost of a chunk does not grow with the list.

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QLineSeries>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace gui {

// Step between two readings, seconds.
inline constexpr long double ReceivedStep = 0.02L;

// A reading as the plot pass reads it: an optional sign and decimal digits,
// nothing else, within the 32-bit range.  False for anything else.
bool ParseReading(const std::string& line, int& value);

class TReceivedLines {
public:
    // The owner tells whether Overlaped View is on ...
    std::function<bool()> IsOverlapedView;
    // ... and creates a new line series attached to its chart (the owner
    // keeps it).  Called for every end marker in Overlaped View.
    std::function<QLineSeries*()> NewSeries;
    // Runs after a plot pass that added points (the owner may adjust its axes).
    std::function<void(double minX, double maxX, double minY, double maxY)> OnPlotted;

    // The received lines in arrival order; the last item is the line under
    // assembly (the text after the last CR, "" right after a CR).
    std::vector<std::string> FReceivedLines;
    // Index at which the next plot pass starts.
    int FLastPlottedLine = 0;
    // x of the last plotted point, seconds.
    long double FPlotX = 0;
    // The controller keeps its x as a double: each step is added in extended
    // precision and the sum rounded to double.  The workbench keeps it extended.
    bool PlotXInDouble = false;
    // The series that receives new points.
    QLineSeries* FCurrentSeries = nullptr;
    // True while a plot pass runs.
    bool FPlotting = false;

    // The line assembly of one received chunk.  Returns false when the chunk
    // held nothing but NUL bytes: the list is unchanged and no plot pass is due.
    bool Assemble(const void* data, std::size_t size);
    // The port's data event: the line assembly, then a plot pass when due.
    void ReceiveData(const void* data, std::size_t size);
    // One plot pass.
    void PlotReceivedLines();

    // Back to the start: empty list, plot from line 0 at x = 0 into `series`.
    void Reset(QLineSeries* series);

    int Count() const { return static_cast<int>(FReceivedLines.size()); }
    bool Empty() const { return FReceivedLines.empty(); }

    // Chart refresh: new points go into their series at once, but the chart
    // redraws a long series in time proportional to its length, so the
    // redraws of all series that received points are gathered and done once
    // per RefreshDelayMs.  RefreshChart() does the pending redraws now.  A
    // chart line (gui::TChartSeries) keeps every point and is handed only
    // the pixel columns the new points fall in, so its refresh costs the
    // same however long it has grown.
    static constexpr int RefreshDelayMs = 100;
    void RefreshChart();
    bool RefreshPending() const { return !FDirty.isEmpty(); }

private:
    // Hands the points gathered for FCurrentSeries to it in one call.
    void Flush(QList<QPointF>& pending);

    QList<QPointer<QLineSeries>> FDirty;
    QObject FRefreshContext;  // cancels a scheduled redraw when the list goes
};

}  // namespace gui
