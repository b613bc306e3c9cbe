// The sample window's processing commands, part two: smoothing, the
// absorbance scale, deleting a replicate and the spreadsheet export, run on a
// real window with their dialogs answered.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QRadioButton>
#include <QtCharts/QChart>

#include "EditCtrls.h"
#include "ExcelApplication.h"
#include "ProcessingTestUtil.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"
#include "XlsThread.h"

using namespace VelorSpec;
using namespace processing_test;

namespace {

class SignalCommands : public SampleWindowFixture {
protected:
    void SetUp() override { Open(3, 100); }
};

// --- Smooth Signal ----------------------------------------------------------

TEST_F(SignalCommands, SmoothOffersHalfThePointsUnderTheHourglass)
{
    const auto before = PointsOf(*S().GetItem(0));
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmSmooth>(
        [](TfrmSmooth& d) {
            EXPECT_EQ(d.sedPoints->MinValue(), 1);
            EXPECT_EQ(d.sedPoints->MaxValue(), 49);
            EXPECT_EQ(d.sedPoints->Value(), 1);
            EXPECT_EQ(d.rgMethod->ItemIndex(), 0);
            EXPECT_EQ(d.parent(), nullptr);
            EXPECT_TRUE(WaitCursorShows());
        },
        gui::mrCancel));
    EXPECT_TRUE(Run(window->acSmoothSignal));
    EXPECT_EQ(responder.Requests.size(), 1u);
    EXPECT_TRUE(CursorRestored());
    EXPECT_EQ(PointsOf(*S().GetItem(0)), before);
    EXPECT_FALSE(window->FModified);
}

TEST_F(SignalCommands, SmoothRunsTheChosenMethodOnEveryReplicate)
{
    struct Case {
        int method;
        int points;
    };
    for (const Case c : {Case{0, 2}, Case{1, 3}}) {
        auto expected = Copy();
        expected->Smooth(static_cast<std::uint8_t>(c.method), c.points);
        window->FModified = false;
        ScriptedResponder responder;
        responder.Then(FillForm<TfrmSmooth>([c](TfrmSmooth& d) {
            d.rgMethod->Button(c.method)->click();
            d.sedPoints->SetValue(c.points);
        }));
        EXPECT_TRUE(Run(window->acSmoothSignal));
        EXPECT_EQ(responder.Unexpected, 0);
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(PointsOf(*S().GetItem(r)), PointsOf(*expected->GetItem(r))) << "method " << c.method;
            EXPECT_EQ(CurveY(r), PointsOf(*expected->GetItem(r)));
        }
        EXPECT_EQ(CurveY(3), PointsOf(*expected->Ansambled()));
        EXPECT_TRUE(window->FModified);
        EXPECT_TRUE(CursorRestored());
    }
    // The two methods give different signals at the plateau's edge.
    auto average = MakeSample(1, 100, [](int r, int j) { return Peak(r, j, 100); });
    auto weighted = MakeSample(1, 100, [](int r, int j) { return Peak(r, j, 100); });
    average->Smooth(0, 3);
    weighted->Smooth(1, 3);
    EXPECT_NE(PointsOf(*average->GetItem(0)), PointsOf(*weighted->GetItem(0)));
}

TEST_F(SignalCommands, SmoothTooWideShowsTheModelsErrorAndRestoresTheCursor)
{
    std::string message;
    try {
        Copy()->Smooth(0, 60);
    } catch (const std::exception& e) {
        message = e.what();
    }
    ASSERT_FALSE(message.empty());
    window->redStats->setPlainText("stale");
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmSmooth>([](TfrmSmooth& d) { d.sedPoints->SetValue(60); }));
    responder.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(window->acSmoothSignal));
    ASSERT_EQ(responder.Requests.size(), 2u);
    EXPECT_EQ(responder.Requests[1].type, gui::MsgDlgType::Error);
    EXPECT_EQ(responder.Requests[1].text.toStdString(), message);
    EXPECT_TRUE(CursorRestored());
    EXPECT_FALSE(window->FModified);
    EXPECT_EQ(window->redStats->toPlainText(), "stale");
}

TEST_F(SignalCommands, SmoothOfThreePointsOffersNoWidthAndZeroChangesNothing)
{
    Open(2, 3);
    const auto before = PointsOf(*S().GetItem(1));
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmSmooth>([](TfrmSmooth& d) {
        EXPECT_EQ(d.sedPoints->MaxValue(), 0);
        EXPECT_EQ(d.sedPoints->MinValue(), 1);
        d.sedPoints->SetValue(0);
    }));
    EXPECT_TRUE(Run(window->acSmoothSignal));
    EXPECT_EQ(PointsOf(*S().GetItem(1)), before);
    EXPECT_TRUE(window->FModified);
}

// --- Absorbtion ---------------------------------------------------------------

