#pragma once
// TSmallPort: a non-visual component that reads and writes single bytes at
// I/O port addresses through the port-I/O driver "Smport".  On the NT kinds
// (4 and 5) it installs and starts the driver as a kernel-driver service and
// opens its device "\\.\Smport"; on every other kind it opens the virtual
// device "\\.\smport.vxd".  It never raises and never shows anything: every
// failure is kept in LastOK / LastError and, for Open, in its result.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

#include "PortIO.h"

class TSmallPort : public QObject {
public:
    // Device control codes of the NT kinds: (0xF100 << 16) | (access << 14) |
    // (function << 2) | METHOD_BUFFERED.
    static constexpr std::uint32_t CtlCode(std::uint32_t function, std::uint32_t access)
    {
        return (0xF100u << 16) | (access << 14) | (function << 2) | 0u;
    }
    enum CtlIndex { ciReadByte, ciWriteByte, ciReadWord, ciWriteWord, ciReadDword, ciWriteDword };

    // Creation opens nothing.
    explicit TSmallPort(QObject* AOwner = nullptr);
    // Closes the device and, on the NT kinds, stops and deletes the service
    // as far as this instance started or created it.
    ~TSmallPort() override;

    TSmallPort(const TSmallPort&) = delete;
    TSmallPort& operator=(const TSmallPort&) = delete;

    // Opens the device (installing and starting the service on the NT
    // kinds); true when the device handle was obtained.
    bool Open();
    void Close();
    // 0 with LastOK false when closed (LastError 6) or when the call fails.
    std::uint8_t ReadPort(std::uint16_t Port);
    void WritePort(std::uint16_t Port, std::uint8_t Value);

    // Windows kind from the platform information: 1 Win32s, 2 Windows 95,
    // 3 Windows 98, 6 Windows Me, 4 NT 4, 5 NT 5 (2000, XP), 0 anything else.
    static int GetOSKind();

    // Published properties.
    bool Opened() const { return FDriverHandle != portio::INVALID_HANDLE_VALUE; }
    // Ignores the value and toggles: closes an open component, opens a closed one.
    void SetOpened(bool Value);
    std::uint32_t DriverHandle() const { return FDriverHandle; }

    // Status, read only.
    bool LastOK() const { return FLastOK; }
    std::uint32_t LastError() const { return FLastError; }
    int OSKind() const { return FOSKind; }
    const std::array<std::uint32_t, 6>& CtlCodes() const { return FCtlCodes; }
    const QString& ServiceName() const { return FServiceName; }
    bool WeInstalled() const { return FWeInstalled; }
    bool WeStarted() const { return FWeStarted; }

private:
    bool IsNTKind() const { return FOSKind == 4 || FOSKind == 5; }
    bool OpenNT();
    bool OpenVxd();

    // Service steps on FSCManager and FServiceName.
    void OpenServiceManager();
    void CloseServiceManager();
    void InstallDriver();
    void StartDriver();
    void StopDriver();
    void RemoveDriver();
    // Opens the service, runs `step` on it and closes it; FLastError holds
    // the error of the failing call.
    template <class Step>
    void OnService(Step step);

    bool FLastOK = false;
    std::uint32_t FLastError = 0;
    int FOSKind = 0;
    std::array<std::uint32_t, 6> FCtlCodes{};
    QString FServiceName;
    bool FWeInstalled = false;
    bool FWeStarted = false;
    portio::SC_HANDLE FSCManager = 0;
    portio::HANDLE FDriverHandle = portio::INVALID_HANDLE_VALUE;
    std::uint32_t FBytesReturned = 0;
    std::array<std::uint8_t, 4> FWriteBuffer{};
};
