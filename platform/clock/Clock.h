#pragma once
// Millisecond tick clock and platform information.
//
// GetTickCount() returns milliseconds since an arbitrary start, wrapping at
// 2^32, from the clock currently installed: the monotonic system clock unless
// a test installs its own (ManualClock) with SetClock or ScopedClock.

#include <cstdint>
#include <string>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() = 0;
};

// The monotonic system clock.
Clock& SystemClock();
// The installed clock (the system clock by default).
Clock& CurrentClock();
// Installs `clock` (nullptr: the system clock again); returns the previous one.
Clock* SetClock(Clock* clock);

// Milliseconds from the installed clock, wrapping at 2^32.
std::uint32_t GetTickCount();

// A clock that moves only when told to.
class ManualClock : public Clock {
public:
    explicit ManualClock(std::uint32_t start = 0) : now_(start) {}
    std::uint32_t TickCount() override { return now_; }
    void Set(std::uint32_t ms) { now_ = ms; }
    void Advance(std::uint32_t ms) { now_ += ms; }   // wraps at 2^32

private:
    std::uint32_t now_;
};

// Installs a clock for the lifetime of the object.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) : previous_(SetClock(&clock)) {}
    ~ScopedClock() { SetClock(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

// Operating system version information.  This machine always reports the NT
// family (platform id 2); major and minor come from the running kernel.
struct VersionInfo {
    std::uint32_t PlatformId = 0;
    std::uint32_t MajorVersion = 0;
    std::uint32_t MinorVersion = 0;
    std::uint32_t BuildNumber = 0;
};
constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// False when the version cannot be read.
bool GetVersionInfo(VersionInfo& info);

// Tests replace the answer of GetVersionInfo: `ok` false makes it fail.
void SetVersionInfoOverride(bool ok, const VersionInfo& info);
void ClearVersionInfoOverride();

}  // namespace platform
