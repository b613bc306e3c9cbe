// The serial port component against a pseudo-terminal standing in for the
// instrument.  A pseudo-terminal keeps 8 data bits without parity, so the
// components here use those (the defaults).
#include "CPDrv.h"
#include "Clock.h"
#include "PtyPair.h"
#include "SpinWait.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Collects everything the component delivers.
struct Sink {
    std::vector<std::string> chunks;
    std::string all() const
    {
        std::string s;
        for (const auto& c : chunks)
            s += c;
        return s;
    }
    TReceiveDataEvent handler()
    {
        return [this](TCommPortDriver*, const void* data, std::uint32_t size) {
            chunks.emplace_back(static_cast<const char*>(data), size);
        };
    }
};

QString pathOf(const PtyPair& pty)
{
    return QString::fromStdString(pty.slavePath());
}

// A component on the pseudo-terminal whose timer stays quiet, so the test
// runs every tick itself.
void openManual(TCommPortDriver& d, const PtyPair& pty)
{
    d.SetPortName(pathOf(pty));
    d.SetPollingDelay(60000);
    ASSERT_TRUE(d.Connect());
}

}  // namespace

TEST(CommPortDriverReceive, BytesBetweenTwoTicksArriveAsOneCallAndEmptyTicksAreSilent)
{
    PtyPair pty;
    TCommPortDriver d;
    Sink sink;
    TCommPortDriver* sender = nullptr;
    d.OnReceiveData = [&](TCommPortDriver* s, const void* data, std::uint32_t size) {
        sender = s;
        sink.chunks.emplace_back(static_cast<const char*>(data), size);
    };
    openManual(d, pty);

    d.PollWndProc();
    EXPECT_TRUE(sink.chunks.empty());
    ASSERT_TRUE(pty.write("12\r"));
    ASSERT_TRUE(pty.waitQueued(3));
    d.PollWndProc();
    ASSERT_EQ(sink.chunks.size(), 1u);
    EXPECT_EQ(sink.chunks[0], "12\r");
    EXPECT_EQ(sender, &d);
    d.PollWndProc();
    d.PollWndProc();
    EXPECT_EQ(sink.chunks.size(), 1u);

    // Without a handler the bytes are read and dropped.
    d.OnReceiveData = nullptr;
    ASSERT_TRUE(pty.write("34\r"));
    ASSERT_TRUE(pty.waitQueued(3));
    d.PollWndProc();
    d.OnReceiveData = sink.handler();
    d.PollWndProc();
    EXPECT_EQ(sink.chunks.size(), 1u);
}

