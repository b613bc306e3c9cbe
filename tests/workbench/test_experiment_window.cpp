// The experiment window opened through the frame: the tree and its info
// lines, files that are no experiments, the check boxes and curves, label
// editing, drag and drop of samples, the menus and the page control.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include "ExperimentTestUtil.h"

using namespace experiment_test;

namespace {

class ExperimentWindowTest : public ExperimentFixture {
protected:
    // An experiment A, B, C, D of three replicates each, opened through the frame.
    TfrmExperiment* OpenAbcd()
    {
        auto e = MakeExperiment("Run 7", {"A", "B", "C", "D"});
        e->Description() = {"first line", "", "third line"};
        path = WriteExperiment(dir, QStringLiteral("run7.AXP"), *e);
        TfrmExperiment* w = Open(path);
        if (w)
            w->tviewExperiment->expandAll();
        return w;
    }
    void ClickState(TfrmExperiment* w, QTreeWidgetItem* node)
    {
        const QRect r = w->tviewExperiment->StateImageRect(node);
        ASSERT_FALSE(r.isEmpty());
        QTest::mouseClick(w->tviewExperiment->viewport(), Qt::LeftButton, {}, r.center());
    }
    static QList<int> States(const QTreeWidgetItem* sampleNode)
    {
        QList<int> out{TSampleTreeView::NodeState(sampleNode)};
        for (int i = 0; i < sampleNode->childCount(); ++i)
            out << TSampleTreeView::NodeState(sampleNode->child(i));
        return out;
    }
    QString path;
};

TEST_F(ExperimentWindowTest, OpeningBuildsTheTreeWithDetachedCurves)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Experiment - [%1]").arg(path));
    EXPECT_EQ(w->FFileName, path);
    EXPECT_FALSE(w->FModified);
    EXPECT_EQ(Recent(), QStringList{path});
    EXPECT_EQ(w->redDescription->toPlainText(), QStringLiteral("first line\n\nthird line"));
    EXPECT_EQ(w->pctrlExperiment->currentIndex(), 0);

    QTreeWidgetItem* root = w->RootNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Run 7"));
    EXPECT_EQ(TSampleTreeView::NodeState(root), -1);
    EXPECT_EQ(Texts(root), (QStringList{"A", "B", "C", "D"}));
    for (int s = 0; s < 4; ++s) {
        QTreeWidgetItem* node = root->child(s);
        ASSERT_EQ(node->childCount(), 3 + 1 + 10);
        EXPECT_EQ(Texts(node).mid(0, 4),
                  (QStringList{"Replicate #001", "Replicate #002", "Replicate #003", "Ansambled Replicate"}));
        EXPECT_EQ(States(node), (QList<int>{1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
        EXPECT_EQ(w->NodeSample(node), w->Experiment->GetItem(s));
    }
    // Every curve is filled at x = (i + 1) * R, none is on the chart.
    QTreeWidgetItem* rep = root->child(1)->child(2);
    const QList<QPointF> pts = w->NodeSeries(rep)->points();
    ASSERT_EQ(pts.size(), 30);
    EXPECT_EQ(pts[0], QPointF(0.02, 10.0 + 2));
    EXPECT_EQ(pts[29].x(), 30 * 0.02);
    EXPECT_EQ(w->NodeSeries(rep)->name(), QStringLiteral("Replicate #003"));
    EXPECT_EQ(CurveY(*w, root->child(1)->child(3)), PointsOf(w->Experiment->GetItem(1)->Ansambled()));
    EXPECT_TRUE(w->MainChart->series().isEmpty());
    EXPECT_FALSE(Enabled(w, w->acExpCopyDataChart));

    // The window's menus sit in the frame's bar while it is active.
    QStringList bar;
    for (QAction* a : frame->menuBar()->actions())
        if (a->isVisible())
            bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Instrument", "&Sample", "&Experiment", "&View", "&Window", "&Help"}));

    // Opening it again only brings the window forward.
    frame->OpenFile(path.toLower() == path ? path.toUpper() : path);
    Pump();
    EXPECT_EQ(Experiments().size(), 1);
}

TEST_F(ExperimentWindowTest, TheRecentListOpensAnExperimentWindow)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    w->SubWindow()->close();
    Pump();
    ASSERT_TRUE(Experiments().isEmpty());
    ASSERT_EQ(frame->miFileReopen->actions().size(), 1);
    frame->miFileReopen->actions()[0]->trigger();
    Pump();
    ASSERT_EQ(Experiments().size(), 1);
    EXPECT_EQ(Experiments()[0]->FFileName, path);
}

TEST_F(ExperimentWindowTest, CopyDataChartPutsTheChartOnTheClipboard)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    QApplication::clipboard()->clear();
    ASSERT_TRUE(Run(w, w->acTreeSelectAll));
    ASSERT_TRUE(Run(w, w->acExpCopyDataChart));
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), w->MainChartView->size());
    EXPECT_EQ(copied.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(copied.pixelColor(copied.width() - 1, copied.height() - 1), QColor(Qt::white));   // no silver
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentWindowTest, WindowSizeShowsEveryPageTab)
{
    // In a frame with room for it the window opens at its first size.
    frame->resize(1200, 900);
    Pump();
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    EXPECT_GE(w->width(), 620);
    EXPECT_GE(w->height(), 460);
    EXPECT_EQ(w->size(), w->sizeHint());
    QStringList tabs;
    for (int i = 0; i < w->pctrlExperiment->count(); ++i)
        tabs << w->pctrlExperiment->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Graphic View", "Calibration View", "Statistic View", "Description"}));
    EXPECT_LE(w->pctrlExperiment->tabBar()->sizeHint().width(), w->pctrlExperiment->width());
    EXPECT_TRUE(w->redStats->isReadOnly());
    EXPECT_TRUE(w->redStats->toPlainText().isEmpty());
}

