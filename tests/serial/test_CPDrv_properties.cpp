// Property rules of the serial port component that need no device.
#include "CPDrv.h"
#include "Clock.h"

#include <gtest/gtest.h>

namespace {

struct VersionGuard {
    ~VersionGuard() { platform::ClearVersionInfoOverride(); }
};

void fakeVersion(std::uint32_t id, std::uint32_t major, std::uint32_t minor)
{
    platform::VersionInfo v;
    v.PlatformId = id;
    v.MajorVersion = major;
    v.MinorVersion = minor;
    platform::SetVersionInfoOverride(true, v);
}

}  // namespace

TEST(CommPortDriverDefaults, NewComponentIsClosedWithDocumentedDefaults)
{
    TCommPortDriver d;
    EXPECT_EQ(d.Port(), pnCOM2);
    EXPECT_EQ(d.PortName(), R"(\\.\COM2)");
    EXPECT_EQ(d.BaudRate(), br9600);
    EXPECT_EQ(d.BaudRateValue(), 9600u);
    EXPECT_EQ(d.DataBits(), db8BITS);
    EXPECT_EQ(d.StopBits(), sb1BITS);
    EXPECT_EQ(d.Parity(), ptNONE);
    EXPECT_EQ(d.HwFlow(), hfNONERTSON);
    EXPECT_EQ(d.SwFlow(), sfNONE);
    EXPECT_EQ(d.InBufSize(), 2048u);
    EXPECT_EQ(d.OutBufSize(), 2048u);
    EXPECT_EQ(d.PacketSize(), -1);
    EXPECT_EQ(d.PacketTimeout(), -1);
    EXPECT_EQ(d.PacketMode(), pmDiscard);
    EXPECT_EQ(d.PollingDelay(), 50);
    EXPECT_TRUE(d.EnableDTROnOpen());
    EXPECT_EQ(d.OutputTimeout(), 500);
    EXPECT_EQ(d.InputTimeout(), 200u);
    EXPECT_FALSE(d.CheckLineStatus());
    EXPECT_FALSE(d.IsConnected());
    EXPECT_FALSE(d.IsPolling());
    EXPECT_EQ(d.PacketStartTick(), TCommPortDriver::NoTick);
    EXPECT_FALSE(d.OnReceiveData);
    EXPECT_FALSE(d.OnReceivePacket);
    // Nothing to do while closed.
    EXPECT_FALSE(d.ApplyLineSettings());
    EXPECT_FALSE(d.PurgeBuffers(true, true));
    d.Disconnect();
    d.PollWndProc();
    EXPECT_FALSE(d.IsConnected());
}

TEST(CommPortDriverProperties, PortAndPortNameFollowEachOther)
{
    TCommPortDriver d;
    d.SetPort(pnCOM7);
    EXPECT_EQ(d.PortName(), R"(\\.\COM7)");
    d.SetPort(pnCOM16);
    EXPECT_EQ(d.PortName(), R"(\\.\COM16)");
    d.SetPort(pnCOM1);
    EXPECT_EQ(d.PortName(), R"(\\.\COM1)");
    // A name set directly is kept as given and makes the port custom.
    d.SetPortName("ttyUSB0");
    EXPECT_EQ(d.Port(), pnCustom);
    EXPECT_EQ(d.PortName(), "ttyUSB0");
    d.SetPortName(R"(\\.\COM1)");
    EXPECT_EQ(d.Port(), pnCustom);
    // pnCustom keeps the current name.
    d.SetPort(pnCustom);
    EXPECT_EQ(d.PortName(), R"(\\.\COM1)");
}

TEST(CommPortDriverProperties, BaudRateAndValue)
{
    TCommPortDriver d;
    d.SetBaudRate(br115200);
    EXPECT_EQ(d.BaudRateValue(), 115200u);
    d.SetBaudRateValue(9600);
    EXPECT_EQ(d.BaudRate(), brCustom);   // even a table value makes it custom
    EXPECT_EQ(d.BaudRateValue(), 9600u);
    d.SetBaudRateValue(230400);
    d.SetBaudRate(brCustom);
    EXPECT_EQ(d.BaudRateValue(), 230400u);
    d.SetBaudRate(br256000);
    EXPECT_EQ(d.BaudRate(), br256000);
    EXPECT_EQ(d.BaudRateValue(), 256000u);
}

