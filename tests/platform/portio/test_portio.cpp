#include "Clock.h"
#include "PortIO.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace portio;
namespace fs = std::filesystem;

namespace {

class PortIO : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::Reset();
        dir_ = fs::temp_directory_path() / ("velor_portio_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        test::SetBackend(Backend::Simulated);
    }
    void TearDown() override
    {
        test::Reset();
        fs::remove_all(dir_);
    }
    std::string touch(const std::string& name)
    {
        const auto p = dir_ / name;
        std::ofstream(p) << "image";
        return p.string();
    }
    // A service "Smport" with the given image, through the manager.
    SC_HANDLE create(const std::string& image)
    {
        SC_HANDLE m = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        EXPECT_NE(m, 0u);
        SC_HANDLE svc = CreateServiceA(m, "Smport", "Smport", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
        manager_ = m;
        return svc;
    }
    static bool readByte(HANDLE h, std::uint32_t code, std::uint16_t port, std::uint8_t& value)
    {
        std::uint8_t in[2] = {std::uint8_t(port), std::uint8_t(port >> 8)};
        std::uint8_t out[2] = {0xEE, 0xEE};
        std::uint32_t n = 0;
        const bool ok = DeviceIoControl(h, code, in, 2, out, 2, &n, nullptr);
        value = out[0];
        return ok;
    }
    static bool writeByte(HANDLE h, std::uint32_t code, std::uint16_t port, std::uint8_t value)
    {
        std::uint8_t in[4] = {std::uint8_t(port), std::uint8_t(port >> 8), value, 0};
        std::uint8_t out[2];
        std::uint32_t n = 0;
        return DeviceIoControl(h, code, in, 4, out, 2, &n, nullptr);
    }

    fs::path dir_;
    SC_HANDLE manager_ = 0;
};

}  // namespace

