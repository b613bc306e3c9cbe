#include "RunTimer.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace VelorTime {

namespace {
TVirtualTime* gVirtual = nullptr;
}

// ---------------------------------------------------------------------------
// TRunTimer

TRunTimer::TRunTimer(QObject* parent, int intervalMs, bool singleShot)
    : QObject(parent), FInterval(std::max(intervalMs, 0)), FSingleShot(singleShot)
{
}

TRunTimer::~TRunTimer()
{
    SetEnabled(false);
}

void TRunTimer::SetInterval(int ms)
{
    FInterval = std::max(ms, 0);
}

void TRunTimer::SetEnabled(bool on)
{
    if (on == FEnabled)
        return;
    FEnabled = on;
    if (on) {
        if (TVirtualTime* v = TVirtualTime::Current()) {
            FVirtual = v;
            v->Arm(this);
            return;
        }
        if (!FTimer) {
            FTimer = new QTimer(this);
            FTimer->setTimerType(Qt::PreciseTimer);
            QObject::connect(FTimer, &QTimer::timeout, this, [this] { Fire(); });
        }
        FTimer->start(FInterval);
        return;
    }
    if (FVirtual) {
        FVirtual->Disarm(this);
        FVirtual = nullptr;
    }
    if (FTimer)
        FTimer->stop();
}

void TRunTimer::Fire()
{
    if (!FEnabled)
        return;
    if (FSingleShot)
        SetEnabled(false);
    if (OnTimer)
        OnTimer();
}

// ---------------------------------------------------------------------------
// TVirtualTime

TVirtualTime::TVirtualTime(platform::ManualClock& clock)
    : FClock(clock), FScoped(clock), FNow(clock.TickCount())
{
    // Time moves only while the GUI thread would otherwise sleep: when the
    // event loop is about to block, one step of virtual time is taken.
    FPump = new QTimer;
    FPump->setSingleShot(true);
    FPump->setInterval(0);
    QObject::connect(FPump, &QTimer::timeout, [this] { Pump(); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, FPump, [this] {
            if (!FEntries.empty() && !FPump->isActive())
                FPump->start();
        });
    gVirtual = this;
}

TVirtualTime::~TVirtualTime()
{
    for (Entry& e : FEntries) {
        if (e.Timer) {
            e.Timer->FEnabled = false;
            e.Timer->FVirtual = nullptr;
        }
    }
    FEntries.clear();
    delete FPump;
    if (gVirtual == this)
        gVirtual = nullptr;
}

TVirtualTime* TVirtualTime::Current()
{
    return gVirtual;
}

void TVirtualTime::Sync()
{
    const auto ahead = static_cast<std::int32_t>(FClock.TickCount() - static_cast<std::uint32_t>(FNow));
    if (ahead > 0)
        FNow += static_cast<std::uint64_t>(ahead);
}

void TVirtualTime::Add(Entry e)
{
    e.Seq = ++FSeq;
    FEntries.push_back(std::move(e));
}

void TVirtualTime::Arm(TRunTimer* timer)
{
    Sync();
    Add(Entry{FNow + static_cast<std::uint64_t>(timer->FInterval), 0, timer, {}});
}

void TVirtualTime::Disarm(TRunTimer* timer)
{
    FEntries.erase(std::remove_if(FEntries.begin(), FEntries.end(), [&](const Entry& e) { return e.Timer == timer; }),
                   FEntries.end());
}

void TVirtualTime::At(std::uint32_t tick, std::function<void()> action)
{
    Sync();
    const auto ahead = static_cast<std::int32_t>(tick - static_cast<std::uint32_t>(FNow));
    Add(Entry{FNow + static_cast<std::uint64_t>(std::max(ahead, 0)), 0, nullptr, std::move(action)});
}

void TVirtualTime::Every(std::uint32_t periodMs, std::function<bool()> action)
{
    Sync();
    At(static_cast<std::uint32_t>(FNow + periodMs), [this, periodMs, action] {
        if (action())
            Every(periodMs, action);
    });
}

void TVirtualTime::Pump()
{
    Sync();
    if (FEntries.empty())
        return;
    const auto next = std::min_element(FEntries.begin(), FEntries.end(), [](const Entry& a, const Entry& b) {
        return a.Due != b.Due ? a.Due < b.Due : a.Seq < b.Seq;
    });
    if (next->Due > FNow) {
        FNow = next->Due;
        FClock.Set(static_cast<std::uint32_t>(FNow));
    }
    if (TRunTimer* timer = next->Timer) {
        if (!timer->FSingleShot) {
            // Periodic: due again one interval on (at least 1 ms, so time moves).
            next->Due += static_cast<std::uint64_t>(std::max(timer->FInterval, 1));
            next->Seq = ++FSeq;
        }
        timer->Fire();
    } else {
        std::function<void()> action = std::move(next->Action);
        FEntries.erase(next);
        action();
    }
}

// ---------------------------------------------------------------------------
// Waits

void WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Delay(std::uint32_t Ms)
{
    const std::uint32_t start = platform::GetTickCount();
    // Wakes the wait at the deadline when nothing else happens before.
    TRunTimer wake(nullptr, 0, true);
    for (;;) {
        const std::uint32_t passed = platform::GetTickCount() - start;
        if (passed > Ms)
            return;
        wake.SetEnabled(false);
        const std::uint64_t left = std::uint64_t(Ms) - passed + 1;
        wake.SetInterval(static_cast<int>(std::min<std::uint64_t>(left, INT_MAX)));
        wake.SetEnabled(true);
        WaitForEvents();
    }
}

}  // namespace VelorTime