TEST(CommPortDriverProperties, BufferSizesAreClamped)
{
    TCommPortDriver d;
    d.SetInBufSize(100);
    EXPECT_EQ(d.InBufSize(), 128u);
    d.SetInBufSize(10000);
    EXPECT_EQ(d.InBufSize(), 8192u);
    d.SetInBufSize(0xFFFFFFFFu);
    EXPECT_EQ(d.InBufSize(), 8192u);
    d.SetInBufSize(1000);
    EXPECT_EQ(d.InBufSize(), 1000u);
    d.SetOutBufSize(100);
    EXPECT_EQ(d.OutBufSize(), 128u);
    d.SetOutBufSize(10000);
    EXPECT_EQ(d.OutBufSize(), 8192u);
    d.SetOutBufSize(0);
    EXPECT_EQ(d.OutBufSize(), 128u);
}

TEST(CommPortDriverProperties, PollingDelayAndPacketTimeout)
{
    TCommPortDriver d;
    d.SetPollingDelay(0);
    EXPECT_EQ(d.PollingDelay(), 5);
    d.SetPollingDelay(50);
    d.SetPacketTimeout(0);
    EXPECT_EQ(d.PacketTimeout(), -1);
    d.SetPacketTimeout(-7);
    EXPECT_EQ(d.PacketTimeout(), -1);
    d.SetPacketTimeout(30);
    EXPECT_EQ(d.PacketTimeout(), 70);
    d.SetPacketTimeout(49);
    EXPECT_EQ(d.PacketTimeout(), 70);
    d.SetPacketTimeout(50);
    EXPECT_EQ(d.PacketTimeout(), 50);
    d.SetPacketTimeout(200);
    EXPECT_EQ(d.PacketTimeout(), 200);
    // A longer polling interval lifts a timeout below it.
    d.SetPollingDelay(300);
    EXPECT_EQ(d.PacketTimeout(), 420);
    d.SetPollingDelay(7);
    EXPECT_EQ(d.PacketTimeout(), 420);
    // -1 stays off whatever the interval.
    d.SetPacketTimeout(0);
    d.SetPollingDelay(1000);
    EXPECT_EQ(d.PacketTimeout(), -1);
}

TEST(CommPortDriverProperties, PacketSizeAndBufferHoldOnePacket)
{
    TCommPortDriver d;
    d.SetPacketSize(0);
    EXPECT_EQ(d.PacketSize(), -1);
    d.SetPacketSize(-5);
    EXPECT_EQ(d.PacketSize(), -1);
    d.SetPacketSize(64);
    EXPECT_EQ(d.PacketSize(), 64);
    EXPECT_EQ(d.InBufSize(), 2048u);
    d.SetPacketSize(4096);
    EXPECT_EQ(d.PacketSize(), 4096);
    EXPECT_EQ(d.InBufSize(), 4096u);
    // Shrinking the buffer below the packet grows it back to one packet.
    d.SetInBufSize(1000);
    EXPECT_EQ(d.InBufSize(), 4096u);
    d.SetPacketSize(200);
    d.SetInBufSize(100);
    EXPECT_EQ(d.InBufSize(), 200u);
    // Never beyond the largest buffer.
    d.SetPacketSize(30000);
    EXPECT_EQ(d.PacketSize(), 8192);
    EXPECT_EQ(d.InBufSize(), 8192u);
}

TEST(CommPortDriverProperties, PlainStores)
{
    TCommPortDriver d;
    d.SetPacketMode(pmPass);
    d.SetEnableDTROnOpen(false);
    d.SetOutputTimeout(7);
    d.SetInputTimeout(9);
    d.SetCheckLineStatus(true);
    d.SetDataBits(db5BITS);
    d.SetStopBits(sb2BITS);
    d.SetParity(ptSPACE);
    d.SetHwFlow(hfRTSCTS);
    d.SetSwFlow(sfXONXOFF);
    EXPECT_EQ(d.PacketMode(), pmPass);
    EXPECT_FALSE(d.EnableDTROnOpen());
    EXPECT_EQ(d.OutputTimeout(), 7);
    EXPECT_EQ(d.InputTimeout(), 9u);
    EXPECT_TRUE(d.CheckLineStatus());
    EXPECT_EQ(d.DataBits(), db5BITS);
    EXPECT_EQ(d.StopBits(), sb2BITS);
    EXPECT_EQ(d.Parity(), ptSPACE);
    EXPECT_EQ(d.HwFlow(), hfRTSCTS);
    EXPECT_EQ(d.SwFlow(), sfXONXOFF);
}