TEST(CommPortDriverReceive, TimerDeliversEverythingInOrderInChunksOfAtMostTheBuffer)
{
    PtyPair pty;
    TCommPortDriver d;
    d.SetPortName(pathOf(pty));
    d.SetInBufSize(128);
    Sink sink;
    std::uint32_t largest = 0;
    bool emptyCall = false;
    d.OnReceiveData = [&](TCommPortDriver*, const void* data, std::uint32_t size) {
        emptyCall = emptyCall || size == 0;
        largest = std::max(largest, size);
        sink.chunks.emplace_back(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(d.Connect());
    EXPECT_TRUE(d.IsPolling());
    EXPECT_EQ(d.PollInterval(), 50);

    std::string sent;
    for (int i = 0; i < 300; ++i)
        sent += std::to_string(1000 + i) + "\r\n";
    // Part at once (more than the buffer), part in small pieces.
    ASSERT_TRUE(pty.write(sent.substr(0, 1000)));
    for (std::size_t pos = 1000; pos < sent.size(); pos += 7)
        ASSERT_TRUE(pty.write(sent.substr(pos, 7)));
    ASSERT_TRUE(SpinUntil([&] { return sink.all().size() >= sent.size(); }));
    EXPECT_EQ(sink.all(), sent);
    EXPECT_LE(largest, 128u);
    EXPECT_FALSE(emptyCall);

    const std::size_t calls = sink.chunks.size();
    ASSERT_TRUE(SpinTicks(d.findChild<QTimer*>(), 3));   // idle ticks
    EXPECT_EQ(sink.chunks.size(), calls);
}

TEST(CommPortDriverReceive, LineSettingChangeWhileOpenPurgesUnreadInput)
{
    PtyPair pty;
    TCommPortDriver d;
    Sink sink;
    d.OnReceiveData = sink.handler();
    openManual(d, pty);

    ASSERT_TRUE(pty.write("lost\r"));
    ASSERT_TRUE(pty.waitQueued(5));
    d.SetBaudRate(br19200);   // programmed at once, queues purged
    EXPECT_TRUE(d.IsConnected());
    EXPECT_EQ(pty.queued(), 0);
    d.PollWndProc();
    EXPECT_TRUE(sink.chunks.empty());
    EXPECT_EQ(cfgetispeed(&static_cast<const termios&>(pty.slaveTermios())), speed_t(B19200));

    ASSERT_TRUE(pty.write("kept\r"));
    ASSERT_TRUE(pty.waitQueued(5));
    d.PollWndProc();
    EXPECT_EQ(sink.all(), "kept\r");

    // A setting the device refuses leaves the port open and working.
    d.SetDataBits(db7BITS);
    EXPECT_TRUE(d.IsConnected());
    EXPECT_EQ(d.DataBits(), db7BITS);
    ASSERT_TRUE(pty.write("more\r"));
    ASSERT_TRUE(pty.waitQueued(5));
    d.PollWndProc();
    EXPECT_EQ(sink.all(), "kept\rmore\r");
}

TEST(CommPortDriverConnect, FailuresLeaveTheComponentClosed)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("12\r");
    file.close();
    PtyPair pty;

    TCommPortDriver first;
    first.SetPortName(pathOf(pty));
    ASSERT_TRUE(first.Connect());

    for (const QString& name : {dir.filePath("missing"), dir.path(), file.fileName(), pathOf(pty),
                                QStringLiteral(R"(\\.\COM16)")}) {
        TCommPortDriver d;
        d.SetPortName(name);
        EXPECT_FALSE(d.Connect()) << name.toStdString();
        EXPECT_FALSE(d.IsConnected());
        EXPECT_FALSE(d.IsPolling());
    }
    EXPECT_TRUE(first.IsConnected());
}

TEST(CommPortDriverConnect, RefusedLineSettingsCloseThePortAgain)
{
    PtyPair pty;
    TCommPortDriver d;
    d.SetPortName(pathOf(pty));
    d.SetStopBits(sb1HALFBITS);   // only with 5-bit characters
    EXPECT_FALSE(d.Connect());
    EXPECT_FALSE(d.IsConnected());
    d.SetStopBits(sb1BITS);
    d.SetDataBits(db7BITS);       // a pseudo-terminal has 8 bits only
    EXPECT_FALSE(d.Connect());
    EXPECT_FALSE(d.IsConnected());

    // The failed attempts released the device.
    TCommPortDriver other;
    other.SetPortName(pathOf(pty));
    EXPECT_TRUE(other.Connect());
}

TEST(CommPortDriverConnect, OpenPortKeepsItsIdentityAndPollingFollowsTheDelay)
{
    PtyPair pty;
    Sink sink;
    {
        TCommPortDriver d;
        d.OnReceiveData = sink.handler();
        openManual(d, pty);
        const QString name = d.PortName();

        ASSERT_TRUE(pty.write("ab"));
        ASSERT_TRUE(pty.waitQueued(2));
        EXPECT_TRUE(d.Connect());   // already open: nothing reopened, nothing purged
        EXPECT_EQ(pty.queued(), 2);

        d.SetPort(pnCOM3);
        d.SetPortName("elsewhere");
        d.SetInBufSize(256);
        d.SetOutBufSize(256);
        EXPECT_EQ(d.PortName(), name);
        EXPECT_EQ(d.Port(), pnCustom);
        EXPECT_EQ(d.InBufSize(), 2048u);
        EXPECT_EQ(d.OutBufSize(), 2048u);
        // A packet cannot outgrow the buffer while open.
        d.SetPacketSize(4000);
        EXPECT_EQ(d.PacketSize(), 2048);
        d.SetPacketSize(-1);

        d.SetPollingDelay(20);
        EXPECT_TRUE(d.IsPolling());
        EXPECT_EQ(d.PollInterval(), 20);
        ASSERT_TRUE(SpinUntil([&] { return sink.all() == "ab"; }));

        EXPECT_TRUE(d.PurgeBuffers(true, false));
        EXPECT_TRUE(d.PurgeBuffers(false, true));
        d.Disconnect();
        EXPECT_FALSE(d.IsConnected());
        EXPECT_FALSE(d.IsPolling());
        EXPECT_FALSE(d.PurgeBuffers(true, true));
        d.Disconnect();

        ASSERT_TRUE(d.Connect());   // reopen after a disconnect
    }
    // Destroying an open component closes its port.
    TCommPortDriver other;
    other.SetPortName(pathOf(pty));
    EXPECT_TRUE(other.Connect());
}

// The far end going away leaves the component open and polling at its rate.
// (That its event loop then sleeps between ticks instead of spinning is
// measured in bench/bench_serial_stream.cpp.)
TEST(CommPortDriverConnect, FarEndClosedNeitherCrashesNorStopsPolling)
{
    PtyPair pty;
    TCommPortDriver d;
    Sink sink;
    d.OnReceiveData = sink.handler();
    d.SetPortName(pathOf(pty));
    d.SetPollingDelay(5);
    ASSERT_TRUE(d.Connect());
    ASSERT_TRUE(pty.write("12\r"));
    ASSERT_TRUE(SpinUntil([&] { return sink.all() == "12\r"; }));

    pty.closeMaster();
    ASSERT_TRUE(SpinTicks(d.findChild<QTimer*>(), 5));
    EXPECT_TRUE(d.IsConnected());   // the component never closes by itself
    EXPECT_TRUE(d.IsPolling());
    EXPECT_EQ(d.PollInterval(), 5);
    EXPECT_EQ(sink.all(), "12\r");
    d.SetBaudRate(br57600);         // fails quietly
    EXPECT_TRUE(d.IsConnected());
    d.Disconnect();
    EXPECT_FALSE(d.IsConnected());
}

// ------------------------------------------------------------- packet mode

class CommPortDriverPackets : public ::testing::Test {
protected:
    void SetUp() override
    {
        d.OnReceivePacket = [this](TCommPortDriver*, const void* data, std::uint32_t size) {
            packets.emplace_back(static_cast<const char*>(data), size);
        };
        d.OnReceiveData = [this](TCommPortDriver*, const void*, std::uint32_t) { ++dataCalls; };
        d.SetPacketSize(10);
        openManual(d, pty);
        d.SetPacketTimeout(100000);   // with the quiet 60 s timer
        ASSERT_EQ(d.PacketTimeout(), 100000);
    }

    void send(const std::string& s)
    {
        ASSERT_TRUE(pty.write(s));
        ASSERT_TRUE(pty.waitQueued(int(s.size())));
    }

    PtyPair pty;
    platform::ManualClock clock{1000};
    platform::ScopedClock useClock{clock};
    TCommPortDriver d;
    std::vector<std::string> packets;
    int dataCalls = 0;
};

TEST_F(CommPortDriverPackets, WholePacketsInOneTickAndTheRestIsDroppedAfterTheTimeout)
{
    send("0123456789abcdefghijKLMNO");
    d.PollWndProc();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0], "0123456789");
    EXPECT_EQ(packets[1], "abcdefghij");
    EXPECT_NE(d.PacketStartTick(), TCommPortDriver::NoTick);

    clock.Advance(100000);
    d.PollWndProc();   // not yet beyond the timeout
    EXPECT_EQ(packets.size(), 2u);
    clock.Advance(1);
    d.PollWndProc();   // pmDiscard: dropped
    EXPECT_EQ(packets.size(), 2u);
    EXPECT_EQ(d.PacketStartTick(), TCommPortDriver::NoTick);

    send("pqrstuvwxy");
    d.PollWndProc();
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[2], "pqrstuvwxy");
    EXPECT_EQ(d.PacketStartTick(), TCommPortDriver::NoTick);   // queue emptied
    EXPECT_EQ(dataCalls, 0);
}

