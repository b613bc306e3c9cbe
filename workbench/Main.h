#pragma once
// Main frame of the evaluation workbench: a multiple-document window that
// holds the sample windows, the experiment windows and the Instrument Data
// window.  It owns the file commands, the recent-file list and its
// persistence, the window commands, and the menu bar and tool bars into which
// the active child's menus merge.  Its document area activates the next child
// on Ctrl+Tab and Ctrl+F6, the previous one with Shift, on closing a child
// the one that was active before it, and on minimizing the active child the
// next one that is not minimized (none: the minimized one stays active).

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "ActionList.h"
#include "ChildForm.h"
#include "Dialogs.h"
#include "FormPlacement.h"
#include "QVEditors.h"
#include "RecentFiles.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace VelorSpec {

// Filters of the frame's file dialogs.
extern const QString AllFilesFilter;        // the four-entry filter
extern const QString SampleFilesFilter;     // sample text, sample binary, any file
extern const QString ExperimentFilesFilter; // experiment files only
extern const QString UntitledName;          // "Untitled"

// The Instrument Data window's commands as the frame shows them in its
// "&Instrument" menu and "Instrument" tool bar.  Null entries are left out.
struct TInstrumentActions {
    QAction* acConnect = nullptr;
    QAction* acDisconnect = nullptr;
    QAction* acConfiguration = nullptr;
    QAction* acViewDiscrete = nullptr;
    QAction* acViewContinues = nullptr;
    QAction* acClearData = nullptr;
    QAction* acProceedData = nullptr;
    QAction* acSaveSamples = nullptr;
    QAction* acSaveAsExperiment = nullptr;
    QAction* acShowInstrumentWindow = nullptr;
    QAction* acMinimize = nullptr;
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Program file name used in the registry key path, and the settings section.
    static constexpr const char* ProgramFileName = "VelorSpec";
    static constexpr const char* StorageSection = "MainForm";

    // Components.
    gui::TActionList* acList = nullptr;
    QAction* acFileNewExperiment = nullptr;
    QAction* acFileOpen = nullptr;
    QAction* acFileOpenSample = nullptr;
    QAction* acFileOpenExperiment = nullptr;
    QAction* acFileSave = nullptr;
    QAction* acFileSaveAs = nullptr;
    QAction* acFileClose = nullptr;
    QAction* acFileExit = nullptr;
    QAction* acCommConnect = nullptr;
    QAction* acCommDisconnect = nullptr;
    QAction* acCommConfig = nullptr;
    QAction* acWindowArrange = nullptr;
    QAction* acWindowCascade = nullptr;
    QAction* acWindowTileHorizontal = nullptr;
    QAction* acWindowTileVertical = nullptr;
    QAction* acWindowMinimizeAll = nullptr;
    QAction* acWindowClose = nullptr;
    TWindowCloseAll* acWindowCloseAll = nullptr;
    QAction* acHelpContents = nullptr;
    QAction* acHelpAbout = nullptr;

    QMenu* miFile = nullptr;
    QMenu* miFileReopen = nullptr;      // "Reope&n"
    QMenu* miInstrument = nullptr;
    QMenu* miCommunication = nullptr;   // never shown
    QMenu* miView = nullptr;
    QMenu* miWindow = nullptr;
    QMenu* miHelp = nullptr;
    QMenu* pmenuRecent = nullptr;       // drop-down of the Open button

    QToolBar* tbar97File = nullptr;
    QToolBar* tbar97Instrument = nullptr;
    QToolBar* tbar97Window = nullptr;
    QToolBar* tbar97Help = nullptr;
    QToolButton* ToolbarButton974 = nullptr;   // the Open split button

    QMdiArea* MdiArea = nullptr;
    gui::TMRUManager* MRUManager = nullptr;
    gui::TFormStorage* FormStorage = nullptr;
    // File dialog state, kept between uses.
    gui::FileDialogOptions dlgOpen;
    gui::FileDialogOptions dlgSave;

    // Opens a file in a new window, or brings forward the window that shows it.
    void OpenFile(const QString& fileName);
    // Brings forward the child whose caption holds the name between its first
    // "[" and first "]" (letter case of a-z ignored).  Returns whether found.
    bool ActivateOpenWindow(const QString& fileName);
    // Save As of a sample or experiment window; anything else: nothing.
    void SaveWindowAs(QWidget* window);
    // The recent list's click: opens the stored name.
    void MRUManagerClick(const QString& name, const QString& caption, int userData);
    // Rebuilds pmenuRecent with the same items as the "Reope&n" submenu.
    void ToolbarButton974Dropdown();

    // Command handlers.
    void acFileNewExperimentExecute();
    void acFileOpenExecute();
    void acFileOpenSampleExecute();
    void acFileOpenExperimentExecute();
    void acFileSaveExecute();
    void acFileSaveUpdate();
    void acFileSaveAsExecute();
    void acFileSaveAsUpdate();   // Save As and Close
    void acFileCloseExecute();
    void acFileExitExecute();

    // Child windows.
    // Shows a widget as a child window of the frame and makes it active.
    QMdiSubWindow* AddChild(QWidget* child);
    // The active child's form (null when none or not a QWidget form).
    QWidget* ActiveChild() const;
    TChildForm* ActiveChildForm() const;   // null when the active child is no document window
    // Child forms in the frame's order: the active (topmost) one first.
    QList<QWidget*> Children() const;

    // Places the Instrument Data window's commands into the "&Instrument"
    // menu and the "Instrument" tool bar.  Call once.
    void BindInstrumentActions(const TInstrumentActions& actions);

    // Picture of a picture index of the frame's image list: 0 new experiment,
    // 1 open, 2 save, 3 exit, 4 connect, 5 disconnect, 6 configuration,
    // 7 clear data, 8 save samples, 9 save as experiment, 10 add sample,
    // 11 delete sample, 12 move right, 13 move left, 14 cascade, 15 tile
    // horizontal, 16 tile vertical, 17 close window, 18 close all, 19 help
    // contents, 20 about.
    QIcon Picture(int index) const;

protected:
    // Creates the window for a file of the given kind (not yet shown; the
    // frame adds and shows it).  May return null.
    virtual TChildForm* CreateChildWindow(TChildKind kind, const QString& fileName);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Resizes the frame to its first size: 640 x 480, grown where the tool
    // bars or a child window at its first size need more room.
    void ApplyFirstSize();
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void ChildActivated(QMdiSubWindow* window);
    void MergeMenus(TChildForm* child);
    void RunOpenDialog(const QString* filter);
    void ShowNewChild(TChildForm* child);
    bool QueryCloseChildren();
    void RebuildWindowList();
    void ArrangeIcons();
    void Tile(Qt::Orientation orientation);

    bool FRestored = false;
    QList<QPointer<QMenu>> FMergedMenus;
    QList<QAction*> FWindowListItems;
    QList<QIcon> FImages;
};

extern TfrmMain* frmMain;

}  // namespace VelorSpec
