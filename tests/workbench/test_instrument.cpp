// Instrument Data window: test input, Proceed, samples by commands and drag
// and drop, saving, and the received-data commands that need no port.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QCoreApplication>
#include <QLineSeries>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QValueAxis>

#include <cmath>

#include "Charts.h"
#include "InstrumentTestUtil.h"

using namespace VelorSpec;

namespace {

class InstrumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        TfrmInstrument::SetTestInputFolder(dir.path());
    }
    void TearDown() override { TfrmInstrument::SetTestInputFolder(QString()); }

    bool HoldsLines() const
    {
        for (const std::string& line : w.FLines.FReceivedLines)
            if (!line.empty())
                return true;
        return false;
    }
    // Writes the test input into this test's folder and loads it (answering
    // Yes when the window asks whether to replace received lines).
    void LoadTestInput(const QByteArray& content)
    {
        QFile f(TfrmInstrument::TestInputFileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        if (HoldsLines())
            dialogs.Answer(gui::mrYes);
        w.panInfoClick();
    }
    void Proceed(const QByteArray& content)
    {
        LoadTestInput(content);
        ASSERT_TRUE(Exec(w, w.acProceedData));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    TfrmInstrument w;
};

// Three replicates: 3 points, none, 2 points; two readings after the last marker.
const QByteArray ThreeReplicates = "1\r\n2\r\n\r\n3\r\n-1000\r\n-1000\r\n4\r\n5\r\n-1000\r\n7\r\n8";

}  // namespace

TEST_F(InstrumentTest, StartsOnReceivedPageInOverlapedViewNotConnected)
{
    EXPECT_EQ(w.windowTitle(), "Instrument Data");
    EXPECT_EQ(w.panInfo->text(), "Not connected");
    EXPECT_EQ(w.pctrlData->currentIndex(), 0);
    EXPECT_EQ(w.pctrlData->tabText(0), "Received Data");
    EXPECT_EQ(w.pctrlData->tabText(1), "Proceed...");
    EXPECT_TRUE(w.acViewDiscrete->isChecked());
    EXPECT_FALSE(w.acViewContinues->isChecked());
    EXPECT_EQ(w.FLines.FCurrentSeries, w.MainSeries);
    EXPECT_EQ(w.cpDrv->PortName(), "\\\\.\\COM1");
    EXPECT_EQ(w.cpDrv->DataBits(), db7BITS);
    EXPECT_EQ(w.acMinimize->text(), "&Minimize  Instrument Window");
    EXPECT_EQ(w.acAddSample->shortcut(), QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(w.acMoveLeft->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Left));
    EXPECT_FALSE(EnabledNow(w, w.acDisconnect));
    EXPECT_TRUE(EnabledNow(w, w.acConnect));
    EXPECT_FALSE(EnabledNow(w, w.acClearData));
    EXPECT_FALSE(EnabledNow(w, w.acProceedData));
    EXPECT_FALSE(EnabledNow(w, w.acSaveSamples));
}

TEST_F(InstrumentTest, TestInputReplacesListWithoutPlotting)
{
    const char chunk[] = "9\r9\r";
    w.cpDrvReceiveData(w.cpDrv, chunk, 4);  // plotted; next pass starts at index 2
    ASSERT_EQ(w.MainSeries->count(), 2);
    LoadTestInput("10\r\n20\r\n30\r\n40\r\n");
    EXPECT_EQ(w.FLines.FReceivedLines, std::vector<std::string>({"10", "20", "30", "40"}));
    EXPECT_EQ(w.MainSeries->count(), 2);
    EXPECT_EQ(w.FLines.FLastPlottedLine, 2);
    // The next chunk completes "40": lines 2 and 3 are plotted, 0 and 1 never.
    w.cpDrvReceiveData(w.cpDrv, "\r", 1);
    ASSERT_EQ(w.MainSeries->count(), 4);
    EXPECT_EQ(w.MainSeries->at(2), QPointF(0.06, 30));
    EXPECT_EQ(w.MainSeries->at(3), QPointF(0.08, 40));
}

