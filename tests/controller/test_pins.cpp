// The manual pin commands on the simulated autosampler port: the port
// choice, washing, probe, the three step pulses and the Test menu.

#include <QAction>
#include <QTimer>

#include "Clock.h"
#include "RunTimer.h"
#include "MainTestUtil.h"

using namespace VelorTime;
using namespace VelorTimeTest;

namespace {

std::vector<std::uint8_t> Values(std::uint16_t Port)
{
    std::vector<std::uint8_t> Out;
    for (const portio::PortWrite& W : portio::sim::Writes())
        if (W.Port == Port)
            Out.push_back(W.Value);
    return Out;
}

using Bytes = std::vector<std::uint8_t>;

class PinsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!W->SmallPort->Opened()) {
            ASSERT_TRUE(W->SmallPort->Open());
        }
        portio::sim::ClearWrites();
    }
    void Run(QAction* A) { W->acList->Execute(A); }
};

}  // namespace

TEST_F(PinsTest, PortChoiceLpt1AtStartAndExactlyOneChecked)
{
    EXPECT_TRUE(W->acOptionsLPT1->isChecked());
    EXPECT_FALSE(W->acOptionsLPT2->isChecked());
    Run(W->acOptionsLPT1);  // already checked: nothing
    EXPECT_TRUE(W->acOptionsLPT1->isChecked());
    EXPECT_FALSE(W->acOptionsLPT2->isChecked());
    Run(W->acOptionsLPT2);
    EXPECT_FALSE(W->acOptionsLPT1->isChecked());
    EXPECT_TRUE(W->acOptionsLPT2->isChecked());
    Run(W->acOptionsLPT2);
    EXPECT_TRUE(W->acOptionsLPT2->isChecked());
    Run(W->acOptionsLPT1);
    EXPECT_TRUE(W->acOptionsLPT1->isChecked());
    EXPECT_FALSE(W->acOptionsLPT2->isChecked());
}

TEST_F(PinsTest, CommandsGoToTheChosenPort)
{
    Run(W->acOptionsProbeDown);
    Run(W->acOptionsLPT2);
    Run(W->acOptionsStartWash);
    EXPECT_EQ(Values(0x378), Bytes{0x01});
    EXPECT_EQ(Values(0x278), Bytes{0x02});
}

TEST_F(PinsTest, WashingAndProbeSetOrToggleTheirBit)
{
    const struct {
        const char* Name;
        QAction* TfrmMain::*Action;
        std::uint8_t Before, After;
    } Cases[] = {
        {"Start Washing sets", &TfrmMain::acOptionsStartWash, 0x00, 0x02},
        {"Start Washing idempotent", &TfrmMain::acOptionsStartWash, 0x02, 0x02},
        {"Stop Washing clears", &TfrmMain::acOptionsStopWash, 0xF3, 0xF1},
        {"Stop Washing toggles", &TfrmMain::acOptionsStopWash, 0x00, 0x02},
        {"Probe Down sets", &TfrmMain::acOptionsProbeDown, 0x80, 0x81},
        {"Probe Down idempotent", &TfrmMain::acOptionsProbeDown, 0x01, 0x01},
        {"Probe Up clears", &TfrmMain::acOptionsProbeUp, 0x03, 0x02},
        {"Probe Up toggles", &TfrmMain::acOptionsProbeUp, 0x00, 0x01},
    };
    for (const auto& C : Cases) {
        portio::sim::SetRegister(0x378, C.Before);
        portio::sim::ClearWrites();
        Run(W.get()->*C.Action);
        EXPECT_EQ(Values(0x378), Bytes{C.After}) << C.Name;
    }
}

TEST_F(PinsTest, StepCommandsPulseTheirPinForHalfASecond)
{
    platform::ManualClock Clock(1000);
    TVirtualTime Virtual(Clock);
    const struct {
        QAction* TfrmMain::*Action;
        std::uint8_t Mask;
    } Cases[] = {
        {&TfrmMain::acOptionsMoveRight, 0x08},
        {&TfrmMain::acOptionsMoveLeft, 0x10},
        {&TfrmMain::acOptionsMoveBlank, 0x20},
    };
    for (const auto& C : Cases) {
        portio::sim::SetRegister(0x378, 0x41);
        portio::sim::ClearWrites();
        Run(W.get()->*C.Action);
        const std::vector<portio::PortWrite> Writes = portio::sim::Writes();
        ASSERT_EQ(Writes.size(), 2u) << int(C.Mask);
        EXPECT_EQ(Writes[0].Value, 0x41 | C.Mask);
        EXPECT_EQ(Writes[1].Value, 0x41);
        EXPECT_GT(Writes[1].Tick - Writes[0].Tick, 500u);
        EXPECT_LE(Writes[1].Tick - Writes[0].Tick, 510u);
    }
}

