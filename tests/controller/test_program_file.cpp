// The .ATP file: the empty table's header and descriptors byte for byte,
// round trips of awkward tables, and damaged, truncated and foreign files
// refused with the table left exactly as it was.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "TimeProgram.h"

using namespace VelorTime;
using platform::tablestore::TDataSetState;
using platform::tablestore::TValue;

namespace {

// The empty time program as the file layout gives it, written out by hand.
std::string EmptyProgramBytes()
{
    std::string S;
    auto u8 = [&](unsigned V) { S += static_cast<char>(V); };
    auto u16 = [&](unsigned V) { u8(V & 0xFF), u8(V >> 8); };
    auto u32 = [&](unsigned V) { u16(V & 0xFFFF), u16(V >> 16); };
    auto name = [&](const char* N) { u8(static_cast<unsigned>(std::strlen(N))), S += N; };
    auto column = [&](const char* N, unsigned Size, unsigned Type, unsigned Attr, unsigned Props) {
        name(N), u16(Size), u16(Type), u16(Attr), u16(Props);
    };
    u8(0x96), u8(0x19), u8(0xE0), u8(0xBD);
    u32(1), u32(24), u16(11), u32(0), u32(3), u16(277);
    column("SampleID", 4, 1, 4, 0);
    column("SampleName", 2, 0x49, 0, 1), name("WIDTH"), u16(2), u16(2), u16(255);
    column("SampleType", 1, 0x49, 4, 1), name("WIDTH"), u16(2), u16(2), u16(10);
    column("Replicates", 4, 1, 0, 0);
    for (const char* T : {"WashingTime", "InjectionTime", "ReadAt", "ReplTime", "ProbeForward", "ValveLate"})
        column(T, 8, 4, 4, 0);
    column("ReceivedData", 4, 0x4B, 0, 1), name("SUBTYPE"), u16(2), u16(0x49), u16(5);
    S.append("Text", 4), u8(0);
    u16(0);
    return S;
}

std::string ReadBytes(const std::string& File)
{
    std::ifstream In(File, std::ios::binary);
    std::ostringstream O;
    O << In.rdbuf();
    return O.str();
}

void WriteBytes(const std::string& File, const std::string& Bytes)
{
    std::ofstream(File, std::ios::binary) << Bytes;
}

// CRC-32 as zlib and PNG compute it, bit by bit.
std::uint32_t Crc32(std::string_view Bytes)
{
    std::uint32_t C = 0xFFFFFFFFu;
    for (unsigned char B : Bytes) {
        C ^= B;
        for (int K = 0; K < 8; ++K)
            C = (C >> 1) ^ ((C & 1) ? 0xEDB88320u : 0u);
    }
    return ~C;
}

// A saved packet with one byte changed and its checksum made right again, so
// that only the change itself can be refused.
std::string Resealed(std::string Packet, size_t At, unsigned char Or)
{
    Packet[At] = static_cast<char>(static_cast<unsigned char>(Packet[At]) | Or);
    const size_t End = Packet.size() - 4;
    const std::uint32_t C = Crc32(std::string_view(Packet).substr(0, End));
    for (int I = 0; I < 4; ++I)
        Packet[End + I] = static_cast<char>((C >> (8 * I)) & 0xFF);
    return Packet;
}

struct FileFixture : ::testing::Test {
    QTemporaryDir Dir;
    TTimeProgram P;
    TTable& T = P.Table();

    std::string Path(const char* Name) { return (Dir.path() + "/" + Name).toStdString(); }

    // A row as stored, Replicates and times given.
    static std::vector<TValue> Row(TValue Id, TValue Name, TValue Type, TValue Reps, std::vector<TValue> Times,
                                   TValue Data)
    {
        std::vector<TValue> R(ProgramFieldCount);
        R[fldSampleID] = Id;
        R[fldSampleName] = Name;
        R[fldSampleType] = Type;
        R[fldReplicates] = Reps;
        for (int I = 0; I < 6; ++I)
            R[fldWashingTime + I] = Times[I];
        R[fldReceivedData] = Data;
        return R;
    }

