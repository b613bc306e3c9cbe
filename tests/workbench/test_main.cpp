#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

#include "Dialogs.h"
#include "ExcelApplication.h"
#include "ExperimentTestUtil.h"
#include "FrameKeysTestUtil.h"
#include "Instrument.h"
#include "Main.h"
#include "PtyPair.h"
#include "Registry.h"
#include "ScriptedDialogs.h"
#include "SettingsDlg.h"
#include "XlsThread.h"

using namespace VelorSpec;
using gui::DialogReply;
using gui::DialogRequest;
using gui::RequestKind;

namespace {

// A document window standing in for the sample and experiment windows: it
// records saves and answers its close query from a script.
class FakeChild : public TChildForm {
public:
    FakeChild(TChildKind kind, const QString& fileName, QStringList* log) : FKind(kind), FLog(log)
    {
        FFileName = fileName;
        setWindowTitle(QStringLiteral("%1 - [%2]").arg(kind == TChildKind::Experiment ? "Experiment" : "Sample", fileName));
        FMenu = new QMenu(kind == TChildKind::Experiment ? QStringLiteral("&Experiment") : QStringLiteral("&Sample"), this);
    }
    TChildKind Kind() const override { return FKind; }
    QList<QMenu*> MergedMenus() const override { return {FMenu}; }
    void SaveWindow(const QString& fileName) override
    {
        if (FailSave)
            throw std::runtime_error("Cannot create file");
        *FLog << QStringLiteral("save %1 as %2").arg(FFileName, fileName);
        FFileName = fileName;
        FModified = false;
    }
    bool FormCloseQuery() override
    {
        *FLog << QStringLiteral("query %1").arg(FFileName);
        return !RefuseClose;
    }

    bool RefuseClose = false;
    bool FailSave = false;

private:
    TChildKind FKind;
    QStringList* FLog;
    QMenu* FMenu;
};

// The frame with fake children for both kinds.
class TestFrame : public TfrmMain {
public:
    QStringList log;
    QList<QPointer<FakeChild>> created;

protected:
    TChildForm* CreateChildWindow(TChildKind kind, const QString& fileName) override
    {
        log << QStringLiteral("create %1 %2").arg(kind == TChildKind::Experiment ? "experiment" : "sample", fileName);
        auto* child = new FakeChild(kind, fileName, &log);
        created << child;
        return child;
    }
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::registry::SetBaseFolder(dir.path());
        frame = new TestFrame;
        gui::SetResponder([this](const DialogRequest& r) {
            requests << r;
            if (answers.isEmpty())
                return DialogReply{gui::mrCancel, {}, 0, {}};
            return answers.takeFirst();
        });
    }
    void TearDown() override
    {
        gui::SetResponder({});
        delete frame;
        platform::registry::SetBaseFolder(QString());
    }
    FakeChild* child(int i) const { return frame->created.value(i); }
    static DialogReply files(const QStringList& names) { return DialogReply{gui::mrOk, names.value(0), 0, names}; }
    static DialogReply answer(int result) { return DialogReply{result, {}, 0, {}}; }
    QStringList menuBarTitles() const
    {
        QStringList out;
        for (QAction* a : frame->menuBar()->actions())
            if (a->isVisible())
                out << a->text();
        return out;
    }

    QTemporaryDir dir;
    TestFrame* frame = nullptr;
    QList<DialogRequest> requests;
    QList<DialogReply> answers;
};

