// The calibration code inside the experiment window: the marking commands,
// the calibration page with the info-line refresh, and "P&roceed All
// Samples..." with the window's refresh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTabBar>
#include <QTest>
#include <QtCharts/QScatterSeries>

#include "CalibrationTestUtil.h"
#include "CalibrationView.h"
#include "DefineStandart.h"
#include "ExperimentCalibration.h"
#include "ExperimentTestUtil.h"
#include "ProceedAll.h"
#include "ScriptedDialogs.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace experiment_test;
using namespace calibration_test;
using VelorSpec::TCalibrationView;
using VelorSpec::TfrmDefineStandart;
using VelorSpec::TfrmProceedAll;

namespace {

ScriptedResponder::Step Standard(double Value, int Unit, int Result = gui::mrOk)
{
    return [=](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmDefineStandart*>(R.form);
        EXPECT_NE(D, nullptr);
        EXPECT_EQ(D->parentWidget() ? D->parentWidget()->objectName() : QString(), "frmExperiment");
        D->sedConc->SetValue(Value);
        D->cmbConcUnits->setCurrentIndex(Unit);
        (Result == gui::mrOk ? D->btnOK : D->btnCancel)->click();
        return gui::DialogReply{};
    };
}

// A batch dialog answer: Press runs the buttons, then Close (OK or Cancel).
ScriptedResponder::Step Batch(std::function<void(TfrmProceedAll&)> Press, bool Ok = true)
{
    return [=](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
        EXPECT_NE(D, nullptr);
        if (D) {
            Press(*D);
            (Ok ? D->btnOK : D->btnCancel)->click();
        }
        return gui::DialogReply{};
    };
}

class ExperimentCalibration : public ExperimentFixture {
protected:
    TfrmExperiment* OpenSet(const std::vector<SampleSpec>& Specs, std::uint8_t Stored = 0)
    {
        auto E = BuildExperiment(Specs);
        E->SetUsedStatistic(Stored);
        TfrmExperiment* W = Open(WriteExperiment(dir, QString("E%1.AXP").arg(++FFiles), *E));
        EXPECT_NE(W, nullptr);
        return W;
    }
    int FFiles = 0;
    TAASSample* SampleAt(TfrmExperiment* W, int I) { return W->Experiment->GetItem(I); }
    void SelectSample(TfrmExperiment* W, int I) { Select(W, W->SampleNode(I)); }
    static QString Line(TfrmExperiment* W, int Sample, int Line)
    {
        return InfoLines(W->SampleNode(Sample))[Line];
    }
};

// ---------------------------------------------------------------------------
// Marking

TEST_F(ExperimentCalibration, StandartInPpbStoresPpmAndShowsIt)
{
    for (const char Sep : {'.', ','}) {
        SeparatorScope Scope(Sep);
        TfrmExperiment* W = OpenSet({{"A", 100}, {"B", 200}});
        SelectSample(W, 1);
        ScriptedResponder Answers;
        Answers.Then(Standard(250, 1));
        EXPECT_TRUE(Run(W, W->acSampleStandart));
        const TAASSample* S = SampleAt(W, 1);
        EXPECT_TRUE(S->Standart());
        EXPECT_FALSE(S->Zero());
        EXPECT_EQ(S->Concentration(), 0.25);
        EXPECT_EQ(S->ConcentrationStr(), "ppm");
        EXPECT_TRUE(W->FModified);
        EXPECT_EQ(Line(W, 1, 8), "Sample Type: STANDART");
        EXPECT_EQ(Line(W, 1, 9), Sep == '.' ? "Concentration: 0.250 [ppm]" : "Concentration: 0,250 [ppm]");
        EXPECT_EQ(W->tviewExperimentNodeColor(W->SampleNode(1), false), QColor(0, 0, 255));
        // Marking does not calibrate.
        EXPECT_TRUE(W->CalibChart->series().isEmpty());
    }
}

TEST_F(ExperimentCalibration, StandartAtZeroIsAcceptedAndNotKnown)
{
    TfrmExperiment* W = OpenSet({{"A", 100}});
    SelectSample(W, 0);
    ScriptedResponder Answers;
    Answers.Then(Standard(0, 0));
    Run(W, W->acSampleStandart);
    EXPECT_TRUE(SampleAt(W, 0)->Standart());
    EXPECT_EQ(SampleAt(W, 0)->Concentration(), 0.0);
    EXPECT_EQ(Line(W, 0, 9), "Concentration: Not known");
    EXPECT_TRUE(Answers.Messages().isEmpty());
}

TEST_F(ExperimentCalibration, CheckedCommandDoesNothingAndSampleAsksAgain)
{
    TfrmExperiment* W = OpenSet({{"A", 100, Kind::Standart, 2.0}});
    SelectSample(W, 0);
    ASSERT_FALSE(W->FModified);
    ScriptedResponder Answers;
    // Ctrl+1 on a standard: no question, no change.
    EXPECT_TRUE(Run(W, W->acSampleStandart));
    EXPECT_TRUE(Answers.Requests.empty());
    EXPECT_FALSE(W->FModified);
    EXPECT_TRUE(W->acSampleStandart->isChecked());
    EXPECT_FALSE(W->acSampleSample->isChecked());
    // Ctrl+2, then Ctrl+1 asks for a new concentration.
    Run(W, W->acSampleSample);
    EXPECT_FALSE(SampleAt(W, 0)->Standart());
    EXPECT_EQ(SampleAt(W, 0)->Concentration(), NotSet);
    EXPECT_EQ(Line(W, 0, 8), "Sample Type: SAMPLE");
    EXPECT_TRUE(W->FModified);
    Answers.Then(Standard(4, 0));
    Run(W, W->acSampleStandart);
    ASSERT_EQ(Answers.Requests.size(), 1u);
    EXPECT_EQ(SampleAt(W, 0)->Concentration(), 4.0);
}

TEST_F(ExperimentCalibration, ShortcutKeysReachTheMarkingCommands)
{
    TfrmExperiment* W = OpenSet({{"A", 100, Kind::Standart, 2.0}});
    SelectSample(W, 0);
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
    W->tviewExperiment->setFocus();
    ScriptedResponder Answers;
    QTest::keyClick(W->tviewExperiment, Qt::Key_1, Qt::ControlModifier);
    EXPECT_TRUE(Answers.Requests.empty());
    EXPECT_FALSE(W->FModified);
    QTest::keyClick(W->tviewExperiment, Qt::Key_2, Qt::ControlModifier);
    EXPECT_FALSE(SampleAt(W, 0)->Standart());
    Answers.Then(Standard(3, 0));
    QTest::keyClick(W->tviewExperiment, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(Answers.Requests.size(), 1u);
    EXPECT_EQ(SampleAt(W, 0)->Concentration(), 3.0);
    QTest::keyClick(W->tviewExperiment, Qt::Key_3, Qt::ControlModifier);
    EXPECT_TRUE(SampleAt(W, 0)->Zero());
}

TEST_F(ExperimentCalibration, CancelStillMarksTheWindowModified)
{
    TfrmExperiment* W = OpenSet({{"A", 100}});
    SelectSample(W, 0);
    ScriptedResponder Answers;
    Answers.Then(Standard(5, 0, gui::mrCancel));
    Run(W, W->acSampleStandart);
    EXPECT_FALSE(SampleAt(W, 0)->Standart());
    EXPECT_EQ(SampleAt(W, 0)->Concentration(), NotSet);
    EXPECT_TRUE(W->FModified);
}

TEST_F(ExperimentCalibration, ZeroAndSampleAreExclusiveKinds)
{
    TfrmExperiment* W = OpenSet({{"A", 100, Kind::Standart, 2.0}});
    SelectSample(W, 0);
    SampleAt(W, 0)->SetConcentrationStr("ppb");
    Run(W, W->acSampleZero);
    const TAASSample* S = SampleAt(W, 0);
    EXPECT_TRUE(S->Zero());
    EXPECT_FALSE(S->Standart());
    EXPECT_EQ(S->Concentration(), NotSet);
    EXPECT_EQ(S->ConcentrationStr(), "ppm");
    EXPECT_EQ(Line(W, 0, 8), "Sample Type: ZERO");
    EXPECT_EQ(W->tviewExperimentNodeColor(W->SampleNode(0), false), QColor(0, 128, 0));
    W->acList->UpdateActions();
    EXPECT_EQ(QList<bool>({W->acSampleStandart->isChecked(), W->acSampleSample->isChecked(),
                           W->acSampleZero->isChecked()}),
              QList<bool>({false, false, true}));
    Run(W, W->acSampleSample);
    EXPECT_FALSE(SampleAt(W, 0)->Zero());
}

TEST_F(ExperimentCalibration, MarkingFromAnyKindLeavesExactlyTheNewOne)
{
    struct Case {
        const char* Name;
        Kind From;
        Qt::Key Key;   // with Ctrl: 1 standard, 2 sample, 3 zero
        bool Standart, Zero;
    };
    const Case Cases[] = {
        {"zero to standard", Kind::Zero, Qt::Key_1, true, false},
        {"sample to standard", Kind::Sample, Qt::Key_1, true, false},
        {"standard to zero", Kind::Standart, Qt::Key_3, false, true},
        {"sample to zero", Kind::Sample, Qt::Key_3, false, true},
        {"zero to sample", Kind::Zero, Qt::Key_2, false, false},
        {"standard to sample", Kind::Standart, Qt::Key_2, false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TfrmExperiment* W = OpenSet({{"A", 100, C.From, C.From == Kind::Standart ? 2.0 : NotSet}});
        SelectSample(W, 0);
        frame->activateWindow();
        QApplication::setActiveWindow(frame);
        W->tviewExperiment->setFocus();
        ScriptedResponder Answers;
        if (C.Key == Qt::Key_1)
            Answers.Then(Standard(5, 0));
        QTest::keyClick(W->tviewExperiment, C.Key, Qt::ControlModifier);
        EXPECT_EQ(Answers.Requests.size(), C.Key == Qt::Key_1 ? 1u : 0u);
        const TAASSample* S = SampleAt(W, 0);
        EXPECT_EQ(S->Standart(), C.Standart);
        EXPECT_EQ(S->Zero(), C.Zero);
        W->acList->UpdateActions();
        EXPECT_EQ(QList<bool>({W->acSampleStandart->isChecked(), W->acSampleSample->isChecked(),
                               W->acSampleZero->isChecked()}),
                  QList<bool>({C.Standart, !C.Standart && !C.Zero, C.Zero}));
        EXPECT_EQ(Answers.Unexpected, 0);
    }
}

TEST_F(ExperimentCalibration, MarkingNeedsASampleNode)
{
    TfrmExperiment* W = OpenSet({{"A", 100}});
    for (QTreeWidgetItem* Node : {static_cast<QTreeWidgetItem*>(nullptr), W->RootNode(), W->SampleNode(0)->child(0),
                                  W->SampleNode(0)->child(5)}) {
        Select(W, Node);
        for (QAction* A : {W->acSampleStandart, W->acSampleSample, W->acSampleZero})
            EXPECT_FALSE(Enabled(W, A));
    }
    SelectSample(W, 0);
    for (QAction* A : {W->acSampleStandart, W->acSampleSample, W->acSampleZero})
        EXPECT_TRUE(Enabled(W, A));
    EXPECT_EQ(W->acSampleStandart->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
}

// ---------------------------------------------------------------------------
// The calibration page

TEST_F(ExperimentCalibration, ActivatingThePageCalibratesAndRefreshesInfoLines)
{
    for (const char Sep : {'.', ','}) {
        SeparatorScope Scope(Sep);
        // The file keeps statistic 1; the page starts at item 0 all the same.
        TfrmExperiment* W = OpenSet(StandardSet(), 1);
        TCalibrationView* View = VelorSpec::CalibrationView(*W);
        ASSERT_NE(View, nullptr);
        EXPECT_EQ(View->rgrUsedStats->ItemIndex(), 0);
        EXPECT_EQ(W->CalibChart, View->CalibChart);
        EXPECT_FALSE(Enabled(W, W->acExpCopyCalibChart));
        ScriptedResponder Answers;
        W->pctrlExperiment->setCurrentIndex(1);
        EXPECT_TRUE(Answers.Requests.empty());
        EXPECT_EQ(W->Experiment->UsedStatistic(), 0);
        EXPECT_EQ(W->CalibChart->series().size(), 3);
        EXPECT_FALSE(W->FModified);
        EXPECT_TRUE(Enabled(W, W->acExpCopyCalibChart));
        QApplication::clipboard()->clear();
        ASSERT_TRUE(Run(W, W->acExpCopyCalibChart));
        const QImage Copy = QApplication::clipboard()->image();
        ASSERT_EQ(Copy.size(), W->CalibChartView->size());
        EXPECT_EQ(Copy.pixelColor(0, Copy.height() - 1), QColor(Qt::white));   // plain white, no silver
        auto Twin = BuildExperiment(StandardSet());
        std::vector<double> X, Y;
        Twin->DoRegression(X, Y);
        for (int I = 0; I < Twin->Count(); ++I) {
            const double C = Twin->GetItem(I)->Concentration();
            EXPECT_EQ(W->Experiment->GetItem(I)->Concentration(), C);
            EXPECT_EQ(Line(W, I, 9).toStdString(),
                      C > 0 ? Format("Concentration: %.3f [%s]", C, "ppm") : std::string("Concentration: Not known"));
        }
        // Another statistic redraws and refreshes again.
        View->rgrUsedStats->Button(3)->click();
        EXPECT_EQ(W->Experiment->UsedStatistic(), 3);
        EXPECT_FALSE(W->FModified);
    }
}

TEST_F(ExperimentCalibration, PageWithoutStandardsShowsTheMessage)
{
    TfrmExperiment* W = OpenSet({{"A", 100}, {"B", 200}});
    ScriptedResponder Answers;
    Answers.ThenResult(gui::mrOk);
    W->pctrlExperiment->setCurrentIndex(1);
    EXPECT_EQ(Answers.Messages(), QStringList{"Can't do regression without defined standarts."});
    EXPECT_TRUE(W->CalibChart->series().isEmpty());
    EXPECT_FALSE(VelorSpec::CalibrationView(*W)->TitleVisible());
    EXPECT_FALSE(Enabled(W, W->acExpCopyCalibChart));
}

// ---------------------------------------------------------------------------
// Proceed All Samples

TEST_F(ExperimentCalibration, ProceedAllDefinePlateauThenOkRebuildsInfoLines)
{
    TfrmExperiment* W = OpenSet({{"A", 100, Kind::Sample, NotSet, false, false},
                                 {"B", 200, Kind::Sample, NotSet, false, false},
                                 {"C", 300, Kind::Sample, NotSet, false, false}});
    EXPECT_TRUE(Enabled(W, W->acExpProceedAll));
    EXPECT_EQ(W->acExpProceedAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    ScriptedResponder Answers;
    Answers.Then(Batch([](TfrmProceedAll& D) { D.btnDefinePlateau->click(); }));
    Answers.Then(processing_test::FillForm<VelorSpec::TfrmInterval>([](VelorSpec::TfrmInterval& F) {
        F.sedStart->SetValue(0.5);
        F.sedEnd->SetValue(0.7);
    }));
    EXPECT_TRUE(Run(W, W->acExpProceedAll));
    EXPECT_TRUE(W->FModified);
    for (int I = 0; I < 3; ++I) {
        EXPECT_EQ(SampleAt(W, I)->PeakStart(), 0.5);
        EXPECT_EQ(Line(W, I, 0).toStdString(), Format("Peak Interval: %.2f - %.2f [s]", 0.5, 0.7));
    }
    EXPECT_TRUE(W->tviewExperiment->updatesEnabled());
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST_F(ExperimentCalibration, ProceedAllSmoothThenOkRefillsTheCurves)
{
    TfrmExperiment* W = OpenSet({{"A", 100}, {"B", 200}});
    ScriptedResponder Answers;
    Answers.Then(Batch([](TfrmProceedAll& D) { D.btnSmooth->click(); }));
    Answers.Then(processing_test::FillForm<VelorSpec::TfrmSmooth>(
        [](VelorSpec::TfrmSmooth& F) { F.sedPoints->SetValue(2); }));
    Run(W, W->acExpProceedAll);
    for (int I = 0; I < 2; ++I) {
        const TAASSample* S = SampleAt(W, I);
        EXPECT_EQ(CurveY(*W, W->SampleNode(I)->child(0)), PointsOf(S->GetItem(0)));
        EXPECT_EQ(CurveY(*W, W->SampleNode(I)->child(2)), PointsOf(S->Ansambled()));
    }
    EXPECT_TRUE(W->FModified);
}

TEST_F(ExperimentCalibration, ProceedAllCancelAfterAStepRefreshesAndMarksModified)
{
    TfrmExperiment* W = OpenSet({{"A", 100}, {"B", 200}});
    ScriptedResponder Answers;
    Answers.Then(Batch([](TfrmProceedAll& D) { D.btnAbsorbtion->click(); }, false));
    Run(W, W->acExpProceedAll);
    EXPECT_TRUE(W->FModified);
    const TAASSample* S = SampleAt(W, 1);
    EXPECT_TRUE(S->Absorbtion());
    EXPECT_EQ(CurveY(*W, W->SampleNode(1)->child(1)), PointsOf(S->GetItem(1)));
    EXPECT_EQ(Line(W, 1, 1).toStdString(), Format("Peak Mean: %.4f [a.u.]", S->PeakMean()));
}

// Without a sample the batch has nothing to propose its values from: the
// error box says so instead of the dialog, whose steps would fail.
TEST_F(ExperimentCalibration, ProceedAllOnAnEmptyExperimentSaysItHasNoSamples)
{
    TfrmExperiment* W = NewExperiment();
    ASSERT_NE(W, nullptr);
    W->FModified = false;
    ScriptedResponder Answers;
    Answers.ThenResult(gui::mrOk);
    Run(W, W->acExpProceedAll);
    ASSERT_EQ(Answers.Requests.size(), 1u);
    EXPECT_EQ(Answers.Requests[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(Answers.Messages(), QStringList{"Can't proceed all samples: the experiment has no samples."});
    EXPECT_FALSE(W->FModified);
}

// ---------------------------------------------------------------------------
// The whole road, by keys in the frame

// Types a concentration into the standard's dialog as a user does: the
// field that has the dialog's focus gets its text replaced, then Return.
void TypeConcentration(QDialog& Form, const QString& Text)
{
    Form.setModal(true);
    Form.show();
    QWidget* Field = Form.focusWidget();
    auto* Dialog = qobject_cast<TfrmDefineStandart*>(&Form);
    ASSERT_NE(Dialog, nullptr);
    ASSERT_TRUE(Field == Dialog->sedConc || Dialog->sedConc->isAncestorOf(Field));
    QTest::keyClick(Field, Qt::Key_Home);
    QTest::keyClick(Field, Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClicks(Field, Text);
    QTest::keyClick(Field, Qt::Key_Return);
}

// The concentration that the Calibration View page shows for the one
// sample it plots (its circle's x), after the user clicks the page's tab.
double ConcentrationOnTheCalibrationPage(TfrmExperiment* W)
{
    QTabBar* Tabs = W->pctrlExperiment->tabBar();
    QTest::mouseClick(Tabs, Qt::LeftButton, {}, Tabs->tabRect(1).center());
    const QScatterSeries* Samples = VelorSpec::CalibrationView(*W)->SamplesSeries();
    return Samples && Samples->count() == 1 ? Samples->at(0).x() : NotSet;
}

TEST_F(ExperimentCalibration, TheWholeRoadByKeys)
{
    // Two samples to become standards and a zero sample to become the sample measured.
    const std::vector<SampleSpec> Specs = {{"Low", 110}, {"High", 300}, {"Unknown", 200, Kind::Zero}};
    const QString Path = WriteExperiment(dir, "Road.AXP", *BuildExperiment(Specs));
    auto Twin = BuildExperiment({{"Low", 110, Kind::Standart, 2.0}, {"High", 300, Kind::Standart, 5.0},
                                 {"Unknown", 200}});
    std::vector<double> X, Y;
    Twin->DoRegression(X, Y);
    const double Expected = Twin->GetItem(2)->Concentration();
    ASSERT_GT(Expected, 0);

    ActivateFrame();
    ScriptedDialogs Dialogs;
    Dialogs.ChooseFile(Path);
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    TfrmExperiment* W = qobject_cast<TfrmExperiment*>(frame->ActiveChild());
    ASSERT_NE(W, nullptr);

    // Into the tree, to the first sample: Home, Right opens the root, Down.
    QTreeWidget* Tree = W->tviewExperiment;
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, {}, QPoint(4, Tree->viewport()->height() - 4));
    QTest::keyClick(Tree, Qt::Key_Home);
    QTest::keyClick(Tree, Qt::Key_Right);
    QTest::keyClick(Tree, Qt::Key_Down);
    ASSERT_EQ(Tree->currentItem(), W->SampleNode(0));
    Dialogs.Drive([](QDialog& Form) { TypeConcentration(Form, "2"); });
    QTest::keyClick(Tree, Qt::Key_1, Qt::ControlModifier);
    ActivateFrame();
    QTest::keyClick(Tree, Qt::Key_Down);
    Dialogs.Drive([](QDialog& Form) { TypeConcentration(Form, "5"); });
    QTest::keyClick(Tree, Qt::Key_1, Qt::ControlModifier);
    ActivateFrame();
    QTest::keyClick(Tree, Qt::Key_Down);
    QTest::keyClick(Tree, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Line(W, 0, 8), "Sample Type: STANDART");
    EXPECT_EQ(Line(W, 1, 8), "Sample Type: STANDART");
    EXPECT_EQ(Line(W, 2, 8), "Sample Type: SAMPLE");
    const double Read = ConcentrationOnTheCalibrationPage(W);

    // Ctrl+W: the batch dialog (cancelled).
    QTest::keyClick(Tree, Qt::Key_W, Qt::ControlModifier);
    EXPECT_EQ(Dialogs.formClasses.join(' ').remove("VelorSpec::"),
              "TfrmDefineStandart TfrmDefineStandart TfrmProceedAll");

    // Ctrl+S saves under the file's name; Ctrl+F4 closes; Ctrl+O opens it again.
    ASSERT_TRUE(W->FModified);
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(W->FModified);
    QTest::keyClick(frame, Qt::Key_F4, Qt::ControlModifier);
    Pump();
    EXPECT_TRUE(Experiments().isEmpty());
    Dialogs.ChooseFile(Path);
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    TfrmExperiment* Again = qobject_cast<TfrmExperiment*>(frame->ActiveChild());
    ASSERT_NE(Again, nullptr);
    EXPECT_EQ(Line(Again, 0, 8), "Sample Type: STANDART");
    EXPECT_EQ(Line(Again, 1, 8), "Sample Type: STANDART");
    EXPECT_EQ(Line(Again, 2, 8), "Sample Type: SAMPLE");
    const double ReadAgain = ConcentrationOnTheCalibrationPage(Again);

    // Last, what rests on the concentrations typed into the standard's
    // dialog: stored, saved, calibrated without an error box.
    EXPECT_EQ(Dialogs.asked.size(), 5u);   // two opens, two standards, the batch
    EXPECT_EQ(Again->Experiment->GetItem(0)->Concentration(), 2.0);
    EXPECT_EQ(Again->Experiment->GetItem(1)->Concentration(), 5.0);
    EXPECT_EQ(Read, Expected);
    EXPECT_EQ(ReadAgain, Expected);
}

}  // namespace
