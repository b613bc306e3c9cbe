#include "CommPort.h"
#include "PtyPair.h"
#include "SpinWait.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <string>

using namespace comm;

namespace {

DeviceControlBlock lineBlock(std::uint8_t bits = 8, std::uint8_t parity = NOPARITY, std::uint8_t stop = ONESTOPBIT,
                             std::uint32_t flags = fBinary | fDtrControlEnable | fRtsControlEnable)
{
    DeviceControlBlock dcb;
    dcb.BaudRate = 9600;
    dcb.Flags = flags;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

std::string readAll(CommPort& port)
{
    std::uint32_t queued = 0;
    EXPECT_TRUE(port.QueuedBytes(queued));
    std::string out(queued, '\0');
    std::uint32_t got = 0;
    EXPECT_TRUE(port.Read(out.data(), queued, got));
    out.resize(got);
    return out;
}

}  // namespace

TEST(CommPortNames, ComNamesMapToSerialDevicesOthersPassUnchanged)
{
    EXPECT_EQ(DeviceNameFor(R"(\\.\COM1)"), "/dev/ttyS0");
    EXPECT_EQ(DeviceNameFor(R"(\\.\COM16)"), "/dev/ttyS15");
    EXPECT_EQ(DeviceNameFor(R"(\\.\com3)"), "/dev/ttyS2");
    EXPECT_EQ(DeviceNameFor(R"(\\.\COM0)"), R"(\\.\COM0)");
    EXPECT_EQ(DeviceNameFor(R"(\\.\COM1x)"), R"(\\.\COM1x)");
    EXPECT_EQ(DeviceNameFor("COM1"), "COM1");
    EXPECT_EQ(DeviceNameFor("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

TEST(CommPortOpen, FailsOnMissingDirectoryRegularFileAndBusyPort)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();

    CommPort port;
    EXPECT_FALSE(port.Open(dir.filePath("missing")));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Open(dir.path()));
    EXPECT_FALSE(port.Open(file.fileName()));
    EXPECT_FALSE(port.IsOpen());

    PtyPair pty;
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));
    EXPECT_TRUE(port.IsOpen());
    CommPort other;
    EXPECT_FALSE(other.Open(QString::fromStdString(pty.slavePath())));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    // Free again once closed.
    EXPECT_TRUE(other.Open(QString::fromStdString(pty.slavePath())));
}

TEST(CommPortState, LineSettingsReachTheDevice)
{
    PtyPair pty;
    CommPort port;
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));

    ASSERT_TRUE(port.SetState(lineBlock(8, NOPARITY, TWOSTOPBITS))) << port.LastError().toStdString();
    termios t = pty.slaveTermios();
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & IXON);

    // Rates beyond the classic table.
    for (std::uint32_t rate : {230400u, 460800u, 921600u}) {
        DeviceControlBlock fast = lineBlock();
        fast.BaudRate = rate;
        ASSERT_TRUE(port.SetState(fast)) << rate;
    }
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetispeed(&t), speed_t(B921600));
    EXPECT_FALSE(t.c_cflag & CSTOPB);

    // RTS/CTS and XON/XOFF together.
    ASSERT_TRUE(port.SetState(lineBlock(8, NOPARITY, ONESTOPBIT,
                                        fBinary | fRtsControlHandshake | fOutxCtsFlow | fOutX | fInX)));
    t = pty.slaveTermios();
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);

    ASSERT_TRUE(port.SetState(lineBlock(8, NOPARITY, ONESTOPBIT, fBinary | fOutX | fInX)));
    t = pty.slaveTermios();
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);

    // DTR and RTS off are accepted too (a pseudo-terminal has no modem lines).
    EXPECT_TRUE(port.SetState(lineBlock(8, NOPARITY, ONESTOPBIT, fBinary)));
}