TEST_F(InstrumentTest, MissingTestInputReportsAndKeepsList)
{
    w.cpDrvReceiveData(w.cpDrv, "5\r", 2);
    QFile::remove(TfrmInstrument::TestInputFileName());
    dialogs.Answer(gui::mrYes);  // replace the received line
    w.panInfo->OnClick();
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[1].text, "Cannot open file " + TfrmInstrument::TestInputFileName());
    EXPECT_EQ(w.FLines.FReceivedLines, std::vector<std::string>({"5", ""}));
}

// Received lines are replaced by the test input only after Yes; an empty
// list (or one holding only the empty line under assembly) loads at once.
TEST_F(InstrumentTest, TestInputAsksBeforeReplacingReceivedLines)
{
    QFile f(TfrmInstrument::TestInputFileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("10\r\n20\r\n");
    f.close();

    w.cpDrvReceiveData(w.cpDrv, "\r\n", 2);  // only an empty line so far
    w.panInfo->OnClick();
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_EQ(w.FLines.FReceivedLines, std::vector<std::string>({"10", "20"}));

    w.FLines.Reset(w.MainSeries);
    w.cpDrvReceiveData(w.cpDrv, "5\r6", 3);
    const std::vector<std::string> received = w.FLines.FReceivedLines;
    struct {
        int answer;
        bool replaced;
    } cases[] = {{gui::mrNo, false}, {gui::mrCancel, false}, {gui::mrYes, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        dialogs.asked.clear();
        dialogs.Answer(c.answer);
        w.panInfo->OnClick();
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Confirmation);
        EXPECT_EQ(dialogs.asked[0].buttons, gui::mbYesNo);
        EXPECT_EQ(dialogs.asked[0].text, "Replace the received data with the test input ?");
        EXPECT_EQ(w.FLines.FReceivedLines, c.replaced ? std::vector<std::string>({"10", "20"}) : received);
    }
}

TEST_F(InstrumentTest, ProceedBuildsOneReplicatePerMarker)
{
    Proceed(ThreeReplicates);
    EXPECT_EQ(w.pctrlData->currentIndex(), 1);
    EXPECT_FALSE(w.prgBar->isVisible());
    EXPECT_FALSE(w.prgBar->isVisibleTo(&w));
    ASSERT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001", "Replicate #002", "Replicate #003"}));
    EXPECT_EQ(ChildTexts(w.tviewReplicates->topLevelItem(0)), QStringList({"Number Of Points: 3", "Resolution: 0.02"}));
    EXPECT_EQ(ChildTexts(w.tviewReplicates->topLevelItem(1)), QStringList({"Number Of Points: 0", "Resolution: 0.02"}));
    ASSERT_NE(w.ReceivedReplicates(), nullptr);
    ASSERT_EQ(w.ReceivedReplicates()->Count(), 3);
    EXPECT_EQ(PointsOf(w.ReceivedReplicates()->GetItem(0)), std::vector<double>({1, 2, 3}));
    EXPECT_EQ(PointsOf(w.ReceivedReplicates()->GetItem(2)), std::vector<double>({4, 5}));
    EXPECT_EQ(TfrmInstrument::ReplicateOf(w.tviewReplicates->topLevelItem(2)), w.ReceivedReplicates()->GetItem(2));

    // Without any marker: an empty tree, but the page is shown.
    w.ShowPage(0);
    Proceed("1\r\n2\r\n");
    EXPECT_EQ(w.tviewReplicates->topLevelItemCount(), 0);
    EXPECT_EQ(w.pctrlData->currentIndex(), 1);
}

TEST_F(InstrumentTest, ProceedStopsAtAValueThatIsNoNumber)
{
    LoadTestInput("1\r\n-1000\r\n2\r\nabc\r\n-1000\r\n");
    EXPECT_FALSE(Exec(w, w.acProceedData));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "'abc' is not a valid floating point value");
    EXPECT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001"}));
    EXPECT_EQ(w.ReceivedReplicates()->Count(), 1);
    EXPECT_FALSE(w.prgBar->isVisibleTo(&w));
    EXPECT_EQ(w.pctrlData->currentIndex(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(InstrumentTest, UserPageSwitchesRebuildOrDropEverything)
{
    // Proceed page with an empty list: back to page 0 at once.
    w.pctrlData->setCurrentIndex(1);
    EXPECT_EQ(w.pctrlData->currentIndex(), 0);

    LoadTestInput(ThreeReplicates);
    w.pctrlData->setCurrentIndex(1);
    ASSERT_EQ(w.tviewReplicates->topLevelItemCount(), 3);
    Exec(w, w.acAddSample);
    MoveRight(w, "Replicate #001", w.tviewSamples->topLevelItem(0));
    ASSERT_EQ(w.tviewReplicates->topLevelItemCount(), 2);

    w.pctrlData->setCurrentIndex(0);
    EXPECT_EQ(w.ReceivedReplicates(), nullptr);
    EXPECT_EQ(w.tviewReplicates->topLevelItemCount(), 0);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 0);

    w.pctrlData->setCurrentIndex(1);
    EXPECT_EQ(w.tviewReplicates->topLevelItemCount(), 3);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 0);
}

TEST_F(InstrumentTest, MoveRightAndLeftKeepSamplesEqualToTheTree)
{
    Proceed("1\r\n2\r\n-1000\r\n3\r\n4\r\n-1000\r\n5\r\n-1000\r\n6\r\n7\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    QTreeWidgetItem* node = w.tviewSamples->topLevelItem(0);
    TAASSample* sample = TfrmInstrument::SampleOf(node);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->Title(), "Sample");
    EXPECT_FALSE(sample->OwnsObjects());

    MoveRight(w, "Replicate #002", node);
    MoveRight(w, "Replicate #004", node);
    EXPECT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001", "Replicate #003"}));
    ASSERT_EQ(sample->Count(), 2);
    EXPECT_EQ(PointsOf(sample->GetItem(0)), std::vector<double>({3, 4}));
    EXPECT_EQ(ChildTexts(node), QStringList({"Replicate #002", "Replicate #004"}));
    EXPECT_EQ(ChildTexts(node->child(0)), QStringList({"Number Of Points: 2", "Resolution: 0.02"}));
    EXPECT_EQ(PointsOf(sample->Ansambled()), std::vector<double>({4.5, 5.5}));

    // A replicate of another length is refused without a message.
    MoveRight(w, "Replicate #003", node);
    EXPECT_EQ(sample->Count(), 2);
    EXPECT_EQ(w.tviewReplicates->topLevelItemCount(), 2);
    EXPECT_TRUE(dialogs.asked.empty());

    // Back to the replicate tree, which is sorted again.
    w.tviewSamples->setCurrentItem(node->child(0));
    EXPECT_TRUE(EnabledNow(w, w.acMoveLeft));
    EXPECT_FALSE(EnabledNow(w, w.acDelSample));
    Exec(w, w.acMoveLeft);
    EXPECT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001", "Replicate #002", "Replicate #003"}));
    EXPECT_EQ(ChildTexts(FindTop(w.tviewReplicates, "Replicate #002")),
              QStringList({"Number Of Points: 2", "Resolution: 0.02"}));
    ASSERT_EQ(sample->Count(), 1);
    EXPECT_EQ(PointsOf(sample->Ansambled()), std::vector<double>({6, 7}));
}

TEST_F(InstrumentTest, DragAndDropBetweenAndWithinTrees)
{
    Proceed("1\r\n-1000\r\n2\r\n-1000\r\n3\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    Exec(w, w.acAddSample);
    QTreeWidgetItem* a = w.tviewSamples->topLevelItem(0);
    QTreeWidgetItem* b = w.tviewSamples->topLevelItem(1);

    w.tviewReplicates->setCurrentItem(FindTop(w.tviewReplicates, "Replicate #002"));
    EXPECT_FALSE(w.tviewSamplesDragOver(w.tviewReplicates, nullptr));
    EXPECT_FALSE(w.tviewSamplesDragOver(nullptr, a));
    ASSERT_TRUE(w.tviewSamplesDragOver(w.tviewReplicates, a));
    w.tviewSamplesDragDrop(w.tviewReplicates, a);
    EXPECT_TRUE(a->isExpanded());
    EXPECT_EQ(ChildTexts(a), QStringList({"Replicate #002"}));
    EXPECT_EQ(ChildTexts(a->child(0)).size(), 2);

    // Within the sample tree: not onto its own sample, nor onto a child node.
    w.tviewSamples->setCurrentItem(a->child(0));
    EXPECT_FALSE(w.tviewSamplesDragOver(w.tviewSamples, a));
    EXPECT_FALSE(w.tviewSamplesDragOver(w.tviewSamples, a->child(0)));
    ASSERT_TRUE(w.tviewSamplesDragOver(w.tviewSamples, b));
    w.tviewSamplesDragDrop(w.tviewSamples, b);
    EXPECT_EQ(a->childCount(), 0);
    EXPECT_EQ(TfrmInstrument::SampleOf(a)->Count(), 0);
    ASSERT_EQ(ChildTexts(b), QStringList({"Replicate #002"}));
    EXPECT_EQ(TfrmInstrument::SampleOf(b)->Count(), 1);

    // A sample node is no replicate: the replicate tree refuses it.
    w.tviewSamples->setCurrentItem(b);
    EXPECT_FALSE(w.tviewReplicatesDragOver(w.tviewSamples, nullptr));
    w.tviewSamples->setCurrentItem(b->child(0));
    EXPECT_FALSE(w.tviewReplicatesDragOver(w.tviewReplicates, nullptr));
    ASSERT_TRUE(w.tviewReplicatesDragOver(w.tviewSamples, nullptr));
    w.tviewReplicatesDragDrop(w.tviewSamples, nullptr);
    EXPECT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001", "Replicate #002", "Replicate #003"}));
    EXPECT_EQ(TfrmInstrument::SampleOf(b)->Count(), 0);
    EXPECT_EQ(b->childCount(), 0);
}

TEST_F(InstrumentTest, DeleteSampleAsksOnlyWhenItHoldsReplicates)
{
    Proceed("1\r\n-1000\r\n2\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    Exec(w, w.acAddSample);
    QTreeWidgetItem* full = w.tviewSamples->topLevelItem(1);
    MoveRight(w, "Replicate #001", full);

    w.tviewSamples->setCurrentItem(full);
    dialogs.Answer(gui::mrNo);
    Exec(w, w.acDelSample);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Are you really want to delete this sample ?");
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Confirmation);
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbYesNo);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 2);

    dialogs.Answer(gui::mrYes);
    Exec(w, w.acDelSample);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 1);
    EXPECT_EQ(TopTexts(w.tviewReplicates), QStringList({"Replicate #001", "Replicate #002"}));
    EXPECT_EQ(ChildTexts(w.tviewReplicates->topLevelItem(0)).size(), 2);

    w.tviewSamples->setCurrentItem(w.tviewSamples->topLevelItem(0));
    Exec(w, w.acDelSample);  // empty: no question
    EXPECT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 0);
}

