#include "Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolBar>
#include <QToolButton>

#include "Experiment.h"
#include "QVEditors.h"
#include "SettingsStore.h"
#include "WindowFit.h"
#include "Sample.h"
#include "XlsThread.h"

namespace VelorSpec {

TfrmMain* frmMain = nullptr;

const QString AllFilesFilter = QStringLiteral(
    "AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|AAS Experiment(*.AXP)|*.AXP|Any File(*.*)|*.*");
const QString SampleFilesFilter =
    QStringLiteral("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|Any File(*.*)|*.*");
const QString ExperimentFilesFilter = QStringLiteral("AAS Experiment(*.AXP)|*.AXP");
const QString UntitledName = QStringLiteral("Untitled");

namespace {

using gui::TActionList;

// Upper case of the letters a-z only; every other character stays.
QString asciiUpper(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

// Extension from the last "." after the last path separator, dot included.
QString extensionOf(const QString& fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const int sep = fileName.lastIndexOf(QLatin1Char('/'));
    return dot > sep ? fileName.mid(dot) : QString();
}

// Small drawn pictures for the commands that have no fitting standard icon.
QIcon drawnPicture(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    const auto frame = [&](int x, int y, int w, int h) {
        p.fillRect(x, y, w, h, Qt::white);
        p.drawRect(x, y, w - 1, h - 1);
        p.fillRect(x + 1, y + 1, w - 2, 2, QColor(0, 0, 128));
    };
    switch (index) {
    case 14:   // cascade
        frame(1, 1, 10, 8);
        frame(3, 4, 10, 8);
        frame(5, 7, 10, 8);
        break;
    case 15:   // tile horizontal
        frame(1, 1, 14, 7);
        frame(1, 8, 14, 7);
        break;
    case 16:   // tile vertical
        frame(1, 1, 7, 14);
        frame(8, 1, 7, 14);
        break;
    case 18:   // close all
        frame(1, 1, 11, 9);
        frame(4, 5, 11, 9);
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(7, 9, 12, 13);
        p.drawLine(12, 9, 7, 13);
        break;
    default:   // a numbered square
        p.drawRect(0, 0, 15, 15);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::number(index));
        break;
    }
    return QIcon(pm);
}

QList<QIcon> buildPictures(QStyle* style)
{
    const auto std = [style](QStyle::StandardPixmap sp) { return style->standardIcon(sp); };
    QList<QIcon> icons;
    for (int i = 0; i <= 20; ++i)
        icons << drawnPicture(i);
    icons[0] = std(QStyle::SP_FileIcon);                  // new experiment
    icons[1] = std(QStyle::SP_DialogOpenButton);          // open
    icons[2] = std(QStyle::SP_DialogSaveButton);          // save
    icons[3] = std(QStyle::SP_DialogCloseButton);         // exit
    icons[4] = std(QStyle::SP_DriveNetIcon);              // connect
    icons[5] = std(QStyle::SP_BrowserStop);               // disconnect
    icons[6] = std(QStyle::SP_FileDialogDetailedView);    // configuration
    icons[7] = std(QStyle::SP_TrashIcon);                 // clear data
    icons[8] = std(QStyle::SP_DialogSaveButton);          // save samples
    icons[9] = std(QStyle::SP_DriveFDIcon);               // save as experiment
    icons[10] = std(QStyle::SP_FileDialogNewFolder);      // add sample
    icons[11] = std(QStyle::SP_DialogDiscardButton);      // delete sample
    icons[12] = std(QStyle::SP_ArrowRight);               // move right
    icons[13] = std(QStyle::SP_ArrowLeft);                // move left
    icons[17] = std(QStyle::SP_TitleBarCloseButton);      // close window
    icons[19] = std(QStyle::SP_DialogHelpButton);         // help contents
    icons[20] = std(QStyle::SP_MessageBoxInformation);    // about
    return icons;
}

// The document area keeps the platform frame's own keys and activation:
// - Ctrl+Tab and Ctrl+F6 activate the next child window, the one below the
//   active child, which goes to the bottom; Ctrl+Shift+Tab and Ctrl+Shift+F6
//   the previous one, the bottom one.  Repeated, either key visits every
//   child in turn.  The frame takes these keys before the control that has
//   the focus (a page control would turn its pages on Ctrl+Tab), wherever
//   that control sits in a child window.  In a dialog or pop-up the keys are
//   that window's own, also when a child window owns it.
// - When the active child closes, the topmost of the others, the one active
//   before it, becomes active.
// - When the active child is minimized, the next child in the frame's order
//   that is not minimized becomes active; with none, it stays active.
class TDocumentArea : public QMdiArea {
public:
    explicit TDocumentArea(QWidget* parent) : QMdiArea(parent)
    {
        setActivationOrder(QMdiArea::StackingOrder);
        // The keys reach the focused control first: watch them on their way.
        qApp->installEventFilter(this);
    }

