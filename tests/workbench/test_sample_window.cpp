// The sample window's tree, curves, commands and report, on real sample files.
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidgetItem>
#include <QtTest/QTest>
#include <utility>

#include "SampleWindowTestUtil.h"

using namespace sample_window_test;
using VelorSpec::TfrmSample;

namespace {

class SampleWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override
    {
        delete window.data();
        Pump();
    }

    // Opens a file of `replicates` replicates of `points` points.
    TfrmSample& Open(int replicates = 3, int points = 30, const std::string& title = "S01")
    {
        auto s = MakeSample(title, replicates, points);
        path = WriteSample(dir, QStringLiteral("S01.AST"), *s);
        window = OpenWindow(path);
        EXPECT_TRUE(window);
        window->tviewSample->expandAll();
        Pump();
        return *window;
    }
    QTreeWidgetItem* Node(int child) const { return window->SampleNode()->child(child); }
    QList<int> States() const
    {
        QList<int> out{TfrmSample::NodeState(window->SampleNode())};
        for (int i = 0; i < window->SampleNode()->childCount(); ++i)
            out << TfrmSample::NodeState(Node(i));
        return out;
    }
    void ClickState(QTreeWidgetItem* node, Qt::MouseButton button = Qt::LeftButton)
    {
        const QRect r = window->tviewSample->StateImageRect(node);
        ASSERT_FALSE(r.isEmpty());
        QTest::mouseClick(window->tviewSample->viewport(), button, {}, r.center());
    }
    bool Enabled(QAction* a) const
    {
        window->acList->UpdateAction(a);
        return a->isEnabled();
    }

    QTemporaryDir dir;
    QString path;
    QPointer<TfrmSample> window;
};

TEST_F(SampleWindowTest, LoadingBuildsTreeAndHiddenCurves)
{
    TfrmSample& w = Open(3, 30, "S01");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("S01 - [%1]").arg(path));
    EXPECT_EQ(w.FFileName, path);
    EXPECT_FALSE(w.FModified);
    EXPECT_EQ(w.Kind(), VelorSpec::TChildKind::Sample);

    ASSERT_EQ(w.tviewSample->topLevelItemCount(), 1);
    QTreeWidgetItem* root = w.SampleNode();
    EXPECT_EQ(root->text(0), QStringLiteral("S01"));
    ASSERT_EQ(root->childCount(), 4);
    EXPECT_EQ(Node(0)->text(0), QStringLiteral("Replicate #001"));
    EXPECT_EQ(Node(2)->text(0), QStringLiteral("Replicate #003"));
    EXPECT_EQ(Node(3)->text(0), QStringLiteral("Ansambled Replicate"));
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1, 1}));

    // Every curve is filled, titled like its node, and off the chart.
    EXPECT_TRUE(w.MainChart->series().isEmpty());
    EXPECT_FALSE(Enabled(w.acCopyChart));
    EXPECT_FALSE(Enabled(w.acPrintChart));
    EXPECT_EQ(w.NodeSeries(root), nullptr);
    QLineSeries* second = w.NodeSeries(Node(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->name(), QStringLiteral("Replicate #002"));
    ASSERT_EQ(second->count(), 30);
    EXPECT_DOUBLE_EQ(second->at(0).x(), 0.02);
    EXPECT_DOUBLE_EQ(second->at(29).x(), 0.6);
    EXPECT_EQ(second->at(0).y(), 11.0);
    EXPECT_EQ(second->at(15).y(), 110.0);
    QLineSeries* ensemble = w.NodeSeries(Node(3));
    ASSERT_EQ(ensemble->count(), 30);
    EXPECT_EQ(ensemble->at(15).y(), 110.0);   // mean of 100, 110, 120

    EXPECT_EQ(w.pctrlSample->currentIndex(), 0);
    EXPECT_EQ(w.pctrlSample->tabText(0), QStringLiteral("Graphic View"));
    EXPECT_EQ(w.pctrlSample->tabText(1), QStringLiteral("Statistic View"));
    EXPECT_TRUE(w.redStats->isReadOnly());
}

