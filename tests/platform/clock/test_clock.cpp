#include "Clock.h"

#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace platform;

TEST(TickClock, SystemClockIsMonotonicMilliseconds)
{
    const auto wall0 = std::chrono::steady_clock::now();
    const std::uint32_t t0 = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t t1 = GetTickCount();
    const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - wall0).count();
    const std::uint32_t elapsed = t1 - t0;   // unsigned difference survives a wrap
    EXPECT_GE(elapsed, 19u);
    EXPECT_LE(elapsed, std::uint32_t(wallMs) + 1);
}

TEST(TickClock, InstalledClockDrivesGetTickCountAndIsRestored)
{
    ManualClock manual(1000);
    {
        ScopedClock use(manual);
        EXPECT_EQ(GetTickCount(), 1000u);
        manual.Advance(250);
        EXPECT_EQ(GetTickCount(), 1250u);
        EXPECT_EQ(&CurrentClock(), &manual);
        // Nested installation restores the outer one.
        ManualClock inner(7);
        {
            ScopedClock use2(inner);
            EXPECT_EQ(GetTickCount(), 7u);
        }
        EXPECT_EQ(GetTickCount(), 1250u);
    }
    EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(TickClock, ManualClockWrapsAt32Bits)
{
    ManualClock c(0xFFFFFFF0u);
    c.Advance(0x20);
    EXPECT_EQ(c.TickCount(), 0x10u);
    // Elapsed time across the wrap is still right in unsigned arithmetic.
    EXPECT_EQ(c.TickCount() - 0xFFFFFFF0u, 0x20u);
}

TEST(PlatformVersion, ReportsNtFamilyWithKernelVersion)
{
    VersionInfo info;
    ASSERT_TRUE(GetVersionInfo(info));
    EXPECT_EQ(info.PlatformId, VER_PLATFORM_WIN32_NT);
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    char* end = nullptr;
    const unsigned long major = std::strtoul(u.release, &end, 10);
    const unsigned long minor = std::strtoul(end + 1, nullptr, 10);
    EXPECT_EQ(info.MajorVersion, major);
    EXPECT_EQ(info.MinorVersion, minor);
}

TEST(PlatformVersion, OverrideReplacesAndFailsOnRequest)
{
    VersionInfo fake;
    fake.PlatformId = VER_PLATFORM_WIN32_WINDOWS;
    fake.MajorVersion = 4;
    fake.MinorVersion = 10;
    SetVersionInfoOverride(true, fake);
    VersionInfo got;
    ASSERT_TRUE(GetVersionInfo(got));
    EXPECT_EQ(got.PlatformId, 1u);
    EXPECT_EQ(got.MinorVersion, 10u);
    SetVersionInfoOverride(false, fake);
    EXPECT_FALSE(GetVersionInfo(got));
    ClearVersionInfoOverride();
    ASSERT_TRUE(GetVersionInfo(got));
    EXPECT_EQ(got.PlatformId, VER_PLATFORM_WIN32_NT);
}