    // Everything a file holds, comparable: stored values with doubles as bits.
    static std::vector<std::string> Snapshot(const TTable& Table)
    {
        std::vector<std::string> Out;
        for (int R = 0; R < Table.RowCount(); ++R) {
            std::string Line;
            for (int F = 0; F < ProgramFieldCount; ++F) {
                if (Table.FieldDef(F).Kind != platform::tablestore::TFieldKind::Data)
                    continue;
                const TValue& V = Table.RowValues(R)[F];
                if (std::holds_alternative<std::monostate>(V))
                    Line += "<null>";
                else if (auto I = std::get_if<std::int32_t>(&V))
                    Line.append("i").append(std::to_string(*I));
                else if (auto D = std::get_if<double>(&V)) {
                    std::uint64_t Bits;
                    std::memcpy(&Bits, D, 8);
                    Line.append("d").append(std::to_string(Bits));
                } else {
                    const std::string& S = std::get<std::string>(V);
                    Line.append("s").append(std::to_string(S.size())).append(":").append(S);
                }
                Line += "|";
            }
            Out.push_back(Line);
        }
        return Out;
    }

    std::vector<std::vector<TValue>> Awkward()
    {
        std::string Big;
        Big.reserve(1 << 20);
        for (int I = 0; Big.size() < (1u << 20); ++I)
            Big += "\r\n" + std::to_string(I % 100000 - 500);
        std::string Bytes;
        for (int B = 0; B < 256; ++B)
            Bytes += static_cast<char>(B);
        const double Min = std::numeric_limits<double>::denorm_min();
        return {
            Row(std::int32_t{INT32_MIN}, std::string(255, 'x'), std::string("Standart"), std::int32_t{INT32_MAX},
                {DBL_MAX, -DBL_MAX, Min, -0.0, 0.1, 1e-300}, Big),
            Row(std::int32_t{0}, std::string(""), std::string("Blank"), TValue{},
                {TValue{}, 0.0, TValue{}, 2.3, TValue{}, 0.100000001490116}, std::string("")),
            Row(std::int32_t{-1}, TValue{}, std::string("0123456789"), std::int32_t{1},
                {1.0, 2.0, 3.0, 4.0, 5.0, 6.0}, TValue{}),
            Row(std::int32_t{42}, std::string("Ca\xC3\xA4\xE2\x82\xAC \xF0\x9F\x98\x80 Ti\xCC\x81tle"),
                std::string("\xC3\x84rger"), std::int32_t{2}, {5.0, 3.0, 6.0, 12.0, 1.0, 2.0}, Bytes),
        };
    }
};

TEST_F(FileFixture, TheEmptyProgramIsExactlyTheLayoutsTwoHundredSeventySevenBytes)
{
    const std::string F = Path("empty.ATP");
    P.SaveToFile(F);
    const std::string Expected = EmptyProgramBytes();
    ASSERT_EQ(Expected.size(), 277u);
    EXPECT_EQ(ReadBytes(F), Expected);
    // And it reads back as an empty table.
    T.ReplaceRows({Awkward()[2]});
    P.LoadFromFile(F);
    EXPECT_EQ(T.RowCount(), 0);
}

TEST_F(FileFixture, AwkwardValuesRoundTripExactly)
{
    T.ReplaceRows(Awkward());
    const auto Before = Snapshot(T);
    const std::string F = Path("awkward.ATP");
    P.SaveToFile(F);
    const std::string Saved = ReadBytes(F);
    EXPECT_EQ(Saved.substr(0, 277).substr(24), EmptyProgramBytes().substr(24));
    EXPECT_EQ(static_cast<unsigned char>(Saved[14]), 4u);  // row count

    TTimeProgram Q;
    Q.LoadFromFile(F);
    EXPECT_EQ(Snapshot(Q.Table()), Before);
    EXPECT_EQ(Q.Table().RecNo(), 0);
    EXPECT_EQ(Q.Table().DisplayTextAt(3, fldTotalTime), "24.0");  // calculated after loading
    // Saving what was read gives the same bytes.
    Q.SaveToFile(Path("again.ATP"));
    EXPECT_EQ(ReadBytes(Path("again.ATP")), Saved);
}

TEST_F(FileFixture, SavingPostsAPendingChangeAndLeavesOutAnUntouchedNewRow)
{
    T.ReplaceRows({Awkward()[2]});
    T.Edit();
    T.SetAsString(fldSampleName, "edited");
    T.SetAsFloat(fldWashingTime, 0.5);  // now PF (5) > W: the post before saving is refused
    const std::string F = Path("pending.ATP");
    EXPECT_THROW(P.SaveToFile(F), EDatabaseError);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(F)));
    T.SetAsFloat(fldWashingTime, 1.0);
    T.SetAsFloat(fldProbeForward, 0.5);
    T.SetAsFloat(fldReplTime, 10.0);
    T.SetAsFloat(fldReadAt, 3.0);
    T.SetAsFloat(fldValveLate, 1.0);
    P.SaveToFile(F);
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    TTimeProgram Q;
    Q.LoadFromFile(F);
    EXPECT_EQ(Q.Table().AsString(fldSampleName), "edited");

    // A new row that took the current row's times is a change: it must pass
    // its checks before the file is written.
    T.Append();
    try {
        P.SaveToFile(F);
        ADD_FAILURE() << "saved";
    } catch (const EDatabaseError& E) {
        EXPECT_EQ(E.Message(), "Field 'ID' must have a value");
    }
    T.Cancel();
    // An untouched new row is dropped and not written.
    P.New();
    T.Append();
    P.SaveToFile(F);
    Q.LoadFromFile(F);
    EXPECT_EQ(Q.Table().RowCount(), 0);
}

