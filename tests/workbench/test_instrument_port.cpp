// Instrument Data window on a serial line: an instrument stand-in on a
// pseudo-terminal sends readings in irregular chunks; the window's list,
// chart, replicates, samples and saved files must match what was sent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "InstrumentTestUtil.h"
#include "Main.h"
#include "PtyPair.h"
#include "Registry.h"
#include "SettingsDlg.h"
#include "SpinWait.h"

using namespace VelorSpec;

namespace {

// Three replicates of 40 readings each; the readings of replicate r are
// r * 1000 + i.
struct Stream {
    std::vector<std::vector<int>> replicates;
    std::string bytes;
    std::vector<std::string> lines;
    Stream()
    {
        for (int r = 1; r <= 3; ++r) {
            replicates.emplace_back();
            for (int i = 0; i < 40; ++i) {
                replicates.back().push_back(r * 1000 + i);
                lines.push_back(std::to_string(r * 1000 + i));
            }
            lines.push_back("-1000");
        }
        lines.push_back("");
        // CR LF line ends with a stray NUL now and then.
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            bytes += lines[i];
            if (i % 7 == 3)
                bytes += '\0';
            bytes += "\r\n";
        }
    }
};

class InstrumentPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        w.cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
        w.cpDrv->SetDataBits(db8BITS);
        w.cpDrv->SetPollingDelay(5);
    }
    void Connect()
    {
        ASSERT_TRUE(Exec(w, w.acConnect));
        ASSERT_TRUE(w.cpDrv->IsConnected());
    }
    // Sends the stream in irregular chunks that split digits, CR LF pairs and
    // the end markers, waiting until each chunk has been taken.
    void Send(const std::string& bytes)
    {
        static const size_t sizes[] = {1, 5, 2, 13, 3, 8, 1, 21};
        size_t k = 0;
        for (size_t at = 0; at < bytes.size();) {
            const size_t n = std::min(sizes[k++ % 8], bytes.size() - at);
            ASSERT_TRUE(pty.write(bytes.substr(at, n)));
            ASSERT_TRUE(SpinUntil([&] { return pty.queued() == 0; }));
            at += n;
        }
        SpinFor(20);  // one more poll tick for the last bytes
    }

    QTemporaryDir dir;
    PtyPair pty;
    ScriptedDialogs dialogs;
    TfrmInstrument w;
    Stream stream;
};

}  // namespace

TEST_F(InstrumentPortTest, OverlapedStreamBecomesSeriesReplicatesAndFiles)
{
    Connect();
    EXPECT_EQ(w.panInfo->text(), "Connected to " + QString::fromStdString(pty.slavePath()));
    EXPECT_FALSE(EnabledNow(w, w.acConnect));
    EXPECT_TRUE(EnabledNow(w, w.acDisconnect));
    Send(stream.bytes);
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines.size() == stream.lines.size(); }));
    EXPECT_EQ(w.FLines.FReceivedLines, stream.lines);

    // One series per replicate, each from x = 0.02; a fourth one waits for data.
    const QList<QAbstractSeries*> series = w.Chart->series();
    ASSERT_EQ(series.size(), 4);
    for (int r = 0; r < 3; ++r) {
        const QList<QPointF> pts = static_cast<QLineSeries*>(series[r])->points();
        ASSERT_EQ(pts.size(), 40) << r;
        long double x = 0;
        for (int i = 0; i < 40; ++i) {
            x = x + 0.02L;
            EXPECT_EQ(pts[i], QPointF(double(x), stream.replicates[r][i]));
        }
    }
    EXPECT_EQ(static_cast<QLineSeries*>(series[3])->count(), 0);

    // Proceed, one sample of replicates 1 and 3, saved both ways.
    ASSERT_TRUE(Exec(w, w.acProceedData));
    ASSERT_EQ(w.ReceivedReplicates()->Count(), 3);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(PointsOf(w.ReceivedReplicates()->GetItem(r)),
                  std::vector<double>(stream.replicates[r].begin(), stream.replicates[r].end()));
    Exec(w, w.acAddSample);
    QTreeWidgetItem* node = w.tviewSamples->topLevelItem(0);
    MoveRight(w, "Replicate #003", node);
    MoveRight(w, "Replicate #001", node);
    ASSERT_EQ(node->childCount(), 2);

    dialogs.SaveAs(dir.filePath("s.AST"));
    Exec(w, w.acSaveSamples);
    dialogs.SaveAs(dir.filePath("e"));
    Exec(w, w.acSaveAsExperiment);

    TAASSample sample("", true);
    ASSERT_TRUE(sample.LoadFromFile(dir.filePath("s.AST").toStdString()));
    TAASExperiment experiment("", true);
    experiment.LoadFromFile(dir.filePath("e.AXP").toStdString());
    ASSERT_EQ(experiment.Count(), 1);
    for (const TAASSample* s : {static_cast<const TAASSample*>(&sample), static_cast<const TAASSample*>(experiment.GetItem(0))}) {
        ASSERT_EQ(s->Count(), 2);
        EXPECT_EQ(PointsOf(s->GetItem(0)), std::vector<double>(stream.replicates[2].begin(), stream.replicates[2].end()));
        EXPECT_EQ(PointsOf(s->GetItem(1)), std::vector<double>(stream.replicates[0].begin(), stream.replicates[0].end()));
        EXPECT_EQ(s->GetItem(0)->Resolution(), 0.02);
    }

    // Reception goes on while the Proceed page is shown.
    ASSERT_TRUE(pty.write(std::string("77\r")));
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines.size() == stream.lines.size() + 1; }));
    EXPECT_EQ(w.pctrlData->currentIndex(), 1);

    Exec(w, w.acDisconnect);
    EXPECT_FALSE(w.cpDrv->IsConnected());
    EXPECT_EQ(w.panInfo->text(), "Not Connected");
}

