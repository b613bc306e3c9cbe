// The timed run on virtual time and the simulated autosampler port: the pin
// events of a replicate at their exact clock times, the tick rule for
// instants, Pause, Reset, the question about rows with data, the tray steps,
// the port chosen, Save Samples and a lost instrument line during a run,
// closing during a run and the waits.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>



#include "CPDrv.h"
#include "Clock.h"
#include "Main.h"
#include "MainTestUtil.h"
#include "PortIO.h"
#include "PtyPair.h"
#include "RunTimer.h"
#include "SpinEdit.h"
#include "SpinWait.h"

using namespace VelorTime;

namespace {

// One row's times in seconds.
struct Times {
    double W, I, ReadAt, RT, PF, VL;
    int Replicates = 1;
};
constexpr Times Typical{5, 3, 6, 12, 1, 2};

// A register write on LPT1 as (value, clock time).
struct Write {
    int Value;
    std::uint32_t Tick;
    bool operator==(const Write&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Write& w)
{
    return os << "{0x" << std::hex << w.Value << std::dec << " @" << w.Tick << "}";
}

class RunTest : public VelorTimeTest::MainWindowTest {
protected:
    void SetUp() override
    {
        // The window registers the file type on its first start, desktop files included.
        OldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", DataHome.path().toLocal8Bit());
        MainWindowTest::SetUp();
        // Washing runs when the program starts.
        portio::sim::SetRegister(0x378, 0x02);
        frm = W.get();
        frm->show();
        // A run that hangs ends the test instead of the test program.  The
        // bound, from each run's start, only catches a hang: a busy machine
        // under the sanitizers takes a few seconds at the most.
        watchdog.setSingleShot(true);
        watchdog.setInterval(60000);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            ADD_FAILURE() << "run did not end";
            frm->FResetRequested = true;
            frm->acProgramPause->setChecked(false);
        });
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        qputenv("XDG_DATA_HOME", OldDataHome);
    }
    void Answer(int result) { Replies.push_back({result, {}, 0, {}}); }

    void AddRow(int id, const Times& t, const std::string& received = {})
    {
        TTable& table = Table();
        table.Append();
        table.SetAsInteger(fldSampleID, id);
        table.SetAsString(fldSampleName, "row " + std::to_string(id));
        table.SetAsInteger(fldReplicates, t.Replicates);
        table.SetAsFloat(fldWashingTime, t.W);
        table.SetAsFloat(fldInjectionTime, t.I);
        table.SetAsFloat(fldReadAt, t.ReadAt);
        table.SetAsFloat(fldReplTime, t.RT);
        table.SetAsFloat(fldProbeForward, t.PF);
        table.SetAsFloat(fldValveLate, t.VL);
        if (!received.empty())
            table.SetAsString(fldReceivedData, received);
        table.Post();
    }
    bool Run()
    {
        watchdog.start();
        return frm->acList->Execute(frm->acProgramRun);
    }
    // Types a step count over "M&ove by:" and ends the entry with Return.
    void TypeMoveBy(const char* text)
    {
        frm->spedMoveBy->setFocus();
        frm->spedMoveBy->selectAll();
        QTest::keyClicks(frm->spedMoveBy, text);
        QTest::keyClick(frm->spedMoveBy, Qt::Key_Return);
    }
    bool Exec(QAction* a) { return frm->acList->Execute(a); }
    bool Enabled(QAction* a)
    {
        frm->acList->UpdateAction(a);
        return a->isEnabled();
    }
    static std::vector<Write> Writes(std::uint16_t port = 0x378)
    {
        std::vector<Write> out;
        for (const auto& w : portio::sim::Writes())
            if (w.Port == port)
                out.push_back({w.Value, w.Tick});
        return out;
    }
    // The writes of one replicate of the typical row started at `t0`, from
    // washing running and the probe up.
    static std::vector<Write> TypicalReplicate(std::uint32_t t0)
    {
        return {{0x03, t0 + 4000}, {0x01, t0 + 5000}, {0x05, t0 + 6000},
                {0x01, t0 + 7000}, {0x00, t0 + 8000}, {0x02, t0 + 10000}};
    }

    QTemporaryDir DataHome;
    QByteArray OldDataHome;
    platform::ManualClock clock{0};
    TVirtualTime vt{clock};
    QTimer watchdog;
    TfrmMain* frm = nullptr;
};

}  // namespace

