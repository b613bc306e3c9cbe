// The controller's main window: caption, menus, tool bars and their menu,
// enabling rules, the program file commands with the save question, the
// recent-file list, the command line, persisted settings, the instrument port
// commands, the About box and closing.

#include <QApplication>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QFile>
#include <QHeaderView>
#include <QLineSeries>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "About.h"
#include "CPDrv.h"
#include "Main.h"
#include "MainWindowTestUtil.h"
#include "WindowFit.h"
#include "ShellTestUtil.h"
#include "Clock.h"
#include "PortIO.h"
#include "PtyPair.h"
#include "RunTimer.h"
#include "SpinEdit.h"
#include "SpinWait.h"

using namespace VelorTime;
using gui::RequestKind;
using main_window_test::MainTest;

namespace {

QStringList Items(const QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QStringList Bar(const QToolBar* bar)
{
    QStringList out;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a)); button && button->defaultAction())
            out << button->defaultAction()->objectName();
        else
            out << a->objectName();
    }
    return out;
}

const char* const SaveQuestion = "Do you want to save changes to \"%1\" ?";

}  // namespace

TEST_F(MainTest, StartsUntitledOnTheProgramPage)
{
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("VELOR TIME - [Untitled]"));
    EXPECT_EQ(frm->FFileName, UntitledName);
    EXPECT_FALSE(frm->IsModified());
    EXPECT_FALSE(frm->FRunning);
    EXPECT_GE(frm->width(), 640);
    EXPECT_GE(frm->height(), 480);
    EXPECT_EQ(frm->pcMain->currentWidget(), frm->tsProgram);
    EXPECT_FALSE(frm->pcMain->tabBar()->isVisibleTo(frm));
    EXPECT_FALSE(frm->panAutoData->isVisibleTo(frm));
    EXPECT_EQ(frm->cmbMoveTo->currentText(), QStringLiteral("RIGHT"));
    EXPECT_EQ(frm->spedMoveBy->ValueType(), gui::TSpinEdit::TValueType::Integer);
    EXPECT_EQ(frm->spedMoveBy->Value(), 1);
    EXPECT_EQ(frm->spedMoveBy->MinValue(), 1);
    EXPECT_EQ(frm->spedMoveBy->MaxValue(), 2147483647.0);
    EXPECT_EQ(frm->cpDrv->PortName(), QStringLiteral("\\\\.\\COM2"));
    EXPECT_EQ(frm->FLines.FCurrentSeries, frm->MainSeries);
    EXPECT_FALSE(frm->FLines.FPlotting);
    EXPECT_EQ(frm->MainSeries->color(), QColor(Qt::red));
    EXPECT_TRUE(frm->acOptionsLPT1->isChecked());
    EXPECT_FALSE(frm->acOptionsLPT2->isChecked());
    EXPECT_EQ(frm, frmMain);
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(MainTest, FirstSizeShowsEveryToolBarButtonAndEveryColumnTitle)
{
    frm->show();
    QApplication::processEvents();
    EXPECT_TRUE(gui::ClippedControls(frm).isEmpty()) << gui::ClippedControls(frm).join(", ").toStdString();
    const QHeaderView* header = frm->DBGrid->horizontalHeader();
    for (int c = 0; c < header->count(); ++c) {
        const QString title = frm->DBGrid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(c), header->fontMetrics().horizontalAdvance(title)) << title.toStdString();
    }
}

TEST_F(MainTest, MenusListTheCommandsInOrder)
{
    QStringList bar;
    for (QAction* a : frm->menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, (QStringList{"Program", "Instrument", "Edit", "Options", "Test", "Help"}));
    EXPECT_EQ(Items(frm->miProgram), (QStringList{"Run", "Pause", "Reset", "-", "New...", "-", "Open...", "Reopen", "-",
                                                  "Save", "Save As...", "-", "Exit"}));
    EXPECT_EQ(Items(frm->miInstrument), (QStringList{"Connect", "&Disconnect", "-", "C&ommunication Properties...", "-",
                                                     "&Save Samples...", "Save As E&xperiment..."}));
    EXPECT_EQ(Items(frm->miEdit),
              (QStringList{"Insert Row", "Delete Row", "-", "Edit Row Data", "Save Row Changes", "Discard Row Changes", "-",
                           "Copy Row", "Paste Row", "-", "Find...", "Find Next", "-", "Clear Sample Data"}));
    EXPECT_EQ(Items(frm->miOptions),
              (QStringList{"LPT 1", "LPT 2", "-", "Start Washing", "Stop Washing", "-", "Probe Down", "Probe Up", "-",
                           "Autosampler", "-", "Pins Configuration...", "-", "Properties..."}));
    EXPECT_EQ(Items(frm->miOptionsAutosampler), (QStringList{"Move One Step Left", "Move One Step Right", "-",
                                                             "Move Custom Steps...", "-", "Move To Blank Position"}));
    EXPECT_EQ(Items(frm->miTest), (QStringList{"Send Bit To", "-", "Clear Bit From"}));
    const QStringList pins{"Pin &2", "Pin &3", "Pin &4", "Pin &5", "Pin &6", "Pin &7", "Pin &8", "Pin &9", "-", "All Pins"};
    EXPECT_EQ(Items(frm->miTestSendBit), pins);
    EXPECT_EQ(Items(frm->miTestClearBit), pins);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(gui::TActionList::Tag(frm->miTestSendBitPins[i]), 1 << i);
        EXPECT_EQ(gui::TActionList::Tag(frm->miTestClearBitPins[i]), 1 << i);
    }
    EXPECT_EQ(Items(frm->miHelp), (QStringList{"Contents", "-", "About..."}));
}

TEST_F(MainTest, CommandsCarryTheirCaptionsShortcutsHintsAndTags)
{
    struct Row {
        QAction* action;
        const char* caption;
        QKeySequence key;
        const char* hint;
        int tag;
    };
    using K = QKeySequence;
    const Row rows[] = {
        {frm->acProgramRun, "Run", K(Qt::Key_F9), "Runs loaded program", 0},
        {frm->acProgramPause, "Pause", K(), "Pauses program execution", 0},
        {frm->acProgramReset, "Reset", K(Qt::CTRL | Qt::Key_F2), "Restes program execution", 0},
        {frm->acProgramNew, "New...", K(Qt::CTRL | Qt::Key_N), "Create new program", 0},
        {frm->acProgramOpen, "Open...", K(Qt::CTRL | Qt::Key_O), "Opens existing program", 0},
        {frm->acProgramSave, "Save", K(Qt::CTRL | Qt::Key_S), "Saves loaded program", 0},
        {frm->acProgramSaveAs, "Save As...", K(), "Saves program as a new file", 0},
        {frm->acInstrConnect, "Connect", K(Qt::Key_F4), "Connects to instrument's COM port", 0},
        {frm->acInstrDisconnect, "&Disconnect", K(Qt::Key_F5), "Disconnects from instrument's COM port", 1},
        {frm->acInstrProperties, "C&ommunication Properties...", K(Qt::Key_F6), "Configures instrument's COM port", 0},
        {frm->acInstrSaveSamples, "&Save Samples...", K(Qt::Key_F7), "Saves received samples data", 0},
        {frm->acInstrSaveExperiment, "Save As E&xperiment...", K(Qt::Key_F8), "Saves received samples data as experiment", 0},
        {frm->acEditInsertRow, "Insert Row", K(Qt::Key_Insert), "Inserts new row", 0},
        {frm->acEditDelRow, "Delete Row", K(Qt::CTRL | Qt::Key_Delete), "Deletes selected row", 0},
        {frm->acEditDSEdit, "Edit Row Data", K(), "Puts program grid in edit mode", 0},
        {frm->acEditDSPost, "Save Row Changes", K(Qt::CTRL | Qt::Key_Q), "Saves changes to current row", 0},
        {frm->acEditDSCancel, "Discard Row Changes", K(Qt::SHIFT | Qt::Key_Escape), "Discards changes for selected row", 0},
        {frm->acEditCopyRow, "Copy Row", K(Qt::CTRL | Qt::SHIFT | Qt::Key_C), "Copies selected row", 0},
        {frm->acEditPasteRow, "Paste Row", K(Qt::CTRL | Qt::SHIFT | Qt::Key_V), "Paste Clipboard contents as a new row", 0},
        {frm->acEditFind, "Find...", K(Qt::CTRL | Qt::Key_F), "Find sample", 0},
        {frm->acEditFindNext, "Find Next", K(Qt::Key_F3), "", 0},
        {frm->acEditClearSampleData, "Clear Sample Data", K(), "Clears received data for selected sample", 0},
        {frm->acOptionsLPT1, "LPT 1", K(Qt::CTRL | Qt::Key_1), "Use LPT 1", 0},
        {frm->acOptionsLPT2, "LPT 2", K(Qt::CTRL | Qt::Key_2), "Use LPT 2", 0},
        {frm->acOptionsStartWash, "Start Washing", K(Qt::CTRL | Qt::Key_Right), "Opens valve and starts washing", 0},
        {frm->acOptionsStopWash, "Stop Washing", K(Qt::CTRL | Qt::Key_Left), "Closes valve and stops washing", 1},
        {frm->acOptionsProbeDown, "Probe Down", K(Qt::CTRL | Qt::Key_Down), "Put probe in down position", 0},
        {frm->acOptionsProbeUp, "Probe Up", K(Qt::CTRL | Qt::Key_Up), "Put probe in up position", 1},
        {frm->acOptionsMoveLeft, "Move One Step Left", K(Qt::CTRL | Qt::Key_L), "Moves autosampler one step left", 1},
        {frm->acOptionsMoveRight, "Move One Step Right", K(Qt::CTRL | Qt::Key_R), "Moves autosampler one step right", 0},
        {frm->acOptionsMoveCustom, "Move Custom Steps...", K(Qt::CTRL | Qt::Key_U),
         "Moves autosampler by selected amount of steps in choosen direction", 0},
        {frm->acOptionsMoveBlank, "Move To Blank Position", K(Qt::CTRL | Qt::Key_0), "Moves autosampler to blank position", 2},
        {frm->acOptionsPinsConfig, "Pins Configuration...", K(), "Configure LPT pins role", 0},
        {frm->acOptionsProperties, "Properties...", K(), "Modify program options", 0},
        {frm->acHelpContents, "Contents", K(Qt::Key_F1), "Contents of help file", 0},
        {frm->acHelpAbout, "About...", K(), "About program", 0},
    };
    EXPECT_EQ(std::size(rows), size_t(frm->acList->Actions().size()));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.caption);
        ASSERT_NE(r.action, nullptr);
        EXPECT_EQ(r.action->text(), QString::fromLatin1(r.caption));
        EXPECT_EQ(r.action->shortcut(), r.key);
        EXPECT_EQ(r.action->statusTip(), QString::fromLatin1(r.hint));
        EXPECT_EQ(gui::TActionList::Tag(r.action), r.tag);
    }
    EXPECT_TRUE(frm->acProgramPause->isCheckable());
}