TEST_F(InstrumentTest, ReturnedNodesSortByTextPast999)
{
    QByteArray many;
    for (int i = 0; i < 1001; ++i)
        many += "-1000\r\n";
    Proceed(many);
    ASSERT_EQ(w.tviewReplicates->topLevelItemCount(), 1001);
    EXPECT_EQ(w.tviewReplicates->topLevelItem(1000)->text(0), "Replicate #1001");
    Exec(w, w.acAddSample);
    MoveRight(w, "Replicate #1000", w.tviewSamples->topLevelItem(0));
    w.tviewSamples->setCurrentItem(w.tviewSamples->topLevelItem(0)->child(0));
    Exec(w, w.acMoveLeft);
    const QStringList texts = TopTexts(w.tviewReplicates);
    const qsizetype at = texts.indexOf("Replicate #1000");
    ASSERT_GT(at, 0);
    EXPECT_EQ(texts[at - 1], "Replicate #100");
    EXPECT_EQ(texts[at + 1], "Replicate #1001");
    EXPECT_EQ(texts[at + 2], "Replicate #101");
}

TEST_F(InstrumentTest, SaveSamplesBottomUpDropsEmptyAndFixesExtension)
{
    Proceed("1\r\n2\r\n-1000\r\n3\r\n4\r\n-1000\r\n5\r\n6\r\n-1000\r\n");
    Exec(w, w.acAddSample);  // A (top)
    Exec(w, w.acAddSample);  // empty, dropped
    Exec(w, w.acAddSample);  // B (bottom)
    QTreeWidgetItem* a = w.tviewSamples->topLevelItem(0);
    QTreeWidgetItem* b = w.tviewSamples->topLevelItem(2);
    a->setText(0, "Alpha");  // as the editor stores it
    EXPECT_EQ(TfrmInstrument::SampleOf(a)->Title(), "Alpha");
    MoveRight(w, "Replicate #001", a);
    MoveRight(w, "Replicate #002", b);
    MoveRight(w, "Replicate #003", b);

    dialogs.SaveAs(Path("b.txt"));   // B first: written as b.AST
    dialogs.SaveAs(Path("a.ASB"));   // binary: nothing written
    ASSERT_TRUE(Exec(w, w.acSaveSamples));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[0].kind, gui::RequestKind::SaveFile);
    EXPECT_EQ(dialogs.asked[0].filter, "AAS Sample Text File(*.AST)|*.AST|AAS Sample Binary File(*.ASB)|*.ASB");
    EXPECT_EQ(dialogs.asked[1].value, Path("b.txt"));  // the name chosen last is offered
    EXPECT_TRUE(QFile::exists(Path("b.AST")));
    EXPECT_FALSE(QFile::exists(Path("b.txt")));
    EXPECT_FALSE(QFile::exists(Path("a.ASB")));
    EXPECT_EQ(TopTexts(w.tviewSamples), QStringList({"Alpha", "Sample"}));
    EXPECT_FALSE(w.prgBar->isVisibleTo(&w));

    TAASSample back("", true);
    ASSERT_TRUE(back.LoadFromFile(Path("b.AST").toStdString()));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(PointsOf(back.GetItem(0)), std::vector<double>({3, 4}));
    EXPECT_EQ(PointsOf(back.GetItem(1)), std::vector<double>({5, 6}));

    // Cancelling one dialog skips only that sample.
    dialogs.Answer(gui::mrCancel);
    dialogs.SaveAs(Path("a2.AST"));
    Exec(w, w.acSaveSamples);
    EXPECT_TRUE(QFile::exists(Path("a2.AST")));
}

