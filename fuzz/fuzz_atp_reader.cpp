// Feeds arbitrary bytes to the time-program file reader.  A refused file must
// leave the table exactly as it was; an accepted one must write back to the
// same bytes and read back to the same rows.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "DataPacket.h"
#include "TimeProgram.h"

namespace {

void Check(bool Condition)
{
    if (!Condition)
        __builtin_trap();
}

// The packet of a one-row program, so that mutations start from a valid file.
std::string Seed(VelorTime::TTimeProgram& P)
{
    std::vector<platform::tablestore::TValue> Row(VelorTime::ProgramFieldCount);
    Row[VelorTime::fldSampleID] = std::int32_t{1};
    Row[VelorTime::fldSampleType] = std::string("Sample");
    Row[VelorTime::fldReceivedData] = std::string("\r\n1\r\n-1000");
    for (int F = VelorTime::fldWashingTime; F <= VelorTime::fldValveLate; ++F)
        Row[F] = 1.5;
    P.Table().ReplaceRows({Row});
    return platform::tablestore::SaveToPacket(P.Table());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    static VelorTime::TTimeProgram P;
    static const std::string Before = Seed(P);
    std::string_view Input(reinterpret_cast<const char*>(Data), Size);
    // The first byte chooses raw input or the valid seed with the rest
    // written over it from an offset, which reaches past the checksum test
    // less often but exercises the checks on a real header.
    std::string Packet;
    if (Size > 2 && Data[0] == 0xA5) {
        Packet = Before;
        const size_t At = Data[1] % (Packet.size() + 1);
        Packet.replace(At, std::min(Packet.size() - At, Size - 2), Input.substr(2));
    } else {
        Packet = std::string(Input);
    }

    try {
        platform::tablestore::LoadFromPacket(P.Table(), Packet, "fuzz.ATP");
    } catch (const Exception&) {
        Check(platform::tablestore::SaveToPacket(P.Table()) == Before);
        return 0;
    }
    const std::string Written = platform::tablestore::SaveToPacket(P.Table());
    Check(Written == Packet);
    VelorTime::TTimeProgram Q;
    platform::tablestore::LoadFromPacket(Q.Table(), Written, "again.ATP");
    Check(platform::tablestore::SaveToPacket(Q.Table()) == Written);
    // Back to the seed for the next input.
    platform::tablestore::LoadFromPacket(P.Table(), Before, "seed.ATP");
    return 0;
}
