#pragma once
// Fixtures of the controller's main-window tests: the window with temporary
// settings and desktop folders and a scripted responder for every dialog;
// for the keys, the window started on a program file, shown and active,
// with the simulated parallel port.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Main.h"
#include "PortIO.h"
#include "ShellTestUtil.h"
#include "SpinWait.h"

namespace main_window_test {

using namespace VelorTime;
using platform::tablestore::TDataSetState;

class MainTest : public ::testing::Test {
protected:
    void SetUp() override { frm = new TfrmMain; }
    void TearDown() override { delete frm; }

    bool Enabled(QAction* a)
    {
        frm->acList->UpdateAction(a);
        return a->isEnabled();
    }
    bool Exec(QAction* a) { return frm->acList->Execute(a); }
    int Rows() const { return frm->cdsProgram.Table().RecordCount(); }
    // A changed, unsaved program of one row.
    void Modify(int id = 1) { AppendProgramRow(frm->cdsProgram, id); }
    QString File(const QString& name) const { return stores.Path(name); }

    TempStores stores;
    ScriptedDialogs dialogs;
    TfrmMain* frm = nullptr;
};

class MainKeysTest : public MainTest {
protected:
    void SetUp() override
    {
        portio::test::Reset();
        portio::test::SetBackend(portio::Backend::Simulated);
        DecimalSeparator = '.';
        MainTest::SetUp();
    }
    void TearDown() override
    {
        MainTest::TearDown();
        portio::test::Reset();
    }

    // A program of rows "row <id>" (W 5, I 3, ReadAt 6, RT 12, PF 1, VL 2);
    // the rows named in `withData` hold one received replicate.
    QString WriteProgram(const std::vector<int>& ids, const std::vector<int>& withData = {})
    {
        TTimeProgram program;
        for (int id : ids) {
            const bool data = std::find(withData.begin(), withData.end(), id) != withData.end();
            AppendProgramRow(program, id, "row " + std::to_string(id), data ? "\r\n1\r\n2\r\n-1000" : "");
        }
        const QString name = File(QStringLiteral("program.ATP"));
        program.SaveToFile(name.toStdString());
        return name;
    }
    // Starts the window as the program does: the file named by the first
    // command-line argument, then the window shown.
    void Start(const QString& program)
    {
        frm->FCommandLine = QStringList{program};
        frm->show();
        Activate(frm);
    }
    // The window system gives a shown window the activation (there may be
    // no window manager to do it).
    static void Activate(QWidget* window)
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    // A fresh window, started the same way.
    void Restart(const QString& program)
    {
        delete frm;
        frm = new TfrmMain;
        Start(program);
    }

    // The event loop goes idle, as between a user's actions.
    static void Idle() { SpinFor(5); }
    // Keys go where the focus is at each press (the open list, the focused
    // control, else the window), and what a key posted is done before the
    // next one.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(static_cast<QWidget*>(nullptr), key, modifiers);
        QApplication::processEvents();
    }
    static void Type(const QString& text)
    {
        for (const QChar c : text) {
            QTest::keyClick(static_cast<QWidget*>(nullptr), c.toLatin1());
            QApplication::processEvents();
        }
    }
    // Puts the grid's cursor on a cell with a click; on the current cell the
    // user just types (a click there waits for a double click first).
    void ClickCell(int row, int column)
    {
        ProgramGrid* grid = frm->DBGrid;
        const QModelIndex cell = grid->model()->index(row, column);
        if (grid->currentIndex() == cell && grid->hasFocus())
            return;
        grid->scrollTo(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
        ASSERT_EQ(grid->currentIndex(), cell);
    }
    // Opens a menu of the menu bar with a click and clicks one of its items.
    void ClickMenuItem(QMenu* menu, QAction* item)
    {
        QMenuBar* bar = frm->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        QApplication::processEvents();
    }
    void ClickToolButton(QToolBar* bar, QAction* item)
    {
        QTest::mouseClick(bar->widgetForAction(item), Qt::LeftButton);
        QApplication::processEvents();
    }
    // The text field of the grid's open cell editor, or null.
    QLineEdit* CellEditor() const
    {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || focus == frm->DBGrid || !frm->DBGrid->isAncestorOf(focus))
            return nullptr;
        if (auto* combo = qobject_cast<QComboBox*>(focus))
            return combo->lineEdit();
        return qobject_cast<QLineEdit*>(focus);
    }
    std::string Field(int row, int field) { return frm->cdsProgram.Table().AsStringAt(row, field); }
    TDataSetState State() const { return frm->cdsProgram.Table().State(); }
};

}  // namespace main_window_test
