#include "CPDrv.h"

#include "Clock.h"

#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr std::uint32_t BaudRateTable[15] = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

constexpr std::uint32_t MinBufSize = 128;
constexpr std::uint32_t MaxBufSize = 8192;
constexpr std::uint16_t MinPollingDelay = 5;

std::uint32_t clampBufSize(std::uint32_t v)
{
    return std::clamp(v, MinBufSize, MaxBufSize);
}

// ABytes at 10 bits per byte on a line of `rate` bits per second, in ms.
int transferTime(std::uint32_t rate, unsigned bytes)
{
    if (rate == 0)
        return 0;
    const long double ms = static_cast<long double>(bytes) / (static_cast<long double>(rate) / 10.0L) * 1000.0L;
    // Round to nearest, halves to even (the default rounding mode).
    const long double r = std::nearbyintl(ms);
    if (r >= static_cast<long double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(r);
}

}  // namespace

QString GetPlatformTag()
{
    platform::VersionInfo info;
    if (!platform::GetVersionInfo(info))
        return QStringLiteral("??");
    switch (info.PlatformId) {
    case platform::VER_PLATFORM_WIN32s: return QStringLiteral("W32S");
    case platform::VER_PLATFORM_WIN32_WINDOWS: return QStringLiteral("W95");
    case platform::VER_PLATFORM_WIN32_NT: return QStringLiteral("WNT");
    default: return QString();
    }
}

std::uint32_t GetPlatformVersion()
{
    platform::VersionInfo info;
    if (!platform::GetVersionInfo(info))
        return 0;
    return ((info.MajorVersion & 0xFFFFu) << 16) | (info.MinorVersion & 0xFFFFu);
}

std::uint32_t BaudRateToValue(TBaudRate ARate)
{
    if (ARate == brCustom || ARate > br256000)
        return 0;
    return BaudRateTable[ARate - 1];
}

int TransferTimeMs(TBaudRate ARate, unsigned ABytes)
{
    return transferTime(BaudRateToValue(ARate), ABytes);
}

TCommPortDriver::TCommPortDriver(QObject* AOwner)
    : QObject(AOwner), FPortName(QStringLiteral("\\\\.\\COM2"))
{
    AllocateBuffer();
    FNotifyWnd = new QTimer(this);
    connect(FNotifyWnd, &QTimer::timeout, this, &TCommPortDriver::PollWndProc);
}

TCommPortDriver::~TCommPortDriver()
{
    Disconnect();
}

void TCommPortDriver::AllocateBuffer()
{
    FInputBuffer.assign(FInBufSize, 0);
    FInputBuffer.shrink_to_fit();
}

// ---------------------------------------------------------------- operations

bool TCommPortDriver::IsConnected() const
{
    return FHandle != nullptr;
}

bool TCommPortDriver::IsLineLost() const
{
    std::uint32_t queued = 0;
    return FHandle && FHandle->IsBroken() && FHandle->QueuedBytes(queued) && queued == 0;
}

bool TCommPortDriver::Connect()
{
    if (FHandle)
        return true;
    auto handle = std::make_unique<comm::CommPort>();
    if (!handle->Open(FPortName))
        return false;
    FHandle = std::move(handle);
    FLineLostReported = false;
    if (!ApplyLineSettings()) {
        Disconnect();
        return false;
    }
    // Reads never wait: each returns at once with what is queued.
    FNotifyWnd->start(FPollingDelay);
    return true;
}

void TCommPortDriver::Disconnect()
{
    if (!FHandle)
        return;
    FNotifyWnd->stop();
    FHandle.reset();
}

