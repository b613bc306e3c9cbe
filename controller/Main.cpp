#include "Main.h"

#include "Charts.h"

#include <QApplication>
#include <algorithm>
#include <utility>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "About.h"
#include "CPDrv.h"
#include "FileNames.h"
#include "Registry.h"
#include "RegisterFileExt.h"
#include "SettingsDlg.h"
#include "SpinEdit.h"
#include "WindowFit.h"

namespace VelorTime {

TfrmMain* frmMain = nullptr;

const QString UntitledName = QStringLiteral("Untitled");
const QString ProgramFilesFilter = QStringLiteral("AAS Time Programs(*.ATP)|*.ATP");

namespace {

using gui::TActionList;

// A small drawn picture for a command without a fitting standard icon: the
// given letters on a framed square.
QIcon letterPicture(const QString& letters, const QColor& colour = Qt::black)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::darkGray, 1));
    p.drawRect(0, 0, 15, 15);
    QFont f = p.font();
    f.setPixelSize(letters.size() > 1 ? 8 : 11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letters);
    return QIcon(pm);
}

// The keys of the window's commands belong to the commands wherever the
// window has the focus, on either page: no control's own binding of such a
// key acts on it (a text field's Ctrl+Del, Ctrl+U or Ctrl+Left/Right, a combo
// box's F4), also while the command is disabled.  The command's enabling rule
// runs before the key is matched, as it does before the command runs.
class TCommandKeys : public QObject {
public:
    TCommandKeys(QWidget* window, TActionList* commands) : QObject(window), FWindow(window), FCommands(commands)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != FWindow)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        QAction* command = FCommands->ActionOfKey(*key);
        if (command == nullptr)
            return false;
        if (type == QEvent::ShortcutOverride) {
            FCommands->UpdateAction(command);
            event->ignore();   // not the control's: the shortcut takes it
            return true;
        }
        // The command did not take its key (it is disabled): nothing else does.
        event->accept();
        return true;
    }

private:
    QWidget* FWindow;
    TActionList* FCommands;
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setFont(QFont(QStringLiteral("Times New Roman")));
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    cpDrv = new TCommPortDriver(this);
    cpDrv->setObjectName(QStringLiteral("cpDrv"));
    cpDrv->SetPortName(QStringLiteral("\\\\.\\COM2"));
    cpDrv->OnLineLost = [this](TCommPortDriver*) { cpDrvLineLost(); };

    acList = new gui::TActionList(this);
    acList->setObjectName(QStringLiteral("acList"));
    CreateActions();
    // The window itself holds every command, so each key answers whatever
    // page, tool bar or menu is shown.
    addActions(acList->Actions());
    new TCommandKeys(this, acList);
    CreateMenus();
    CreateToolBars();
    CreatePages();
    // 640 x 480, grown where the font needs more room so that every tool bar
    // button shows.
    resize(gui::FitFirstSize(this, QSize(640, 480)));

    MRUManager = new gui::TMRUManager(this);
    MRUManager->setObjectName(QStringLiteral("MRUManager"));
    MRUManager->SetCapacity(10);
    MRUManager->StoreUserValues = true;
    MRUManager->SetRecentMenu(miProgramReopen);
    MRUManager->OnClick = [this](const QString& name, const QString&, int) {
        gui::RunGuarded([&] { MRUManagerClick(name); }, this);
    };
    FormStorage = new gui::TFormStorage(this, QString::fromLatin1(ProgramFileName), QString::fromLatin1(StorageSection));

    dlgOpenProg.caption = QStringLiteral("Open Time Program");
    dlgOpenProg.filter = ProgramFilesFilter;
    dlgSaveProg.filter = ProgramFilesFilter;
    dlgSaveProg.overwritePrompt = false;
    dlgSaveProg.mustExist = false;

    FCommandLine = QCoreApplication::arguments().mid(1);
    ConnectCommands();

    // Creating the window.
    // 1. The autosampler panel hidden, "RIGHT" chosen.
    panAutoData->hide();
    cmbMoveTo->setCurrentIndex(0);
    // 2. Tabs hidden, page 0 shown.
    pcMain->tabBar()->hide();
    pcMain->setCurrentWidget(tsProgram);
    // 3. No run.
    FRunning = false;
    // 4. An untitled, unmodified program.
    FFileName = UntitledName;
    SetModified(false);
    UpdateCaption();
    // 5. The received lines plot into the live chart's first series.
    FLines.Reset(MainSeries);
    FLines.FPlotting = false;
    // 6. The tool bar menu's items were linked to their bars when made.

    // Stored placement, grid layout and recent files.
    gui::RunGuarded(
        [&] {
            FormStorage->RestorePlacement();
            RestoreGridLayout();
            MRUManager->LoadFromRegistry(FormStorage->SubKeyPath(QString::fromLatin1(RecentKeyName)));
        },
        this);

    // 7. The time-program file type, unless registered.
    gui::RunGuarded(
        [] {
            if (!TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP"))) {
                TQVRegisterFileExt reg;
                reg.Extensions << QStringLiteral(".ATP=1");
                reg.Descriptions << QStringLiteral("AAS Time Program");
                reg.RegisterExtensions();
            }
        },
        this);

    if (!frmMain)
        frmMain = this;
}

TfrmMain::~TfrmMain()
{
    if (frmMain == this)
        frmMain = nullptr;
    // The grid and its model observe the table, a member of this window:
    // they go before the members do.
    delete DBGrid;
    DBGrid = nullptr;
    delete dsProgram;
    dsProgram = nullptr;
    delete FormStorage;
}

