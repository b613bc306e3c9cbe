// The experiment window's commands on single samples, each with its dialog
// answered and its result compared exactly with the same model operation on
// a copy of the sample.
#include <QDir>
#include <QFile>
#include <QRadioButton>

#include "EditCtrls.h"
#include "ExcelApplication.h"
#include "ExperimentTestUtil.h"
#include "Interval.h"
#include "SmoothDlg.h"
#include "SpinEdit.h"
#include "XlsThread.h"

using namespace experiment_test;
using processing_test::FillForm;
using VelorSpec::TfrmInterval;
using VelorSpec::TfrmSmooth;

namespace {

const QString SampleFilter =
    QStringLiteral("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|Any File(*.*)|*.*");

// Samples A, B and C of three replicates of 60 points; B (index 1) selected.
class ExperimentCommands : public ExperimentFixture {
protected:
    void SetUp() override
    {
        ExperimentFixture::SetUp();
        auto e = MakeExperiment("Cmd", {"A", "B", "C"}, 3, 60);
        // Noise so that smoothing and re-binning change something.
        for (TAASSample* s : *e)
            for (int r = 0; r < s->Count(); ++r)
                for (int j = 0; j < 60; ++j)
                    s->GetItem(r)->SetItem(j, s->GetItem(r)->GetItem(j) + (j * 7 + r * 3) % 5);
        path = WriteExperiment(dir, QStringLiteral("cmd.AXP"), *e);
        w = Open(path);
        ASSERT_NE(w, nullptr);
        w->tviewExperiment->expandAll();
        Select(w, w->SampleNode(1));
        ASSERT_EQ(w->SelectedSample(), w->Experiment->GetItem(1));
        ASSERT_FALSE(w->FModified);
    }
    TAASSample& S() const { return *w->Experiment->GetItem(1); }
    QTreeWidgetItem* Node() const { return w->SampleNode(1); }
    std::unique_ptr<TAASSample> Copy() const
    {
        auto c = std::make_unique<TAASSample>("Copy", true);
        c->Assign(&S());
        return c;
    }
    // Same points, steps and results in both samples.
    static void ExpectSame(const TAASSample& a, const TAASSample& b)
    {
        ASSERT_EQ(a.Count(), b.Count());
        for (int r = 0; r < a.Count(); ++r) {
            EXPECT_EQ(PointsOf(a.GetItem(r)), PointsOf(b.GetItem(r))) << r;
            EXPECT_EQ(a.GetItem(r)->Resolution(), b.GetItem(r)->Resolution());
        }
        EXPECT_EQ(PointsOf(a.Ansambled()), PointsOf(b.Ansambled()));
        EXPECT_EQ(a.PeakStart(), b.PeakStart());
        EXPECT_EQ(a.PeakEnd(), b.PeakEnd());
        EXPECT_EQ(a.PeakMean(), b.PeakMean());
        EXPECT_EQ(a.PeakSD(), b.PeakSD());
        EXPECT_EQ(a.AreaStart(), b.AreaStart());
        EXPECT_EQ(a.AreaEnd(), b.AreaEnd());
        EXPECT_EQ(a.AreaMean(), b.AreaMean());
        EXPECT_EQ(a.AreaRSD(), b.AreaRSD());
        EXPECT_EQ(a.Absorbtion(), b.Absorbtion());
        EXPECT_EQ(a.ZeroSubtracted(), b.ZeroSubtracted());
    }
    // The curves of the selected sample show its points.
    void ExpectCurvesShowTheSample() const
    {
        for (int r = 0; r < S().Count(); ++r)
            EXPECT_EQ(CurveY(*w, Node()->child(r)), PointsOf(S().GetItem(r)));
        EXPECT_EQ(CurveY(*w, Node()->child(S().Count())), PointsOf(S().Ansambled()));
        const QList<QPointF> pts = w->NodeSeries(Node()->child(0))->points();
        ASSERT_FALSE(pts.isEmpty());
        EXPECT_EQ(pts[0].x(), static_cast<double>(S().GetResolution()));
    }
    static ScriptedResponder::Step Interval(const QString& caption, double defStart, double defEnd, double start,
                                            double end)
    {
        return FillForm<TfrmInterval>([=](TfrmInterval& d) {
            EXPECT_EQ(d.windowTitle(), caption);
            EXPECT_EQ(d.sedStart->Value(), defStart);
            EXPECT_EQ(d.sedEnd->Value(), defEnd);
            d.sedStart->SetValue(start);
            d.sedEnd->SetValue(end);
        });
    }

