#pragma once
// The Instrument Data window: the workbench's receiver for the spectrometer's
// serial line stream.  A child window of the main frame that lives as long
// as the program; closing it only minimizes it and reception goes on.
//
// Page "Received Data" plots the received readings live.  Page "Proceed..."
// cuts the received lines into replicates at every "-1000", lets the user
// group them into samples (by commands or drag and drop between the two
// trees) and saves the samples as sample text files or one experiment file.
//
// Ownership: the received-replicate list owns every replicate the last
// Proceed built; the samples refer to its replicates without owning them,
// and the window owns each sample through the root node that shows it.

#include <QLabel>
#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include <functional>

#include <memory>
#include <string>

#include "CPDrv.h"
#include "ChartLook.h"
#include "Charts.h"
#include "Dialogs.h"
#include "ReceivedLines.h"

class QAction;
class QChart;
class QChartView;
class QGroupBox;
class QLineSeries;
class QProgressBar;
class QTabWidget;
class QToolBar;
class QValueAxis;
class TAASExperiment;
class TAASReplicate;
class TAASReplicateList;
class TAASSample;

namespace gui {
class TActionList;
}

namespace VelorSpec {

class TfrmMain;

// A tree view whose drag-over and drop are decided by the window.  Drops
// are reported as copies, so the source view never removes rows itself: the
// window moves the nodes.
class TInstrumentTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<bool(QTreeWidget* Source, QTreeWidgetItem* Target)> OnDragOver;
    std::function<void(QTreeWidget* Source, QTreeWidgetItem* Target)> OnDragDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool Accepts(QDropEvent* event, QTreeWidget*& source, QTreeWidgetItem*& target);
};

// The status panel: a label that reports clicks.
class TInfoPanel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class TfrmInstrument : public QWidget {
    Q_OBJECT
public:
    explicit TfrmInstrument(QWidget* parent = nullptr);
    ~TfrmInstrument() override;

    // Components.
    TInfoPanel* panInfo = nullptr;
    QTabWidget* pctrlData = nullptr;
    QWidget* tsReceived = nullptr;
    QWidget* tsProceed = nullptr;
    gui::TChartView* ChartView = nullptr;   // finished Overlaped series are frozen into its picture
    QChart* Chart = nullptr;
    gui::TChartSeries* MainSeries = nullptr;   // keeps every point, draws per pixel column
    QValueAxis* AxisX = nullptr;
    QValueAxis* AxisY = nullptr;
    QProgressBar* prgBar = nullptr;
    TCommPortDriver* cpDrv = nullptr;

    QGroupBox* gboxReplicates = nullptr;
    QGroupBox* gboxSamples = nullptr;
    TInstrumentTree* tviewReplicates = nullptr;
    TInstrumentTree* tviewSamples = nullptr;
    QToolBar* tbarSamples = nullptr;
    gui::FileDialogOptions sdlgSamples;

    gui::TActionList* acList = nullptr;
    QAction* acConnect = nullptr;
    QAction* acDisconnect = nullptr;
    QAction* acConfiguration = nullptr;
    QAction* acClearData = nullptr;
    QAction* acViewDiscrete = nullptr;
    QAction* acViewContinues = nullptr;
    QAction* acShowInstrumentWindow = nullptr;
    QAction* acMinimize = nullptr;
    QAction* acProceedData = nullptr;
    QAction* acSaveSamples = nullptr;
    QAction* acSaveAsExperiment = nullptr;
    QAction* acAddSample = nullptr;
    QAction* acDelSample = nullptr;
    QAction* acMoveRight = nullptr;
    QAction* acMoveLeft = nullptr;

    // The received lines with their plot state (FReceivedLines,
    // FLastPlottedLine, FPlotX, FCurrentSeries, FPlotting).
    gui::TReceivedLines FLines;