TEST_F(MainTest, ToolBarsAndTheirMenu)
{
    EXPECT_EQ(Bar(frm->tbarProgram), (QStringList{"acProgramRun", "acProgramPause", "acProgramReset", "-", "acProgramNew",
                                                  "acProgramOpen", "acProgramSave"}));
    EXPECT_EQ(frm->sbtnOpen->menu(), frm->pmRecent);
    EXPECT_EQ(frm->sbtnOpen->popupMode(), QToolButton::MenuButtonPopup);
    EXPECT_EQ(Bar(frm->tbarInstrument), (QStringList{"acInstrConnect", "acInstrDisconnect", "acInstrProperties", "-",
                                                     "acInstrSaveSamples", "acInstrSaveExperiment"}));
    EXPECT_EQ(Bar(frm->tbarEdit), (QStringList{"acEditInsertRow", "acEditDelRow", "-", "acEditDSEdit", "acEditDSPost",
                                               "acEditDSCancel", "-", "acEditCopyRow", "acEditPasteRow", "-", "acEditFind",
                                               "acEditFindNext", "-", "acEditClearSampleData"}));
    EXPECT_EQ(Bar(frm->tbarOptions),
              (QStringList{"acOptionsLPT1", "acOptionsLPT2", "-", "acOptionsStartWash", "acOptionsStopWash", "-",
                           "acOptionsProbeDown", "acOptionsProbeUp", "-", "acOptionsMoveLeft", "acOptionsMoveRight", "-",
                           "acOptionsProperties"}));
    for (QToolBar* bar : {frm->tbarProgram, frm->tbarInstrument, frm->tbarEdit, frm->tbarOptions})
        EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);

    frm->show();
    EXPECT_TRUE(frm->tbarProgram->isVisible());
    EXPECT_TRUE(frm->tbarEdit->isVisible());
    EXPECT_FALSE(frm->tbarOptions->isVisible());
    EXPECT_TRUE(frm->toolBarBreak(frm->tbarOptions));   // the second row of the dock
    EXPECT_EQ(frm->toolBarArea(frm->tbarOptions), Qt::TopToolBarArea);

    // A right click on the dock opens the tool bar menu, elsewhere it does not.
    QContextMenuEvent onBar(QContextMenuEvent::Mouse, QPoint(1, 1), frm->tbarEdit->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(frm->tbarEdit, &onBar);
    EXPECT_TRUE(frm->pmToolbars->isVisible());
    frm->pmToolbars->hide();
    QContextMenuEvent onPage(QContextMenuEvent::Mouse, QPoint(5, 5), frm->tsProgram->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(frm->tsProgram, &onPage);
    EXPECT_FALSE(frm->pmToolbars->isVisible());

    // The menu marks the visible bars when it opens.
    EXPECT_EQ(Items(frm->pmToolbars), (QStringList{"Program", "Instrument", "Edit", "Options"}));
    frm->tbarInstrument->hide();
    frm->pmToolbarsPopup();
    EXPECT_TRUE(frm->miToolbarsProgram->isChecked());
    EXPECT_FALSE(frm->miToolbarsInstrument->isChecked());
    EXPECT_TRUE(frm->miToolbarsEdit->isChecked());
    EXPECT_FALSE(frm->miToolbarsOptions->isChecked());

    // A click reverses the mark and the bar follows it.
    frm->miToolbarsOptions->trigger();
    EXPECT_TRUE(frm->miToolbarsOptions->isChecked());
    EXPECT_TRUE(frm->tbarOptions->isVisible());
    EXPECT_GT(frm->tbarOptions->y(), frm->tbarProgram->y());
    frm->miToolbarsEdit->trigger();
    EXPECT_FALSE(frm->tbarEdit->isVisible());
    frm->miToolbarsEdit->trigger();
    EXPECT_TRUE(frm->tbarEdit->isVisible());
}

TEST_F(MainTest, EnablingRules)
{
    // Commands without behaviour stay disabled; the always-enabled ones are.
    for (QAction* a : {frm->acEditCopyRow, frm->acEditPasteRow, frm->acEditFind, frm->acEditFindNext,
                       frm->acOptionsMoveCustom, frm->acOptionsPinsConfig, frm->acOptionsProperties, frm->acHelpContents})
        EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();
    for (QAction* a : {frm->acInstrSaveSamples, frm->acInstrSaveExperiment, frm->acOptionsLPT1, frm->acOptionsLPT2,
                       frm->acOptionsStartWash, frm->acOptionsMoveBlank, frm->acHelpAbout})
        EXPECT_TRUE(Enabled(a)) << a->objectName().toStdString();

    // Idle, empty, unmodified.
    EXPECT_FALSE(Enabled(frm->acProgramRun));
    EXPECT_FALSE(Enabled(frm->acProgramPause));
    EXPECT_FALSE(Enabled(frm->acProgramReset));
    EXPECT_FALSE(Enabled(frm->acProgramSave));
    EXPECT_FALSE(Enabled(frm->acEditClearSampleData));
    EXPECT_FALSE(Enabled(frm->acEditDelRow));
    for (QAction* a : {frm->acProgramNew, frm->acProgramOpen, frm->acProgramSaveAs, frm->acInstrConnect,
                       frm->acInstrProperties})
        EXPECT_TRUE(Enabled(a)) << a->objectName().toStdString();
    EXPECT_FALSE(Enabled(frm->acInstrDisconnect));

    Modify();
    EXPECT_TRUE(Enabled(frm->acProgramRun));
    EXPECT_TRUE(Enabled(frm->acProgramSave));
    EXPECT_TRUE(Enabled(frm->acEditDelRow));
    EXPECT_FALSE(Enabled(frm->acEditClearSampleData));   // the row holds no data
    AppendProgramRow(frm->cdsProgram, 2, "", "\r\n1\r\n-1000");
    EXPECT_TRUE(Enabled(frm->acEditClearSampleData));

    // A run in progress.
    frm->FRunning = true;
    EXPECT_FALSE(Enabled(frm->acProgramRun));
    EXPECT_TRUE(Enabled(frm->acProgramPause));
    EXPECT_TRUE(Enabled(frm->acProgramReset));
    for (QAction* a : {frm->acProgramNew, frm->acProgramOpen, frm->acProgramSave, frm->acProgramSaveAs,
                       frm->acInstrConnect, frm->acInstrDisconnect, frm->acInstrProperties})
        EXPECT_FALSE(Enabled(a)) << a->objectName().toStdString();
    EXPECT_TRUE(Enabled(frm->acInstrSaveSamples));

    // Reset clears FRunning at once, but Run waits until the run's loops have returned.
    frm->FRunning = false;
    frm->FRunLoopActive = true;
    EXPECT_FALSE(Enabled(frm->acProgramRun));
    frm->FRunLoopActive = false;
    EXPECT_TRUE(Enabled(frm->acProgramRun));
}

TEST_F(MainTest, RowCommandsFollowTheTableStateThroughTheFocusedGrid)
{
    frm->show();
    frm->activateWindow();
    frm->DBGrid->setFocus();
    ASSERT_TRUE(SpinUntil([&] { return frm->focusWidget() == frm->DBGrid; }));
    EXPECT_TRUE(Enabled(frm->acEditInsertRow));
    EXPECT_TRUE(Enabled(frm->acEditDSEdit));
    EXPECT_FALSE(Enabled(frm->acEditDSPost));
    EXPECT_FALSE(Enabled(frm->acEditDSCancel));

    ASSERT_TRUE(Exec(frm->acEditInsertRow));
    EXPECT_EQ(frm->cdsProgram.Table().State(), platform::tablestore::TDataSetState::Insert);
    EXPECT_FALSE(Enabled(frm->acEditInsertRow));
    EXPECT_TRUE(Enabled(frm->acEditDSPost));
    EXPECT_TRUE(Enabled(frm->acEditDSCancel));

    // Posting the empty new row is refused by the table: its message is shown.
    EXPECT_FALSE(Exec(frm->acEditDSPost));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("Field 'ID' must have a value"));
    EXPECT_TRUE(Exec(frm->acEditDSCancel));
    EXPECT_EQ(Rows(), 0);

    // Without the grid's focus only Delete stays with the table's state.
    Modify();
    frm->pcMain->setCurrentWidget(frm->tsRun);
    frm->ChartView->setFocus();
    ASSERT_TRUE(SpinUntil([&] { return frm->focusWidget() == frm->ChartView; }));
    EXPECT_FALSE(Enabled(frm->acEditInsertRow));
    EXPECT_FALSE(Enabled(frm->acEditDSEdit));
    EXPECT_TRUE(Enabled(frm->acEditDelRow));
}

