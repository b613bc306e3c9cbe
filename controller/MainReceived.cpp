// Received data on the main window: the instrument's bytes assembled into
// lines and plotted live on the run page, the distribution of the received
// replicates into the time-program rows, the viewer buttons of the grid and
// the test stream of "Save Samples".

#include "Main.h"

#include "ChartLook.h"
#include "Charts.h"
#include "CPDrv.h"
#include "ReceivedData.h"
#include "TimeProgram.h"
#include "ViewGraph.h"
#include "ViewMemo.h"

#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

namespace VelorTime {

void TfrmMain::cpDrvReceiveData(TCommPortDriver*, const void* DataPtr, std::uint32_t DataSize)
{
    // The line assembly, then a plot pass (none for a chunk of NUL bytes only).
    FLines.ReceiveData(DataPtr, DataSize);
}

void TfrmMain::PlotReceivedLines()
{
    FLines.PlotReceivedLines();
}

QLineSeries* TfrmMain::NewLiveSeries()
{
    // The replicate that just ended gets no more points: it is drawn once into
    // the view's frozen picture, so a refresh costs the same however many
    // replicates the chart shows.
    if (auto* View = qobject_cast<gui::TChartView*>(ChartView))
        if (FLines.FCurrentSeries && FLines.FCurrentSeries->chart() == Chart)
            View->FreezeSeries(FLines.FCurrentSeries);
    auto* Series = new QLineSeries(this);
    // MainSeries has the first automatic colour (red); each later replicate the next.
    Series->setColor(gui::AutoColor(static_cast<int>(Chart->series().size())));
    Chart->addSeries(Series);
    for (QAbstractAxis* Axis : Chart->axes())
        Series->attachAxis(Axis);
    return Series;
}

void TfrmMain::StoreReceivedData()
{
    TTable& Table = cdsProgram.Table();
    Table.DisableControls();
    struct Enable {
        TTable& T;
        ~Enable() { T.EnableControls(); }
    } EnableAgain{Table};

    TReceivedRows Rows;
    Rows.First = [&] { Table.First(); };
    Rows.Next = [&] { Table.Next(); };
    Rows.Eof = [&] { return Table.Eof(); };
    Rows.ReceivedData = [&] { return Table.AsString(fldReceivedData); };
    Rows.Replicates = [&] { return static_cast<int>(Table.AsInteger(fldReplicates)); };
    Rows.PostReceivedData = [&](const std::string& Text) {
        Table.Edit();
        Table.SetAsString(fldReceivedData, Text);
        try {
            Table.Post();
        } catch (...) {
            // The block was not stored: the row goes back as it was and the
            // block stays in the received list.
            Table.Cancel();
            throw;
        }
    };
    // A refused row ends the distribution with its message; what was not
    // stored stays in the list.
    gui::RunGuarded([&] { DistributeReceivedLines(FLines.FReceivedLines, Rows); }, this);
}

void TfrmMain::acInstrSaveSamplesExecute()
{
    AppendTestStream(FLines.FReceivedLines);
    StoreReceivedData();
}

void TfrmMain::DBGridEditButtonClick(int Column)
{
    TTable& Table = cdsProgram.Table();
    if (Table.IsEmpty())
        return;
    const QString Stored = QString::fromStdString(Table.AsString(fldReceivedData));
    if (Column == fldReceivedData)
        ShowReceivedDataText(Stored);
    else if (Column == fldGraphicView)
        ShowReceivedDataGraphic(Stored, QString::fromStdString(Table.AsString(fldSampleName)));
}

void TfrmMain::ConnectReceivedCommands()
{
    cpDrv->OnReceiveData = [this](TCommPortDriver* Sender, const void* DataPtr, std::uint32_t DataSize) {
        cpDrvReceiveData(Sender, DataPtr, DataSize);
    };
    // Every end marker starts a new series on the live chart.
    FLines.IsOverlapedView = [] { return true; };
    FLines.PlotXInDouble = true;
    FLines.NewSeries = [this] { return NewLiveSeries(); };
    auto* AxisX = qobject_cast<QValueAxis*>(Chart->axes(Qt::Horizontal).value(0));
    auto* AxisY = qobject_cast<QValueAxis*>(Chart->axes(Qt::Vertical).value(0));
    if (AxisX && AxisY) {
        FLiveAxes = std::make_unique<gui::TGrowingAxes>(AxisX, AxisY);
        FLines.OnPlotted = [this](double MinX, double MaxX, double MinY, double MaxY) {
            FLiveAxes->Extend(MinX, MaxX, MinY, MaxY);
        };
        // Zoomed or scrolled, the chart keeps the user's ranges while readings
        // arrive; unzooming goes back to the ranges that follow the data.
        if (auto* View = qobject_cast<gui::TChartView*>(ChartView)) {
            View->AutomaticScales = [this] { return FLiveAxes->Scales(); };
            View->OnZoomed = [this](bool Zoomed) { FLiveAxes->Hold(Zoomed); };
        }
    }
    acList->SetExecute(acInstrSaveSamples, [this](QAction*) { acInstrSaveSamplesExecute(); });
    connect(DBGrid, &ProgramGrid::editButtonClicked, this, [this](int Column) { DBGridEditButtonClick(Column); });
}

}  // namespace VelorTime