TEST_F(SignalCommands, AbsorbtionTwiceRestoresThePointsAndNeverMarksTheWindow)
{
    const auto before = PointsOf(*S().GetItem(2));
    EXPECT_TRUE(Run(window->acAbsorbtion));
    EXPECT_TRUE(S().Absorbtion());
    window->acList->UpdateAction(window->acAbsorbtion);
    EXPECT_TRUE(window->acAbsorbtion->isChecked());
    EXPECT_EQ(S().GetItem(2)->GetItem(50), 1020.0 / 10000);
    EXPECT_EQ(CurveY(2), PointsOf(*S().GetItem(2)));
    EXPECT_EQ(CurveY(3), PointsOf(*S().Ansambled()));
    EXPECT_FALSE(window->FModified);

    EXPECT_TRUE(Run(window->acAbsorbtion));
    EXPECT_FALSE(S().Absorbtion());
    window->acList->UpdateAction(window->acAbsorbtion);
    EXPECT_FALSE(window->acAbsorbtion->isChecked());
    const auto after = PointsOf(*S().GetItem(2));
    ASSERT_EQ(after.size(), before.size());
    for (size_t j = 0; j < after.size(); ++j)
        EXPECT_DOUBLE_EQ(after[j], before[j]);
    EXPECT_EQ(CurveY(2), after);
    EXPECT_FALSE(window->FModified);
}

// --- Delete Replicate ---------------------------------------------------------

TEST_F(SignalCommands, DeleteReplicateAsksAndNoKeepsIt)
{
    window->tviewSample->setCurrentItem(Node(1));
    ScriptedResponder responder;
    responder.ThenResult(gui::mrNo);
    EXPECT_TRUE(Run(window->acDeleteReplicate));
    ASSERT_EQ(responder.Requests.size(), 1u);
    EXPECT_EQ(responder.Requests[0].text, "Are you really want to delete Replicate #002 ?");
    EXPECT_EQ(responder.Requests[0].type, gui::MsgDlgType::Confirmation);
    EXPECT_EQ(responder.Requests[0].buttons, gui::mbYesNo);
    EXPECT_EQ(S().Count(), 3);
    EXPECT_EQ(window->SampleNode()->childCount(), 4);
    EXPECT_FALSE(window->FModified);
}

TEST_F(SignalCommands, DeleteReplicateRemovesItsNodeAndCurveAndRebuildsTheEnsemble)
{
    window->acTreeSelectAll->trigger();
    ASSERT_EQ(window->MainChart->series().size(), 4);
    QLineSeries* third = window->NodeSeries(Node(2));
    window->tviewSample->setCurrentItem(Node(1));
    ScriptedResponder responder;
    responder.ThenResult(gui::mrYes);
    EXPECT_TRUE(Run(window->acDeleteReplicate));

    ASSERT_EQ(S().Count(), 2);
    EXPECT_EQ(S().GetItem(1)->GetItem(50), 1020.0);  // the former third replicate
    QStringList texts;
    for (int i = 0; i < window->SampleNode()->childCount(); ++i)
        texts << Node(i)->text(0);
    EXPECT_EQ(texts, QStringList({"Replicate #001", "Replicate #003", "Ansambled Replicate"}));
    EXPECT_EQ(window->NodeSeries(Node(1)), third);
    EXPECT_EQ(window->MainChart->series().size(), 3);
    // The ensemble is the mean of replicates 1 and 3 now.
    EXPECT_EQ(S().Ansambled()->GetItem(50), 1010.0);
    EXPECT_EQ(CurveY(2), PointsOf(*S().Ansambled()));
    EXPECT_EQ(CurveY(1), PointsOf(*S().GetItem(1)));
    EXPECT_TRUE(window->FModified);
    EXPECT_TRUE(window->redStats->toPlainText().contains("Replicate 002"));
    EXPECT_FALSE(window->redStats->toPlainText().contains("Replicate 003"));

    // Down to one replicate the command is disabled.
    window->tviewSample->setCurrentItem(Node(0));
    responder.ThenResult(gui::mrYes);
    EXPECT_TRUE(Run(window->acDeleteReplicate));
    EXPECT_EQ(S().Count(), 1);
    window->tviewSample->setCurrentItem(Node(0));
    EXPECT_FALSE(Enabled(window->acDeleteReplicate));
}

// --- Send To MS Excel ---------------------------------------------------------

TEST_F(SignalCommands, SendToExcelWritesACopyAndLeavesTheWindowAlone)
{
    QTemporaryDir out;
    const QString previousFolder = xls::SetExportFolder(out.path());
    const xls::Opener previousOpener = xls::SetOpener([](const QString&) { return false; });

    EXPECT_TRUE(Run(window->acSendToExcel));
    // The window may change its sample at once: the worker has its own copy.
    S().SetAbsorbtion(true);
    TxlsThread::WaitForAll();
    QCoreApplication::processEvents();

    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(TxlsThread::LiveCount(), 0);
    EXPECT_FALSE(window->FModified);

    xls::SetExportFolder(previousFolder);
    xls::SetOpener(previousOpener);
}

}  // namespace