TEST_F(PinsTest, OtherCommandsDuringAStepPulseAreNotUndone)
{
    platform::ManualClock Clock(1000);
    TVirtualTime Virtual(Clock);
    portio::sim::SetRegister(0x378, 0x00);
    // Runs inside the pulse's wait.
    Virtual.At(1100, [this] { Run(W->acOptionsProbeDown); });
    Run(W->acOptionsMoveLeft);
    EXPECT_EQ(Values(0x378), (Bytes{0x10, 0x11, 0x01}));
    EXPECT_EQ(portio::sim::Register(0x378), 0x01);
}

TEST_F(PinsTest, StepPulseEndsOnThePortItBeganOn)
{
    platform::ManualClock Clock(1000);
    TVirtualTime Virtual(Clock);
    Virtual.At(1100, [this] { Run(W->acOptionsLPT2); });
    Run(W->acOptionsMoveRight);
    EXPECT_EQ(Values(0x378), (Bytes{0x08, 0x00}));
    EXPECT_TRUE(Values(0x278).empty());
    EXPECT_TRUE(W->acOptionsLPT2->isChecked());
}

TEST_F(PinsTest, TestMenuItemsCarryTheirMasks)
{
    ASSERT_EQ(W->miTestSendBitPins.size(), 8);
    ASSERT_EQ(W->miTestClearBitPins.size(), 8);
    for (int I = 0; I < 8; ++I) {
        EXPECT_EQ(gui::TActionList::Tag(W->miTestSendBitPins[I]), 1 << I);
        EXPECT_EQ(gui::TActionList::Tag(W->miTestClearBitPins[I]), 1 << I);
    }
}

TEST_F(PinsTest, SendBitSetsAPinAndWritesAgainWhenSet)
{
    portio::sim::SetRegister(0x378, 0x05);
    W->miTestSendBitPins[2]->trigger();  // Pin 4, already set
    W->miTestSendBitPins[7]->trigger();  // Pin 9
    EXPECT_EQ(Values(0x378), (Bytes{0x05, 0x85}));
}

TEST_F(PinsTest, ClearBitWritesOnlyWhenThePinIsSet)
{
    portio::sim::SetRegister(0x378, 0x85);
    W->miTestClearBitPins[1]->trigger();  // Pin 3, clear: no write
    W->miTestClearBitPins[7]->trigger();  // Pin 9
    W->miTestClearBitPins[0]->trigger();  // Pin 2
    EXPECT_EQ(Values(0x378), (Bytes{0x05, 0x04}));
}

TEST_F(PinsTest, AllPinsWritesWithoutReading)
{
    for (std::uint8_t Before : {0x00, 0x5A, 0xFF}) {
        portio::sim::SetRegister(0x378, Before);
        portio::sim::ClearWrites();
        W->miTestSendBitAll->trigger();
        W->miTestClearBitAll->trigger();
        EXPECT_EQ(Values(0x378), (Bytes{0xFF, 0x00})) << int(Before);
    }
}

TEST_F(PinsTest, ClosedPortTestItemsDoNothingOptionsReachNothing)
{
    portio::sim::SetRegister(0x378, 0x0F);
    W->SmallPort->Close();
    ASSERT_FALSE(W->SmallPort->Opened());
    portio::test::RecordRequests(true);
    W->miTestSendBitPins[4]->trigger();
    W->miTestSendBitAll->trigger();
    W->miTestClearBitPins[0]->trigger();
    W->miTestClearBitAll->trigger();
    EXPECT_TRUE(portio::test::RecordedRequests().empty());
    Run(W->acOptionsStartWash);
    Run(W->acOptionsProbeUp);
    EXPECT_TRUE(portio::sim::Writes().empty());
    EXPECT_EQ(portio::sim::Register(0x378), 0x0F);
    EXPECT_EQ(W->SmallPort->LastError(), 6u);  // the closed component's reads and writes
    portio::test::RecordRequests(false);
}
