// The batch dialog "Proceed All", its progress window and the refresh that
// follows it: every step compared with the same model operation on a twin
// experiment.
#include <gtest/gtest.h>

#include <QFont>
#include <QProgressBar>
#include <QPushButton>
#include <QLabel>

#include "CalibrationTestUtil.h"
#include "EditCtrls.h"
#include "Interval.h"
#include "ProceedAll.h"
#include "ProcessingTestUtil.h"
#include "Progress.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"

using namespace VelorSpec;
using namespace calibration_test;
using processing_test::FillForm;
using processing_test::ScriptedResponder;
using processing_test::SeparatorScope;

namespace {

// Three samples of different length and height, the last at a coarser step.
std::unique_ptr<TAASExperiment> ThreeSamples()
{
    auto E = BuildExperiment({{"A", 100, Kind::Sample, NotSet, false, false, 90},
                              {"B", 200, Kind::Sample, NotSet, false, false, 90},
                              {"C", 50, Kind::Sample, NotSet, false, false, 120}},
                             3);
    E->GetItem(2)->SetResolution(0.04);
    return E;
}

// Everything a step may change in a sample.
struct SampleState {
    std::vector<std::vector<double>> Points;
    std::vector<double> Ensemble;
    double Resolution, PeakStart, PeakEnd, AreaStart, AreaEnd;
    long double PeakMean, PeakSD, AreaMean, AreaSD;
    bool Absorbtion, ZeroSubtracted;
    bool operator==(const SampleState&) const = default;
};

SampleState StateOf(const TAASSample& S)
{
    SampleState St{};
    for (const TAASReplicate* R : S)
        St.Points.emplace_back(R->Points().begin(), R->Points().end());
    St.Ensemble.assign(S.Ansambled()->Points().begin(), S.Ansambled()->Points().end());
    St.Resolution = static_cast<double>(S.GetResolution());
    St.PeakStart = S.PeakStart();
    St.PeakEnd = S.PeakEnd();
    St.AreaStart = S.AreaStart();
    St.AreaEnd = S.AreaEnd();
    St.PeakMean = S.PeakMean();
    St.PeakSD = S.PeakSD();
    St.AreaMean = S.AreaMean();
    St.AreaSD = S.AreaSD();
    St.Absorbtion = S.Absorbtion();
    St.ZeroSubtracted = S.ZeroSubtracted();
    return St;
}

std::vector<SampleState> StatesOf(const TAASExperiment& E)
{
    std::vector<SampleState> Out;
    for (const TAASSample* S : E)
        Out.push_back(StateOf(*S));
    return Out;
}

ScriptedResponder::Step Interval(double Start, double End, int Result = gui::mrOk)
{
    return FillForm<TfrmInterval>(
        [Start, End](TfrmInterval& D) {
            D.sedStart->SetValue(Start);
            D.sedEnd->SetValue(End);
        },
        Result);
}

ScriptedResponder::Step Query(const QString& Answer, int Result = gui::mrOk)
{
    return [Answer, Result](const gui::DialogRequest& R) {
        EXPECT_EQ(R.kind, gui::RequestKind::InputQuery);
        gui::DialogReply Reply;
        Reply.result = Result;
        Reply.value = Answer;
        return Reply;
    };
}

TEST(ProceedAllDialog, FormAndButtons)
{
    auto E = ThreeSamples();
    TfrmProceedAll D(nullptr, E.get());
    EXPECT_EQ(D.windowTitle(), "Proceed All");
    // 179 x 253, grown where the desktop font needs more room.
    EXPECT_GE(D.width(), 179);
    EXPECT_GE(D.height(), 253);
    EXPECT_EQ(D.font().family(), QFont("Times New Roman").family());
    EXPECT_FALSE(D.FChanged);
    EXPECT_FALSE(D.FSeriesChanged);
    EXPECT_EQ(D.FExperiment, E.get());
    const std::pair<QPushButton*, const char*> Buttons[] = {
        {D.btnSubtractZero, "S&ubtract Zero..."}, {D.btnDefinePlateau, "D&efine Plateau..."},
        {D.btnCalcArea, "C&alculate Area..."},    {D.btnChangeInterval, "C&hange Sampling Interval..."},
        {D.btnSmooth, "S&mooth Signal..."},       {D.btnAbsorbtion, "A&bsorbtion"},
        {D.btnOK, "&OK"},                         {D.btnCancel, "Ca&ncel"},
    };
    int LastY = -1;
    D.show();
    for (const auto& [Button, Caption] : Buttons) {
        EXPECT_EQ(Button->text(), Caption);
        EXPECT_EQ(Button->width(), 150);
        EXPECT_GT(Button->y(), LastY);   // top to bottom in this order
        LastY = Button->y();
    }
    EXPECT_LT(D.btnAbsorbtion->y(), D.bvDivider->y());
    EXPECT_LT(D.bvDivider->y(), D.btnOK->y());
    EXPECT_LE(D.btnCancel->geometry().bottom(), D.height());
}

TEST(ProceedAllDialog, ProgressWindow)
{
    TfrmProgress P;
    EXPECT_EQ(P.windowTitle(), "Updating...");
    EXPECT_GE(P.width(), 303);
    EXPECT_GE(P.height(), 84);
    EXPECT_EQ(P.labInfo->text(), "Updating, please wait...");
    EXPECT_TRUE(P.labInfo->font().italic());
    EXPECT_EQ(P.prbarProgress->minimum(), 0);
    EXPECT_EQ(P.prbarProgress->maximum(), 100);
    EXPECT_FALSE(P.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST(ProceedAllDialog, SubtractZeroProposesFirstSampleAndTreatsAll)
{
    auto E = ThreeSamples();
    auto Twin = ThreeSamples();
    Twin->GetItem(1)->SubtractZero(0.1, 0.3);   // subtracted again by the batch
    E->GetItem(1)->SubtractZero(0.1, 0.3);
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmInterval*>(R.form);
        EXPECT_EQ(R.caption, "Subtract Zero");
        EXPECT_EQ(F->sedStart->Value(), 0.02);
        EXPECT_EQ(F->sedEnd->Value(), static_cast<double>(2 * 0.02L));
        EXPECT_EQ(F->sedEnd->MaxValue(), static_cast<double>(90 * 0.02L));
        F->sedStart->SetValue(0.1);
        F->sedEnd->SetValue(0.4);
        gui::DialogReply Reply;
        Reply.result = gui::mrOk;
        return Reply;
    });
    D.btnSubtractZero->click();
    for (TAASSample* S : *Twin)
        S->SubtractZero(0.1, 0.4);
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
    EXPECT_TRUE(D.FChanged);
    EXPECT_TRUE(D.FSeriesChanged);
    EXPECT_EQ(Answers.Messages().size(), 0);
}

TEST(ProceedAllDialog, PlateauAndAreaSetBothBoundsOnEverySample)
{
    auto E = ThreeSamples();
    auto Twin = ThreeSamples();
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    double ProposedStart = 0, ProposedEnd = 0;
    Twin->GetItem(0)->FindEdges(ProposedStart, ProposedEnd);
    Answers.Then([&](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmInterval*>(R.form);
        EXPECT_EQ(R.caption, "Define Plateau");
        EXPECT_EQ(F->sedStart->Value(), ProposedStart);
        EXPECT_EQ(F->sedEnd->Value(), ProposedEnd);
        F->sedStart->SetValue(0.7);
        F->sedEnd->SetValue(1.1);
        gui::DialogReply Reply;
        Reply.result = gui::mrOk;
        return Reply;
    });
    D.btnDefinePlateau->click();
    EXPECT_TRUE(D.FChanged);
    EXPECT_FALSE(D.FSeriesChanged);
    // The area is proposed equal to sample 0's plateau.
    Answers.Then([](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmInterval*>(R.form);
        EXPECT_EQ(R.caption, "Calculate Area");
        EXPECT_EQ(F->sedStart->Value(), 0.7);
        EXPECT_EQ(F->sedEnd->Value(), 1.1);
        F->sedStart->SetValue(0.2);
        F->sedEnd->SetValue(1.6);
        gui::DialogReply Reply;
        Reply.result = gui::mrOk;
        return Reply;
    });
    D.btnCalcArea->click();
    for (TAASSample* S : *Twin) {
        S->SetPeakStart(0.7);
        S->SetPeakEnd(1.1);
        S->SetAreaStart(0.2);
        S->SetAreaEnd(1.6);
    }
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
    EXPECT_FALSE(D.FSeriesChanged);
    EXPECT_EQ(Answers.Messages().size(), 0);
}

TEST(ProceedAllDialog, CalculateAreaWithoutPlateauProposesOneToTwoSteps)
{
    auto E = ThreeSamples();
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmInterval*>(R.form);
        EXPECT_EQ(F->sedStart->Value(), 0.02);
        EXPECT_EQ(F->sedEnd->Value(), static_cast<double>(2 * 0.02L));
        gui::DialogReply Reply;
        Reply.result = gui::mrCancel;
        return Reply;
    });
    const auto Before = StatesOf(*E);
    D.btnCalcArea->click();
    EXPECT_EQ(StatesOf(*E), Before);
    EXPECT_FALSE(D.FChanged);
}