TEST_F(FrameTest, WindowMenusAndToolBars)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Velor Spec"));
    // 640 x 480, grown where the toolbars or a 620 x 460 child need more room.
    EXPECT_GE(frame->width(), 640);
    EXPECT_GE(frame->height(), 480);
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Instrument", "&View", "&Window", "&Help"}));
    EXPECT_EQ(frmMain, frame);

    QStringList file;
    for (QAction* a : frame->miFile->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(file, (QStringList{"&New Experiment", "-", "&Open...", "Open &Sample...", "Open &Experiment...", "Reope&n",
                                 "-", "&Save", "S&ave As...", "-", "&Close", "-", "Exit"}));
    EXPECT_EQ(frame->acFileOpen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(frame->acFileOpen->statusTip(), QStringLiteral("Opens data file.."));
    EXPECT_EQ(frame->acWindowCloseAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    EXPECT_EQ(frame->acWindowTileVertical->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F7));
    EXPECT_EQ(gui::TActionList::ImageIndex(frame->acWindowCloseAll), 18);
    EXPECT_TRUE(frame->acFileOpenSample->icon().isNull());
    EXPECT_FALSE(frame->acFileOpen->icon().isNull());

    // The File bar: New, Open (split button dropping the recent list), Save, separator, Exit.
    QList<QAction*> bar = frame->tbar97File->actions();
    ASSERT_EQ(bar.size(), 5);
    EXPECT_EQ(bar[0], frame->acFileNewExperiment);
    EXPECT_EQ(frame->ToolbarButton974->defaultAction(), frame->acFileOpen);
    EXPECT_EQ(frame->ToolbarButton974->menu(), frame->pmenuRecent);
    EXPECT_EQ(bar[2], frame->acFileSave);
    EXPECT_TRUE(bar[3]->isSeparator());
    EXPECT_EQ(bar[4], frame->acFileExit);
    EXPECT_EQ(frame->tbar97Window->actions().size(), 6);
}

TEST_F(FrameTest, OpenChoosesTheWindowKindByExtension)
{
    frame->OpenFile(QStringLiteral("/d/exp.axp"));
    frame->OpenFile(QStringLiteral("/d/one.AAT"));
    frame->OpenFile(QStringLiteral("/d/two.ASB"));
    frame->OpenFile(QStringLiteral("/d/three.txt"));
    frame->OpenFile(QStringLiteral("/d.dir/none"));
    EXPECT_EQ(frame->log, (QStringList{"create experiment /d/exp.axp", "create sample /d/one.AAT", "create sample /d/two.ASB",
                                       "create sample /d/three.txt", "create sample /d.dir/none"}));
    EXPECT_EQ(frame->MdiArea->subWindowList().size(), 5);
    EXPECT_EQ(frame->ActiveChildForm(), child(4));
}

TEST_F(FrameTest, AnOpenFileIsBroughtForwardByItsCaption)
{
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    frame->OpenFile(QStringLiteral("/d/b.ast"));
    frame->log.clear();
    frame->OpenFile(QStringLiteral("/D/A.AST"));   // other letter case: the same window
    EXPECT_TRUE(frame->log.isEmpty());
    EXPECT_EQ(frame->ActiveChildForm(), child(0));
    EXPECT_TRUE(frame->ActivateOpenWindow(QStringLiteral("/d/b.ast")));
    EXPECT_EQ(frame->ActiveChildForm(), child(1));
    EXPECT_FALSE(frame->ActivateOpenWindow(QStringLiteral("/d/c.ast")));

    // Only a-z change case: a non-ASCII letter must match exactly.
    frame->OpenFile(QStringLiteral("/d/\u00e9.ast"));
    EXPECT_FALSE(frame->ActivateOpenWindow(QStringLiteral("/D/\u00c9.AST")));

    // A title with a bracket hides the file name: a second window opens.
    child(0)->setWindowTitle(QStringLiteral("run [3] - [/d/a.ast]"));
    frame->log.clear();
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    EXPECT_EQ(frame->log, QStringList{"create sample /d/a.ast"});
    // A "]" before the "[" encloses nothing.
    child(1)->setWindowTitle(QStringLiteral("x] - [/d/b.ast"));
    EXPECT_FALSE(frame->ActivateOpenWindow(QStringLiteral("/d/b.ast")));
}

TEST_F(FrameTest, OneOpenDialogOpensEveryChosenFileInOrder)
{
    frame->OpenFile(QStringLiteral("/d/b.ast"));
    frame->log.clear();
    answers << files({"/d/a.ast", "/d/b.ast", "/d/c.axp"});
    frame->acList->Execute(frame->acFileOpen);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].kind, RequestKind::OpenFile);
    EXPECT_TRUE(requests[0].multiSelect);
    EXPECT_EQ(requests[0].filter, AllFilesFilter);
    EXPECT_EQ(frame->log, (QStringList{"create sample /d/a.ast", "create experiment /d/c.axp"}));
    EXPECT_EQ(frame->MdiArea->subWindowList().size(), 3);

    // Cancelled: nothing opens.
    frame->log.clear();
    frame->acList->Execute(frame->acFileOpen);
    EXPECT_TRUE(frame->log.isEmpty());
}

TEST_F(FrameTest, OpenSampleAndOpenExperimentSwapTheFilterAndPutItBack)
{
    answers << answer(gui::mrCancel) << files({"/d/x.axp"});
    frame->acList->Execute(frame->acFileOpenSample);
    frame->acList->Execute(frame->acFileOpenExperiment);
    frame->acList->Execute(frame->acFileOpen);
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[0].filter,
              QStringLiteral("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|Any File(*.*)|*.*"));
    EXPECT_EQ(requests[1].filter, QStringLiteral("AAS Experiment(*.AXP)|*.AXP"));
    EXPECT_EQ(requests[2].filter,
              QStringLiteral("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|"
                             "AAS Experiment(*.AXP)|*.AXP|Any File(*.*)|*.*"));
    EXPECT_EQ(frame->dlgOpen.filter, AllFilesFilter);
    // A file picked under a filter opens by its own extension.
    EXPECT_EQ(frame->log, QStringList{"create experiment /d/x.axp"});
}

