// Saving and closing experiment windows: a new experiment built, saved,
// closed and opened again through the frame; failed saves; the close query.
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "ExperimentTestUtil.h"
#include "SpinEdit.h"

using namespace experiment_test;
using VelorSpec::SaveExperimentWindow;

namespace {

class ExperimentFilesTest : public ExperimentFixture {
protected:
    // Closes a window as its close box does; returns whether it went away.
    bool CloseWindow(TfrmExperiment* w)
    {
        QPointer<TfrmExperiment> guard(w);
        w->SubWindow()->close();
        Pump();
        return guard.isNull();
    }
};

TEST_F(ExperimentFilesTest, BuiltSavedClosedAndReopenedEverythingSurvives)
{
    auto a = std::unique_ptr<TAASSample>(NewSample("Alpha", 2, 40));
    auto b = std::unique_ptr<TAASSample>(NewSample("Beta", 3, 40, 300));
    const QString fa = dir.filePath(QStringLiteral("alpha.AST"));
    const QString fb = dir.filePath(QStringLiteral("beta.AST"));
    ASSERT_TRUE(a->SaveToFile(fa.toStdString()));
    ASSERT_TRUE(b->SaveToFile(fb.toStdString()));

    TfrmExperiment* w = NewExperiment();
    ASSERT_NE(w, nullptr);
    ScriptedResponder answers;
    answers.Then([&](const gui::DialogRequest&) { return Reply(gui::mrOk, fa, {fa, fb}); });
    ASSERT_TRUE(Run(w, w->acExpAddSample));
    ASSERT_EQ(w->Experiment->Count(), 2);

    // Work on it: a plateau for Beta, a new title, a description, Beta first.
    Select(w, w->SampleNode(1));
    answers.Then(processing_test::FillForm<VelorSpec::TfrmInterval>([](VelorSpec::TfrmInterval& d) {
        d.sedStart->SetValue(0.4);
        d.sedEnd->SetValue(0.5);
    }));
    ASSERT_TRUE(Run(w, w->acSampleDefinePlateau));
    w->Experiment->SetTitle("Built");
    w->RootNode()->setText(0, QStringLiteral("Built"));
    w->redDescription->setPlainText(QStringLiteral("line one\nline two"));
    w->tviewExperimentDragDrop(w->SampleNode(0));
    ASSERT_EQ(Titles(*w->Experiment), (QStringList{"Beta", "Alpha"}));
    const long double peakMean = w->Experiment->GetItem(0)->PeakMean();

    // Save asks for a name (untitled) with the experiment filter; the name
    // gets the ".AXP" extension.
    const QString chosen = dir.filePath(QStringLiteral("built.txt"));
    const QString saved = dir.filePath(QStringLiteral("built.AXP"));
    answers.Then([&](const gui::DialogRequest& r) {
        EXPECT_EQ(r.kind, gui::RequestKind::SaveFile);
        EXPECT_EQ(r.filter, QStringLiteral("AAS Experiment(*.AXP)|*.AXP"));
        return Reply(gui::mrOk, chosen);
    });
    ASSERT_TRUE(frame->acList->Execute(frame->acFileSave));
    EXPECT_EQ(w->FFileName, saved);
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Experiment - [%1]").arg(saved));
    EXPECT_EQ(Recent().value(0), saved);
    EXPECT_FALSE(QFileInfo::exists(chosen));

    ASSERT_TRUE(CloseWindow(w));
    EXPECT_EQ(answers.Unexpected, 0);

    TfrmExperiment* back = Open(saved);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->RootNode()->text(0), QStringLiteral("Built"));
    EXPECT_EQ(Titles(*back->Experiment), (QStringList{"Beta", "Alpha"}));
    EXPECT_EQ(back->redDescription->toPlainText(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(back->Experiment->GetItem(0)->Count(), 3);
    EXPECT_EQ(back->Experiment->GetItem(0)->PeakStart(), 0.4);
    EXPECT_EQ(back->Experiment->GetItem(0)->PeakMean(), peakMean);
    EXPECT_EQ(InfoLines(back->SampleNode(0))[0], QStringLiteral("Peak Interval: 0.40 - 0.50 [s]"));
    EXPECT_FALSE(back->FModified);
}

TEST_F(ExperimentFilesTest, AFailedSaveKeepsTheOldFileTheWindowAndTellsTheUser)
{
    auto e = MakeExperiment("Old", {"A", "B"});
    const QString path = WriteExperiment(dir, QStringLiteral("old.AXP"), *e);
    const QByteArray before = ReadAll(path);
    TfrmExperiment* w = Open(path);
    ASSERT_NE(w, nullptr);
    Select(w, w->SampleNode(1));
    w->tviewExperimentDragDrop(w->SampleNode(0));
    ASSERT_TRUE(w->FModified);

    // The file cannot be replaced: it is read-only.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    ScriptedResponder answers;
    answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(frame->acList->Execute(frame->acFileSave));
    ASSERT_EQ(answers.Messages().size(), 1);
    EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->FFileName, path);

    // The close query's Yes runs the same save: the error is shown and the
    // window stays.
    answers.ThenResult(gui::mrYes);
    answers.ThenResult(gui::mrOk);
    EXPECT_FALSE(CloseWindow(w));
    EXPECT_EQ(Experiments().size(), 1);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(answers.Unexpected, 0);
}

// The close query of a modified window.
struct CloseCase {
    bool untitled;
    QList<int> answers;   // question, then the save dialog when asked
    bool closes;
    bool written;
};

class CloseQueryTest : public ExperimentFilesTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseQueryTest, AnswersDecide)
{
    const CloseCase& c = GetParam();
    const QString named = dir.filePath(QStringLiteral("named.AXP"));
    const QString chosen = dir.filePath(QStringLiteral("chosen.AXP"));
    TfrmExperiment* w = nullptr;
    if (c.untitled) {
        w = NewExperiment();
    } else {
        w = Open(WriteExperiment(dir, QStringLiteral("named.AXP"), *MakeExperiment("N", {"A"})));
        QFile::remove(named);
        w->FModified = true;
    }
    ASSERT_NE(w, nullptr);
    ScriptedResponder answers;
    for (int a : c.answers)
        answers.Then([a, chosen](const gui::DialogRequest& r) {
            if (r.kind == gui::RequestKind::Message) {
                EXPECT_EQ(r.buttons, gui::mbYesNoCancel);
            }
            return Reply(a, chosen);
        });
    const QString question = QStringLiteral("Do you want to save changes to \"%1\" ?").arg(w->FFileName);
    EXPECT_EQ(CloseWindow(w), c.closes);
    ASSERT_FALSE(answers.Requests.empty());
    EXPECT_EQ(answers.Requests[0].text, question);
    EXPECT_EQ(QFileInfo::exists(c.untitled ? chosen : named), c.written);
    EXPECT_EQ(answers.Unexpected, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloseQueryTest,
    ::testing::Values(CloseCase{false, {gui::mrCancel}, false, false}, CloseCase{false, {gui::mrNo}, true, false},
                      CloseCase{false, {gui::mrYes}, true, true}, CloseCase{true, {gui::mrNo}, true, false},
                      CloseCase{true, {gui::mrYes, gui::mrOk}, true, true},
                      // Cancel in the save dialog keeps the window and its experiment.
                      CloseCase{true, {gui::mrYes, gui::mrCancel}, false, false}),
    [](const ::testing::TestParamInfo<CloseCase>& info) {
        std::string name = info.param.untitled ? "Untitled" : "Named";
        for (int a : info.param.answers)
            name += a == gui::mrYes ? "_Yes" : a == gui::mrNo ? "_No" : a == gui::mrOk ? "_Ok" : "_Cancel";
        return name;
    });

TEST_F(ExperimentFilesTest, AnUnchangedWindowClosesWithoutAQuestion)
{
    TfrmExperiment* w = Open(WriteExperiment(dir, QStringLiteral("calm.AXP"), *MakeExperiment("C", {"A"})));
    ASSERT_NE(w, nullptr);
    ScriptedResponder answers;
    EXPECT_TRUE(CloseWindow(w));
    EXPECT_TRUE(answers.Requests.empty());
}

TEST_F(ExperimentFilesTest, SaveAsRenamesAndSaveWritesUnderTheName)
{
    const QString first = WriteExperiment(dir, QStringLiteral("first.AXP"), *MakeExperiment("F", {"A", "B"}));
    TfrmExperiment* w = Open(first);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(frame->acList->Execute(frame->acFileSave));   // disabled while unchanged
    const QString second = dir.filePath(QStringLiteral("second.AXP"));
    ScriptedResponder answers;
    answers.Then([&](const gui::DialogRequest&) { return Reply(gui::mrOk, second); });
    ASSERT_TRUE(frame->acList->Execute(frame->acFileSaveAs));
    EXPECT_EQ(w->FFileName, second);
    EXPECT_EQ(Recent().value(0), second);
    EXPECT_EQ(ReadAll(first), ReadAll(second));
    // Found by its new name.
    frame->OpenFile(second);
    Pump();
    EXPECT_EQ(Experiments().size(), 1);

    w->SetModified();
    Select(w, w->SampleNode(1));
    w->tviewExperimentDragDrop(w->SampleNode(0));
    ASSERT_TRUE(frame->acList->Execute(frame->acFileSave));
    TAASExperiment back("", true);
    back.LoadFromFile(second.toStdString());
    EXPECT_EQ(Titles(back), (QStringList{"B", "A"}));
    EXPECT_EQ(answers.Unexpected, 0);
}

}  // namespace