TEST_F(MainTest, DeleteRowAsksFirst)
{
    Modify(1);
    Modify(2);
    frm->SetModified(false);
    dialogs.Answer(gui::mrNo);
    EXPECT_TRUE(Exec(frm->acEditDelRow));
    EXPECT_EQ(Rows(), 2);
    EXPECT_FALSE(frm->IsModified());
    dialogs.Answer(gui::mrYes);
    EXPECT_TRUE(Exec(frm->acEditDelRow));
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(frm->IsModified());
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("Delete record ?"));
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbYesNo);
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Confirmation);
}

TEST_F(MainTest, ClearSampleDataAsksAndPostsTheEmptiedRow)
{
    AppendProgramRow(frm->cdsProgram, 1, "a", "\r\n5\r\n-1000");
    frm->SetModified(false);
    dialogs.Answer(gui::mrNo);
    EXPECT_TRUE(Exec(frm->acEditClearSampleData));
    EXPECT_EQ(frm->cdsProgram.Table().AsString(fldReceivedData), "\r\n5\r\n-1000");
    dialogs.Answer(gui::mrYes);
    EXPECT_TRUE(Exec(frm->acEditClearSampleData));
    EXPECT_EQ(frm->cdsProgram.Table().AsString(fldReceivedData), "");
    EXPECT_EQ(frm->cdsProgram.Table().State(), platform::tablestore::TDataSetState::Browse);
    EXPECT_TRUE(frm->IsModified());
    EXPECT_EQ(dialogs.Texts(), QStringList(2, QStringLiteral("This operation can't be undone! Are you shure?")));
}

TEST_F(MainTest, NewAsksToSaveChangesAndGoesOnByTheAnswer)
{
    const QString name = File(QStringLiteral("kept.ATP"));
    WriteProgramFile(name, {7});
    frm->OpenProgram(name);
    Modify(8);
    ASSERT_EQ(Rows(), 2);

    // Cancel: nothing happens.
    dialogs.Answer(gui::mrCancel);
    EXPECT_TRUE(Exec(frm->acProgramNew));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, QString::fromLatin1(SaveQuestion).arg(name));
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbYesNoCancel);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(frm->FFileName, name);
    EXPECT_TRUE(frm->IsModified());

    // Yes: saved to its file, then the new program.
    dialogs.Answer(gui::mrYes);
    EXPECT_TRUE(Exec(frm->acProgramNew));
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(frm->FFileName, UntitledName);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("VELOR TIME - [Untitled]"));
    EXPECT_FALSE(frm->IsModified());
    TTimeProgram reread;
    reread.LoadFromFile(name.toStdString());
    EXPECT_EQ(reread.Table().RecordCount(), 2);
    // The recent list is not touched by New.
    EXPECT_EQ(frm->MRUManager->Strings(), QStringList{name});

    // No: the changes go.
    Modify(9);
    dialogs.Answer(gui::mrNo);
    EXPECT_TRUE(Exec(frm->acProgramNew));
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(frm->IsModified());
    reread.LoadFromFile(name.toStdString());
    EXPECT_EQ(reread.Table().RecordCount(), 2);

    // Unmodified: no question.
    const size_t asked = dialogs.asked.size();
    EXPECT_TRUE(Exec(frm->acProgramNew));
    EXPECT_EQ(dialogs.asked.size(), asked);
}

TEST_F(MainTest, YesOnAnUntitledProgramThenCancellingSaveAsKeepsThePendingCommandBack)
{
    Modify();
    dialogs.Answer(gui::mrYes);   // save changes to "Untitled"?
    // The Save As dialog is then cancelled (no answer left).
    EXPECT_TRUE(Exec(frm->acProgramNew));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].text, QString::fromLatin1(SaveQuestion).arg(UntitledName));
    EXPECT_EQ(dialogs.asked[1].kind, RequestKind::SaveFile);
    EXPECT_EQ(Rows(), 1);
    EXPECT_TRUE(frm->IsModified());

    // The same for Open and for closing.
    const QString other = File(QStringLiteral("other.ATP"));
    WriteProgramFile(other, {1, 2, 3});
    dialogs.Answer(gui::mrYes);
    frm->OpenProgram(other);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(frm->FFileName, UntitledName);
    dialogs.Answer(gui::mrYes);
    frm->show();
    EXPECT_FALSE(frm->close());
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(MainTest, SaveAndSaveAs)
{
    Modify();
    // Save on an untitled program is Save As.
    const QString typed = File(QStringLiteral("first"));
    dialogs.ChooseFile(typed);
    EXPECT_TRUE(Exec(frm->acProgramSave));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, RequestKind::SaveFile);
    EXPECT_EQ(dialogs.asked[0].filter, QStringLiteral("AAS Time Programs(*.ATP)|*.ATP"));
    EXPECT_TRUE(dialogs.asked[0].caption.isEmpty());
    const QString written = typed + QStringLiteral(".ATP");
    EXPECT_TRUE(QFile::exists(written));
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_EQ(frm->FFileName, written);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("VELOR TIME - [%1]").arg(written));
    EXPECT_EQ(frm->MRUManager->Strings(), QStringList{written});
    EXPECT_FALSE(frm->IsModified());

    // Save with a name writes at once; caption and recent list stay.
    Modify(2);
    EXPECT_TRUE(Exec(frm->acProgramSave));
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_FALSE(frm->IsModified());
    TTimeProgram reread;
    reread.LoadFromFile(written.toStdString());
    EXPECT_EQ(reread.Table().RecordCount(), 2);

    // Save As replaces another extension and an existing file without asking.
    const QString existing = File(QStringLiteral("second.ATP"));
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    dialogs.ChooseFile(File(QStringLiteral("second.txt")));
    EXPECT_TRUE(Exec(frm->acProgramSaveAs));
    EXPECT_EQ(dialogs.asked.size(), 2u);
    reread.LoadFromFile(existing.toStdString());
    EXPECT_EQ(reread.Table().RecordCount(), 2);
    EXPECT_EQ(frm->MRUManager->Strings(), (QStringList{existing, written}));

    // Save As cancelled: nothing changes.
    Modify(3);
    EXPECT_TRUE(Exec(frm->acProgramSaveAs));
    EXPECT_EQ(frm->FFileName, existing);
    EXPECT_TRUE(frm->IsModified());
}

TEST_F(MainTest, AFailedSaveKeepsTheProgramModified)
{
    Modify();
    dialogs.ChooseFile(File(QStringLiteral("no/such/folder/x.ATP")));
    EXPECT_FALSE(Exec(frm->acProgramSaveAs));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].type, gui::MsgDlgType::Error);
    EXPECT_TRUE(frm->IsModified());
    // The name is taken before the write, as the caption and the list are after it.
    EXPECT_EQ(frm->FFileName, File(QStringLiteral("no/such/folder/x.ATP")));
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("VELOR TIME - [Untitled]"));
    EXPECT_TRUE(frm->MRUManager->Strings().isEmpty());
}

