#include "PortIO.h"

#include "Clock.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace portio {
namespace {

thread_local std::uint32_t tLastError = ERROR_SUCCESS;

bool fail(std::uint32_t error)
{
    tLastError = error;
    return false;
}

bool sameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Windows error code for an errno from the device files.
std::uint32_t errorFromErrno(int e)
{
    switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EBUSY:
        return ERROR_BUSY;
    case ENOTTY:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// Register index of a data-register address: 0 for LPT1, 1 for LPT2.
int portIndex(std::uint16_t port)
{
    if (port == 0x378)
        return 0;
    if (port == 0x278)
        return 1;
    return -1;
}

// One opened port device.
class Device {
public:
    virtual ~Device() = default;
    // false with the error code in `error`
    virtual bool Read(std::uint16_t port, std::uint8_t& value, std::uint32_t& error) = 0;
    virtual bool Write(std::uint16_t port, std::uint8_t value, std::uint32_t& error) = 0;
    bool Vxd = false;
};

struct SimState {
    std::uint8_t regs[2] = {0, 0};
    std::deque<PortWrite> writes;
};

struct ScHandle {
    bool Manager = false;
    std::string Service;   // service handles only
};

struct State {
    std::mutex m;
    std::vector<test::ServiceInfo> services;
    std::map<std::uint32_t, ScHandle> scHandles;
    std::map<HANDLE, std::unique_ptr<Device>> devices;
    std::uint32_t nextHandle = 0x100;
    std::optional<Backend> backend;
    std::optional<std::string> systemDir;
    std::string ppdevPaths[2] = {"/dev/parport0", "/dev/parport1"};
    std::map<test::Call, std::uint32_t> failNext;
    bool recording = false;
    std::vector<test::DeviceRequest> requests;
    SimState sim;

    std::uint32_t newHandle()
    {
        for (;;) {
            const std::uint32_t h = nextHandle++;
            if (h != 0 && h != INVALID_HANDLE_VALUE && !scHandles.count(h) && !devices.count(h))
                return h;
        }
    }
    test::ServiceInfo* find(const std::string& name)
    {
        for (auto& s : services)
            if (sameText(s.Name, name))
                return &s;
        return nullptr;
    }
    void remove(std::string name)   // by value: it may name an element being removed
    {
        services.erase(std::remove_if(services.begin(), services.end(),
                                      [&](const test::ServiceInfo& s) { return sameText(s.Name, name); }),
                       services.end());
    }
    // True (and the error set) when a failure was injected for `call`.
    bool injected(test::Call call)
    {
        auto it = failNext.find(call);
        if (it == failNext.end())
            return false;
        tLastError = it->second;
        failNext.erase(it);
        return true;
    }
};

State& state()
{
    static State s;
    return s;
}

class SimulatedDevice final : public Device {
public:
    bool Read(std::uint16_t port, std::uint8_t& value, std::uint32_t& error) override
    {
        const int i = portIndex(port);
        if (i < 0) {
            error = ERROR_INVALID_PARAMETER;
            return false;
        }
        value = state().sim.regs[i];
        return true;
    }
    bool Write(std::uint16_t port, std::uint8_t value, std::uint32_t& error) override
    {
        const int i = portIndex(port);
        if (i < 0) {
            error = ERROR_INVALID_PARAMETER;
            return false;
        }
        SimState& sim = state().sim;
        sim.regs[i] = value;
        sim.writes.push_back(PortWrite{port, value, platform::GetTickCount()});
        if (sim.writes.size() > sim::MaxRecordedWrites)
            sim.writes.pop_front();
        return true;
    }
};

class PpdevDevice final : public Device {
public:
    // Opens the device files; false with the error of the first when none opens.
    bool Open(const std::string (&paths)[2], std::uint32_t& error)
    {
        for (int i = 0; i < 2; ++i) {
            fd_[i] = ::open(paths[i].c_str(), O_RDWR | O_CLOEXEC);
            openErrno_[i] = fd_[i] < 0 ? errno : 0;
        }
        if (fd_[0] < 0 && fd_[1] < 0) {
            error = errorFromErrno(openErrno_[0]);
            return false;
        }
        return true;
    }
    ~PpdevDevice() override
    {
        for (int i = 0; i < 2; ++i) {
            if (fd_[i] < 0)
                continue;
            if (claimed_[i])
                ::ioctl(fd_[i], PPRELEASE);
            ::close(fd_[i]);
        }
    }
    bool Read(std::uint16_t port, std::uint8_t& value, std::uint32_t& error) override
    {
        const int i = claim(port, error);
        if (i < 0)
            return false;
        unsigned char v = 0;
        if (::ioctl(fd_[i], PPRDATA, &v) != 0) {
            error = errorFromErrno(errno);
            return false;
        }
        value = v;
        return true;
    }
    bool Write(std::uint16_t port, std::uint8_t value, std::uint32_t& error) override
    {
        const int i = claim(port, error);
        if (i < 0)
            return false;
        unsigned char v = value;
        if (::ioctl(fd_[i], PPWDATA, &v) != 0) {
            error = errorFromErrno(errno);
            return false;
        }
        return true;
    }

private:
    // Index of the claimed port of `port`, or -1 with the error set.
    int claim(std::uint16_t port, std::uint32_t& error)
    {
        const int i = portIndex(port);
        if (i < 0) {
            error = ERROR_INVALID_PARAMETER;
            return -1;
        }
        if (fd_[i] < 0) {
            error = errorFromErrno(openErrno_[i]);
            return -1;
        }
        if (!claimed_[i]) {
            if (::ioctl(fd_[i], PPCLAIM) != 0) {
                error = errorFromErrno(errno);
                return -1;
            }
            claimed_[i] = true;
        }
        return i;
    }

    int fd_[2] = {-1, -1};
    int openErrno_[2] = {0, 0};
    bool claimed_[2] = {false, false};
};

// Copies `text` into a caller's buffer with the usual length contract.
std::uint32_t copyOut(const std::string& text, char* buffer, std::uint32_t size)
{
    const auto needed = static_cast<std::uint32_t>(text.size() + 1);
    if (buffer == nullptr || size < needed)
        return needed;
    std::memcpy(buffer, text.c_str(), needed);
    return needed - 1;
}

std::string lastComponent(const std::string& path)
{
    const auto cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

Backend backendFromEnvironment()
{
    const char* v = std::getenv(BackendVariable);
    if (v != nullptr && (sameText(v, "sim") || sameText(v, "simulated")))
        return Backend::Simulated;
    return Backend::Ppdev;
}

}  // namespace

std::uint32_t GetLastError()
{
    return tLastError;
}

void SetLastError(std::uint32_t error)
{
    tLastError = error;
}

SC_HANDLE OpenSCManagerA(const char*, const char*, std::uint32_t)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(test::Call::OpenSCManager))
        return 0;
    const std::uint32_t h = s.newHandle();
    s.scHandles[h] = ScHandle{true, {}};
    return h;
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, const char* serviceName, const char* displayName, std::uint32_t,
                         std::uint32_t serviceType, std::uint32_t startType, std::uint32_t, const char* binaryPathName,
                         const char*, std::uint32_t*, const char*, const char*, const char*)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(test::Call::CreateService))
        return 0;
    auto it = s.scHandles.find(manager);
    if (it == s.scHandles.end() || !it->second.Manager)
        return fail(ERROR_INVALID_HANDLE), 0;
    if (serviceName == nullptr || *serviceName == '\0' || binaryPathName == nullptr)
        return fail(ERROR_INVALID_PARAMETER), 0;
    if (const auto* existing = s.find(serviceName))
        return fail(existing->MarkedForDelete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS), 0;
    test::ServiceInfo info;
    info.Name = serviceName;
    info.DisplayName = displayName ? displayName : serviceName;
    info.ImagePath = binaryPathName;
    info.Type = serviceType;
    info.StartType = startType;
    s.services.push_back(info);
    const std::uint32_t h = s.newHandle();
    s.scHandles[h] = ScHandle{false, info.Name};
    return h;
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* serviceName, std::uint32_t)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(test::Call::OpenService))
        return 0;
    auto it = s.scHandles.find(manager);
    if (it == s.scHandles.end() || !it->second.Manager)
        return fail(ERROR_INVALID_HANDLE), 0;
    const auto* service = serviceName ? s.find(serviceName) : nullptr;
    if (service == nullptr)
        return fail(ERROR_SERVICE_DOES_NOT_EXIST), 0;
    const std::uint32_t h = s.newHandle();
    s.scHandles[h] = ScHandle{false, service->Name};
    return h;
}