// Info lines of three samples: a standard with every value set, a zero sample
// whose replicates are equal (no standard deviation) and a sample whose
// plateau lies below zero.
struct InfoCase {
    char separator;
    QStringList standard;
    QStringList zero;
    QStringList negative;
};

class InfoLinesTest : public ExperimentFixture, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(InfoLinesTest, LinesFollowTheFormatsAndTheSeparator)
{
    const InfoCase& c = GetParam();
    SeparatorScope sep(c.separator);
    TAASExperiment e("Info", true);
    TAASSample* standard = NewSample("Std", 2, 30, 100);
    standard->SetPeakStart(0.26);
    standard->SetPeakEnd(0.36);
    standard->SetAreaStart(0.26);
    standard->SetAreaEnd(0.36);
    standard->SetStandart(true);
    standard->SetConcentration(2.5);
    e.Add(standard);
    TAASSample* zero = NewSample("Zero", 0, 30);
    for (int r = 0; r < 2; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < 30; ++j)
            rep->Add(j >= 10 && j < 20 ? 50.0 : 5.0);
        zero->Add(rep);
    }
    zero->SetPeakStart(0.26);
    zero->SetPeakEnd(0.36);
    zero->SetZero(true);
    zero->SetConcentration(0);
    e.Add(zero);
    TAASSample* negative = NewSample("Neg", 2, 30, -300);
    negative->SetPeakStart(0.26);
    negative->SetPeakEnd(0.36);
    e.Add(negative);
    const QString path = WriteExperiment(dir, QStringLiteral("info.axp"), e);

    TfrmExperiment* w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(InfoLines(w->SampleNode(0)), c.standard);
    EXPECT_EQ(InfoLines(w->SampleNode(1)), c.zero);
    EXPECT_EQ(InfoLines(w->SampleNode(2)), c.negative);
}

