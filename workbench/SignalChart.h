#pragma once
// The signal chart of the sample and experiment windows: a line chart with
// the time axis at the bottom and the absorbance axis at the left, and the
// window's curves, one per replicate (or ensemble) node of the window's tree.
//
// Curves belong to the chart helper, attached or not: attaching adds a curve
// to the chart in the first automatic colour no shown curve uses; detaching
// takes it off the chart (without freeing it) and gives its colour back.
// The axes span every curve, shown or not, so that showing and hiding curves
// never rescales the chart.
//
// A shown curve is one of the chart's series (with its name, colour and
// legend entry), but the view draws it, as part of its frozen layer: one
// cached picture of every shown curve, drawn anew only when an axis, the
// plot area or a shown curve's points change.  The chart itself never lays
// the curves' points out, so that hundreds of shown curves cost about what
// drawing their lines once costs.

#include <QHash>
#include <QList>
#include <QString>

class QChart;
class QLineSeries;
class QTreeWidgetItem;
class QValueAxis;
class QWidget;
class TAASReplicate;

namespace gui {
class TChartLegend;
}

namespace VelorSpec {

class TSampleChartView;

class TSignalChart {
public:
    // Creates the chart, its axes and its view (a child of Parent, not yet in
    // any layout).
    explicit TSignalChart(QWidget* Parent);
    // Takes the curves off the chart and frees them (the view frees the chart).
    ~TSignalChart();
    TSignalChart(const TSignalChart&) = delete;
    TSignalChart& operator=(const TSignalChart&) = delete;

    QChart* Chart = nullptr;
    TSampleChartView* View = nullptr;
    QValueAxis* BottomAxis = nullptr;   // "Time [seconds]"
    QValueAxis* LeftAxis = nullptr;     // "Absorbtion [a.u.]"
    gui::TChartLegend* Legend = nullptr;   // every shown curve by name, under the plot

    // A new, empty, detached curve with a title.
    QLineSeries* NewSeries(const QString& Title);
    // Takes a curve off the chart and frees it.
    void FreeSeries(QLineSeries* Series);
    // Refills a curve: point j at X = (j + 1) * Resolution, Y = its value.
    void FillSeries(QLineSeries* Series, const TAASReplicate* Replicate, double Resolution);
    void AttachSeries(QLineSeries* Series);
    void DetachSeries(QLineSeries* Series);
    bool IsAttached(const QLineSeries* Series) const;
    // Number of curves on the chart.
    int AttachedCount() const;
    // Sets the axis ranges over every curve (call after filling).
    void UpdateAxisRanges();

    // Between BeginUpdate and EndUpdate (nestable) curves attached are put on
    // the chart without their points; EndUpdate lays the chart out (legend,
    // axes) once, with every shown curve held empty, and then hands each its
    // points.  Attaching, detaching and rescaling run in an update of their
    // own when none is open.
    void BeginUpdate();
    void EndUpdate();
    // RAII form.
    struct TUpdateScope {
        explicit TUpdateScope(TSignalChart& Chart) : FChart(Chart) { FChart.BeginUpdate(); }
        ~TUpdateScope() { FChart.EndUpdate(); }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;
    private:
        TSignalChart& FChart;
    };

    // The curve a tree node carries (null when none) and its setter.
    static QLineSeries* NodeSeries(const QTreeWidgetItem* Node);
    static void SetNodeSeries(QTreeWidgetItem* Node, QLineSeries* Series);

private:
    QList<QLineSeries*> FSeries;   // every curve, owned
    // Extent of each curve's points (set when it is filled); empty curves have none.
    struct TSeriesBounds {
        double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
    };
    QHash<const QLineSeries*, TSeriesBounds> FBounds;
    // The extents the axes were last scaled for.
    TSeriesBounds FScaledFor;
    bool FScaled = false;
    // Automatic colour index of every shown curve, and how many shown curves
    // use each colour.
    QHash<const QLineSeries*, int> FColorOf;
    QList<int> FColorUse;
    int FUpdating = 0;
    QList<QLineSeries*> FHeld;   // attached during an update, points not yet handed over
    bool FLegendStale = false;   // curves came or went during an update
    // The legend follows the shown curves (once per update).
    void RefreshLegend();
};

}  // namespace VelorSpec
