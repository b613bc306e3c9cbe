#include "XKeyboard.h"

// The X headers come last: their macros (KeyPress, None, ...) clash with names
// of other headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <utility>
#include <vector>

XKeyboard::XKeyboard()
{
    const char* name = std::getenv("DISPLAY");
    FDisplay = XOpenDisplay(nullptr);
    if (FDisplay == nullptr) {
        FError = std::string("cannot open the X display \"") + (name ? name : "") + "\" ($DISPLAY)";
        return;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(FDisplay, &event, &error, &major, &minor))
        FError = std::string("the X server of \"") + DisplayString(FDisplay) + "\" has no XTest extension";
}

XKeyboard::~XKeyboard()
{
    if (FDisplay != nullptr)
        XCloseDisplay(FDisplay);
}

unsigned XKeyboard::Keycode(const char* name)
{
    const KeySym symbol = XStringToKeysym(name);
    if (symbol == NoSymbol) {
        FError = std::string("no key symbol \"") + name + "\"";
        return 0;
    }
    const KeyCode code = XKeysymToKeycode(FDisplay, symbol);
    if (code == 0)
        FError = std::string("the X server's keymap has no key for \"") + name + "\"";
    return code;
}

bool XKeyboard::Click(const char* key, Qt::KeyboardModifiers modifiers)
{
    if (!FError.empty())
        return false;
    const std::pair<Qt::KeyboardModifier, const char*> modifierKeys[] = {
        {Qt::ControlModifier, "Control_L"}, {Qt::ShiftModifier, "Shift_L"}, {Qt::AltModifier, "Alt_L"},
        {Qt::MetaModifier, "Super_L"}};
    std::vector<unsigned> codes;   // pressed in order, released backwards
    for (const auto& [modifier, name] : modifierKeys)
        if (modifiers & modifier)
            codes.push_back(Keycode(name));
    codes.push_back(Keycode(key));
    if (!FError.empty())
        return false;
    for (unsigned code : codes)
        XTestFakeKeyEvent(FDisplay, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        XTestFakeKeyEvent(FDisplay, *code, False, CurrentTime);
    XSync(FDisplay, False);
    return true;
}
