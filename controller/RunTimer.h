#pragma once
// Timers and waits of the timed run, on the GUI thread.
//
// TRunTimer is a window timer: while enabled it runs OnTimer every Interval
// milliseconds (a single-shot timer disables itself first).  Enabling an
// enabled timer changes nothing.  On the real clock it is a precise QTimer.
//
// TVirtualTime replaces real time for tests: while one exists, every enabled
// TRunTimer is due at a time of a ManualClock, and whenever the event loop
// is about to sleep, the earliest due timer fires after the clock has been
// set to its due time (processing pending events moves no time).  Time jumps from one due time to the next, so a run of minutes takes
// milliseconds and every pin change happens at an exact clock time.  Timers
// due at the same time fire in the order they were armed.
//
// Delay and WaitForEvents are the waits of the run's nested message loops:
// they sleep in the event loop until something happens, so a waiting run
// costs no processor time.

#include <QObject>

#include <cstdint>
#include <functional>
#include <vector>

#include "Clock.h"

class QTimer;

namespace VelorTime {

class TVirtualTime;

class TRunTimer : public QObject {
public:
    explicit TRunTimer(QObject* parent = nullptr, int intervalMs = 1000, bool singleShot = false);
    ~TRunTimer() override;

    int Interval() const { return FInterval; }
    // Takes effect at the next enabling.
    void SetInterval(int ms);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on);
    bool SingleShot() const { return FSingleShot; }

    std::function<void()> OnTimer;

private:
    friend class TVirtualTime;
    void Fire();

    int FInterval;
    bool FSingleShot;
    bool FEnabled = false;
    QTimer* FTimer = nullptr;        // real clock
    TVirtualTime* FVirtual = nullptr;  // the virtual time it is armed on
};

class TVirtualTime {
public:
    // Installs `clock` as the tick clock and takes over every timer enabled
    // from now on.
    explicit TVirtualTime(platform::ManualClock& clock);
    ~TVirtualTime();
    TVirtualTime(const TVirtualTime&) = delete;
    TVirtualTime& operator=(const TVirtualTime&) = delete;

    // The installed virtual time, or null.
    static TVirtualTime* Current();

    // Runs `action` once the clock reaches `tick` (after the timers due then
    // that were armed earlier).  A past tick runs at the next turn.
    void At(std::uint32_t tick, std::function<void()> action);
    // Runs `action` every `periodMs` from now until it returns false.
    void Every(std::uint32_t periodMs, std::function<bool()> action);
    std::uint32_t Now() const { return FClock.TickCount(); }

private:
    friend class TRunTimer;
    struct Entry {
        std::uint64_t Due;
        std::uint64_t Seq;
        TRunTimer* Timer;                 // or null for an action
        std::function<void()> Action;
    };
    void Arm(TRunTimer* timer);
    void Disarm(TRunTimer* timer);
    void Add(Entry e);
    void Pump();
    // Takes over a move of the clock made by hand.
    void Sync();

    platform::ManualClock& FClock;
    platform::ScopedClock FScoped;
    std::uint64_t FNow;
    std::uint64_t FSeq = 0;
    std::vector<Entry> FEntries;
    QTimer* FPump = nullptr;
};

// Waits, processing events, until more than Ms milliseconds of the tick
// clock have passed since the call.
void Delay(std::uint32_t Ms);

// Processes pending events; when there are none, sleeps until one arrives.
void WaitForEvents();

}  // namespace VelorTime
