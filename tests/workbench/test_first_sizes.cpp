// Every window and dialog of the workbench at its first size, with the
// default font: no tool bar hides buttons behind "»", no tab bar needs scroll
// buttons, no tree cuts its texts, and the titles are exactly the windows'
// captions.  With VELOR_SHOTS_DIR set, each one is also saved there as a PNG
// (for looking at them; nothing is compared).
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QDir>
#include <QFontMetricsF>
#include <QLegend>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QToolBar>
#include <QGroupBox>

#include "AASCls.h"
#include "ActionList.h"
#include "Charts.h"
#include "Dialogs.h"
#include "Experiment.h"
#include "Instrument.h"
#include "Interval.h"
#include "Main.h"
#include "Registry.h"
#include "Sample.h"
#include "SettingsDlg.h"
#include "SmoothDlg.h"
#include "WindowFit.h"

using namespace VelorSpec;

namespace {

void Shot(QWidget* w, const char* name)
{
    const QString dir = qEnvironmentVariable("VELOR_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    w->grab().save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

TAASSample* NewSample(const std::string& title, int replicates)
{
    auto* sample = new TAASSample(title, true);
    for (int r = 0; r < replicates; ++r) {
        auto* rep = new TAASReplicate;
        for (int j = 0; j < 400; ++j)
            rep->Add(1000 + 800 * (j > 100 && j < 300) + r * 20 + (j * 37 % 23));
        sample->Add(rep);
    }
    return sample;
}

QString SampleFile(const QTemporaryDir& dir, int replicates)
{
    const std::unique_ptr<TAASSample> sample(NewSample("Sample", replicates));
    const QString path = dir.filePath(QStringLiteral("S01.AST"));
    sample->SaveToFile(path.toStdString());
    return path;
}

// The chart's legend lists every curve on it with the whole name, inside
// the chart and clear of the plot and of each other.
void ExpectEveryCurveNamedWhole(QChart* chart)
{
    const gui::TChartLegend* legend = nullptr;
    for (QGraphicsItem* item : chart->childItems())
        if (const auto* l = dynamic_cast<const gui::TChartLegend*>(item))
            legend = l;
    ASSERT_NE(legend, nullptr);
    const QList<gui::TChartLegend::TEntry>& entries = legend->Entries();
    ASSERT_EQ(entries.size(), chart->series().size());
    EXPECT_GT(legend->Rows(), 1);
    const QFontMetricsF metrics(chart->legend()->font());
    const QRectF whole(QPointF(0, 0), chart->size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const gui::TChartLegend::TEntry& e = entries[i];
        SCOPED_TRACE(e.Name.toStdString());
        EXPECT_EQ(e.Name, chart->series()[i]->name());
        EXPECT_EQ(e.Text, e.Name);
        EXPECT_GE(e.TextRect.width(), metrics.horizontalAdvance(e.Name));
        EXPECT_TRUE(whole.contains(e.TextRect));
        EXPECT_FALSE(e.TextRect.intersects(chart->plotArea()));
        for (qsizetype j = 0; j < i; ++j)
            EXPECT_FALSE(e.TextRect.intersects(entries[j].TextRect)) << entries[j].Name.toStdString();
    }
    EXPECT_GT(chart->plotArea().height(), chart->size().height() / 3);
}

class FirstSizes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::registry::SetBaseFolder(dir.path());
        gui::SetApplicationTitle(QStringLiteral("Velor Spec"));
        frame = new TfrmMain;
        instrument = TfrmInstrument::CreateInFrame(frame);
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        gui::SetResponder({});
        delete frame;
        platform::registry::SetBaseFolder(QString());
    }
    QMdiSubWindow* SubOf(QWidget* w) const { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

    QTemporaryDir dir;
    TfrmMain* frame = nullptr;
    TfrmInstrument* instrument = nullptr;
};

}  // namespace

TEST_F(FirstSizes, FrameShowsEveryToolBarButtonAndHoldsAChildWindow)
{
    EXPECT_EQ(frame->windowTitle(), "Velor Spec");
    EXPECT_TRUE(gui::ClippedControls(frame).isEmpty()) << gui::ClippedControls(frame).join(", ").toStdString();
    // No application display name: the platform would append it to titles.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(gui::ApplicationTitle(), "Velor Spec");
    EXPECT_GE(frame->MdiArea->viewport()->width(), 620);
    EXPECT_GE(frame->MdiArea->viewport()->height(), 460);
    Shot(frame, "frame");
}

TEST_F(FirstSizes, InstrumentWindowShowsBothPagesWhole)
{
    EXPECT_EQ(instrument->windowTitle(), "Instrument Data");
    QMdiSubWindow* sub = SubOf(instrument);
    ASSERT_NE(sub, nullptr);
    EXPECT_GE(sub->width(), 481);
    EXPECT_GE(sub->height(), 277);
    EXPECT_TRUE(gui::ClippedControls(sub).isEmpty()) << gui::ClippedControls(sub).join(", ").toStdString();
    Shot(sub, "instrument-received");
    instrument->ShowPage(1);
    QApplication::processEvents();
    EXPECT_TRUE(gui::ClippedControls(sub).isEmpty()) << gui::ClippedControls(sub).join(", ").toStdString();
    Shot(sub, "instrument-proceed");
    // Maximized, the frame's caption carries the child's: nothing appended.
    sub->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), "Velor Spec - [Instrument Data]");
    sub->showNormal();
}

