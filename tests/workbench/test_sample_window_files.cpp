// The sample window's files: loading by extension, saving, the close query,
// failed loads and saves, and the way through the frame's file commands.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTextStream>

#include "Main.h"
#include "Registry.h"
#include "SampleWindowTestUtil.h"

using namespace sample_window_test;
using VelorSpec::SaveSampleWindow;
using VelorSpec::TfrmMain;
using VelorSpec::TfrmSample;

namespace {

// A frame with its registry in a temporary folder.
class SampleFilesTest : public FrameFixture {
protected:
    QStringList Recent() const { return frame->MRUManager->Strings(); }
    TfrmSample* OpenInFrame(const QString& path)
    {
        frame->OpenFile(path);
        Pump();
        return qobject_cast<TfrmSample*>(frame->ActiveChild());
    }
};

TEST_F(SampleFilesTest, OpenThroughTheFrameAndFindItAgain)
{
    auto s = MakeSample("First", 2, 30);
    const QString path = WriteSample(dir, QStringLiteral("first.ast"), *s);
    TfrmSample* w = OpenInFrame(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("First - [%1]").arg(path));
    EXPECT_EQ(Recent(), QStringList{path});
    // The sample menu is merged into the frame's bar while the window is active.
    EXPECT_TRUE(frame->menuBar()->actions().contains(w->MainMenu->menuAction()));

    // Opening the same name again brings the window forward instead of a second one.
    frame->OpenFile(path);
    Pump();
    EXPECT_EQ(Windows().size(), 1);
}

TEST_F(SampleFilesTest, AatIsReadAfterSixLinesAndSavedAsAst)
{
    auto s = MakeSample("Leading", 2, 20);
    TAASStrings lines;
    s->SaveToStrings(lines);
    QByteArray text = "one\r\ntwo\r\n##Title=Not this\r\nfour\r\n-1000\r\nsix\r\n";
    for (const std::string& l : lines)
        text += QByteArray::fromStdString(l) + "\r\n";
    const QString aat = dir.filePath(QStringLiteral("run.aat"));
    WriteAll(aat, text);

    TfrmSample* w = OpenInFrame(aat);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->FSample->Title(), "Leading");
    EXPECT_EQ(w->FSample->Count(), 2);
    EXPECT_EQ(w->FSample->GetItem(0)->Count(), 20);

    // Saving writes the .AST file beside it and renames the window.
    frame->MRUManager->Add(QStringLiteral("/elsewhere/other.ast"));
    SaveSampleWindow(w, aat);
    const QString ast = dir.filePath(QStringLiteral("run.AST"));
    EXPECT_TRUE(QFile::exists(ast));
    EXPECT_EQ(ReadAll(aat), text);   // the .AAT file is never written
    EXPECT_EQ(w->FFileName, ast);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Leading - [%1]").arg(ast));
    EXPECT_EQ(Recent().value(0), ast);

    TAASSample back("", true);
    ASSERT_TRUE(back.LoadFromFile(ast.toStdString()));
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Title(), "Leading");
}

TEST_F(SampleFilesTest, FailedLoadIsReportedClosesAndLeavesTheRecentList)
{
    Answers answers;
    const QString bad = dir.filePath(QStringLiteral("bad.AST"));
    WriteAll(bad, "1\r\n\r\n2\r\n-1000\r\n");   // an empty line: unreadable
    const QString missing = dir.filePath(QStringLiteral("missing.AST"));
    frame->MRUManager->Add(bad);
    frame->MRUManager->Add(missing);
    frame->MRUManager->Add(QStringLiteral("/keep/me.AST"));

    frame->OpenFile(bad);
    Pump();
    frame->OpenFile(missing);
    Pump();
    EXPECT_TRUE(Windows().isEmpty());
    EXPECT_TRUE(frame->MdiArea->subWindowList().isEmpty());
    EXPECT_EQ(Recent(), QStringList{"/keep/me.AST"});
    ASSERT_EQ(answers.Requests.size(), 2);
    EXPECT_EQ(answers.Requests[0].text, QStringLiteral("File \"%1\" could not be read at line 2.").arg(bad));
    EXPECT_EQ(answers.Requests[1].text, QStringLiteral("File \"%1\" could not be read.").arg(missing));
    for (const gui::DialogRequest& r : answers.Requests)
        EXPECT_EQ(r.type, gui::MsgDlgType::Error);
}