TEST_F(MainTest, OpenLoadsAfterTheQuestionAndAFailedLoadChangesNothing)
{
    const QString good = File(QStringLiteral("good.ATP"));
    WriteProgramFile(good, {1, 2});
    dialogs.ChooseFile(good);
    EXPECT_TRUE(Exec(frm->acProgramOpen));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, RequestKind::OpenFile);
    EXPECT_EQ(dialogs.asked[0].caption, QStringLiteral("Open Time Program"));
    EXPECT_EQ(dialogs.asked[0].filter, QStringLiteral("AAS Time Programs(*.ATP)|*.ATP"));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("VELOR TIME - [%1]").arg(good));

    // A damaged file: the error is shown, nothing else changes.
    Modify(3);
    const QString bad = File(QStringLiteral("bad.ATP"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a time program");
    f.close();
    dialogs.ChooseFile(bad);
    dialogs.Answer(gui::mrNo);
    EXPECT_FALSE(Exec(frm->acProgramOpen));
    ASSERT_EQ(dialogs.asked.size(), 4u);
    EXPECT_EQ(dialogs.asked[3].type, gui::MsgDlgType::Error);
    EXPECT_FALSE(dialogs.asked[3].text.isEmpty());
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(frm->IsModified());
    EXPECT_EQ(frm->FFileName, good);
    EXPECT_EQ(frm->MRUManager->Strings(), QStringList{good});

    // No to the question: after the load Save is disabled until the next change.
    dialogs.Answer(gui::mrNo);
    frm->OpenProgram(good);
    EXPECT_EQ(Rows(), 2);
    EXPECT_FALSE(frm->IsModified());
    EXPECT_FALSE(Enabled(frm->acProgramSave));
}

TEST_F(MainTest, RecentFilesReopenNewestFirstAndTheCurrentFileDoesNothing)
{
    QStringList names;
    for (const char* n : {"a.ATP", "b.ATP", "c.ATP"}) {
        names << File(QString::fromLatin1(n));
        WriteProgramFile(names.last(), {int(names.size())});
        frm->OpenProgram(names.last());
    }
    EXPECT_EQ(Items(frm->miProgramReopen), (QStringList{"&1 " + names[2], "&2 " + names[1], "&3 " + names[0]}));
    EXPECT_TRUE(frm->miProgramReopen->isEnabled());

    // The current file: no question, no reload, the changes stay.
    Modify(9);
    frm->miProgramReopen->actions()[0]->trigger();
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(frm->IsModified());

    // Another one: the question first, then the load moves it to the top.
    dialogs.Answer(gui::mrNo);
    frm->miProgramReopen->actions()[2]->trigger();
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromLatin1(SaveQuestion).arg(names[2])});
    EXPECT_EQ(frm->FFileName, names[0]);
    EXPECT_EQ(frm->MRUManager->Strings(), (QStringList{names[0], names[2], names[1]}));

    // The Open button's drop-down lists the same items and opens them.
    emit frm->pmRecent->aboutToShow();
    EXPECT_EQ(Items(frm->pmRecent), Items(frm->miProgramReopen));
    emit frm->pmRecent->aboutToShow();   // refilled, not appended
    ASSERT_EQ(frm->pmRecent->actions().size(), 3);
    frm->pmRecent->actions()[2]->trigger();
    EXPECT_EQ(frm->FFileName, names[1]);
    EXPECT_EQ(Rows(), 1);
}

TEST_F(MainTest, ReopenIsDisabledWhileTheListIsEmpty)
{
    EXPECT_FALSE(frm->miProgramReopen->isEnabled());
    EXPECT_TRUE(frm->miProgramReopen->actions().isEmpty());
}

TEST_F(MainTest, TheFirstCommandLineArgumentOpensWhenItNamesAFile)
{
    // A path with a blank reaches the program as two arguments: nothing opens.
    const QString spaced = File(QStringLiteral("with blank.ATP"));
    WriteProgramFile(spaced, {1});
    frm->FCommandLine = QStringList{File(QStringLiteral("with")), QStringLiteral("blank.ATP")};
    frm->show();
    EXPECT_EQ(frm->FFileName, UntitledName);
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(dialogs.asked.empty());

    // A folder is no file.
    TfrmMain folder;
    folder.FCommandLine = QStringList{stores.dir.path()};
    folder.show();
    EXPECT_EQ(folder.FFileName, UntitledName);
    EXPECT_TRUE(dialogs.asked.empty());

    // An existing file opens; the name stays as given.
    TfrmMain second;
    second.FCommandLine = QStringList{spaced, QStringLiteral("ignored")};
    second.show();
    EXPECT_EQ(second.FFileName, spaced);
    EXPECT_EQ(second.cdsProgram.Table().RecordCount(), 1);
    EXPECT_EQ(second.MRUManager->Strings(), QStringList{spaced});
    // Only the first showing opens it.
    second.hide();
    AppendProgramRow(second.cdsProgram, 2);
    second.show();
    EXPECT_EQ(second.cdsProgram.Table().RecordCount(), 2);
}

TEST_F(MainTest, PlacementGridLayoutAndRecentFilesPersistThroughTheRegistry)
{
    const QString name = File(QStringLiteral("p.ATP"));
    WriteProgramFile(name, {1});
    frm->OpenProgram(name);
    frm->show();
    frm->setGeometry(40, 50, 700, 500);
    QHeaderView* header = frm->DBGrid->horizontalHeader();
    header->resizeSection(fldSampleName, 211);
    header->moveSection(header->visualIndex(fldReplicates), 0);
    const int replicatesPosition = header->visualIndex(fldReplicates);
    ASSERT_TRUE(frm->close());

    using platform::registry::TRegistry;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorTime\\VelorTime"), false));
    for (const char* value : {"Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos", "NormPos"})
        EXPECT_TRUE(reg.ValueExists(QString::fromLatin1(value))) << value;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorTime\\VelorTime\\TfrmMain.MRUManager"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Item_0")), name);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("User_0")), 0);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorTime\\VelorTime\\TfrmMain.DBGrid"), false));
    EXPECT_EQ(reg.ReadString(QStringLiteral("SampleName")),
              QStringLiteral("%1,211").arg(header->visualIndex(fldSampleName)));

    TfrmMain again;
    EXPECT_EQ(again.MRUManager->Strings(), QStringList{name});
    const QHeaderView* h2 = again.DBGrid->horizontalHeader();
    EXPECT_EQ(h2->sectionSize(fldSampleName), 211);
    EXPECT_EQ(h2->visualIndex(fldReplicates), replicatesPosition);
    EXPECT_EQ(again.geometry().size(), QSize(700, 500));
}

TEST_F(MainTest, ADamagedGridLayoutIsPassedOver)
{
    using platform::registry::TRegistry;
    {
        TRegistry reg;
        reg.OpenKey(QStringLiteral("\\Software\\VelorTime\\VelorTime\\TfrmMain.DBGrid"), true);
        reg.WriteInteger(QStringLiteral("SampleID"), 5);
        reg.WriteString(QStringLiteral("SampleName"), QStringLiteral("x,y"));
        reg.WriteString(QStringLiteral("Replicates"), QStringLiteral("1,-4"));
        reg.WriteString(QStringLiteral("ReadAt"), QStringLiteral("99,77"));
    }
    TfrmMain w;
    EXPECT_TRUE(dialogs.asked.empty());
    const QHeaderView* h = w.DBGrid->horizontalHeader();
    EXPECT_EQ(h->sectionSize(fldReadAt), 77);
    EXPECT_EQ(h->visualIndex(fldSampleID), 0);
    EXPECT_GT(h->sectionSize(fldReplicates), 0);
}

TEST_F(MainTest, ConnectReportsAPortThatDoesNotOpen)
{
    frm->cpDrv->SetPortName(File(QStringLiteral("no-such-port")));
    EXPECT_TRUE(Exec(frm->acInstrConnect));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              QStringLiteral("Could not connect to serial port.\r\nPlease, check settings and try again."));
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbOK);
    EXPECT_FALSE(frm->cpDrv->IsConnected());
}

