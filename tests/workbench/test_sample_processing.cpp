// The sample window's processing commands, part one: the commands' captions
// and enabling, and the interval and resolution commands run on a real
// window with their dialogs answered.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>

#include "Interval.h"
#include "ProcessingTestUtil.h"
#include "SpinEdit.h"

using namespace VelorSpec;
using namespace processing_test;

namespace {

// The message a model operation raises, for comparing with the error box.
template <class F>
QString ErrorOf(F&& operation)
{
    try {
        operation();
    } catch (const std::exception& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

class SampleProcessing : public SampleWindowFixture {
protected:
    void SetUp() override { Open(3, 100); }

    // Marks the report and one curve stale, to see whether a command rebuilt
    // or refilled them.
    void MarkStale()
    {
        window->redStats->setPlainText("stale");
        window->NodeSeries(Node(0))->clear();
    }
    bool ReportRebuilt() const { return Report().startsWith("INTERVALS"); }
    bool CurvesRefilled() const { return window->NodeSeries(Node(0))->count() > 0; }

    // Expects exactly one error box with `message`, the default cursor, and
    // neither the refresh nor the modified flag of the command.
    void ExpectFailed(const ScriptedResponder& responder, const QString& message)
    {
        ASSERT_FALSE(message.isEmpty());
        ASSERT_FALSE(responder.Requests.empty());
        const gui::DialogRequest& box = responder.Requests.back();
        EXPECT_EQ(box.kind, gui::RequestKind::Message);
        EXPECT_EQ(box.type, gui::MsgDlgType::Error);
        EXPECT_EQ(box.text, message);
        EXPECT_TRUE(CursorRestored());
        EXPECT_FALSE(window->FModified);
        EXPECT_FALSE(ReportRebuilt());
        EXPECT_FALSE(CurvesRefilled());
    }
};

TEST_F(SampleProcessing, CommandsHaveTheirCaptionsHintsAndShortcuts)
{
    struct Expected {
        QAction* action;
        const char* name;
        const char* caption;
        const char* hint;
        QKeySequence key;
    };
    const Expected all[] = {
        {window->acSubtractZero, "acSubtractZero", "S&ubtract Zero...", "Subtracts zero", QKeySequence("Ctrl+0")},
        {window->acDefinePlateau, "acDefinePlateau", "D&efine Plateau...", "Define plateau interval",
         QKeySequence("Ctrl+D")},
        {window->acCalculateArea, "acCalculateArea", "C&aculate Area...",
         "Calculates signal area in desired interval", QKeySequence("Ctrl+F")},
        {window->acChangeResolution, "acChangeResolution", "C&hange Resolution...", "Changes current resolution",
         QKeySequence("Ctrl+R")},
        {window->acSmoothSignal, "acSmoothSignal", "S&mooth Signal...", "Smooths signal by selected method",
         QKeySequence("Ctrl+M")},
        {window->acAbsorbtion, "acAbsorbtion", "A&bsorbtion", "Converts raw numbers to absorbtion",
         QKeySequence("Ctrl+A")},
        {window->acDeleteReplicate, "acDeleteReplicate", "&Delete Replicate...", "Deletes selected replicate",
         QKeySequence("Ctrl+Del")},
        {window->acSendToExcel, "acSendToExcel", "Se&nd To MS Excel", "Sends sample data to MS Excel",
         QKeySequence("Ctrl+E")},
    };
    for (const Expected& e : all) {
        ASSERT_NE(e.action, nullptr) << e.name;
        EXPECT_EQ(window->acList->Find(e.name), e.action);
        EXPECT_EQ(e.action->text(), e.caption);
        EXPECT_EQ(e.action->statusTip(), e.hint);
        EXPECT_EQ(e.action->shortcut(), e.key) << e.name;
    }
}

TEST_F(SampleProcessing, EnablingFollowsTheSampleAndTheSelection)
{
    EXPECT_TRUE(Enabled(window->acSubtractZero));
    EXPECT_TRUE(Enabled(window->acDefinePlateau));
    EXPECT_TRUE(Enabled(window->acCalculateArea));
    EXPECT_TRUE(Enabled(window->acChangeResolution));
    EXPECT_TRUE(Enabled(window->acSmoothSignal));
    EXPECT_TRUE(Enabled(window->acSendToExcel));
    EXPECT_TRUE(Enabled(window->acAbsorbtion));
    EXPECT_FALSE(window->acAbsorbtion->isChecked());

    // Delete: only a replicate node, and only while more than one is left.
    window->tviewSample->setCurrentItem(nullptr);
    EXPECT_FALSE(Enabled(window->acDeleteReplicate));
    window->tviewSample->setCurrentItem(window->SampleNode());
    EXPECT_FALSE(Enabled(window->acDeleteReplicate));
    window->tviewSample->setCurrentItem(Node(3));
    ASSERT_EQ(Node(3)->text(0), "Ansambled Replicate");
    EXPECT_FALSE(Enabled(window->acDeleteReplicate));
    window->tviewSample->setCurrentItem(Node(1));
    EXPECT_TRUE(Enabled(window->acDeleteReplicate));

    S().SetAbsorbtion(true);
    window->acList->UpdateAction(window->acAbsorbtion);
    EXPECT_TRUE(window->acAbsorbtion->isChecked());
}

TEST_F(SampleProcessing, SingleReplicateAndEmptySampleDisableTheirCommands)
{
    Open(1, 20);
    window->tviewSample->setCurrentItem(Node(0));
    EXPECT_FALSE(Enabled(window->acDeleteReplicate));

    // A binary sample window stays empty: the commands that need replicates
    // are disabled, the others fail with the list's index error.
    window = std::make_unique<TfrmSample>(nullptr, dir.filePath("empty.ASB"));
    EXPECT_FALSE(Enabled(window->acSmoothSignal));
    EXPECT_FALSE(Enabled(window->acSendToExcel));
    EXPECT_FALSE(Enabled(window->acAbsorbtion));
    for (QAction* a : {window->acSubtractZero, window->acDefinePlateau, window->acCalculateArea}) {
        ScriptedResponder responder;
        responder.ThenResult(gui::mrOk);
        EXPECT_FALSE(Run(a));
        ASSERT_EQ(responder.Requests.size(), 1u) << a->text().toStdString();
        EXPECT_EQ(responder.Requests[0].text, "List index out of bounds (0)");
        EXPECT_FALSE(window->FModified);
        EXPECT_TRUE(CursorRestored());
    }
}

// --- Subtract Zero ----------------------------------------------------------

TEST_F(SampleProcessing, SubtractZeroOffersOneToTwoStepsAndCancelChangesNothing)
{
    const auto before = PointsOf(*S().GetItem(0));
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>(
        [](TfrmInterval& d) {
            EXPECT_EQ(d.windowTitle(), "Subtract Zero");
            EXPECT_EQ(d.sedStart->Value(), 0.02);
            EXPECT_EQ(d.sedEnd->Value(), 0.04);
            EXPECT_EQ(d.sedStart->MinValue(), 0.02);
            EXPECT_DOUBLE_EQ(d.sedEnd->MaxValue(), 2.0);
            EXPECT_EQ(d.sedEnd->Increment(), 0.02);
            EXPECT_FALSE(WaitCursorShows());
        },
        gui::mrCancel));
    EXPECT_TRUE(Run(window->acSubtractZero));
    EXPECT_EQ(responder.Requests.size(), 1u);
    EXPECT_EQ(PointsOf(*S().GetItem(0)), before);
    EXPECT_FALSE(S().ZeroSubtracted());
    EXPECT_FALSE(window->FModified);
}

TEST_F(SampleProcessing, SubtractZeroChangesPointsRefreshesAndDisablesItself)
{
    auto expected = Copy();
    expected->SubtractZero(0.1, 0.3);
    MarkStale();
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>([](TfrmInterval& d) {
        d.sedStart->SetValue(0.1);
        d.sedEnd->SetValue(0.3);
    }));
    EXPECT_TRUE(Run(window->acSubtractZero));
    EXPECT_EQ(responder.Unexpected, 0);

    // Replicate 1 is 101 over the zero interval: its plateau lies at 909.
    EXPECT_EQ(S().GetItem(1)->GetItem(50), 909.0);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(PointsOf(*S().GetItem(r)), PointsOf(*expected->GetItem(r)));
        EXPECT_EQ(CurveY(r), PointsOf(*S().GetItem(r)));
    }
    EXPECT_EQ(CurveY(3), PointsOf(*expected->Ansambled()));
    EXPECT_TRUE(S().ZeroSubtracted());
    EXPECT_TRUE(window->FModified);
    EXPECT_TRUE(ReportRebuilt());
    EXPECT_TRUE(CursorRestored());
    EXPECT_FALSE(Enabled(window->acSubtractZero));