TEST_F(FrameTest, SaveIsEnabledOnlyForAModifiedDocumentWindow)
{
    frame->acList->UpdateActions();
    EXPECT_FALSE(frame->acFileSave->isEnabled());
    EXPECT_FALSE(frame->acFileSaveAs->isEnabled());
    EXPECT_FALSE(frame->acFileClose->isEnabled());

    frame->OpenFile(QStringLiteral("/d/a.ast"));
    frame->acList->UpdateActions();
    EXPECT_FALSE(frame->acFileSave->isEnabled());
    EXPECT_TRUE(frame->acFileSaveAs->isEnabled());
    EXPECT_TRUE(frame->acFileClose->isEnabled());
    child(0)->FModified = true;
    frame->acList->UpdateActions();
    EXPECT_TRUE(frame->acFileSave->isEnabled());

    // Another kind of child window (the Instrument Data window) disables all three.
    auto* other = new QWidget;
    other->setWindowTitle(QStringLiteral("Instrument Data"));
    frame->AddChild(other);
    frame->acList->UpdateActions();
    EXPECT_FALSE(frame->acFileSave->isEnabled());
    EXPECT_FALSE(frame->acFileSaveAs->isEnabled());
    EXPECT_FALSE(frame->acFileClose->isEnabled());
    frame->acFileSaveExecute();   // does nothing
    frame->acFileSaveAsExecute();
    EXPECT_TRUE(requests.isEmpty());
}

TEST_F(FrameTest, SaveWritesUnderTheFileNameOrAsksForOneWhenUntitled)
{
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    child(0)->FModified = true;
    frame->acList->Execute(frame->acFileSave);
    EXPECT_EQ(frame->log.last(), QStringLiteral("save /d/a.ast as /d/a.ast"));
    EXPECT_FALSE(child(0)->FModified);
    EXPECT_TRUE(requests.isEmpty());

    // A new experiment is "Untitled": Save runs Save As with the experiment filter.
    frame->acList->Execute(frame->acFileNewExperiment);
    EXPECT_EQ(frame->log.last(), QStringLiteral("create experiment Untitled"));
    child(1)->FModified = true;
    frame->acList->Execute(frame->acFileSave);   // cancelled
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].kind, RequestKind::SaveFile);
    EXPECT_EQ(requests[0].filter, ExperimentFilesFilter);
    EXPECT_EQ(child(1)->FFileName, UntitledName);
    EXPECT_TRUE(child(1)->FModified);

    answers << files({"/d/new.AXP"});
    frame->acList->Execute(frame->acFileSave);
    EXPECT_EQ(frame->log.last(), QStringLiteral("save Untitled as /d/new.AXP"));
    EXPECT_FALSE(child(1)->FModified);

    // "Untitled" is compared exactly.
    child(1)->FFileName = QStringLiteral("untitled");
    child(1)->FModified = true;
    frame->acList->Execute(frame->acFileSave);
    EXPECT_EQ(frame->log.last(), QStringLiteral("save untitled as untitled"));
}

TEST_F(FrameTest, SaveAsKeepsTheSampleFilterUntilTheNextSaveAs)
{
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    answers << files({"/d/b.ast"});
    frame->acList->Execute(frame->acFileSaveAs);
    EXPECT_EQ(frame->log.last(), QStringLiteral("save /d/a.ast as /d/b.ast"));
    EXPECT_EQ(frame->dlgSave.filter, SampleFilesFilter);
    EXPECT_EQ(requests.last().filter, SampleFilesFilter);
    EXPECT_TRUE(requests.last().value.isEmpty() || requests.last().value == QStringLiteral("/d/b.ast"));
}

TEST_F(FrameTest, AnErrorWhileSavingReachesTheErrorBox)
{
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    child(0)->FModified = true;
    child(0)->FailSave = true;
    frame->acList->Execute(frame->acFileSave);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(requests[0].text, QStringLiteral("Cannot create file"));
    EXPECT_TRUE(child(0)->FModified);
}

TEST_F(FrameTest, CloseAllAsksEveryWindowOnceAndARefusalKeepsOnlyThatOne)
{
    frame->acList->UpdateActions();
    EXPECT_FALSE(frame->acWindowCloseAll->isEnabled());
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    frame->OpenFile(QStringLiteral("/d/b.ast"));
    frame->OpenFile(QStringLiteral("/d/c.ast"));
    frame->acList->UpdateActions();
    EXPECT_TRUE(frame->acWindowCloseAll->isEnabled());
    child(2)->RefuseClose = true;   // the active one, asked first
    frame->log.clear();
    frame->acList->Execute(frame->acWindowCloseAll);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->log, (QStringList{"query /d/c.ast", "query /d/b.ast", "query /d/a.ast"}));
    EXPECT_TRUE(child(2));
    EXPECT_FALSE(child(1));
    EXPECT_FALSE(child(0));
    EXPECT_EQ(frame->MdiArea->subWindowList().size(), 1);
}