namespace {

// The service of a service handle, or null with the error set.
test::ServiceInfo* serviceOf(State& s, SC_HANDLE handle)
{
    auto it = s.scHandles.find(handle);
    if (it == s.scHandles.end() || it->second.Manager) {
        fail(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* service = s.find(it->second.Service);
    if (service == nullptr)
        fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    return service;
}

// Runs `action` on the service of a service handle, under the table's lock.
template <class Action>
bool onService(test::Call call, SC_HANDLE handle, Action&& action)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(call))
        return false;
    auto* info = serviceOf(s, handle);
    return info != nullptr && action(s, *info);
}

}  // namespace

bool StartServiceA(SC_HANDLE service, std::uint32_t, const char**)
{
    return onService(test::Call::StartService, service, [](State&, test::ServiceInfo& info) {
        if (info.MarkedForDelete)
            return fail(ERROR_SERVICE_MARKED_FOR_DELETE);
        if (info.Running)
            return fail(ERROR_SERVICE_ALREADY_RUNNING);
        // Loading a driver needs its image file.
        if (info.Type == SERVICE_KERNEL_DRIVER && !FileExists(info.ImagePath))
            return fail(ERROR_FILE_NOT_FOUND);
        info.Running = true;
        return true;
    });
}

bool ControlService(SC_HANDLE service, std::uint32_t control, SERVICE_STATUS* status)
{
    return onService(test::Call::ControlService, service, [&](State& s, test::ServiceInfo& info) {
        if (control != SERVICE_CONTROL_STOP)
            return fail(ERROR_INVALID_SERVICE_CONTROL);
        if (!info.Running)
            return fail(ERROR_SERVICE_NOT_ACTIVE);
        info.Running = false;
        if (status != nullptr) {
            *status = SERVICE_STATUS{};
            status->dwServiceType = info.Type;
            status->dwCurrentState = SERVICE_STOPPED;
        }
        if (info.MarkedForDelete)
            s.remove(info.Name);
        return true;
    });
}

