#pragma once
// The sample window: one sample file shown as a tree (the sample's title, one
// node per replicate and one for the ensemble replicate) whose check boxes
// choose the curves drawn on a line chart, and, on a second page, a plain-text
// statistics report.  It carries the "&Sample" menu with the processing
// commands (defined in SampleProcessing.cpp) and the chart, print and tree
// commands, and saves its sample as a sample text file.
//
// Check boxes are state indexes of the tree's nodes: 1 unchecked (curve
// hidden), 2 checked (curve shown), 3 partly checked (the sample node while
// its children differ); -1 means "no box" (this window creates none).  They
// are shown as the item's check state and changed only by the window's rules
// (never by the view's own click handling).
//
// Curves belong to the window.  Attaching a curve adds it to MainChart;
// detaching removes it from the chart without deleting it.

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "ActionList.h"
#include "Charts.h"
#include "ChildForm.h"
#include "SampleCommands.h"
#include "SignalChart.h"

class QAction;
class QMenu;
class QSplitter;
class QTabWidget;
class QTextEdit;
class QTreeWidgetItem;
class QChart;
class QLineSeries;
class QValueAxis;

class TAASSample;
class TAASReplicate;

namespace VelorSpec {

// Tree view of the sample window: reports mouse presses, key presses and
// label edits to the window as its handlers, and lets the window refuse an
// edit.  It never toggles check states by itself.
class TSampleTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TSampleTreeView(QWidget* parent = nullptr);

    // Handlers (set by the window).
    // Mouse button pressed at a viewport position; runs before the view's own
    // handling (selection).
    std::function<void(Qt::MouseButton Button, const QPoint& Pos)> OnMouseDown;
    // A key pressed on the tree; return true when handled.
    std::function<bool(int Key)> OnKeyDown;
    // Asked before a label edit starts; AllowEdit starts true.
    std::function<void(QTreeWidgetItem* Node, bool& AllowEdit)> OnEditing;
    // An accepted edit; S is the new text (the handler may change it).
    std::function<void(QTreeWidgetItem* Node, QString& S)> OnEdited;

    // The node whose state image lies under a viewport position (null when
    // none: outside every node, or on a node's text or indentation, or on a
    // node without a box).
    QTreeWidgetItem* StateImageAt(const QPoint& Pos) const;
    // Viewport rectangle of a node's state image (empty when it has none).
    QRect StateImageRect(QTreeWidgetItem* Node) const;
    // A label is being edited.
    bool IsEditing() const;
    // Ends the current label edit and keeps its text.
    void EndEditKeepText();
    // Starts editing a node's label (subject to OnEditing).
    void StartEdit(QTreeWidgetItem* Node);
    // The F2 key of both windows: ends a label edit keeping its text, else
    // starts editing the current node's label.
    void ToggleLabelEdit();

    // Dragging nodes inside the tree (off unless OnDragOver is set): a drag
    // whose source is this tree is offered to OnDragOver with the node under
    // the pointer (null when none), which says whether it is accepted; a drop
    // goes to OnDragDrop with the target node (null when none).
    std::function<bool(QTreeWidgetItem* Target)> OnDragOver;
    std::function<void(QTreeWidgetItem* Target)> OnDragDrop;
    void EnableNodeDrag();

    // The font colour of a node, selected or not (an invalid colour keeps the
    // view's own).
    std::function<QColor(const QTreeWidgetItem* Node, bool Selected)> OnNodeColor;

    // A node's check box as a state index: 1 unchecked, 2 checked, 3 partly
    // checked, -1 no box; and its setter (display only).
    static int NodeState(const QTreeWidgetItem* Node);
    static void SetNodeState(QTreeWidgetItem* Node, int State);
    // The check-box rule of both windows.  The node's new state: 1 becomes 2,
    // 2 becomes 1, 3 becomes 2, no box stays without.  A group node (a
    // sample's node) hands its new state to every child with a box; another
    // node makes its parent checked when all the parent's boxed children are,
    // unchecked when all are unchecked, else partly checked.  Show is called
    // for every node whose box changed by the rule, with its new state.
    static void ToggleCheck(QTreeWidgetItem* Node, bool Group,
                            const std::function<void(QTreeWidgetItem* Node, int State)>& Show);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    friend class TSampleTreeDelegate;
    QModelIndex FEditIndex;
};

// Chart view of the sample and experiment windows; runs the window's
// before-draw and after-draw handlers around every paint (OnBeforeDraw,
// OnAfterDraw) and draws the shown curves as its frozen layer.
class TSampleChartView : public gui::TChartView {
    Q_OBJECT
public:
    using gui::TChartView::TChartView;
};

class TfrmSample : public TChildForm {
    Q_OBJECT
public:
    // The first size (620 x 460, grown to show the whole tree and pages).
    QSize sizeHint() const override { return FFirstSize.isValid() ? FFirstSize : TChildForm::sizeHint(); }
    // Creates the window with its controls and commands and loads FileName:
    // ".ASB" leaves the window empty; anything else is read as a sample text
    // file (".AAT" after six leading lines).  A file that cannot be read is
    // removed from the frame's recent-file list and the window closes itself
    // (Release) without a message.  The frame shows the window.
    TfrmSample(QWidget* Owner, const QString& FileName);
    ~TfrmSample() override;

    // --- State (FFileName and FModified are TChildForm's) -------------------
    TAASSample* FSample = nullptr;   // owned; title "Sample", owns its replicates

