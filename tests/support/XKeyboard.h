#pragma once
// Key presses through the X server, as a keyboard makes them.  The XTest
// extension presses the keys that the server's keymap has for the named key
// symbols, so the program under test receives the server's own key events
// (keycode, key symbol, modifier state) and the toolkit's mapping of them,
// which key events made up inside the program skip.
//
// Keys are named by their X key symbol: "Tab", "KP_Add", "F6", "a", "period".
// A key is pressed as it is: a symbol on the shifted level of its key ("plus"
// on a US keyboard) needs Shift among the modifiers.

#include <Qt>

#include <string>

struct _XDisplay;

class XKeyboard {
public:
    // Connects to the X server named by $DISPLAY.
    XKeyboard();
    ~XKeyboard();
    XKeyboard(const XKeyboard&) = delete;
    XKeyboard& operator=(const XKeyboard&) = delete;

    // Empty while the keyboard works; else why it does not (no display, no
    // XTest extension, a key the keymap lacks).
    const std::string& Error() const { return FError; }

    // Presses the left Control, Shift, Alt and Super keys that `modifiers`
    // name, presses and releases `key`, releases the modifier keys, and
    // returns once the server has processed every event.  False (and Error()
    // says why) when a key cannot be pressed.
    bool Click(const char* key, Qt::KeyboardModifiers modifiers = {});

private:
    unsigned Keycode(const char* name);

    _XDisplay* FDisplay = nullptr;
    std::string FError;
};