TEST_F(FileFixture, AFailedSaveKeepsTheOldFile)
{
    const std::string F = Path("keep.ATP");
    P.SaveToFile(F);
    const std::string Old = ReadBytes(F);
    T.ReplaceRows({Awkward()[2]});
    ASSERT_TRUE(QDir(Dir.path()).mkdir("sub"));
    EXPECT_THROW(P.SaveToFile(Path("sub")), Exception);  // a folder is not replaced
    EXPECT_THROW(P.SaveToFile(Path("missing/x.ATP")), Exception);
    EXPECT_EQ(ReadBytes(F), Old);
}

// Loads Bytes into a table that holds one row being edited; the load must
// fail with a message containing Part and change nothing.
struct BadCase {
    const char* Name;
    std::string Bytes;
    const char* Part;
};

TEST_F(FileFixture, DamagedTruncatedAndForeignFilesAreRefusedAndTheTableStaysAsItWas)
{
    T.ReplaceRows(Awkward());
    const std::string F = Path("good.ATP");
    P.SaveToFile(F);
    const std::string Good = ReadBytes(F);
    const std::string Empty = EmptyProgramBytes();

    auto WithRowCount = [&](std::string S, std::uint32_t N) {
        for (int I = 0; I < 4; ++I)
            S[14 + I] = static_cast<char>((N >> (8 * I)) & 0xFF);
        return S;
    };
    std::string Flipped = Good;
    Flipped[Good.size() / 2] ^= 0x10;  // inside the received text
    std::string BadDescriptor = Good;
    BadDescriptor[25] = 'X';  // "SampleID" -> "SXmpleID"
    std::string Required = Good;
    Required[24 + 9 + 4] = 0;  // SampleID not required
    std::string Version = Good;
    Version[4] = 2;
    // The first row's mask is bytes 277 and 278; eleven columns leave bits
    // 11 to 15 (byte 278, bits 3 to 7) unused.
    const std::string FirstUnusedBit = Resealed(Good, 278, 0x08);
    const std::string LastUnusedBit = Resealed(Good, 278, 0x80);

    const BadCase Cases[] = {
        {"nothing", "", "is not a time program file"},
        {"text", "[SampleID]\r\n1\r\n", "is not a time program file"},
        {"experiment", "Title=\r\nSamples=0\r\n", "is not a time program file"},
        {"magic only", Empty.substr(0, 10), "damaged"},
        {"version", Version, "another version"},
        {"descriptor name", BadDescriptor, "columns"},
        {"descriptor attribute", Required, "columns"},
        {"cut in descriptors", Empty.substr(0, 200), "damaged"},
        {"cut in rows", Good.substr(0, Good.size() - 5000), "damaged"},
        {"cut before checksum", Good.substr(0, Good.size() - 2), "damaged"},
        {"flipped bit", Flipped, "checksum"},
        {"unused mask bit 11", FirstUnusedBit, "row 1 has an unknown column"},
        {"unused mask bit 15", LastUnusedBit, "row 1 has an unknown column"},
        {"trailing bytes", Good + "x", "damaged"},
        {"empty with bytes", Empty + "abc", "damaged"},
        {"row count beyond length", WithRowCount(Good, 0xFFFFFFFFu), "rows"},
        {"row count one more", WithRowCount(Good, 5), "damaged"},
        {"rows without data", WithRowCount(Empty, 3), "damaged"},
    };
    // The table: four rows, the cursor on the third, that row being edited.
    T.MoveTo(2);
    T.Edit();
    T.SetAsString(fldSampleName, "pending");
    P.SetModified(true);
    const auto Before = Snapshot(T);
    for (const BadCase& C : Cases) {
        const std::string Bad = Path("bad.ATP");
        WriteBytes(Bad, C.Bytes);
        try {
            P.LoadFromFile(Bad);
            ADD_FAILURE() << C.Name << ": accepted";
        } catch (const Exception& E) {
            EXPECT_NE(E.Message().find(C.Part), std::string::npos) << C.Name << ": " << E.Message();
            EXPECT_NE(E.Message().find(Bad), std::string::npos) << C.Name << ": " << E.Message();
        }
        EXPECT_EQ(Snapshot(T), Before) << C.Name;
        EXPECT_EQ(T.RecNo(), 2) << C.Name;
        EXPECT_EQ(T.State(), TDataSetState::Edit) << C.Name;
        EXPECT_EQ(T.AsString(fldSampleName), "pending") << C.Name;
        EXPECT_TRUE(P.Modified()) << C.Name;
    }
    // A missing file and a folder are refused the same way.
    EXPECT_THROW(P.LoadFromFile(Path("none.ATP")), Exception);
    EXPECT_THROW(P.LoadFromFile(Dir.path().toStdString()), Exception);
    EXPECT_EQ(Snapshot(T), Before);
}

