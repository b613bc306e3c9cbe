#pragma once
// The one application object of a benchmark program that needs widgets:
// created on first use, on the offscreen platform unless one is chosen.

#include <QApplication>

namespace bench {

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "velor_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace bench