TEST(CommPortState, RefusedSettingsFail)
{
    PtyPair pty;
    CommPort port;
    EXPECT_FALSE(port.SetState(lineBlock()));   // not open
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));
    ASSERT_TRUE(port.SetState(lineBlock()));
    // One and a half stop bits exist only for 5-bit characters.
    EXPECT_FALSE(port.SetState(lineBlock(8, NOPARITY, ONE5STOPBITS)));
    // A pseudo-terminal keeps 8 bits without parity.
    EXPECT_FALSE(port.SetState(lineBlock(7)));
    EXPECT_FALSE(port.SetState(lineBlock(5, NOPARITY, ONE5STOPBITS)));
    for (std::uint8_t parity : {ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY})
        EXPECT_FALSE(port.SetState(lineBlock(8, parity))) << int(parity);
    EXPECT_FALSE(port.SetState(lineBlock(9)));
    EXPECT_FALSE(port.SetState(lineBlock(4)));
    EXPECT_FALSE(port.SetState(lineBlock(8, 5)));
    DeviceControlBlock zero = lineBlock();
    zero.BaudRate = 0;
    EXPECT_FALSE(port.SetState(zero));
    // The port stays usable.
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.SetState(lineBlock()));
}

TEST(CommPortQueue, QueuedCountSeesArrivedBytesWithoutEventLoopAndPurgeDiscards)
{
    PtyPair pty;
    CommPort port;
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));
    ASSERT_TRUE(port.SetState(lineBlock()));
    ASSERT_TRUE(port.Setup(2048, 2048));

    ASSERT_TRUE(pty.write("12\r"));
    ASSERT_TRUE(pty.waitQueued(3));
    std::uint32_t queued = 0;
    ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 3u);
    EXPECT_EQ(readAll(port), "12\r");
    ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 0u);

    ASSERT_TRUE(pty.write("lost"));
    ASSERT_TRUE(pty.waitQueued(4));
    ASSERT_TRUE(port.QueuedBytes(queued));   // now held by the port
    EXPECT_EQ(queued, 4u);
    ASSERT_TRUE(pty.write("too"));
    ASSERT_TRUE(pty.waitQueued(3));          // still in the line
    EXPECT_TRUE(port.Purge(true, true));
    ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 0u);

    ASSERT_TRUE(pty.write("ok"));
    ASSERT_TRUE(SpinUntil([&] { std::uint32_t n = 0; return port.QueuedBytes(n) && n == 2; }));
    EXPECT_EQ(readAll(port), "ok");
}

TEST(CommPortQueue, QueueSizeBoundsWhatThePortHoldsAndTheRestFollows)
{
    PtyPair pty;
    CommPort port;
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));
    ASSERT_TRUE(port.SetState(lineBlock()));
    ASSERT_TRUE(port.Setup(128, 128));
    std::string sent;
    for (int i = 0; i < 1000; ++i)
        sent += char('a' + i % 26);
    ASSERT_TRUE(pty.write(sent));
    ASSERT_TRUE(pty.waitQueued(1000));

    std::string received;
    ASSERT_TRUE(SpinUntil([&] {
        std::uint32_t n = 0;
        if (!port.QueuedBytes(n))
            return true;
        EXPECT_LE(n, 128u);
        char buf[256];
        std::uint32_t got = 0;
        if (n > 0 && port.Read(buf, n, got))
            received.append(buf, got);
        return received.size() >= sent.size();
    }));
    EXPECT_EQ(received, sent);
}

TEST(CommPortLost, FarEndClosedKeepsBufferedBytesAndStopsCalmly)
{
    PtyPair pty;
    CommPort port;
    ASSERT_TRUE(port.Open(QString::fromStdString(pty.slavePath())));
    ASSERT_TRUE(port.SetState(lineBlock()));
    ASSERT_TRUE(port.Setup(2048, 2048));
    ASSERT_TRUE(pty.write("12\r"));
    ASSERT_TRUE(pty.waitQueued(3));
    std::uint32_t queued = 0;
    ASSERT_TRUE(port.QueuedBytes(queued));
    ASSERT_EQ(queued, 3u);

    pty.closeMaster();
    ASSERT_TRUE(SpinUntil([&] { port.QueuedBytes(queued); return port.IsBroken(); }));
    SpinFor(20);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(readAll(port), "12\r");
    ASSERT_TRUE(port.QueuedBytes(queued));
    EXPECT_EQ(queued, 0u);
    EXPECT_FALSE(port.SetState(lineBlock()));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}
