#pragma once
// A test fixture whose keys come from the keyboard through the X server
// (XKeyboard): the program must run on X11 (QT_QPA_PLATFORM=xcb) with the
// server of $DISPLAY, else every test of the fixture fails.

#include <QGuiApplication>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

#include "XKeyboard.h"

template <class Base>
class XKeysFixture : public Base {
protected:
    void SetUp() override
    {
        // The keys go to the server's focus window, which is this program's
        // only on X11.
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "the X key tests run on X11 only";
        ASSERT_EQ(keyboard.Error(), "");
        Base::SetUp();
    }
    // Presses `key` (an X key symbol) with `modifiers` held, through the server.
    void XPress(const char* key, Qt::KeyboardModifiers modifiers = {})
    {
        ASSERT_TRUE(keyboard.Click(key, modifiers)) << keyboard.Error();
    }
    // Processes events until `done()` holds; false when it never does.  The
    // bound is generous: it only stops a test whose key has no effect.
    template <class Pred>
    static bool Until(Pred done)
    {
        return QTest::qWaitFor(done, 10000);
    }

    XKeyboard keyboard;
};