INSTANTIATE_TEST_SUITE_P(
    Separators, InfoLinesTest,
    ::testing::Values(
        InfoCase{'.',
                 {"Peak Interval: 0.26 - 0.36 [s]", "Peak Mean: 105.0000 [a.u.]", "Peak StdDev: 7.0711 [a.u.]",
                  "Peak RSD: 6.73 [%]", "Area Interval: 0.26 - 0.36 [s]", "Area Mean: 10.5000", "Area StdDev: 0.7071",
                  "Area RSD: 6.73 [%]", "Sample Type: STANDART", "Concentration: 2.500 [ppm]"},
                 {"Peak Interval: 0.26 - 0.36 [s]", "Peak Mean: 50.0000 [a.u.]", "Peak StdDev: Value not set",
                  "Peak RSD: Value not set", "Area Interval: Value not set", "Area Mean: Value not set",
                  "Area StdDev: Value not set", "Area RSD: Value not set", "Sample Type: ZERO",
                  "Concentration: Not known"},
                 {"Peak Interval: 0.26 - 0.36 [s]", "Peak Mean: Value not set", "Peak StdDev: 7.0711 [a.u.]",
                  "Peak RSD: Value not set", "Area Interval: Value not set", "Area Mean: Value not set",
                  "Area StdDev: Value not set", "Area RSD: Value not set", "Sample Type: SAMPLE",
                  "Concentration: Not known"}},
        InfoCase{',',
                 {"Peak Interval: 0,26 - 0,36 [s]", "Peak Mean: 105,0000 [a.u.]", "Peak StdDev: 7,0711 [a.u.]",
                  "Peak RSD: 6,73 [%]", "Area Interval: 0,26 - 0,36 [s]", "Area Mean: 10,5000", "Area StdDev: 0,7071",
                  "Area RSD: 6,73 [%]", "Sample Type: STANDART", "Concentration: 2,500 [ppm]"},
                 {"Peak Interval: 0,26 - 0,36 [s]", "Peak Mean: 50,0000 [a.u.]", "Peak StdDev: Value not set",
                  "Peak RSD: Value not set", "Area Interval: Value not set", "Area Mean: Value not set",
                  "Area StdDev: Value not set", "Area RSD: Value not set", "Sample Type: ZERO",
                  "Concentration: Not known"},
                 {"Peak Interval: 0,26 - 0,36 [s]", "Peak Mean: Value not set", "Peak StdDev: 7,0711 [a.u.]",
                  "Peak RSD: Value not set", "Area Interval: Value not set", "Area Mean: Value not set",
                  "Area StdDev: Value not set", "Area RSD: Value not set", "Sample Type: SAMPLE",
                  "Concentration: Not known"}}),
    [](const ::testing::TestParamInfo<InfoCase>& info) {
        return std::string(info.param.separator == '.' ? "Point" : "Comma");
    });