TEST_F(InstrumentPortTest, SequenceStreamAndReconnectContinueOneSeries)
{
    Exec(w, w.acViewContinues);
    Connect();
    Send(stream.bytes);
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines.size() == stream.lines.size(); }));
    ASSERT_EQ(w.Chart->series().size(), 1);
    ASSERT_EQ(w.MainSeries->PointCount(), 120);
    long double x = 0;
    for (int i = 0; i < 120; ++i)
        x = x + 0.02L;
    EXPECT_EQ(w.MainSeries->AllPoints().at(119), QPointF(double(x), 3039));
    // The first reading after a marker lies 0.02 s after the one before it.
    long double x41 = 0;
    for (int i = 0; i < 41; ++i)
        x41 = x41 + 0.02L;
    EXPECT_EQ(w.MainSeries->AllPoints().at(40), QPointF(double(x41), 2000));

    // Disconnect and connect again without Clear Data: the chart keeps its
    // points and x; nothing is plotted until the list outgrows the series.
    Exec(w, w.acDisconnect);
    Connect();
    EXPECT_TRUE(w.FLines.Empty());
    EXPECT_EQ(w.MainSeries->PointCount(), 120);
    std::string more;
    for (int i = 0; i < 120; ++i)
        more += std::to_string(5000 + i) + "\r";
    Send(more);
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines.size() == 121; }));
    EXPECT_EQ(w.MainSeries->PointCount(), 120 + 120);
    EXPECT_EQ(w.MainSeries->AllPoints().at(120).y(), 5000);
    EXPECT_GT(w.MainSeries->AllPoints().at(120).x(), w.MainSeries->AllPoints().at(119).x());
}

TEST_F(InstrumentPortTest, ConnectOnMissingPortShowsMessage)
{
    w.cpDrv->SetPortName(dir.filePath("no-such-port"));
    Exec(w, w.acConnect);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Could not connect to serial port.\r\nPlease, check settings and try again.");
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbOK);
    EXPECT_EQ(w.panInfo->text(), "Not connected");
    EXPECT_FALSE(w.cpDrv->IsConnected());
}

TEST_F(InstrumentPortTest, SettingsWhileConnectedAskAndClose)
{
    Connect();
    dialogs.Answer(gui::mrCancel);
    Exec(w, w.acConfiguration);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text,
              "Could not change settings while a connection is active.\r\nClose the connection and continue ?");
    EXPECT_EQ(dialogs.asked[0].buttons, gui::mbOKCancel);
    EXPECT_TRUE(w.cpDrv->IsConnected());

    dialogs.Answer(gui::mrOk);
    dialogs.Answer(gui::mrCancel);  // the settings dialog
    Exec(w, w.acConfiguration);
    ASSERT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(dialogs.asked[2].kind, gui::RequestKind::Form);
    EXPECT_EQ(dialogs.formClasses, QStringList({"TSettingsForm"}));
    EXPECT_FALSE(w.cpDrv->IsConnected());
    EXPECT_EQ(w.panInfo->text(), "Not Connected");

    // Closed port: the dialog comes at once.
    Exec(w, w.acConfiguration);
    ASSERT_EQ(dialogs.asked.size(), 4u);
    EXPECT_EQ(dialogs.asked[3].kind, gui::RequestKind::Form);
}

