#include "SmallPort.h"

#include "Clock.h"

#include <string>
#include <vector>

using namespace portio;

namespace {

constexpr std::uint32_t MaxPath = 260;
constexpr std::uint32_t ErrorInvalidHandle = ERROR_INVALID_HANDLE;

// A folder from a query with the usual buffer contract.  The first try uses
// a buffer of 260 characters; a longer folder gets a buffer of its size
// instead of being lost.
template <class Query>
std::string QueryFolder(Query query)
{
    std::vector<char> buffer(MaxPath, '\0');
    std::uint32_t n = query(buffer.data(), MaxPath);
    if (n >= MaxPath) {
        buffer.assign(n, '\0');
        n = query(buffer.data(), n);
        if (n >= buffer.size())
            n = 0;
    }
    return std::string(buffer.data(), n);
}

std::string CurrentDirectory()
{
    return QueryFolder([](char* b, std::uint32_t size) { return GetCurrentDirectoryA(size, b); });
}

std::string SystemDirectory()
{
    return QueryFolder([](char* b, std::uint32_t size) { return GetSystemDirectoryA(b, size); });
}

}  // namespace

TSmallPort::TSmallPort(QObject* AOwner)
    : QObject(AOwner)
{
    FDriverHandle = INVALID_HANDLE_VALUE;
    FSCManager = 0;
    FServiceName = QStringLiteral("Smport");
    FWeInstalled = false;
    FWeStarted = false;
    FOSKind = GetOSKind();
    if (IsNTKind()) {
        FCtlCodes = {CtlCode(0x901, 1), CtlCode(0x902, 2), CtlCode(0x903, 1),
                     CtlCode(0x904, 2), CtlCode(0x905, 1), CtlCode(0x906, 2)};
    } else {
        FCtlCodes = {2, 3, 4, 5, 6, 7};
    }
    FLastOK = false;
    FLastError = 0;
}

TSmallPort::~TSmallPort()
{
    if (Opened())
        Close();
    if (IsNTKind()) {
        OpenServiceManager();
        if (FSCManager != 0) {
            if (FWeStarted)
                StopDriver();
            if (FWeInstalled)
                RemoveDriver();
            CloseServiceManager();
        }
    }
}