TEST_F(ExperimentWindowTest, AFileWithoutTitleGivesAnEmptyRoot)
{
    const QString path = dir.filePath(QStringLiteral("notitle.axp"));
    WriteAll(path, "<EXPERIMENT>\r\n<DESCRIPTION>\r\n</DESCRIPTION>\r\n</EXPERIMENT>\r\n");
    TfrmExperiment* w = Open(path);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->RootNode()->text(0), QString());
    EXPECT_EQ(w->RootNode()->childCount(), 0);
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentWindowTest, AFileThatIsNoExperimentIsReportedAndItsWindowCloses)
{
    ScriptedResponder answers;
    answers.ThenResult(gui::mrOk);
    const QString path = dir.filePath(QStringLiteral("sample.axp"));
    WriteAll(path, "##TITLE=x\r\n");
    frame->MRUManager->Add(path);
    frame->OpenFile(path);
    Pump();
    EXPECT_TRUE(Experiments().isEmpty());
    ASSERT_EQ(answers.Requests.size(), 1u);   // no question about saving
    EXPECT_EQ(answers.Requests[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(answers.Requests[0].text, QStringLiteral("File \"%1\" is not a valid experiment file.").arg(path));
    EXPECT_FALSE(Recent().contains(path));
}

TEST_F(ExperimentWindowTest, AMissingFileIsReportedToo)
{
    ScriptedResponder answers;
    answers.ThenResult(gui::mrOk);
    frame->OpenFile(dir.filePath(QStringLiteral("gone.AXP")));
    Pump();
    EXPECT_TRUE(Experiments().isEmpty());
    ASSERT_EQ(answers.Messages().size(), 1);
    EXPECT_EQ(answers.Unexpected, 0);
}

TEST_F(ExperimentWindowTest, CheckBoxesByMouseAndSpaceShowTheirCurves)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    QTreeWidgetItem* b = w->SampleNode(1);

    // The whole sample by a click on its box.
    ClickState(w, b);
    EXPECT_EQ(States(b).mid(0, 5), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(AttachedTitles(*w),
              (QStringList{"Replicate #001", "Replicate #002", "Replicate #003", "Ansambled Replicate"}));
    EXPECT_TRUE(Enabled(w, w->acExpCopyDataChart));

    // One replicate off by Space: the sample is mixed.
    w->tviewExperiment->setFocus();
    Select(w, b->child(1));
    QTest::keyClick(w->tviewExperiment, Qt::Key_Space);
    EXPECT_EQ(States(b).mid(0, 5), (QList<int>{3, 2, 1, 2, 2}));
    EXPECT_EQ(AttachedTitles(*w).size(), 3);
    EXPECT_FALSE(w->IsAttached(w->NodeSeries(b->child(1))));

    // Space on a mixed sample node checks all of it.
    Select(w, b);
    QTest::keyClick(w->tviewExperiment, Qt::Key_Space);
    EXPECT_EQ(States(b).mid(0, 5), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(AttachedTitles(*w).size(), 4);

    // Space on an info line or on the root changes nothing.
    Select(w, b->child(6));
    QTest::keyClick(w->tviewExperiment, Qt::Key_Space);
    Select(w, w->RootNode());
    QTest::keyClick(w->tviewExperiment, Qt::Key_Space);
    EXPECT_EQ(States(b).mid(0, 5), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(AttachedTitles(*w).size(), 4);
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentWindowTest, SelectAllNoneAndInvert)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Run(w, w->acTreeSelectAll));
    EXPECT_EQ(w->MainChart->series().size(), 4 * 4);
    for (int s = 0; s < 4; ++s)
        EXPECT_EQ(States(w->SampleNode(s)).mid(0, 5), (QList<int>{2, 2, 2, 2, 2}));

    ASSERT_TRUE(Run(w, w->acTreeSelectNone));
    EXPECT_TRUE(w->MainChart->series().isEmpty());
    EXPECT_FALSE(Enabled(w, w->acExpCopyDataChart));

    // Invert: a mixed sample becomes checked, a checked one unchecked, an
    // unchecked one checked.
    ClickState(w, w->SampleNode(0));
    ClickState(w, w->SampleNode(1)->child(0));
    ASSERT_TRUE(Run(w, w->acTreeInvertSelection));
    EXPECT_EQ(TSampleTreeView::NodeState(w->SampleNode(0)), 1);
    EXPECT_EQ(TSampleTreeView::NodeState(w->SampleNode(1)), 2);
    EXPECT_EQ(TSampleTreeView::NodeState(w->SampleNode(2)), 2);
    EXPECT_EQ(w->MainChart->series().size(), 3 * 4);
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentWindowTest, LabelsOfTitleAndSamplesAreEdited)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    w->tviewExperiment->setFocus();

    // A replicate node refuses editing.
    Select(w, w->SampleNode(0)->child(0));
    QTest::keyClick(w->tviewExperiment, Qt::Key_F2);
    EXPECT_FALSE(w->tviewExperiment->IsEditing());

    // "E&dit Title" edits the root; F2 ends it keeping the text.
    ASSERT_TRUE(Run(w, w->acExpEditTitle));
    ASSERT_TRUE(w->tviewExperiment->IsEditing());
    auto* editor = qobject_cast<QLineEdit*>(w->tviewExperiment->indexWidget(w->tviewExperiment->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Renamed"));
    QTest::keyClick(w->tviewExperiment, Qt::Key_F2);
    Pump();
    EXPECT_EQ(w->Experiment->Title(), "Renamed");
    EXPECT_TRUE(w->FModified);

    // A sample node by F2 and Enter.
    w->FModified = false;
    Select(w, w->SampleNode(2));
    QTest::keyClick(w->tviewExperiment, Qt::Key_F2);
    ASSERT_TRUE(w->tviewExperiment->IsEditing());
    editor = qobject_cast<QLineEdit*>(w->tviewExperiment->indexWidget(w->tviewExperiment->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("C2"));
    QTest::keyClick(editor, Qt::Key_Return);
    Pump();
    EXPECT_EQ(w->Experiment->GetItem(2)->Title(), "C2");
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Experiment - [%1]").arg(path));
}

TEST_F(ExperimentWindowTest, DescriptionChangesMarkTheWindow)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(Run(w, w->acExpEditDescription));
    EXPECT_EQ(w->pctrlExperiment->currentWidget(), w->tsDescription);
    EXPECT_FALSE(w->FModified);
    w->redDescription->appendPlainText(QStringLiteral("more"));
    EXPECT_TRUE(w->FModified);
}

// Drag and drop moves a sample before the target in the tree and in the
// experiment; a drop onto anything but a sample node changes nothing.
struct DropCase {
    int moved;
    QString target;   // "A".."D", "root", "info", "replicate", "none"
    QStringList order;
    bool modified;
};

class DropTest : public ExperimentWindowTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, OrderOfNodesAndSamplesStaysInStep)
{
    const DropCase& c = GetParam();
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    QTreeWidgetItem* moved = w->SampleNode(c.moved);
    QTreeWidgetItem* b = w->SampleNode(1);
    ClickState(w, moved);
    Select(w, moved);
    ASSERT_TRUE(w->tviewExperimentDragOver(b));
    QTreeWidgetItem* target = nullptr;
    if (c.target == "root")
        target = w->RootNode();
    else if (c.target == "info")
        target = b->child(8);
    else if (c.target == "replicate")
        target = b->child(0);
    else if (c.target != "none")
        target = w->SampleNode(c.target[0].unicode() - 'A');
    w->tviewExperimentDragDrop(target);

    EXPECT_EQ(Texts(w->RootNode()), c.order);
    EXPECT_EQ(Titles(*w->Experiment), c.order);
    EXPECT_EQ(w->FModified, c.modified);
    // The moved node keeps its children, box and curves.
    EXPECT_EQ(moved->childCount(), 14);
    EXPECT_EQ(TSampleTreeView::NodeState(moved), 2);
    EXPECT_EQ(w->MainChart->series().size(), 4);
    for (int s = 0; s < 4; ++s)
        EXPECT_EQ(w->NodeSample(w->SampleNode(s))->Title(), w->SampleNode(s)->text(0).toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropTest,
    ::testing::Values(DropCase{0, "C", {"B", "A", "C", "D"}, true}, DropCase{3, "B", {"A", "D", "B", "C"}, true},
                      DropCase{2, "A", {"C", "A", "B", "D"}, true}, DropCase{1, "B", {"A", "B", "C", "D"}, true},
                      DropCase{0, "info", {"A", "B", "C", "D"}, false},
                      DropCase{0, "replicate", {"A", "B", "C", "D"}, false},
                      DropCase{2, "root", {"A", "B", "C", "D"}, false},
                      DropCase{2, "none", {"A", "B", "C", "D"}, false}),
    [](const ::testing::TestParamInfo<DropCase>& info) {
        return std::string(1, char('A' + info.param.moved)) + "_onto_" + info.param.target.toStdString();
    });

TEST_F(ExperimentWindowTest, OnlyASelectedSampleNodeIsDragged)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    Select(w, w->SampleNode(0)->child(0));
    EXPECT_FALSE(w->tviewExperimentDragOver(w->SampleNode(2)));
    w->tviewExperimentDragDrop(w->SampleNode(2));
    EXPECT_EQ(Titles(*w->Experiment), (QStringList{"A", "B", "C", "D"}));
    EXPECT_FALSE(w->FModified);
}

TEST_F(ExperimentWindowTest, MenusListTheirCommandsInOrder)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    const auto items = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? (a->isVisible() ? QStringLiteral("-") : QStringLiteral("(-)")) : a->text());
        return out;
    };
    EXPECT_EQ(items(w->miSample),
              (QStringList{"Standart...", "Sample", "Zero", "-", "S&ubtract Zero...", "-", "D&efine Plateau...",
                           "C&aculate Area...", "-", "C&hange Sampling Interval...", "S&mooth Signal...", "-",
                           "A&bsorbtion", "-", "&Delete Replicate...", "-", "Se&nd To MS Excel", "-", "Export..."}));
    EXPECT_EQ(items(w->miExperiment),
              (QStringList{"Add Sample(s)...", "Remove Sample", "-", "Edit De&scription", "E&dit Title", "-",
                           "P&roceed All Samples...", "-", "Copy Data C&hart", "Copy Calibration Chart", "-",
                           "Send To MS Excel", "-", "Print"}));
    EXPECT_EQ(items(w->miExpPrint),
              (QStringList{"Data Chart", "Calibration Chart", "Statistics", "Description", "-", "Printer Setup..."}));
    EXPECT_EQ(items(w->pmTreeView), (QStringList{"Rename Sample", "(-)", "S&elect All", "Sele&ct None",
                                                 "In&vert Selection", "-", "E&xpand All", "C&ollapse All"}));
    EXPECT_FALSE(w->acTreeRenSample->isVisible());

    // Keys, hints and tags of a few commands.
    EXPECT_EQ(w->acSampleStandart->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_EQ(gui::TActionList::Tag(w->acSampleZero), 2);
    EXPECT_EQ(w->acExpRemoveSample->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    EXPECT_EQ(w->acSampleDeleteReplicate->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_EQ(w->acExpProceedAll->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_EQ(w->acSampleExport->statusTip(), QStringLiteral("Exports selected sample"));
    EXPECT_EQ(gui::TActionList::Tag(w->acExpCopyCalibChart), 1);

    // Sample commands need a selected sample node; Send To MS Excel of the
    // experiment is never enabled; Copy Calibration Chart needs its chart.
    Select(w, w->RootNode());
    EXPECT_FALSE(Enabled(w, w->acSampleDefinePlateau));
    EXPECT_FALSE(Enabled(w, w->acExpRemoveSample));
    EXPECT_TRUE(Enabled(w, w->acExpAddSample));
    Select(w, w->SampleNode(1));
    EXPECT_TRUE(Enabled(w, w->acSampleDefinePlateau));
    EXPECT_TRUE(Enabled(w, w->acSampleExport));
    EXPECT_FALSE(Enabled(w, w->acExpSendToExcel));
    EXPECT_FALSE(Enabled(w, w->acExpCopyCalibChart));
}

TEST_F(ExperimentWindowTest, NodesOfStandardsAndZeroSamplesAreColoured)
{
    TfrmExperiment* w = OpenAbcd();
    ASSERT_NE(w, nullptr);
    w->Experiment->GetItem(0)->SetStandart(true);
    w->Experiment->GetItem(1)->SetZero(true);
    EXPECT_EQ(w->tviewExperimentNodeColor(w->SampleNode(0), false), QColor(0, 0, 255));
    EXPECT_EQ(w->tviewExperimentNodeColor(w->SampleNode(0), true), QColor(255, 255, 0));
    EXPECT_EQ(w->tviewExperimentNodeColor(w->SampleNode(1), false), QColor(0, 128, 0));
    EXPECT_EQ(w->tviewExperimentNodeColor(w->SampleNode(1), true), QColor(0, 255, 0));
    EXPECT_FALSE(w->tviewExperimentNodeColor(w->SampleNode(2), false).isValid());
    EXPECT_FALSE(w->tviewExperimentNodeColor(w->SampleNode(0)->child(0), false).isValid());
}

TEST_F(ExperimentWindowTest, NewExperimentIsUntitledAndModified)
{
    TfrmExperiment* w = NewExperiment();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Experiment - [Untitled]"));
    EXPECT_EQ(w->FFileName, QStringLiteral("Untitled"));
    EXPECT_TRUE(w->FModified);
    EXPECT_EQ(w->RootNode()->text(0), QStringLiteral("New Experiment"));
    EXPECT_EQ(w->Experiment->Title(), "New Experiment");
    EXPECT_EQ(w->Experiment->Count(), 0);
    // A second one may be open at once.
    EXPECT_NE(NewExperiment(), w);
    EXPECT_EQ(Experiments().size(), 2);
}

}  // namespace
