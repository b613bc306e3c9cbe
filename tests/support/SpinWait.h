#pragma once
// Bounded waits that keep the Qt event loop running.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

// Runs the event loop for `ms` milliseconds (sleeping while idle).
inline void SpinFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Processes events until `done()` holds or `timeoutMs` passes; returns done().
// The timeout only ends a wait for something that never comes: it is far
// beyond what a busy machine under the sanitizers takes.
constexpr int SpinTimeoutMs = 30000;
template <class Pred>
bool SpinUntil(Pred done, int timeoutMs = SpinTimeoutMs)
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

// Processes events until `timer` has timed out `times` more times (each
// after what the timer itself did then); false if it does not by `timeoutMs`.
inline bool SpinTicks(QTimer* timer, int times, int timeoutMs = SpinTimeoutMs)
{
    if (!timer)
        return false;
    int ticks = 0;
    const QMetaObject::Connection counting = QObject::connect(timer, &QTimer::timeout, [&ticks] { ++ticks; });
    const bool done = SpinUntil([&] { return ticks >= times; }, timeoutMs);
    QObject::disconnect(counting);
    return done;
}