TEST(ProceedAllDialog, ChangeSamplingIntervalRebinsOnlyFinerSamples)
{
    for (const char Sep : {'.', ','}) {
        SeparatorScope Scope(Sep);
        auto E = ThreeSamples();
        auto Twin = ThreeSamples();
        TfrmProceedAll D(nullptr, E.get());
        ScriptedResponder Answers;
        const QString Value = Sep == '.' ? "0.03" : "0,03";
        Answers.Then([&](const gui::DialogRequest& R) {
            EXPECT_EQ(R.caption, "Change Sampling Interval");
            EXPECT_EQ(R.text.toStdString(), Format("Enter new sampling interval... (current: %.2f seconds)", 0.02));
            EXPECT_EQ(R.value.toStdString(), Format("%.2f", 0.1));
            return Query(Value)(R);
        });
        D.btnChangeInterval->click();
        // 0.03 lies between 0.02 (A, B) and 0.04 (C): only A and B re-bin.
        for (TAASSample* S : *Twin)
            S->SetResolution(0.03);
        EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
        EXPECT_EQ(static_cast<double>(E->GetItem(0)->GetResolution()), 0.03);
        EXPECT_EQ(static_cast<double>(E->GetItem(2)->GetResolution()), 0.04);
        EXPECT_TRUE(D.FChanged);
        EXPECT_TRUE(D.FSeriesChanged);
    }
}