    void ActivateNextChild(bool forward)
    {
        QMdiSubWindow* current = currentSubWindow();
        if (!current)
            return;
        QList<QMdiSubWindow*> order;
        for (QMdiSubWindow* w : FrameOrder(*this))
            if (w == current || CanBecomeActive(w))
                order << w;
        const int n = order.size();
        if (n < 2)
            return;
        const int at = order.indexOf(current);
        Activate(order[(at + (forward ? 1 : n - 1)) % n]);
        if (forward)
            current->lower();
    }

    // Watches a new child: minimized while active, it hands the activation
    // on to the next child that is not minimized.
    void Watch(QMdiSubWindow* sub)
    {
        connect(sub, &QMdiSubWindow::windowStateChanged, this,
                [this, sub](Qt::WindowStates before, Qt::WindowStates now) {
                    if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized) && sub == currentSubWindow())
                        ActivateNextShown(sub);
                });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            bool forward = true;
            if (IsChildSwitchKey(*static_cast<const QKeyEvent*>(event), forward)) {
                if (InsideChild(watched)) {
                    // The press stops here; the release goes on to the control
                    // (the toolkit's own window switching sees neither).
                    if (event->type() == QEvent::KeyPress)
                        ActivateNextChild(forward);
                    return event->type() == QEvent::KeyPress;
                }
                // In a dialog or pop-up of a child window the keys are that
                // window's (a page control turns its page): the toolkit's own
                // window switching, which finds the document area through
                // the window's owner, does not see them either.
                if (InOtherWindow(watched))
                    return QAbstractScrollArea::eventFilter(watched, event);
            }
        }
        return QMdiArea::eventFilter(watched, event);
    }

private:
    // Hidden and disabled windows are passed over.
    static bool CanBecomeActive(const QMdiSubWindow* w) { return !w->isHidden() && w->isEnabled(); }
    void Activate(QMdiSubWindow* w)
    {
        setActiveSubWindow(w);
        w->raise();
    }
    void ActivateNextShown(QMdiSubWindow* minimized)
    {
        for (QMdiSubWindow* w : FrameOrder(*this))
            if (w != minimized && CanBecomeActive(w) && !w->isMinimized()) {
                Activate(w);
                return;
            }
    }
    // Control (without Alt) and Tab or F6; with Shift backwards.
    static bool IsChildSwitchKey(const QKeyEvent& key, bool& forward)
    {
        const Qt::KeyboardModifiers mods = key.modifiers();
        if (!(mods & Qt::ControlModifier) || (mods & Qt::AltModifier))
            return false;
        forward = !(mods & Qt::ShiftModifier);
        switch (key.key()) {
        case Qt::Key_Tab:
        case Qt::Key_F6:
            return true;
        case Qt::Key_Backtab:
            forward = false;
            return true;
        default:
            return false;
        }
    }
    // A control of a child window (or the child's sub-window), not one of a
    // dialog or pop-up: those are windows of their own.
    bool InsideChild(QObject* watched) const
    {
        return watched->isWidgetType() && isAncestorOf(static_cast<QWidget*>(watched));
    }
    // A control of a window other than the frame (a dialog, a pop-up).
    bool InOtherWindow(QObject* watched) const
    {
        return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() != window();
    }
};

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velor Spec"));
    resize(640, 480);

    MdiArea = new TDocumentArea(this);
    MdiArea->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(MdiArea);
    connect(MdiArea, &QMdiArea::subWindowActivated, this, &TfrmMain::ChildActivated);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    // An export leaves its workbook on disk; say where, so it can be found
    // even when no spreadsheet application could show it.
    connect(TxlsNotifier::Instance(), &TxlsNotifier::workbookWritten, this, [this](const QString& path) {
        statusBar()->showMessage(QStringLiteral("Workbook written to %1").arg(QDir::toNativeSeparators(path)));
    });

    FImages = buildPictures(style());
    acList = new gui::TActionList(this);
    acList->setObjectName(QStringLiteral("acList"));
    acList->SetImages(FImages);

    CreateActions();
    CreateMenus();
    CreateToolBars();

    MRUManager = new gui::TMRUManager(this);
    MRUManager->setObjectName(QStringLiteral("MRUManager"));
    MRUManager->SetCapacity(10);
    MRUManager->SetRecentMenu(miFileReopen);
    MRUManager->OnClick = [this](const QString& name, const QString& caption, int userData) {
        gui::RunGuarded([&] { MRUManagerClick(name, caption, userData); }, this);
    };
    FormStorage = new gui::TFormStorage(this, QString::fromLatin1(ProgramFileName), QString::fromLatin1(StorageSection));

    dlgOpen.filter = AllFilesFilter;
    dlgOpen.multiSelect = true;
    dlgSave.filter = AllFilesFilter;
    dlgSave.overwritePrompt = true;

    ApplyFirstSize();

    if (!frmMain)
        frmMain = this;
}