TEST_F(InstrumentTest, SaveAsExperimentListsSamplesBottomUp)
{
    Proceed("1\r\n2\r\n-1000\r\n3\r\n4\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    Exec(w, w.acAddSample);
    w.tviewSamples->topLevelItem(0)->setText(0, "A");
    w.tviewSamples->topLevelItem(1)->setText(0, "B");
    MoveRight(w, "Replicate #001", w.tviewSamples->topLevelItem(0));
    MoveRight(w, "Replicate #002", w.tviewSamples->topLevelItem(1));

    dialogs.SaveAs(Path("exp.dat"));
    ASSERT_TRUE(Exec(w, w.acSaveAsExperiment));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].filter, "AAS Experiment(*.AXP)|*.AXP|Any File(*.*)|*.*");
    EXPECT_EQ(w.sdlgSamples.filter, "AAS Sample Text File(*.AST)|*.AST|AAS Sample Binary File(*.ASB)|*.ASB");

    TAASExperiment back("", true);
    back.LoadFromFile(Path("exp.AXP").toStdString());
    EXPECT_EQ(back.Title(), "Untitled");
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.GetItem(0)->Title(), "B");
    EXPECT_EQ(back.GetItem(1)->Title(), "A");
    EXPECT_EQ(PointsOf(back.GetItem(0)->GetItem(0)), std::vector<double>({3, 4}));
    // The samples stay with the window and can be saved again.
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 2);
    EXPECT_EQ(TfrmInstrument::SampleOf(w.tviewSamples->topLevelItem(0))->Count(), 1);
}