TEST(ProceedAllDialog, SamplingIntervalThatIsNoNumberChangesNothing)
{
    auto E = ThreeSamples();
    const auto Before = StatesOf(*E);
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    Answers.Then(Query("abc"));
    Answers.ThenResult(gui::mrOk);
    D.btnChangeInterval->click();
    EXPECT_EQ(Answers.Messages(), QStringList{"\"abc\" is not a valid resolution."});
    EXPECT_EQ(StatesOf(*E), Before);
    EXPECT_FALSE(D.FChanged);
    // Cancel in the query: nothing either.
    Answers.Then(Query("0.5", gui::mrCancel));
    D.btnChangeInterval->click();
    EXPECT_EQ(StatesOf(*E), Before);
    EXPECT_FALSE(D.FChanged);
}

TEST(ProceedAllDialog, SmoothOffersHalfOfFirstReplicateAndSmoothsAll)
{
    auto E = ThreeSamples();
    auto Twin = ThreeSamples();
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* F = dynamic_cast<TfrmSmooth*>(R.form);
        EXPECT_NE(F, nullptr);
        EXPECT_EQ(F->sedPoints->MaxValue(), 90 / 2 - 1);
        EXPECT_TRUE(processing_test::WaitCursorShows());
        F->rgMethod->SetItemIndex(1);
        F->sedPoints->SetValue(3);
        gui::DialogReply Reply;
        Reply.result = gui::mrOk;
        return Reply;
    });
    D.btnSmooth->click();
    for (TAASSample* S : *Twin)
        S->Smooth(1, 3);
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
    EXPECT_TRUE(D.FSeriesChanged);
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST(ProceedAllDialog, AbsorbtionSwitchesEverySampleOnceAndDisablesItself)
{
    auto E = ThreeSamples();
    auto Twin = ThreeSamples();
    E->GetItem(1)->SetAbsorbtion(true);   // stays as it is
    Twin->GetItem(1)->SetAbsorbtion(true);
    {
        TfrmProceedAll D(nullptr, E.get());
        D.btnAbsorbtion->click();
        EXPECT_FALSE(D.btnAbsorbtion->isEnabled());
        EXPECT_TRUE(D.FChanged);
        EXPECT_TRUE(D.FSeriesChanged);
    }
    for (TAASSample* S : *Twin)
        S->SetAbsorbtion(true);
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
    // A second opening finds every sample on the absorbance scale already.
    TfrmProceedAll Again(nullptr, E.get());
    EXPECT_TRUE(Again.btnAbsorbtion->isEnabled());
    Again.btnAbsorbtion->click();
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));
    EXPECT_TRUE(Again.FChanged);
}