    // It stays disabled once saved and opened again.
    SaveSampleWindow(window.get(), window->FFileName);
    const QString path = window->FFileName;
    window = std::make_unique<TfrmSample>(nullptr, path);
    EXPECT_TRUE(S().ZeroSubtracted());
    EXPECT_FALSE(Enabled(window->acSubtractZero));
}

TEST_F(SampleProcessing, SubtractZeroOutsideThePointsShowsTheIndexError)
{
    const QString message = ErrorOf([&] { Copy()->SubtractZero(5.0, 6.0); });
    MarkStale();
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>([](TfrmInterval& d) {
        d.sedStart->SetValue(5.0);
        d.sedEnd->SetValue(6.0);
    }));
    responder.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(window->acSubtractZero));
    EXPECT_TRUE(message.startsWith("List index out of bounds ("));
    ExpectFailed(responder, message);
    EXPECT_FALSE(S().ZeroSubtracted());
    EXPECT_TRUE(Enabled(window->acSubtractZero));
}

// --- Define Plateau and Calculate Area --------------------------------------

TEST_F(SampleProcessing, DefinePlateauProposesTheEdgesAndSetsBothBounds)
{
    double rise = 0, fall = 0;
    Copy()->FindEdges(rise, fall);
    auto expected = Copy();
    expected->SetPeakStart(0.7);
    expected->SetPeakEnd(1.3);

    MarkStale();
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>([&](TfrmInterval& d) {
        EXPECT_EQ(d.windowTitle(), "Define Plateau");
        EXPECT_EQ(d.sedStart->Value(), rise);
        EXPECT_EQ(d.sedEnd->Value(), fall);
        d.sedStart->SetValue(0.7);
        d.sedEnd->SetValue(1.3);
    }));
    EXPECT_TRUE(Run(window->acDefinePlateau));
    EXPECT_EQ(S().PeakStart(), 0.7);
    EXPECT_EQ(S().PeakEnd(), 1.3);
    EXPECT_EQ(S().PeakMean(), expected->PeakMean());
    EXPECT_EQ(S().PeakSD(), expected->PeakSD());
    EXPECT_EQ(S().Ansambled()->PeakMean(), expected->Ansambled()->PeakMean());
    EXPECT_TRUE(window->FModified);
    EXPECT_TRUE(ReportRebuilt());
    EXPECT_TRUE(Report().contains("Plateau starts from:        0.70 second"));
    EXPECT_FALSE(CurvesRefilled());
    EXPECT_TRUE(CursorRestored());
}