TEST_F(FirstSizes, SampleWindowOpensAtItsSizeWithTheWholeTree)
{
    const QString path = SampleFile(dir, 12);
    frame->OpenFile(path);
    QApplication::processEvents();
    auto* sample = qobject_cast<TfrmSample*>(frame->ActiveChild());
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->windowTitle(), "Sample - [" + path + "]");
    EXPECT_GE(sample->width(), 620);
    EXPECT_GE(sample->height(), 460);
    sample->tviewSample->expandAll();
    QApplication::processEvents();
    QMdiSubWindow* sub = SubOf(sample);
    EXPECT_TRUE(gui::ClippedControls(sub).isEmpty()) << gui::ClippedControls(sub).join(", ").toStdString();
    sample->ToggleNodeCheck(sample->SampleNode());
    QApplication::processEvents();
    Shot(sub, "sample");
    Shot(frame, "frame-with-sample");
}

// Twenty curves (the sample window's nineteen replicates and the ensemble;
// four samples of four replicates and their ensembles in an experiment): every
// name stands whole in the legend at the window's first size.
TEST_F(FirstSizes, ChartLegendsShowEveryNameWithTwentyCurves)
{
    TAASExperiment experiment("Legend", true);
    for (const char* title : {"A", "B", "C", "D"})
        experiment.Add(NewSample(title, 4));
    const QString experimentPath = dir.filePath(QStringLiteral("E01.AXP"));
    experiment.SaveToFile(experimentPath.toStdString());
    for (const QString& path : {SampleFile(dir, 19), experimentPath}) {
        SCOPED_TRACE(path.toStdString());
        frame->OpenFile(path);
        QApplication::processEvents();
        QWidget* child = frame->ActiveChild();
        auto* sample = qobject_cast<TfrmSample*>(child);
        auto* window = qobject_cast<TfrmExperiment*>(child);
        ASSERT_TRUE(sample || window);
        ASSERT_TRUE(sample ? sample->acList->Execute(sample->acTreeSelectAll)
                           : window->acList->Execute(window->acTreeSelectAll));
        QApplication::processEvents();
        QChart* chart = sample ? sample->MainChart : window->MainChart;
        ASSERT_EQ(chart->series().size(), 20);
        ExpectEveryCurveNamedWhole(chart);
        Shot(SubOf(child), sample ? "sample-legend" : "experiment-legend");
    }
}

TEST_F(FirstSizes, ExperimentWindowOpensWhole)
{
    auto* experiment = new TfrmExperiment(nullptr, UntitledName);
    frame->AddChild(experiment);
    QApplication::processEvents();
    EXPECT_EQ(experiment->windowTitle(), "Experiment - [Untitled]");
    QMdiSubWindow* sub = SubOf(experiment);
    EXPECT_TRUE(gui::ClippedControls(sub).isEmpty()) << gui::ClippedControls(sub).join(", ").toStdString();
    Shot(sub, "experiment");
}

TEST_F(FirstSizes, DialogsShowEveryControlWithTheirOwnTitles)
{
    TSettingsForm settings(frame, instrument->cpDrv);
    settings.show();
    QApplication::processEvents();
    EXPECT_EQ(settings.windowTitle(), "Comunication Settings");
    EXPECT_TRUE(gui::ClippedControls(&settings).isEmpty());
    Shot(&settings, "settings");

    TfrmInterval interval(frame);
    interval.show();
    QApplication::processEvents();
    EXPECT_FALSE(interval.windowTitle().contains("Velor"));
    EXPECT_TRUE(gui::ClippedControls(&interval).isEmpty());
    Shot(&interval, "interval");

    TfrmSmooth smooth(frame);
    smooth.show();
    QApplication::processEvents();
    EXPECT_FALSE(smooth.windowTitle().contains("Velor"));
    EXPECT_TRUE(gui::ClippedControls(&smooth).isEmpty());
    Shot(&smooth, "smooth");
}