TEST_F(MainTest, ConnectDisconnectAndPropertiesOnAnOpenPort)
{
    PtyPair pty;
    frm->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
    EXPECT_TRUE(Exec(frm->acInstrConnect));
    EXPECT_TRUE(frm->cpDrv->IsConnected());
    EXPECT_FALSE(Enabled(frm->acInstrConnect));
    EXPECT_TRUE(Enabled(frm->acInstrDisconnect));

    // Properties while connected: Cancel keeps the connection ...
    dialogs.Answer(gui::mrCancel);
    EXPECT_TRUE(Exec(frm->acInstrProperties));
    EXPECT_TRUE(frm->cpDrv->IsConnected());
    // ... OK closes it and shows the settings dialog on the port.
    dialogs.Answer(gui::mrOk);
    dialogs.Answer(gui::mrCancel);
    EXPECT_TRUE(Exec(frm->acInstrProperties));
    EXPECT_FALSE(frm->cpDrv->IsConnected());
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[2].kind, RequestKind::Form);

    EXPECT_TRUE(Exec(frm->acInstrConnect));
    EXPECT_TRUE(Exec(frm->acInstrDisconnect));
    EXPECT_FALSE(frm->cpDrv->IsConnected());
}

TEST_F(MainTest, ALineLostWhileIdleIsToldAtOnceAndOnce)
{
    PtyPair pty;
    frm->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(Exec(frm->acInstrConnect));
    ASSERT_TRUE(pty.write(std::string("1\r2\r")));
    ASSERT_TRUE(SpinUntil([&] { return frm->FLines.FReceivedLines.size() == 3; }));

    pty.closeMaster();
    ASSERT_TRUE(SpinUntil([&] { return !frm->cpDrv->IsConnected(); }));
    QCoreApplication::processEvents();   // the event loop's next turn tells it
    ASSERT_FALSE(dialogs.asked.empty());
    SpinFor(100);   // later ticks of the port tell nothing more
    EXPECT_EQ(dialogs.Texts(), QStringList{QStringLiteral("The connection to the serial port was lost.\r\n"
                                                          "The received data is kept; check the instrument and "
                                                          "connect again.")});
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_FALSE(frm->cpDrv->IsConnected());
    EXPECT_TRUE(Enabled(frm->acInstrConnect));
    EXPECT_FALSE(Enabled(frm->acInstrDisconnect));
    EXPECT_EQ(frm->FLines.FReceivedLines, (std::vector<std::string>{"1", "2", ""}));
}

TEST_F(MainTest, AboutBoxScrollsWhileShown)
{
    bool checked = false;
    dialogs.previous = gui::SetResponder([&](const gui::DialogRequest& r) {
        auto* about = qobject_cast<TfrmAbout*>(r.form);
        EXPECT_NE(about, nullptr);
        if (!about)
            return gui::DialogReply{gui::mrCancel, {}, 0, {}};
        EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(about->size(), QSize(348, 180));
        EXPECT_TRUE(about->btnOK->isDefault());
        EXPECT_EQ(about->btnOK->text(), QStringLiteral("OK"));
        EXPECT_EQ(about->lblTitle->text().count(QLatin1Char('\n')), 1);
        EXPECT_TRUE(about->tmrScroll->isActive());
        EXPECT_EQ(about->tmrScroll->interval(), 40);
        about->btnOK->click();
        EXPECT_FALSE(about->tmrScroll->isActive());
        EXPECT_EQ(about->result(), QDialog::Accepted);
        checked = true;
        return gui::DialogReply{gui::mrNone, {}, 0, {}};
    });
    EXPECT_TRUE(Exec(frm->acHelpAbout));
    EXPECT_TRUE(checked);
}

TEST_F(MainTest, ExitClosesThroughTheSaveQuestion)
{
    frm->show();
    Modify();
    dialogs.Answer(gui::mrCancel);
    frm->miProgramExit->trigger();
    EXPECT_TRUE(frm->isVisible());
    dialogs.Answer(gui::mrNo);
    frm->miProgramExit->trigger();
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(MainTest, ClosingDuringARunResetsItFirstAndAsksOnceTheRunHasReturned)
{
    frm->show();
    Modify();
    frm->FRunning = true;
    frm->FRunLoopActive = true;
    EXPECT_FALSE(frm->close());
    // The run was reset; no question while its loops are still on the stack.
    EXPECT_FALSE(frm->FRunning);
    ASSERT_TRUE(SpinTicks(frm->findChild<QTimer*>(QStringLiteral("tmrCloseWait")), 3));   // the close waits on
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(frm->isVisible());

    // Once the run has returned, the usual question decides.
    dialogs.Answer(gui::mrNo);
    frm->FRunLoopActive = false;
    ASSERT_TRUE(SpinUntil([&] { return !frm->isVisible(); }));
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromLatin1(SaveQuestion).arg(UntitledName)});
}

// ---------------------------------------------------------------------------
// The window driven by keys and clicks: the grid's cell editor, the focus and
// the command keys.

using main_window_test::MainKeysTest;
using platform::tablestore::TDataSetState;

TEST_F(MainKeysTest, WhatTheCellEditorHoldsIsStoredByEveryCommandThatPostsOrSaves)
{
    const QString copy = File(QStringLiteral("copy.ATP"));
    const struct {
        const char* name;
        std::function<void()> store;
        QString file;        // the file read back afterwards, if any
        bool closes = false; // the window is gone afterwards
        bool modifiedFirst = false;   // Save is enabled by a change already made
    } stores[] = {
        {"Save Row Changes, menu item", [&] { ClickMenuItem(frm->miEdit, frm->acEditDSPost); }, {}},
        {"Save Row Changes, tool button", [&] { ClickToolButton(frm->tbarEdit, frm->acEditDSPost); }, {}},
        {"Save Row Changes, Ctrl+Q", [&] { Press(Qt::Key_Q, Qt::ControlModifier); }, {}},
        {"Save, Ctrl+S", [&] { Press(Qt::Key_S, Qt::ControlModifier); }, File(QStringLiteral("program.ATP")), false,
         true},
        {"Save As, menu item",
         [&] {
             dialogs.SaveAs(copy);
             ClickMenuItem(frm->miProgram, frm->acProgramSaveAs);
         },
         copy},
        {"moving to another row, Up", [&] { Press(Qt::Key_Up); }, {}},
        // Every row holds data: the run asks about the first one and is cancelled.
        {"Run, F9", [&] { Press(Qt::Key_F9); }, {}},
        {"Exit, Yes to the save question",
         [&] {
             dialogs.Answer(gui::mrYes);
             ClickMenuItem(frm->miProgram, frm->miProgramExit);
         },
         File(QStringLiteral("program.ATP")), true},
    };
    for (const auto& store : stores) {
        Restart(WriteProgram({1, 2}, {1, 2}));
        // A text, an integer and a time, each left in its open editor.
        const struct {
            int field;
            const char* typed;
            const char* stored;
        } cells[] = {{fldSampleName, "Copper", "Copper"}, {fldReplicates, "3", "3"}, {fldWashingTime, "4.5", "4.5"}};
        for (const auto& cell : cells) {
            SCOPED_TRACE(std::string(store.name) + ", " + cell.typed);
            if (store.modifiedFirst) {   // the first row's title changed and posted
                ClickCell(0, fldSampleName);
                Type(QStringLiteral("Zinc ") + QString::fromLatin1(cell.typed));
                Press(Qt::Key_Q, Qt::ControlModifier);
                ASSERT_TRUE(frm->IsModified());
            }
            ClickCell(1, cell.field);
            Type(QString::fromLatin1(cell.typed));
            ASSERT_NE(CellEditor(), nullptr);
            Idle();
            store.store();
            if (!store.file.isEmpty()) {
                TTimeProgram reread;
                reread.LoadFromFile(store.file.toStdString());
                EXPECT_EQ(reread.Table().AsStringAt(1, cell.field), cell.stored);
            }
            if (store.closes) {
                EXPECT_FALSE(frm->isVisible());
                break;
            }
            EXPECT_EQ(State(), TDataSetState::Browse);
            EXPECT_EQ(Field(1, cell.field), cell.stored);
            EXPECT_EQ(CellEditor(), nullptr);   // the editor handed its text over and closed
            EXPECT_EQ(frm->IsModified(), store.file.isEmpty());
        }
    }
    for (const gui::DialogRequest& r : dialogs.asked)
        EXPECT_NE(r.type, gui::MsgDlgType::Error) << r.text.toStdString();
}