    // Shows every curve of the selected sample.
    void ClickStateOfSample() const
    {
        w->ToggleNodeCheck(Node());
        ASSERT_EQ(w->MainChart->series().size(), S().Count() + 1);
    }

    QString path;
    TfrmExperiment* w = nullptr;
};

TEST_F(ExperimentCommands, SubtractZeroMatchesTheModelAndDisablesItself)
{
    auto copy = Copy();
    ScriptedResponder answers;
    answers.Then(Interval("Subtract Zero", 0.02, 0.04, 0.02, 0.2));
    ASSERT_TRUE(Run(w, w->acSampleSubtractZero));
    copy->SubtractZero(0.02, 0.2);
    ExpectSame(S(), *copy);
    ExpectCurvesShowTheSample();
    EXPECT_TRUE(w->FModified);
    EXPECT_FALSE(Enabled(w, w->acSampleSubtractZero));
    EXPECT_TRUE(processing_test::CursorRestored());
    // Another sample may still have its zero subtracted.
    Select(w, w->SampleNode(0));
    EXPECT_TRUE(Enabled(w, w->acSampleSubtractZero));
}

TEST_F(ExperimentCommands, DefinePlateauAndCalculateAreaRefreshTheInfoLines)
{
    auto copy = Copy();
    double rise = 0, fall = 0;
    copy->FindEdges(rise, fall);
    ScriptedResponder answers;
    answers.Then(Interval("Define Plateau", rise, fall, 0.5, 0.78));
    ASSERT_TRUE(Run(w, w->acSampleDefinePlateau));
    copy->SetPeakStart(0.5);
    copy->SetPeakEnd(0.78);
    ExpectSame(S(), *copy);
    EXPECT_EQ(InfoLines(Node())[0], QStringLiteral("Peak Interval: 0.50 - 0.78 [s]"));
    EXPECT_EQ(InfoLines(Node())[1], QString::fromStdString(Format("Peak Mean: %.4f [a.u.]", copy->PeakMean())));
    EXPECT_TRUE(w->FModified);

    // The area interval is proposed equal to the plateau.
    w->FModified = false;
    answers.Then(Interval("Calculate Area", 0.5, 0.78, 0.4, 0.9));
    ASSERT_TRUE(Run(w, w->acSampleCalculateArea));
    copy->SetAreaStart(0.4);
    copy->SetAreaEnd(0.9);
    ExpectSame(S(), *copy);
    EXPECT_EQ(InfoLines(Node())[4], QStringLiteral("Area Interval: 0.40 - 0.90 [s]"));
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(Node()->childCount(), 3 + 1 + 10);
    EXPECT_EQ(answers.Unexpected, 0);
}

TEST_F(ExperimentCommands, CalculateAreaWithoutPlateauProposesOneToTwoSteps)
{
    ScriptedResponder answers;
    answers.Then(FillForm<TfrmInterval>(
        [](TfrmInterval& d) {
            EXPECT_EQ(d.sedStart->Value(), 0.02);
            EXPECT_EQ(d.sedEnd->Value(), 0.04);
        },
        gui::mrCancel));
    ASSERT_TRUE(Run(w, w->acSampleCalculateArea));
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(S().AreaStart(), NotSet);
}

TEST_F(ExperimentCommands, ChangeSamplingIntervalRebinsTheSample)
{
    auto copy = Copy();
    ScriptedResponder answers;
    answers.Then([](const gui::DialogRequest& r) {
        EXPECT_EQ(r.kind, gui::RequestKind::InputQuery);
        EXPECT_EQ(r.caption, QStringLiteral("Change Sampling Interval"));
        EXPECT_EQ(r.text, QStringLiteral("Enter new sampling interval... (current: 0.02 seconds)"));
        EXPECT_EQ(r.value, QStringLiteral("0.10"));
        return Reply(gui::mrOk, QStringLiteral("0.06"));
    });
    ASSERT_TRUE(Run(w, w->acSampleChangeResolution));
    copy->SetResolution(0.06);
    ExpectSame(S(), *copy);
    ExpectCurvesShowTheSample();
    EXPECT_TRUE(w->FModified);
}

TEST_F(ExperimentCommands, ChangeSamplingIntervalRefusesText)
{
    auto copy = Copy();
    ScriptedResponder answers;
    answers.Then([](const gui::DialogRequest&) { return Reply(gui::mrOk, QStringLiteral("abc")); });
    answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(w, w->acSampleChangeResolution));
    ASSERT_EQ(answers.Messages(), QStringList{QStringLiteral("\"abc\" is not a valid resolution.")});
    ExpectSame(S(), *copy);
    EXPECT_FALSE(w->FModified);
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST_F(ExperimentCommands, SmoothSignalOffersHalfThePointsAndSmooths)
{
    auto copy = Copy();
    ScriptedResponder answers;
    answers.Then(FillForm<TfrmSmooth>([](TfrmSmooth& d) {
        EXPECT_EQ(d.sedPoints->MaxValue(), 60 / 2 - 1);
        EXPECT_TRUE(processing_test::WaitCursorShows());
        d.rgMethod->SetItemIndex(1);
        d.sedPoints->SetValue(3);
    }));
    ASSERT_TRUE(Run(w, w->acSampleSmoothSignal));
    copy->Smooth(1, 3);
    ExpectSame(S(), *copy);
    ExpectCurvesShowTheSample();
    EXPECT_TRUE(w->FModified);
    EXPECT_TRUE(processing_test::CursorRestored());
}

TEST_F(ExperimentCommands, AbsorbtionSwitchesTheScaleWithoutMarkingTheWindow)
{
    auto copy = Copy();
    ASSERT_TRUE(Run(w, w->acSampleAbsorbtion));
    copy->SetAbsorbtion(true);
    ExpectSame(S(), *copy);
    ExpectCurvesShowTheSample();
    EXPECT_FALSE(w->FModified);
    w->acList->UpdateAction(w->acSampleAbsorbtion);
    EXPECT_TRUE(w->acSampleAbsorbtion->isChecked());
    Select(w, w->SampleNode(0));
    w->acList->UpdateAction(w->acSampleAbsorbtion);
    EXPECT_FALSE(w->acSampleAbsorbtion->isChecked());
}

TEST_F(ExperimentCommands, DeleteReplicateIsEnabledOnReplicateNodesOnly)
{
    const struct {
        int child;   // -1: the sample node
        bool enabled;
    } cases[] = {{-1, false}, {0, true}, {2, true}, {3, false}, {4, false}, {13, false}};
    for (const auto& c : cases) {
        Select(w, c.child < 0 ? Node() : Node()->child(c.child));
        EXPECT_EQ(Enabled(w, w->acSampleDeleteReplicate), c.enabled) << c.child;
    }
}

TEST_F(ExperimentCommands, DeleteReplicateKeepsTheNumbersAndRefillsTheEnsemble)
{
    ClickStateOfSample();
    auto copy = Copy();
    Select(w, Node()->child(1));
    ScriptedResponder answers;
    answers.ThenResult(gui::mrNo);
    ASSERT_TRUE(Run(w, w->acSampleDeleteReplicate));
    EXPECT_EQ(S().Count(), 3);
    EXPECT_FALSE(w->FModified);

    answers.Then([](const gui::DialogRequest& r) {
        EXPECT_EQ(r.text, QStringLiteral("Are you really want to delete Replicate #002 ?"));
        return Reply(gui::mrYes);
    });
    ASSERT_TRUE(Run(w, w->acSampleDeleteReplicate));
    copy->Remove(copy->GetItem(1));
    ExpectSame(S(), *copy);
    EXPECT_EQ(Texts(Node()).mid(0, 3), (QStringList{"Replicate #001", "Replicate #003", "Ansambled Replicate"}));
    EXPECT_EQ(Node()->childCount(), 2 + 1 + 10);
    ExpectCurvesShowTheSample();
    EXPECT_EQ(w->MainChart->series().size(), 3);
    EXPECT_TRUE(w->FModified);

    // With two left, one more may go; then none.
    Select(w, Node()->child(0));
    answers.ThenResult(gui::mrYes);
    ASSERT_TRUE(Run(w, w->acSampleDeleteReplicate));
    Select(w, Node()->child(0));
    EXPECT_EQ(Node()->child(0)->text(0), QStringLiteral("Replicate #003"));
    EXPECT_FALSE(Enabled(w, w->acSampleDeleteReplicate));
}

TEST_F(ExperimentCommands, RemoveSampleAsksAndKeepsTreeAndExperimentInStep)
{
    ClickStateOfSample();
    ScriptedResponder answers;
    answers.Then([](const gui::DialogRequest& r) {
        EXPECT_EQ(r.text, QStringLiteral("Are you really want to remove \"B\" sample ?"));
        EXPECT_EQ(r.buttons, gui::mbYesNo);
        return Reply(gui::mrNo);
    });
    ASSERT_TRUE(Run(w, w->acExpRemoveSample));
    EXPECT_EQ(Titles(*w->Experiment), (QStringList{"A", "B", "C"}));
    EXPECT_FALSE(w->FModified);

    answers.ThenResult(gui::mrYes);
    ASSERT_TRUE(Run(w, w->acExpRemoveSample));
    EXPECT_EQ(Titles(*w->Experiment), (QStringList{"A", "C"}));
    EXPECT_EQ(Texts(w->RootNode()), (QStringList{"A", "C"}));
    EXPECT_TRUE(w->MainChart->series().isEmpty());
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->NodeSample(w->SampleNode(1)), w->Experiment->GetItem(1));
}