int TSmallPort::GetOSKind()
{
    platform::VersionInfo info;
    if (!platform::GetVersionInfo(info))
        return 0;
    switch (info.PlatformId) {
    case platform::VER_PLATFORM_WIN32s:
        return 1;
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        switch (info.MinorVersion) {
        case 0:
            return 2;
        case 10:
            return 3;
        case 90:
            return 6;
        default:
            return 0;
        }
    case platform::VER_PLATFORM_WIN32_NT:
        switch (info.MajorVersion) {
        case 4:
            return 4;
        case 5:
            return 5;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

void TSmallPort::SetOpened(bool)
{
    if (Opened())
        Close();
    else
        Open();
}

bool TSmallPort::Open()
{
    return IsNTKind() ? OpenNT() : OpenVxd();
}

bool TSmallPort::OpenNT()
{
    if (Opened())
        Close();
    OpenServiceManager();
    if (FLastError != 0)
        return false;
    InstallDriver();
    if (FLastError == 0) {
        FWeInstalled = true;
    } else if (FLastError == ERROR_SERVICE_EXISTS) {
        // The service is there already: use it, and leave it on destruction.
        FWeInstalled = false;
        FLastError = 0;
    } else {
        CloseServiceManager();
        return false;
    }
    StartDriver();
    if (FLastError == 0) {
        FWeStarted = true;
    } else if (FLastError == ERROR_SERVICE_ALREADY_RUNNING) {
        FWeStarted = false;
        FLastError = 0;
    }
    CloseServiceManager();
    if (FLastError != 0)
        return false;
    const std::string device = "\\\\.\\" + FServiceName.toStdString();
    FDriverHandle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, 0);
    if (Opened())
        return true;
    FLastError = GetLastError();
    return false;
}

bool TSmallPort::OpenVxd()
{
    if (Opened())
        Close();
    FDriverHandle = CreateFileA("\\\\.\\smport.vxd", 0, 0, nullptr, 0, 0, 0);
    if (Opened())
        return true;
    const std::string device = "\\\\.\\" + SystemDirectory() + PathDelim + "smport.vxd";
    FDriverHandle = CreateFileA(device.c_str(), 0, 0, nullptr, 0, 0, 0);
    if (Opened())
        return true;
    FLastError = GetLastError();
    return false;
}

void TSmallPort::Close()
{
    if (!Opened())
        return;
    CloseHandle(FDriverHandle);
    FDriverHandle = INVALID_HANDLE_VALUE;
}

std::uint8_t TSmallPort::ReadPort(std::uint16_t Port)
{
    if (!Opened()) {
        FLastOK = false;
        FLastError = ErrorInvalidHandle;
        return 0;
    }
    const std::uint8_t request[2] = {static_cast<std::uint8_t>(Port & 0xFF), static_cast<std::uint8_t>(Port >> 8)};
    std::uint8_t reply[2] = {0, 0};
    FLastOK = DeviceIoControl(FDriverHandle, FCtlCodes[ciReadByte], request, 2, reply, 2, &FBytesReturned, nullptr);
    if (FLastOK)
        return reply[0];
    FLastError = GetLastError();
    return 0;
}

void TSmallPort::WritePort(std::uint16_t Port, std::uint8_t Value)
{
    if (!Opened()) {
        FLastOK = false;
        FLastError = ErrorInvalidHandle;
        return;
    }
    FWriteBuffer = {static_cast<std::uint8_t>(Port & 0xFF), static_cast<std::uint8_t>(Port >> 8), Value, 0};
    std::uint8_t scratch[2] = {0, 0};
    FLastOK = DeviceIoControl(FDriverHandle, FCtlCodes[ciWriteByte], FWriteBuffer.data(), 4, scratch, 2,
                              &FBytesReturned, nullptr);
    if (!FLastOK)
        FLastError = GetLastError();
}

// --- service steps ---

void TSmallPort::OpenServiceManager()
{
    if (FSCManager != 0)
        return;
    FLastError = 0;
    FSCManager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (FSCManager == 0)
        FLastError = GetLastError();
}

void TSmallPort::CloseServiceManager()
{
    if (FSCManager == 0)
        return;
    // Keeps the error of the step before it, which Open still reports.
    if (!CloseServiceHandle(FSCManager))
        FLastError = GetLastError();
    FSCManager = 0;
}

void TSmallPort::InstallDriver()
{
    FLastError = 0;
    const std::string image = FServiceName.toStdString() + ".sys";
    std::string path = CurrentDirectory() + PathDelim + image;
    if (!FileExists(path))
        path = SystemDirectory() + PathDelim + image;
    const std::string name = FServiceName.toStdString();
    const SC_HANDLE service =
        CreateServiceA(FSCManager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr, nullptr,
                       nullptr);
    if (service == 0)
        FLastError = GetLastError();
    else
        CloseServiceHandle(service);
}

template <class Step>
void TSmallPort::OnService(Step step)
{
    FLastError = 0;
    const std::string name = FServiceName.toStdString();
    const SC_HANDLE service = OpenServiceA(FSCManager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service == 0) {
        FLastError = GetLastError();
        return;
    }
    if (!step(service))
        FLastError = GetLastError();
    CloseServiceHandle(service);
}

void TSmallPort::StartDriver()
{
    OnService([](SC_HANDLE service) { return StartServiceA(service, 0, nullptr); });
}

void TSmallPort::StopDriver()
{
    OnService([](SC_HANDLE service) {
        SERVICE_STATUS status;
        return ControlService(service, SERVICE_CONTROL_STOP, &status);
    });
}

void TSmallPort::RemoveDriver()
{
    OnService([](SC_HANDLE service) { return DeleteService(service); });
}