TEST_F(FrameTest, ShutdownStopsAtTheFirstRefusalAndStoresSettingsWhenAllAgree)
{
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    frame->OpenFile(QStringLiteral("/d/b.ast"));
    frame->OpenFile(QStringLiteral("/d/c.ast"));
    frame->MRUManager->Add(QStringLiteral("/d/a.ast"));
    frame->MRUManager->Add(QStringLiteral("/d/b.ast"));
    child(1)->RefuseClose = true;
    frame->log.clear();
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(frame->log, (QStringList{"query /d/c.ast", "query /d/b.ast"}));
    platform::registry::TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("Software\\VelorSpec\\MainForm")));

    child(1)->RefuseClose = false;
    frame->log.clear();
    frame->acList->Execute(frame->acFileExit);
    EXPECT_EQ(frame->log, (QStringList{"query /d/c.ast", "query /d/b.ast", "query /d/a.ast"}));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\VelorSpec\\MainForm"), false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("FormVersion")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("ShowCmd")), 1);
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("NormPos")));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("TfrmMain.MRUManager"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Item_0")), QStringLiteral("/d/b.ast"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Item_1")), QStringLiteral("/d/a.ast"));

    // The next start restores the list when the frame is first shown.
    TestFrame next;
    EXPECT_EQ(next.MRUManager->Count(), 0);
    next.show();
    EXPECT_EQ(next.MRUManager->Strings(), (QStringList{"/d/b.ast", "/d/a.ast"}));
    EXPECT_TRUE(next.miFileReopen->menuAction()->isEnabled());
}

TEST_F(FrameTest, RecentFilesOpenFromTheSubmenuAndTheRebuiltDropDown)
{
    EXPECT_FALSE(frame->miFileReopen->menuAction()->isEnabled());
    frame->ToolbarButton974Dropdown();
    EXPECT_TRUE(frame->pmenuRecent->actions().isEmpty());

    frame->MRUManager->Add(QStringLiteral("/d/a.ast"));
    frame->MRUManager->Add(QStringLiteral("/d/b.axp"));
    emit frame->pmenuRecent->aboutToShow();
    QList<QAction*> items = frame->pmenuRecent->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&1 /d/b.axp"));
    EXPECT_EQ(items[1]->statusTip(), QStringLiteral("/d/a.ast"));
    items[0]->trigger();
    EXPECT_EQ(frame->log, QStringList{"create experiment /d/b.axp"});

    // Rebuilt each time: the old items go.
    frame->MRUManager->Remove(QStringLiteral("/d/b.axp"));
    emit frame->pmenuRecent->aboutToShow();
    ASSERT_EQ(frame->pmenuRecent->actions().size(), 1);
    EXPECT_EQ(frame->pmenuRecent->actions()[0]->text(), QStringLiteral("&1 /d/a.ast"));

    frame->miFileReopen->actions()[0]->trigger();
    EXPECT_EQ(frame->log.last(), QStringLiteral("create sample /d/a.ast"));
    EXPECT_EQ(frame->MRUManager->Count(), 1);
}

TEST_F(FrameTest, ActiveChildMenusSitBetweenInstrumentAndView)
{
    frame->OpenFile(QStringLiteral("/d/e.axp"));
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Instrument", "&Experiment", "&View", "&Window", "&Help"}));
    frame->OpenFile(QStringLiteral("/d/s.ast"));
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Instrument", "&Sample", "&View", "&Window", "&Help"}));
    child(1)->SubWindow()->close();
    QApplication::processEvents();
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Instrument", "&Experiment", "&View", "&Window", "&Help"}));
    child(0)->SubWindow()->close();
    QApplication::processEvents();
    EXPECT_EQ(menuBarTitles(), (QStringList{"&File", "&Instrument", "&View", "&Window", "&Help"}));
}

TEST_F(FrameTest, InstrumentCommandsAreBoundInOrderWithSeparators)
{
    gui::TActionList list(frame);
    TInstrumentActions a;
    QAction** places[] = {&a.acConnect,    &a.acDisconnect,  &a.acConfiguration,      &a.acViewDiscrete,
                         &a.acViewContinues, &a.acClearData, &a.acProceedData,        &a.acSaveSamples,
                         &a.acSaveAsExperiment, &a.acShowInstrumentWindow, &a.acMinimize};
    int n = 0;
    for (QAction** slot : places)
        *slot = list.Add(QStringLiteral("a%1").arg(n), QStringLiteral("%1").arg(n), QString()), ++n;
    frame->BindInstrumentActions(a);
    QStringList menu;
    for (QAction* x : frame->miInstrument->actions())
        menu << (x->isSeparator() ? QStringLiteral("-") : x->text());
    EXPECT_EQ(menu.join(' '), QStringLiteral("0 1 - 2 - 3 4 - 5 6 - 7 8 - 9 10"));
    QStringList bar;
    for (QAction* x : frame->tbar97Instrument->actions())
        bar << (x->isSeparator() ? QStringLiteral("-") : x->text());
    EXPECT_EQ(bar.join(' '), QStringLiteral("0 1 2 - 5 - 7 8"));
    EXPECT_FALSE(a.acConnect->icon().isNull());
}

