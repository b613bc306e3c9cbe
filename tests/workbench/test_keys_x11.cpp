// Keys pressed through the X server, as the keyboard sends them: the keypad
// keys of the Instrument Data window on both its pages, the frame's keys that
// switch between child windows, and a command key of each window kind.  The
// key events carry what the server's keymap makes of the keys, which the key
// tests that make their events inside the program skip.

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include "FrameKeysTestUtil.h"
#include "XKeysFixture.h"

namespace {

using namespace frame_keys_test;

using XKeysInTheFrame = XKeysFixture<KeysInTheFrame>;

// A case of the table of command keys and the key symbol that makes its key.
struct XKeyCase {
    const char* keyCase;
    const char* symbol;
};

void PrintTo(const XKeyCase& c, std::ostream* os)
{
    *os << c.keyCase;
}

class XCommandKeys : public XKeysInTheFrame, public ::testing::WithParamInterface<XKeyCase> {};

// The key reaches its command once.  The keypad's Ctrl+plus and Ctrl+minus
// are the Instrument Data window's alone: the main keyboard's Ctrl++ and
// Ctrl+-, pressed first, reach no command.
TEST_P(XCommandKeys, ReachesItsCommandOnce)
{
    const KeyCase& c = FindKeyCase(GetParam().keyCase);
    QWidget* target = nullptr;
    ASSERT_NO_FATAL_FAILURE(PrepareKey(c, target));
    ASSERT_EQ(QApplication::focusWidget(), target);
    RecordFiredCommands();
    if (c.modifiers & Qt::KeypadModifier) {
        XPress("plus", Qt::ControlModifier | Qt::ShiftModifier);
        XPress("minus", Qt::ControlModifier);
    }
    XPress(GetParam().symbol, c.modifiers);
    ASSERT_TRUE(Until([&] { return !fired.isEmpty(); }));
    Pump();
    ExpectFiredOnce(c);
}

const XKeyCase XKeyCases[] = {
    {"Instrument_AddSample_CtrlNumPlus_OnReceivedData", "KP_Add"},
    {"Instrument_AddSample_CtrlNumPlus_OnProceed", "KP_Add"},
    {"Instrument_DeleteSample_CtrlNumMinus_OnReceivedData", "KP_Subtract"},
    {"Instrument_DeleteSample_CtrlNumMinus", "KP_Subtract"},
    {"Frame_Cascade_CtrlF2", "F2"},
    {"Experiment_Sample_Ctrl2", "2"},
    {"Sample_Absorbtion_CtrlA", "a"},
};

INSTANTIATE_TEST_SUITE_P(XKeys, XCommandKeys, ::testing::ValuesIn(XKeyCases),
                         [](const ::testing::TestParamInfo<XKeyCase>& info) { return std::string(info.param.keyCase); });

// Ctrl+Tab and Ctrl+F6 activate the next child window, Ctrl+Shift+Tab and
// Ctrl+Shift+F6 the previous one; the focus follows into the child.
TEST_F(XKeysInTheFrame, CtrlTabAndCtrlF6SwitchBetweenChildWindows)
{
    ClickNode(experiment->tviewExperiment, experiment->SampleNode(0));
    const QList<QWidget*> order = frame->Children();   // the active one first
    ASSERT_EQ(order.size(), 5);
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const struct {
        const char* symbol;
        Qt::KeyboardModifiers modifiers;
        int active;   // the child active afterwards
    } presses[] = {
        {"Tab", Qt::ControlModifier, 1},
        {"Tab", ctrlShift, 0},
        {"F6", Qt::ControlModifier, 1},
        {"F6", ctrlShift, 0},
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(std::string(p.symbol) + (p.modifiers & Qt::ShiftModifier ? " with Shift" : ""));
        XPress(p.symbol, p.modifiers);
        ASSERT_TRUE(Until([&] { return frame->ActiveChild() == order[p.active]; }))
            << "active: " << (frame->ActiveChild() ? frame->ActiveChild()->windowTitle().toStdString() : "none");
        Pump();
        EXPECT_EQ(frame->ActiveChild(), order[p.active]);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_TRUE(order[p.active]->parentWidget()->isAncestorOf(QApplication::focusWidget()));
    }
    EXPECT_EQ(FirstAsked(), QString());
}

}  // namespace
