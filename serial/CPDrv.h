#pragma once
// TCommPortDriver: a non-visual component that owns one serial port, receive
// only.  It opens the port by name, programs the line settings, polls the
// input queue on a timer on the GUI thread and hands every chunk of received
// bytes to OnReceiveData (or, in packet mode, every packet to OnReceivePacket).
// It shows nothing: every operation reports success by its result.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "CommPort.h"

class QTimer;

enum TPortNumber : std::uint8_t {
    pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8,
    pnCOM9, pnCOM10, pnCOM11, pnCOM12, pnCOM13, pnCOM14, pnCOM15, pnCOM16
};
enum TBaudRate : std::uint8_t {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400,
    br19200, br38400, br56000, br57600, br115200, br128000, br256000
};
enum TDataBits : std::uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };
enum TStopBits : std::uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };
enum TParity : std::uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum THwFlowControl : std::uint8_t { hfNONE, hfNONERTSON, hfRTSCTS };
enum TSwFlowControl : std::uint8_t { sfNONE, sfXONXOFF };
enum TPacketMode : std::uint8_t { pmDiscard, pmPass };

class TCommPortDriver;

// The byte buffer handed to the handlers is valid only until the handler returns.
using TReceiveDataEvent = std::function<void(TCommPortDriver* Sender, const void* DataPtr, std::uint32_t DataSize)>;
using TReceivePacketEvent = std::function<void(TCommPortDriver* Sender, const void* Packet, std::uint32_t DataSize)>;

// "W32S", "W95" or "WNT" for platform id 0, 1, 2; "??" when the platform
// information cannot be read; "" for any other id.
QString GetPlatformTag();
// (major << 16) | minor, each taken to 16 bits; 0 when unavailable.
std::uint32_t GetPlatformVersion();
// Bits per second of a table rate; 0 for brCustom.
std::uint32_t BaudRateToValue(TBaudRate ARate);
// Milliseconds that ABytes bytes take at 10 bits per byte, rounded to nearest
// (halves to even).  0 for brCustom (no rate).
int TransferTimeMs(TBaudRate ARate, unsigned ABytes);

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    explicit TCommPortDriver(QObject* AOwner = nullptr);
    ~TCommPortDriver() override;

    TCommPortDriver(const TCommPortDriver&) = delete;
    TCommPortDriver& operator=(const TCommPortDriver&) = delete;

    // --- port operations (GUI thread) ---
    // Opens the port and starts polling; true when the port is open afterwards.
    bool Connect();
    // Stops polling and closes the port; nothing when closed.
    void Disconnect();
    bool IsConnected() const;
    // Programs the line settings into the open port and purges both queues;
    // false when closed or when the device refuses a setting.
    bool ApplyLineSettings();
    // Discards the input (ARx) and/or output (ATx) queue; false when closed
    // or when the purge fails.
    bool PurgeBuffers(bool ARx, bool ATx);
    // One polling tick (the poll timer's timeout runs it).
    void PollWndProc();

    // The device control block that ApplyLineSettings programs.
    comm::DeviceControlBlock BuildDeviceControlBlock() const;

    // --- properties ---
    TPortNumber Port() const { return FPort; }
    void SetPort(TPortNumber Value);
    QString PortName() const { return FPortName; }
    void SetPortName(const QString& Value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate Value);
    std::uint32_t BaudRateValue() const { return FBaudRateValue; }
    void SetBaudRateValue(std::uint32_t Value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits Value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value);
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value);
    THwFlowControl HwFlow() const { return FHwFlow; }
    void SetHwFlow(THwFlowControl Value);
    TSwFlowControl SwFlow() const { return FSwFlow; }
    void SetSwFlow(TSwFlowControl Value);
    std::uint32_t InBufSize() const { return FInBufSize; }
    void SetInBufSize(std::uint32_t Value);
    std::uint32_t OutBufSize() const { return FOutBufSize; }
    void SetOutBufSize(std::uint32_t Value);
    std::int16_t PacketSize() const { return FPacketSize; }
    void SetPacketSize(std::int16_t Value);
    std::int32_t PacketTimeout() const { return FPacketTimeout; }
    void SetPacketTimeout(std::int32_t Value);
    TPacketMode PacketMode() const { return FPacketMode; }
    void SetPacketMode(TPacketMode Value) { FPacketMode = Value; }
    std::uint16_t PollingDelay() const { return FPollingDelay; }
    void SetPollingDelay(std::uint16_t Value);
    bool EnableDTROnOpen() const { return FEnableDTROnOpen; }
    void SetEnableDTROnOpen(bool Value) { FEnableDTROnOpen = Value; }
    std::uint16_t OutputTimeout() const { return FOutputTimeout; }
    void SetOutputTimeout(std::uint16_t Value) { FOutputTimeout = Value; }
    std::uint32_t InputTimeout() const { return FInputTimeout; }
    void SetInputTimeout(std::uint32_t Value) { FInputTimeout = Value; }
    bool CheckLineStatus() const { return FCheckLineStatus; }
    void SetCheckLineStatus(bool Value) { FCheckLineStatus = Value; }

    // Events: plain assignable handlers.
    TReceiveDataEvent OnReceiveData;
    TReceivePacketEvent OnReceivePacket;
    // Runs once, from a polling tick, when the device went away while the
    // port is open (unplugged, far end closed) and every byte it delivered
    // has been handed on.  The component stays connected until told to
    // Disconnect; the handler may do so.
    std::function<void(TCommPortDriver* Sender)> OnLineLost;
    // The device went away and nothing received is left to read.
    bool IsLineLost() const;

    // For tests and diagnostics: the poll timer's state.
    bool IsPolling() const;
    int PollInterval() const;
    std::uint32_t PacketStartTick() const { return FPacketStartTick; }

    static constexpr std::uint32_t NoTick = 0xFFFFFFFFu;

private:
    void AllocateBuffer();
    void ReapplyIfOpen();
    template <class T>
    void StoreLineSetting(T& field, T value)
    {
        field = value;
        ReapplyIfOpen();
    }
    void PollPackets(std::uint32_t queued);

    TPortNumber FPort = pnCOM2;
    QString FPortName;
    TBaudRate FBaudRate = br9600;
    std::uint32_t FBaudRateValue = 9600;
    TDataBits FDataBits = db8BITS;
    TStopBits FStopBits = sb1BITS;
    TParity FParity = ptNONE;
    THwFlowControl FHwFlow = hfNONERTSON;
    TSwFlowControl FSwFlow = sfNONE;
    std::uint32_t FInBufSize = 2048;
    std::uint32_t FOutBufSize = 2048;
    std::int16_t FPacketSize = -1;
    std::int32_t FPacketTimeout = -1;
    TPacketMode FPacketMode = pmDiscard;
    std::uint16_t FPollingDelay = 50;
    bool FEnableDTROnOpen = true;
    std::uint16_t FOutputTimeout = 500;
    std::uint32_t FInputTimeout = 200;
    bool FCheckLineStatus = false;

    // The open port; null while closed.
    std::unique_ptr<comm::CommPort> FHandle;
    // Stands in for the hidden notify window: a periodic callback on the GUI thread.
    QTimer* FNotifyWnd = nullptr;
    std::vector<std::uint8_t> FInputBuffer;
    std::uint32_t FPacketStartTick = NoTick;
    bool FLineLostReported = false;
};