TEST_F(FrameTest, AWindowThatCannotLoadClosesItselfAfterBeingShown)
{
    frame->OpenFile(QStringLiteral("/d/bad.ast"));
    child(0)->Release();
    EXPECT_EQ(frame->MdiArea->subWindowList().size(), 1);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_FALSE(child(0));
    EXPECT_TRUE(frame->MdiArea->subWindowList().isEmpty());
}

}  // namespace

namespace {

TEST_F(FrameTest, ShortcutsReachTheFrameCommands)
{
    frame->show();
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
    frame->OpenFile(QStringLiteral("/d/a.ast"));
    frame->OpenFile(QStringLiteral("/d/b.ast"));
    gui::TActionList::UpdateAll();
    QTest::keyClick(frame, Qt::Key_F4, Qt::ControlModifier);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(child(1));
    EXPECT_TRUE(child(0));
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(requests.size(), 1);
}

TEST_F(FrameTest, AWrittenWorkbookIsNamedInTheStatusBar)
{
    emit TxlsNotifier::Instance()->workbookWritten(QStringLiteral("/home/lab/Documents/VelorSpec/Book-1.xlsx"));
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              QStringLiteral("Workbook written to /home/lab/Documents/VelorSpec/Book-1.xlsx"));
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys in the real frame (FrameKeysTestUtil.h).

namespace {

using namespace frame_keys_test;

TEST_F(KeysInTheFrame, NoKeyIsBoundButTheCommandsKeys)
{
    // Whatever keys the platform gives the frame's parts, none is left but
    // those of the commands' lists: the sub-windows' system menus keep none.
    for (QMdiSubWindow* sub : frame->MdiArea->subWindowList())
        for (QAction* a : sub->systemMenu()->actions())
            EXPECT_TRUE(a->shortcuts().isEmpty()) << a->text().toStdString();
    QList<QWidget*> widgets = frame->findChildren<QWidget*>();
    widgets << frame;
    for (QWidget* w : widgets)
        for (QAction* a : w->actions())
            if (!a->shortcuts().isEmpty()) {
                EXPECT_NE(qobject_cast<gui::TActionList*>(a->parent()), nullptr)
                    << w->metaObject()->className() << ": " << a->text().toStdString();
            }
    EXPECT_TRUE(frame->findChildren<QShortcut*>().isEmpty());

    // Ctrl+W belongs to the experiment window alone: elsewhere it does nothing.
    ClickNode(sample->tviewSample, sample->tviewSample->topLevelItem(0));
    QTest::keyClick(sample->tviewSample, Qt::Key_W, Qt::ControlModifier);
    Pump();
    EXPECT_EQ(frame->ActiveChild(), sample);
    QTest::mouseClick(instrument->ChartView->viewport(), Qt::LeftButton);
    ASSERT_EQ(frame->ActiveChild(), instrument);
    QTest::keyClick(instrument->ChartView, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(instrument->IsMinimized());
    EXPECT_EQ(frame->ActiveChild(), instrument);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(frame->Children().size(), 5);
}

class EveryKey : public KeysInTheFrame, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(EveryKey, ReachesItsCommandOnce)
{
    const KeyCase& c = GetParam();
    QWidget* target = nullptr;
    ASSERT_NO_FATAL_FAILURE(PrepareKey(c, target));
    RecordFiredCommands();
    QTest::keyClick(target, c.key, c.modifiers);
    Pump();
    ExpectFiredOnce(c);
}

INSTANTIATE_TEST_SUITE_P(Keys, EveryKey, ::testing::ValuesIn(KeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

}  // namespace

// ---------------------------------------------------------------------------
// The frame's own keys: Ctrl+Tab and Ctrl+F6 activate the next child window
// (the one below the active one, which goes to the bottom), Ctrl+Shift+Tab
// and Ctrl+Shift+F6 the previous one (the bottom one), wherever the focus is
// in the child; no page control turns its page.

namespace {

enum class Place { PageControl, Tree, Chart };

struct FocusCase {
    const char* name;
    Win window;
    Place place;
};

void PrintTo(const FocusCase& c, std::ostream* os)
{
    *os << c.name;
}

class ChildSwitchKeys : public KeysInTheFrame, public ::testing::WithParamInterface<FocusCase> {
protected:
    QWidget* Window(Win w) const
    {
        return w == Win::Experiment ? static_cast<QWidget*>(experiment)
               : w == Win::Sample   ? static_cast<QWidget*>(sample)
                                    : static_cast<QWidget*>(instrument);
    }
    // The user clicks into the place (a page control is reached with Tab
    // from the control beside it); its window comes to the top.
    void FocusOn(const FocusCase& c)
    {
        QTabWidget* pages = nullptr;
        QAbstractScrollArea* chart = nullptr;
        if (c.window == Win::Experiment) {
            pages = experiment->pctrlExperiment;
            chart = experiment->MainChartView;
            ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
        } else if (c.window == Win::Sample) {
            pages = sample->pctrlSample;
            chart = sample->MainChartView;
            ClickNode(sample->tviewSample, sample->tviewSample->topLevelItem(0));
        } else {
            pages = instrument->pctrlData;
            chart = instrument->ChartView;
            if (c.place == Place::Tree)
                ClickNode(instrument->tviewReplicates, instrument->tviewReplicates->topLevelItem(0));
        }
        if (c.place == Place::Chart || (c.window == Win::Instrument && c.place == Place::PageControl)) {
            QTest::mouseClick(chart->viewport(), Qt::LeftButton);
            ASSERT_TRUE(chart->hasFocus());
        }
        if (c.place == Place::PageControl) {
            for (int i = 0; i < 20 && QApplication::focusWidget() != pages->tabBar(); ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), pages->tabBar());
        }
        Pump();
        ASSERT_EQ(frame->ActiveChild(), Window(c.window));
    }
    QList<int> Pages() const
    {
        QList<int> out;
        for (const QTabWidget* p : {instrument->pctrlData, sample->pctrlSample, otherSample->pctrlSample,
                                    experiment->pctrlExperiment, otherExperiment->pctrlExperiment})
            out << p->currentIndex();
        return out;
    }
    // A key pressed where the focus is: no page turns anywhere, and the
    // focus then rests in the child that the key made active.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
        Pump();
        EXPECT_EQ(Pages(), pages);
        QWidget* active = frame->ActiveChild();
        ASSERT_NE(active, nullptr);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_TRUE(active->parentWidget()->isAncestorOf(QApplication::focusWidget()));
    }

    QList<int> pages;   // every window's page before the keys
};

const Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

TEST_P(ChildSwitchKeys, NextAndPreviousChildBecomeActiveAndNoPageTurns)
{
    const FocusCase& c = GetParam();
    // Received lines: a page turn of the Instrument Data window would show.
    if (c.window == Win::Instrument && c.place == Place::Tree)
        ProceedWithOneSample();
    else
        LoadInstrumentLines();
    pages = Pages();
    // Ctrl+Shift+Tab comes from the keyboard as Backtab.
    const struct {
        const char* name;
        Qt::Key next, previous;
    } keys[] = {{"Tab", Qt::Key_Tab, Qt::Key_Backtab}, {"F6", Qt::Key_F6, Qt::Key_F6}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        FocusOn(c);
        const QList<QWidget*> order = frame->Children();   // the active one first
        ASSERT_EQ(order.size(), 5);
        Press(k.next, Ctrl);
        EXPECT_EQ(frame->ActiveChild(), order[1]);
        Press(k.previous, CtrlShift);
        EXPECT_EQ(frame->ActiveChild(), order[0]);
        Press(k.previous, CtrlShift);
        EXPECT_EQ(frame->ActiveChild(), order[4]);
        Press(k.next, Ctrl);
        EXPECT_EQ(frame->ActiveChild(), order[0]);
    }
    EXPECT_EQ(FirstAsked(), QString());
}

const FocusCase FocusCases[] = {
    {"ExperimentPageControl", Win::Experiment, Place::PageControl},
    {"ExperimentTree", Win::Experiment, Place::Tree},
    {"ExperimentChart", Win::Experiment, Place::Chart},
    {"SamplePageControl", Win::Sample, Place::PageControl},
    {"SampleTree", Win::Sample, Place::Tree},
    {"SampleChart", Win::Sample, Place::Chart},
    {"InstrumentPageControl", Win::Instrument, Place::PageControl},
    {"InstrumentTree", Win::Instrument, Place::Tree},
    {"InstrumentChart", Win::Instrument, Place::Chart},
};

INSTANTIATE_TEST_SUITE_P(Focus, ChildSwitchKeys, ::testing::ValuesIn(FocusCases),
                         [](const ::testing::TestParamInfo<FocusCase>& info) { return std::string(info.param.name); });

TEST_F(KeysInTheFrame, RepeatedCtrlF6VisitsEveryChildInTurnAndCtrlShiftF6GoesBack)
{
    ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
    const QList<QWidget*> order = frame->Children();
    ASSERT_EQ(order.size(), 5);
    for (int i = 1; i <= 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ControlModifier);
        Pump();
        EXPECT_EQ(frame->ActiveChild(), order[i % 5]) << "press " << i;
    }
    for (int i = 4; i >= 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
        Pump();
        EXPECT_EQ(frame->ActiveChild(), order[i]) << "back to " << i;
    }
}

// In a dialog opened over the child windows (the communication settings,
// F5, owned by the Instrument Data window) the keys belong to the dialog:
// Ctrl+Tab and Ctrl+Shift+Tab in its page control turn its page, and no
// child window behind it is activated.
TEST_F(KeysInTheFrame, CtrlTabInADialogTurnsItsPageAndLeavesTheChildWindowsAsTheyAre)
{
    const struct {
        const char* name;
        Win active;   // the window the dialog is opened from
    } places[] = {
        {"experiment window active", Win::Experiment},
        {"Instrument Data window active", Win::Instrument},
    };
    // The keys from the first page: each its page, the last back where it
    // started.  Ctrl+Shift+Tab comes from the keyboard as Backtab.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } keys[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                {Qt::Key_Tab, Qt::ControlModifier, 2},
                {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 1},
                {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 0}};
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        ActivateFrame();   // the dialog before gave it back
        if (place.active == Win::Experiment)
            ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
        else
            QTest::mouseClick(instrument->ChartView->viewport(), Qt::LeftButton);
        Pump();
        const QList<QWidget*> order = frame->Children();   // the active one first
        ASSERT_EQ(order.size(), 5);
        QList<int> pagesSeen;
        dialogs.Drive([&](QDialog& form) {
            auto& f = static_cast<TSettingsForm&>(form);
            f.show();
            f.activateWindow();
            // (The frame it stands over counts as active too: wait for the dialog.)
            ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &f; }));
            // The page control is reached with Tab.
            QWidget* tabs = f.SettingsPageControl->tabBar();
            for (int i = 0; i < 20 && QApplication::focusWidget() != tabs; ++i)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), tabs);
            ASSERT_EQ(f.SettingsPageControl->currentIndex(), 0);
            for (const auto& k : keys) {
                QTest::keyClick(QApplication::focusWidget(), k.key, k.modifiers);
                Pump();
                pagesSeen << f.SettingsPageControl->currentIndex();
                EXPECT_EQ(frame->Children(), order);
            }
            f.CancelButton->click();
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        Pump();
        EXPECT_EQ(dialogs.formClasses.value(0), QStringLiteral("TSettingsForm"));
        dialogs.formClasses.clear();
        EXPECT_EQ(pagesSeen, QList<int>({1, 2, 1, 0}));
        EXPECT_EQ(frame->Children(), order);
        EXPECT_EQ(frame->ActiveChild(), order[0]);
    }
}

