// The parallel-port component against the port-I/O layer: both open paths,
// the service bookkeeping, the request bytes and codes the device receives,
// and the status fields after every kind of failure.

#include "Clock.h"
#include "PortIO.h"
#include "SmallPort.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using portio::test::DeviceRequest;

namespace {

platform::VersionInfo Version(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor)
{
    platform::VersionInfo v;
    v.PlatformId = platformId;
    v.MajorVersion = major;
    v.MinorVersion = minor;
    return v;
}

// Each test runs in a folder of its own (the current directory), with the
// simulated port, an empty service table and a system folder of its own.
class SmallPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        portio::test::Reset();
        portio::test::SetBackend(portio::Backend::Simulated);
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root_ = fs::temp_directory_path() / ("velor_smallport_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(root_);
        fs::create_directories(root_ / "cwd");
        fs::create_directories(root_ / "system");
        previousCwd_ = fs::current_path();
        fs::current_path(root_ / "cwd");
        portio::test::SetSystemDirectory((root_ / "system").string());
        portio::test::RecordRequests(true);
    }
    void TearDown() override
    {
        platform::ClearVersionInfoOverride();
        portio::test::Reset();
        fs::current_path(previousCwd_);
        fs::remove_all(root_);
    }
    void UseKind(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor = 0)
    {
        platform::SetVersionInfoOverride(true, Version(platformId, major, minor));
    }
    void UseNT4() { UseKind(platform::VER_PLATFORM_WIN32_NT, 4); }
    std::string PutImage(const char* folder)
    {
        const auto p = root_ / folder / "Smport.sys";
        std::ofstream(p) << "driver";
        return p.string();
    }
    // Creates (and optionally starts) "Smport" as another program would.
    void ForeignService(bool start)
    {
        const std::string image = PutImage("system");
        const auto m = portio::OpenSCManagerA(nullptr, nullptr, portio::SC_MANAGER_ALL_ACCESS);
        const auto s = portio::CreateServiceA(m, "Smport", "Smport", portio::SERVICE_ALL_ACCESS,
                                              portio::SERVICE_KERNEL_DRIVER, portio::SERVICE_DEMAND_START,
                                              portio::SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr,
                                              nullptr, nullptr, nullptr);
        ASSERT_NE(s, 0u);
        if (start) {
            ASSERT_TRUE(portio::StartServiceA(s, 0, nullptr));
        }
        portio::CloseServiceHandle(s);
        portio::CloseServiceHandle(m);
    }
    static std::optional<portio::test::ServiceInfo> Service() { return portio::test::FindService("Smport"); }

    fs::path root_;
    fs::path previousCwd_;
};

}  // namespace

TEST_F(SmallPortTest, WindowsKindsFromThePlatformInformation)
{
    using platform::VER_PLATFORM_WIN32_NT;
    using platform::VER_PLATFORM_WIN32_WINDOWS;
    using platform::VER_PLATFORM_WIN32s;
    struct Case {
        std::uint32_t id, major, minor;
        int kind;
    } cases[] = {
        {VER_PLATFORM_WIN32s, 3, 10, 1},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 2},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 3},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 6},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 3, 0},
        {VER_PLATFORM_WIN32_NT, 4, 0, 4},
        {VER_PLATFORM_WIN32_NT, 5, 1, 5},
        {VER_PLATFORM_WIN32_NT, 3, 51, 0},
        {VER_PLATFORM_WIN32_NT, 6, 0, 0},
        {3, 5, 0, 0},
    };
    for (const auto& c : cases) {
        UseKind(c.id, c.major, c.minor);
        EXPECT_EQ(TSmallPort::GetOSKind(), c.kind) << c.id << " " << c.major << "." << c.minor;
        TSmallPort port;
        EXPECT_EQ(port.OSKind(), c.kind);
        const bool nt = c.kind == 4 || c.kind == 5;
        const std::array<std::uint32_t, 6> expected =
            nt ? std::array<std::uint32_t, 6>{0xF1006404, 0xF100A408, 0xF100640C, 0xF100A410, 0xF1006414, 0xF100A418}
               : std::array<std::uint32_t, 6>{2, 3, 4, 5, 6, 7};
        EXPECT_EQ(port.CtlCodes(), expected) << c.kind;
    }
    platform::SetVersionInfoOverride(false, {});
    EXPECT_EQ(TSmallPort::GetOSKind(), 0);
}

TEST_F(SmallPortTest, CreationOpensNothing)
{
    UseNT4();
    TSmallPort port;
    EXPECT_FALSE(port.Opened());
    EXPECT_EQ(port.DriverHandle(), 0xFFFFFFFFu);
    EXPECT_EQ(port.ServiceName(), "Smport");
    EXPECT_FALSE(port.LastOK());
    EXPECT_EQ(port.LastError(), 0u);
    EXPECT_FALSE(port.WeInstalled());
    EXPECT_FALSE(port.WeStarted());
    EXPECT_FALSE(Service());
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);
}

