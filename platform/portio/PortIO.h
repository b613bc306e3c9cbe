#pragma once
// Port-I/O layer: what the parallel-port component needs from the operating
// system to reach a port-I/O driver, on a machine that has no such driver.
//
//  - A service table (open the service manager, create, open, start, stop and
//    delete a kernel-driver service, close handles) with the error codes a
//    caller tells apart: ERROR_SERVICE_EXISTS (1073) on a second create,
//    ERROR_SERVICE_ALREADY_RUNNING (1056) on a second start, and
//    ERROR_FILE_NOT_FOUND (2) when a driver is started whose image file does
//    not exist.  The table lives as long as the process.
//  - The port device, opened by name: "\\.\<service>" while a kernel-driver
//    service of that name runs, or "\\.\smport.vxd" (also with a folder in
//    front of the file name).  It serves the read-byte and write-byte device
//    control requests on the data registers 0x378 and 0x278.
//  - Behind the device, one of two backends:
//      * Linux ppdev: 0x378 is /dev/parport0, 0x278 is /dev/parport1; the port
//        is claimed on its first request, then its data register is read with
//        PPRDATA and written with PPWDATA;
//      * a simulated autosampler port that keeps each register byte and
//        records every write with the tick clock's time.
//    The environment variable VELOR_PARPORT chooses: "sim" (or "simulated")
//    selects the simulated port, anything else (or nothing) ppdev.  It is read
//    whenever the device is opened.
//  - GetLastError / SetLastError: the last error of a call on this thread.
//
// Every call reports failure by its result and leaves the reason in
// GetLastError, as the component above it expects.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace portio {

using HANDLE = std::uint32_t;      // device handle
using SC_HANDLE = std::uint32_t;   // service manager or service handle; 0 = none

constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFFu;

// Error codes.
constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr std::uint32_t ERROR_INVALID_NAME = 123;
constexpr std::uint32_t ERROR_BUSY = 170;
constexpr std::uint32_t ERROR_INVALID_SERVICE_CONTROL = 1052;
constexpr std::uint32_t ERROR_SERVICE_ALREADY_RUNNING = 1056;
constexpr std::uint32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr std::uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr std::uint32_t ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
constexpr std::uint32_t ERROR_SERVICE_EXISTS = 1073;

// Access rights, service kinds and other arguments.
constexpr std::uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr std::uint32_t SERVICE_ALL_ACCESS = 0xF01FF;
constexpr std::uint32_t SERVICE_KERNEL_DRIVER = 1;
constexpr std::uint32_t SERVICE_DEMAND_START = 3;
constexpr std::uint32_t SERVICE_ERROR_NORMAL = 1;
constexpr std::uint32_t SERVICE_CONTROL_STOP = 1;
constexpr std::uint32_t SERVICE_STOPPED = 1;
constexpr std::uint32_t SERVICE_RUNNING = 4;
constexpr std::uint32_t GENERIC_READ = 0x80000000u;
constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t OPEN_EXISTING = 3;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// Folder separator of file paths on this machine.
constexpr char PathDelim = '/';

struct SERVICE_STATUS {
    std::uint32_t dwServiceType = 0;
    std::uint32_t dwCurrentState = 0;
    std::uint32_t dwControlsAccepted = 0;
    std::uint32_t dwWin32ExitCode = 0;
    std::uint32_t dwCheckPoint = 0;
    std::uint32_t dwWaitHint = 0;
};

std::uint32_t GetLastError();
void SetLastError(std::uint32_t error);

// --- service table ---
SC_HANDLE OpenSCManagerA(const char* machineName, const char* databaseName, std::uint32_t desiredAccess);
SC_HANDLE CreateServiceA(SC_HANDLE manager, const char* serviceName, const char* displayName,
                         std::uint32_t desiredAccess, std::uint32_t serviceType, std::uint32_t startType,
                         std::uint32_t errorControl, const char* binaryPathName, const char* loadOrderGroup,
                         std::uint32_t* tagId, const char* dependencies, const char* serviceStartName,
                         const char* password);
SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* serviceName, std::uint32_t desiredAccess);
bool StartServiceA(SC_HANDLE service, std::uint32_t argCount, const char** args);
bool ControlService(SC_HANDLE service, std::uint32_t control, SERVICE_STATUS* status);
// Marks the service for deletion; it leaves the table once it is stopped.
bool DeleteService(SC_HANDLE service);
bool CloseServiceHandle(SC_HANDLE handle);

// --- device ---
HANDLE CreateFileA(const char* fileName, std::uint32_t desiredAccess, std::uint32_t shareMode,
                   void* securityAttributes, std::uint32_t creationDisposition,
                   std::uint32_t flagsAndAttributes, HANDLE templateFile);
bool DeviceIoControl(HANDLE device, std::uint32_t ioControlCode, const void* inBuffer, std::uint32_t inBufferSize,
                     void* outBuffer, std::uint32_t outBufferSize, std::uint32_t* bytesReturned,
                     void* overlapped);
bool CloseHandle(HANDLE handle);

// Control codes the device serves: (0xF100 << 16) | (access << 14) | (function << 2)
// for a device opened by its service name, 2 and 3 for the virtual-device name.
constexpr std::uint32_t IOCTL_READ_PORT_UCHAR = 0xF1006404u;
constexpr std::uint32_t IOCTL_WRITE_PORT_UCHAR = 0xF100A408u;
constexpr std::uint32_t VXD_READ_PORT_UCHAR = 2;
constexpr std::uint32_t VXD_WRITE_PORT_UCHAR = 3;

// --- folders ---
// Both follow the usual contract: the length copied (without the terminating
// zero), or the size needed (with it) when `size` is too small; 0 on failure.
std::uint32_t GetCurrentDirectoryA(std::uint32_t size, char* buffer);
// The system folder holds the stand-in driver images; it is the folder of the
// running program unless SetSystemDirectory replaced it.
std::uint32_t GetSystemDirectoryA(char* buffer, std::uint32_t size);
bool FileExists(const std::string& path);

// --- backends ---
enum class Backend { Ppdev, Simulated };
// The backend the next opened device uses: the override when one is set,
// else the environment variable VELOR_PARPORT.
Backend SelectedBackend();
// Name of the environment variable that chooses the backend.
constexpr const char* BackendVariable = "VELOR_PARPORT";

// The simulated autosampler port: one register byte per port address and a
// record of every write, with the tick clock's time (platform/clock).
struct PortWrite {
    std::uint16_t Port = 0;
    std::uint8_t Value = 0;
    std::uint32_t Tick = 0;
    bool operator==(const PortWrite&) const = default;
};
namespace sim {
std::uint8_t Register(std::uint16_t port);
void SetRegister(std::uint16_t port, std::uint8_t value);   // not recorded
std::vector<PortWrite> Writes();
void ClearWrites();
// At most this many writes are kept; older ones are dropped first.
constexpr std::size_t MaxRecordedWrites = 1u << 20;
}  // namespace sim

// --- for tests ---
namespace test {
// Forgets every service, closes every handle, clears the simulated port and
// every override below.
void Reset();
void SetBackend(std::optional<Backend> backend);
void SetSystemDirectory(std::optional<std::string> folder);
// The device files behind 0x378 and 0x278 for the ppdev backend.
void SetPpdevPaths(const std::string& lpt1, const std::string& lpt2);

enum class Call { OpenSCManager, CreateService, OpenService, StartService, ControlService, DeleteService,
                  CreateFile, DeviceIoControl };
// The next call of that kind fails with `error` and does nothing else.
void FailNext(Call call, std::uint32_t error);

struct ServiceInfo {
    std::string Name;
    std::string DisplayName;
    std::string ImagePath;
    std::uint32_t Type = 0;
    std::uint32_t StartType = 0;
    bool Running = false;
    bool MarkedForDelete = false;
};
std::optional<ServiceInfo> FindService(const std::string& name);
int OpenHandleCount();

// Every device control request as the device received it.
struct DeviceRequest {
    std::uint32_t Code = 0;
    std::vector<std::uint8_t> Input;
    std::uint32_t OutputSize = 0;
    bool operator==(const DeviceRequest&) const = default;
};
void RecordRequests(bool on);
std::vector<DeviceRequest> RecordedRequests();
}  // namespace test

}  // namespace portio