TEST_F(SampleFilesTest, BinarySampleOpensEmpty)
{
    const QString asb = dir.filePath(QStringLiteral("data.asb"));
    WriteAll(asb, "anything");
    TfrmSample* w = OpenInFrame(asb);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->tviewSample->topLevelItemCount(), 0);
    EXPECT_TRUE(w->redStats->toPlainText().isEmpty());
    EXPECT_TRUE(w->windowTitle().isEmpty());
    EXPECT_EQ(w->FFileName, asb);
    EXPECT_TRUE(Recent().isEmpty());
    EXPECT_EQ(w->FSample->Count(), 0);
    // Refreshing an empty window is harmless.
    w->RefreshSeries();
}

TEST_F(SampleFilesTest, SaveAndReopenKeepsDataAndFlags)
{
    auto s = MakeSample("Kept", 3, 30);
    const QString path = WriteSample(dir, QStringLiteral("kept.AST"), *s);
    TfrmSample* w = OpenInFrame(path);
    ASSERT_NE(w, nullptr);
    w->FSample->SetTitle("Renamed");
    w->FSample->SubtractZero(0.02, 0.1);
    w->FSample->SetPeakStart(0.26);
    w->FSample->SetPeakEnd(0.36);
    w->FModified = true;
    const std::vector<double> points = w->FSample->GetItem(2)->Points();

    // The frame's Save goes to the window's own name.
    frame->acList->UpdateAll();
    EXPECT_TRUE(frame->acFileSave->isEnabled());
    ASSERT_TRUE(frame->acList->Execute(frame->acFileSave));
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Renamed - [%1]").arg(path));

    frame->acFileCloseExecute();
    Pump();
    EXPECT_TRUE(Windows().isEmpty());

    TfrmSample* again = OpenInFrame(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->FSample->Title(), "Renamed");
    EXPECT_TRUE(again->FSample->ZeroSubtracted());
    EXPECT_EQ(again->FSample->PeakStart(), 0.26);
    EXPECT_EQ(again->FSample->PeakEnd(), 0.36);
    EXPECT_EQ(again->FSample->GetItem(2)->Points(), points);
    EXPECT_EQ(again->SampleNode()->text(0), QStringLiteral("Renamed"));
}

TEST_F(SampleFilesTest, CloseQueryAnswers)
{
    auto s = MakeSample("Asked", 2, 30);
    const QString path = WriteSample(dir, QStringLiteral("asked.AST"), *s);
    const QByteArray original = ReadAll(path);
    Answers answers;

    // Unmodified: closes without a question.
    TfrmSample* w = OpenInFrame(path);
    ASSERT_NE(w, nullptr);
    frame->acFileCloseExecute();
    Pump();
    EXPECT_TRUE(Windows().isEmpty());
    EXPECT_TRUE(answers.Requests.isEmpty());

    // Cancel keeps the window and its changes.
    w = OpenInFrame(path);
    w->FSample->SetTitle("Changed");
    w->FModified = true;
    answers.Push(gui::mrCancel);
    frame->acFileCloseExecute();
    Pump();
    ASSERT_EQ(Windows().size(), 1);
    ASSERT_EQ(answers.Requests.size(), 1);
    EXPECT_EQ(answers.Requests[0].text, QStringLiteral("Do you want to save changes to \"%1\" ?").arg(path));
    EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Confirmation);
    EXPECT_EQ(answers.Requests[0].buttons, gui::mbYesNoCancel);
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->FSample->Title(), "Changed");

    // The frame's shutdown stops on Cancel too.
    answers.Push(gui::mrCancel);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(Windows().size(), 1);

    // No discards the changes.
    answers.Push(gui::mrNo);
    frame->acFileCloseExecute();
    Pump();
    EXPECT_TRUE(Windows().isEmpty());
    EXPECT_EQ(ReadAll(path), original);

    // Yes saves, then closes.
    w = OpenInFrame(path);
    w->FSample->SetTitle("Saved");
    w->FModified = true;
    answers.Push(gui::mrYes);
    frame->acFileCloseExecute();
    Pump();
    EXPECT_TRUE(Windows().isEmpty());
    TAASSample back("", true);
    ASSERT_TRUE(back.LoadFromFile(path.toStdString()));
    EXPECT_EQ(back.Title(), "Saved");
    EXPECT_EQ(Recent().value(0), path);
}

