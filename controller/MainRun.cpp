// The timed run of the main window: Run, Pause and Reset, the question about
// rows that hold data, the replicate clock and the READ pulse, the tray steps
// after each row, the progress bars and the autosampler panel.
//
// Everything runs on the GUI thread.  The run is a command handler that waits
// in nested event loops while the two timers drive the pins; Pause and Reset
// are flags that those loops and the clock tick look at.  Every pin change is
// a read of the data register followed by a write of the whole byte.
//
// The clock counts ticks, not real time: each tick adds exactly 100 ms to
// the replicate clock.  An instant T (seconds) is taken as T x 1000 rounded to
// whole milliseconds and is reached on the tick whose step (previous count,
// count] holds it; so an event at 0 s is never applied, and a time that is no
// whole tenth of a second is taken at the next tick.

#include "Main.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <climits>
#include <cmath>

#include "SpinEdit.h"

namespace VelorTime {

namespace {

constexpr std::int64_t NeverMs = INT64_MAX;

// Whole milliseconds of an instant in seconds, halves to even.  An instant
// that is not finite or lies beyond any clock is never reached.
std::int64_t InstantMs(double seconds)
{
    const long double ms = static_cast<long double>(seconds) * 1000.0L;
    if (!std::isfinite(ms) || std::fabs(ms) > 9.0e15L)
        return NeverMs;
    return std::llrint(ms);   // the default rounding mode: to nearest, halves to even
}

// A progress bar's range 0..max.  Qt shows an animated busy bar for an empty
// range, so an empty or negative maximum shows as an empty bar instead.
void SetBarMaximum(QProgressBar* bar, std::int64_t max)
{
    bar->setRange(0, static_cast<int>(std::clamp<std::int64_t>(max, 1, INT_MAX)));
    bar->setValue(0);
}

void SetBarPosition(QProgressBar* bar, std::int64_t pos)
{
    bar->setValue(static_cast<int>(std::clamp<std::int64_t>(pos, 0, bar->maximum())));
}

// Sets a flag for the lifetime of the object.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TFlagGuard() { FFlag = FOld; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

// The table's controls disabled for the lifetime of the object.
class TControlsFrozen {
public:
    explicit TControlsFrozen(TTable& table) : FTable(table) { FTable.DisableControls(); }
    ~TControlsFrozen() { FTable.EnableControls(); }
    TControlsFrozen(const TControlsFrozen&) = delete;
    TControlsFrozen& operator=(const TControlsFrozen&) = delete;

private:
    TTable& FTable;
};

// Opens the parallel port when the window is shown for the first time.
class TShowHook : public QObject {
public:
    explicit TShowHook(TfrmMain* window) : QObject(window), FWindow(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FWindow && event->type() == QEvent::Show) {
            FWindow->removeEventFilter(this);
            FWindow->OpenSmallPort();
            deleteLater();
        }
        return false;
    }

private:
    TfrmMain* FWindow;
};

QString PortErrorText(std::uint32_t error)
{
    switch (error) {
    case portio::ERROR_FILE_NOT_FOUND:
        return QStringLiteral("no parallel port device");
    case portio::ERROR_ACCESS_DENIED:
        return QStringLiteral("access denied");
    case portio::ERROR_BUSY:
        return QStringLiteral("the port is in use");
    default:
        return QStringLiteral("error %1").arg(error);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

void TfrmMain::ConnectRunCommands()
{
    SmallPort = new TSmallPort(this);
    SmallPort->setObjectName(QStringLiteral("SmallPort"));
    Timer = new TRunTimer(this, 100);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->OnTimer = [this] { TimerTimer(); };
    tmrRead = new TRunTimer(this, 1000);
    tmrRead->setObjectName(QStringLiteral("tmrRead"));
    tmrRead->OnTimer = [this] { tmrReadTimer(); };

    acList->SetExecute(acProgramRun, [this](QAction*) { acProgramRunExecute(); });
    acList->SetExecute(acProgramPause, [this](QAction*) { acProgramPauseExecute(); });
    acList->SetExecute(acProgramReset, [this](QAction*) { acProgramResetExecute(); });
    connect(sbtnAutosampler, &QToolButton::clicked, this, [this] { sbtnAutosamplerClick(); });
    new TShowHook(this);
}

void TfrmMain::OpenSmallPort()
{
    if (SmallPort->Opened() || SmallPort->Open())
        return;
    statusBar()->showMessage(
        QStringLiteral("Parallel port not opened (%1, code %2): the autosampler pins have no effect.")
            .arg(PortErrorText(SmallPort->LastError()))
            .arg(SmallPort->LastError()));
}

std::uint16_t TfrmMain::ChosenPortBase() const
{
    return acOptionsLPT1->isChecked() ? 0x378 : 0x278;
}

void TfrmMain::UpdateActions()
{
    acList->UpdateActions();
    QCoreApplication::processEvents();
}

// ---------------------------------------------------------------------------
// Commands

void TfrmMain::acProgramRunExecute()
{
    // A new run never starts inside the loops of one that is still unwinding.
    if (FRunning || FRunLoopActive)
        return;
    // A line lost during the run is told once the run has returned, from the
    // event loop (also when the run ends in an error).
    struct TLineLostTeller {
        TfrmMain* Form;
        ~TLineLostTeller()
        {
            if (Form->FLineLostUntold)
                QTimer::singleShot(0, Form, [form = Form] { form->TellLineLost(); });
        }
    } teller{this};
    TFlagGuard active(FRunLoopActive);
    TTable& table = cdsProgram.Table();
    try {
        TControlsFrozen frozen(table);
        // A row still being edited is posted (or its unchanged edit dropped).
        table.CheckBrowseMode();
        table.First();
        if (!CheckRecordedData())
            return;

        FRunning = true;
        FResetRequested = false;
        acProgramPause->setChecked(false);
        UpdateActions();
        pcMain->setCurrentWidget(tsRun);
        SetBarMaximum(pbarRepl, 1);
        SetBarMaximum(pbarSample, 1);
        SetBarMaximum(pbarOverall, table.RecordCount());
        FLines.FReceivedLines.clear();
        FLines.FLastPlottedLine = 0;
        table.First();

        // The run keeps its own row position: commands that walk the table
        // meanwhile ("Save Samples") do not make it skip or repeat rows.
        for (int row = 0; row < table.RecordCount(); ++row) {
            table.MoveTo(row);
            SetBarPosition(pbarOverall, pbarOverall->value() + 1);
            RunSample(row);
            QCoreApplication::processEvents();
            if (FResetRequested)
                break;
            while (acProgramPause->isChecked() && !FResetRequested)
                WaitForEvents();
            if (sbtnAutosampler->isChecked()) {
                // The field holds whole numbers: its value truncated is the step count.
                const int steps = static_cast<int>(std::trunc(spedMoveBy->Value()));
                QAction* step = cmbMoveTo->currentIndex() == 1 ? acOptionsMoveLeft : acOptionsMoveRight;
                for (int i = 0; i < steps; ++i) {
                    acList->Execute(step);
                    Delay(1000);
                }
            }
        }
        FRunning = false;
        StoreReceivedData();
        pcMain->setCurrentWidget(tsProgram);
    } catch (...) {
        // An error ends the run: it must not stay "running" with Run disabled.
        FRunning = false;
        Timer->SetEnabled(false);
        throw;
    }
}

bool TfrmMain::CheckRecordedData()
{
    TTable& table = cdsProgram.Table();
    TControlsFrozen frozen(table);
    table.First();
    bool yesToAll = false;
    for (int row = 0; row < table.RecordCount(); ++row) {
        if (!cdsProgram.HasData(row))
            continue;
        table.MoveTo(row);
        if (!yesToAll) {
            const QString text =
                QStringLiteral("Sample %1 - %2 already has data recorded. Do you want to clear it?\r"
                               "If you choose \"No\", sample will be excluded from program - make shure that "
                               "test-tubes were removed from autosampler.")
                    .arg(QString::number(table.AsInteger(fldSampleID)),
                         QString::fromStdString(table.AsString(fldSampleName)));
            const int answer = gui::MessageDlg(text, gui::MsgDlgType::Confirmation,
                                               gui::mbYes | gui::mbNo | gui::mbCancel | gui::mbNoToAll |
                                                   gui::mbYesToAll,
                                               this);
            if (answer == gui::mrNo)
                continue;
            if (answer == gui::mrNoToAll)
                return true;
            if (answer == gui::mrYesToAll)
                yesToAll = true;
            else if (answer != gui::mrYes)
                return false;   // Cancel, or the box closed without an answer
        }
        cdsProgram.ClearSampleData();
    }
    return true;
}

void TfrmMain::RunSample(int Row)
{
    const TTable& table = cdsProgram.Table();
    if (cdsProgram.HasData(Row))
        return;
    const int replicates = table.AsIntegerAt(Row, fldReplicates);
    SetBarMaximum(pbarSample, replicates);
    for (int r = 0; r < replicates; ++r) {
        if (FResetRequested)
            return;
        while (acProgramPause->isChecked() && !FResetRequested)
            WaitForEvents();
        SetBarPosition(pbarSample, pbarSample->value() + 1);

        // The row's times, taken at the replicate's start from the row being
        // run (commands during the run may move the table's cursor).
        const double w = table.AsFloatAt(Row, fldWashingTime);
        const double i = table.AsFloatAt(Row, fldInjectionTime);
        const double pf = table.AsFloatAt(Row, fldProbeForward);
        const double vl = table.AsFloatAt(Row, fldValveLate);
        FInstants.ReplTime = InstantMs(table.AsFloatAt(Row, fldReplTime));
        FInstants.ReadAt = InstantMs(table.AsFloatAt(Row, fldReadAt));
        FInstants.Washing = InstantMs(w);
        SetBarMaximum(pbarRepl, FInstants.ReplTime == NeverMs ? 0 : FInstants.ReplTime);

        FElapsedMs = 0;
        FPortBase = ChosenPortBase();
        FProbeDownAt = static_cast<double>(static_cast<long double>(w) - pf);
        FProbeUpAt = static_cast<double>(static_cast<long double>(w) + i);
        FValveOpenAt = static_cast<double>(static_cast<long double>(w) + i + vl);
        FInstants.ProbeDown = InstantMs(FProbeDownAt);
        FInstants.ProbeUp = InstantMs(FProbeUpAt);
        FInstants.ValveOpen = InstantMs(FValveOpenAt);

        Timer->SetEnabled(true);
        while (Timer->Enabled())
            WaitForEvents();
    }
}

void TfrmMain::TimerTimer()
{
    if (FResetRequested) {
        Timer->SetEnabled(false);
        return;
    }
    if (acProgramPause->isChecked())
        return;
    const std::int64_t previous = FElapsedMs;
    FElapsedMs += 100;
    SetBarPosition(pbarRepl, FElapsedMs);
    if (FElapsedMs >= FInstants.ReplTime) {
        Timer->SetEnabled(false);
        return;
    }
    const auto reached = [&](std::int64_t at) { return previous < at && at <= FElapsedMs; };
    if (reached(FInstants.ProbeDown))
        SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) | 0x01);
    if (reached(FInstants.ProbeUp))
        SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) ^ 0x01);
    if (reached(FInstants.Washing))
        SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) ^ 0x02);
    if (reached(FInstants.ValveOpen))
        SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) | 0x02);
    if (reached(FInstants.ReadAt)) {
        SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) | 0x04);
        tmrRead->SetEnabled(true);
    }
}

void TfrmMain::tmrReadTimer()
{
    SmallPort->WritePort(FPortBase, SmallPort->ReadPort(FPortBase) ^ 0x04);
    tmrRead->SetEnabled(false);
}

void TfrmMain::acProgramPauseExecute()
{
    acProgramPause->setChecked(!acProgramPause->isChecked());
}

void TfrmMain::acProgramResetExecute()
{
    FResetRequested = true;
    FRunning = false;
    StoreReceivedData();
    pcMain->setCurrentWidget(tsProgram);
}

void TfrmMain::ResetRunForClose()
{
    acProgramResetExecute();
}

void TfrmMain::sbtnAutosamplerClick()
{
    panAutoData->setVisible(panAutoData->isHidden());
    // The button's panel stays right above the settings panel (the page's
    // layout keeps it there).
    sbtnAutosampler->setChecked(!panAutoData->isHidden());
}

}  // namespace VelorTime