TEST_F(ExperimentCommands, AddSamplesReadsEveryFileAndNamesTheUnreadable)
{
    auto good = std::unique_ptr<TAASSample>(NewSample("Good", 2, 40));
    const QString first = dir.filePath(QStringLiteral("good.ast"));
    ASSERT_TRUE(good->SaveToFile(first.toStdString()));
    // The same sample after six leading lines, under an extension in mixed case.
    TAASStrings lines;
    good->SetTitle("Led");
    good->SaveToStrings(lines);
    QByteArray text = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n";
    for (const std::string& l : lines)
        text += QByteArray::fromStdString(l) + "\r\n";
    const QString led = dir.filePath(QStringLiteral("led.AaT"));
    WriteAll(led, text);
    const QString bad = dir.filePath(QStringLiteral("bad.ast"));
    const QString missing = dir.filePath(QStringLiteral("missing.ast"));
    WriteAll(bad, "12\r\nnot a number\r\n-1000\r\n");

    frame->dlgOpen.filter = QStringLiteral("kept");
    ScriptedResponder answers;
    answers.Then([&](const gui::DialogRequest& r) {
        EXPECT_EQ(r.kind, gui::RequestKind::OpenFile);
        EXPECT_EQ(r.filter, SampleFilter);
        EXPECT_TRUE(r.multiSelect);
        return Reply(gui::mrOk, first, {first, bad, led, missing});
    });
    // The box naming the unreadable files shows under the normal pointer.
    bool hourglassOverTheBox = true;
    answers.Then([&](const gui::DialogRequest&) {
        hourglassOverTheBox = !processing_test::CursorRestored();
        return Reply(gui::mrOk);
    });
    ActivateFrame();
    QTest::keyClick(w->tviewExperiment, Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(hourglassOverTheBox);
    EXPECT_TRUE(processing_test::CursorRestored());
    EXPECT_EQ(Titles(*w->Experiment), (QStringList{"A", "B", "C", "Good", "Led"}));
    EXPECT_EQ(Texts(w->RootNode()), Titles(*w->Experiment));
    EXPECT_EQ(w->SampleNode(4)->childCount(), 2 + 1 + 10);
    EXPECT_EQ(w->Experiment->GetItem(4)->GetItem(0)->Count(), 40);
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(frame->dlgOpen.filter, QStringLiteral("kept"));
    ASSERT_EQ(answers.Messages().size(), 1);
    const QString message = answers.Messages()[0];
    EXPECT_TRUE(message.contains(bad));
    EXPECT_TRUE(message.contains(missing));
    EXPECT_FALSE(message.contains(first));
    EXPECT_EQ(answers.Requests.back().type, gui::MsgDlgType::Error);
}

TEST_F(ExperimentCommands, AddSamplesCancelledChangesNothing)
{
    ScriptedResponder answers;
    answers.ThenResult(gui::mrCancel);
    ASSERT_TRUE(Run(w, w->acExpAddSample));
    EXPECT_EQ(w->Experiment->Count(), 3);
    EXPECT_FALSE(w->FModified);
}

// Export writes the selected sample's text file under the ".AST" name.
struct ExportCase {
    QString chosen;
    QString written;
};

class ExportTest : public ExperimentCommands, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportTest, WritesTheTextFileUnderTheAstName)
{
    const ExportCase& c = GetParam();
    ScriptedResponder answers;
    answers.Then([&](const gui::DialogRequest& r) {
        EXPECT_EQ(r.kind, gui::RequestKind::SaveFile);
        EXPECT_EQ(r.filter, SampleFilter);
        return Reply(gui::mrOk, dir.filePath(c.chosen));
    });
    ASSERT_TRUE(Run(w, w->acSampleExport));
    TAASSample back("", true);
    ASSERT_TRUE(back.LoadFromFile(dir.filePath(c.written).toStdString()));
    back.SetTitle(S().Title());
    ExpectSame(back, S());
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(Recent(), QStringList{path});
    EXPECT_EQ(frame->dlgSave.filter, SampleFilter);
}