// Closing the active child, in every way, activates the child that was active
// before it, with its menus in the frame.
struct CloseCase {
    const char* name;
    const char* how;
};

void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ClosingTheActiveChild : public KeysInTheFrame, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(ClosingTheActiveChild, ActivatesTheChildActiveBeforeIt)
{
    const QString how = QString::fromLatin1(GetParam().how);
    // The user works in the first experiment window: neither the first nor
    // the last child.
    ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
    if (how.startsWith(QLatin1String("unreadable"))) {
        // Opened from the experiment window; the new window cannot read its
        // file, says so and closes itself (the open dialog and that box).
        const QString bad = dir.filePath(how == QLatin1String("unreadable sample") ? "bad.AST" : "bad.AXP");
        sample_window_test::WriteAll(bad, "not a signal file\r\n");
        dialogs.ChooseFile(bad);
        QTest::keyClick(experiment->tviewExperiment, Qt::Key_O, Qt::ControlModifier);
        Pump();
        Pump();
        ASSERT_EQ(dialogs.asked.size(), 2u);
    } else {
        ClickNode(otherSample->tviewSample, otherSample->tviewSample->topLevelItem(0));
        ASSERT_EQ(frame->ActiveChild(), otherSample);
        if (how == QLatin1String("Ctrl+F4"))
            QTest::keyClick(otherSample->tviewSample, Qt::Key_F4, Qt::ControlModifier);
        else if (how == QLatin1String("File Close"))
            frame->acFileClose->trigger();
        else
            otherSample->SubWindow()->close();
        Pump();
        EXPECT_FALSE(otherSample);
    }
    EXPECT_EQ(frame->Children().size(), how.startsWith(QLatin1String("unreadable")) ? 5 : 4);
    EXPECT_EQ(frame->ActiveChild(), experiment);
    QList<QAction*> shown;
    for (QAction* a : frame->menuBar()->actions())
        if (a->isVisible())
            shown << a;
    ASSERT_EQ(shown.size(), 7);
    EXPECT_EQ(shown[2], experiment->miSample->menuAction());
    EXPECT_EQ(shown[3], experiment->miExperiment->menuAction());
}

