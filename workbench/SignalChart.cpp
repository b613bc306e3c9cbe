#include "SignalChart.h"

#include <QFrame>
#include <QPen>
#include <QTreeWidgetItem>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

#include "AASCls.h"
#include "Charts.h"
#include "Sample.h"

namespace VelorSpec {

namespace {

constexpr int NodeSeriesRole = Qt::UserRole + 1;

}  // namespace

TSignalChart::TSignalChart(QWidget* Parent) : FColorUse(gui::AutoColorCount(), 0)
{
    // No title, axis titles, legend at the bottom, flat, no frame, a
    // background gradient ending in silver and no plot-area wall; readable
    // 1-2-5 ticks on both axes.
    Chart = new QChart;
    Chart->setObjectName(QStringLiteral("MainChart"));
    Legend = gui::StyleChart(Chart, true);
    BottomAxis = gui::NewValueAxis(QStringLiteral("Time [seconds]"));
    LeftAxis = gui::NewValueAxis(QStringLiteral("Absorbtion [a.u.]"));
    Chart->addAxis(BottomAxis, Qt::AlignBottom);
    Chart->addAxis(LeftAxis, Qt::AlignLeft);

    View = new TSampleChartView(Chart, Parent);
    View->setObjectName(QStringLiteral("MainChartView"));
    View->setFrameShape(QFrame::NoFrame);
}

TSignalChart::~TSignalChart()
{
    for (QLineSeries* Series : std::as_const(FSeries)) {
        if (IsAttached(Series))
            Chart->removeSeries(Series);
        delete Series;
    }
    FSeries.clear();
}

QLineSeries* TSignalChart::NewSeries(const QString& Title)
{
    // Keeps every point; the chart draws what its width can show, so a
    // curve of millions of points shows and hides at once.
    auto* Series = new gui::TChartSeries;
    Series->setName(Title);
    FSeries << Series;
    return Series;
}

void TSignalChart::FreeSeries(QLineSeries* Series)
{
    if (!Series)
        return;
    DetachSeries(Series);
    FSeries.removeAll(Series);
    FHeld.removeAll(Series);
    FBounds.remove(Series);
    delete Series;
}

void TSignalChart::FillSeries(QLineSeries* Series, const TAASReplicate* Replicate, double Resolution)
{
    if (!Series || !Replicate)
        return;
    const TAASPointArray& Points = Replicate->Points();
    QList<QPointF> Data;
    Data.reserve(static_cast<qsizetype>(Points.size()));
    const long double Step = Resolution;
    for (size_t J = 0; J < Points.size(); ++J)
        Data.append(QPointF(static_cast<double>(static_cast<long double>(J + 1) * Step), Points[J]));
    auto* Curve = qobject_cast<gui::TChartSeries*>(Series);
    if (!Curve) {
        Series->replace(Data);
        return;
    }
    Curve->SetPoints(Data);
    TSeriesBounds Bounds;
    if (Curve->Bounds(Bounds.MinX, Bounds.MaxX, Bounds.MinY, Bounds.MaxY))
        FBounds[Series] = Bounds;
    else
        FBounds.remove(Series);
}

bool TSignalChart::IsAttached(const QLineSeries* Series) const
{
    return Series && Series->chart() == Chart;
}

int TSignalChart::AttachedCount() const
{
    return static_cast<int>(Chart->series().size());
}

void TSignalChart::AttachSeries(QLineSeries* Series)
{
    if (!Series || IsAttached(Series))
        return;
    // The legend and the plot area settle once the update ends.
    const TUpdateScope Update(*this);
    // The first automatic colour that no shown curve uses; when all are in
    // use, the one at the number of shown curves.  Counted per colour, so
    // showing many curves costs no scan of the shown ones.
    const int N = static_cast<int>(FColorUse.size());
    int Index = AttachedCount() % N;
    for (int I = 0; I < N; ++I)
        if (FColorUse[I] == 0) {
            Index = I;
            break;
        }
    // One pixel wide: hundreds of curves are drawn in a moment (wider lines
    // are stroked as outlines, many times slower).  Set after the chart's
    // theme has given the curve its pen.
    const auto SetPen = [Series, Index] {
        QPen Pen = Series->pen();
        Pen.setColor(gui::AutoColor(Index));
        Pen.setWidth(1);
        Series->setPen(Pen);
    };
    if (auto* Curve = qobject_cast<gui::TChartSeries*>(Series)) {
        // A curve of the chart, drawn by the view's picture: the chart's own
        // item never gets its points (it would lay every shown curve out at
        // every change of the axes or of the plot area).
        // Hidden and in its pen before it reaches the chart, which then has
        // neither to show nor to recolour its item and legend marker.
        Curve->Hold();
        FHeld << Series;
        Curve->setVisible(false);
        SetPen();
        Curve->AttachTo(Chart, nullptr, nullptr);
        View->FreezeSeries(Curve, {BottomAxis, LeftAxis});
    } else {
        Chart->addSeries(Series);
        Series->attachAxis(BottomAxis);
        Series->attachAxis(LeftAxis);
        SetPen();
    }
    FColorOf[Series] = Index;
    ++FColorUse[Index];
    RefreshLegend();
}

void TSignalChart::DetachSeries(QLineSeries* Series)
{
    if (!Series || !IsAttached(Series))
        return;
    const TUpdateScope Update(*this);
    if (auto* Curve = qobject_cast<gui::TChartSeries*>(Series)) {
        Curve->Detach();
        if (FHeld.removeAll(Series) > 0)
            Curve->Release();
        Curve->setVisible(true);   // the view hid it while it drew it
    }
    else
        Chart->removeSeries(Series);
    // Back to the automatic colour: it takes a free one when shown again.
    const auto It = FColorOf.constFind(Series);
    if (It != FColorOf.constEnd()) {
        --FColorUse[*It];
        FColorOf.erase(It);
    }
    RefreshLegend();
}

void TSignalChart::RefreshLegend()
{
    if (FUpdating > 0) {
        FLegendStale = true;
        return;
    }
    FLegendStale = false;
    Legend->Refresh();
}

void TSignalChart::UpdateAxisRanges()
{
    // The axes span every curve, shown or not, with readable ticks; the
    // value axis leaves a small margin above and below the curves.
    bool Any = false;
    TSeriesBounds All;
    for (const QLineSeries* Series : std::as_const(FSeries)) {
        const auto It = FBounds.constFind(Series);
        if (It == FBounds.constEnd())
            continue;
        if (!Any) {
            All = *It;
            Any = true;
            continue;
        }
        All.MinX = std::min(All.MinX, It->MinX);
        All.MaxX = std::max(All.MaxX, It->MaxX);
        All.MinY = std::min(All.MinY, It->MinY);
        All.MaxY = std::max(All.MaxY, It->MaxY);
    }
    if (!Any)
        return;
    // Unchanged extents keep the scales: setting them again would lay out
    // every shown curve once more.
    if (FScaled && All.MinX == FScaledFor.MinX && All.MaxX == FScaledFor.MaxX && All.MinY == FScaledFor.MinY &&
        All.MaxY == FScaledFor.MaxY)
        return;
    FScaled = true;
    FScaledFor = All;
    // New labels may change the axes' widths and so the plot area, which the
    // update settles once at its end.
    const TUpdateScope Update(*this);
    gui::ScaleAxisToData(BottomAxis, All.MinX, All.MaxX, gui::TimeAxis);
    gui::ScaleAxisToData(LeftAxis, All.MinY, All.MaxY, gui::ValueAxis);
}

void TSignalChart::BeginUpdate()
{
    ++FUpdating;
}

void TSignalChart::EndUpdate()
{
    if (FUpdating == 0 || --FUpdating > 0)
        return;
    if (FLegendStale)
        RefreshLegend();
    // The legend or the axes' labels may have changed the plot area: it is
    // settled now, with every shown curve held empty, so that the chart's
    // items of the curves lay nothing out (each would for a new plot area).
    View->SettleLayout();
    const QList<QLineSeries*> Held = std::exchange(FHeld, {});
    for (QLineSeries* Series : Held)
        if (auto* Curve = qobject_cast<gui::TChartSeries*>(Series))
            Curve->Release();
}

QLineSeries* TSignalChart::NodeSeries(const QTreeWidgetItem* Node)
{
    return Node ? static_cast<QLineSeries*>(Node->data(0, NodeSeriesRole).value<void*>()) : nullptr;
}

void TSignalChart::SetNodeSeries(QTreeWidgetItem* Node, QLineSeries* Series)
{
    if (Node)
        Node->setData(0, NodeSeriesRole, QVariant::fromValue(static_cast<void*>(Series)));
}

}  // namespace VelorSpec
