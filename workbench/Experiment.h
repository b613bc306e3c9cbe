#pragma once
// The experiment window: one experiment (an experiment file, or a new one)
// shown as a tree of its samples with their replicates and results, and a page
// control with the data chart of the checked curves, the calibration view, a
// statistic page and the experiment's description.  It carries the "&Sample"
// and "&Experiment" menus (merged into the frame's menu bar while it is the
// active child) and saves its experiment when the frame asks it to.
//
// Where the other pieces attach:
//  - The calibration view fills the page tsCalibrationView (an empty page with
//    no layout until then) with its statistic choice and its chart, and sets
//    CalibChart / CalibChartView, which "Copy Calibration Chart" copies and
//    whose curves enable it.  The "Standart...", "Sample" and "Zero" commands
//    (acSampleStandart Tag 0, acSampleSample Tag 1, acSampleZero Tag 2) exist
//    with their captions, keys and menu places but have no handlers: the
//    calibration code binds them through acList (SetHandlers).
//  - The batch command "P&roceed All Samples..." (acExpProceedAll) likewise
//    exists without handlers; the batch code binds it.
//  - Both use Experiment, tviewExperiment, pctrlExperiment, SelectedSample(),
//    SelectedSampleNode(), SampleNode(), UpdateSampleInfo(),
//    RefreshSampleSeries(), RefreshAllSamples() and SetModified().
//
// The tree: level 0 the experiment's title (no box); level 1 one node per
// sample in the experiment's order (node position = sample index); level 2
// per sample its replicate nodes "Replicate #%.3d" (node position = replicate
// index), the ensemble node "Ansambled Replicate" and ten info lines without
// a box.  Replicate and ensemble nodes own a curve, on the chart only while
// the node is checked.

#include <QList>
#include <QSize>
#include <QString>
#include <memory>

#include "ActionList.h"
#include "ChildForm.h"
#include "SampleCommands.h"
#include "SignalChart.h"

class QAction;
class QChart;
class QChartView;
class QLineSeries;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTreeWidgetItem;
class QValueAxis;
class TAASExperiment;
class TAASSample;

namespace VelorSpec {

class TSampleChartView;
class TSampleTreeView;

class TfrmExperiment : public TChildForm {
    Q_OBJECT
public:
    // Creates the window and loads FileName, or sets up a new experiment
    // titled "New Experiment" when FileName is "Untitled".  A file that cannot
    // be read as an experiment shows the error, leaves the recent-file list
    // and closes the window (Release).  The frame shows the window.
    TfrmExperiment(QWidget* Owner, const QString& FileName);
    ~TfrmExperiment() override;

    // --- State (FFileName and FModified are TChildForm's) -------------------
    TAASExperiment* Experiment = nullptr;   // owned; owns its samples

    // --- Controls -----------------------------------------------------------
    TSampleTreeView* tviewExperiment = nullptr;   // left, 153 pixels wide
    QSplitter* RxSplitter = nullptr;
    QTabWidget* pctrlExperiment = nullptr;
    QWidget* tsGraphicView = nullptr;       // page 0 "Graphic View"
    QWidget* tsCalibrationView = nullptr;   // page 1 "Calibration View" (filled by the calibration view)
    QWidget* tsStatisticView = nullptr;     // page 2 "Statistic View"
    QWidget* tsDescription = nullptr;       // page 3 "Description"
    QChart* MainChart = nullptr;
    TSampleChartView* MainChartView = nullptr;
    QValueAxis* MainChartBottomAxis = nullptr;
    QValueAxis* MainChartLeftAxis = nullptr;
    QChart* CalibChart = nullptr;           // set by the calibration view
    QChartView* CalibChartView = nullptr;   // set by the calibration view
    QTextEdit* redStats = nullptr;          // read-only, never written
    QPlainTextEdit* redDescription = nullptr;
    QMenu* miSample = nullptr;       // "&Sample"
    QMenu* miExperiment = nullptr;   // "&Experiment"
    QMenu* miExpPrint = nullptr;     // "Print" submenu (inert items)
    QMenu* pmTreeView = nullptr;     // the tree's pop-up menu
    gui::TActionList* acList = nullptr;