    // --- received data ---
    void cpDrvReceiveData(TCommPortDriver* Sender, const void* DataPtr, std::uint32_t DataSize);
    void PlotReceivedLines();
    // Replaces the list with the lines of "InstrTest2.txt" in the program's
    // folder; when the list holds received lines it asks first (Yes/No).
    void panInfoClick();
    // The port's device went away: the port is closed, the panel reads
    // "Not connected" and one message says so; the received lines stay.
    void cpDrvLineLost();
    static QString TestInputFileName();
    // Folder the test input is read from; empty (the default) means the
    // program's own folder.  Tests point it at a folder of their own.
    static void SetTestInputFolder(const QString& folder);

    void acConnectExecute(QAction* Sender);
    void acConnectUpdate(QAction* Sender);
    void acConfigurationExecute();
    void acClearDataExecute();
    void acClearDataUpdate();
    void acViewContinuesExecute(QAction* Sender);
    void acShowInstrumentWindowExecute();
    void acShowInstrumentWindowUpdate();
    void acMinimizeExecute();
    void acMinimizeUpdate();

    // --- replicates and samples ---
    void acProceedDataExecute();
    void acProceedDataUpdate();
    // A page change made by the user.
    void pctrlDataChange();
    // Switches pages as the program does: pctrlDataChange does not run.
    void ShowPage(int index);
    void acAddSampleExecute();
    void acDelSampleExecute();
    void acDelSampleUpdate();
    void acMoveRightExecute();
    void acMoveRightUpdate();
    void acMoveLeftExecute();
    void acMoveLeftUpdate();
    bool tviewSamplesDragOver(QTreeWidget* Source, QTreeWidgetItem* Target);
    void tviewSamplesDragDrop(QTreeWidget* Source, QTreeWidgetItem* Target);
    bool tviewReplicatesDragOver(QTreeWidget* Source, QTreeWidgetItem* Target);
    void tviewReplicatesDragDrop(QTreeWidget* Source, QTreeWidgetItem* Target);
    void tviewSamplesEdited(QTreeWidgetItem* Node);
    void acSaveSamplesExecute();
    void acSaveSamplesUpdate();
    void acSaveAsExperimentExecute();
    void SaveSample(TAASSample* Sample);
    void SaveExperiment(TAASExperiment* Experiment);
    void SaveProgress(int Current, int Total);

    // The received-replicate list of the last Proceed (null when none).
    TAASReplicateList* ReceivedReplicates() const { return FReplicates.get(); }
    // Node data.
    static TAASReplicate* ReplicateOf(const QTreeWidgetItem* Node);
    static TAASSample* SampleOf(const QTreeWidgetItem* Node);
    bool IsMinimized() const;

    // Creates the window as a child of the frame and binds its commands into
    // the frame's "&Instrument" menu and "Instrument" tool bar.
    static TfrmInstrument* CreateInFrame(TfrmMain* frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateReceivedPage();
    void CreateProceedPage();
    QLineSeries* NewSeries();
    void ExtendAxes(double minX, double maxX, double minY, double maxY);
    void ResetAxes();
    // Drops the received-replicate list, both trees and every sample.
    void ClearProceed();
    void FreeSamples();
    // Removes a root node of the sample tree with its sample.
    void DeleteSampleNode(QTreeWidgetItem* Node);
    // Appends a copy of Node (text, data, its children's texts) to Parent or
    // as a root node of Tree.
    static QTreeWidgetItem* CopyNode(const QTreeWidgetItem* Node, QTreeWidget* Tree, QTreeWidgetItem* Parent);
    // A node coming back into the replicate tree; the tree is sorted again.
    void ReturnReplicate(QTreeWidgetItem* Node);
    void SortReplicates();
    // Moves replicate node R into the sample of root node Target; false when refused.
    bool MoveIntoSample(QTreeWidgetItem* R, QTreeWidgetItem* Target);

    std::unique_ptr<TAASReplicateList> FReplicates;
    bool FProgramSwitch = false;
    int FPage = 0;
    std::unique_ptr<gui::TGrowingAxes> FAxes;   // the live chart's axes
};

extern TfrmInstrument* frmInstrument;

}  // namespace VelorSpec