TEST_F(SmallPortTest, ClosedComponentReadsZeroAndSendsNothing)
{
    TSmallPort port;
    portio::sim::SetRegister(0x378, 0x5A);
    EXPECT_EQ(port.ReadPort(0x378), 0);
    EXPECT_FALSE(port.LastOK());
    EXPECT_EQ(port.LastError(), 6u);

    // After a successful call the closed-port values come back.
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.ReadPort(0x378), 0x5A);
    EXPECT_TRUE(port.LastOK());
    port.Close();
    port.WritePort(0x378, 0xFF);
    EXPECT_FALSE(port.LastOK());
    EXPECT_EQ(port.LastError(), 6u);
    EXPECT_EQ(portio::sim::Register(0x378), 0x5A);
    EXPECT_TRUE(portio::sim::Writes().empty());
    EXPECT_EQ(portio::test::RecordedRequests().size(), 1u);   // only the read while open
}

TEST_F(SmallPortTest, VirtualDevicePathSendsCodesTwoAndThree)
{
    // Kind 0 (an NT version above 5) takes this path like the 9x kinds.
    UseKind(platform::VER_PLATFORM_WIN32_NT, 6, 1);
    platform::ManualClock clock(1234);
    platform::ScopedClock use(clock);
    TSmallPort port;
    ASSERT_TRUE(port.Open());
    EXPECT_FALSE(Service());   // no service on this path
    portio::sim::SetRegister(0x278, 0x81);
    EXPECT_EQ(port.ReadPort(0x278), 0x81);
    port.WritePort(0x378, 0xA5);
    EXPECT_TRUE(port.LastOK());
    EXPECT_EQ(portio::test::RecordedRequests(),
              (std::vector<DeviceRequest>{{2, {0x78, 0x02}, 2}, {3, {0x78, 0x03, 0xA5, 0x00}, 2}}));
    EXPECT_EQ(portio::sim::Writes(), (std::vector<portio::PortWrite>{{0x378, 0xA5, 1234}}));
}

TEST_F(SmallPortTest, VirtualDeviceTriesTheSystemFolderName)
{
    UseKind(platform::VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    TSmallPort port;
    portio::test::FailNext(portio::test::Call::CreateFile, portio::ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(port.Open());

    // With no port device behind either name the open fails with its error.
    port.Close();
    portio::test::SetBackend(portio::Backend::Ppdev);
    portio::test::SetPpdevPaths((root_ / "none0").string(), (root_ / "none1").string());
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.Opened());
    EXPECT_EQ(port.LastError(), portio::ERROR_FILE_NOT_FOUND);
}

TEST_F(SmallPortTest, NtPathInstallsStartsAndUsesTheDriverDevice)
{
    for (std::uint32_t major : {4u, 5u}) {
        SCOPED_TRACE(major);
        portio::test::Reset();
        portio::test::SetBackend(portio::Backend::Simulated);
        portio::test::SetSystemDirectory((root_ / "system").string());
        portio::test::RecordRequests(true);
        UseKind(platform::VER_PLATFORM_WIN32_NT, major);
        const std::string image = PutImage("cwd");
        {
            TSmallPort port;
            ASSERT_TRUE(port.Open());
            EXPECT_EQ(port.LastError(), 0u);
            EXPECT_TRUE(port.WeInstalled());
            EXPECT_TRUE(port.WeStarted());
            const auto svc = Service();
            ASSERT_TRUE(svc);
            EXPECT_EQ(svc->ImagePath, fs::current_path().string() + "/Smport.sys");
            EXPECT_EQ(svc->DisplayName, "Smport");
            EXPECT_EQ(svc->Type, portio::SERVICE_KERNEL_DRIVER);
            EXPECT_EQ(svc->StartType, portio::SERVICE_DEMAND_START);
            EXPECT_TRUE(svc->Running);
            // The manager is held only inside Open: one handle, the device.
            EXPECT_EQ(portio::test::OpenHandleCount(), 1);

            portio::sim::SetRegister(0x378, 0x07);
            EXPECT_EQ(port.ReadPort(0x378), 0x07);
            port.WritePort(0x278, 0x10);
            EXPECT_EQ(portio::test::RecordedRequests(),
                      (std::vector<DeviceRequest>{{0xF1006404, {0x78, 0x03}, 2},
                                                  {0xF100A408, {0x78, 0x02, 0x10, 0x00}, 2}}));
        }
        // Destruction stops and deletes what this instance started and created.
        EXPECT_FALSE(Service());
        EXPECT_EQ(portio::test::OpenHandleCount(), 0);
        fs::remove(image);
    }
}

TEST_F(SmallPortTest, ImageFoundInTheSystemFolderWhenNotInTheCurrentOne)
{
    UseNT4();
    const std::string image = PutImage("system");
    TSmallPort port;
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(Service()->ImagePath, image);
}

TEST_F(SmallPortTest, MissingImageFailsTheStartButTheCreatedServiceIsDeleted)
{
    UseNT4();
    {
        TSmallPort port;
        EXPECT_FALSE(port.Open());
        EXPECT_FALSE(port.Opened());
        EXPECT_EQ(port.LastError(), portio::ERROR_FILE_NOT_FOUND);
        EXPECT_TRUE(port.WeInstalled());
        EXPECT_FALSE(port.WeStarted());
        const auto svc = Service();
        ASSERT_TRUE(svc);
        // Created with the system-folder path although no file is there.
        EXPECT_EQ(svc->ImagePath, (root_ / "system" / "Smport.sys").string());
        EXPECT_FALSE(svc->Running);
        EXPECT_EQ(portio::test::OpenHandleCount(), 0);
    }
    EXPECT_FALSE(Service());
}

TEST_F(SmallPortTest, StartErrorOtherThanAlreadyRunningIsReported)
{
    UseNT4();
    PutImage("cwd");
    TSmallPort port;
    portio::test::FailNext(portio::test::Call::StartService, portio::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LastError(), portio::ERROR_ACCESS_DENIED);
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);
}