bool DeleteService(SC_HANDLE service)
{
    return onService(test::Call::DeleteService, service, [](State& s, test::ServiceInfo& info) {
        if (info.MarkedForDelete)
            return fail(ERROR_SERVICE_MARKED_FOR_DELETE);
        if (info.Running)
            info.MarkedForDelete = true;
        else
            s.remove(info.Name);
        return true;
    });
}

bool CloseServiceHandle(SC_HANDLE handle)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.scHandles.erase(handle) == 0)
        return fail(ERROR_INVALID_HANDLE);
    return true;
}

HANDLE CreateFileA(const char* fileName, std::uint32_t, std::uint32_t, void*, std::uint32_t, std::uint32_t, HANDLE)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(test::Call::CreateFile))
        return INVALID_HANDLE_VALUE;
    const std::string name = fileName ? fileName : "";
    static const std::string devicePrefix = "\\\\.\\";
    if (name.compare(0, devicePrefix.size(), devicePrefix) != 0)
        return fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    const std::string rest = name.substr(devicePrefix.size());
    bool vxd = false;
    if (sameText(lastComponent(rest), "smport.vxd")) {
        vxd = true;
    } else {
        // A driver's device exists while its service runs.
        const auto* service = s.find(rest);
        if (service == nullptr || service->Type != SERVICE_KERNEL_DRIVER || !service->Running)
            return fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<Device> device;
    const Backend backend = s.backend ? *s.backend : backendFromEnvironment();
    if (backend == Backend::Simulated) {
        device = std::make_unique<SimulatedDevice>();
    } else {
        auto ppdev = std::make_unique<PpdevDevice>();
        std::uint32_t error = ERROR_SUCCESS;
        if (!ppdev->Open(s.ppdevPaths, error))
            return fail(error), INVALID_HANDLE_VALUE;
        device = std::move(ppdev);
    }
    device->Vxd = vxd;
    const HANDLE h = s.newHandle();
    s.devices[h] = std::move(device);
    return h;
}

bool DeviceIoControl(HANDLE handle, std::uint32_t code, const void* inBuffer, std::uint32_t inSize, void* outBuffer,
                     std::uint32_t outSize, std::uint32_t* bytesReturned, void*)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (s.injected(test::Call::DeviceIoControl))
        return false;
    auto it = s.devices.find(handle);
    if (it == s.devices.end())
        return fail(ERROR_INVALID_HANDLE);
    const auto* in = static_cast<const std::uint8_t*>(inBuffer);
    if (s.recording) {
        test::DeviceRequest r;
        r.Code = code;
        if (in != nullptr)
            r.Input.assign(in, in + inSize);
        r.OutputSize = outSize;
        s.requests.push_back(std::move(r));
    }
    Device& device = *it->second;
    const std::uint32_t readCode = device.Vxd ? VXD_READ_PORT_UCHAR : IOCTL_READ_PORT_UCHAR;
    const std::uint32_t writeCode = device.Vxd ? VXD_WRITE_PORT_UCHAR : IOCTL_WRITE_PORT_UCHAR;
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    std::uint32_t error = ERROR_SUCCESS;
    if (code == readCode) {
        if (in == nullptr || inSize < 2)
            return fail(ERROR_INVALID_PARAMETER);
        if (outBuffer == nullptr || outSize < 1)
            return fail(ERROR_INSUFFICIENT_BUFFER);
        std::uint8_t value = 0;
        if (!device.Read(static_cast<std::uint16_t>(in[0] | in[1] << 8), value, error))
            return fail(error);
        static_cast<std::uint8_t*>(outBuffer)[0] = value;
        if (bytesReturned != nullptr)
            *bytesReturned = 1;
        return true;
    }
    if (code == writeCode) {
        if (in == nullptr || inSize < 3)
            return fail(ERROR_INVALID_PARAMETER);
        if (!device.Write(static_cast<std::uint16_t>(in[0] | in[1] << 8), in[2], error))
            return fail(error);
        return true;
    }
    return fail(ERROR_INVALID_FUNCTION);
}