TEST_F(SampleProcessing, DefinePlateauAfterTheOldOneKeepsTheOldStart)
{
    S().SetPeakStart(0.7);
    S().SetPeakEnd(1.0);
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>([](TfrmInterval& d) {
        d.sedStart->SetValue(1.2);
        d.sedEnd->SetValue(1.5);
    }));
    EXPECT_TRUE(Run(window->acDefinePlateau));
    EXPECT_EQ(S().PeakStart(), 0.7);
    EXPECT_EQ(S().PeakEnd(), 1.5);
    EXPECT_TRUE(window->FModified);

    // Cancel leaves everything as it is.
    window->FModified = false;
    responder.ThenResult(gui::mrCancel);
    EXPECT_TRUE(Run(window->acDefinePlateau));
    EXPECT_EQ(S().PeakEnd(), 1.5);
    EXPECT_FALSE(window->FModified);
}

TEST_F(SampleProcessing, CalculateAreaProposesThePlateauOrOneToTwoSteps)
{
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>(
        [](TfrmInterval& d) {
            EXPECT_EQ(d.windowTitle(), "Calculate Area");
            EXPECT_EQ(d.sedStart->Value(), 0.02);
            EXPECT_EQ(d.sedEnd->Value(), 0.04);
        },
        gui::mrCancel));
    EXPECT_TRUE(Run(window->acCalculateArea));
    EXPECT_FALSE(window->FModified);

    S().SetPeakStart(0.7);
    S().SetPeakEnd(1.3);
    auto expected = Copy();
    expected->SetAreaStart(0.7);
    expected->SetAreaEnd(1.3);
    MarkStale();
    responder.Then(FillForm<TfrmInterval>([](TfrmInterval& d) {
        EXPECT_EQ(d.sedStart->Value(), 0.7);
        EXPECT_EQ(d.sedEnd->Value(), 1.3);
    }));
    EXPECT_TRUE(Run(window->acCalculateArea));
    EXPECT_EQ(S().AreaStart(), 0.7);
    EXPECT_EQ(S().AreaEnd(), 1.3);
    EXPECT_EQ(S().AreaMean(), expected->AreaMean());
    EXPECT_EQ(S().GetItem(2)->Area(), expected->GetItem(2)->Area());
    EXPECT_TRUE(window->FModified);
    EXPECT_TRUE(ReportRebuilt());
    EXPECT_FALSE(CurvesRefilled());
}