TEST_F(MainKeysTest, SaveIsEnabledByTheModifiedFlagAloneWhileACellIsTypedInto)
{
    const QString program = WriteProgram({1, 2});
    Start(program);
    QWidget* saveButton = frm->tbarProgram->widgetForAction(frm->acProgramSave);
    const auto savedTitle = [&](int row) {
        TTimeProgram reread;
        reread.LoadFromFile(program.toStdString());
        return reread.Table().AsStringAt(row, fldSampleName);
    };

    // Unmodified: a cell being typed into leaves Save disabled; Ctrl+S does nothing.
    ClickCell(1, fldSampleName);
    Type(QStringLiteral("Copper"));
    Idle();
    EXPECT_EQ(State(), TDataSetState::Edit);
    EXPECT_FALSE(frm->acProgramSave->isEnabled());
    EXPECT_FALSE(saveButton->isEnabled());
    Press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_NE(CellEditor(), nullptr);
    EXPECT_EQ(CellEditor()->text(), QStringLiteral("Copper"));
    EXPECT_EQ(savedTitle(1), "row 2");
    EXPECT_FALSE(frm->IsModified());

    // The posted change modifies the program: Save is enabled, also while the
    // next cell is typed into, and Ctrl+S stores what its editor holds.
    Press(Qt::Key_Q, Qt::ControlModifier);
    ClickCell(0, fldSampleName);
    Type(QStringLiteral("Zinc"));
    Idle();
    EXPECT_TRUE(frm->acProgramSave->isEnabled());
    EXPECT_TRUE(saveButton->isEnabled());
    Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(savedTitle(0), "Zinc");
    EXPECT_EQ(savedTitle(1), "Copper");
    Idle();
    EXPECT_FALSE(frm->acProgramSave->isEnabled());
}

TEST_F(MainKeysTest, CtrlLeftAndRightWashWhereverTheFocusIsTextFieldsIncluded)
{
    Start(WriteProgram({1, 2}));
    QTest::mouseClick(frm->sbtnAutosampler, Qt::LeftButton);   // the panel with its fields
    const auto focusedBy = [&](Qt::Key mnemonic, QWidget* field) {
        Press(mnemonic, Qt::AltModifier);
        ASSERT_EQ(QApplication::focusWidget(), field);
    };
    const auto cellEditor = [&](int column) {
        ClickCell(0, column);
        Press(Qt::Key_F2);
        ASSERT_NE(CellEditor(), nullptr);
    };
    const struct {
        const char* name;
        std::function<void()> enter;
    } places[] = {
        {"the grid", [&] { ClickCell(0, fldSampleName); }},
        {"a text cell's editor", [&] { cellEditor(fldSampleName); }},
        {"a number cell's editor", [&] { cellEditor(fldWashingTime); }},
        {"the type cell's editor", [&] { cellEditor(fldSampleType); }},
        {"M&ove by:", [&] { focusedBy(Qt::Key_O, frm->spedMoveBy); }},
        {"st&ep(s)", [&] { focusedBy(Qt::Key_E, frm->cmbMoveTo); }},
        {"S&tart from position:", [&] { focusedBy(Qt::Key_T, frm->spedStartFrom); }},
        {"the run page", [&] { frm->pcMain->setCurrentWidget(frm->tsRun); }},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        place.enter();
        Idle();
        QWidget* focus = QApplication::focusWidget();
        QLineEdit* editor = CellEditor();
        const QString text = editor ? editor->text() : QString();
        const int cursor = editor ? editor->cursorPosition() : -1;
        const QString moveBy = frm->spedMoveBy->text();
        portio::sim::SetRegister(0x378, 0x00);
        portio::sim::ClearWrites();

        Press(Qt::Key_Right, Qt::ControlModifier);   // Start Washing: the valve opens
        Press(Qt::Key_Left, Qt::ControlModifier);    // Stop Washing: it closes
        std::vector<int> written;
        for (const portio::PortWrite& w : portio::sim::Writes())
            written.push_back(w.Port == 0x378 ? w.Value : -1);
        EXPECT_EQ(written, (std::vector<int>{0x02, 0x00}));
        // The keys moved nothing in the field.
        EXPECT_EQ(QApplication::focusWidget(), focus);
        if (editor) {
            ASSERT_EQ(CellEditor(), editor);
            EXPECT_EQ(editor->text(), text);
            EXPECT_EQ(editor->cursorPosition(), cursor);
        }
        EXPECT_EQ(frm->spedMoveBy->text(), moveBy);
    }
}

TEST_F(MainKeysTest, TheFirstKeystrokeInACellPutsItsRowIntoEditMode)
{
    Start(WriteProgram({1, 2}));
    const struct {
        int field;
        char key;
    } cells[] = {{fldSampleName, 'x'}, {fldSampleType, 'B'}, {fldReplicates, '7'}, {fldWashingTime, '9'}};
    QWidget* postButton = frm->tbarEdit->widgetForAction(frm->acEditDSPost);
    for (const auto& cell : cells) {
        SCOPED_TRACE(frm->DBGrid->model()->headerData(cell.field, Qt::Horizontal).toString().toStdString());
        const std::string before = Field(0, cell.field);
        ClickCell(0, cell.field);
        Idle();
        EXPECT_FALSE(frm->acEditDSPost->isEnabled());
        EXPECT_FALSE(postButton->isEnabled());
        Type(QString(QLatin1Char(cell.key)));
        EXPECT_EQ(State(), TDataSetState::Edit);
        Idle();
        EXPECT_TRUE(frm->acEditDSPost->isEnabled());
        EXPECT_TRUE(postButton->isEnabled());
        EXPECT_TRUE(frm->acEditDSCancel->isEnabled());
        ASSERT_NE(CellEditor(), nullptr);
        EXPECT_EQ(CellEditor()->text(), QString(QLatin1Char(cell.key)));

        // Discarding the row's changes closes the editor with nothing handed over.
        Press(Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_EQ(State(), TDataSetState::Browse);
        EXPECT_EQ(CellEditor(), nullptr);
        EXPECT_EQ(Field(0, cell.field), before);
        EXPECT_FALSE(frm->IsModified());
    }
}

TEST_F(MainKeysTest, ARefusedValueShowsItsMessageAndStaysInTheEditorToBeCorrected)
{
    const QString program = WriteProgram({1, 2});
    Start(program);
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    // Each message comes in a box that takes the activation from the window
    // while it shows, as a real box does.
    QStringList shown;
    dialogs.previous = gui::SetResponder([&](const gui::DialogRequest& r) {
        shown << r.text;
        QWidget box;
        box.show();
        Activate(&box);
        box.hide();
        Activate(frm);
        return gui::DialogReply{gui::mrOk, {}, 0, {}};
    });
    const struct {
        int field;
        const char* typed;
        const char* message;
        const char* corrected;
    } cases[] = {
        {fldReplicates, "abc", "'abc' is not a valid integer value for field 'Replicates'", "4"},
        {fldReplicates, "0", "0 is not a valid value for field 'Replicates'. The allowed range is 1 to 2147483647", "5"},
        {fldWashingTime, "1,5x", "'1,5x' is not a valid floating point value for field 'Washing Time'", "2.5"},
        {fldWashingTime, "0,55", "'0,55' is not a valid floating point value for field 'Washing Time'", "1.55"},
    };
    // Whatever hands the text over: the commands that post or save, and what
    // leaves the editor.
    const struct {
        const char* name;
        std::function<void()> commit;
    } commits[] = {
        {"Save Row Changes, Ctrl+Q", [] { Press(Qt::Key_Q, Qt::ControlModifier); }},
        {"Save, Ctrl+S", [] { Press(Qt::Key_S, Qt::ControlModifier); }},
        {"Enter", [] { Press(Qt::Key_Return); }},
        {"Tab", [] { Press(Qt::Key_Tab); }},
        {"Down", [] { Press(Qt::Key_Down); }},
        {"a click on another row's cell",
         [&] {
             const QModelIndex other = frm->DBGrid->model()->index(1, fldSampleName);
             QTest::mouseClick(frm->DBGrid->viewport(), Qt::LeftButton, {},
                               frm->DBGrid->visualRect(other).center());
             QApplication::processEvents();
         }},
        // The focus leaving the grid for another control.
        {"a click into M&ove by:",
         [&] {
             QTest::mouseClick(frm->spedMoveBy, Qt::LeftButton, {}, frm->spedMoveBy->rect().center());
             QApplication::processEvents();
         }},
        {"M&ove by:, Alt+O", [] { Press(Qt::Key_O, Qt::AltModifier); }},
    };
    // The autosampler panel shows "M&ove by:".
    QTest::mouseClick(frm->sbtnAutosampler, Qt::LeftButton);
    ASSERT_TRUE(frm->spedMoveBy->isVisible());
    // A change posted first enables Save.
    ClickCell(1, fldSampleName);
    Type(QStringLiteral("Zinc"));
    Press(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(frm->IsModified());
    for (const auto& c : cases) {
        ClickCell(0, c.field);
        Type(QString::fromLatin1(c.typed));
        Idle();
        for (const auto& commit : commits) {
            SCOPED_TRACE(std::string(c.typed) + ", " + commit.name);
            shown.clear();
            commit.commit();
            EXPECT_EQ(shown, QStringList{QString::fromLatin1(c.message)});
            ASSERT_NE(CellEditor(), nullptr);
            EXPECT_EQ(CellEditor()->text(), QString::fromLatin1(c.typed));
            EXPECT_EQ(frm->DBGrid->currentIndex(), frm->DBGrid->model()->index(0, c.field));
            EXPECT_EQ(frm->cdsProgram.Table().RecNo(), 0);
            EXPECT_EQ(State(), TDataSetState::Edit);
        }
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), saved);
        file.close();

        shown.clear();
        Press(Qt::Key_A, Qt::ControlModifier);
        Type(QString::fromLatin1(c.corrected));
        Press(Qt::Key_Q, Qt::ControlModifier);
        EXPECT_TRUE(shown.isEmpty());
        EXPECT_EQ(State(), TDataSetState::Browse);
        EXPECT_EQ(Field(0, c.field), c.corrected);
    }
}

