#pragma once
// Main window of the autosampler controller: the time-program grid on one
// page, the run's progress and live chart on the other, the four tool bars,
// the menus and the action list with every command's enabling rule, the
// time-program file commands with their recent-file list and save question,
// the instrument's serial port and the About box.
//
// The work behind several commands lives in files of their own that add
// methods to this class (the timed run, the manual pin commands, the received
// data and the experiment export).  Each has a labelled section below for its
// declarations; its handlers are tied to the actions in the matching section
// of ConnectCommands() in Main.cpp.

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

#include "ActionList.h"
#include "Dialogs.h"
#include "FormPlacement.h"
#include "ProgramModel.h"
#include "ReceivedLines.h"
#include "RecentFiles.h"
#include "RunTimer.h"
#include "SmallPort.h"
#include "TimeProgram.h"

class QAction;
class QChart;
class QChartView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineSeries;
class QMenu;
class QProgressBar;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QWidget;
class TCommPortDriver;

namespace gui {
class TGrowingAxes;
class TSpinEdit;
}

namespace VelorTime {

// The file name of a time program that was never saved.
extern const QString UntitledName;        // "Untitled"
// Filter of the time-program file dialogs.
extern const QString ProgramFilesFilter;  // "AAS Time Programs(*.ATP)|*.ATP"

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Program file name used in the registry key path, and the settings section.
    static constexpr const char* ProgramFileName = "VelorTime";
    static constexpr const char* StorageSection = "VelorTime";
    // Sub-keys of the settings section.
    static constexpr const char* RecentKeyName = "TfrmMain.MRUManager";
    static constexpr const char* GridKeyName = "TfrmMain.DBGrid";

    // ---- Window state -----------------------------------------------------
    QString FFileName;       // the time-program file; UntitledName when never saved
    bool FRunning = false;   // a run is in progress
    // The modified flag (FModified) is the time program's own: every change
    // of a stored field and every deleted row set it; New, Open, Save and
    // Save As clear it.
    bool IsModified() const { return cdsProgram.Modified(); }
    void SetModified(bool value) { cdsProgram.SetModified(value); }

    // The time-program table and its view in the grid.
    TTimeProgram cdsProgram;
    ProgramModel* dsProgram = nullptr;

    // ---- Components -------------------------------------------------------
    gui::TActionList* acList = nullptr;

    // Program
    QAction* acProgramRun = nullptr;
    QAction* acProgramPause = nullptr;   // checkable
    QAction* acProgramReset = nullptr;
    QAction* acProgramNew = nullptr;
    QAction* acProgramOpen = nullptr;
    QAction* acProgramSave = nullptr;
    QAction* acProgramSaveAs = nullptr;
    // Instrument
    QAction* acInstrConnect = nullptr;     // tag 0
    QAction* acInstrDisconnect = nullptr;  // tag 1
    QAction* acInstrProperties = nullptr;
    QAction* acInstrSaveSamples = nullptr;
    QAction* acInstrSaveExperiment = nullptr;
    // Edit
    QAction* acEditInsertRow = nullptr;
    QAction* acEditDelRow = nullptr;
    QAction* acEditDSEdit = nullptr;
    QAction* acEditDSPost = nullptr;
    QAction* acEditDSCancel = nullptr;
    QAction* acEditCopyRow = nullptr;
    QAction* acEditPasteRow = nullptr;
    QAction* acEditFind = nullptr;
    QAction* acEditFindNext = nullptr;
    QAction* acEditClearSampleData = nullptr;
    // Options
    QAction* acOptionsLPT1 = nullptr;      // checkable, checked at start
    QAction* acOptionsLPT2 = nullptr;      // checkable
    QAction* acOptionsStartWash = nullptr; // tag 0
    QAction* acOptionsStopWash = nullptr;  // tag 1
    QAction* acOptionsProbeDown = nullptr; // tag 0
    QAction* acOptionsProbeUp = nullptr;   // tag 1
    QAction* acOptionsMoveLeft = nullptr;  // tag 1
    QAction* acOptionsMoveRight = nullptr; // tag 0
    QAction* acOptionsMoveCustom = nullptr;
    QAction* acOptionsMoveBlank = nullptr; // tag 2
    QAction* acOptionsPinsConfig = nullptr;
    QAction* acOptionsProperties = nullptr;
    // Help
    QAction* acHelpContents = nullptr;
    QAction* acHelpAbout = nullptr;