TEST_F(FileFixture, TextsAtTheirCharacterLimitRoundTripWhateverTheirByteCount)
{
    // Column limits count characters; UTF-8 takes more bytes than that.
    struct Case {
        const char* Name;
        int Field;
        std::string Text;
    };
    std::string Umlauts;
    for (int I = 0; I < 255; ++I)
        Umlauts += "\xC3\xA4";
    const Case Cases[] = {
        {"10 characters in 11 bytes", fldSampleType, "\xC3\x84" "123456789"},
        {"10 characters in 30 bytes", fldSampleType, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
                                                     "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"},
        {"255 characters in 510 bytes", fldSampleName, Umlauts},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        T.ReplaceRows({Awkward()[3]});
        T.Edit();
        T.SetAsString(C.Field, C.Text);
        ASSERT_EQ(T.AsString(C.Field), C.Text);
        const std::string F = Path("limit.ATP");
        P.SaveToFile(F);
        TTimeProgram Q;
        ASSERT_NO_THROW(Q.LoadFromFile(F));
        ASSERT_EQ(Q.Table().RowCount(), 1);
        EXPECT_EQ(Q.Table().AsString(C.Field), C.Text);
    }
}

TEST_F(FileFixture, ALoadReplacesAPendingEditAndPutsTheCursorOnTheFirstRow)
{
    T.ReplaceRows(Awkward());
    P.SaveToFile(Path("four.ATP"));
    T.MoveTo(3);
    T.Edit();
    T.SetAsString(fldSampleName, "pending");
    P.LoadFromFile(Path("four.ATP"));
    EXPECT_EQ(T.State(), TDataSetState::Browse);
    EXPECT_EQ(T.RecNo(), 0);
    EXPECT_EQ(T.RowCount(), 4);
    EXPECT_EQ(std::get<std::string>(T.RowValues(3)[fldSampleName]).substr(0, 2), "Ca");
}

}  // namespace
