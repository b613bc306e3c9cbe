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
#include <QTabWidget>

#include "Dialogs.h"
#include "ExcelApplication.h"
#include "ExperimentTestUtil.h"
#include "Instrument.h"
#include "Main.h"
#include "PtyPair.h"
#include "Registry.h"
#include "ScriptedDialogs.h"
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
// Keys in the real frame: the Instrument Data window, a sample window and an
// experiment window, the frame active, every dialog cancelled by a script.

namespace {

using experiment_test::ExperimentFixture;
using sample_window_test::Pump;

enum class Win { Frame, Experiment, Sample, Instrument };

class KeysInTheFrame : public ExperimentFixture {
protected:
    void SetUp() override
    {
        ExperimentFixture::SetUp();
        TfrmInstrument::SetTestInputFolder(dir.path());
        previousFolder = xls::SetExportFolder(dir.path());
        previousOpener = xls::SetOpener([](const QString&) { return false; });
        instrument = TfrmInstrument::CreateInFrame(frame);
        // The pseudo-terminal instrument: a line of 8 data bits.
        instrument->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
        instrument->cpDrv->SetDataBits(db8BITS);
        const auto one = sample_window_test::MakeSample("S", 3, 60);
        frame->OpenFile(sample_window_test::WriteSample(dir, QStringLiteral("s.AST"), *one));
        sample = qobject_cast<TfrmSample*>(frame->ActiveChild());
        ASSERT_NE(sample, nullptr);
        auto e = experiment_test::MakeExperiment("E", {"A", "B"}, 3, 60);
        experiment = Open(experiment_test::WriteExperiment(dir, QStringLiteral("e.AXP"), *e));
        ASSERT_NE(experiment, nullptr);
        ActivateFrame();
    }
    void TearDown() override
    {
        TxlsThread::WaitForAll();
        ExperimentFixture::TearDown();
        xls::SetOpener(previousOpener);
        xls::SetExportFolder(previousFolder);
        TfrmInstrument::SetTestInputFolder(QString());
    }

    // A click on a node of a tree, away from its check box, as the user
    // selects it: its window becomes the active one with the focus in the tree.
    static void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node)
    {
        tree->scrollToItem(node);
        const QRect r = tree->visualItemRect(node);
        const QPoint p(std::min(r.right(), tree->viewport()->width() - 1) - 2, r.center().y());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, p);
        ASSERT_EQ(tree->currentItem(), node);
        ASSERT_TRUE(tree->hasFocus());
    }
    // Received lines for the Instrument Data window: two replicates of 3 points.
    void LoadInstrumentLines()
    {
        QFile f(TfrmInstrument::TestInputFileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\r\n2\r\n3\r\n-1000\r\n4\r\n5\r\n6\r\n-1000\r\n");
        f.close();
        instrument->panInfoClick();
    }
    // Page "Proceed..." with one empty sample.
    void ProceedWithOneSample()
    {
        LoadInstrumentLines();
        ASSERT_TRUE(instrument->acList->Execute(instrument->acProceedData));
        ASSERT_TRUE(instrument->acList->Execute(instrument->acAddSample));
    }
    QAction* Find(Win owner, const char* name) const
    {
        switch (owner) {
        case Win::Frame: return frame->acList->Find(QString::fromLatin1(name));
        case Win::Experiment: return experiment->acList->Find(QString::fromLatin1(name));
        case Win::Sample: return sample->acList->Find(QString::fromLatin1(name));
        case Win::Instrument: return instrument->acList->Find(QString::fromLatin1(name));
        }
        return nullptr;
    }
    // The names of the commands that fire from now on, in order.
    void RecordFiredCommands()
    {
        for (gui::TActionList* list : frame->findChildren<gui::TActionList*>())
            for (QAction* a : list->Actions())
                QObject::connect(a, &QAction::triggered, frame, [this, a] { fired << a->objectName(); });
    }
    // What the first request asked for, in short ("" when none came).
    QString FirstAsked() const
    {
        if (dialogs.asked.empty())
            return {};
        switch (dialogs.asked.front().kind) {
        case gui::RequestKind::Message: return QStringLiteral("message");
        case gui::RequestKind::InputQuery: return QStringLiteral("input query");
        case gui::RequestKind::OpenFile: return QStringLiteral("open dialog");
        case gui::RequestKind::SaveFile: return QStringLiteral("save dialog");
        case gui::RequestKind::Form: return dialogs.formClasses.value(0).remove(QStringLiteral("VelorSpec::"));
        }
        return {};
    }

    PtyPair pty;
    ScriptedDialogs dialogs;
    TfrmInstrument* instrument = nullptr;
    TfrmSample* sample = nullptr;
    TfrmExperiment* experiment = nullptr;
    QStringList fired;
    QString previousFolder;
    xls::Opener previousOpener;
};

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
            if (!a->shortcuts().isEmpty())
                EXPECT_NE(qobject_cast<gui::TActionList*>(a->parent()), nullptr)
                    << w->metaObject()->className() << ": " << a->text().toStdString();
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
    // Ctrl+Tab does not cycle the child windows: it stays with the focused one.
    ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
    QTest::keyClick(experiment->tviewExperiment, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyRelease(experiment->tviewExperiment, Qt::Key_Control);
    EXPECT_EQ(frame->ActiveChild(), experiment);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(frame->Children().size(), 3);
}