TEST(InstrumentInFrame, ClosingMinimizesAndShowBringsItBack)
{
    QTemporaryDir dir;
    platform::registry::SetBaseFolder(dir.path());
    ScriptedDialogs dialogs;
    auto* frame = new TfrmMain;
    frame->show();
    TfrmInstrument* form = TfrmInstrument::CreateInFrame(frame);
    EXPECT_EQ(frmInstrument, form);
    EXPECT_TRUE(frame->miInstrument->actions().contains(form->acProceedData));
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    ASSERT_NE(sub, nullptr);
    frame->MdiArea->setActiveSubWindow(sub);
    EXPECT_TRUE(EnabledNow(*form, form->acMinimize));
    EXPECT_FALSE(EnabledNow(*form, form->acShowInstrumentWindow));

    sub->close();
    SpinFor(10);
    EXPECT_EQ(frmInstrument, form);
    EXPECT_TRUE(sub->isMinimized());
    EXPECT_TRUE(EnabledNow(*form, form->acShowInstrumentWindow));
    EXPECT_FALSE(EnabledNow(*form, form->acMinimize));

    Exec(*form, form->acShowInstrumentWindow);
    EXPECT_FALSE(sub->isMinimized());
    EXPECT_EQ(frame->MdiArea->currentSubWindow(), sub);
    Exec(*form, form->acMinimize);
    EXPECT_TRUE(sub->isMinimized());

    delete frame;
    EXPECT_EQ(frmInstrument, nullptr);
}

// F7 and F8 belong to both the hidden Communication menu and the Instrument
// menu: the keys must reach the Instrument Data window's Proceed and Save
// Samples, also while a document window is the active child.  Close All
// only minimizes the Instrument Data window.
TEST(InstrumentInFrame, FunctionKeysReachInstrumentCommandsAndCloseAllMinimizes)
{
    QTemporaryDir dir;
    platform::registry::SetBaseFolder(dir.path());
    TfrmInstrument::SetTestInputFolder(dir.path());
    ScriptedDialogs dialogs;
    auto* frame = new TfrmMain;
    frame->show();
    QApplication::setActiveWindow(frame);
    TfrmInstrument* form = TfrmInstrument::CreateInFrame(frame);
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
    ASSERT_NE(sub, nullptr);

    {
        QFile f(TfrmInstrument::TestInputFileName());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\r\n2\r\n-1000\r\n");
    }
    form->panInfoClick();
    // Another child is active: the key still runs Proceed.
    auto* other = new QWidget;
    other->setWindowTitle(QStringLiteral("Sample - [/d/a.ast]"));
    frame->AddChild(other);
    gui::TActionList::UpdateAll();
    QTest::keyClick(frame, Qt::Key_F7);
    EXPECT_EQ(form->pctrlData->currentIndex(), 1);
    ASSERT_EQ(form->tviewReplicates->topLevelItemCount(), 1);

    // F8 runs Save Samples: the empty sample is dropped without a dialog.
    Exec(*form, form->acAddSample);
    gui::TActionList::UpdateAll();
    QTest::keyClick(frame, Qt::Key_F8);
    EXPECT_EQ(form->tviewSamples->topLevelItemCount(), 0);
    EXPECT_TRUE(dialogs.asked.empty());

    frame->MdiArea->setActiveSubWindow(sub);
    frame->acList->Execute(frame->acWindowCloseAll);
    SpinFor(10);
    EXPECT_TRUE(sub->isMinimized());
    EXPECT_EQ(frame->MdiArea->subWindowList().size(), 1);
    EXPECT_EQ(frmInstrument, form);

    delete frame;
    TfrmInstrument::SetTestInputFolder(QString());
    platform::registry::SetBaseFolder(QString());
}

// The instrument goes away while connected: the window says so once, keeps
// what it received, and Connect works again.
TEST_F(InstrumentPortTest, DeviceGoneIsReportedOnceAndConnectWorksAgain)
{
    Connect();
    Send("1\r\n2\r\n3\r\n");
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines.size() == 4; }));
    const std::vector<std::string> received = w.FLines.FReceivedLines;

    pty.closeMaster();
    ASSERT_TRUE(SpinUntil([&] { return !w.cpDrv->IsConnected(); }));
    SpinFor(50);  // more polling ticks would not report again
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].type, gui::MsgDlgType::Error);
    EXPECT_EQ(dialogs.asked[0].text, "The connection to the serial port was lost.\r\n"
                                     "The received data is kept; check the instrument and connect again.");
    EXPECT_EQ(w.panInfo->text(), "Not connected");
    EXPECT_EQ(w.FLines.FReceivedLines, received);
    EXPECT_EQ(w.MainSeries->count(), 3);
    EXPECT_TRUE(EnabledNow(w, w.acConnect));
    EXPECT_FALSE(EnabledNow(w, w.acDisconnect));

    // A new instrument line: Connect opens it and reception goes on.
    PtyPair other;
    w.cpDrv->SetPortName(QString::fromStdString(other.slavePath()));
    ASSERT_TRUE(Exec(w, w.acConnect));
    ASSERT_TRUE(w.cpDrv->IsConnected());
    EXPECT_EQ(w.panInfo->text(), "Connected to " + QString::fromStdString(other.slavePath()));
    ASSERT_TRUE(other.write(std::string("7\r")));
    ASSERT_TRUE(SpinUntil([&] { return w.FLines.FReceivedLines == std::vector<std::string>({"7", ""}); }));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}