    // Menus.
    QMenu* miProgram = nullptr;
    QMenu* miProgramReopen = nullptr;   // "Reopen": the recent files
    QAction* miProgramExit = nullptr;   // "Exit"
    QMenu* miInstrument = nullptr;
    QMenu* miEdit = nullptr;
    QMenu* miOptions = nullptr;
    QMenu* miOptionsAutosampler = nullptr;
    QMenu* miTest = nullptr;
    QMenu* miTestSendBit = nullptr;       // "Send Bit To"
    QMenu* miTestClearBit = nullptr;      // "Clear Bit From"
    // "Pin &2" ... "Pin &9"; each item's tag is its bit mask (1 ... 128).
    QList<QAction*> miTestSendBitPins;
    QList<QAction*> miTestClearBitPins;
    QAction* miTestSendBitAll = nullptr;  // "All Pins"
    QAction* miTestClearBitAll = nullptr; // "All Pins"
    QMenu* miHelp = nullptr;
    QMenu* pmRecent = nullptr;            // drop-down of the Open button
    QMenu* pmToolbars = nullptr;          // popup menu of the tool bar dock
    QAction* miToolbarsProgram = nullptr;
    QAction* miToolbarsInstrument = nullptr;
    QAction* miToolbarsEdit = nullptr;
    QAction* miToolbarsOptions = nullptr;

    // Tool bars.
    QToolBar* tbarProgram = nullptr;
    QToolBar* tbarInstrument = nullptr;
    QToolBar* tbarEdit = nullptr;
    QToolBar* tbarOptions = nullptr;    // hidden at start, on the dock's second row
    QToolButton* sbtnOpen = nullptr;    // the Open button with its drop-down

    // Pages: tabs hidden, switched by code only.
    QTabWidget* pcMain = nullptr;
    QWidget* tsProgram = nullptr;       // page 0
    QWidget* tsRun = nullptr;           // page 1

    // Program page: the grid and, under it, the autosampler button and panel.
    ProgramGrid* DBGrid = nullptr;
    QWidget* panAutoBtn = nullptr;
    QToolButton* sbtnAutosampler = nullptr;   // "A&utosampler", a toggle
    QWidget* panAutoData = nullptr;
    gui::TSpinEdit* spedMoveBy = nullptr;     // "M&ove by:", 1 to 2147483647
    QComboBox* cmbMoveTo = nullptr;           // "st&ep(s)": "RIGHT", "LEFT"
    QSpinBox* spedStartFrom = nullptr;        // "S&tart from position:" (read by nothing)

    // Run page: progress bars above the live chart.
    QGroupBox* gbProgress = nullptr;          // "Progress"
    QProgressBar* pbarRepl = nullptr;         // "Replicate:"
    QProgressBar* pbarSample = nullptr;       // "Sample:"
    QProgressBar* pbarOverall = nullptr;      // "Overall:"
    QChartView* ChartView = nullptr;
    QChart* Chart = nullptr;                  // the live chart
    QLineSeries* MainSeries = nullptr;        // its first series, red

    // The command-line arguments after the program's name; the first one is
    // opened when the window is first shown and names an existing file.
    QStringList FCommandLine;

    // The instrument's serial port; starts on "\\.\COM2".
    TCommPortDriver* cpDrv = nullptr;

    gui::TMRUManager* MRUManager = nullptr;
    gui::TFormStorage* FormStorage = nullptr;
    gui::FileDialogOptions dlgOpenProg;   // "Open Time Program"
    gui::FileDialogOptions dlgSaveProg;

    // Received lines with their live-plot state (FReceivedLines,
    // FLastPlottedLine, FPlotX, FCurrentSeries, FPlotting).  Exists from the
    // window's creation until it closes.
    gui::TReceivedLines FLines;

    // ---- Program files and the save question ------------------------------
    // True when the caller may go on: no changes, or the user answered Yes
    // (and the program was saved) or No.
    bool QuerySaveChanges();
    // Loads a time program, after the save question.
    void OpenProgram(const QString& fileName);
    // Writes the table to a file; raises on failure.
    void SaveProgramTo(const QString& fileName);
    // "VELOR TIME - [<FFileName>]"
    void UpdateCaption();
    // True when the table holds at least one row.
    bool HasRows() const;

    // ---- The time-program table --------------------------------------------
    // "Delete record ?" before a row goes; true on Yes.
    bool cdsProgramBeforeDelete();
    void acEditClearSampleDataExecute();
    void acEditClearSampleDataUpdate(QAction* action);
    // Enabling of the dataset commands by the table's state.
    void UpdateDataSetAction(QAction* action);

    void acProgramNewExecute();
    void acProgramOpenExecute();
    void acProgramSaveExecute();
    void acProgramSaveAsExecute();
    void miProgramExitClick();
    // A recent entry was chosen.
    void MRUManagerClick(const QString& fileName);
    // Refills the Open button's drop-down from "Reopen".
    void pmRecentPopup();

    // ---- Instrument port ---------------------------------------------------
    void acInstrConnectExecute(QAction* sender);   // tag 0 connect, tag 1 disconnect
    void acInstrPropertiesExecute();
    // The instrument went away while connected: the port is closed at once
    // and one message says so, from the event loop: right away when no run
    // is on the stack, else once the run has returned.  The received lines
    // stay.
    void cpDrvLineLost();
    // Shows the message of a lost line not told yet, unless a run is on the
    // stack (the run tells it when it returns).
    void TellLineLost();
    bool FLineLostUntold = false;   // the instrument went away; not told yet