TEST(ProceedAllDialog, StepFailingOnSecondSampleKeepsFirstAndSetsNoFlag)
{
    // B is shorter than the zero interval, which fits A.
    auto E = BuildExperiment({{"A", 100, Kind::Sample, NotSet, false, false, 100},
                              {"B", 100, Kind::Sample, NotSet, false, false, 50},
                              {"C", 100, Kind::Sample, NotSet, false, false, 100}});
    auto Twin = BuildExperiment({{"A", 100, Kind::Sample, NotSet, false, false, 100},
                                 {"B", 100, Kind::Sample, NotSet, false, false, 50},
                                 {"C", 100, Kind::Sample, NotSet, false, false, 100}});
    TfrmProceedAll D(nullptr, E.get());
    ScriptedResponder Answers;
    Answers.Then(Interval(1.5, 1.8));
    Answers.ThenResult(gui::mrOk);
    D.btnSubtractZero->click();
    ASSERT_EQ(Answers.Messages().size(), 1);
    EXPECT_EQ(Answers.Requests[1].type, gui::MsgDlgType::Error);
    EXPECT_FALSE(D.FChanged);
    EXPECT_FALSE(D.FSeriesChanged);
    Twin->GetItem(0)->SubtractZero(1.5, 1.8);
    EXPECT_EQ(StatesOf(*E), StatesOf(*Twin));   // A changed, B and C untouched
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST(ProceedAllDialog, EmptyExperimentReportsTheIndexError)
{
    TAASExperiment E("Empty", true);
    TfrmProceedAll D(nullptr, &E);
    ScriptedResponder Answers;
    for (QPushButton* B : {D.btnSubtractZero, D.btnDefinePlateau, D.btnCalcArea, D.btnChangeInterval, D.btnSmooth}) {
        Answers.ThenResult(gui::mrOk);
        B->click();
    }
    EXPECT_EQ(Answers.Messages(), QStringList(5, "List index out of bounds (0)"));
    EXPECT_FALSE(D.FChanged);
    D.btnAbsorbtion->click();
    EXPECT_TRUE(D.FChanged);
    EXPECT_TRUE(D.FSeriesChanged);
    EXPECT_FALSE(D.btnAbsorbtion->isEnabled());
}

TEST(ProceedAllDialog, FirstSampleWithoutReplicatesReportsTheIndexError)
{
    TAASExperiment E("E", true);
    E.Add(new TAASSample("Empty", true));
    TfrmProceedAll D(nullptr, &E);
    ScriptedResponder Answers;
    Answers.ThenResult(gui::mrOk);
    D.btnSmooth->click();
    EXPECT_EQ(Answers.Messages(), QStringList{"List index out of bounds (0)"});
    EXPECT_FALSE(D.FChanged);
}

// ---------------------------------------------------------------------------
// The refresh after the dialog.

class ProceedAllRefresh : public ::testing::Test {
protected:
    TProceedAllRefresh Hooks()
    {
        TProceedAllRefresh R;
        R.Owner = &Owner;
        R.SampleNodeCount = [this] { return E->Count(); };
        R.RefillCurves = [this](int I) { Log << QString("curves %1").arg(I); };
        R.RebuildInfo = [this](int I) {
            Log << QString("info %1").arg(I);
            EXPECT_TRUE(processing_test::WaitCursorShows());
        };
        R.SetModified = [this] { Log << "modified"; };
        R.SetTreeUpdating = [this](bool On) {
            Log << (On ? "suspend" : "resume");
            auto* P = Owner.findChild<TfrmProgress*>();
            ASSERT_NE(P, nullptr);
            EXPECT_TRUE(P->isVisible());
            EXPECT_EQ(P->prbarProgress->maximum(), E->Count());
            if (!On)
                ProgressAtEnd = P->prbarProgress->value();
        };
        return R;
    }
    bool Run() { return RunProceedAll(*E, Hooks()); }
    static ScriptedResponder::Step Press(QPushButton* TfrmProceedAll::*Button)
    {
        return [Button](const gui::DialogRequest& R) {
            auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
            EXPECT_NE(D, nullptr);
            (D->*Button)->click();
            gui::DialogReply Reply;
            return Reply;   // the button's own result
        };
    }

    QWidget Owner;
    std::unique_ptr<TAASExperiment> E = ThreeSamples();
    QStringList Log;
    int ProgressAtEnd = -1;
};

TEST_F(ProceedAllRefresh, DefinePlateauThenOkRebuildsInfoOnly)
{
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
        D->btnDefinePlateau->click();
        D->btnOK->click();
        return gui::DialogReply{};
    });
    Answers.Then(Interval(0.7, 1.1));
    EXPECT_TRUE(Run());
    EXPECT_EQ(Log, QStringList({"modified", "suspend", "info 0", "info 1", "info 2", "resume"}));
    EXPECT_EQ(ProgressAtEnd, 3);
    EXPECT_EQ(E->GetItem(2)->PeakStart(), 0.7);
    EXPECT_EQ(Owner.findChild<TfrmProgress*>(), nullptr);
    EXPECT_EQ(Owner.findChild<TfrmProceedAll*>(), nullptr);
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST_F(ProceedAllRefresh, SmoothThenOkRefillsTheCurvesToo)
{
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
        D->btnSmooth->click();
        D->btnOK->click();
        return gui::DialogReply{};
    });
    Answers.Then(FillForm<TfrmSmooth>([](TfrmSmooth& F) { F.sedPoints->SetValue(2); }));
    EXPECT_TRUE(Run());
    EXPECT_EQ(Log, QStringList({"modified", "suspend", "curves 0", "info 0", "curves 1", "info 1", "curves 2",
                                "info 2", "resume"}));
    EXPECT_EQ(ProgressAtEnd, 3);
}

