#pragma once
// Thin serial communications layer over QSerialPort: open a port by name
// exclusively, program a device control block, size the read queue, purge,
// count queued bytes and read them.  Every call reports success as a bool.

#include <QObject>
#include <QString>

#include <cstdint>

class QSerialPort;

namespace comm {

// Flag bits of DeviceControlBlock::Flags.
enum : std::uint32_t {
    fBinary = 0x0001,
    fOutxCtsFlow = 0x0004,
    fDtrControlEnable = 0x0010,   // DTR raised while open
    fOutX = 0x0100,               // XON/XOFF on transmit
    fInX = 0x0200,                // XON/XOFF on receive
    fRtsControlEnable = 0x1000,   // RTS raised, no handshake
    fRtsControlHandshake = 0x2000,
    fRtsControlMask = 0x3000,
};

enum : std::uint8_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };
enum : std::uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };

// Line settings of an open port.
struct DeviceControlBlock {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;     // bits per second, any value
    std::uint32_t Flags = 0;        // f* bits above
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;      // 5..8
    std::uint8_t Parity = NOPARITY;
    std::uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// "\\.\COMn" (n >= 1) names /dev/ttyS{n-1}; any other name is used as given.
QString DeviceNameFor(const QString& portName);

class CommPort : public QObject {
    Q_OBJECT
public:
    CommPort();
    ~CommPort() override;

    // Opens the port read-write and locks it against other openers.
    bool Open(const QString& portName);
    bool IsOpen() const;
    void Close();

    // Programs the whole block; false when the device refuses a setting or
    // does not keep the character format (a pseudo-terminal stays at 8 data
    // bits without parity).  One and a half stop bits exist only with 5 data
    // bits.  DTR and RTS on a device without modem lines are taken as set.
    // XonLim/XoffLim have no counterpart here; XON/XOFF use 17 and 19.
    bool SetState(const DeviceControlBlock& dcb);
    // Discards unread input (rx) and/or unsent output (tx).
    bool Purge(bool rx, bool tx);
    // Sizes the input queue (bytes held before reading stops); the output
    // size is accepted and not used (nothing is written).
    bool Setup(std::uint32_t inQueue, std::uint32_t outQueue);
    // Number of bytes waiting to be read; false when closed.  Also picks up
    // whatever the device has delivered since the last look.
    bool QueuedBytes(std::uint32_t& count);
    // Reads up to `size` queued bytes without waiting.
    bool Read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead);

    // The device was lost (far end closed, removed): the port stays open but
    // finds nothing more.
    bool IsBroken() const { return broken_; }
    QString LastError() const { return lastError_; }

private:
    void release();
    void onError(int error);

    QSerialPort* port_ = nullptr;
    QByteArray leftover_;   // bytes buffered when the device was lost
    bool open_ = false;
    bool broken_ = false;
    bool releasePending_ = false;
    QString lastError_;
};

}  // namespace comm
