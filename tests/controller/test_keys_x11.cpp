// Keys pressed through the X server, as the keyboard sends them: Tab and
// Shift+Tab in a cell editor of the grid, and the washing commands' Ctrl+Left
// and Ctrl+Right inside text fields.  Shift+Tab comes from the server as
// Backtab with Shift held, which key events made inside the program need not
// carry.

#include <QApplication>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "MainWindowTestUtil.h"
#include "PortIO.h"
#include "SpinEdit.h"
#include "XKeysFixture.h"

namespace {

using namespace VelorTime;
using XMainKeys = XKeysFixture<main_window_test::MainKeysTest>;

// Tab hands the typed time to its field and moves to the next column,
// Shift+Tab to the previous one; the row stays.
TEST_F(XMainKeys, TabAndShiftTabInACellEditorHandTheTextOverAndMoveOneColumn)
{
    Start(WriteProgram({1, 2, 3}));
    const struct {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        const char* typed[3];
        const char* stored;
        int column;   // the column that follows
    } cases[] = {
        {"Tab", {}, {"4", "period", "5"}, "4.5", fldInjectionTime},
        {"Shift+Tab", Qt::ShiftModifier, {"6", "period", "5"}, "6.5", fldReplicates},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClickCell(1, fldWashingTime);
        for (const char* key : c.typed)
            XPress(key);
        ASSERT_TRUE(Until([&] { return CellEditor() != nullptr && CellEditor()->text() == QLatin1String(c.stored); }));
        XPress("Tab", c.modifiers);
        ASSERT_TRUE(Until([&] { return CellEditor() == nullptr; }));
        EXPECT_EQ(QApplication::focusWidget(), frm->DBGrid);
        EXPECT_EQ(frm->DBGrid->currentIndex().row(), 1);
        EXPECT_EQ(frm->DBGrid->currentColumn(), c.column);
        EXPECT_EQ(Field(1, fldWashingTime), c.stored);
    }
    EXPECT_TRUE(dialogs.asked.empty());
}

// Ctrl+Right starts washing (the valve opens) and Ctrl+Left stops it, also
// with the focus in a text field, whose text and caret stay.
TEST_F(XMainKeys, CtrlLeftAndRightWashInsideTextFields)
{
    Start(WriteProgram({1, 2}));
    QTest::mouseClick(frm->sbtnAutosampler, Qt::LeftButton);   // the panel with its fields
    const struct {
        const char* name;
        std::function<void()> enter;
    } places[] = {
        {"a text cell's editor",
         [&] {
             ClickCell(0, fldSampleName);
             XPress("F2");
             ASSERT_TRUE(Until([&] { return CellEditor() != nullptr; }));
         }},
        {"M&ove by:",
         [&] {
             XPress("o", Qt::AltModifier);
             ASSERT_TRUE(Until([&] { return QApplication::focusWidget() == frm->spedMoveBy; }));
         }},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        ASSERT_NO_FATAL_FAILURE(place.enter());
        Idle();
        QWidget* focus = QApplication::focusWidget();
        auto* field = qobject_cast<QLineEdit*>(focus);
        if (field == nullptr)
            field = focus->findChild<QLineEdit*>();
        ASSERT_NE(field, nullptr);
        const QString text = field->text();
        const int caret = field->cursorPosition();
        portio::sim::SetRegister(0x378, 0x00);
        portio::sim::ClearWrites();

        XPress("Right", Qt::ControlModifier);   // Start Washing: the valve opens
        XPress("Left", Qt::ControlModifier);    // Stop Washing: it closes
        const auto written = [] {
            std::vector<int> out;
            for (const portio::PortWrite& w : portio::sim::Writes())
                out.push_back(w.Port == 0x378 ? w.Value : -1);
            return out;
        };
        ASSERT_TRUE(Until([&] { return written().size() >= 2; }));
        Idle();
        EXPECT_EQ(written(), (std::vector<int>{0x02, 0x00}));
        EXPECT_EQ(QApplication::focusWidget(), focus);
        EXPECT_EQ(field->text(), text);
        EXPECT_EQ(field->cursorPosition(), caret);
    }
}

}  // namespace