TEST_F(SampleWindowTest, StateImageClicksFollowTheBoxRules)
{
    TfrmSample& w = Open(3, 30);

    // Only the left button on the box toggles; the label and the right button do nothing.
    ClickState(Node(3), Qt::RightButton);
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1, 1}));
    const QRect label = w.tviewSample->visualItemRect(Node(3));
    QTest::mouseClick(w.tviewSample->viewport(), Qt::LeftButton, {}, QPoint(label.right() - 2, label.center().y()));
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1, 1}));

    // The ensemble alone: one curve, the sample node partly checked.
    ClickState(Node(3));
    EXPECT_EQ(States(), (QList<int>{3, 1, 1, 1, 2}));
    EXPECT_EQ(AttachedTitles(w), QStringList{"Ansambled Replicate"});
    EXPECT_TRUE(Enabled(w.acCopyChart));
    EXPECT_TRUE(Enabled(w.acPrintChart));

    // Every replicate too: checked only now that all children are.
    ClickState(Node(0));
    ClickState(Node(1));
    EXPECT_EQ(TfrmSample::NodeState(w.SampleNode()), 3);
    ClickState(Node(2));
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(w.MainChart->series().size(), 4);

    // Unchecking one child detaches just its curve.
    ClickState(Node(1));
    EXPECT_EQ(States(), (QList<int>{3, 2, 1, 2, 2}));
    EXPECT_FALSE(w.IsAttached(w.NodeSeries(Node(1))));
    EXPECT_EQ(w.MainChart->series().size(), 3);

    // A partly checked sample node becomes checked and takes every child with it.
    ClickState(w.SampleNode());
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(w.MainChart->series().size(), 4);
    ClickState(w.SampleNode());
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1, 1}));
    EXPECT_TRUE(w.MainChart->series().isEmpty());
    EXPECT_FALSE(w.FModified);   // boxes never mark the window modified
}

TEST_F(SampleWindowTest, SpaceTogglesTheSelectedNode)
{
    TfrmSample& w = Open(2, 30);
    w.tviewSample->setCurrentItem(Node(1));
    QTest::keyClick(w.tviewSample, Qt::Key_Space);
    EXPECT_EQ(States(), (QList<int>{3, 1, 2, 1}));
    EXPECT_EQ(AttachedTitles(w), QStringList{"Replicate #002"});
    QTest::keyClick(w.tviewSample, Qt::Key_Space);
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1}));
    EXPECT_TRUE(w.MainChart->series().isEmpty());

    w.tviewSample->setCurrentItem(w.SampleNode());
    QTest::keyClick(w.tviewSample, Qt::Key_Space);
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2}));
}

TEST_F(SampleWindowTest, SelectInvertAndColours)
{
    TfrmSample& w = Open(3, 30);
    EXPECT_EQ(gui::TActionList::Tag(w.acTreeSelectAll), 1);
    EXPECT_EQ(gui::TActionList::Tag(w.acTreeSelectNone), 2);

    // Select All from a partly checked tree checks everything.
    w.ToggleNodeCheck(Node(0));
    ASSERT_TRUE(w.acList->Execute(w.acTreeSelectAll));
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2, 2}));
    EXPECT_EQ(w.MainChart->series().size(), 4);
    // Shown curves have different colours.
    QList<QColor> colours;
    for (QAbstractSeries* s : w.MainChart->series())
        colours << static_cast<QLineSeries*>(s)->color();
    for (int i = 0; i < colours.size(); ++i)
        for (int j = i + 1; j < colours.size(); ++j)
            EXPECT_NE(colours[i], colours[j]);

    ASSERT_TRUE(w.acList->Execute(w.acTreeSelectNone));
    EXPECT_EQ(States(), (QList<int>{1, 1, 1, 1, 1}));
    EXPECT_TRUE(w.MainChart->series().isEmpty());

    // A curve shown again takes the first free automatic colour.
    w.ToggleNodeCheck(Node(2));
    const QColor first = w.NodeSeries(Node(2))->color();
    w.ToggleNodeCheck(Node(0));
    EXPECT_NE(w.NodeSeries(Node(0))->color(), first);
    w.ToggleNodeCheck(Node(2));   // hidden: its colour becomes free
    w.ToggleNodeCheck(Node(1));
    EXPECT_EQ(w.NodeSeries(Node(1))->color(), first);

    // Invert flips every child; the sample node follows the last flip.
    // Before: 0 on, 1 on, 2 off, ensemble off.
    ASSERT_TRUE(w.acList->Execute(w.acTreeInvertSelection));
    EXPECT_EQ(States(), (QList<int>{3, 1, 1, 2, 2}));
    EXPECT_EQ(AttachedTitles(w).size(), 2);
    ASSERT_TRUE(w.acList->Execute(w.acTreeSelectNone));
    ASSERT_TRUE(w.acList->Execute(w.acTreeInvertSelection));
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2, 2}));

    ASSERT_TRUE(w.acList->Execute(w.acTreeCollapseAll));
    EXPECT_FALSE(w.SampleNode()->isExpanded());
    ASSERT_TRUE(w.acList->Execute(w.acTreeExpandAll));
    EXPECT_TRUE(w.SampleNode()->isExpanded());
    EXPECT_FALSE(w.FModified);
}