INSTANTIATE_TEST_SUITE_P(Names, ExportTest,
                         ::testing::Values(ExportCase{"out.txt", "out.AST"}, ExportCase{"out.asb", "out.AST"},
                                           ExportCase{"plain", "plain.AST"}, ExportCase{"s.ast", "s.AST"}),
                         [](const ::testing::TestParamInfo<ExportCase>& info) {
                             return QString(info.param.chosen).replace('.', '_').toStdString();
                         });

TEST_F(ExperimentCommands, ExportThatCannotWriteTellsTheUser)
{
    ScriptedResponder answers;
    const QString target = dir.filePath(QStringLiteral("no/such/dir/out.AST"));
    answers.Then([&](const gui::DialogRequest&) { return Reply(gui::mrOk, target); });
    answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(w, w->acSampleExport));
    EXPECT_EQ(answers.Messages(), QStringList{QStringLiteral("Cannot save the sample to \"%1\".").arg(target)});
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentCommands, SendToExcelWritesACopy)
{
    QTemporaryDir out;
    const QString previousFolder = xls::SetExportFolder(out.path());
    const xls::Opener previousOpener = xls::SetOpener([](const QString&) { return false; });
    EXPECT_TRUE(Run(w, w->acSampleSendToExcel));
    S().SetAbsorbtion(true);
    TxlsThread::WaitForAll();
    QCoreApplication::processEvents();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 1);
    EXPECT_FALSE(w->FModified);
    xls::SetExportFolder(previousFolder);
    xls::SetOpener(previousOpener);
}

TEST_F(ExperimentCommands, AnErrorOfTheSampleEndsTheCommandBeforeTheRefresh)
{
    // A plateau that starts after the last point is refused by the sample.
    ScriptedResponder answers;
    double rise = 0, fall = 0;
    S().FindEdges(rise, fall);
    answers.Then(Interval("Define Plateau", rise, fall, 5.0, 6.0));
    answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(Run(w, w->acSampleDefinePlateau));
    EXPECT_EQ(answers.Messages().size(), 1);
    EXPECT_FALSE(w->FModified);
    EXPECT_TRUE(processing_test::CursorRestored());
}

}  // namespace