    // --- Controls -----------------------------------------------------------
    TSampleTreeView* tviewSample = nullptr;   // left, 153 pixels wide
    QSplitter* RxSplitter = nullptr;          // between the tree and the pages
    QTabWidget* pctrlSample = nullptr;        // "Graphic View", "Statistic View"
    QWidget* tsGraphicView = nullptr;
    QWidget* tsStatisticView = nullptr;
    QChart* MainChart = nullptr;
    TSampleChartView* MainChartView = nullptr;
    QValueAxis* MainChartBottomAxis = nullptr;   // "Time [seconds]"
    QValueAxis* MainChartLeftAxis = nullptr;     // "Absorbtion [a.u.]"
    QTextEdit* redStats = nullptr;               // read-only report
    QMenu* MainMenu = nullptr;                   // the "&Sample" menu (merged into the frame's bar)
    gui::TActionList* acList = nullptr;
    QMenu* pmTreeView = nullptr;                 // the tree's pop-up menu

    // --- Commands of the chart, print and tree ------------------------------
    QAction* acCopyChart = nullptr;
    QAction* acPrintChart = nullptr;
    QAction* acPrintStats = nullptr;
    QAction* acTreeSelectAll = nullptr;        // Tag 1
    QAction* acTreeSelectNone = nullptr;       // Tag 2
    QAction* acTreeInvertSelection = nullptr;
    QAction* acTreeExpandAll = nullptr;
    QAction* acTreeCollapseAll = nullptr;
    QAction* acTreeRenSample = nullptr;

    // --- Processing commands (created by CreateProcessingActions) -----------
    QAction* acSubtractZero = nullptr;
    QAction* acDefinePlateau = nullptr;
    QAction* acCalculateArea = nullptr;
    QAction* acChangeResolution = nullptr;
    QAction* acSmoothSignal = nullptr;
    QAction* acAbsorbtion = nullptr;
    QAction* acDeleteReplicate = nullptr;
    QAction* acSendToExcel = nullptr;

    // --- Frame interface ----------------------------------------------------
    TChildKind Kind() const override { return TChildKind::Sample; }
    QList<QMenu*> MergedMenus() const override;
    void SaveWindow(const QString& FileName) override;   // SaveSampleWindow(this, FileName)
    bool FormCloseQuery() override;
    void FormClose() override;
    void FormCreate();   // does nothing

    // --- Loading ------------------------------------------------------------
    void LoadBinarySample();                       // does nothing
    void LoadTextSample(const QString& FileName);

    // --- Tree and curves ----------------------------------------------------
    // The sample node (level 0), null while the tree is empty.
    QTreeWidgetItem* SampleNode() const;
    // A node's state index (1, 2, 3; -1 for no box) and its setter (display only).
    static int NodeState(const QTreeWidgetItem* Node);
    static void SetNodeState(QTreeWidgetItem* Node, int State);
    // The curve a level-1 node carries (null for the sample node).
    QLineSeries* NodeSeries(const QTreeWidgetItem* Node) const;
    // Whether a curve is on the chart.
    bool IsAttached(const QLineSeries* Series) const;
    // Toggles a node's box with the window's rules (children, parent, curves).
    void ToggleNodeCheck(QTreeWidgetItem* Node);
    // Removes a replicate's node: its curve leaves the chart and is destroyed.
    void DeleteReplicateNode(QTreeWidgetItem* Node);
    // Refills every curve from the sample (states and attachment untouched).
    void RefreshSeries();
    // Rebuilds the statistics report.
    void UpdateStatistics();
    // Sets bold and underline on the first match (letter case ignored) of
    // Text in the report from character 30 on.
    void HighlightHeading(const QString& Text);

    // --- Handlers -----------------------------------------------------------
    void tviewSampleMouseDown(Qt::MouseButton Button, const QPoint& Pos);
    bool tviewSampleKeyDown(int Key);
    void tviewSampleEditing(QTreeWidgetItem* Node, bool& AllowEdit);
    void tviewSampleEdited(QTreeWidgetItem* Node, QString& S);
    void MainChartBeforeDrawSeries();
    void MainChartAfterDraw();

    void acCopyChartExecute(QAction* Sender);
    void acCopyChartUpdate(QAction* Sender);   // also acPrintChart's
    void acTreeSelectAllExecute(QAction* Sender);   // Select All and Select None (by Tag)
    void acTreeInvertSelectionExecute(QAction* Sender);
    void acTreeExpandAllExecute(QAction* Sender);
    void acTreeCollapseAllExecute(QAction* Sender);
    void acTreeRenSampleExecute(QAction* Sender);

    // Processing commands, defined in SampleProcessing.cpp.
    void CreateProcessingActions();
    // The window as the shared sample commands see it.
    TSampleCommandHost CommandHost();
    void acSubtractZeroExecute(QAction* Sender);
    void acSubtractZeroUpdate(QAction* Sender);
    void acDefinePlateauExecute(QAction* Sender);
    void acCalculateAreaExecute(QAction* Sender);
    void acChangeResolutionExecute(QAction* Sender);
    void acSmoothSignalExecute(QAction* Sender);
    void acSmoothSignalUpdate(QAction* Sender);   // also acSendToExcel's
    void acAbsorbtionExecute(QAction* Sender);
    void acAbsorbtionUpdate(QAction* Sender);
    void acDeleteReplicateExecute(QAction* Sender);
    void acDeleteReplicateUpdate(QAction* Sender);
    void acSendToExcelExecute(QAction* Sender);

private:
    QSize FFirstSize;
    void CreateControls();
    void CreateTreeActions();
    void CreateMenus();

    std::unique_ptr<TSignalChart> FChart;   // MainChart with every curve of the window
};

// Saves a sample window's sample to FileName (its extension replaced by
// ".AST"), puts that name on top of the recent-file list, clears FModified,
// takes the name as FFileName and rebuilds the caption.  A file that could
// not be written raises an error and leaves the window, its name and the
// file on disk as they were.
void SaveSampleWindow(TfrmSample* Window, const QString& FileName);

}  // namespace VelorSpec