TEST_F(MainKeysTest, KeysInTheCellEditorHandTheTextOverAndMoveAsTheGridDoes)
{
    const int first = 0, middle = 1, last = 2;
    // The time typed into a row's washing time (or the editor opened on it
    // with F2, its whole text selected), then the keys: those before the last
    // move the caret in the text and keep the editor open, the last one
    // leaves it.  A row key posts the row (where there is no row to move to
    // as well; Down on the last row then appends one); a column key only
    // hands the text to the field.  Keys come as the keyboard sends them:
    // Shift+Tab is Backtab with Shift held.
    const struct {
        const char* name;
        std::vector<Qt::Key> caretKeys;
        Qt::Key key;
        int to[3];    // the row that follows, from the first, middle and last row
        int column;   // the column that follows
        bool posts;
        Qt::KeyboardModifiers modifiers = {};
        bool byF2 = false;   // the editor opened with F2, nothing typed
    } cases[] = {
        {"Up", {}, Qt::Key_Up, {first, first, middle}, fldWashingTime, true},
        {"Down", {}, Qt::Key_Down, {middle, last, last + 1}, fldWashingTime, true},
        {"Page Up", {}, Qt::Key_PageUp, {first, first, first}, fldWashingTime, true},
        {"Page Down", {}, Qt::Key_PageDown, {last, last, last}, fldWashingTime, true},
        {"Home", {Qt::Key_Home}, Qt::Key_Home, {first, middle, last}, fldSampleID, false},
        {"End", {Qt::Key_Home, Qt::Key_End}, Qt::Key_End, {first, middle, last}, fldGraphicView, false},
        {"Left", {Qt::Key_Home}, Qt::Key_Left, {first, middle, last}, fldReplicates, false},
        {"Right", {Qt::Key_Left, Qt::Key_Right}, Qt::Key_Right, {first, middle, last}, fldInjectionTime, false},
        {"Tab", {}, Qt::Key_Tab, {first, middle, last}, fldInjectionTime, false},
        {"Shift+Tab", {}, Qt::Key_Backtab, {first, middle, last}, fldReplicates, false, Qt::ShiftModifier},
        {"Right after F2", {}, Qt::Key_Right, {first, middle, last}, fldInjectionTime, false, {}, true},
        {"End after F2", {}, Qt::Key_End, {first, middle, last}, fldGraphicView, false, {}, true},
        {"Left after F2", {}, Qt::Key_Left, {first, middle, last}, fldReplicates, false, {}, true},
        {"Home after F2", {}, Qt::Key_Home, {first, middle, last}, fldSampleID, false, {}, true},
    };
    const QString program = WriteProgram({1, 2, 3});
    for (const auto& c : cases) {
        for (const int row : {first, middle, last}) {
            SCOPED_TRACE(std::string(c.name) + " from row " + std::to_string(row));
            Restart(program);
            ClickCell(row, fldWashingTime);
            const std::string stored = c.byF2 ? Field(row, fldWashingTime) : "4.5";
            if (c.byF2)
                Press(Qt::Key_F2);
            else
                Type(QStringLiteral("4.5"));
            ASSERT_NE(CellEditor(), nullptr);
            const QString text = CellEditor()->text();
            if (c.byF2) {
                ASSERT_EQ(CellEditor()->selectedText(), text);
            }
            for (const Qt::Key key : c.caretKeys) {
                Press(key);
                ASSERT_NE(CellEditor(), nullptr);
                EXPECT_EQ(CellEditor()->text(), text);
            }
            Press(c.key, c.modifiers);
            EXPECT_EQ(CellEditor(), nullptr);
            EXPECT_EQ(QApplication::focusWidget(), frm->DBGrid);
            const int to = c.to[row];
            EXPECT_EQ(frm->DBGrid->currentIndex().row(), to);
            EXPECT_EQ(frm->DBGrid->currentColumn(), c.column);
            EXPECT_EQ(frm->cdsProgram.Table().RecNo(), to);
            EXPECT_EQ(Field(row, fldWashingTime), stored);
            const bool appended = to == last + 1;
            EXPECT_EQ(frm->cdsProgram.Table().RowCount(), appended ? 4 : 3);
            // Nothing changed after F2: the row stays as it was.
            EXPECT_EQ(State(), appended  ? TDataSetState::Insert
                               : c.byF2 || c.posts ? TDataSetState::Browse
                                                   : TDataSetState::Edit);
            EXPECT_EQ(frm->IsModified(), !c.byF2);
        }
    }
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(MainKeysTest, TheGridHasTheFocusSoInsInsertsARowAtOnce)
{
    const QString program = WriteProgram({1, 2});
    Start(program);
    const auto focusStepList = [&] {
        if (!frm->panAutoData->isVisible())
            QTest::mouseClick(frm->sbtnAutosampler, Qt::LeftButton);
        Press(Qt::Key_E, Qt::AltModifier);   // "st&ep(s)"
        ASSERT_EQ(frm->focusWidget(), frm->cmbMoveTo);
    };
    const struct {
        const char* name;
        std::function<void()> bring;
        int rows;
    } cases[] = {
        {"started with a program file on the command line", [] {}, 2},
        {"after New (Ctrl+N)",
         [&] {
             dialogs.Answer(gui::mrNo);   // the inserted and dropped row set the modified flag
             Press(Qt::Key_N, Qt::ControlModifier);
         },
         0},
        {"after Open (Ctrl+O)",
         [&] {
             dialogs.ChooseFile(program);
             Press(Qt::Key_O, Qt::ControlModifier);
         },
         2},
        {"Tab from the step list",
         [&] {
             for (int presses = 0; presses < 4 && QApplication::focusWidget() != frm->DBGrid; ++presses)
                 Press(Qt::Key_Tab);
         },
         2},
    };
    bool first = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!first) {
            // Away from the grid, Ins does nothing.
            focusStepList();
            Press(Qt::Key_Insert);
            EXPECT_EQ(State(), TDataSetState::Browse);
            c.bring();
        }
        first = false;
        EXPECT_EQ(frm->focusWidget(), frm->DBGrid);
        ASSERT_EQ(frm->cdsProgram.Table().RowCount(), c.rows);
        Press(Qt::Key_Insert);
        EXPECT_EQ(State(), TDataSetState::Insert);
        EXPECT_EQ(frm->cdsProgram.Table().RowCount(), c.rows + 1);
        Press(Qt::Key_Escape, Qt::ShiftModifier);
        EXPECT_EQ(frm->cdsProgram.Table().RowCount(), c.rows);
    }
    EXPECT_TRUE(dialogs.replies.empty());
}

