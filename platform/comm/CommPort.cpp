#include "CommPort.h"

#include <QRegularExpression>
#include <QSerialPort>

#include <termios.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace comm {

QString DeviceNameFor(const QString& portName)
{
    static const QRegularExpression com(QStringLiteral(R"(^\\\\\.\\COM([0-9]+)$)"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(portName);
    if (m.hasMatch()) {
        bool ok = false;
        const qulonglong n = m.captured(1).toULongLong(&ok);
        if (ok && n >= 1 && n <= 1000000)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return portName;
}

CommPort::CommPort() = default;

CommPort::~CommPort()
{
    Close();
}

bool CommPort::Open(const QString& portName)
{
    Close();
    auto* port = new QSerialPort(this);
    port->setPortName(DeviceNameFor(portName));
    if (!port->open(QIODevice::ReadWrite)) {
        lastError_ = port->errorString();
        delete port;
        return false;
    }
    port_ = port;
    open_ = true;
    connect(port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(e); });
    return true;
}

bool CommPort::IsOpen() const
{
    return open_;
}

void CommPort::Close()
{
    if (port_) {
        port_->disconnect(this);
        port_->close();
        delete port_;
        port_ = nullptr;
    }
    open_ = false;
    broken_ = false;
    releasePending_ = false;
    leftover_.clear();
}

void CommPort::onError(int error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    lastError_ = port_ ? port_->errorString() : QString();
    broken_ = true;
    // A lost device stays readable forever (hang-up), so its notifier would
    // fire without end.  Let go of it once the current call has returned,
    // keeping whatever was already buffered.
    if (!releasePending_) {
        releasePending_ = true;
        QMetaObject::invokeMethod(this, [this] { release(); }, Qt::QueuedConnection);
    }
}

void CommPort::release()
{
    releasePending_ = false;
    if (!port_ || !broken_)
        return;
    leftover_.append(port_->readAll());
    port_->disconnect(this);
    port_->close();
    port_->deleteLater();
    port_ = nullptr;
}

namespace {

// Modem-control lines on a device that has none (a pseudo-terminal) are
// accepted as set: there is nothing to drive.
bool lineSet(QSerialPort& port, bool ok)
{
    if (ok)
        return true;
    if (port.error() == QSerialPort::UnsupportedOperationError) {
        port.clearError();
        return true;
    }
    return false;
}

}  // namespace

bool CommPort::SetState(const DeviceControlBlock& dcb)
{
    if (!open_ || broken_ || !port_)
        return false;
    QSerialPort& p = *port_;
    auto fail = [this, &p] {
        lastError_ = p.errorString();
        return false;
    };

    if (dcb.BaudRate == 0 || dcb.BaudRate > std::uint32_t(std::numeric_limits<qint32>::max()))
        return fail();
    if (!p.setBaudRate(qint32(dcb.BaudRate)))
        return fail();

    if (dcb.ByteSize < 5 || dcb.ByteSize > 8)
        return fail();
    if (!p.setDataBits(QSerialPort::DataBits(dcb.ByteSize)))
        return fail();

    QSerialPort::Parity parity;
    switch (dcb.Parity) {
    case NOPARITY: parity = QSerialPort::NoParity; break;
    case ODDPARITY: parity = QSerialPort::OddParity; break;
    case EVENPARITY: parity = QSerialPort::EvenParity; break;
    case MARKPARITY: parity = QSerialPort::MarkParity; break;
    case SPACEPARITY: parity = QSerialPort::SpaceParity; break;
    default: return fail();
    }
    if (!p.setParity(parity))
        return fail();

    // The UART gives one and a half stop bits for 5-bit characters when told
    // "two"; with longer characters there is no such setting.
    QSerialPort::StopBits stop;
    switch (dcb.StopBits) {
    case ONESTOPBIT: stop = QSerialPort::OneStop; break;
    case TWOSTOPBITS: stop = QSerialPort::TwoStop; break;
    case ONE5STOPBITS:
        if (dcb.ByteSize != 5) {
            lastError_ = QStringLiteral("1.5 stop bits need 5 data bits");
            return false;
        }
        stop = QSerialPort::TwoStop;
        break;
    default: return fail();
    }
    if (!p.setStopBits(stop))
        return fail();

    const bool rtsHandshake = (dcb.Flags & fRtsControlMask) == fRtsControlHandshake || (dcb.Flags & fOutxCtsFlow);
    const bool xonXoff = (dcb.Flags & (fOutX | fInX)) != 0;
    if (!p.setFlowControl(rtsHandshake ? QSerialPort::HardwareControl
                          : xonXoff    ? QSerialPort::SoftwareControl
                                       : QSerialPort::NoFlowControl))
        return fail();
    if (rtsHandshake && xonXoff) {
        // Both at once: the port's API offers one or the other, the line
        // discipline takes both.
        termios t{};
        if (::tcgetattr(p.handle(), &t) != 0)
            return fail();
        t.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(p.handle(), TCSANOW, &t) != 0)
            return fail();
    }

    // Some devices keep their own character format whatever they are told
    // (a pseudo-terminal stays at 8 bits without parity): check what stuck.
    termios now{};
    if (::tcgetattr(p.handle(), &now) != 0)
        return fail();
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    const bool twoStop = stop == QSerialPort::TwoStop;
    if ((now.c_cflag & CSIZE) != sizes[dcb.ByteSize - 5] || bool(now.c_cflag & PARENB) != (parity != QSerialPort::NoParity)
        || bool(now.c_cflag & CSTOPB) != twoStop) {
        lastError_ = QStringLiteral("The device does not support this character format");
        return false;
    }

    if (!lineSet(p, p.setDataTerminalReady((dcb.Flags & fDtrControlEnable) != 0)))
        return fail();
    if (!rtsHandshake && !lineSet(p, p.setRequestToSend((dcb.Flags & fRtsControlMask) == fRtsControlEnable)))
        return fail();
    return true;
}

bool CommPort::Purge(bool rx, bool tx)
{
    if (!open_ || broken_ || !port_)
        return false;
    if (!rx && !tx)
        return true;
    const QSerialPort::Directions dirs = rx && tx ? QSerialPort::AllDirections
                                         : rx     ? QSerialPort::Input
                                                  : QSerialPort::Output;
    if (!port_->clear(dirs)) {
        lastError_ = port_->errorString();
        return false;
    }
    return true;
}

bool CommPort::Setup(std::uint32_t inQueue, std::uint32_t /*outQueue*/)
{
    if (!open_ || broken_ || !port_)
        return false;
    port_->setReadBufferSize(qint64(inQueue));
    return true;
}

bool CommPort::QueuedBytes(std::uint32_t& count)
{
    count = 0;
    if (!open_)
        return false;
    qint64 n = leftover_.size();
    if (port_ && !broken_) {
        // Pick up what the device has delivered since the event loop last
        // looked, without waiting.
        port_->waitForReadyRead(0);
    }
    if (port_)
        n += port_->bytesAvailable();
    count = std::uint32_t(n);
    return true;
}

bool CommPort::Read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead)
{
    bytesRead = 0;
    if (!open_)
        return false;
    auto* out = static_cast<char*>(buffer);
    std::uint32_t done = 0;
    if (!leftover_.isEmpty() && size > 0) {
        const std::uint32_t take = std::min<std::uint32_t>(size, std::uint32_t(leftover_.size()));
        std::memcpy(out, leftover_.constData(), take);
        leftover_.remove(0, take);
        done = take;
    }
    if (done < size && port_) {
        const qint64 got = port_->read(out + done, qint64(size - done));
        if (got < 0) {
            lastError_ = port_->errorString();
            bytesRead = done;
            return done > 0;
        }
        done += std::uint32_t(got);
    }
    bytesRead = done;
    return true;
}

}  // namespace comm