// Every key of the command tables, pressed where its window is active,
// reaches its command once (and nothing else), which asks what it asks.
struct KeyCase {
    const char* name;
    Win owner;         // whose command it is
    Win active;        // the window the user works in
    const char* action;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* asked; // what the command asks first ("" nothing)
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class EveryKey : public KeysInTheFrame, public ::testing::WithParamInterface<KeyCase> {};

const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers NumCtrl = Qt::ControlModifier | Qt::KeypadModifier;

const KeyCase KeyCases[] = {
    // The frame's commands, with the experiment window active.
    {"Frame_NewExperiment_CtrlN", Win::Frame, Win::Experiment, "acFileNewExperiment", Qt::Key_N, Ctrl, ""},
    {"Frame_Open_CtrlO", Win::Frame, Win::Experiment, "acFileOpen", Qt::Key_O, Ctrl, "open dialog"},
    {"Frame_Save_CtrlS", Win::Frame, Win::Experiment, "acFileSave", Qt::Key_S, Ctrl, ""},
    {"Frame_Cascade_CtrlF2", Win::Frame, Win::Experiment, "acWindowCascade", Qt::Key_F2, Ctrl, ""},
    {"Frame_TileHorizontal_CtrlF3", Win::Frame, Win::Experiment, "acWindowTileHorizontal", Qt::Key_F3, Ctrl, ""},
    {"Frame_TileVertical_CtrlF7", Win::Frame, Win::Experiment, "acWindowTileVertical", Qt::Key_F7, Ctrl, ""},
    {"Frame_Close_CtrlF4", Win::Frame, Win::Experiment, "acWindowClose", Qt::Key_F4, Ctrl, ""},
    {"Frame_CloseAll_CtrlF5", Win::Frame, Win::Experiment, "acWindowCloseAll", Qt::Key_F5, Ctrl, ""},
    {"Frame_HelpContents_F1", Win::Frame, Win::Experiment, "acHelpContents", Qt::Key_F1, {}, ""},
    // The Instrument menu of the frame, with the experiment window active.
    {"Instrument_Connect_F3", Win::Instrument, Win::Experiment, "acConnect", Qt::Key_F3, {}, ""},
    {"Instrument_Disconnect_F4", Win::Instrument, Win::Experiment, "acDisconnect", Qt::Key_F4, {}, ""},
    {"Instrument_Configuration_F5", Win::Instrument, Win::Experiment, "acConfiguration", Qt::Key_F5, {},
     "TSettingsForm"},
    {"Instrument_ClearData_F6", Win::Instrument, Win::Experiment, "acClearData", Qt::Key_F6, {}, ""},
    {"Instrument_ProceedData_F7", Win::Instrument, Win::Experiment, "acProceedData", Qt::Key_F7, {}, ""},
    {"Instrument_SaveSamples_F8", Win::Instrument, Win::Experiment, "acSaveSamples", Qt::Key_F8, {}, ""},
    {"Instrument_SaveAsExperiment_F9", Win::Instrument, Win::Experiment, "acSaveAsExperiment", Qt::Key_F9, {},
     "save dialog"},
    {"Instrument_ShowInstrumentWindow_F12", Win::Instrument, Win::Experiment, "acShowInstrumentWindow",
     Qt::Key_F12, {}, ""},
    // The experiment window's commands, sample B selected (a replicate for Delete Replicate).
    {"Experiment_Standart_Ctrl1", Win::Experiment, Win::Experiment, "acSampleStandart", Qt::Key_1, Ctrl,
     "TfrmDefineStandart"},
    {"Experiment_Sample_Ctrl2", Win::Experiment, Win::Experiment, "acSampleSample", Qt::Key_2, Ctrl, ""},
    {"Experiment_Zero_Ctrl3", Win::Experiment, Win::Experiment, "acSampleZero", Qt::Key_3, Ctrl, ""},
    {"Experiment_SubtractZero_Ctrl0", Win::Experiment, Win::Experiment, "acSampleSubtractZero", Qt::Key_0, Ctrl,
     "TfrmInterval"},
    {"Experiment_DefinePlateau_CtrlD", Win::Experiment, Win::Experiment, "acSampleDefinePlateau", Qt::Key_D, Ctrl,
     "TfrmInterval"},
    {"Experiment_CalculateArea_CtrlF", Win::Experiment, Win::Experiment, "acSampleCalculateArea", Qt::Key_F, Ctrl,
     "TfrmInterval"},
    {"Experiment_ChangeSamplingInterval_CtrlR", Win::Experiment, Win::Experiment, "acSampleChangeResolution",
     Qt::Key_R, Ctrl, "input query"},
    {"Experiment_SmoothSignal_CtrlM", Win::Experiment, Win::Experiment, "acSampleSmoothSignal", Qt::Key_M, Ctrl,
     "TfrmSmooth"},
    {"Experiment_Absorbtion_CtrlA", Win::Experiment, Win::Experiment, "acSampleAbsorbtion", Qt::Key_A, Ctrl, ""},
    {"Experiment_DeleteReplicate_CtrlDel", Win::Experiment, Win::Experiment, "acSampleDeleteReplicate",
     Qt::Key_Delete, Ctrl, "message"},
    {"Experiment_SendToExcel_CtrlE", Win::Experiment, Win::Experiment, "acSampleSendToExcel", Qt::Key_E, Ctrl, ""},
    {"Experiment_Export_CtrlH", Win::Experiment, Win::Experiment, "acSampleExport", Qt::Key_H, Ctrl, "save dialog"},
    {"Experiment_AddSamples_CtrlL", Win::Experiment, Win::Experiment, "acExpAddSample", Qt::Key_L, Ctrl,
     "open dialog"},
    {"Experiment_RemoveSample_ShiftDel", Win::Experiment, Win::Experiment, "acExpRemoveSample", Qt::Key_Delete,
     Qt::ShiftModifier, "message"},
    {"Experiment_EditTitle_CtrlT", Win::Experiment, Win::Experiment, "acExpEditTitle", Qt::Key_T, Ctrl, ""},
    {"Experiment_ProceedAllSamples_CtrlW", Win::Experiment, Win::Experiment, "acExpProceedAll", Qt::Key_W, Ctrl,
     "TfrmProceedAll"},
    // The sample window's commands, a replicate selected.
    {"Sample_SubtractZero_Ctrl0", Win::Sample, Win::Sample, "acSubtractZero", Qt::Key_0, Ctrl, "TfrmInterval"},
    {"Sample_DefinePlateau_CtrlD", Win::Sample, Win::Sample, "acDefinePlateau", Qt::Key_D, Ctrl, "TfrmInterval"},
    {"Sample_CalculateArea_CtrlF", Win::Sample, Win::Sample, "acCalculateArea", Qt::Key_F, Ctrl, "TfrmInterval"},
    {"Sample_ChangeResolution_CtrlR", Win::Sample, Win::Sample, "acChangeResolution", Qt::Key_R, Ctrl,
     "input query"},
    {"Sample_SmoothSignal_CtrlM", Win::Sample, Win::Sample, "acSmoothSignal", Qt::Key_M, Ctrl, "TfrmSmooth"},
    {"Sample_Absorbtion_CtrlA", Win::Sample, Win::Sample, "acAbsorbtion", Qt::Key_A, Ctrl, ""},
    {"Sample_DeleteReplicate_CtrlDel", Win::Sample, Win::Sample, "acDeleteReplicate", Qt::Key_Delete, Ctrl,
     "message"},
    {"Sample_SendToExcel_CtrlE", Win::Sample, Win::Sample, "acSendToExcel", Qt::Key_E, Ctrl, ""},
    // The Instrument Data window's sample commands, the window active.
    {"Instrument_AddSample_CtrlNumPlus_OnReceivedData", Win::Instrument, Win::Instrument, "acAddSample",
     Qt::Key_Plus, NumCtrl, ""},
    {"Instrument_DeleteSample_CtrlNumMinus", Win::Instrument, Win::Instrument, "acDelSample", Qt::Key_Minus, NumCtrl,
     ""},
    {"Instrument_MoveRight_CtrlRight", Win::Instrument, Win::Instrument, "acMoveRight", Qt::Key_Right, Ctrl, ""},
    {"Instrument_MoveLeft_CtrlLeft", Win::Instrument, Win::Instrument, "acMoveLeft", Qt::Key_Left, Ctrl, ""},
};

TEST_P(EveryKey, ReachesItsCommandOnce)
{
    const KeyCase& c = GetParam();
    QAction* action = Find(c.owner, c.action);
    ASSERT_NE(action, nullptr);
    ASSERT_EQ(action->shortcut(), QKeySequence(c.key | c.modifiers));

    // The state in which the command is enabled.
    const QString name = QString::fromLatin1(c.action);
    if (name == "acFileSave")
        experiment->FModified = true;
    if (name == "acDisconnect")
        ASSERT_TRUE(instrument->acList->Execute(instrument->acConnect));
    if (name == "acClearData" || name == "acProceedData")
        LoadInstrumentLines();
    if (name == "acSaveSamples" || name == "acSaveAsExperiment")
        ProceedWithOneSample();

    // The user clicks into the window to work in.
    QWidget* target = nullptr;
    if (c.active == Win::Experiment) {
        experiment->tviewExperiment->expandAll();
        QTreeWidgetItem* node = experiment->SampleNode(1);
        ClickNode(experiment->tviewExperiment, name == "acSampleDeleteReplicate" ? node->child(1) : node);
        target = experiment->tviewExperiment;
    } else if (c.active == Win::Sample) {
        sample->tviewSample->expandAll();
        ClickNode(sample->tviewSample, sample->tviewSample->topLevelItem(0)->child(1));
        target = sample->tviewSample;
    } else if (name == "acAddSample") {
        ASSERT_EQ(instrument->pctrlData->currentIndex(), 0);   // page "Received Data"
        QTest::mouseClick(instrument->ChartView->viewport(), Qt::LeftButton);
        target = instrument->ChartView;
    } else {
        ProceedWithOneSample();
        QTreeWidgetItem* added = instrument->tviewSamples->topLevelItem(0);
        if (name == "acMoveLeft") {
            instrument->tviewReplicates->setCurrentItem(instrument->tviewReplicates->topLevelItem(0));
            instrument->tviewSamples->setCurrentItem(added);
            ASSERT_TRUE(instrument->acList->Execute(instrument->acMoveRight));
            instrument->tviewSamples->expandAll();
            ClickNode(instrument->tviewSamples, added->child(0));
        } else {
            ClickNode(instrument->tviewReplicates, instrument->tviewReplicates->topLevelItem(0));
            ClickNode(instrument->tviewSamples, added);
        }
        target = instrument->tviewSamples;
    }
    ASSERT_EQ(frame->MdiArea->currentSubWindow()->widget(),
              c.active == Win::Experiment ? static_cast<QWidget*>(experiment)
              : c.active == Win::Sample   ? static_cast<QWidget*>(sample)
                                          : static_cast<QWidget*>(instrument));

    Pump();
    gui::TActionList::UpdateAll();   // the event loop going idle
    ASSERT_TRUE(action->isEnabled());
    RecordFiredCommands();
    QTest::keyClick(target, c.key, c.modifiers);
    Pump();
    EXPECT_EQ(fired, QStringList{name});
    EXPECT_EQ(FirstAsked(), QString::fromLatin1(c.asked));
}

INSTANTIATE_TEST_SUITE_P(Keys, EveryKey, ::testing::ValuesIn(KeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

}  // namespace