TEST(CommPortDriverLineBlock, CarriesTheLineSettings)
{
    TCommPortDriver d;
    comm::DeviceControlBlock dcb = d.BuildDeviceControlBlock();
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Flags, 0x0001u | 0x0010u | 0x1000u);   // binary, DTR on, RTS on
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonLim, 512);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);

    d.SetDataBits(db7BITS);
    d.SetParity(ptEVEN);
    d.SetStopBits(sb2BITS);
    d.SetEnableDTROnOpen(false);
    d.SetHwFlow(hfNONE);
    d.SetBaudRateValue(921600);
    dcb = d.BuildDeviceControlBlock();
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, 2);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.Flags, 0x0001u);
    EXPECT_EQ(dcb.BaudRate, 921600u);

    d.SetHwFlow(hfRTSCTS);
    d.SetSwFlow(sfXONXOFF);
    d.SetParity(ptSPACE);
    d.SetStopBits(sb1HALFBITS);
    d.SetDataBits(db5BITS);
    d.SetInBufSize(8192);
    dcb = d.BuildDeviceControlBlock();
    EXPECT_EQ(dcb.Flags, 0x0001u | 0x2004u | 0x0300u);
    EXPECT_EQ(dcb.Parity, 4);
    EXPECT_EQ(dcb.StopBits, 1);
    EXPECT_EQ(dcb.ByteSize, 5);
    EXPECT_EQ(dcb.XonLim, 2048);
}

TEST(CommPortDriverFunctions, BaudRateTable)
{
    const std::uint32_t expected[] = {0,     110,   300,   600,   1200,   2400,   4800,   9600,
                                      14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    for (int r = brCustom; r <= br256000; ++r)
        EXPECT_EQ(BaudRateToValue(TBaudRate(r)), expected[r]) << r;
}

TEST(CommPortDriverFunctions, TransferTimeRoundsHalvesToEven)
{
    EXPECT_EQ(TransferTimeMs(br9600, 10), 10);     // 10.42
    EXPECT_EQ(TransferTimeMs(br9600, 48), 50);
    EXPECT_EQ(TransferTimeMs(br110, 11), 1000);
    EXPECT_EQ(TransferTimeMs(br4800, 6), 12);      // 12.5
    EXPECT_EQ(TransferTimeMs(br4800, 18), 38);     // 37.5
    EXPECT_EQ(TransferTimeMs(br115200, 0), 0);
    EXPECT_EQ(TransferTimeMs(brCustom, 100), 0);   // no table rate
}

TEST(CommPortDriverFunctions, PlatformTagAndVersion)
{
    VersionGuard guard;
    EXPECT_EQ(GetPlatformTag(), "WNT");   // this machine: the NT family
    platform::VersionInfo real;
    ASSERT_TRUE(platform::GetVersionInfo(real));
    EXPECT_EQ(GetPlatformVersion(), (real.MajorVersion << 16) | real.MinorVersion);

    fakeVersion(0, 3, 11);
    EXPECT_EQ(GetPlatformTag(), "W32S");
    fakeVersion(1, 4, 90);
    EXPECT_EQ(GetPlatformTag(), "W95");
    EXPECT_EQ(GetPlatformVersion(), 0x4005Au);
    fakeVersion(3, 0x12345, 0x10002);
    EXPECT_EQ(GetPlatformTag(), "");
    EXPECT_EQ(GetPlatformVersion(), 0x23450002u);   // low 16 bits of each
    platform::SetVersionInfoOverride(false, {});
    EXPECT_EQ(GetPlatformTag(), "??");
    EXPECT_EQ(GetPlatformVersion(), 0u);
}