const CloseCase CloseCases[] = {
    {"CtrlF4", "Ctrl+F4"},
    {"FileClose", "File Close"},
    {"CloseBox", "close box"},
    {"UnreadableSampleOpened", "unreadable sample"},
    {"UnreadableExperimentOpened", "unreadable experiment"},
};

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTheActiveChild, ::testing::ValuesIn(CloseCases),
                         [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

// Minimizing the active Instrument Data window (Ctrl+F4, its "&Minimize
// Instrument Window", the sub-window's own Minimize) activates the next child
// in the frame's order that is not minimized, with its menus in the frame;
// with none, the Instrument Data window stays the active one.
enum class Other { Experiment, Sample, MinimizedExperiment, MinimizedSample };

struct MinimizeCase {
    const char* name;
    const char* how;             // "Ctrl+F4", "command" or "system menu"
    std::vector<Other> others;   // opened in this order, then the instrument clicked
    int active;                  // index into others of the child active after; -1: the instrument
};

void PrintTo(const MinimizeCase& c, std::ostream* os)
{
    *os << c.name;
}

class MinimizingTheInstrumentWindow : public ExperimentFixture, public ::testing::WithParamInterface<MinimizeCase> {
protected:
    // The menus the frame shows between "&Instrument" and "&View".
    QList<QMenu*> MergedMenusShown() const
    {
        QList<QMenu*> out;
        bool between = false;
        for (QAction* a : frame->menuBar()->actions()) {
            if (a == frame->miView->menuAction())
                break;
            if (between && a->isVisible() && a->menu())
                out << a->menu();
            between = between || a == frame->miInstrument->menuAction();
        }
        return out;
    }
};

TEST_P(MinimizingTheInstrumentWindow, ActivatesTheNextChildThatIsNotMinimized)
{
    const MinimizeCase& c = GetParam();
    TfrmInstrument* instrument = TfrmInstrument::CreateInFrame(frame);
    const auto experiment = experiment_test::MakeExperiment("E", {"A"}, 2, 20);
    const auto sample = sample_window_test::MakeSample("S", 2, 20);
    QList<TChildForm*> others;
    for (size_t i = 0; i < c.others.size(); ++i) {
        const Other kind = c.others[i];
        const bool isExperiment = kind == Other::Experiment || kind == Other::MinimizedExperiment;
        const QString name = QStringLiteral("w%1.%2").arg(i).arg(isExperiment ? "AXP" : "AST");
        frame->OpenFile(isExperiment ? experiment_test::WriteExperiment(dir, name, *experiment)
                                     : sample_window_test::WriteSample(dir, name, *sample));
        Pump();
        others << frame->ActiveChildForm();
        ASSERT_NE(others.back(), nullptr);
    }
    for (int i = 0; i < others.size(); ++i)
        if (c.others[i] == Other::MinimizedExperiment || c.others[i] == Other::MinimizedSample)
            others[i]->SubWindow()->showMinimized();
    ActivateFrame();
    QTest::mouseClick(instrument->ChartView->viewport(), Qt::LeftButton);
    Pump();
    ASSERT_EQ(frame->ActiveChild(), instrument);

    const QString how = QString::fromLatin1(c.how);
    if (how == QLatin1String("Ctrl+F4")) {
        QTest::keyClick(instrument->ChartView, Qt::Key_F4, Qt::ControlModifier);
    } else if (how == QLatin1String("command")) {
        gui::TActionList::UpdateAll();
        ASSERT_TRUE(instrument->acMinimize->isEnabled());
        instrument->acMinimize->trigger();
    } else {
        QAction* minimize = nullptr;
        for (QAction* a : qobject_cast<QMdiSubWindow*>(instrument->parentWidget())->systemMenu()->actions())
            if (a->text().remove(QLatin1Char('&')) == QLatin1String("Minimize"))
                minimize = a;
        ASSERT_NE(minimize, nullptr);
        minimize->trigger();
    }
    Pump();

    EXPECT_TRUE(instrument->IsMinimized());
    QWidget* expected = c.active < 0 ? static_cast<QWidget*>(instrument) : others[c.active];
    EXPECT_EQ(frame->ActiveChild(), expected);
    EXPECT_EQ(MergedMenusShown(), c.active < 0 ? QList<QMenu*>() : others[c.active]->MergedMenus());
    if (c.active >= 0) {
        EXPECT_FALSE(others[c.active]->SubWindow()->isMinimized());
    }
    EXPECT_EQ(frame->Children().size(), others.size() + 1);
}

const MinimizeCase MinimizeCases[] = {
    {"CtrlF4WithAnExperimentWindow", "Ctrl+F4", {Other::Experiment}, 0},
    {"CtrlF4WithASampleWindow", "Ctrl+F4", {Other::Sample}, 0},
    {"CtrlF4Alone", "Ctrl+F4", {}, -1},
    {"CtrlF4WithOnlyMinimizedWindows", "Ctrl+F4", {Other::MinimizedExperiment, Other::MinimizedSample}, -1},
    {"MinimizeCommand", "command", {Other::Sample, Other::Experiment}, 1},
    {"SubWindowMinimize", "system menu", {Other::Experiment, Other::Sample}, 1},
};

INSTANTIATE_TEST_SUITE_P(Ways, MinimizingTheInstrumentWindow, ::testing::ValuesIn(MinimizeCases),
                         [](const ::testing::TestParamInfo<MinimizeCase>& info) { return std::string(info.param.name); });

}  // namespace