    // --- "&Sample" menu -----------------------------------------------------
    QAction* acSampleStandart = nullptr;   // Tag 0; bound by the calibration code
    QAction* acSampleSample = nullptr;     // Tag 1; bound by the calibration code
    QAction* acSampleZero = nullptr;       // Tag 2; bound by the calibration code
    QAction* acSampleSubtractZero = nullptr;
    QAction* acSampleDefinePlateau = nullptr;
    QAction* acSampleCalculateArea = nullptr;
    QAction* acSampleChangeResolution = nullptr;
    QAction* acSampleSmoothSignal = nullptr;
    QAction* acSampleAbsorbtion = nullptr;
    QAction* acSampleDeleteReplicate = nullptr;
    QAction* acSampleSendToExcel = nullptr;
    QAction* acSampleExport = nullptr;

    // --- "&Experiment" menu -------------------------------------------------
    QAction* acExpAddSample = nullptr;
    QAction* acExpRemoveSample = nullptr;
    QAction* acExpEditDescription = nullptr;
    QAction* acExpEditTitle = nullptr;
    QAction* acExpProceedAll = nullptr;        // bound by the batch code
    QAction* acExpCopyDataChart = nullptr;     // Tag 0
    QAction* acExpCopyCalibChart = nullptr;    // Tag 1
    QAction* acExpSendToExcel = nullptr;       // never enabled
    QList<QAction*> miExpPrintItems;           // "Data Chart" ... "Printer Setup..." (inert)

    // --- Pop-up menu of the tree --------------------------------------------
    QAction* acTreeRenSample = nullptr;        // hidden
    QAction* acTreeSelectAll = nullptr;        // Tag 1
    QAction* acTreeSelectNone = nullptr;       // Tag 2
    QAction* acTreeInvertSelection = nullptr;
    QAction* acTreeExpandAll = nullptr;
    QAction* acTreeCollapseAll = nullptr;

    // --- Frame interface ----------------------------------------------------
    TChildKind Kind() const override { return TChildKind::Experiment; }
    QList<QMenu*> MergedMenus() const override;
    void SaveWindow(const QString& FileName) override;   // SaveExperimentWindow(this, FileName)
    bool FormCloseQuery() override;
    void FormClose() override;
    void FormCreate();   // shows page 0

    // --- Loading and the tree -----------------------------------------------
    void LoadExperiment(const QString& FileName);
    void BuildTree();
    // Appends the node of a sample of the experiment, its replicate and
    // ensemble nodes with their curves (detached) and its info lines.
    QTreeWidgetItem* AddSampleNode(TAASSample* Sample);
    // Rebuilds a sample node's ten info lines (the last children).
    void UpdateSampleInfo(TAASSample* Sample, QTreeWidgetItem* Node);
    // Refills the curves of a sample node (the selected sample node when
    // Node is null).  The ensemble curve is the last boxed child's.  Without
    // UpdateAxes the axes stay as they are until UpdateAxisRanges (for
    // refilling many samples at once).
    void RefreshSampleSeries(QTreeWidgetItem* Node = nullptr, bool UpdateAxes = true);
    void UpdateAxisRanges() { FChart->UpdateAxisRanges(); }
    // Refills every sample's curves and info lines.
    void RefreshAllSamples();
    void ToggleNodeCheck(QTreeWidgetItem* Node);