TEST_F(SampleWindowTest, OnlyTheSampleNodeIsRenamed)
{
    TfrmSample& w = Open(2, 30, "Before");
    const QString caption = w.windowTitle();
    w.tviewSample->setFocus();

    // F2 on a replicate node starts nothing.
    w.tviewSample->setCurrentItem(Node(0));
    QTest::keyClick(w.tviewSample, Qt::Key_F2);
    EXPECT_FALSE(w.tviewSample->IsEditing());

    // "Rename Sample" selects the sample node and opens its editor; F2 ends the edit keeping the text.
    ASSERT_TRUE(w.acList->Execute(w.acTreeRenSample));
    EXPECT_EQ(w.tviewSample->currentItem(), w.SampleNode());
    ASSERT_TRUE(w.tviewSample->IsEditing());
    auto* editor = qobject_cast<QLineEdit*>(w.tviewSample->indexWidget(w.tviewSample->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("After"));
    QTest::keyClick(w.tviewSample, Qt::Key_F2);
    Pump();
    EXPECT_FALSE(w.tviewSample->IsEditing());
    EXPECT_EQ(w.SampleNode()->text(0), QStringLiteral("After"));
    EXPECT_EQ(w.FSample->Title(), "After");
    EXPECT_TRUE(w.FModified);
    EXPECT_EQ(w.windowTitle(), caption);   // until the next save

    // F2 on the sample node, then Enter.
    w.FModified = false;
    QTest::keyClick(w.tviewSample, Qt::Key_F2);
    ASSERT_TRUE(w.tviewSample->IsEditing());
    editor = qobject_cast<QLineEdit*>(w.tviewSample->indexWidget(w.tviewSample->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Third"));
    QTest::keyClick(editor, Qt::Key_Return);
    Pump();
    EXPECT_EQ(w.FSample->Title(), "Third");
    EXPECT_TRUE(w.FModified);

    // F2 pressed while the editor has the focus ends the edit too.
    w.FModified = false;
    QTest::keyClick(w.tviewSample, Qt::Key_F2);
    editor = qobject_cast<QLineEdit*>(w.tviewSample->indexWidget(w.tviewSample->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Fourth"));
    QTest::keyClick(editor, Qt::Key_F2);
    Pump();
    EXPECT_FALSE(w.tviewSample->IsEditing());
    EXPECT_EQ(w.FSample->Title(), "Fourth");
    EXPECT_TRUE(w.FModified);
    w.FSample->SetTitle("Third");

    // Escape keeps the old title and the flag.
    w.FModified = false;
    QTest::keyClick(w.tviewSample, Qt::Key_F2);
    editor = qobject_cast<QLineEdit*>(w.tviewSample->indexWidget(w.tviewSample->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Dropped"));
    QTest::keyClick(editor, Qt::Key_Escape);
    Pump();
    EXPECT_EQ(w.FSample->Title(), "Third");
    EXPECT_FALSE(w.FModified);
}

// The report of a sample of two replicates whose plateau and area lie inside
// the flat top (100 and 110).
QStringList ExpectedReport(const TAASSample& s, const char* sep)
{
    const auto num = [sep](const char* text) { return QString::fromLatin1(text).replace(QLatin1Char('.'), QLatin1String(sep)); };
    const QString area0 = QString::fromStdString(Format("%.2f", s.GetItem(0)->Area()));
    const QString area1 = QString::fromStdString(Format("%.2f", s.GetItem(1)->Area()));
    const QString areaE = QString::fromStdString(Format("%.2f", s.Ansambled()->Area()));
    const QString areaMean = QString::fromStdString(Format("%.2f", s.AreaMean()));
    const QString areaSD = QString::fromStdString(Format("%.2f", s.AreaSD()));
    const QString areaRSD = QString::fromStdString(Format("%.2f", s.AreaRSD()));
    return {
        "INTERVALS",
        "",
        "Plateau starts from:        " + num("0.26") + " second",
        "Plateau ends to:            " + num("0.36") + " second",
        "Area starts from:           " + num("0.26") + " second",
        "Area ends to:               " + num("0.38") + " second",
        "",
        "REPLICATES",
        "",
        "Replicate 001",
        "-------------",
        "Plateau Mean:               " + num("100.00"),
        "Plateau Standart Deviation: " + num("0.00"),
        "Plateau RSD [%]:            " + num("0.00"),
        "Area:                       " + area0,
        "",
        "Replicate 002",
        "-------------",
        "Plateau Mean:               " + num("110.00"),
        "Plateau Standart Deviation: " + num("0.00"),
        "Plateau RSD [%]:            " + num("0.00"),
        "Area:                       " + area1,
        "",
        "ANSAMBLED REPLICATE",
        "",
        "Plateau Mean:               " + num("105.00"),
        "Plateau Standart Deviation: " + num("0.00"),
        "Plateau RSD [%]:            " + num("0.00"),
        "Area:                       " + areaE,
        "",
        "SAMPLE: Sample A",
        "",
        "Plateau Mean:               " + num("105.00"),
        "Plateau Standart Deviation: " + num("7.07"),
        "Plateau RSD [%]:            " + num("6.73"),
        "Area Mean:                  " + areaMean,
        "Area Standart Deviation:    " + areaSD,
        "Area RSD [%]:               " + areaRSD,
    };
}

TEST_F(SampleWindowTest, ReportLinesWithIntervalsInBothSeparators)
{
    for (const char* sep : {".", ","}) {
        SCOPED_TRACE(sep);
        DecimalSeparatorScope scope(sep[0]);
        auto s = MakeSample("Sample A", 2, 30);
        s->SetPeakStart(0.26);
        s->SetPeakEnd(0.36);
        s->SetAreaStart(0.26);
        s->SetAreaEnd(0.38);
        path = WriteSample(dir, QStringLiteral("A.AST"), *s);
        window = OpenWindow(path);
        ASSERT_TRUE(window);
        // The file holds the same intervals and results.
        EXPECT_EQ(ReportLines(*window), ExpectedReport(*window->FSample, sep));
        EXPECT_NE(window->FSample->AreaMean(), NotSet);
        EXPECT_EQ(window->redStats->textCursor().position(), 0);
        delete window.data();
    }
}

TEST_F(SampleWindowTest, ReportOfASampleWithoutIntervals)
{
    DecimalSeparatorScope scope(',');
    TfrmSample& w = Open(1, 30, "Raw");
    const QStringList lines = ReportLines(w);
    ASSERT_EQ(lines.size(), 2 + 4 + 3 + 7 + 7 + 8);
    EXPECT_EQ(lines[2], QStringLiteral("Plateau starts from:        Value not set"));
    EXPECT_EQ(lines[5], QStringLiteral("Area ends to:               Value not set"));
    // Results never computed are printed as they stand.
    const TAASReplicate* r = w.FSample->GetItem(0);
    EXPECT_EQ(lines[11], QString::fromStdString(Format("Plateau Mean:               %.2f", r->PeakMean())));
    EXPECT_EQ(lines[14], QString::fromStdString(Format("Area:                       %.2f", r->Area())));
    EXPECT_TRUE(lines[14].endsWith(QStringLiteral(",00")));
    EXPECT_EQ(lines[23], QStringLiteral("SAMPLE: Raw"));
    EXPECT_EQ(lines[25], QStringLiteral("Plateau Mean:               -2,00"));
    EXPECT_EQ(lines.last(), QStringLiteral("Area RSD [%]:               -2,00"));
}

// Characters of the report that are bold and underlined, as text runs.
QStringList Highlighted(const QTextEdit& edit)
{
    QStringList runs;
    QString run;
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const bool marked = f.charFormat().fontWeight() == QFont::Bold && f.charFormat().fontUnderline();
            if (marked)
                run += f.text();
            else if (!run.isEmpty())
                runs << std::exchange(run, QString());
        }
        if (!run.isEmpty())
            runs << std::exchange(run, QString());
    }
    return runs;
}

TEST_F(SampleWindowTest, HeadingsAreBoldAndUnderlined)
{
    TfrmSample& w = Open(2, 30, "Replicates of Ansambled");
    EXPECT_EQ(Highlighted(*w.redStats),
              (QStringList{"INTERVALS", "REPLICATES", "ANSAMBLED REPLICATE", "SAMPLE: Replicates of Ansambled"}));
    // Rebuilding starts from scratch.
    w.UpdateStatistics();
    EXPECT_EQ(Highlighted(*w.redStats).size(), 4);
}

TEST_F(SampleWindowTest, RefreshAndRemovingAReplicateNode)
{
    TfrmSample& w = Open(3, 30);
    w.ToggleNodeCheck(w.SampleNode());
    ASSERT_EQ(w.MainChart->series().size(), 4);

    // Refilling takes the changed points; boxes and attachment stay.
    w.FSample->SetAbsorbtion(true);
    w.RefreshSeries();
    EXPECT_DOUBLE_EQ(w.NodeSeries(Node(0))->at(15).y(), 0.01);
    EXPECT_EQ(w.MainChart->series().size(), 4);
    EXPECT_EQ(States(), (QList<int>{2, 2, 2, 2, 2}));

    // Removing the second replicate: the nodes keep their texts, the curves follow the list.
    QTreeWidgetItem* second = Node(1);
    QLineSeries* secondCurve = w.NodeSeries(second);
    w.FSample->Remove(w.FSample->GetItem(1));
    w.DeleteReplicateNode(second);
    EXPECT_FALSE(w.MainChart->series().contains(secondCurve));
    w.RefreshSeries();
    w.UpdateStatistics();
    ASSERT_EQ(w.SampleNode()->childCount(), 3);
    EXPECT_EQ(Node(0)->text(0), QStringLiteral("Replicate #001"));
    EXPECT_EQ(Node(1)->text(0), QStringLiteral("Replicate #003"));
    EXPECT_DOUBLE_EQ(w.NodeSeries(Node(1))->at(15).y(), 0.012);
    EXPECT_DOUBLE_EQ(w.NodeSeries(Node(2))->at(15).y(), 0.011);   // ensemble of 100 and 120
    EXPECT_EQ(w.MainChart->series().size(), 3);
    const QStringList lines = ReportLines(w);
    EXPECT_TRUE(lines.contains("Replicate 002"));
    EXPECT_FALSE(lines.contains("Replicate 003"));
}

TEST_F(SampleWindowTest, CopyChartPutsABitmapOnTheClipboard)
{
    TfrmSample& w = Open(2, 30);
    QApplication::clipboard()->clear();
    EXPECT_FALSE(Enabled(w.acCopyChart));
    EXPECT_FALSE(w.acList->Execute(w.acCopyChart));   // disabled: does not run
    EXPECT_TRUE(QApplication::clipboard()->image().isNull());

    w.ToggleNodeCheck(Node(0));
    ASSERT_TRUE(w.acList->Execute(w.acCopyChart));
    const QImage copy = QApplication::clipboard()->image();
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(copy.size(), w.MainChartView->size());
    // Drawn on plain white: no trace of the on-screen gradient, not even at
    // its silver bottom end.
    for (const QPoint P : {QPoint(copy.width() / 2, 0), QPoint(0, copy.height() - 1),
                           QPoint(copy.width() - 1, copy.height() - 1)})
        EXPECT_EQ(QColor(copy.pixel(P)), QColor(Qt::white)) << P.x() << "," << P.y();

    // The print commands exist (enabled with the chart's curves) and do nothing.
    EXPECT_TRUE(Enabled(w.acPrintChart));
    EXPECT_TRUE(Enabled(w.acPrintStats));
    w.acPrintChart->trigger();
    w.acPrintStats->trigger();
    EXPECT_EQ(w.MainChart->series().size(), 1);
}

TEST_F(SampleWindowTest, MenusAndCommandTexts)
{
    TfrmSample& w = Open(2, 30);
    QStringList menu;
    for (QAction* a : w.MainMenu->actions())
        menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(w.MainMenu->title(), QStringLiteral("&Sample"));
    EXPECT_EQ(menu, (QStringList{"S&ubtract Zero...", "-", "D&efine Plateau...", "C&aculate Area...", "-",
                                 "C&hange Resolution...", "S&mooth Signal...", "-", "A&bsorbtion", "-",
                                 "&Delete Replicate...", "-", "Se&nd To MS Excel", "-", "Copy Cha&rt",
                                 "Pr&int Chart...", "-", "Prin&t Statistics"}));
    EXPECT_EQ(w.MergedMenus(), QList<QMenu*>{w.MainMenu});

    QStringList popup;
    for (QAction* a : w.pmTreeView->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(popup, (QStringList{"Rename Sample", "-", "S&elect All", "Sele&ct None", "In&vert Selection", "-",
                                  "E&xpand All", "C&ollapse All"}));
    EXPECT_EQ(w.acCopyChart->statusTip(), QStringLiteral("Copies chart to Clipboard"));
    EXPECT_EQ(w.acTreeRenSample->statusTip(), QStringLiteral("Change sample's title"));
    EXPECT_EQ(w.acTreeInvertSelection->statusTip(), QStringLiteral("Inverts Selection"));
}

}  // namespace
