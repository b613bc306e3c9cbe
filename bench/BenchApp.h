#pragma once
// The one application object of a benchmark program that needs widgets:
// created on first use, on the offscreen platform unless one is chosen; and
// the calling thread's processor time.

#include <QApplication>

#include <time.h>

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

inline double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

}  // namespace bench