TEST_F(RunTest, TypicalReplicateDrivesThePinsAtItsInstants)
{
    AddRow(1, Typical);
    ASSERT_TRUE(Run());
    EXPECT_EQ(Writes(), TypicalReplicate(0));
    EXPECT_EQ(clock.TickCount(), 12000u);   // the replicate ended at 12.0 s
    EXPECT_EQ(frm->FElapsedMs, 12000);
    EXPECT_EQ(frm->pbarRepl->maximum(), 12000);
    EXPECT_EQ(frm->pbarRepl->value(), 12000);
    EXPECT_EQ(frm->pbarSample->value(), 1);
    EXPECT_EQ(frm->pbarOverall->value(), 1);
    EXPECT_FALSE(frm->FRunning);
    EXPECT_FALSE(frm->FRunLoopActive);
    EXPECT_EQ(frm->pcMain->currentWidget(), frm->tsProgram);
    EXPECT_TRUE(Enabled(frm->acProgramRun));
}

TEST_F(RunTest, InstantsAreTakenOnTheTickWhoseStepHoldsThem)
{
    const float tenth = 0.1f;   // a time copied into a new row in single precision
    struct Case {
        const char* what;
        Times times;
        std::vector<Write> writes;
        std::uint32_t end;
    } cases[] = {
        // W = 0, PF = W and ReadAt = 0 lie at 0 s; the valve opens at RT.
        // Probe up toggles the clear probe bit, so it sets it.
        {"events at 0 s and at RT", {0, 2, 0, 4, 0, 2}, {{0x03, 2000}}, 4000},
        {"single precision 0.1",
         {5, 3, tenth, 12, tenth, 2},
         {{0x06, 100}, {0x02, 1100}, {0x03, 4900}, {0x01, 5000}, {0x00, 8000}, {0x02, 10000}},
         12000},
        // 0.55 s, 1.05 s and 2.05 s are taken at the next tick; RT 2.35 ends
        // the replicate on the tick showing 2400.
        {"not whole tenths",
         {1.05, 1, 0.5, 2.35, 0.5, 0.25},
         {{0x06, 500}, {0x07, 600}, {0x05, 1100}, {0x01, 1500}, {0x00, 2100}, {0x02, 2300}},
         2400},
        // RT 2.3 ends on the tick showing 2300; the READ pulse ends after it.
        {"RT 2.3",
         {1, 1, 1.5, 2.3, 0.5, 0.2},
         {{0x03, 500}, {0x01, 1000}, {0x05, 1500}, {0x04, 2000}, {0x06, 2200}, {0x02, 2500}},
         2300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Table().EmptyTable();
        portio::sim::ClearWrites();
        portio::sim::SetRegister(0x378, 0x02);
        const std::uint32_t t0 = clock.TickCount();
        AddRow(1, c.times);
        ASSERT_TRUE(Run());
        std::vector<Write> expected;
        for (const Write& w : c.writes)
            expected.push_back({w.Value, t0 + w.Tick});
        // The READ pulse may end after the replicate.
        SpinUntil([&] { return !frm->tmrRead->Enabled(); });
        EXPECT_EQ(Writes(), expected);
        EXPECT_EQ(frm->FElapsedMs, std::int64_t(c.end));
    }
}

TEST_F(RunTest, ReplicatesAndRowsFollowEachOther)
{
    Times twice = Typical;
    twice.Replicates = 2;
    AddRow(1, twice);
    AddRow(2, twice);
    ASSERT_TRUE(Run());
    std::vector<Write> expected;
    for (std::uint32_t t0 : {0u, 12000u, 24000u, 36000u})
        for (const Write& w : TypicalReplicate(t0))
            expected.push_back(w);
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(clock.TickCount(), 48000u);
    EXPECT_EQ(frm->pbarOverall->maximum(), 2);
    EXPECT_EQ(frm->pbarOverall->value(), 2);
    EXPECT_EQ(frm->pbarSample->maximum(), 2);
    EXPECT_EQ(frm->pbarSample->value(), 2);
}

TEST_F(RunTest, RowsWithoutReplicatesRunNothing)
{
    AddRow(1, Typical);
    // Rows that no post would accept, as a file may hold them.
    std::vector<std::vector<platform::tablestore::TValue>> rows;
    for (int replicates : {0, -1, 1}) {
        std::vector<platform::tablestore::TValue> v(Table().RowValues(0));
        v[fldReplicates] = std::int32_t(replicates);
        rows.push_back(v);
    }
    Table().ReplaceRows(rows);
    ASSERT_TRUE(Run());
    EXPECT_EQ(Writes(), TypicalReplicate(0));
    EXPECT_EQ(frm->pbarOverall->value(), 3);
}

TEST_F(RunTest, PauseHoldsTheClockButNotTheReadPulse)
{
    AddRow(1, Typical);
    std::int64_t held = -1;
    bool resetEnabled = false;
    vt.At(6050, [&] {
        EXPECT_TRUE(Enabled(frm->acProgramPause));
        Exec(frm->acProgramPause);
    });
    vt.At(8050, [&] {
        held = frm->FElapsedMs;
        resetEnabled = Enabled(frm->acProgramReset);
        Exec(frm->acProgramPause);
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(held, 6000);
    EXPECT_TRUE(resetEnabled);
    EXPECT_FALSE(frm->acProgramPause->isChecked());
    EXPECT_EQ(Writes(), (std::vector<Write>{{0x03, 4000}, {0x01, 5000}, {0x05, 6000},
                                            {0x01, 7000},   // the pulse ends during the pause
                                            {0x00, 10000}, {0x02, 12000}}));
    EXPECT_EQ(clock.TickCount(), 14000u);
}

TEST_F(RunTest, PauseBetweenRowsStartsNoNewRow)
{
    AddRow(1, Typical);
    AddRow(2, Typical);
    // Paused from the tray step after row 1 until 20 s.
    frm->acList->SetExecute(frm->acOptionsMoveRight, [&](QAction*) {
        if (!frm->acProgramPause->isChecked())
            Exec(frm->acProgramPause);
    });
    frm->sbtnAutosampler->click();
    std::size_t writesWhilePaused = 0;
    vt.At(20000, [&] {
        writesWhilePaused = Writes().size();
        Exec(frm->acProgramPause);
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(writesWhilePaused, 6u);
    auto expected = TypicalReplicate(0);
    for (const Write& w : TypicalReplicate(20000))
        expected.push_back(w);
    EXPECT_EQ(Writes(), expected);
}

TEST_F(RunTest, ResetMidReplicateEndsTheRunAtTheNextTick)
{
    AddRow(1, Typical);
    AddRow(2, Typical);
    bool runningAfterReset = true, runEnabledInside = true, secondRunRan = true;
    vt.At(6550, [&] {
        frm->FLines.FReceivedLines = {"7", "8", "-1000", ""};
        ASSERT_TRUE(Exec(frm->acProgramReset));
        runningAfterReset = frm->FRunning;
        // Run stays disabled until the stopped run's loops have returned.
        runEnabledInside = Enabled(frm->acProgramRun);
        secondRunRan = Run();
    });
    ASSERT_TRUE(Run());
    EXPECT_FALSE(runningAfterReset);
    EXPECT_FALSE(runEnabledInside);
    EXPECT_FALSE(secondRunRan);
    EXPECT_EQ(clock.TickCount(), 6600u);
    EXPECT_EQ(frm->FElapsedMs, 6500);
    // Reset stored what had arrived.
    Table().First();
    EXPECT_EQ(Table().AsString(fldReceivedData), "\r\n7\r\n8\r\n-1000");
    EXPECT_EQ(frm->pcMain->currentWidget(), frm->tsProgram);
    EXPECT_TRUE(Enabled(frm->acProgramRun));
    // The READ pulse still ends.
    ASSERT_TRUE(SpinUntil([&] { return !frm->tmrRead->Enabled(); }));
    EXPECT_EQ(Writes(), (std::vector<Write>{{0x03, 4000}, {0x01, 5000}, {0x05, 6000}, {0x01, 7000}}));
}

TEST_F(RunTest, ResetWhilePausedBetweenRowsEndsTheRunAtOnce)
{
    // Pause is pressed from the tray step after row 1 and holds the run where
    // it next looks at Pause; Reset comes 20 s after the start.  Pause is
    // disabled once the run is reset: a run that waited for it would wait for
    // ever, so the test lets it go at 30 s.
    const struct {
        const char* what;
        std::string row2Data;   // kept (answer No): the run passes the row over
    } cases[] = {
        {"before the next row's first replicate", ""},
        {"after a row passed over", "\r\n1\r\n-1000"},
    };
    frm->acList->SetExecute(frm->acOptionsMoveRight, [&](QAction*) {
        if (!frm->acProgramPause->isChecked())
            Exec(frm->acProgramPause);
    });
    frm->sbtnAutosampler->click();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Table().EmptyTable();
        AddRow(1, Typical);
        AddRow(2, Typical, c.row2Data);
        AddRow(3, Typical);
        if (!c.row2Data.empty())
            Answer(gui::mrNo);
        portio::sim::ClearWrites();
        portio::sim::SetRegister(0x378, 0x02);
        const std::uint32_t t0 = clock.TickCount();
        bool released = false;
        vt.At(t0 + 20000, [&] { EXPECT_TRUE(Exec(frm->acProgramReset)); });
        vt.At(t0 + 30000, [&] {
            frm->acProgramPause->setChecked(false);
            released = true;
        });
        ASSERT_TRUE(Run());
        EXPECT_LT(clock.TickCount(), t0 + 30000);
        EXPECT_TRUE(frm->acProgramPause->isChecked());
        EXPECT_EQ(Writes(), TypicalReplicate(t0));   // no later row ran
        ASSERT_TRUE(SpinUntil([&] { return released; }));
    }
}

TEST_F(RunTest, RunAfterAResetRunsTheWholeProgram)
{
    AddRow(1, Typical);
    vt.At(3050, [&] { Exec(frm->acProgramReset); });
    ASSERT_TRUE(Run());
    ASSERT_TRUE(Writes().empty());
    const std::uint32_t t0 = clock.TickCount();
    ASSERT_TRUE(Run());
    EXPECT_EQ(Writes(), TypicalReplicate(t0));
    EXPECT_EQ(clock.TickCount(), t0 + 12000);
}

TEST_F(RunTest, SaveSamplesDuringAReplicateLeavesTheNextOnItsRowsTimes)
{
    Times twice = Typical;
    twice.Replicates = 2;
    AddRow(1, twice);
    const Times other{2, 2, 2.5, 6, 0.5, 1};
    AddRow(2, other);
    // F7 in row 1's first replicate: the test stream fills row 1, and the
    // distribution leaves the table's cursor on row 2.
    QApplication::setActiveWindow(frm);
    int cursorAfterKey = -1;
    vt.At(3050, [&] {
        QTest::keyClick(frm, Qt::Key_F7);
        cursorAfterKey = Table().RecNo();
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(cursorAfterKey, 1);
    EXPECT_TRUE(frm->cdsProgram.HasData(0));
    auto expected = TypicalReplicate(0);
    for (const Write& w : TypicalReplicate(12000))
        expected.push_back(w);
    // Row 2 on its own times: probe down 1.5 s, valve closes 2 s, READ 2.5 s
    // to 3.5 s, probe up 4 s, valve opens 5 s, end at 6 s.
    for (const Write& w : std::vector<Write>{{0x03, 1500}, {0x01, 2000}, {0x05, 2500},
                                             {0x01, 3500}, {0x00, 4000}, {0x02, 5000}})
        expected.push_back({w.Value, 24000 + w.Tick});
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(clock.TickCount(), 30000u);
}

TEST_F(RunTest, InstrumentGoneMidRunIsReportedOnceAndTheRunGoesOn)
{
    PtyPair pty;
    frm->cpDrv->SetPortName(QString::fromStdString(pty.slavePath()));
    ASSERT_TRUE(Exec(frm->acInstrConnect));
    ASSERT_TRUE(frm->cpDrv->IsConnected());
    AddRow(1, Typical);
    AddRow(2, Typical);
    // During row 1's READ pulse the instrument sends a block and part of the
    // next reading, then goes away.  (The run's clock moves on meanwhile.)
    std::vector<std::string> afterLoss;
    std::size_t toldDuringRun = 99;
    vt.At(6050, [&] {
        ASSERT_TRUE(pty.write(std::string("1\r2\r-1000\r3")));
        ASSERT_TRUE(SpinUntil([&] { return frm->FLines.FReceivedLines.size() == 4; }));
        pty.closeMaster();
        ASSERT_TRUE(SpinUntil([&] { return !frm->cpDrv->IsConnected(); }));
        afterLoss = frm->FLines.FReceivedLines;
        // No box holds the run: the user is told once it has returned.
        toldDuringRun = Messages().size();
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(toldDuringRun, 0u);
    EXPECT_EQ(afterLoss, (std::vector<std::string>{"1", "2", "-1000", "3"}));
    QCoreApplication::processEvents();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], QStringLiteral("The connection to the serial port was lost.\r\n"
                                            "The received data is kept; check the instrument and connect again."));
    EXPECT_EQ(Asked[0].type, gui::MsgDlgType::Error);
    // The run went on to its end and stored what had arrived.
    auto expected = TypicalReplicate(0);
    for (const Write& w : TypicalReplicate(12000))
        expected.push_back(w);
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(DataOf(0), "\r\n1\r\n2\r\n-1000");
    EXPECT_EQ(DataOf(1), "");
    EXPECT_FALSE(Enabled(frm->acInstrDisconnect));
    EXPECT_TRUE(Enabled(frm->acInstrConnect));

    // A new instrument line: Connect opens it and reception goes on.
    PtyPair again;
    frm->cpDrv->SetPortName(QString::fromStdString(again.slavePath()));
    ASSERT_TRUE(Exec(frm->acInstrConnect));
    ASSERT_TRUE(frm->cpDrv->IsConnected());
    EXPECT_TRUE(Enabled(frm->acInstrDisconnect));
    ASSERT_TRUE(again.write(std::string("7\r")));
    ASSERT_TRUE(SpinUntil([&] { return frm->FLines.FReceivedLines == std::vector<std::string>({"7", ""}); }));
    EXPECT_EQ(Messages().size(), 1u);

    // Run 2 on the new line (row 1 kept and skipped): its readings reach
    // row 2, and the loss of run 1 is not told again.
    Answer(gui::mrNo);
    const std::uint32_t t0 = clock.TickCount();
    vt.At(t0 + 6050, [&] { ASSERT_TRUE(again.write(std::string("5\r6\r-1000\r"))); });
    vt.At(t0 + 11050, [&] { ASSERT_TRUE(SpinUntil([&] { return frm->FLines.FReceivedLines.size() == 4; })); });
    ASSERT_TRUE(Run());
    QCoreApplication::processEvents();
    EXPECT_EQ(DataOf(1), "\r\n5\r\n6\r\n-1000");
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(Messages()[1].startsWith(QStringLiteral("Sample 1 - row 1 already has data recorded.")));
    EXPECT_TRUE(frm->cpDrv->IsConnected());
}

TEST_F(RunTest, RowsWithDataAndTheFiveAnswers)
{
    const std::string data = "\r\n1\r\n-1000";
    struct Case {
        const char* what;
        std::vector<int> answers;
        int asked;
        bool started;
        int replicatesRun;
        bool row1Kept, row3Kept;
    } cases[] = {
        {"Yes then No", {gui::mrYes, gui::mrNo}, 2, true, 2, false, true},
        {"No then Yes", {gui::mrNo, gui::mrYes}, 2, true, 2, true, false},
        {"Cancel", {gui::mrCancel}, 1, false, 0, true, true},
        {"No to All", {gui::mrNoToAll}, 1, true, 1, true, true},
        {"Yes to All", {gui::mrYesToAll}, 1, true, 3, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Table().EmptyTable();
        AddRow(1, Typical, data);
        AddRow(2, Typical);
        AddRow(3, Typical, data);
        portio::sim::ClearWrites();
        Asked.clear();
        for (int a : c.answers)
            Answer(a);
        ASSERT_TRUE(Run());
        ASSERT_EQ(int(Asked.size()), c.asked);
        const auto& q = Asked[0];
        EXPECT_EQ(q.text, QStringLiteral("Sample 1 - row 1 already has data recorded. Do you want to clear it?\r"
                                         "If you choose \"No\", sample will be excluded from program - make "
                                         "shure that test-tubes were removed from autosampler."));
        EXPECT_EQ(q.buttons, gui::mbYes | gui::mbNo | gui::mbCancel | gui::mbNoToAll | gui::mbYesToAll);
        EXPECT_EQ(q.type, gui::MsgDlgType::Confirmation);
        EXPECT_EQ(int(Writes().size()), 6 * c.replicatesRun);
        if (c.started) {
            EXPECT_EQ(frm->pbarOverall->value(), 3);
        }
        EXPECT_EQ(frm->pcMain->currentWidget(), frm->tsProgram);
        EXPECT_EQ(frm->cdsProgram.HasData(0), c.row1Kept);
        EXPECT_EQ(frm->cdsProgram.HasData(2), c.row3Kept);
        EXPECT_FALSE(frm->cdsProgram.HasData(1));
        EXPECT_FALSE(Table().ControlsDisabled());
    }
}

TEST_F(RunTest, ClearingARowThatFailsItsPostEndsTheCommand)
{
    AddRow(1, Typical, "\r\n1\r\n-1000");
    // A row that its post refuses, as a file may hold it (RT < W + I).
    std::vector<platform::tablestore::TValue> v(Table().RowValues(0));
    v[fldReplTime] = 7.0;
    Table().ReplaceRows({v});
    Answer(gui::mrYes);
    EXPECT_FALSE(Run());   // the error reached the error box
    ASSERT_EQ(Asked.size(), 2u);
    EXPECT_EQ(Asked[1].text, QString::fromLatin1(SWashInjectTooLong));
    EXPECT_TRUE(Writes().empty());
    EXPECT_FALSE(frm->FRunning);
    EXPECT_FALSE(Table().ControlsDisabled());
}

TEST_F(RunTest, TraySteppedAfterEveryRowAndResetLetsTheStepsFinish)
{
    AddRow(1, Typical, "\r\n1\r\n-1000");   // kept and skipped: steps follow all the same
    AddRow(2, Typical);
    AddRow(3, Typical);
    Answer(gui::mrNo);
    std::vector<std::pair<int, std::uint32_t>> steps;   // (tag, time)
    const auto step = [&](QAction* a) {
        steps.push_back({gui::TActionList::Tag(a), clock.TickCount()});
        Delay(500);
    };
    frm->acList->SetExecute(frm->acOptionsMoveRight, step);
    frm->acList->SetExecute(frm->acOptionsMoveLeft, step);
    frm->sbtnAutosampler->click();
    ASSERT_TRUE(frm->sbtnAutosampler->isChecked());
    TypeMoveBy("3");
    frm->cmbMoveTo->setCurrentIndex(1);   // "LEFT"
    // Reset during the first step after row 2.
    vt.At(17000, [&] { Exec(frm->acProgramReset); });
    ASSERT_TRUE(Run());
    // Each step: a pulse of a little over 500 ms, then more than 1000 ms.
    EXPECT_EQ(steps, (std::vector<std::pair<int, std::uint32_t>>{
                         {1, 0}, {1, 1502}, {1, 3004}, {1, 16506}, {1, 18008}, {1, 19510}}));
    EXPECT_EQ(Writes(), TypicalReplicate(4506));   // row 3 never started
    EXPECT_EQ(frm->pbarOverall->value(), 3);
}

TEST_F(RunTest, NoTrayStepWhileTheAutosamplerButtonIsUp)
{
    AddRow(1, Typical);
    int steps = 0;
    frm->acList->SetExecute(frm->acOptionsMoveRight, [&](QAction*) { ++steps; });
    frm->sbtnAutosampler->click();
    TypeMoveBy("3");
    frm->sbtnAutosampler->click();
    ASSERT_TRUE(Run());
    EXPECT_EQ(steps, 0);
    frm->sbtnAutosampler->click();
    ASSERT_TRUE(Run());
    EXPECT_EQ(steps, 3);
}

// "M&ove by:" takes a typed count of at least 1; a smaller one becomes 1.
// The run steps the tray by what the field holds.
TEST_F(RunTest, TypedMoveByIsKeptFromOneOnAndStepsTheTray)
{
    AddRow(1, Typical);
    int steps = 0;
    frm->acList->SetExecute(frm->acOptionsMoveRight, [&](QAction*) { ++steps; });
    frm->sbtnAutosampler->click();
    struct Case {
        const char* typed;
        int count;
    };
    for (const Case& c : {Case{"7", 7}, Case{"0", 1}, Case{"-3", 1}, Case{"12", 12}}) {
        SCOPED_TRACE(c.typed);
        TypeMoveBy(c.typed);
        EXPECT_EQ(frm->spedMoveBy->Value(), c.count);
        steps = 0;
        ASSERT_TRUE(Run());
        EXPECT_EQ(steps, c.count);
    }
}

TEST_F(RunTest, AutosamplerButtonShowsAndHidesItsPanel)
{
    EXPECT_TRUE(frm->panAutoData->isHidden());
    frm->sbtnAutosampler->click();
    EXPECT_FALSE(frm->panAutoData->isHidden());
    EXPECT_TRUE(frm->sbtnAutosampler->isChecked());
    frm->tsProgram->layout()->activate();
    // The button's panel sits right above the settings panel.
    EXPECT_EQ(frm->panAutoBtn->geometry().bottom() + 1, frm->panAutoData->geometry().top());
    frm->sbtnAutosampler->click();
    EXPECT_TRUE(frm->panAutoData->isHidden());
    EXPECT_FALSE(frm->sbtnAutosampler->isChecked());
}

TEST_F(RunTest, PortIsTakenAtEachReplicateStart)
{
    Times twice = Typical;
    twice.Replicates = 2;
    AddRow(1, twice);
    portio::sim::SetRegister(0x278, 0x02);
    // LPT 2 chosen during the first replicate, after its READ pulse began.
    vt.At(6500, [&] {
        frm->acOptionsLPT1->setChecked(false);
        frm->acOptionsLPT2->setChecked(true);
    });
    ASSERT_TRUE(Run());
    EXPECT_EQ(Writes(0x378), TypicalReplicate(0));
    EXPECT_EQ(Writes(0x278), TypicalReplicate(12000));
}

TEST_F(RunTest, ClosingDuringARunResetsStoresAndThenAsks)
{
    AddRow(1, Typical);
    Answer(gui::mrNo);   // the save question
    bool closedInside = true;
    vt.At(3050, [&] {
        frm->FLines.FReceivedLines = {"5", "6", "-1000", ""};
        closedInside = frm->close();
    });
    ASSERT_TRUE(Run());
    EXPECT_FALSE(closedInside);
    EXPECT_EQ(clock.TickCount(), 3100u);
    Table().First();
    EXPECT_EQ(Table().AsString(fldReceivedData), "\r\n5\r\n6\r\n-1000");
    ASSERT_TRUE(SpinUntil([&] { return !frm->isVisible(); }));
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_TRUE(Asked[0].text.startsWith(QStringLiteral("Do you want to save changes")));
}

TEST_F(RunTest, PortOpenedOnShowAndAFailureReportedOnce)
{
    EXPECT_TRUE(frm->SmallPort->Opened());
    W.reset();
    portio::test::SetBackend(portio::Backend::Ppdev);
    portio::test::SetPpdevPaths("/nonexistent/parport0", "/nonexistent/parport1");
    W = std::make_unique<TfrmMain>();
    frm = W.get();
    EXPECT_FALSE(frm->SmallPort->Opened());   // not before the window is shown
    frm->show();
    EXPECT_FALSE(frm->SmallPort->Opened());
    const QString message = frm->statusBar()->currentMessage();
    EXPECT_TRUE(message.startsWith(QStringLiteral("Parallel port not opened"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("code 2"))) << message.toStdString();
    frm->statusBar()->clearMessage();
    frm->hide();
    frm->show();
    EXPECT_TRUE(frm->statusBar()->currentMessage().isEmpty());
    // The program stays usable: the run goes on and the pins stay untouched.
    AddRow(1, Typical);
    ASSERT_TRUE(Run());
    EXPECT_EQ(clock.TickCount(), 12000u);
    EXPECT_TRUE(portio::sim::Writes().empty());
    EXPECT_EQ(frm->SmallPort->LastError(), 6u);
}

TEST_F(RunTest, ServicePathFindsTheDriverImageNextToTheProgram)
{
    // An NT kind (a kernel 5.x) installs and starts the service on show; its
    // image is the one the build puts next to the program.
    W.reset();
    platform::VersionInfo nt5;
    nt5.PlatformId = platform::VER_PLATFORM_WIN32_NT;
    nt5.MajorVersion = 5;
    platform::SetVersionInfoOverride(true, nt5);
    W = std::make_unique<TfrmMain>();
    frm = W.get();
    frm->show();
    platform::ClearVersionInfoOverride();
    ASSERT_TRUE(frm->SmallPort->Opened()) << frm->SmallPort->LastError();
    EXPECT_TRUE(frm->SmallPort->WeInstalled());
    EXPECT_TRUE(portio::test::FindService("Smport")->Running);
    AddRow(1, Typical);
    ASSERT_TRUE(Run());
    EXPECT_EQ(Writes(), TypicalReplicate(0));
    W.reset();
    EXPECT_FALSE(portio::test::FindService("Smport"));
}

TEST(RunWaits, DelayWaitsOnTheClockProcessingEvents)
{
    platform::ManualClock clock(1000);
    TVirtualTime vt(clock);
    std::uint32_t seen = 0;
    vt.At(1400, [&] { seen = clock.TickCount(); });
    Delay(500);
    EXPECT_EQ(seen, 1400u);              // events ran during the wait
    EXPECT_EQ(clock.TickCount(), 1501u);  // more than 500 ms passed
    Delay(0);
    EXPECT_EQ(clock.TickCount(), 1502u);
}

// On the real clock too Delay returns only once more than its time has
// passed on the tick clock.  (That it sleeps meanwhile instead of spinning is
// measured in bench/bench_controller_waits.cpp.)
TEST(RunWaits, DelayOnTheRealClockWaitsPastItsTime)
{
    const std::uint32_t t0 = platform::GetTickCount();
    Delay(30);
    EXPECT_GT(platform::GetTickCount() - t0, 30u);
}

TEST(RunWaits, VirtualTimersFireInDueOrderAndEnablingTwiceDoesNotRestart)
{
    platform::ManualClock clock(0);
    TVirtualTime vt(clock);
    std::vector<std::pair<char, std::uint32_t>> fired;
    TRunTimer tick(nullptr, 100);
    TRunTimer once(nullptr, 250, true);
    tick.OnTimer = [&] {
        fired.push_back({'t', clock.TickCount()});
        if (clock.TickCount() == 200)
            once.SetEnabled(true);   // already enabled: keeps its due time
        if (clock.TickCount() == 300)
            tick.SetEnabled(false);
    };
    once.OnTimer = [&] { fired.push_back({'o', clock.TickCount()}); };
    tick.SetEnabled(true);
    once.SetEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return !tick.Enabled() && !once.Enabled(); }));
    EXPECT_EQ(fired, (std::vector<std::pair<char, std::uint32_t>>{{'t', 100}, {'t', 200}, {'o', 250}, {'t', 300}}));
}

TEST(RunWaits, TimersDueTogetherFireInTheOrderTheyWereArmed)
{
    platform::ManualClock clock(0);
    TVirtualTime vt(clock);
    std::vector<std::pair<char, std::uint32_t>> fired;
    const auto record = [&](char name) { return [&, name] { fired.push_back({name, clock.TickCount()}); }; };
    // A periodic timer is armed again when it fires: at 100 ms for 200 ms,
    // after `late` was armed (at 50 ms) for the same instant.
    TRunTimer tick(nullptr, 100);
    TRunTimer late(nullptr, 150, true);
    tick.OnTimer = [&] {
        record('t')();
        if (clock.TickCount() == 200)
            tick.SetEnabled(false);
    };
    late.OnTimer = record('l');
    tick.SetEnabled(true);
    vt.At(50, [&] { late.SetEnabled(true); });
    // Three timers armed at once, in an order unlike their creation.
    TRunTimer a(nullptr, 300, true), b(nullptr, 300, true), c(nullptr, 300, true);
    a.OnTimer = record('a');
    b.OnTimer = record('b');
    c.OnTimer = record('c');
    c.SetEnabled(true);
    a.SetEnabled(true);
    b.SetEnabled(true);
    ASSERT_TRUE(SpinUntil([&] { return fired.size() == 6; }));
    EXPECT_EQ(fired, (std::vector<std::pair<char, std::uint32_t>>{
                         {'t', 100}, {'l', 200}, {'t', 200}, {'c', 300}, {'a', 300}, {'b', 300}}));
}