// ---------------------------------------------------------------------------
// Set-up

void TfrmMain::CreateActions()
{
    using Key = QKeySequence;
    const auto add = [this](const char* name, const char* caption, const char* hint, const Key& key = {}, int tag = 0) {
        return acList->Add(QString::fromLatin1(name), QString::fromLatin1(caption), QString::fromLatin1(hint), key, -1, tag);
    };
    QStyle* st = style();

    acProgramRun = add("acProgramRun", "Run", "Runs loaded program", Key(Qt::Key_F9));
    acProgramRun->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    acProgramPause = add("acProgramPause", "Pause", "Pauses program execution");
    acProgramPause->setCheckable(true);
    acProgramPause->setIcon(st->standardIcon(QStyle::SP_MediaPause));
    acProgramReset = add("acProgramReset", "Reset", "Restes program execution", Key(Qt::CTRL | Qt::Key_F2));
    acProgramReset->setIcon(st->standardIcon(QStyle::SP_MediaStop));
    acProgramNew = add("acProgramNew", "New...", "Create new program", Key(Qt::CTRL | Qt::Key_N));
    acProgramNew->setIcon(st->standardIcon(QStyle::SP_FileIcon));
    acProgramOpen = add("acProgramOpen", "Open...", "Opens existing program", Key(Qt::CTRL | Qt::Key_O));
    acProgramOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    acProgramSave = add("acProgramSave", "Save", "Saves loaded program", Key(Qt::CTRL | Qt::Key_S));
    acProgramSave->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    acProgramSaveAs = add("acProgramSaveAs", "Save As...", "Saves program as a new file");

    acInstrConnect = add("acInstrConnect", "Connect", "Connects to instrument's COM port", Key(Qt::Key_F4), 0);
    acInstrConnect->setIcon(st->standardIcon(QStyle::SP_DriveNetIcon));
    acInstrDisconnect = add("acInstrDisconnect", "&Disconnect", "Disconnects from instrument's COM port", Key(Qt::Key_F5), 1);
    acInstrDisconnect->setIcon(st->standardIcon(QStyle::SP_BrowserStop));
    acInstrProperties = add("acInstrProperties", "C&ommunication Properties...", "Configures instrument's COM port",
                            Key(Qt::Key_F6));
    acInstrProperties->setIcon(st->standardIcon(QStyle::SP_FileDialogDetailedView));
    acInstrSaveSamples = add("acInstrSaveSamples", "&Save Samples...", "Saves received samples data", Key(Qt::Key_F7));
    acInstrSaveSamples->setIcon(letterPicture(QStringLiteral("S")));
    acInstrSaveExperiment = add("acInstrSaveExperiment", "Save As E&xperiment...",
                                "Saves received samples data as experiment", Key(Qt::Key_F8));
    acInstrSaveExperiment->setIcon(st->standardIcon(QStyle::SP_DriveFDIcon));

    acEditInsertRow = add("acEditInsertRow", "Insert Row", "Inserts new row", Key(Qt::Key_Insert));
    acEditInsertRow->setIcon(letterPicture(QStringLiteral("+"), Qt::darkGreen));
    acEditDelRow = add("acEditDelRow", "Delete Row", "Deletes selected row", Key(Qt::CTRL | Qt::Key_Delete));
    acEditDelRow->setIcon(letterPicture(QStringLiteral("-"), Qt::darkRed));
    acEditDSEdit = add("acEditDSEdit", "Edit Row Data", "Puts program grid in edit mode");
    acEditDSEdit->setIcon(letterPicture(QStringLiteral("E")));
    acEditDSPost = add("acEditDSPost", "Save Row Changes", "Saves changes to current row", Key(Qt::CTRL | Qt::Key_Q));
    acEditDSPost->setIcon(st->standardIcon(QStyle::SP_DialogApplyButton));
    acEditDSCancel = add("acEditDSCancel", "Discard Row Changes", "Discards changes for selected row",
                         Key(Qt::SHIFT | Qt::Key_Escape));
    acEditDSCancel->setIcon(st->standardIcon(QStyle::SP_DialogCancelButton));
    acEditCopyRow = add("acEditCopyRow", "Copy Row", "Copies selected row", Key(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    acEditCopyRow->setIcon(letterPicture(QStringLiteral("C")));
    acEditPasteRow = add("acEditPasteRow", "Paste Row", "Paste Clipboard contents as a new row",
                         Key(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    acEditPasteRow->setIcon(letterPicture(QStringLiteral("P")));
    acEditFind = add("acEditFind", "Find...", "Find sample", Key(Qt::CTRL | Qt::Key_F));
    acEditFind->setIcon(letterPicture(QStringLiteral("F")));
    acEditFindNext = add("acEditFindNext", "Find Next", "", Key(Qt::Key_F3));
    acEditFindNext->setIcon(letterPicture(QStringLiteral("F+")));
    acEditClearSampleData = add("acEditClearSampleData", "Clear Sample Data", "Clears received data for selected sample");
    acEditClearSampleData->setIcon(st->standardIcon(QStyle::SP_TrashIcon));

    acOptionsLPT1 = add("acOptionsLPT1", "LPT 1", "Use LPT 1", Key(Qt::CTRL | Qt::Key_1));
    acOptionsLPT1->setCheckable(true);
    acOptionsLPT1->setChecked(true);
    acOptionsLPT1->setIcon(letterPicture(QStringLiteral("L1")));
    acOptionsLPT2 = add("acOptionsLPT2", "LPT 2", "Use LPT 2", Key(Qt::CTRL | Qt::Key_2));
    acOptionsLPT2->setCheckable(true);
    acOptionsLPT2->setIcon(letterPicture(QStringLiteral("L2")));
    acOptionsStartWash = add("acOptionsStartWash", "Start Washing", "Opens valve and starts washing",
                             Key(Qt::CTRL | Qt::Key_Right), 0);
    acOptionsStartWash->setIcon(letterPicture(QStringLiteral("W"), Qt::blue));
    acOptionsStopWash = add("acOptionsStopWash", "Stop Washing", "Closes valve and stops washing",
                            Key(Qt::CTRL | Qt::Key_Left), 1);
    acOptionsStopWash->setIcon(letterPicture(QStringLiteral("W"), Qt::red));
    acOptionsProbeDown = add("acOptionsProbeDown", "Probe Down", "Put probe in down position",
                             Key(Qt::CTRL | Qt::Key_Down), 0);
    acOptionsProbeDown->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    acOptionsProbeUp = add("acOptionsProbeUp", "Probe Up", "Put probe in up position", Key(Qt::CTRL | Qt::Key_Up), 1);
    acOptionsProbeUp->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
    acOptionsMoveLeft = add("acOptionsMoveLeft", "Move One Step Left", "Moves autosampler one step left",
                            Key(Qt::CTRL | Qt::Key_L), 1);
    acOptionsMoveLeft->setIcon(st->standardIcon(QStyle::SP_ArrowLeft));
    acOptionsMoveRight = add("acOptionsMoveRight", "Move One Step Right", "Moves autosampler one step right",
                             Key(Qt::CTRL | Qt::Key_R), 0);
    acOptionsMoveRight->setIcon(st->standardIcon(QStyle::SP_ArrowRight));
    acOptionsMoveCustom = add("acOptionsMoveCustom", "Move Custom Steps...",
                              "Moves autosampler by selected amount of steps in choosen direction", Key(Qt::CTRL | Qt::Key_U));
    acOptionsMoveBlank = add("acOptionsMoveBlank", "Move To Blank Position", "Moves autosampler to blank position",
                             Key(Qt::CTRL | Qt::Key_0), 2);
    acOptionsPinsConfig = add("acOptionsPinsConfig", "Pins Configuration...", "Configure LPT pins role");
    acOptionsProperties = add("acOptionsProperties", "Properties...", "Modify program options");
    acOptionsProperties->setIcon(letterPicture(QStringLiteral("O")));

    acHelpContents = add("acHelpContents", "Contents", "Contents of help file", Key(Qt::Key_F1));
    acHelpAbout = add("acHelpAbout", "About...", "About program");

    // Commands without behaviour are shown disabled.
    for (QAction* a : {acEditCopyRow, acEditPasteRow, acEditFind, acEditFindNext, acOptionsMoveCustom,
                       acOptionsPinsConfig, acOptionsProperties, acHelpContents})
        a->setEnabled(false);

    const auto run = [this](void (TfrmMain::*handler)()) {
        return [this, handler](QAction*) { (this->*handler)(); };
    };
    const auto idle = [this](QAction* a) { a->setEnabled(!FRunning); };

    // Run, Pause, Reset: the enabling rules; the run supplies the handlers.
    acList->SetUpdate(acProgramRun, [this](QAction* a) { a->setEnabled(HasRows() && !FRunning && !FRunLoopActive); });
    acList->SetUpdate(acProgramPause, [this](QAction* a) { a->setEnabled(FRunning); });
    acList->SetUpdate(acProgramReset, [this](QAction* a) { a->setEnabled(FRunning); });

    acList->SetHandlers(acProgramNew, run(&TfrmMain::acProgramNewExecute), idle);
    acList->SetHandlers(acProgramOpen, run(&TfrmMain::acProgramOpenExecute), idle);
    // Save follows the modified flag alone; when it runs, the save posts a
    // row being edited with what its cell editor holds.
    acList->SetHandlers(acProgramSave, run(&TfrmMain::acProgramSaveExecute),
                        [this](QAction* a) { a->setEnabled(!FRunning && IsModified()); });
    acList->SetHandlers(acProgramSaveAs, run(&TfrmMain::acProgramSaveAsExecute), idle);

    const auto connectRule = [this](QAction* a) {
        const bool wantConnected = TActionList::Tag(a) != 0;
        a->setEnabled(!FRunning && cpDrv->IsConnected() == wantConnected);
    };
    acList->SetHandlers(acInstrConnect, [this](QAction* a) { acInstrConnectExecute(a); }, connectRule);
    acList->SetHandlers(acInstrDisconnect, [this](QAction* a) { acInstrConnectExecute(a); }, connectRule);
    acList->SetHandlers(acInstrProperties, run(&TfrmMain::acInstrPropertiesExecute), idle);

    // The dataset commands on the program table.
    const auto dataSet = [this](QAction* a) { UpdateDataSetAction(a); };
    TTable& table = cdsProgram.Table();
    acList->SetHandlers(acEditInsertRow, [&table](QAction*) { table.Insert(); }, dataSet);
    acList->SetHandlers(acEditDelRow, [&table](QAction*) { table.Delete(); }, dataSet);
    acList->SetHandlers(acEditDSEdit, [&table](QAction*) { table.Edit(); }, dataSet);
    acList->SetHandlers(acEditDSPost, [&table](QAction*) { table.Post(); }, dataSet);
    acList->SetHandlers(acEditDSCancel, [&table](QAction*) { table.Cancel(); }, dataSet);
    acList->SetHandlers(acEditClearSampleData, run(&TfrmMain::acEditClearSampleDataExecute),
                        [this](QAction* a) { acEditClearSampleDataUpdate(a); });

    acList->SetExecute(acHelpAbout, run(&TfrmMain::acHelpAboutExecute));
}

void TfrmMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    // A menu of the bar (no parent menu) or a submenu.
    const auto menu = [bar](QMenu* parentMenu, const char* name, const char* title) {
        const QString text = QString::fromLatin1(title);
        QMenu* m = parentMenu ? parentMenu->addMenu(text) : bar->addMenu(text);
        m->setObjectName(QString::fromLatin1(name));
        TActionList::HookMenu(m);
        return m;
    };

    miProgram = menu(nullptr, "miProgram", "Program");
    miProgram->addAction(acProgramRun);
    miProgram->addAction(acProgramPause);
    miProgram->addAction(acProgramReset);
    miProgram->addSeparator();
    miProgram->addAction(acProgramNew);
    miProgram->addSeparator();
    miProgram->addAction(acProgramOpen);
    miProgramReopen = menu(miProgram, "miProgramReopen", "Reopen");
    miProgram->addSeparator();
    miProgram->addAction(acProgramSave);
    miProgram->addAction(acProgramSaveAs);
    miProgram->addSeparator();
    miProgramExit = miProgram->addAction(QStringLiteral("Exit"));
    miProgramExit->setObjectName(QStringLiteral("miProgramExit"));
    connect(miProgramExit, &QAction::triggered, this, [this] { miProgramExitClick(); });

    miInstrument = menu(nullptr, "miInstrument", "Instrument");
    miInstrument->addAction(acInstrConnect);
    miInstrument->addAction(acInstrDisconnect);
    miInstrument->addSeparator();
    miInstrument->addAction(acInstrProperties);
    miInstrument->addSeparator();
    miInstrument->addAction(acInstrSaveSamples);
    miInstrument->addAction(acInstrSaveExperiment);

    miEdit = menu(nullptr, "miEdit", "Edit");
    miEdit->addAction(acEditInsertRow);
    miEdit->addAction(acEditDelRow);
    miEdit->addSeparator();
    miEdit->addAction(acEditDSEdit);
    miEdit->addAction(acEditDSPost);
    miEdit->addAction(acEditDSCancel);
    miEdit->addSeparator();
    miEdit->addAction(acEditCopyRow);
    miEdit->addAction(acEditPasteRow);
    miEdit->addSeparator();
    miEdit->addAction(acEditFind);
    miEdit->addAction(acEditFindNext);
    miEdit->addSeparator();
    miEdit->addAction(acEditClearSampleData);

    miOptions = menu(nullptr, "miOptions", "Options");
    miOptions->addAction(acOptionsLPT1);
    miOptions->addAction(acOptionsLPT2);
    miOptions->addSeparator();
    miOptions->addAction(acOptionsStartWash);
    miOptions->addAction(acOptionsStopWash);
    miOptions->addSeparator();
    miOptions->addAction(acOptionsProbeDown);
    miOptions->addAction(acOptionsProbeUp);
    miOptions->addSeparator();
    miOptionsAutosampler = menu(miOptions, "miOptionsAutosampler", "Autosampler");
    miOptionsAutosampler->addAction(acOptionsMoveLeft);
    miOptionsAutosampler->addAction(acOptionsMoveRight);
    miOptionsAutosampler->addSeparator();
    miOptionsAutosampler->addAction(acOptionsMoveCustom);
    miOptionsAutosampler->addSeparator();
    miOptionsAutosampler->addAction(acOptionsMoveBlank);
    miOptions->addSeparator();
    miOptions->addAction(acOptionsPinsConfig);
    miOptions->addSeparator();
    miOptions->addAction(acOptionsProperties);

    miTest = menu(nullptr, "miTest", "Test");
    miTestSendBit = menu(miTest, "miTestSendBit", "Send Bit To");
    miTest->addSeparator();
    miTestClearBit = menu(miTest, "miTestClearBit", "Clear Bit From");
    const auto pinItems = [](QMenu* m, const QString& prefix, QList<QAction*>& pins) {
        for (int pin = 2; pin <= 9; ++pin) {
            QAction* item = m->addAction(QStringLiteral("Pin &%1").arg(pin));
            item->setObjectName(QStringLiteral("%1Pin%2").arg(prefix).arg(pin));
            TActionList::SetTag(item, 1 << (pin - 2));
            pins << item;
        }
        m->addSeparator();
        QAction* all = m->addAction(QStringLiteral("All Pins"));
        all->setObjectName(prefix + QStringLiteral("All"));
        return all;
    };
    miTestSendBitAll = pinItems(miTestSendBit, QStringLiteral("miTestSendBit"), miTestSendBitPins);
    miTestClearBitAll = pinItems(miTestClearBit, QStringLiteral("miTestClearBit"), miTestClearBitPins);

    miHelp = menu(nullptr, "miHelp", "Help");
    miHelp->addAction(acHelpContents);
    miHelp->addSeparator();
    miHelp->addAction(acHelpAbout);

    pmRecent = new QMenu(this);
    pmRecent->setObjectName(QStringLiteral("pmRecent"));
    connect(pmRecent, &QMenu::aboutToShow, this, [this] { pmRecentPopup(); });
}

void TfrmMain::CreateToolBars()
{
    const auto makeBar = [this](const char* name, const char* title) {
        QToolBar* bar = new QToolBar(QString::fromLatin1(title), this);
        bar->setObjectName(QString::fromLatin1(name));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return bar;
    };
    tbarProgram = makeBar("tbarProgram", "Program");
    tbarProgram->addAction(acProgramRun);
    tbarProgram->addAction(acProgramPause);
    tbarProgram->addAction(acProgramReset);
    tbarProgram->addSeparator();
    tbarProgram->addAction(acProgramNew);
    sbtnOpen = new QToolButton(tbarProgram);
    sbtnOpen->setObjectName(QStringLiteral("sbtnOpen"));
    sbtnOpen->setDefaultAction(acProgramOpen);
    sbtnOpen->setMenu(pmRecent);
    sbtnOpen->setPopupMode(QToolButton::MenuButtonPopup);
    sbtnOpen->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbarProgram->addWidget(sbtnOpen);
    tbarProgram->addAction(acProgramSave);

    tbarInstrument = makeBar("tbarInstrument", "Instrument");
    tbarInstrument->addAction(acInstrConnect);
    tbarInstrument->addAction(acInstrDisconnect);
    tbarInstrument->addAction(acInstrProperties);
    tbarInstrument->addSeparator();
    tbarInstrument->addAction(acInstrSaveSamples);
    tbarInstrument->addAction(acInstrSaveExperiment);

    tbarEdit = makeBar("tbarEdit", "Edit");
    tbarEdit->addAction(acEditInsertRow);
    tbarEdit->addAction(acEditDelRow);
    tbarEdit->addSeparator();
    tbarEdit->addAction(acEditDSEdit);
    tbarEdit->addAction(acEditDSPost);
    tbarEdit->addAction(acEditDSCancel);
    tbarEdit->addSeparator();
    tbarEdit->addAction(acEditCopyRow);
    tbarEdit->addAction(acEditPasteRow);
    tbarEdit->addSeparator();
    tbarEdit->addAction(acEditFind);
    tbarEdit->addAction(acEditFindNext);
    tbarEdit->addSeparator();
    tbarEdit->addAction(acEditClearSampleData);

    tbarOptions = makeBar("tbarOptions", "Options");
    tbarOptions->addAction(acOptionsLPT1);
    tbarOptions->addAction(acOptionsLPT2);
    tbarOptions->addSeparator();
    tbarOptions->addAction(acOptionsStartWash);
    tbarOptions->addAction(acOptionsStopWash);
    tbarOptions->addSeparator();
    tbarOptions->addAction(acOptionsProbeDown);
    tbarOptions->addAction(acOptionsProbeUp);
    tbarOptions->addSeparator();
    tbarOptions->addAction(acOptionsMoveLeft);
    tbarOptions->addAction(acOptionsMoveRight);
    tbarOptions->addSeparator();
    tbarOptions->addAction(acOptionsProperties);

    // The dock: three bars on the first row, Options hidden on the second.
    addToolBar(Qt::TopToolBarArea, tbarProgram);
    addToolBar(Qt::TopToolBarArea, tbarInstrument);
    addToolBar(Qt::TopToolBarArea, tbarEdit);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, tbarOptions);
    tbarOptions->hide();

    // The dock's popup menu, one item per bar.
    pmToolbars = new QMenu(this);
    pmToolbars->setObjectName(QStringLiteral("pmToolbars"));
    const auto item = [this](const char* name, const char* caption, QToolBar* bar, bool marked) {
        QAction* a = pmToolbars->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(marked);
        a->setData(QVariant::fromValue<QObject*>(bar));
        connect(a, &QAction::triggered, this, [this, a] {
            // The click reverses the mark itself; undo Qt's own toggle first.
            const QSignalBlocker block(a);
            a->setChecked(!a->isChecked());
            pmToolbarsProgramClick(a);
        });
        return a;
    };
    miToolbarsProgram = item("miToolbarsProgram", "Program", tbarProgram, false);
    miToolbarsInstrument = item("miToolbarsInstrument", "Instrument", tbarInstrument, false);
    miToolbarsEdit = item("miToolbarsEdit", "Edit", tbarEdit, true);
    miToolbarsOptions = item("miToolbarsOptions", "Options", tbarOptions, false);
    connect(pmToolbars, &QMenu::aboutToShow, this, [this] { pmToolbarsPopup(); });
}

void TfrmMain::CreatePages()
{
    pcMain = new QTabWidget(this);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    // Its tabs are hidden: Tab passes it by to the controls of its page.
    pcMain->setFocusPolicy(Qt::NoFocus);
    setCentralWidget(pcMain);

    // Page 0: the program grid, the autosampler button and its panel.
    tsProgram = new QWidget;
    tsProgram->setObjectName(QStringLiteral("tsProgram"));
    cdsProgram.ConfirmDelete = [this] { return cdsProgramBeforeDelete(); };
    dsProgram = new ProgramModel(cdsProgram, this);
    dsProgram->setObjectName(QStringLiteral("dsProgram"));
    DBGrid = new ProgramGrid(tsProgram);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setProgramModel(dsProgram);
    DBGrid->horizontalHeader()->setSectionsMovable(true);

    panAutoBtn = new QWidget(tsProgram);
    panAutoBtn->setObjectName(QStringLiteral("panAutoBtn"));
    sbtnAutosampler = new QToolButton(panAutoBtn);
    sbtnAutosampler->setObjectName(QStringLiteral("sbtnAutosampler"));
    sbtnAutosampler->setText(QStringLiteral("A&utosampler"));
    sbtnAutosampler->setCheckable(true);
    sbtnAutosampler->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* btnRow = new QHBoxLayout(panAutoBtn);
    btnRow->setContentsMargins(2, 2, 2, 2);
    btnRow->addWidget(sbtnAutosampler);
    btnRow->addStretch();

    panAutoData = new QWidget(tsProgram);
    panAutoData->setObjectName(QStringLiteral("panAutoData"));
    spedMoveBy = new gui::TSpinEdit(gui::TSpinEdit::TValueType::Integer, panAutoData);
    spedMoveBy->setObjectName(QStringLiteral("spedMoveBy"));
    spedMoveBy->SetMinValue(1);
    spedMoveBy->SetMaxValue(2147483647.0);
    spedMoveBy->SetValue(1);
    cmbMoveTo = new QComboBox(panAutoData);
    cmbMoveTo->setObjectName(QStringLiteral("cmbMoveTo"));
    cmbMoveTo->addItems({QStringLiteral("RIGHT"), QStringLiteral("LEFT")});
    spedStartFrom = new QSpinBox(panAutoData);
    spedStartFrom->setObjectName(QStringLiteral("spedStartFrom"));
    spedStartFrom->setRange(0, 2147483647);
    auto* lblMoveBy = new QLabel(QStringLiteral("M&ove by:"), panAutoData);
    lblMoveBy->setBuddy(spedMoveBy);
    auto* lblSteps = new QLabel(QStringLiteral("st&ep(s)"), panAutoData);
    lblSteps->setBuddy(cmbMoveTo);
    auto* lblStartFrom = new QLabel(QStringLiteral("S&tart from position:"), panAutoData);
    lblStartFrom->setBuddy(spedStartFrom);
    auto* dataRow = new QHBoxLayout(panAutoData);
    dataRow->setContentsMargins(4, 2, 4, 2);
    dataRow->addWidget(lblMoveBy);
    dataRow->addWidget(spedMoveBy);
    dataRow->addWidget(lblSteps);
    dataRow->addWidget(cmbMoveTo);
    dataRow->addSpacing(16);
    dataRow->addWidget(lblStartFrom);
    dataRow->addWidget(spedStartFrom);
    dataRow->addStretch();

    auto* programLayout = new QVBoxLayout(tsProgram);
    programLayout->setContentsMargins(0, 0, 0, 0);
    programLayout->setSpacing(0);
    programLayout->addWidget(DBGrid, 1);
    programLayout->addWidget(panAutoBtn);
    programLayout->addWidget(panAutoData);

    // Page 1: the progress bars above the live chart.
    tsRun = new QWidget;
    tsRun->setObjectName(QStringLiteral("tsRun"));
    gbProgress = new QGroupBox(QStringLiteral("Progress"), tsRun);
    gbProgress->setObjectName(QStringLiteral("gbProgress"));
    auto* progress = new QGridLayout(gbProgress);
    const auto bar = [&](const char* name, const char* label, int row) {
        auto* p = new QProgressBar(gbProgress);
        p->setObjectName(QString::fromLatin1(name));
        p->setRange(0, 100);
        p->setValue(0);
        progress->addWidget(new QLabel(QString::fromLatin1(label), gbProgress), row, 0);
        progress->addWidget(p, row, 1);
        return p;
    };
    pbarRepl = bar("pbarRepl", "Replicate:", 0);
    pbarSample = bar("pbarSample", "Sample:", 1);
    pbarOverall = bar("pbarOverall", "Overall:", 2);

    Chart = new QChart;
    Chart->setObjectName(QStringLiteral("Chart"));
    gui::StyleChart(Chart, false);   // no title, no legend, gradient ending in silver, clear back wall
    // Live points are never animated (the zoom animates the axes alone).
    Chart->setAnimationOptions(QChart::NoAnimation);
    MainSeries = new QLineSeries(this);
    MainSeries->setObjectName(QStringLiteral("MainSeries"));
    MainSeries->setColor(Qt::red);
    Chart->addSeries(MainSeries);
    Chart->createDefaultAxes();
    auto* liveView = new gui::TChartView(Chart, tsRun);  // finished replicates drawn from a frozen picture
    liveView->setObjectName(QStringLiteral("ChartView"));
    liveView->SetAnimatedZoom(true);
    ChartView = liveView;

    auto* runLayout = new QVBoxLayout(tsRun);
    runLayout->addWidget(gbProgress);
    runLayout->addWidget(ChartView, 1);

    pcMain->addTab(tsProgram, QStringLiteral("Program"));
    pcMain->addTab(tsRun, QStringLiteral("Run"));
}

void TfrmMain::ConnectCommands()
{
    // ---- Timed run -------------------------------------------------------
    ConnectRunCommands();

    // ---- Manual pin commands ---------------------------------------------
    ConnectPinCommands();

    // ---- Received data -----------------------------------------------------
    ConnectReceivedCommands();

    // ---- Experiment export ---------------------------------------------------
    ConnectExportCommands();
}

// ---------------------------------------------------------------------------
// Caption, rows

void TfrmMain::UpdateCaption()
{
    setWindowTitle(QStringLiteral("VELOR TIME - [%1]").arg(FFileName));
}

bool TfrmMain::HasRows() const
{
    return cdsProgram.Table().RowCount() > 0;
}

// ---------------------------------------------------------------------------
// The time-program table

bool TfrmMain::cdsProgramBeforeDelete()
{
    return gui::MessageDlg(QString::fromLatin1(SDeleteRecord), gui::MsgDlgType::Confirmation, gui::mbYesNo, this) ==
           gui::mrYes;
}

void TfrmMain::acEditClearSampleDataExecute()
{
    if (gui::MessageDlg(QString::fromLatin1(SClearSampleDataQuestion), gui::MsgDlgType::Confirmation, gui::mbYesNo,
                        this) != gui::mrYes)
        return;
    cdsProgram.ClearSampleData();
}

void TfrmMain::acEditClearSampleDataUpdate(QAction* action)
{
    action->setEnabled(cdsProgram.CanClearSampleData());
}

void TfrmMain::UpdateDataSetAction(QAction* action)
{
    using platform::tablestore::TDataSetState;
    const TTable& table = cdsProgram.Table();
    const bool editing = table.State() != TDataSetState::Browse;
    // Delete works on the table itself; the others reach it through the grid
    // when it has the focus.
    if (action == acEditDelRow) {
        action->setEnabled(table.RowCount() > 0);
        return;
    }
    QWidget* focus = focusWidget();
    const bool gridFocused = focus && (focus == DBGrid || DBGrid->isAncestorOf(focus));
    bool enabled = false;
    if (action == acEditInsertRow || action == acEditDSEdit)
        enabled = !editing;
    else if (action == acEditDSPost || action == acEditDSCancel)
        enabled = editing;
    action->setEnabled(gridFocused && enabled);
}

// ---------------------------------------------------------------------------
// Program files

bool TfrmMain::QuerySaveChanges()
{
    // What the grid's cell editor holds counts as a change; a text the field
    // refuses stops the pending command with its message.
    cdsProgram.Table().UpdateRecord();
    if (!IsModified())
        return true;
    const int answer = gui::MessageDlg(QStringLiteral("Do you want to save changes to \"%1\" ?").arg(FFileName),
                                       gui::MsgDlgType::Confirmation, gui::mbYesNoCancel, this);
    if (answer == gui::mrCancel)
        return false;
    if (answer == gui::mrYes) {
        acProgramSaveExecute();
        // Save went on to Save As and the dialog was cancelled, or the save
        // failed: the changes are still unsaved, so the pending command stops.
        return !IsModified();
    }
    return answer == gui::mrNo;
}

void TfrmMain::acProgramNewExecute()
{
    if (!QuerySaveChanges())
        return;
    cdsProgram.New();
    FFileName = UntitledName;
    UpdateCaption();
    SetModified(false);
    DBGrid->setFocus();
}

void TfrmMain::acProgramOpenExecute()
{
    if (gui::ExecuteOpenDialog(dlgOpenProg, this))
        OpenProgram(dlgOpenProg.fileName);
}

void TfrmMain::OpenProgram(const QString& fileName)
{
    if (!QuerySaveChanges())
        return;
    cdsProgram.LoadFromFile(gui::LocalPath(fileName));
    MRUManager->Add(fileName);
    FFileName = fileName;
    UpdateCaption();
    SetModified(false);
    DBGrid->setFocus();
}

void TfrmMain::SaveProgramTo(const QString& fileName)
{
    cdsProgram.SaveToFile(gui::LocalPath(fileName));
}

void TfrmMain::acProgramSaveExecute()
{
    if (FFileName != UntitledName) {
        SaveProgramTo(FFileName);
        SetModified(false);
        return;
    }
    acProgramSaveAsExecute();
}

void TfrmMain::acProgramSaveAsExecute()
{
    if (!gui::ExecuteSaveDialog(dlgSaveProg, this))
        return;
    FFileName = gui::ChangeFileExt(dlgSaveProg.fileName, QStringLiteral(".ATP"));
    SaveProgramTo(FFileName);
    UpdateCaption();
    MRUManager->Add(FFileName);
    SetModified(false);
}

void TfrmMain::miProgramExitClick()
{
    close();
}

void TfrmMain::MRUManagerClick(const QString& fileName)
{
    if (fileName == FFileName)
        return;
    OpenProgram(fileName);
}

void TfrmMain::pmRecentPopup()
{
    MRUManager->FillPopup(pmRecent);
}

// ---------------------------------------------------------------------------
// Instrument port

void TfrmMain::acInstrConnectExecute(QAction* sender)
{
    if (TActionList::Tag(sender) == 0)
        ConnectInstrumentPort(this, cpDrv);
    else
        cpDrv->Disconnect();
}

void TfrmMain::acInstrPropertiesExecute()
{
    ExecuteInstrumentSettings(this, cpDrv);
}

void TfrmMain::cpDrvLineLost()
{
    // Connect and Disconnect follow the closed port.  The box comes from the
    // event loop, not from inside the port's tick.  A run in progress goes
    // on without the line: a box now would hold it at its next replicate
    // until somebody answers, so the user is told when the run has returned.
    cpDrv->Disconnect();
    FLineLostUntold = true;
    if (!FRunLoopActive)
        QTimer::singleShot(0, this, [this] { TellLineLost(); });
}

void TfrmMain::TellLineLost()
{
    if (FRunLoopActive || !std::exchange(FLineLostUntold, false))
        return;
    TellInstrumentLineLost(this);
}

// ---------------------------------------------------------------------------
// Tool bar menu, About

QToolBar* TfrmMain::ToolbarOf(const QAction* item) const
{
    return item ? qobject_cast<QToolBar*>(item->data().value<QObject*>()) : nullptr;
}

void TfrmMain::pmToolbarsPopup()
{
    for (QAction* item : pmToolbars->actions())
        if (QToolBar* bar = ToolbarOf(item))
            item->setChecked(bar->isVisible());
}

void TfrmMain::pmToolbarsProgramClick(QAction* item)
{
    item->setChecked(!item->isChecked());
    if (QToolBar* bar = ToolbarOf(item))
        bar->setVisible(item->isChecked());
}

void TfrmMain::contextMenuEvent(QContextMenuEvent* event)
{
    // The dock's popup menu: a click on a tool bar or on the dock around them.
    QWidget* hit = childAt(event->pos());
    bool onDock = false;
    for (QWidget* w = hit; w && w != this; w = w->parentWidget())
        if (qobject_cast<QToolBar*>(w))
            onDock = true;
    if (!hit) {
        const QWidget* central = centralWidget();
        onDock = event->pos().y() < (central ? central->geometry().top() : 0) &&
                 event->pos().y() > menuBar()->geometry().bottom();
    }
    if (!onDock) {
        QMainWindow::contextMenuEvent(event);
        return;
    }
    pmToolbars->popup(event->globalPos());
    event->accept();
}

void TfrmMain::acHelpAboutExecute()
{
    TfrmAbout about(this);
    gui::ExecModal(about);
}

// ---------------------------------------------------------------------------
// Showing and closing

void TfrmMain::FormShow()
{
    if (FCommandLine.isEmpty())
        return;
    const QString name = FCommandLine.first();
    const QFileInfo file(name);
    if (file.exists() && file.isFile())
        OpenProgram(name);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    // The row commands follow the focused grid: it has the focus from the start.
    DBGrid->setFocus();
    gui::RunGuarded([&] { FormShow(); }, this);
}

bool TfrmMain::FormCloseQuery()
{
    return QuerySaveChanges();
}

void TfrmMain::FormClose()
{
    FLines.FReceivedLines.clear();
    gui::RunGuarded(
        [&] {
            // Placement, grid layout and recent list go to the settings file
            // in one write: a program killed meanwhile leaves all of them as
            // they were or all new.
            platform::registry::TRegistryUpdate update;
            FormStorage->SavePlacement();
            SaveGridLayout();
            MRUManager->SaveToRegistry(FormStorage->SubKeyPath(QString::fromLatin1(RecentKeyName)));
            update.Commit();
        },
        this);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A run in progress is reset first, which stores what it received; the
    // window closes once the run's loops have returned, after the usual
    // save question.
    if (FRunning || FRunLoopActive) {
        event->ignore();
        if (FRunning)
            gui::RunGuarded([&] { ResetRunForClose(); }, this);
        if (!FCloseWait) {
            FCloseWait = new QTimer(this);
            FCloseWait->setObjectName(QStringLiteral("tmrCloseWait"));
            FCloseWait->setInterval(20);
            connect(FCloseWait, &QTimer::timeout, this, [this] {
                if (FRunning || FRunLoopActive)
                    return;
                FCloseWait->stop();
                close();
            });
        }
        FCloseWait->start();
        return;
    }
    bool mayClose = false;
    gui::RunGuarded([&] { mayClose = FormCloseQuery(); }, this);
    if (!mayClose) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

// ---------------------------------------------------------------------------
// Grid layout

// One string value per column, named by its field: "<position>,<width>",
// the position counted from 0 in the grid's current order, the width in pixels.

void TfrmMain::SaveGridLayout() const
{
    using platform::registry::TRegistry;
    const QString key = QLatin1Char('\\') + FormStorage->SubKeyPath(QString::fromLatin1(GridKeyName));
    TRegistry reg;
    reg.DeleteKey(key);
    reg.OpenKey(key, true);
    const QHeaderView* header = DBGrid->horizontalHeader();
    const TTable& table = cdsProgram.Table();
    for (int c = 0; c < table.FieldCount(); ++c)
        reg.WriteString(QString::fromStdString(table.FieldDef(c).Name),
                        QStringLiteral("%1,%2").arg(header->visualIndex(c)).arg(header->sectionSize(c)));
}

void TfrmMain::RestoreGridLayout()
{
    using platform::registry::TRegistry;
    const QString key = QLatin1Char('\\') + FormStorage->SubKeyPath(QString::fromLatin1(GridKeyName));
    TRegistry reg;
    if (!reg.OpenKey(key, false))
        return;
    QHeaderView* header = DBGrid->horizontalHeader();
    const TTable& table = cdsProgram.Table();
    QList<std::pair<int, int>> order;   // stored position, column
    for (int c = 0; c < table.FieldCount(); ++c) {
        const QString name = QString::fromStdString(table.FieldDef(c).Name);
        QString text;
        try {
            text = reg.ReadString(name);
        } catch (const platform::registry::ERegistryException&) {
            continue;   // a value of another kind: the column stays as it is
        }
        const QStringList parts = text.split(QLatin1Char(','));
        if (parts.size() != 2)
            continue;
        bool okPos = false, okWidth = false;
        const int pos = parts[0].trimmed().toInt(&okPos);
        const int width = parts[1].trimmed().toInt(&okWidth);
        if (okWidth && width > 0 && width <= 10000)
            header->resizeSection(c, width);
        if (okPos && pos >= 0 && pos < table.FieldCount())
            order.append({pos, c});
    }
    std::stable_sort(order.begin(), order.end());
    // Placed in the order of their positions, each column lands on its own.
    for (const auto& [pos, column] : order)
        header->moveSection(header->visualIndex(column), pos);
}

}  // namespace VelorTime