TEST_F(CommPortDriverPackets, PartialPacketIsPassedShortAfterTheTimeoutAcrossTheClockWrap)
{
    d.SetPacketMode(pmPass);
    clock.Set(0xFFFFFF00u);
    send("abc");
    d.PollWndProc();
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(d.PacketStartTick(), 0xFFFFFF00u);   // first byte seen now

    clock.Advance(50000);   // past 2^32
    send("de");
    d.PollWndProc();
    EXPECT_TRUE(packets.empty());
    EXPECT_EQ(d.PacketStartTick(), 0xFFFFFF00u);   // still the first byte's time

    clock.Advance(50001);
    d.PollWndProc();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], "abcde");
    EXPECT_EQ(d.PacketStartTick(), TCommPortDriver::NoTick);
}

TEST_F(CommPortDriverPackets, PurgeForgetsThePartialPacket)
{
    send("abc");
    d.PollWndProc();
    ASSERT_NE(d.PacketStartTick(), TCommPortDriver::NoTick);
    EXPECT_TRUE(d.PurgeBuffers(true, true));
    EXPECT_EQ(d.PacketStartTick(), TCommPortDriver::NoTick);
    // A timed-out estimate lying ahead of the clock is not taken as expired.
    send("0123456789012");
    d.PollWndProc();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], "0123456789");
    EXPECT_EQ(d.PacketStartTick(), clock.TickCount());
}