    // ---- Tool bar menu and About -------------------------------------------
    void pmToolbarsPopup();
    void pmToolbarsProgramClick(QAction* item);
    void acHelpAboutExecute();
    // The tool bar that a toolbar-menu item stands for.
    QToolBar* ToolbarOf(const QAction* item) const;

    // ---- Timed run -----------------------------------------------------------
    // The autosampler's parallel port; opened when the window is first shown
    // (a failure is reported once in the status bar) and closed with it.
    TSmallPort* SmallPort = nullptr;
    // The replicate clock (100 ms) and the end of the READ pulse (1000 ms).
    TRunTimer* Timer = nullptr;
    TRunTimer* tmrRead = nullptr;
    bool FResetRequested = false;    // Reset was chosen; the run ends at its next check
    std::int64_t FElapsedMs = 0;     // the replicate clock: 0 at its start, +100 per tick
    std::uint16_t FPortBase = 0x378; // data register of the port, taken at each replicate's start
    double FProbeDownAt = 0;         // W - PF
    double FProbeUpAt = 0;           // W + I
    double FValveOpenAt = 0;         // W + I + VL
    // The current replicate's instants in whole milliseconds of its clock.
    struct TReplicateInstants {
        std::int64_t ProbeDown = 0, ProbeUp = 0, Washing = 0, ValveOpen = 0, ReadAt = 0, ReplTime = 0;
    } FInstants;
    void acProgramRunExecute();
    // Asks about rows that hold data already; false cancels the run.
    bool CheckRecordedData();
    // All replicates of the run's row Row (the table's cursor stands there
    // when it starts, but commands during the run may move it).
    void RunSample(int Row);
    void TimerTimer();
    void tmrReadTimer();
    void acProgramPauseExecute();
    void acProgramResetExecute();
    // Every update handler at once, then the pending events.
    void UpdateActions();
    void sbtnAutosamplerClick();
    // 0x378 when "LPT 1" is checked, else 0x278.
    std::uint16_t ChosenPortBase() const;
    void OpenSmallPort();
    void ConnectRunCommands();
    // Set by the run while its handler and its loops are on the stack; Run
    // stays disabled and a close waits until it is False again.
    bool FRunLoopActive = false;
    // Resets a run in progress as the Reset command does (the received data
    // is stored).  The close query calls it while FRunning is set.
    void ResetRunForClose();

    // ---- Manual pin commands -------------------------------------------------
    void acOptionsLPT1Execute(QAction* Sender);
    void acOptionsLPT2Execute(QAction* Sender);
    // Tag 0 "Start Washing", 1 "Stop Washing".
    void acOptionsStartWashExecute(QAction* Sender);
    // Tag 0 "Probe Down", 1 "Probe Up".
    void acOptionsProbeDownExecute(QAction* Sender);
    // A step pulse of half a second: Tag 0 right, 1 left, 2 blank position.
    void acOptionsMoveLeftExecute(QAction* Sender);
    // Test menu; each pin item's tag is its bit mask.  Only while the port
    // component is open.
    void miTestSendBitPin2Click(QAction* Sender);
    void miTestSendBitAllClick(QAction* Sender);
    void miTestClearBitPin2Click(QAction* Sender);
    void miTestClearBitAllClick(QAction* Sender);
    void ConnectPinCommands();

    // ---- Received data ---------------------------------------------------------
    // The serial port's data event: the line assembly, then a live plot pass.
    void cpDrvReceiveData(TCommPortDriver* Sender, const void* DataPtr, std::uint32_t DataSize);
    void PlotReceivedLines();
    // Distributes the received replicates into the rows without data.  A row
    // that refuses its post is reported, and what was not stored stays in
    // the received lines.
    void StoreReceivedData();
    // "Save Samples": the fixed test stream, then StoreReceivedData.
    void acInstrSaveSamplesExecute();
    // A viewer button of the grid, by the column's field.
    void DBGridEditButtonClick(int Column);
    // A new series of the live chart for the next replicate.
    QLineSeries* NewLiveSeries();
    std::shared_ptr<gui::TGrowingAxes> FLiveAxes;
    void ConnectReceivedCommands();

    // ---- Experiment export ---------------------------------------------------
    gui::FileDialogOptions dlgSaveExp;  // "AAS Experiment Files(*.AXP)|*.AXP"
    void acInstrSaveExperimentExecute();
    void ConnectExportCommands();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreatePages();
    // Ties the commands of the run, the pins, the received data and the
    // export to their actions.
    void ConnectCommands();
    // The first command-line argument when it names an existing file.
    void FormShow();
    // Whether the window may close now.
    bool FormCloseQuery();
    void FormClose();
    void SaveGridLayout() const;
    void RestoreGridLayout();

    bool FShown = false;
    QTimer* FCloseWait = nullptr;
};

extern TfrmMain* frmMain;

}  // namespace VelorTime