TEST_F(MainKeysTest, EveryCommandKeyReachesItsCommandOnEitherPage)
{
    platform::ManualClock clock(1000);
    TVirtualTime virtualTime(clock);   // the step pulses' half second passes at once
    PtyPair pty;

    std::size_t asked = 0;   // requests before the key
    const auto newRequests = [&] {
        return std::vector<gui::DialogRequest>(dialogs.asked.begin() + std::ptrdiff_t(asked), dialogs.asked.end());
    };
    const auto askedOnce = [&](const QString& text) {
        const auto requests = newRequests();
        return requests.size() == 1 && requests[0].text.startsWith(text);
    };
    const auto askedFor = [&](RequestKind kind, const QString& filter = {}) {
        const auto requests = newRequests();
        return requests.size() == 1 && requests[0].kind == kind && (filter.isEmpty() || requests[0].filter == filter);
    };
    const auto register378 = [] { return portio::sim::Register(0x378); };
    const auto pulsed = [](std::uint8_t mask) {
        for (const portio::PortWrite& w : portio::sim::Writes())
            if (w.Port == 0x378 && (w.Value & mask))
                return true;
        return false;
    };
    std::uint8_t registerBefore = 0;

    // Each command: its key, whether it follows the focused grid (the row
    // commands), what to arrange first, and what it does once it is reached.
    struct Command {
        const char* name;
        QAction* TfrmMain::*action;
        std::function<void()> before;
        std::function<void(bool reached)> check;
        bool followsGrid = false;
        bool inert = false;      // no behaviour of its own: shown disabled
    };
    const QString program = File(QStringLiteral("program.ATP"));
    const Command commands[] = {
        {"Connect", &TfrmMain::acInstrConnect, {}, [&](bool) { EXPECT_TRUE(frm->cpDrv->IsConnected()); }},
        {"Disconnect", &TfrmMain::acInstrDisconnect, {}, [&](bool) { EXPECT_FALSE(frm->cpDrv->IsConnected()); }},
        {"Communication Properties", &TfrmMain::acInstrProperties, {},
         [&](bool) { EXPECT_TRUE(askedFor(RequestKind::Form)); }},
        {"Save Samples", &TfrmMain::acInstrSaveSamples, {},
         [&](bool) { EXPECT_TRUE(frm->cdsProgram.HasData(1)); }},
        {"Run", &TfrmMain::acProgramRun, {},
         [&](bool) { EXPECT_TRUE(askedOnce(QStringLiteral("Sample 1 - row 1 already has data recorded."))); }},
        {"Reset", &TfrmMain::acProgramReset, [&] { frm->FRunning = true; },
         [&](bool) {
             EXPECT_FALSE(frm->FRunning);
             EXPECT_TRUE(frm->FResetRequested);
             frm->FRunning = false;
         }},
        {"New", &TfrmMain::acProgramNew, {},
         [&](bool) { EXPECT_TRUE(askedOnce(QString::fromLatin1(SaveQuestion).arg(program))); }},
        {"Open", &TfrmMain::acProgramOpen, {}, [&](bool) { EXPECT_TRUE(askedFor(RequestKind::OpenFile)); }},
        {"Save As Experiment", &TfrmMain::acInstrSaveExperiment, {},
         [&](bool) {
             EXPECT_TRUE(askedFor(RequestKind::SaveFile, QStringLiteral("AAS Experiment Files(*.AXP)|*.AXP")));
         }},
        {"Save", &TfrmMain::acProgramSave, {},
         [&](bool) {
             EXPECT_FALSE(frm->IsModified());
             TTimeProgram reread;
             reread.LoadFromFile(program.toStdString());
             EXPECT_TRUE(reread.HasData(1));
         }},
        {"Insert Row", &TfrmMain::acEditInsertRow, {},
         [&](bool reached) {
             EXPECT_EQ(State(), reached ? TDataSetState::Insert : TDataSetState::Browse);
             EXPECT_EQ(frm->cdsProgram.Table().RowCount(), reached ? 3 : 2);
         },
         true},
        {"Save Row Changes", &TfrmMain::acEditDSPost, {},
         [&](bool reached) {
             // The new row has no ID yet: the post is refused with the table's message.
             if (reached)
                 EXPECT_TRUE(askedOnce(QStringLiteral("Field 'ID' must have a value")));
             else
                 EXPECT_TRUE(newRequests().empty());
         },
         true},
        {"Discard Row Changes", &TfrmMain::acEditDSCancel, {},
         [&](bool) {
             EXPECT_EQ(State(), TDataSetState::Browse);
             EXPECT_EQ(frm->cdsProgram.Table().RowCount(), 2);
         },
         true},
        {"Delete Row", &TfrmMain::acEditDelRow, [&] { dialogs.Answer(gui::mrNo); },
         [&](bool) {
             EXPECT_TRUE(askedOnce(QStringLiteral("Delete record ?")));
             EXPECT_EQ(frm->cdsProgram.Table().RowCount(), 2);
         }},
        {"LPT 2", &TfrmMain::acOptionsLPT2, {}, [&](bool) { EXPECT_TRUE(frm->acOptionsLPT2->isChecked()); }},
        {"LPT 1", &TfrmMain::acOptionsLPT1, {}, [&](bool) { EXPECT_TRUE(frm->acOptionsLPT1->isChecked()); }},
        {"Start Washing", &TfrmMain::acOptionsStartWash, {},
         [&](bool) { EXPECT_EQ(register378(), registerBefore | 0x02); }},
        {"Stop Washing", &TfrmMain::acOptionsStopWash, {},
         [&](bool) { EXPECT_EQ(register378(), registerBefore ^ 0x02); }},
        {"Probe Down", &TfrmMain::acOptionsProbeDown, {}, [&](bool) { EXPECT_EQ(register378() & 0x01, 0x01); }},
        {"Probe Up", &TfrmMain::acOptionsProbeUp, {}, [&](bool) { EXPECT_EQ(register378() & 0x01, 0x00); }},
        {"Move One Step Right", &TfrmMain::acOptionsMoveRight, {}, [&](bool) { EXPECT_TRUE(pulsed(0x08)); }},
        {"Move One Step Left", &TfrmMain::acOptionsMoveLeft, {}, [&](bool) { EXPECT_TRUE(pulsed(0x10)); }},
        {"Move To Blank Position", &TfrmMain::acOptionsMoveBlank, {}, [&](bool) { EXPECT_TRUE(pulsed(0x20)); }},
        {"Copy Row", &TfrmMain::acEditCopyRow, {}, {}, false, true},
        {"Paste Row", &TfrmMain::acEditPasteRow, {}, {}, false, true},
        {"Find", &TfrmMain::acEditFind, {}, {}, false, true},
        {"Find Next", &TfrmMain::acEditFindNext, {}, {}, false, true},
        {"Move Custom Steps", &TfrmMain::acOptionsMoveCustom, {}, {}, false, true},
        {"Contents", &TfrmMain::acHelpContents, {}, {}, false, true},
    };

    // Where the focus is when the key comes.
    struct Context {
        const char* name;
        bool gridFocused;
        std::function<void()> enter;
    };
    // Reset shows the program page again after the run page's commands.
    const auto programPage = [&] { ASSERT_EQ(frm->pcMain->currentWidget(), frm->tsProgram); };
    const Context contexts[] = {
        {"program page, grid focused", true,
         [&] {
             programPage();
             ASSERT_EQ(QApplication::focusWidget(), frm->DBGrid);
         }},
        {"program page, a cell editor open", true,
         [&] {
             programPage();
             if (CellEditor() != nullptr)
                 return;
             ASSERT_EQ(QApplication::focusWidget(), frm->DBGrid);
             Press(Qt::Key_Home);    // the row's first cell, the ID
             Press(Qt::Key_Right);   // its title
             Press(Qt::Key_F2);
             ASSERT_NE(CellEditor(), nullptr);
         }},
        {"program page, the step list focused", false,
         [&] {
             programPage();
             if (!frm->panAutoData->isVisible())
                 QTest::mouseClick(frm->sbtnAutosampler, Qt::LeftButton);
             if (QApplication::focusWidget() != frm->cmbMoveTo)
                 Press(Qt::Key_E, Qt::AltModifier);   // "st&ep(s)"
             ASSERT_EQ(QApplication::focusWidget(), frm->cmbMoveTo);
         }},
        {"run page", false,
         [&] {
             // The page a run shows, with whatever focus it leaves.
             frm->pcMain->setCurrentWidget(frm->tsRun);
             ASSERT_FALSE(frm->DBGrid->isVisible());
         }},
    };

    // The table names every command that has a key.
    QStringList withKeys, tested;
    for (QAction* a : frm->acList->Actions())
        if (!a->shortcut().isEmpty())
            withKeys << a->objectName();
    for (const Command& c : commands)
        tested << (frm->*c.action)->objectName();
    withKeys.sort();
    tested.sort();
    EXPECT_EQ(tested, withKeys);

    for (const Context& context : contexts) {
        WriteProgram({1, 2}, {1});   // the first row holds data
        Restart(program);
        frm->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
        portio::sim::SetRegister(0x378, 0);
        for (const Command& command : commands) {
            QAction* action = frm->*command.action;
            const QKeyCombination key = action->shortcut()[0];
            SCOPED_TRACE(std::string(context.name) + ": " + command.name + " (" +
                         action->shortcut().toString().toStdString() + ")");
            context.enter();
            if (command.before)
                command.before();
            Idle();
            asked = dialogs.asked.size();
            registerBefore = register378();
            portio::sim::ClearWrites();
            if (command.inert) {
                // Disabled, its key does nothing, whatever has the focus.
                const QString text = CellEditor() ? CellEditor()->text() : QString();
                QSignalSpy triggered(action, &QAction::triggered);
                Press(key.key(), key.keyboardModifiers());
                EXPECT_EQ(triggered.count(), 0);
                EXPECT_EQ(CellEditor() ? CellEditor()->text() : QString(), text);
                // Given a command, the key would reach it.
                action->setEnabled(true);
                Press(key.key(), key.keyboardModifiers());
                action->setEnabled(false);
                EXPECT_EQ(triggered.count(), 1);
                EXPECT_TRUE(newRequests().empty());
            } else {
                const bool reached = !command.followsGrid || context.gridFocused;
                Press(key.key(), key.keyboardModifiers());
                command.check(reached);
            }
            dialogs.replies.clear();
        }
    }
}