// ----------------------------------------------------------- steady stream

TEST(CommPortDriverStream, OneSecondAt115200BaudArrivesCompleteAndInOrder)
{
    PtyPair pty;
    TCommPortDriver d;
    Sink sink;
    d.OnReceiveData = sink.handler();
    d.SetPortName(pathOf(pty));
    ASSERT_TRUE(d.Connect());

    // About 11,500 bytes per second in 6-byte lines, written every 10 ms.
    std::string sent;
    for (int i = 0; i < 1920; ++i)
        sent += std::to_string(1000 + i % 9000) + "\r\n";
    std::atomic<bool> writeOk{true};
    std::thread instrument([&] {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t pos = 0, tick = 1; pos < sent.size(); pos += 115, ++tick) {
            if (!pty.write(sent.substr(pos, 115)))
                writeOk = false;
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * tick));
        }
    });
    const bool complete = SpinUntil([&] { return sink.all().size() >= sent.size(); });
    instrument.join();
    ASSERT_TRUE(writeOk);
    ASSERT_TRUE(complete);
    EXPECT_EQ(sink.all(), sent);
}

// The device going away is told once, after every byte it sent has been
// delivered; a new Connect arms the report again.
TEST(CommPortDriverConnect, LineLostIsReportedOnceAfterTheLastBytes)
{
    PtyPair pty;
    TCommPortDriver d;
    Sink sink;
    int lost = 0;
    std::string atLoss;
    d.OnReceiveData = sink.handler();
    d.OnLineLost = [&](TCommPortDriver* sender) {
        EXPECT_EQ(sender, &d);
        ++lost;
        atLoss = sink.all();
    };
    d.SetPortName(pathOf(pty));
    d.SetPollingDelay(5);
    ASSERT_TRUE(d.Connect());
    EXPECT_FALSE(d.IsLineLost());
    ASSERT_TRUE(pty.write("12\r34\r"));
    ASSERT_TRUE(SpinUntil([&] { return pty.queued() == 0; }));   // taken off the line
    pty.closeMaster();
    ASSERT_TRUE(SpinUntil([&] { return lost > 0; }));
    ASSERT_TRUE(SpinTicks(d.findChild<QTimer*>(), 3));   // later ticks tell nothing more
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(atLoss, "12\r34\r");
    EXPECT_TRUE(d.IsLineLost());
    EXPECT_TRUE(d.IsConnected());   // closing is the owner's choice
    d.Disconnect();
    EXPECT_FALSE(d.IsLineLost());
}