TEST_F(InstrumentTest, SaveAsExperimentWithOnlyEmptySamplesWritesNone)
{
    Proceed("1\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    dialogs.SaveAs(Path("none.AXP"));
    Exec(w, w.acSaveAsExperiment);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 0);
    TAASExperiment back("", true);
    back.LoadFromFile(Path("none.AXP").toStdString());
    EXPECT_EQ(back.Count(), 0);
}

TEST_F(InstrumentTest, FailingExperimentWriteIsReportedAndFilterRestored)
{
    Proceed("1\r\n-1000\r\n");
    Exec(w, w.acAddSample);
    MoveRight(w, "Replicate #001", w.tviewSamples->topLevelItem(0));
    dialogs.SaveAs(Path("no/such/folder/x.AXP"));
    EXPECT_FALSE(Exec(w, w.acSaveAsExperiment));
    ASSERT_EQ(dialogs.asked.size(), 2u);
    EXPECT_EQ(dialogs.asked[1].type, gui::MsgDlgType::Error);
    EXPECT_EQ(w.sdlgSamples.filter, "AAS Sample Text File(*.AST)|*.AST|AAS Sample Binary File(*.ASB)|*.ASB");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(w.tviewSamples->topLevelItemCount(), 1);
}

TEST_F(InstrumentTest, ClearDataKeepsOnlyAnEmptyMainSeries)
{
    const char stream[] = "1\r-1000\r2\r-1000\r3\r-1000\r4\r";
    w.cpDrvReceiveData(w.cpDrv, stream, sizeof stream - 1);
    ASSERT_EQ(w.Chart->series().size(), 4);
    EXPECT_TRUE(EnabledNow(w, w.acClearData));
    Exec(w, w.acClearData);
    ASSERT_EQ(w.Chart->series().size(), 1);
    EXPECT_EQ(w.Chart->series()[0], w.MainSeries);
    EXPECT_EQ(w.MainSeries->count(), 0);
    EXPECT_EQ(w.FLines.FCurrentSeries, w.MainSeries);
    EXPECT_EQ(w.FLines.FPlotX, 0);
    EXPECT_EQ(w.FLines.FLastPlottedLine, 0);
    EXPECT_TRUE(w.FLines.Empty());
    EXPECT_FALSE(EnabledNow(w, w.acClearData));
}