TEST_F(PortIO, ServiceTableReportsExistsRunningAndNotActive)
{
    SC_HANDLE svc = create(touch("Smport.sys"));
    ASSERT_NE(svc, 0u);
    EXPECT_EQ(create(touch("Smport.sys")), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
    // Names compare without letter case.
    EXPECT_NE(OpenServiceA(manager_, "SMPORT", SERVICE_ALL_ACCESS), 0u);

    ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
    EXPECT_TRUE(test::FindService("Smport")->Running);
    EXPECT_FALSE(StartServiceA(svc, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);

    SERVICE_STATUS status;
    ASSERT_TRUE(ControlService(svc, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
    EXPECT_FALSE(ControlService(svc, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);

    ASSERT_TRUE(DeleteService(svc));
    EXPECT_FALSE(test::FindService("Smport"));
    EXPECT_EQ(OpenServiceA(manager_, "Smport", SERVICE_ALL_ACCESS), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_TRUE(CloseServiceHandle(svc));
    EXPECT_FALSE(CloseServiceHandle(svc));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(PortIO, DriverWithoutImageFileDoesNotStart)
{
    SC_HANDLE svc = create((dir_ / "missing.sys").string());
    ASSERT_NE(svc, 0u);
    EXPECT_FALSE(StartServiceA(svc, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(test::FindService("Smport")->Running);
}

TEST_F(PortIO, RunningServiceDeletedOnlyOnceStopped)
{
    SC_HANDLE svc = create(touch("Smport.sys"));
    ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
    ASSERT_TRUE(DeleteService(svc));
    EXPECT_TRUE(test::FindService("Smport")->MarkedForDelete);
    EXPECT_EQ(create(touch("Smport.sys")), 0u);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
    ASSERT_TRUE(ControlService(svc, SERVICE_CONTROL_STOP, nullptr));
    EXPECT_FALSE(test::FindService("Smport"));
}

TEST_F(PortIO, InjectedFailureHitsOnlyTheNextCall)
{
    test::FailNext(test::Call::OpenSCManager, ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_NE(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), 0u);
}

TEST_F(PortIO, DriverDeviceExistsOnlyWhileItsServiceRuns)
{
    EXPECT_EQ(CreateFileA("\\\\.\\Smport", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SC_HANDLE svc = create(touch("Smport.sys"));
    EXPECT_EQ(CreateFileA("\\\\.\\Smport", 0, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
    const HANDLE h = CreateFileA("\\\\.\\Smport", 0, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(PortIO, DeviceNamesAcceptedAndRefused)
{
    struct Case {
        const char* name;
        bool opens;
    } cases[] = {
        {"\\\\.\\smport.vxd", true},
        {"\\\\.\\SMPORT.VXD", true},
        {"\\\\.\\/usr/lib/velor/smport.vxd", true},
        {"\\\\.\\C:\\WINDOWS\\SYSTEM\\smport.vxd", true},
        {"smport.vxd", false},
        {"\\\\.\\other.vxd", false},
        {"\\\\.\\", false},
    };
    for (const auto& c : cases) {
        const HANDLE h = CreateFileA(c.name, 0, 0, nullptr, 0, 0, 0);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.name;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        else
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << c.name;
    }
}

TEST_F(PortIO, SimulatedPortKeepsRegistersAndRecordsWritesWithClockTime)
{
    platform::ManualClock clock(5000);
    platform::ScopedClock use(clock);
    const HANDLE h = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(writeByte(h, VXD_WRITE_PORT_UCHAR, 0x378, 0x05));
    clock.Advance(100);
    ASSERT_TRUE(writeByte(h, VXD_WRITE_PORT_UCHAR, 0x278, 0xA0));
    std::uint8_t v = 0;
    ASSERT_TRUE(readByte(h, VXD_READ_PORT_UCHAR, 0x378, v));
    EXPECT_EQ(v, 0x05);
    ASSERT_TRUE(readByte(h, VXD_READ_PORT_UCHAR, 0x278, v));
    EXPECT_EQ(v, 0xA0);
    EXPECT_EQ(sim::Writes(), (std::vector<PortWrite>{{0x378, 0x05, 5000}, {0x278, 0xA0, 5100}}));
    // The register outlives the handle: it is the port's latch.
    CloseHandle(h);
    EXPECT_EQ(sim::Register(0x378), 0x05);
    const HANDLE h2 = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    ASSERT_TRUE(readByte(h2, VXD_READ_PORT_UCHAR, 0x378, v));
    EXPECT_EQ(v, 0x05);
    CloseHandle(h2);
}

TEST_F(PortIO, DeviceRefusesForeignCodesShortBuffersAndOtherAddresses)
{
    SC_HANDLE svc = create(touch("Smport.sys"));
    ASSERT_TRUE(StartServiceA(svc, 0, nullptr));
    const HANDLE nt = CreateFileA("\\\\.\\Smport", 0, 0, nullptr, 0, 0, 0);
    const HANDLE vxd = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    std::uint8_t v = 0;
    EXPECT_TRUE(readByte(nt, IOCTL_READ_PORT_UCHAR, 0x378, v));
    EXPECT_FALSE(readByte(nt, VXD_READ_PORT_UCHAR, 0x378, v));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(writeByte(vxd, IOCTL_WRITE_PORT_UCHAR, 0x378, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    // The word-size codes are not served.
    EXPECT_FALSE(readByte(nt, 0xF100640C, 0x378, v));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);

    EXPECT_FALSE(writeByte(nt, IOCTL_WRITE_PORT_UCHAR, 0x3BC, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    std::uint8_t in[2] = {0x78, 0x03};
    std::uint8_t out[2];
    std::uint32_t n = 0;
    EXPECT_FALSE(DeviceIoControl(nt, IOCTL_WRITE_PORT_UCHAR, in, 2, out, 2, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DeviceIoControl(nt, IOCTL_READ_PORT_UCHAR, in, 2, out, 0, &n, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_TRUE(sim::Writes().empty());
    CloseHandle(nt);
    CloseHandle(vxd);
    EXPECT_FALSE(readByte(nt, IOCTL_READ_PORT_UCHAR, 0x378, v));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(PortIO, PpdevBackendReportsMissingAndUnusableDevices)
{
    test::SetBackend(Backend::Ppdev);
    test::SetPpdevPaths((dir_ / "parport0").string(), (dir_ / "parport1").string());
    EXPECT_EQ(CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    // A file that is no parallel port opens, but its requests fail.
    touch("parport0");
    const HANDLE h = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t v = 0;
    EXPECT_FALSE(readByte(h, VXD_READ_PORT_UCHAR, 0x378, v));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    // LPT2's device is missing.
    EXPECT_FALSE(writeByte(h, VXD_WRITE_PORT_UCHAR, 0x278, 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    CloseHandle(h);
}

TEST_F(PortIO, EnvironmentChoosesTheSimulatedPort)
{
    test::SetBackend(std::nullopt);
    struct Case {
        const char* value;
        Backend expected;
    } cases[] = {{"sim", Backend::Simulated}, {"Simulated", Backend::Simulated}, {"ppdev", Backend::Ppdev},
                 {"", Backend::Ppdev}, {nullptr, Backend::Ppdev}};
    for (const auto& c : cases) {
        if (c.value)
            ::setenv(BackendVariable, c.value, 1);
        else
            ::unsetenv(BackendVariable);
        EXPECT_EQ(SelectedBackend(), c.expected) << (c.value ? c.value : "(unset)");
    }
    ::unsetenv(BackendVariable);
}

TEST_F(PortIO, FolderQueriesFollowTheBufferContract)
{
    char small[4];
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), cwd.size() + 1);
    char buf[4096];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buf, buf), cwd.size());
    EXPECT_EQ(std::string(buf), cwd);

    // By default the system folder is the program's own.
    ASSERT_GT(GetSystemDirectoryA(buf, sizeof buf), 0u);
    EXPECT_EQ(std::string(buf), fs::read_symlink("/proc/self/exe").parent_path().string());
    test::SetSystemDirectory(dir_.string());
    EXPECT_EQ(GetSystemDirectoryA(buf, sizeof buf), dir_.string().size());
    EXPECT_EQ(std::string(buf), dir_.string());

    EXPECT_FALSE(FileExists((dir_ / "Smport.sys").string()));
    EXPECT_TRUE(FileExists(touch("Smport.sys")));
    EXPECT_FALSE(FileExists(dir_.string()));
}

TEST_F(PortIO, WriteRecordKeepsTheNewestWrites)
{
    const HANDLE h = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    const std::size_t total = sim::MaxRecordedWrites + 3;
    for (std::size_t i = 0; i < total; ++i)
        writeByte(h, VXD_WRITE_PORT_UCHAR, 0x378, std::uint8_t(i));
    const auto writes = sim::Writes();
    ASSERT_EQ(writes.size(), sim::MaxRecordedWrites);
    EXPECT_EQ(writes.front().Value, std::uint8_t(3));
    EXPECT_EQ(writes.back().Value, std::uint8_t(total - 1));
    CloseHandle(h);
}
