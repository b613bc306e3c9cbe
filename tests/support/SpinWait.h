#pragma once
// Bounded waits that keep the Qt event loop running.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

// Processes events until `done()` holds or `timeoutMs` passes; returns done().
// Runs the event loop for `ms` milliseconds (sleeping while idle).
inline void SpinFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processes events until `done()` holds or `timeoutMs` passes; returns done().
template <class Pred>
bool SpinUntil(Pred done, int timeoutMs = 3000)
{
    QDeadlineTimer deadline(timeoutMs);
    QCoreApplication::processEvents();
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        SpinFor(2);
    }
    return true;
}
