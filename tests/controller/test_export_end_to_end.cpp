// End to end, headless: a time program runs on the simulated autosampler
// port while an instrument on a pseudo-terminal answers every rising READ
// pulse with one replicate; the rows keep their blocks, Save As Experiment
// writes the file, and the data model's calibration over it gives the
// concentration the instrument encoded.

#include <QCoreApplication>

#include <algorithm>
#include <string>

#include "AASCls.h"
#include "CPDrv.h"
#include "Clock.h"
#include "MainTestUtil.h"
#include "PtyPair.h"
#include "RunTimer.h"
#include "SpinWait.h"

using namespace VelorTime;
using namespace VelorTimeTest;

namespace {

// Plateau level of each row's replicates: two standards (1 and 2 ppm at
// 1000 per ppm) and a sample of 1.5 ppm.
constexpr int Levels[] = {1000, 2000, 1500};
constexpr int Replicates = 2;
constexpr int Readings = 50;

// One replicate as the instrument sends it: the level, a step above it in
// the first replicate and below it in the second, then the end marker.
std::string Replicate(int Level, int Index)
{
    const int Value = Level + (Index % 2 == 0 ? 1 : -1);
    std::string Out;
    for (int I = 0; I < Readings; ++I)
        Out += std::to_string(Value) + "\r\n";
    return Out + "-1000\r\n";
}

int Markers(const std::vector<std::string>& Lines)
{
    return static_cast<int>(std::count(Lines.begin(), Lines.end(), std::string(ReplicateEndMarker)));
}

}  // namespace

TEST_F(MainWindowTest, RunStoresEveryReplicateAndTheExportCalibrates)
{
    PtyPair Pty;
    W->cpDrv->SetPortName(QString::fromStdString(Pty.slavePath()));
    W->cpDrv->SetPollingDelay(5);
    ASSERT_TRUE(W->cpDrv->Connect());
    if (!W->SmallPort->Opened()) {
        ASSERT_TRUE(W->SmallPort->Open());
    }

    SetRows({{1, "Std 1", Replicates, 1, 0.5, 1, 3, 0.5, 0.5},
             {2, "Std 2", Replicates, 1, 0.5, 1, 3, 0.5, 0.5},
             {3, "Probe", Replicates, 1, 0.5, 1, 3, 0.5, 0.5}});

    platform::ManualClock Clock(5000);
    TVirtualTime Virtual(Clock);
    // The instrument watches the READ line; on each rising edge it sends one
    // replicate, and the run starts its next replicate only once that has
    // arrived (the clock may reach the replicate's end meanwhile: the machine's
    // speed decides how far).
    int Pulses = 0;
    bool ReadHigh = false, Failed = false, Done = false;
    Virtual.Every(10, [&] {
        const bool High = (portio::sim::Register(0x378) & 0x04) != 0;
        if (High && !ReadHigh && Pulses < 3 * Replicates) {
            const int Row = Pulses / Replicates;
            const int Before = Markers(W->FLines.FReceivedLines);
            if (!Pty.write(Replicate(Levels[Row], Pulses)) ||
                !SpinUntil([&] { return Markers(W->FLines.FReceivedLines) > Before; }))
                Failed = true;
            ++Pulses;
        }
        ReadHigh = High;
        return !Done;
    });
    EXPECT_TRUE(W->acList->Execute(W->acProgramRun));
    Done = true;
    ASSERT_FALSE(Failed);
    EXPECT_EQ(Pulses, 3 * Replicates);
    EXPECT_FALSE(W->FRunning);
    EXPECT_TRUE(W->FLines.FReceivedLines.empty());

    // Each row holds its two blocks, newest first.
    for (int Row = 0; Row < 3; ++Row) {
        const std::string Data = DataOf(Row);
        std::string Expected;
        for (int R = Replicates - 1; R >= 0; --R) {
            const int Value = Levels[Row] + (R % 2 == 0 ? 1 : -1);
            for (int I = 0; I < Readings; ++I)
                Expected += "\r\n" + std::to_string(Value);
            Expected += "\r\n-1000";
        }
        EXPECT_EQ(Data, Expected) << "row " << Row;
    }
    // The live chart got one series per replicate after the first.
    EXPECT_EQ(W->MainSeries->count(), Readings);

    const QString Name = Dir.filePath("run");
    Replies.push_back({gui::mrOk, Name, 0, {}});
    ASSERT_TRUE(W->acList->Execute(W->acInstrSaveExperiment));

    TAASExperiment E("", true);
    E.LoadFromFile((Name + ".AXP").toStdString());
    ASSERT_EQ(E.Count(), 3);
    for (int S = 0; S < 3; ++S) {
        ASSERT_EQ(E[S]->Count(), Replicates);
        E[S]->SetPeakStart(0.2);
        E[S]->SetPeakEnd(0.8);
        EXPECT_EQ(E[S]->PeakMean(), Levels[S]) << "sample " << S;
    }
    E[0]->SetStandart(true);
    E[0]->SetConcentration(1);
    E[1]->SetStandart(true);
    E[1]->SetConcentration(2);
    E.SetUsedStatistic(usPeakMean);
    std::vector<double> X, Y;
    E.DoRegression(X, Y);
    EXPECT_NEAR(E[2]->Concentration(), 1.5, 1e-12);
    EXPECT_NEAR(E.B1(), 1000, 1e-9);
}
