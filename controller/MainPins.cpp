// The manual pin commands of the main window: the port choice, washing, the
// probe, the tray step pulses (also used by the run after each row) and the
// Test menu's single-pin commands.  Every change is a read-modify-write of
// the whole data register through the parallel-port component; with the
// component closed the reads give 0 and the writes reach nothing.

#include "Main.h"

#include "RunTimer.h"
#include "SmallPort.h"

#include <QAction>
#include <QMenu>

namespace VelorTime {

namespace {

// Pulse mask of a step command by its Tag: right, left, blank position.
constexpr std::uint8_t StepPins[3] = {0x08, 0x10, 0x20};

int TagOf(const QAction* Sender)
{
    return gui::TActionList::Tag(Sender);
}

}  // namespace

void TfrmMain::acOptionsLPT1Execute(QAction*)
{
    if (acOptionsLPT1->isChecked())
        return;
    acOptionsLPT1->setChecked(true);
    acOptionsLPT2->setChecked(false);
}

void TfrmMain::acOptionsLPT2Execute(QAction*)
{
    if (acOptionsLPT2->isChecked())
        return;
    acOptionsLPT2->setChecked(true);
    acOptionsLPT1->setChecked(false);
}

void TfrmMain::acOptionsStartWashExecute(QAction* Sender)
{
    const std::uint16_t Base = ChosenPortBase();
    const std::uint8_t B = SmallPort->ReadPort(Base);
    SmallPort->WritePort(Base, TagOf(Sender) == 0 ? B | 0x02 : B ^ 0x02);
}

void TfrmMain::acOptionsProbeDownExecute(QAction* Sender)
{
    const std::uint16_t Base = ChosenPortBase();
    const std::uint8_t B = SmallPort->ReadPort(Base);
    SmallPort->WritePort(Base, TagOf(Sender) == 0 ? B | 0x01 : B ^ 0x01);
}

void TfrmMain::acOptionsMoveLeftExecute(QAction* Sender)
{
    const int Tag = TagOf(Sender);
    if (Tag < 0 || Tag > 2)
        return;
    const std::uint8_t Mask = StepPins[Tag];
    // Both halves of the pulse go to the port chosen when it began, so a port
    // change meanwhile cannot leave the pin set.
    const std::uint16_t Base = ChosenPortBase();
    SmallPort->WritePort(Base, SmallPort->ReadPort(Base) | Mask);
    Delay(500);
    SmallPort->WritePort(Base, SmallPort->ReadPort(Base) ^ Mask);
}

void TfrmMain::miTestSendBitPin2Click(QAction* Sender)
{
    if (!SmallPort->Opened())
        return;
    const std::uint16_t Base = ChosenPortBase();
    SmallPort->WritePort(Base, SmallPort->ReadPort(Base) | static_cast<std::uint8_t>(TagOf(Sender)));
}

void TfrmMain::miTestSendBitAllClick(QAction*)
{
    if (!SmallPort->Opened())
        return;
    // Every item of the submenu but the last two (the separator and "All Pins").
    const QList<QAction*> Items = miTestSendBit->actions();
    int Bits = 0;
    for (qsizetype I = 0; I + 2 < Items.size(); ++I)
        Bits |= TagOf(Items[I]);
    SmallPort->WritePort(ChosenPortBase(), static_cast<std::uint8_t>(Bits));
}

void TfrmMain::miTestClearBitPin2Click(QAction* Sender)
{
    if (!SmallPort->Opened())
        return;
    const std::uint8_t Tag = static_cast<std::uint8_t>(TagOf(Sender));
    const std::uint16_t Base = ChosenPortBase();
    if ((SmallPort->ReadPort(Base) & Tag) == Tag)
        SmallPort->WritePort(Base, SmallPort->ReadPort(Base) ^ Tag);
}

void TfrmMain::miTestClearBitAllClick(QAction*)
{
    if (!SmallPort->Opened())
        return;
    SmallPort->WritePort(ChosenPortBase(), 0);
}

void TfrmMain::ConnectPinCommands()
{
    acList->SetExecute(acOptionsLPT1, [this](QAction* A) { acOptionsLPT1Execute(A); });
    acList->SetExecute(acOptionsLPT2, [this](QAction* A) { acOptionsLPT2Execute(A); });
    for (QAction* A : {acOptionsStartWash, acOptionsStopWash})
        acList->SetExecute(A, [this](QAction* S) { acOptionsStartWashExecute(S); });
    for (QAction* A : {acOptionsProbeDown, acOptionsProbeUp})
        acList->SetExecute(A, [this](QAction* S) { acOptionsProbeDownExecute(S); });
    for (QAction* A : {acOptionsMoveLeft, acOptionsMoveRight, acOptionsMoveBlank})
        acList->SetExecute(A, [this](QAction* S) { acOptionsMoveLeftExecute(S); });
    for (QAction* Item : miTestSendBitPins)
        connect(Item, &QAction::triggered, this, [this, Item] { miTestSendBitPin2Click(Item); });
    for (QAction* Item : miTestClearBitPins)
        connect(Item, &QAction::triggered, this, [this, Item] { miTestClearBitPin2Click(Item); });
    connect(miTestSendBitAll, &QAction::triggered, this, [this] { miTestSendBitAllClick(miTestSendBitAll); });
    connect(miTestClearBitAll, &QAction::triggered, this, [this] { miTestClearBitAllClick(miTestClearBitAll); });
}

}  // namespace VelorTime