TEST_F(InstrumentTest, ViewSwitchKeepsExactlyOneChecked)
{
    Exec(w, w.acViewDiscrete);
    EXPECT_TRUE(w.acViewDiscrete->isChecked());
    Exec(w, w.acViewContinues);
    EXPECT_TRUE(w.acViewContinues->isChecked());
    EXPECT_FALSE(w.acViewDiscrete->isChecked());
    Exec(w, w.acViewContinues);
    EXPECT_TRUE(w.acViewContinues->isChecked());
    const char stream[] = "1\r-1000\r2\r";
    w.cpDrvReceiveData(w.cpDrv, stream, sizeof stream - 1);
    EXPECT_EQ(w.Chart->series().size(), 1);
    EXPECT_EQ(w.MainSeries->at(1), QPointF(0.04, 2));
}

TEST_F(InstrumentTest, CommandsNeedTheirSelections)
{
    Proceed("1\r\n-1000\r\n");
    EXPECT_TRUE(EnabledNow(w, w.acAddSample));
    EXPECT_FALSE(EnabledNow(w, w.acDelSample));
    EXPECT_FALSE(EnabledNow(w, w.acMoveRight));
    Exec(w, w.acAddSample);
    EXPECT_TRUE(EnabledNow(w, w.acSaveSamples));
    EXPECT_TRUE(EnabledNow(w, w.acSaveAsExperiment));
    w.tviewSamples->setCurrentItem(w.tviewSamples->topLevelItem(0));
    w.tviewReplicates->setCurrentItem(w.tviewReplicates->topLevelItem(0)->child(0));
    EXPECT_FALSE(EnabledNow(w, w.acMoveRight));
    w.tviewReplicates->setCurrentItem(w.tviewReplicates->topLevelItem(0));
    EXPECT_TRUE(EnabledNow(w, w.acMoveRight));
    EXPECT_FALSE(EnabledNow(w, w.acMoveLeft));
    // Only sample nodes can be renamed; replicate nodes keep their text.
    EXPECT_TRUE(w.tviewSamples->topLevelItem(0)->flags() & Qt::ItemIsEditable);
    Exec(w, w.acMoveRight);
    EXPECT_FALSE(w.tviewSamples->topLevelItem(0)->child(0)->flags() & Qt::ItemIsEditable);
}