TEST_F(SmallPortTest, ReopeningOpensAgainAndForgetsWhatItInstalled)
{
    UseNT4();
    PutImage("cwd");
    {
        TSmallPort port;
        ASSERT_TRUE(port.Open());
        const auto first = port.DriverHandle();
        // Open on an open component closes the handle and opens again.
        ASSERT_TRUE(port.Open());
        EXPECT_NE(port.DriverHandle(), first);
        EXPECT_EQ(portio::test::OpenHandleCount(), 1);
        // The second Open found the service existing and running.
        EXPECT_FALSE(port.WeInstalled());
        EXPECT_FALSE(port.WeStarted());
        port.Close();
        EXPECT_FALSE(port.Opened());
        ASSERT_TRUE(port.Open());
        EXPECT_FALSE(port.WeInstalled());
        EXPECT_FALSE(port.WeStarted());
    }
    // So destruction leaves the service installed and running.
    const auto svc = Service();
    ASSERT_TRUE(svc);
    EXPECT_TRUE(svc->Running);
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);
}

TEST_F(SmallPortTest, ForeignServiceIsLeftAsItWas)
{
    UseNT4();
    struct Case {
        bool running;
        bool weStarted;
    } cases[] = {{true, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.running);
        portio::test::Reset();
        portio::test::SetBackend(portio::Backend::Simulated);
        portio::test::SetSystemDirectory((root_ / "system").string());
        ForeignService(c.running);
        {
            TSmallPort port;
            ASSERT_TRUE(port.Open());
            EXPECT_FALSE(port.WeInstalled());
            EXPECT_EQ(port.WeStarted(), c.weStarted);
        }
        // Still installed; stopped again only when this instance started it.
        const auto svc = Service();
        ASSERT_TRUE(svc);
        EXPECT_EQ(svc->Running, c.running);
    }
    // A component that never opened leaves a running service alone.
    { TSmallPort idle; }
    EXPECT_TRUE(Service());
}

TEST_F(SmallPortTest, ServiceManagerAndCreationFailuresEndOpen)
{
    UseNT4();
    PutImage("cwd");
    TSmallPort port;
    portio::test::FailNext(portio::test::Call::OpenSCManager, portio::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LastError(), portio::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Service());

    portio::test::FailNext(portio::test::Call::CreateService, portio::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LastError(), portio::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(port.WeInstalled());
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);   // the manager was closed

    // The device does not open although the service runs.
    portio::test::FailNext(portio::test::Call::CreateFile, portio::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LastError(), portio::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Service()->Running);
}

TEST_F(SmallPortTest, OpenedToggles)
{
    TSmallPort port;
    port.SetOpened(false);   // the value is ignored: a closed component opens
    EXPECT_TRUE(port.Opened());
    port.SetOpened(true);    // and an open one closes
    EXPECT_FALSE(port.Opened());
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);
}

TEST_F(SmallPortTest, FailingDeviceCallSetsTheStatusFields)
{
    TSmallPort port;
    ASSERT_TRUE(port.Open());
    portio::sim::SetRegister(0x378, 0x33);
    EXPECT_EQ(port.ReadPort(0x3BC), 0);   // no such port behind the device
    EXPECT_FALSE(port.LastOK());
    EXPECT_EQ(port.LastError(), portio::ERROR_INVALID_PARAMETER);
    portio::test::FailNext(portio::test::Call::DeviceIoControl, portio::ERROR_GEN_FAILURE);
    port.WritePort(0x378, 0x01);
    EXPECT_FALSE(port.LastOK());
    EXPECT_EQ(port.LastError(), portio::ERROR_GEN_FAILURE);
    EXPECT_EQ(portio::sim::Register(0x378), 0x33);
    // Success sets LastOK and keeps the last error.
    EXPECT_EQ(port.ReadPort(0x378), 0x33);
    EXPECT_TRUE(port.LastOK());
    EXPECT_EQ(port.LastError(), portio::ERROR_GEN_FAILURE);
}

TEST_F(SmallPortTest, OwnerDestroysTheComponent)
{
    UseNT4();
    PutImage("cwd");
    auto owner = std::make_unique<QObject>();
    auto* port = new TSmallPort(owner.get());
    ASSERT_TRUE(port->Open());
    owner.reset();
    EXPECT_FALSE(Service());
    EXPECT_EQ(portio::test::OpenHandleCount(), 0);
}