void TfrmMain::ApplyFirstSize()
{
    // 640 x 480, grown where the font needs more room: every tool bar button
    // shows, and the document area holds a sample or experiment window at
    // its first size (620 x 460) without cutting it.
    QStyleOptionTitleBar TitleBar;
    TitleBar.initFrom(this);
    const int Frame = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    const int Title = style()->pixelMetric(QStyle::PM_TitleBarHeight, &TitleBar, this);
    const QSize ChildRoom(620 + 2 * Frame + 2, 460 + Title + 2 * Frame + 2);
    resize(gui::FitFirstSize(this, QSize(640, 480), {{MdiArea, ChildRoom}}));
}

TfrmMain::~TfrmMain()
{
    // The child windows go first, while the frame is still whole: their
    // removal must not reach the frame's handlers half-way through its
    // destruction.
    disconnect(MdiArea, nullptr, this, nullptr);
    delete MdiArea;
    MdiArea = nullptr;
    if (frmMain == this)
        frmMain = nullptr;
    delete FormStorage;
}

QIcon TfrmMain::Picture(int index) const
{
    return index >= 0 && index < FImages.size() ? FImages[index] : QIcon();
}

// ---------------------------------------------------------------------------
// Set-up

void TfrmMain::CreateActions()
{
    using Key = QKeySequence;
    const auto run = [this](void (TfrmMain::*handler)()) {
        return [this, handler](QAction*) { (this->*handler)(); };
    };

    acFileNewExperiment = acList->Add(QStringLiteral("acFileNewExperiment"), QStringLiteral("&New Experiment"),
                                      QStringLiteral("Creates new experiment"), Key(Qt::CTRL | Qt::Key_N), 0);
    acList->SetExecute(acFileNewExperiment, run(&TfrmMain::acFileNewExperimentExecute));
    acFileOpen = acList->Add(QStringLiteral("acFileOpen"), QStringLiteral("&Open..."), QStringLiteral("Opens data file.."),
                             Key(Qt::CTRL | Qt::Key_O), 1);
    acList->SetExecute(acFileOpen, run(&TfrmMain::acFileOpenExecute));
    acFileOpenSample = acList->Add(QStringLiteral("acFileOpenSample"), QStringLiteral("Open &Sample..."),
                                   QStringLiteral("Opens sample file"));
    acList->SetExecute(acFileOpenSample, run(&TfrmMain::acFileOpenSampleExecute));
    acFileOpenExperiment = acList->Add(QStringLiteral("acFileOpenExperiment"), QStringLiteral("Open &Experiment..."),
                                       QStringLiteral("Opens experiment file"));
    acList->SetExecute(acFileOpenExperiment, run(&TfrmMain::acFileOpenExperimentExecute));
    acFileSave = acList->Add(QStringLiteral("acFileSave"), QStringLiteral("&Save"), QStringLiteral("Saves current file"),
                             Key(Qt::CTRL | Qt::Key_S), 2);
    acList->SetHandlers(acFileSave, run(&TfrmMain::acFileSaveExecute), run(&TfrmMain::acFileSaveUpdate));
    acFileSaveAs = acList->Add(QStringLiteral("acFileSaveAs"), QStringLiteral("S&ave As..."),
                               QStringLiteral("Saves current file with new name"));
    acList->SetHandlers(acFileSaveAs, run(&TfrmMain::acFileSaveAsExecute), run(&TfrmMain::acFileSaveAsUpdate));
    acFileClose = acList->Add(QStringLiteral("acFileClose"), QStringLiteral("&Close"), QStringLiteral("Closes current file"));
    // Save As and Close share one update handler.
    acList->SetHandlers(acFileClose, run(&TfrmMain::acFileCloseExecute), run(&TfrmMain::acFileSaveAsUpdate));
    acFileExit = acList->Add(QStringLiteral("acFileExit"), QStringLiteral("Exit"), QStringLiteral("Exits application"), {}, 3);
    acList->SetExecute(acFileExit, run(&TfrmMain::acFileExitExecute));

    // The communication commands have no behaviour; their menu is never shown.
    acCommConnect = acList->Add(QStringLiteral("acCommConnect"), QStringLiteral("Connect"),
                                QStringLiteral("Connects to selected COM port"), Key(Qt::Key_F7));
    acCommDisconnect = acList->Add(QStringLiteral("acCommDisconnect"), QStringLiteral("Disconnect"),
                                   QStringLiteral("Disconnects from COM port"), Key(Qt::Key_F8));
    acCommConfig = acList->Add(QStringLiteral("acCommConfig"), QStringLiteral("Configuration..."),
                               QStringLiteral("Configures COM port"), Key(Qt::Key_F10));

    // Window commands: enabled while the frame has child windows (Close: an active one).
    const auto hasChildren = [this](QAction* a) { a->setEnabled(!MdiArea->subWindowList().isEmpty()); };
    const auto hasActive = [this](QAction* a) { a->setEnabled(MdiArea->currentSubWindow() != nullptr); };
    acWindowArrange = acList->Add(QStringLiteral("acWindowArrange"), QStringLiteral("Arrange Icons"),
                                  QStringLiteral("Arranges icons of minimized windows"));
    acList->SetHandlers(acWindowArrange, [this](QAction*) { ArrangeIcons(); }, hasChildren);
    acWindowCascade = acList->Add(QStringLiteral("acWindowCascade"), QStringLiteral("Cascade"), QStringLiteral("Cascade"),
                                  Key(Qt::CTRL | Qt::Key_F2), 14);
    acList->SetHandlers(acWindowCascade, [this](QAction*) { MdiArea->cascadeSubWindows(); }, hasChildren);
    acWindowTileHorizontal = acList->Add(QStringLiteral("acWindowTileHorizontal"), QStringLiteral("Tile Horizontal"),
                                         QStringLiteral("Tiles windows horizontal"), Key(Qt::CTRL | Qt::Key_F3), 15);
    acList->SetHandlers(acWindowTileHorizontal, [this](QAction*) { Tile(Qt::Horizontal); }, hasChildren);
    acWindowTileVertical = acList->Add(QStringLiteral("acWindowTileVertical"), QStringLiteral("Tile Vertical"),
                                       QStringLiteral("Tiles windows vertical"), Key(Qt::CTRL | Qt::Key_F7), 16);
    acList->SetHandlers(acWindowTileVertical, [this](QAction*) { Tile(Qt::Vertical); }, hasChildren);
    acWindowMinimizeAll = acList->Add(QStringLiteral("acWindowMinimizeAll"), QStringLiteral("Minimize All"),
                                      QStringLiteral("Minimizes all windows"));
    acList->SetHandlers(
        acWindowMinimizeAll,
        [this](QAction*) {
            for (QMdiSubWindow* w : MdiArea->subWindowList())
                w->showMinimized();
        },
        hasChildren);
    acWindowClose = acList->Add(QStringLiteral("acWindowClose"), QStringLiteral("Close"),
                                QStringLiteral("Closes active window"), Key(Qt::CTRL | Qt::Key_F4), 17);
    acList->SetHandlers(
        acWindowClose,
        [this](QAction*) {
            if (QMdiSubWindow* w = MdiArea->currentSubWindow())
                w->close();
        },
        hasActive);
    acWindowCloseAll = new TWindowCloseAll(MdiArea, acList);
    acList->Add(acWindowCloseAll, QStringLiteral("acWindowCloseAll"), QStringLiteral("Close All"),
                QStringLiteral("Closes all opened windows"), Key(Qt::CTRL | Qt::Key_F5), 18);
    acList->SetHandlers(acWindowCloseAll, [this](QAction*) { acWindowCloseAll->Execute(); },
                        [this](QAction*) { acWindowCloseAll->Update(); });

    // Help commands have no behaviour.
    acHelpContents = acList->Add(QStringLiteral("acHelpContents"), QStringLiteral("&Contents..."),
                                 QStringLiteral("Displays help contents"), Key(Qt::Key_F1), 19);
    acHelpAbout = acList->Add(QStringLiteral("acHelpAbout"), QStringLiteral("A&bout..."),
                              QStringLiteral("Displays information about program"), {}, 20);
}

void TfrmMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    miFile = bar->addMenu(QStringLiteral("&File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addAction(acFileNewExperiment);
    miFile->addSeparator();
    miFile->addAction(acFileOpen);
    miFile->addAction(acFileOpenSample);
    miFile->addAction(acFileOpenExperiment);
    miFileReopen = miFile->addMenu(QStringLiteral("Reope&n"));
    miFileReopen->setObjectName(QStringLiteral("miFileReopen"));
    miFile->addSeparator();
    miFile->addAction(acFileSave);
    miFile->addAction(acFileSaveAs);
    miFile->addSeparator();
    miFile->addAction(acFileClose);
    miFile->addSeparator();
    miFile->addAction(acFileExit);

    miInstrument = bar->addMenu(QStringLiteral("&Instrument"));
    miInstrument->setObjectName(QStringLiteral("miInstrument"));

    // Kept out of the menu bar: it is never shown, and its keys stay free
    // for the Instrument menu's commands.
    miCommunication = new QMenu(QStringLiteral("&Communication"), this);
    miCommunication->setObjectName(QStringLiteral("miCommunication"));
    miCommunication->addAction(acCommConnect);
    miCommunication->addAction(acCommDisconnect);
    miCommunication->addAction(acCommConfig);

    miView = bar->addMenu(QStringLiteral("&View"));
    miView->setObjectName(QStringLiteral("miView"));

    miWindow = bar->addMenu(QStringLiteral("&Window"));
    miWindow->setObjectName(QStringLiteral("miWindow"));
    miWindow->addAction(acWindowArrange);
    miWindow->addSeparator();
    miWindow->addAction(acWindowCascade);
    miWindow->addAction(acWindowTileHorizontal);
    miWindow->addAction(acWindowTileVertical);
    miWindow->addSeparator();
    miWindow->addAction(acWindowMinimizeAll);
    miWindow->addSeparator();
    miWindow->addAction(acWindowClose);
    miWindow->addAction(acWindowCloseAll);
    // The open child windows are listed below the commands.
    connect(miWindow, &QMenu::aboutToShow, this, &TfrmMain::RebuildWindowList);

    miHelp = bar->addMenu(QStringLiteral("&Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(acHelpContents);
    miHelp->addSeparator();
    miHelp->addAction(acHelpAbout);

    pmenuRecent = new QMenu(this);
    pmenuRecent->setObjectName(QStringLiteral("pmenuRecent"));
    connect(pmenuRecent, &QMenu::aboutToShow, this, &TfrmMain::ToolbarButton974Dropdown);

    for (QMenu* m : {miFile, miFileReopen, miInstrument, miView, miWindow, miHelp, pmenuRecent})
        gui::TActionList::HookMenu(m);
}

void TfrmMain::CreateToolBars()
{
    const auto makeBar = [this](const QString& name, const QString& title) {
        QToolBar* bar = addToolBar(title);
        bar->setObjectName(name);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return bar;
    };
    tbar97File = makeBar(QStringLiteral("tbar97File"), QStringLiteral("File"));
    tbar97File->addAction(acFileNewExperiment);
    ToolbarButton974 = new QToolButton(tbar97File);
    ToolbarButton974->setObjectName(QStringLiteral("ToolbarButton974"));
    ToolbarButton974->setDefaultAction(acFileOpen);
    ToolbarButton974->setMenu(pmenuRecent);
    ToolbarButton974->setPopupMode(QToolButton::MenuButtonPopup);
    ToolbarButton974->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbar97File->addWidget(ToolbarButton974);
    tbar97File->addAction(acFileSave);
    tbar97File->addSeparator();
    tbar97File->addAction(acFileExit);

    tbar97Instrument = makeBar(QStringLiteral("tbar97Instrument"), QStringLiteral("Instrument"));

    tbar97Window = makeBar(QStringLiteral("tbar97Window"), QStringLiteral("Window"));
    tbar97Window->addAction(acWindowCascade);
    tbar97Window->addAction(acWindowTileHorizontal);
    tbar97Window->addAction(acWindowTileVertical);
    tbar97Window->addSeparator();
    tbar97Window->addAction(acWindowClose);
    tbar97Window->addAction(acWindowCloseAll);

    tbar97Help = makeBar(QStringLiteral("tbar97Help"), QStringLiteral("Help"));
    tbar97Help->addAction(acHelpContents);
    tbar97Help->addAction(acHelpAbout);
}

void TfrmMain::BindInstrumentActions(const TInstrumentActions& a)
{
    // Pictures of the frame's image list for commands that bring none.
    const std::pair<QAction*, int> pictures[] = {{a.acConnect, 4},       {a.acDisconnect, 5},
                                                 {a.acConfiguration, 6}, {a.acClearData, 7},
                                                 {a.acSaveSamples, 8},   {a.acSaveAsExperiment, 9}};
    for (const auto& [action, index] : pictures)
        if (action && action->icon().isNull())
            action->setIcon(Picture(index));

    const auto addGroups = [](auto&& add, auto&& separate, const QList<QList<QAction*>>& groups) {
        bool any = false;
        for (const QList<QAction*>& group : groups) {
            bool inGroup = false;
            for (QAction* action : group) {
                if (!action)
                    continue;
                if (any && !inGroup)
                    separate();
                add(action);
                any = inGroup = true;
            }
        }
    };
    miInstrument->clear();
    addGroups([this](QAction* x) { miInstrument->addAction(x); }, [this] { miInstrument->addSeparator(); },
              {{a.acConnect, a.acDisconnect},
               {a.acConfiguration},
               {a.acViewDiscrete, a.acViewContinues},
               {a.acClearData, a.acProceedData},
               {a.acSaveSamples, a.acSaveAsExperiment},
               {a.acShowInstrumentWindow, a.acMinimize}});
    tbar97Instrument->clear();
    addGroups([this](QAction* x) { tbar97Instrument->addAction(x); }, [this] { tbar97Instrument->addSeparator(); },
              {{a.acConnect, a.acDisconnect, a.acConfiguration}, {a.acClearData}, {a.acSaveSamples, a.acSaveAsExperiment}});
    // The "Instrument" tool bar now has its buttons: room for them too.
    ApplyFirstSize();
}

// ---------------------------------------------------------------------------
// Child windows

QMdiSubWindow* TfrmMain::AddChild(QWidget* child)
{
    QMdiSubWindow* sub = MdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    static_cast<TDocumentArea*>(MdiArea)->Watch(sub);
    // The sub-window's system menu brings keys of its own, and which ones
    // depends on the platform (its Close takes Ctrl+W, Ctrl+F4 or both): it
    // would close a sample window on Ctrl+W, minimize the Instrument Data
    // window and make the experiment window's Ctrl+W ambiguous.  The keys of
    // the frame are its commands' and its children's only: the menu's items
    // keep their captions, not their keys.
    if (QMenu* system = sub->systemMenu())
        for (QAction* a : system->actions())
            a->setShortcuts({});
    // The child's own keys answer wherever it is active, also while the focus
    // rests on the sub-window itself (a minimized child).
    for (QAction* a : child->actions())
        if (a->shortcutContext() == Qt::WidgetWithChildrenShortcut)
            sub->addAction(a);
    child->show();
    sub->show();
    MdiArea->setActiveSubWindow(sub);
    return sub;
}

QWidget* TfrmMain::ActiveChild() const
{
    QMdiSubWindow* sub = MdiArea->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

TChildForm* TfrmMain::ActiveChildForm() const
{
    return qobject_cast<TChildForm*>(ActiveChild());
}

QList<QWidget*> TfrmMain::Children() const
{
    QList<QWidget*> out;
    for (QMdiSubWindow* sub : FrameOrder(*MdiArea))
        if (sub->widget())
            out << sub->widget();
    return out;
}

TChildForm* TfrmMain::CreateChildWindow(TChildKind kind, const QString& fileName)
{
    // Owned by the application until the frame takes it into its area.
    switch (kind) {
    case TChildKind::Sample:
        return new TfrmSample(nullptr, fileName);
    case TChildKind::Experiment:
        return new TfrmExperiment(nullptr, fileName);
    case TChildKind::Other:
        break;
    }
    return nullptr;
}

void TfrmMain::ShowNewChild(TChildForm* child)
{
    if (child)
        AddChild(child);
}

void TfrmMain::ChildActivated(QMdiSubWindow*)
{
    // The frame's current child, also while the frame itself is inactive.
    QMdiSubWindow* current = MdiArea->currentSubWindow();
    MergeMenus(current ? qobject_cast<TChildForm*>(current->widget()) : nullptr);
}

void TfrmMain::MergeMenus(TChildForm* child)
{
    QMenuBar* bar = menuBar();
    for (const QPointer<QMenu>& m : FMergedMenus)
        if (m)
            bar->removeAction(m->menuAction());
    FMergedMenus.clear();
    if (!child)
        return;
    for (QMenu* m : child->MergedMenus()) {
        if (!m)
            continue;
        bar->insertAction(miView->menuAction(), m->menuAction());
        gui::TActionList::HookMenu(m);
        FMergedMenus << m;
    }
}

void TfrmMain::RebuildWindowList()
{
    for (QAction* a : FWindowListItems)
        delete a;
    FWindowListItems.clear();
    const QList<QMdiSubWindow*> windows = MdiArea->subWindowList();
    if (windows.isEmpty())
        return;
    FWindowListItems << miWindow->addSeparator();
    for (int i = 0; i < windows.size(); ++i) {
        QPointer<QMdiSubWindow> sub = windows[i];
        QAction* item = miWindow->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
        item->setCheckable(true);
        item->setChecked(sub == MdiArea->currentSubWindow());
        connect(item, &QAction::triggered, this, [this, sub] {
            if (sub) {
                if (sub->isMinimized())
                    sub->showNormal();
                MdiArea->setActiveSubWindow(sub);
            }
        });
        FWindowListItems << item;
    }
}

void TfrmMain::ArrangeIcons()
{
    // Minimized windows in a row along the bottom edge, left to right.
    int x = 0;
    for (QMdiSubWindow* w : MdiArea->subWindowList()) {
        if (!w->isMinimized())
            continue;
        const QSize size = w->size();
        w->move(x, MdiArea->viewport()->height() - size.height());
        x += size.width();
    }
}

void TfrmMain::Tile(Qt::Orientation orientation)
{
    // Horizontal: one above the other; vertical: side by side.
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : MdiArea->subWindowList())
        if (!w->isMinimized() && w->isVisible())
            windows << w;
    if (windows.isEmpty())
        return;
    const QRect area = MdiArea->viewport()->rect();
    const int n = windows.size();
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized())
            w->showNormal();
        if (orientation == Qt::Horizontal) {
            const int top = area.height() * i / n;
            w->setGeometry(0, top, area.width(), area.height() * (i + 1) / n - top);
        } else {
            const int left = area.width() * i / n;
            w->setGeometry(left, 0, area.width() * (i + 1) / n - left, area.height());
        }
    }
}

// ---------------------------------------------------------------------------
// Opening

bool TfrmMain::ActivateOpenWindow(const QString& fileName)
{
    const QString wanted = asciiUpper(fileName);
    for (QWidget* w : Children()) {
        const QString caption = w->windowTitle();
        const int open = caption.indexOf(QLatin1Char('['));
        const int close = caption.indexOf(QLatin1Char(']'));
        if (open < 0 || close < 0)
            continue;
        // A "]" before the "[" encloses nothing.
        const QString inside = close > open ? caption.mid(open + 1, close - open - 1) : QString();
        if (asciiUpper(inside) == wanted) {
            QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
            if (sub) {
                sub->show();
                MdiArea->setActiveSubWindow(sub);
                sub->raise();
            }
            return true;
        }
    }
    return false;
}

void TfrmMain::OpenFile(const QString& fileName)
{
    if (ActivateOpenWindow(fileName))
        return;
    const TChildKind kind = asciiUpper(extensionOf(fileName)) == QLatin1String(".AXP") ? TChildKind::Experiment
                                                                                       : TChildKind::Sample;
    ShowNewChild(CreateChildWindow(kind, fileName));
}

void TfrmMain::RunOpenDialog(const QString* filter)
{
    const QString kept = dlgOpen.filter;
    if (filter)
        dlgOpen.filter = *filter;
    bool confirmed = false;
    try {
        confirmed = gui::ExecuteOpenDialog(dlgOpen, this);
    } catch (...) {
        dlgOpen.filter = kept;
        throw;
    }
    dlgOpen.filter = kept;
    if (!confirmed)
        return;
    const QStringList names = dlgOpen.fileNames;
    for (const QString& name : names)
        OpenFile(name);
}

void TfrmMain::acFileOpenExecute()
{
    RunOpenDialog(nullptr);
}

void TfrmMain::acFileOpenSampleExecute()
{
    RunOpenDialog(&SampleFilesFilter);
}

void TfrmMain::acFileOpenExperimentExecute()
{
    RunOpenDialog(&ExperimentFilesFilter);
}

void TfrmMain::acFileNewExperimentExecute()
{
    ShowNewChild(CreateChildWindow(TChildKind::Experiment, UntitledName));
}

void TfrmMain::MRUManagerClick(const QString& name, const QString&, int)
{
    OpenFile(name);
}

void TfrmMain::ToolbarButton974Dropdown()
{
    MRUManager->FillPopup(pmenuRecent);
}

// ---------------------------------------------------------------------------
// Saving and closing

void TfrmMain::acFileSaveExecute()
{
    TChildForm* child = ActiveChildForm();
    if (!child || child->Kind() == TChildKind::Other)
        return;
    if (child->FFileName == UntitledName) {
        SaveWindowAs(child);
        return;
    }
    child->SaveWindow(child->FFileName);
    child->FModified = false;
}

void TfrmMain::acFileSaveUpdate()
{
    const TChildForm* child = ActiveChildForm();
    acFileSave->setEnabled(child && child->Kind() != TChildKind::Other && child->FModified);
}

void TfrmMain::SaveWindowAs(QWidget* window)
{
    TChildForm* child = qobject_cast<TChildForm*>(window);
    if (!child || child->Kind() == TChildKind::Other)
        return;
    dlgSave.filter = child->SaveFilter();
    if (gui::ExecuteSaveDialog(dlgSave, this))
        child->SaveWindow(dlgSave.fileName);
}

void TfrmMain::acFileSaveAsExecute()
{
    SaveWindowAs(ActiveChild());
}

void TfrmMain::acFileSaveAsUpdate()
{
    const TChildForm* child = ActiveChildForm();
    const bool enabled = child && child->Kind() != TChildKind::Other;
    acFileSaveAs->setEnabled(enabled);
    acFileClose->setEnabled(enabled);
}

void TfrmMain::acFileCloseExecute()
{
    if (QMdiSubWindow* sub = MdiArea->currentSubWindow())
        sub->close();
}

void TfrmMain::acFileExitExecute()
{
    close();
}

bool TfrmMain::QueryCloseChildren()
{
    for (QWidget* w : Children())
        if (TChildForm* child = qobject_cast<TChildForm*>(w))
            if (!child->FormCloseQuery())
                return false;
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    bool mayClose = false;
    gui::RunGuarded([&] { mayClose = QueryCloseChildren(); }, this);
    if (!mayClose) {
        event->ignore();
        return;
    }
    // Placement and recent list in one atomic change of the settings file.
    gui::RunGuarded(
        [&] {
            gui::StoreWindowSettings(*FormStorage, gui::TFormStorage::Capture(*this), *MRUManager,
                                     QStringLiteral("TfrmMain.MRUManager"));
        },
        this);
    event->accept();
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FRestored)
        return;
    FRestored = true;
    gui::RunGuarded(
        [&] {
            FormStorage->RestorePlacement();
            MRUManager->LoadFromRegistry(FormStorage->SubKeyPath(QStringLiteral("TfrmMain.MRUManager")));
        },
        this);
}

}  // namespace VelorSpec
