#include "Clock.h"

#include <sys/utsname.h>

#include <chrono>

namespace platform {
namespace {

class MonotonicClock final : public Clock {
public:
    std::uint32_t TickCount() override
    {
        using namespace std::chrono;
        const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
    }
};

Clock*& installed()
{
    static Clock* clock = nullptr;
    return clock;
}

struct Override {
    bool active = false;
    bool ok = false;
    VersionInfo info;
};

Override& versionOverride()
{
    static Override o;
    return o;
}

// Leading decimal number of `s`, advancing past it and one following '.'.
std::uint32_t takeNumber(const char*& s)
{
    std::uint32_t v = 0;
    while (*s >= '0' && *s <= '9') {
        v = v * 10 + static_cast<std::uint32_t>(*s - '0');
        ++s;
    }
    if (*s == '.')
        ++s;
    return v;
}

}  // namespace

Clock& SystemClock()
{
    static MonotonicClock clock;
    return clock;
}

Clock& CurrentClock()
{
    Clock* c = installed();
    return c ? *c : SystemClock();
}

Clock* SetClock(Clock* clock)
{
    Clock* previous = installed();
    installed() = clock;
    return previous;
}

std::uint32_t GetTickCount()
{
    return CurrentClock().TickCount();
}

bool GetVersionInfo(VersionInfo& info)
{
    const Override& o = versionOverride();
    if (o.active) {
        if (o.ok)
            info = o.info;
        return o.ok;
    }
    utsname u{};
    if (uname(&u) != 0)
        return false;
    // The kernel release reads "major.minor.patch-extra".
    const char* s = u.release;
    info.PlatformId = VER_PLATFORM_WIN32_NT;
    info.MajorVersion = takeNumber(s);
    info.MinorVersion = takeNumber(s);
    info.BuildNumber = takeNumber(s);
    return true;
}

void SetVersionInfoOverride(bool ok, const VersionInfo& info)
{
    versionOverride() = Override{true, ok, info};
}

void ClearVersionInfoOverride()
{
    versionOverride() = Override{};
}

}  // namespace platform