comm::DeviceControlBlock TCommPortDriver::BuildDeviceControlBlock() const
{
    comm::DeviceControlBlock dcb;
    dcb.DCBlength = 28;
    dcb.BaudRate = FBaudRateValue;
    std::uint32_t flags = comm::fBinary;
    if (FEnableDTROnOpen)
        flags |= comm::fDtrControlEnable;
    switch (FHwFlow) {
    case hfNONE: break;
    case hfNONERTSON: flags |= comm::fRtsControlEnable; break;
    case hfRTSCTS: flags |= comm::fRtsControlHandshake | comm::fOutxCtsFlow; break;
    }
    if (FSwFlow == sfXONXOFF)
        flags |= comm::fOutX | comm::fInX;
    dcb.Flags = flags;

    std::uint16_t limit = static_cast<std::uint16_t>(FInBufSize / 4);
    if (GetPlatformTag() == QLatin1String("WNT") && GetPlatformVersion() >= (4u << 16))
        limit = std::min<std::uint16_t>(limit, 4096);
    dcb.XonLim = limit;
    dcb.XoffLim = limit;

    dcb.ByteSize = static_cast<std::uint8_t>(FDataBits + 5);
    dcb.Parity = static_cast<std::uint8_t>(FParity);
    dcb.StopBits = static_cast<std::uint8_t>(FStopBits);
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

bool TCommPortDriver::ApplyLineSettings()
{
    if (!FHandle)
        return false;
    if (!FHandle->SetState(BuildDeviceControlBlock()))
        return false;
    if (!PurgeBuffers(true, true))
        return false;
    return FHandle->Setup(FInBufSize, FOutBufSize);
}

bool TCommPortDriver::PurgeBuffers(bool ARx, bool ATx)
{
    if (!FHandle || !FHandle->Purge(ARx, ATx))
        return false;
    FPacketStartTick = NoTick;
    return true;
}

void TCommPortDriver::ReapplyIfOpen()
{
    if (FHandle)
        ApplyLineSettings();   // a refusal leaves whatever the device accepted
}

// ------------------------------------------------------------------- polling

void TCommPortDriver::PollWndProc()
{
    if (!FHandle)
        return;
    std::uint32_t queued = 0;
    if (!FHandle->QueuedBytes(queued))
        return;
    if (queued == 0 && FHandle->IsBroken()) {
        if (!FLineLostReported) {
            FLineLostReported = true;
            if (OnLineLost) {
                const auto handler = OnLineLost;   // may disconnect (and free the handle)
                handler(this);
            }
        }
        return;
    }
    if (FPacketSize > 0) {
        PollPackets(queued);
        return;
    }
    if (queued == 0)
        return;
    // One read per tick; whatever exceeds the buffer waits for the next tick.
    std::uint32_t got = 0;
    const bool ok = FHandle->Read(FInputBuffer.data(), std::min(queued, FInBufSize), got);
    if (ok && got > 0 && OnReceiveData) {
        const TReceiveDataEvent handler = OnReceiveData;   // may be reassigned inside
        handler(this, FInputBuffer.data(), got);
    }
}

void TCommPortDriver::PollPackets(std::uint32_t queued)
{
    const std::uint32_t packet = static_cast<std::uint32_t>(FPacketSize);
    // brCustom has no table rate: the bookkeeping uses the programmed value.
    const int packetTime = transferTime(FBaudRate == brCustom ? FBaudRateValue : BaudRateToValue(FBaudRate), packet);
    const std::uint32_t now = platform::GetTickCount();

    bool readWhole = false;
    while (queued >= packet) {
        std::uint32_t got = 0;
        const bool ok = FHandle->Read(FInputBuffer.data(), packet, got);
        if (ok && got > 0 && OnReceivePacket) {
            const TReceivePacketEvent handler = OnReceivePacket;
            handler(this, FInputBuffer.data(), got);
            if (!FHandle)
                return;   // the handler closed the port
        }
        // The next packet's first byte is expected one packet time later.
        // Without a recorded start, this packet counts as seen now.
        if (FPacketStartTick == NoTick)
            FPacketStartTick = now;
        FPacketStartTick += static_cast<std::uint32_t>(packetTime);
        queued -= packet;
        if (queued == 0)
            FPacketStartTick = NoTick;
        readWhole = true;
    }
    // The remainder is already here: its start is never later than now.
    if (readWhole && FPacketStartTick != NoTick && static_cast<std::int32_t>(now - FPacketStartTick) < 0)
        FPacketStartTick = now;

    if (FPacketTimeout > 0 && FPacketStartTick != NoTick) {
        // Signed difference: the wrap at 2^32 is harmless, and an estimated
        // start that lies ahead has not timed out.
        const std::int32_t elapsed = static_cast<std::int32_t>(platform::GetTickCount() - FPacketStartTick);
        if (elapsed > FPacketTimeout) {
            std::uint32_t got = 0;
            const bool ok = FHandle->Read(FInputBuffer.data(), std::min(queued, FInBufSize), got);
            FPacketStartTick = NoTick;
            if (FPacketMode == pmPass && ok && got > 0 && OnReceivePacket) {
                const TReceivePacketEvent handler = OnReceivePacket;
                handler(this, FInputBuffer.data(), got);
            }
            return;
        }
    }
    if (queued > 0 && FPacketStartTick == NoTick)
        FPacketStartTick = platform::GetTickCount();
}

bool TCommPortDriver::IsPolling() const
{
    return FNotifyWnd->isActive();
}

int TCommPortDriver::PollInterval() const
{
    return FNotifyWnd->interval();
}

// ------------------------------------------------------------------- setters

void TCommPortDriver::SetPort(TPortNumber Value)
{
    if (FHandle || Value > pnCOM16)
        return;
    FPort = Value;
    if (Value != pnCustom)
        FPortName = QStringLiteral("\\\\.\\COM%1").arg(int(Value));
}

void TCommPortDriver::SetPortName(const QString& Value)
{
    if (FHandle)
        return;
    FPort = pnCustom;
    FPortName = Value;
}

void TCommPortDriver::SetBaudRate(TBaudRate Value)
{
    if (Value > br256000)
        return;
    FBaudRate = Value;
    if (Value != brCustom)
        FBaudRateValue = BaudRateToValue(Value);
    ReapplyIfOpen();
}

void TCommPortDriver::SetBaudRateValue(std::uint32_t Value)
{
    FBaudRate = brCustom;
    FBaudRateValue = Value;
    ReapplyIfOpen();
}

void TCommPortDriver::SetDataBits(TDataBits Value) { StoreLineSetting(FDataBits, Value); }
void TCommPortDriver::SetStopBits(TStopBits Value) { StoreLineSetting(FStopBits, Value); }
void TCommPortDriver::SetParity(TParity Value) { StoreLineSetting(FParity, Value); }
void TCommPortDriver::SetHwFlow(THwFlowControl Value) { StoreLineSetting(FHwFlow, Value); }
void TCommPortDriver::SetSwFlow(TSwFlowControl Value) { StoreLineSetting(FSwFlow, Value); }

void TCommPortDriver::SetInBufSize(std::uint32_t Value)
{
    if (FHandle)
        return;
    FInBufSize = clampBufSize(Value);
    AllocateBuffer();
    SetPacketSize(FPacketSize);   // the buffer must hold one packet
}

void TCommPortDriver::SetOutBufSize(std::uint32_t Value)
{
    if (FHandle)
        return;
    FOutBufSize = clampBufSize(Value);
}

void TCommPortDriver::SetPacketSize(std::int16_t Value)
{
    if (Value <= 0) {
        FPacketSize = -1;
        return;
    }
    // A packet never exceeds the largest buffer, nor, while open, the
    // current one (it cannot grow then).
    std::uint32_t size = std::min<std::uint32_t>(static_cast<std::uint32_t>(Value), MaxBufSize);
    if (FHandle)
        size = std::min(size, FInBufSize);
    FPacketSize = static_cast<std::int16_t>(size);
    if (size > FInBufSize)
        SetInBufSize(size);
}

void TCommPortDriver::SetPacketTimeout(std::int32_t Value)
{
    if (Value < 1)
        FPacketTimeout = -1;
    else if (Value < FPollingDelay)
        FPacketTimeout = FPollingDelay + FPollingDelay * 40 / 100;
    else
        FPacketTimeout = Value;
}

void TCommPortDriver::SetPollingDelay(std::uint16_t Value)
{
    if (Value < MinPollingDelay)
        Value = MinPollingDelay;
    if (Value == FPollingDelay)
        return;
    if (FHandle) {
        FNotifyWnd->stop();
        FPollingDelay = Value;
        FNotifyWnd->start(FPollingDelay);
    } else {
        FPollingDelay = Value;
    }
    SetPacketTimeout(FPacketTimeout);
}