bool CloseHandle(HANDLE handle)
{
    State& s = state();
    std::unique_ptr<Device> closing;
    std::lock_guard lock(s.m);
    auto it = s.devices.find(handle);
    if (it == s.devices.end())
        return fail(ERROR_INVALID_HANDLE);
    closing = std::move(it->second);
    s.devices.erase(it);
    return true;
}

std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer)
{
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    if (ec) {
        tLastError = errorFromErrno(ec.value());
        return 0;
    }
    return copyOut(cwd.string(), buffer, size);
}

std::uint32_t GetSystemDirectoryA(char* buffer, std::uint32_t size)
{
    State& s = state();
    std::string folder;
    {
        std::lock_guard lock(s.m);
        if (s.systemDir)
            folder = *s.systemDir;
    }
    if (folder.empty()) {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (ec) {
            tLastError = errorFromErrno(ec.value());
            return 0;
        }
        folder = exe.parent_path().string();
    }
    return copyOut(folder, buffer, size);
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

Backend SelectedBackend()
{
    State& s = state();
    std::lock_guard lock(s.m);
    return s.backend ? *s.backend : backendFromEnvironment();
}

namespace sim {

std::uint8_t Register(std::uint16_t port)
{
    State& s = state();
    std::lock_guard lock(s.m);
    const int i = portIndex(port);
    return i < 0 ? 0 : s.sim.regs[i];
}

void SetRegister(std::uint16_t port, std::uint8_t value)
{
    State& s = state();
    std::lock_guard lock(s.m);
    const int i = portIndex(port);
    if (i >= 0)
        s.sim.regs[i] = value;
}

std::vector<PortWrite> Writes()
{
    State& s = state();
    std::lock_guard lock(s.m);
    return {s.sim.writes.begin(), s.sim.writes.end()};
}

void ClearWrites()
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.sim.writes.clear();
}

}  // namespace sim

namespace test {

void Reset()
{
    State& s = state();
    std::map<HANDLE, std::unique_ptr<Device>> closing;
    std::lock_guard lock(s.m);
    closing.swap(s.devices);
    s.services.clear();
    s.scHandles.clear();
    s.backend.reset();
    s.systemDir.reset();
    s.ppdevPaths[0] = "/dev/parport0";
    s.ppdevPaths[1] = "/dev/parport1";
    s.failNext.clear();
    s.recording = false;
    s.requests.clear();
    s.sim = SimState{};
}

void SetBackend(std::optional<Backend> backend)
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.backend = backend;
}

void SetSystemDirectory(std::optional<std::string> folder)
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.systemDir = std::move(folder);
}

void SetPpdevPaths(const std::string& lpt1, const std::string& lpt2)
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.ppdevPaths[0] = lpt1;
    s.ppdevPaths[1] = lpt2;
}

void FailNext(Call call, std::uint32_t error)
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.failNext[call] = error;
}

std::optional<ServiceInfo> FindService(const std::string& name)
{
    State& s = state();
    std::lock_guard lock(s.m);
    if (const auto* info = s.find(name))
        return *info;
    return std::nullopt;
}

int OpenHandleCount()
{
    State& s = state();
    std::lock_guard lock(s.m);
    return static_cast<int>(s.scHandles.size() + s.devices.size());
}

void RecordRequests(bool on)
{
    State& s = state();
    std::lock_guard lock(s.m);
    s.recording = on;
    if (!on)
        s.requests.clear();
}

std::vector<DeviceRequest> RecordedRequests()
{
    State& s = state();
    std::lock_guard lock(s.m);
    return s.requests;
}

}  // namespace test

}  // namespace portio