    QTreeWidgetItem* RootNode() const;
    // The node of the sample at Index (null when none).
    QTreeWidgetItem* SampleNode(int Index) const;
    // Level of a node: 0 root, 1 sample, 2 replicate, ensemble or info line.
    static int NodeLevel(const QTreeWidgetItem* Node);
    // The selected node when it is on level 1, else null.
    QTreeWidgetItem* SelectedSampleNode() const;
    // The sample of the selected level-1 node, else null.
    TAASSample* SelectedSample() const;
    // The sample a level-1 node stands for.
    TAASSample* NodeSample(const QTreeWidgetItem* Node) const;
    QLineSeries* NodeSeries(const QTreeWidgetItem* Node) const;
    bool IsAttached(const QLineSeries* Series) const;
    void SetModified(bool Value = true) { FModified = Value; }
    // The first size: 620 x 460, wider when the page tabs need it.  The
    // frame's area gives a new child window this size where it has room.
    QSize sizeHint() const override { return FFirstSize; }

    // --- Tree handlers ------------------------------------------------------
    void tviewExperimentMouseDown(Qt::MouseButton Button, const QPoint& Pos);
    bool tviewExperimentKeyDown(int Key);
    void tviewExperimentEditing(QTreeWidgetItem* Node, bool& AllowEdit);
    void tviewExperimentEdited(QTreeWidgetItem* Node, QString& S);
    bool tviewExperimentDragOver(QTreeWidgetItem* Target);
    void tviewExperimentDragDrop(QTreeWidgetItem* Target);
    QColor tviewExperimentNodeColor(const QTreeWidgetItem* Node, bool Selected) const;
    void redDescriptionChange();
    void MainChartBeforeDrawSeries();
    void MainChartAfterDraw();

    // --- Command handlers (Experiment.cpp) ----------------------------------
    void acSampleNodeUpdate(QAction* Sender);   // enabled when a sample node is selected
    void acExpEditDescriptionExecute(QAction* Sender);
    void acExpEditTitleExecute(QAction* Sender);
    void acExpCopyChartExecute(QAction* Sender);   // data (Tag 0) and calibration (Tag 1) chart
    void acExpCopyDataChartUpdate(QAction* Sender);
    void acExpCopyCalibChartUpdate(QAction* Sender);
    void acTreeSelectAllExecute(QAction* Sender);   // Select All and Select None (by Tag)
    void acTreeInvertSelectionExecute(QAction* Sender);
    void acTreeExpandAllExecute(QAction* Sender);
    void acTreeCollapseAllExecute(QAction* Sender);

    // --- Sample commands (ExperimentCommands.cpp) ---------------------------
    void acExpAddSampleExecute(QAction* Sender);
    void acExpRemoveSampleExecute(QAction* Sender);
    void acSampleSubtractZeroExecute(QAction* Sender);
    void acSampleSubtractZeroUpdate(QAction* Sender);
    void acSampleDefinePlateauExecute(QAction* Sender);
    void acSampleCalculateAreaExecute(QAction* Sender);
    void acSampleChangeResolutionExecute(QAction* Sender);
    void acSampleSmoothSignalExecute(QAction* Sender);
    void acSampleAbsorbtionExecute(QAction* Sender);
    void acSampleAbsorbtionUpdate(QAction* Sender);
    void acSampleDeleteReplicateExecute(QAction* Sender);
    void acSampleDeleteReplicateUpdate(QAction* Sender);
    void acSampleSendToExcelExecute(QAction* Sender);
    void acSampleExportExecute(QAction* Sender);
    // The selected sample as the shared sample commands see it.
    TSampleCommandHost CommandHost();

private:
    void CreateControls();
    void CreateActions();
    void CreateSampleCommandActions();   // ExperimentCommands.cpp
    void CreateMenus();
    void SetCaption();
    // Frees the curves of a sample node's children.
    void FreeNodeCurves(QTreeWidgetItem* Node);

    std::unique_ptr<TSignalChart> FChart;
    QSize FFirstSize;
};

// Writes the window's experiment (its description taken from the page) to
// FileName with the extension ".AXP", takes that name, puts it on top of the
// recent-file list, clears FModified and rebuilds the caption.  A file that
// could not be written raises its error and leaves the window, its name and
// the file on disk as they were.
void SaveExperimentWindow(TfrmExperiment* Window, const QString& FileName);

}  // namespace VelorSpec
