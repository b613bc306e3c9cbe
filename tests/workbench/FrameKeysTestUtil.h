#pragma once
// Keys in the real frame: the Instrument Data window, two sample windows and
// two experiment windows, the frame active, every dialog cancelled by a
// script.  The user works in the first window of each kind; the second one,
// opened later, has the same commands and keys.  Also the table of every
// command key of the workbench with the window it is pressed in.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

#include "ActionList.h"
#include "CPDrv.h"
#include "ExcelApplication.h"
#include "ExperimentTestUtil.h"
#include "Instrument.h"
#include "Main.h"
#include "PtyPair.h"
#include "ScriptedDialogs.h"
#include "XlsThread.h"

namespace frame_keys_test {

using experiment_test::ExperimentFixture;
using sample_window_test::Pump;
using VelorSpec::TfrmExperiment;
using VelorSpec::TfrmInstrument;
using VelorSpec::TfrmSample;

enum class Win { Frame, Experiment, Sample, Instrument };

// Every key of the command tables, pressed where its window is active,
// reaches its command once, in that window and not in the other window of
// the same kind (and nothing else), which asks what it asks.
struct KeyCase {
    const char* name;
    Win owner;         // whose command it is
    Win active;        // the window the user works in
    const char* action;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* asked; // what the command asks first ("" nothing)
    int page = -1;     // the Instrument Data window active: the page it shows
};

inline void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

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
        frame->OpenFile(sample_window_test::WriteSample(dir, QStringLiteral("s2.AST"), *one));
        otherSample = qobject_cast<TfrmSample*>(frame->ActiveChild());
        ASSERT_NE(otherSample, nullptr);
        ASSERT_NE(otherSample, sample);
        otherExperiment = Open(experiment_test::WriteExperiment(dir, QStringLiteral("e2.AXP"), *e));
        ASSERT_NE(otherExperiment, nullptr);
        ASSERT_NE(otherExperiment, experiment);
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
    // Whose commands a list holds: "frame", "instrument", "sample", "other
    // sample", "experiment" or "other experiment".
    QString OwnerName(const QObject* owner) const
    {
        const std::pair<const QObject*, const char*> names[] = {
            {frame, "frame"},           {instrument, "instrument"},           {sample, "sample"},
            {otherSample, "other sample"}, {experiment, "experiment"}, {otherExperiment, "other experiment"}};
        for (const auto& [window, name] : names)
            if (window == owner)
                return QString::fromLatin1(name);
        return QStringLiteral("?");
    }
    QString OwnerName(Win owner) const
    {
        switch (owner) {
        case Win::Frame: return OwnerName(frame);
        case Win::Experiment: return OwnerName(experiment);
        case Win::Sample: return OwnerName(sample);
        case Win::Instrument: return OwnerName(instrument);
        }
        return {};
    }
    // The commands that fire from now on, in order, each as its window's
    // name and the command's ("experiment acSampleZero").
    void RecordFiredCommands()
    {
        for (gui::TActionList* list : frame->findChildren<gui::TActionList*>()) {
            const QString owner = OwnerName(list->Owner());
            for (QAction* a : list->Actions())
                QObject::connect(a, &QAction::triggered, frame,
                                 [this, a, owner] { fired << owner + QLatin1Char(' ') + a->objectName(); });
        }
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

    // The state in which the command of `c` is enabled, and the user's click
    // into the window to work in; `target` is the control that then has the
    // focus.
    void PrepareKey(const KeyCase& c, QWidget*& target)
    {
        QAction* action = Find(c.owner, c.action);
        ASSERT_NE(action, nullptr);
        ASSERT_EQ(action->shortcut(), QKeySequence(c.key | c.modifiers));
        const QString name = QString::fromLatin1(c.action);
        if (name == "acFileSave")
            experiment->FModified = true;
        if (c.active != Win::Instrument) {
            if (name == "acDisconnect") {
                ASSERT_TRUE(instrument->acList->Execute(instrument->acConnect));
            }
            if (name == "acClearData" || name == "acProceedData")
                LoadInstrumentLines();
            if (name == "acSaveSamples" || name == "acSaveAsExperiment")
                ProceedWithOneSample();
        }

        // The user clicks into the window to work in.
        target = nullptr;
        if (c.active == Win::Experiment) {
            experiment->tviewExperiment->expandAll();
            QTreeWidgetItem* node = experiment->SampleNode(1);
            ClickNode(experiment->tviewExperiment, name == "acSampleDeleteReplicate" ? node->child(1) : node);
            target = experiment->tviewExperiment;
        } else if (c.active == Win::Sample) {
            sample->tviewSample->expandAll();
            ClickNode(sample->tviewSample, sample->tviewSample->topLevelItem(0)->child(1));
            target = sample->tviewSample;
        } else {
            // Received lines and one sample on page "Proceed...", the nodes the
            // command works on clicked (connected first for Disconnect).
            if (name == "acDisconnect" && c.page == 1) {
                ASSERT_TRUE(instrument->acList->Execute(instrument->acConnect));
            }
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
            if (c.page == 0) {
                // Connecting shows "Received Data" and keeps trees and samples;
                // the emptied list gets its lines again.
                ASSERT_TRUE(instrument->acList->Execute(instrument->acConnect));
                if (name != "acDisconnect") {
                    ASSERT_TRUE(instrument->acList->Execute(instrument->acDisconnect));
                }
                LoadInstrumentLines();
                QTest::mouseClick(instrument->ChartView->viewport(), Qt::LeftButton);
                target = instrument->ChartView;
            }
            ASSERT_EQ(instrument->pctrlData->currentIndex(), c.page);
            if (name == "acShowInstrumentWindow") {
                ASSERT_TRUE(instrument->acList->Execute(instrument->acMinimize));
                Pump();
                ASSERT_TRUE(instrument->IsMinimized());
                target = QApplication::focusWidget();
                ASSERT_NE(target, nullptr);
                ASSERT_FALSE(instrument->isAncestorOf(target));
            }
        }
        if (name != "acShowInstrumentWindow") {
            ASSERT_EQ(frame->MdiArea->currentSubWindow()->widget(),
                      c.active == Win::Experiment ? static_cast<QWidget*>(experiment)
                      : c.active == Win::Sample   ? static_cast<QWidget*>(sample)
                                                  : static_cast<QWidget*>(instrument));
        }

        Pump();
        gui::TActionList::UpdateAll();   // the event loop going idle
        ASSERT_TRUE(action->isEnabled());
    }
    // The key of `c` reached its command once, and nothing else.
    void ExpectFiredOnce(const KeyCase& c)
    {
        const QString name = QString::fromLatin1(c.action);
        EXPECT_EQ(fired, QStringList{OwnerName(c.owner) + QLatin1Char(' ') + name});
        EXPECT_EQ(FirstAsked(), QString::fromLatin1(c.asked));
        if (name == "acShowInstrumentWindow") {
            EXPECT_FALSE(instrument->IsMinimized());
        }
    }

    PtyPair pty;
    ScriptedDialogs dialogs;
    TfrmInstrument* instrument = nullptr;
    TfrmSample* sample = nullptr;
    TfrmExperiment* experiment = nullptr;
    QPointer<TfrmSample> otherSample;
    QPointer<TfrmExperiment> otherExperiment;
    QStringList fired;
    QString previousFolder;
    xls::Opener previousOpener;
};

inline const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;
inline const Qt::KeyboardModifiers NumCtrl = Qt::ControlModifier | Qt::KeypadModifier;

inline const KeyCase KeyCases[] = {
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
    // The Instrument Data window's commands, the window active on either page
    // (its sample tree holds one sample; on "Received Data" the focus is on
    // the chart, on "Proceed..." in the sample tree).
    {"Instrument_Connect_F3_OnReceivedData", Win::Instrument, Win::Instrument, "acConnect", Qt::Key_F3, {}, "", 0},
    {"Instrument_Connect_F3_OnProceed", Win::Instrument, Win::Instrument, "acConnect", Qt::Key_F3, {}, "", 1},
    {"Instrument_Disconnect_F4_OnReceivedData", Win::Instrument, Win::Instrument, "acDisconnect", Qt::Key_F4, {},
     "", 0},
    {"Instrument_Disconnect_F4_OnProceed", Win::Instrument, Win::Instrument, "acDisconnect", Qt::Key_F4, {}, "", 1},
    {"Instrument_Configuration_F5_OnReceivedData", Win::Instrument, Win::Instrument, "acConfiguration", Qt::Key_F5,
     {}, "TSettingsForm", 0},
    {"Instrument_Configuration_F5_OnProceed", Win::Instrument, Win::Instrument, "acConfiguration", Qt::Key_F5, {},
     "TSettingsForm", 1},
    {"Instrument_ClearData_F6_OnReceivedData", Win::Instrument, Win::Instrument, "acClearData", Qt::Key_F6, {}, "",
     0},
    {"Instrument_ClearData_F6_OnProceed", Win::Instrument, Win::Instrument, "acClearData", Qt::Key_F6, {}, "", 1},
    {"Instrument_ProceedData_F7_OnReceivedData", Win::Instrument, Win::Instrument, "acProceedData", Qt::Key_F7, {},
     "", 0},
    {"Instrument_ProceedData_F7_OnProceed", Win::Instrument, Win::Instrument, "acProceedData", Qt::Key_F7, {}, "", 1},
    {"Instrument_SaveSamples_F8_OnReceivedData", Win::Instrument, Win::Instrument, "acSaveSamples", Qt::Key_F8, {},
     "", 0},
    {"Instrument_SaveSamples_F8_OnProceed", Win::Instrument, Win::Instrument, "acSaveSamples", Qt::Key_F8, {}, "", 1},
    {"Instrument_SaveAsExperiment_F9_OnReceivedData", Win::Instrument, Win::Instrument, "acSaveAsExperiment",
     Qt::Key_F9, {}, "save dialog", 0},
    {"Instrument_SaveAsExperiment_F9_OnProceed", Win::Instrument, Win::Instrument, "acSaveAsExperiment", Qt::Key_F9,
     {}, "save dialog", 1},
    // Minimized, the window hands the activation on to the next child: F12
    // there brings it back.
    {"Instrument_ShowInstrumentWindow_F12_OnReceivedData", Win::Instrument, Win::Instrument,
     "acShowInstrumentWindow", Qt::Key_F12, {}, "", 0},
    {"Instrument_ShowInstrumentWindow_F12_OnProceed", Win::Instrument, Win::Instrument, "acShowInstrumentWindow",
     Qt::Key_F12, {}, "", 1},
    {"Instrument_AddSample_CtrlNumPlus_OnReceivedData", Win::Instrument, Win::Instrument, "acAddSample",
     Qt::Key_Plus, NumCtrl, "", 0},
    {"Instrument_AddSample_CtrlNumPlus_OnProceed", Win::Instrument, Win::Instrument, "acAddSample", Qt::Key_Plus,
     NumCtrl, "", 1},
    {"Instrument_DeleteSample_CtrlNumMinus_OnReceivedData", Win::Instrument, Win::Instrument, "acDelSample",
     Qt::Key_Minus, NumCtrl, "", 0},
    {"Instrument_DeleteSample_CtrlNumMinus", Win::Instrument, Win::Instrument, "acDelSample", Qt::Key_Minus, NumCtrl,
     "", 1},
    {"Instrument_MoveRight_CtrlRight_OnReceivedData", Win::Instrument, Win::Instrument, "acMoveRight", Qt::Key_Right,
     Ctrl, "", 0},
    {"Instrument_MoveRight_CtrlRight", Win::Instrument, Win::Instrument, "acMoveRight", Qt::Key_Right, Ctrl, "", 1},
    {"Instrument_MoveLeft_CtrlLeft_OnReceivedData", Win::Instrument, Win::Instrument, "acMoveLeft", Qt::Key_Left,
     Ctrl, "", 0},
    {"Instrument_MoveLeft_CtrlLeft", Win::Instrument, Win::Instrument, "acMoveLeft", Qt::Key_Left, Ctrl, "", 1},
};

// The case of the table named `name`.
inline const KeyCase& FindKeyCase(const char* name)
{
    const auto found = std::find_if(std::begin(KeyCases), std::end(KeyCases),
                                    [name](const KeyCase& c) { return std::string(c.name) == name; });
    if (found == std::end(KeyCases))
        throw std::invalid_argument(std::string("no key case ") + name);
    return *found;
}

}  // namespace frame_keys_test