TEST_F(SampleFilesTest, FailedSaveKeepsOldFileAndWindowState)
{
    auto s = MakeSample("Target", 2, 30);
    const QString path = WriteSample(dir, QStringLiteral("target.AST"), *s);
    const QByteArray original = ReadAll(path);
    TfrmSample* w = OpenInFrame(path);
    ASSERT_NE(w, nullptr);
    w->FSample->SetTitle("Edited");
    w->FModified = true;
    const QString caption = w->windowTitle();

    // A name under a regular file cannot be created.
    const QString blocker = dir.filePath(QStringLiteral("plain"));
    WriteAll(blocker, "x");
    const QString impossible = blocker + QStringLiteral("/inside.AST");
    EXPECT_THROW(SaveSampleWindow(w, impossible), std::exception);
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->FFileName, path);
    EXPECT_EQ(w->windowTitle(), caption);
    EXPECT_FALSE(Recent().contains(impossible));

    // Through the frame's Save As the user is told, and nothing changes.
    Answers answers;
    gui::SetResponder([&](const gui::DialogRequest& r) {
        answers.Requests << r;
        gui::DialogReply reply;
        reply.result = gui::mrOk;
        if (r.kind == gui::RequestKind::SaveFile)
            reply.value = impossible;
        return reply;
    });
    frame->acList->Execute(frame->acFileSaveAs);
    ASSERT_EQ(answers.Requests.size(), 2);
    EXPECT_EQ(answers.Requests[1].type, gui::MsgDlgType::Error);
    EXPECT_TRUE(answers.Requests[1].text.contains(impossible));
    EXPECT_TRUE(w->FModified);

    // A sample without replicates cannot be written either: the old file stays.
    while (w->FSample->Count() > 0)
        w->FSample->Remove(w->FSample->GetItem(0));
    answers.Requests.clear();
    gui::SetResponder([&](const gui::DialogRequest& r) {
        answers.Requests << r;
        gui::DialogReply reply;
        reply.result = r.type == gui::MsgDlgType::Confirmation ? gui::mrYes : gui::mrOk;
        return reply;
    });
    frame->acFileCloseExecute();   // Yes: the save fails, the window stays
    Pump();
    ASSERT_EQ(answers.Requests.size(), 2);
    EXPECT_EQ(answers.Requests[1].type, gui::MsgDlgType::Error);
    EXPECT_EQ(Windows().size(), 1);
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(ReadAll(path), original);
    gui::SetResponder({});
    w->FModified = false;
}

TEST_F(SampleFilesTest, BinaryNameSavesTheTextFileItNames)
{
    auto s = MakeSample("Bin", 2, 30);
    const QString path = WriteSample(dir, QStringLiteral("bin.AST"), *s);
    TfrmSample* w = OpenInFrame(path);
    ASSERT_NE(w, nullptr);
    QFile::remove(path);
    w->FModified = true;
    const QString asb = dir.filePath(QStringLiteral("bin.ASB"));
    SaveSampleWindow(w, asb);
    EXPECT_FALSE(QFile::exists(asb));
    EXPECT_EQ(w->FFileName, path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(w->FModified);
    // A name without an extension gets one.
    const QString bare = dir.filePath(QStringLiteral("bare"));
    SaveSampleWindow(w, bare);
    EXPECT_EQ(w->FFileName, bare + QStringLiteral(".AST"));
    EXPECT_TRUE(QFile::exists(bare + QStringLiteral(".AST")));
}

}  // namespace