TEST_F(SampleProcessing, AreaOfASinglePointShowsTheIntervalErrorAndKeepsTheBounds)
{
    const QString message = ErrorOf([&] {
        auto c = Copy();
        c->SetAreaStart(0.7);
        c->SetAreaEnd(0.7);
    });
    EXPECT_TRUE(message.startsWith("Specified indexes: ["));
    MarkStale();
    ScriptedResponder responder;
    responder.Then(FillForm<TfrmInterval>([](TfrmInterval& d) {
        d.sedStart->SetValue(0.7);
        d.sedEnd->SetValue(0.7);
    }));
    responder.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(window->acCalculateArea));
    ExpectFailed(responder, message);
    // What the sample stored before the error stays.
    EXPECT_EQ(S().AreaStart(), 0.7);
    EXPECT_EQ(S().AreaEnd(), 0.7);
}

// --- Change Resolution ------------------------------------------------------

TEST_F(SampleProcessing, ChangeResolutionAsksAndRebins)
{
    MarkStale();
    ScriptedResponder responder;
    responder.Then([](const gui::DialogRequest& r) {
        EXPECT_EQ(r.kind, gui::RequestKind::InputQuery);
        EXPECT_EQ(r.caption, "Change Resolution");
        EXPECT_EQ(r.text, "Enter new resolution... (current: 0.02 seconds)");
        EXPECT_EQ(r.value, "0.10");
        gui::DialogReply reply;
        reply.result = gui::mrOk;
        reply.value = r.value;
        return reply;
    });
    EXPECT_TRUE(Run(window->acChangeResolution));
    auto expected = MakeSample(3, 100, [](int r, int j) { return Peak(r, j, 100); });
    expected->SetResolution(0.1);
    EXPECT_EQ(S().GetResolution(), expected->GetResolution());
    ASSERT_EQ(S().GetItem(0)->Count(), 20);
    EXPECT_EQ(PointsOf(*S().GetItem(0)), PointsOf(*expected->GetItem(0)));
    const auto curve = window->NodeSeries(Node(3))->points();
    ASSERT_EQ(curve.size(), 20);
    EXPECT_DOUBLE_EQ(curve[0].x(), 0.1);
    EXPECT_DOUBLE_EQ(curve[19].x(), 2.0);
    EXPECT_TRUE(window->FModified);
    EXPECT_TRUE(ReportRebuilt());
    EXPECT_TRUE(CursorRestored());
}

TEST_F(SampleProcessing, ChangeResolutionUsesTheUsersDecimalSeparator)
{
    SeparatorScope comma(',');
    ScriptedResponder responder;
    responder.Then([](const gui::DialogRequest& r) {
        EXPECT_EQ(r.text, "Enter new resolution... (current: 0,02 seconds)");
        EXPECT_EQ(r.value, "0,10");
        gui::DialogReply reply;
        reply.result = gui::mrOk;
        reply.value = " 0,04 ";
        return reply;
    });
    EXPECT_TRUE(Run(window->acChangeResolution));
    EXPECT_EQ(S().GetItem(0)->Count(), 50);
    EXPECT_EQ(S().GetItem(0)->Resolution(), 0.04);
}

TEST_F(SampleProcessing, ChangeResolutionRefusesTextThatIsNoNumber)
{
    const auto before = PointsOf(*S().GetItem(0));
    MarkStale();
    for (const QString& answer : {QString("abc"), QString("0,1"), QString("")}) {
        ScriptedResponder responder;
        responder.Then([answer](const gui::DialogRequest&) {
            gui::DialogReply reply;
            reply.result = gui::mrOk;
            reply.value = answer;
            return reply;
        });
        responder.ThenResult(gui::mrOk);
        EXPECT_FALSE(Run(window->acChangeResolution));
        ExpectFailed(responder, "\"" + answer + "\" is not a valid resolution.");
    }
    EXPECT_EQ(PointsOf(*S().GetItem(0)), before);
    EXPECT_EQ(S().GetItem(0)->Resolution(), 0.02);
}

TEST_F(SampleProcessing, ChangeResolutionToAFinerStepOnlyMarksTheWindow)
{
    const auto before = PointsOf(*S().GetItem(0));
    ScriptedResponder responder;
    for (const char* answer : {"0.01", "0.02"})
        responder.Then([answer](const gui::DialogRequest&) {
            gui::DialogReply reply;
            reply.result = gui::mrOk;
            reply.value = answer;
            return reply;
        });
    EXPECT_TRUE(Run(window->acChangeResolution));
    EXPECT_TRUE(Run(window->acChangeResolution));
    EXPECT_EQ(PointsOf(*S().GetItem(0)), before);
    EXPECT_EQ(S().GetItem(0)->Resolution(), 0.02);
    EXPECT_TRUE(window->FModified);

    // Cancel: nothing at all.
    window->FModified = false;
    responder.ThenResult(gui::mrCancel);
    EXPECT_TRUE(Run(window->acChangeResolution));
    EXPECT_FALSE(window->FModified);
}

}  // namespace