TEST_F(ProceedAllRefresh, CancelAfterAStepRefreshesAsOkDoes)
{
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
        D->btnAbsorbtion->click();
        D->btnCancel->click();
        return gui::DialogReply{};
    });
    EXPECT_FALSE(Run());
    EXPECT_EQ(Log, QStringList({"modified", "suspend", "curves 0", "info 0", "curves 1", "info 1", "curves 2",
                                "info 2", "resume"}));
    EXPECT_TRUE(E->GetItem(0)->Absorbtion());
}

TEST_F(ProceedAllRefresh, NothingAppliedRefreshesNothing)
{
    ScriptedResponder Answers;
    Answers.ThenResult(gui::mrCancel);
    Answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run());
    EXPECT_TRUE(Run());
    EXPECT_TRUE(Log.isEmpty());
}

TEST_F(ProceedAllRefresh, RefreshErrorFreesTheWindowsAndReachesTheCaller)
{
    ScriptedResponder Answers;
    Answers.Then([](const gui::DialogRequest& R) {
        auto* D = dynamic_cast<TfrmProceedAll*>(R.form);
        D->btnAbsorbtion->click();
        D->btnOK->click();
        return gui::DialogReply{};
    });
    TProceedAllRefresh R = Hooks();
    R.RebuildInfo = [](int I) {
        if (I == 1)
            throw Exception("refresh failed");
    };
    EXPECT_THROW(RunProceedAll(*E, R), Exception);
    EXPECT_EQ(Owner.findChild<TfrmProgress*>(), nullptr);
    EXPECT_TRUE(Log.endsWith("resume"));
    EXPECT_TRUE(processing_test::CursorRestored());
}

}  // namespace