// The live chart: every replicate of Overlaped View in its own automatic
// colour, finished replicates frozen into the view's picture (still series
// of the chart), and positive readings on a value axis that stays above zero
// with readable labels.
TEST_F(InstrumentTest, LiveChartColoursFrozenReplicatesAndPositiveAxis)
{
    std::string stream;
    for (int r = 0; r < 10; ++r) {
        for (int i = 0; i < 20; ++i)
            stream += std::to_string(100 + r * 10 + i) + "\r";
        stream += "-1000\r";
    }
    w.cpDrvReceiveData(w.cpDrv, stream.data(), static_cast<std::uint32_t>(stream.size()));
    const QList<QAbstractSeries*> series = w.Chart->series();
    ASSERT_EQ(series.size(), 11);
    QList<QColor> colours;
    for (int i = 0; i < 10; ++i)
        colours << static_cast<QLineSeries*>(series[i])->color();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(colours[i], gui::AutoColor(i));
        EXPECT_EQ(colours.count(colours[i]), 1);
    }
    EXPECT_EQ(w.ChartView->FrozenCount(), 10);
    EXPECT_TRUE(w.ChartView->IsFrozen(w.MainSeries));
    EXPECT_FALSE(w.ChartView->IsFrozen(static_cast<QLineSeries*>(series[10])));
    EXPECT_EQ(static_cast<QLineSeries*>(series[3])->count(), 20);

    EXPECT_GE(w.AxisY->min(), 0);
    EXPECT_GE(w.AxisY->max(), 209);
    EXPECT_LE(w.AxisY->min(), 100);
    const QStringList labels = gui::AxisLabels(w.AxisY);
    EXPECT_GE(labels.size(), 3);
    for (const QString& label : labels)
        EXPECT_FALSE(label.startsWith('-')) << label.toStdString();

    // Clear Data shows MainSeries as a normal series again.
    ASSERT_TRUE(Exec(w, w.acClearData));
    EXPECT_EQ(w.ChartView->FrozenCount(), 0);
    EXPECT_TRUE(w.MainSeries->isVisible());
    EXPECT_EQ(w.Chart->series().size(), 1);
}

// Sequence View on a long stream: the one series keeps every reading, while
// the chart is handed only what its width shows (per pixel column the first,
// lowest, highest and last point, exactly as ReducePoints gives them), also
// as the stream goes on chunk by chunk.
TEST_F(InstrumentTest, SequenceViewKeepsEveryReadingAndHandsTheChartPerPixelColumn)
{
    w.resize(640, 480);
    w.show();
    Exec(w, w.acViewContinues);
    std::vector<int> sent;
    std::string stream;
    for (int i = 0; i < 60000; ++i) {
        sent.push_back(i == 31234 ? 99999 : 1000 + i % 700);   // one spike
        stream += std::to_string(sent.back()) + "\r";
        if (i % 1000 == 999)
            stream += "-1000\r";
    }
    const std::size_t head = stream.size() - 10 * 576;
    w.cpDrvReceiveData(w.cpDrv, stream.data(), static_cast<std::uint32_t>(head));
    w.FLines.RefreshChart();
    QApplication::processEvents();
    const auto handed = [&] {
        const int columns = static_cast<int>(std::ceil(w.Chart->plotArea().width()));
        EXPECT_LE(w.MainSeries->count(), 4 * columns + 4);
        EXPECT_EQ(w.MainSeries->points(),
                  gui::ReducePoints(w.MainSeries->AllPoints(), w.AxisX->min(), w.AxisX->max(), columns));
    };
    handed();
    // The rest as the port's 50 ms polls bring it at 115,200 baud.
    for (std::size_t at = head; at < stream.size(); at += 576) {
        const std::size_t n = std::min<std::size_t>(576, stream.size() - at);
        w.cpDrvReceiveData(w.cpDrv, stream.data() + at, static_cast<std::uint32_t>(n));
        w.FLines.RefreshChart();
        handed();
    }
    ASSERT_EQ(w.Chart->series().size(), 1);
    const QList<QPointF> all = w.MainSeries->AllPoints();
    ASSERT_EQ(all.size(), qsizetype(sent.size()));
    long double x = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        x = x + 0.02L;
        ASSERT_EQ(all[qsizetype(i)], QPointF(double(x), sent[i])) << i;
    }
    EXPECT_TRUE(w.MainSeries->points().contains(all[31234]));   // the spike is drawn
}
