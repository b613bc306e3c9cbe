// The table's data packet (the .ATP file of the time program).
//
// Layout, all numbers little-endian:
//
//   offset size
//     0     4   magic 96 19 E0 BD
//     4     4   packet version, 1
//     8     4   size of this fixed header, 24
//    12     2   number of column descriptors (the stored columns)
//    14     4   number of rows
//    18     4   packet attributes, 3
//    22     2   length of header, column descriptors and dataset properties
//    24         the column descriptors, then a 2-byte count of dataset
//               properties (0)
//
//   A column descriptor: name (1 length byte, the characters), field size
//   (2 bytes), field type (2 bytes), attributes (2 bytes, 4 = required),
//   property count (2 bytes), then each property: name (1 length byte, the
//   characters), value size (2), value type (2), value.
//
//     integer   size 4, type 0x01, no properties
//     float     size 8, type 0x04, no properties
//     string    size = width of the length prefix (1 below 255 characters,
//               else 2), type 0x49, property WIDTH (size 2, type 2, the
//               character limit as 2 bytes)
//     text memo size 4, type 0x4B, property SUBTYPE (size 2, type 0x49,
//               value: 2-byte length 5, "Text", a zero byte)
//
//   The empty time program is exactly these 277 bytes.
//
// Rows (our own encoding) follow at the offset given at 22, one after the
// other in table order.  Each row:
//
//   missing-value mask: (columns + 7) / 8 bytes; bit i (byte i / 8, bit
//   i % 8) is set when stored column i holds no value; unused bits are 0.
//   Then, for each column that holds a value, in column order:
//     integer   4 bytes, two's complement
//     float     8 bytes, the IEEE 754 double's bits as stored
//     string    its byte count in the width of the descriptor's field size
//               (1 or 2 bytes), then the bytes (UTF-8, no terminator); an
//               empty text is a count of 0, which differs from a missing one
//     text memo its byte count (4 bytes), then the bytes, any values
//
// When the packet holds at least one row, a 4-byte CRC-32 (the polynomial
// of zlib and PNG) of every byte before it ends the file; nothing follows.
//
// The reader checks the magic, the version and header size, compares the
// header and descriptors byte for byte with the table's own, checks the row
// count against the remaining length, every length against the end of the
// data and the column's limit, the mask's unused bits, the checksum and that
// nothing follows.  It decodes into new rows and hands them to the table
// only when all of that passed.

#include "DataPacket.h"

#include <array>
#include <cstring>

#include "FileUtils.h"

namespace platform::tablestore {

namespace {

constexpr unsigned char Magic[4] = {0x96, 0x19, 0xE0, 0xBD};
constexpr std::uint32_t PacketVersion = 1;
constexpr std::uint32_t FixedHeaderSize = 24;
constexpr std::uint32_t PacketAttributes = 3;
constexpr size_t RowCountOffset = 14;
constexpr size_t HeaderLengthOffset = 22;

constexpr std::uint16_t TypeInteger = 0x01;
constexpr std::uint16_t TypeFloat = 0x04;
constexpr std::uint16_t TypeString = 0x49;
constexpr std::uint16_t TypeBytes = 0x4B;
constexpr std::uint16_t AttrRequired = 4;

void Put16(std::string& S, std::uint32_t V)
{
    S += static_cast<char>(V & 0xFF);
    S += static_cast<char>((V >> 8) & 0xFF);
}

void Put32(std::string& S, std::uint32_t V)
{
    Put16(S, V & 0xFFFF);
    Put16(S, V >> 16);
}

void PutName(std::string& S, const std::string& Name)
{
    S += static_cast<char>(Name.size());
    S += Name;
}

std::uint32_t Get(std::string_view P, size_t At, int Width)
{
    std::uint32_t V = 0;
    for (int I = Width - 1; I >= 0; --I)
        V = (V << 8) | static_cast<unsigned char>(P[At + I]);
    return V;
}

int PrefixWidth(const TFieldDef& D) { return D.Size < 255 ? 1 : 2; }

std::vector<int> StoredColumns(const TTable& Table)
{
    std::vector<int> Columns;
    for (int I = 0; I < Table.FieldCount(); ++I)
        if (Table.FieldDef(I).Kind == TFieldKind::Data)
            Columns.push_back(I);
    return Columns;
}

const std::array<std::uint32_t, 256>& CrcTable()
{
    static const std::array<std::uint32_t, 256> Table = [] {
        std::array<std::uint32_t, 256> T{};
        for (std::uint32_t N = 0; N < 256; ++N) {
            std::uint32_t C = N;
            for (int K = 0; K < 8; ++K)
                C = (C & 1) ? 0xEDB88320u ^ (C >> 1) : C >> 1;
            T[N] = C;
        }
        return T;
    }();
    return Table;
}

std::uint32_t Crc32(std::string_view Data)
{
    const auto& T = CrcTable();
    std::uint32_t C = 0xFFFFFFFFu;
    for (unsigned char B : Data)
        C = T[(C ^ B) & 0xFF] ^ (C >> 8);
    return C ^ 0xFFFFFFFFu;
}

}  // namespace

std::string PacketHeader(const TTable& Table, std::uint32_t RowCount)
{
    const std::vector<int> Columns = StoredColumns(Table);
    std::string S(reinterpret_cast<const char*>(Magic), 4);
    Put32(S, PacketVersion);
    Put32(S, FixedHeaderSize);
    Put16(S, static_cast<std::uint32_t>(Columns.size()));
    Put32(S, RowCount);
    Put32(S, PacketAttributes);
    Put16(S, 0);  // header length, filled in below
    for (int C : Columns) {
        const TFieldDef& D = Table.FieldDef(C);
        PutName(S, D.Name);
        const std::uint16_t Attr = D.Required ? AttrRequired : 0;
        switch (D.Type) {
        case TFieldType::Integer:
            Put16(S, 4), Put16(S, TypeInteger), Put16(S, Attr), Put16(S, 0);
            break;
        case TFieldType::Float:
            Put16(S, 8), Put16(S, TypeFloat), Put16(S, Attr), Put16(S, 0);
            break;
        case TFieldType::String:
            Put16(S, PrefixWidth(D)), Put16(S, TypeString), Put16(S, Attr), Put16(S, 1);
            PutName(S, "WIDTH");
            Put16(S, 2), Put16(S, 2), Put16(S, static_cast<std::uint32_t>(D.Size));
            break;
        case TFieldType::Memo:
            Put16(S, 4), Put16(S, TypeBytes), Put16(S, Attr), Put16(S, 1);
            PutName(S, "SUBTYPE");
            Put16(S, 2), Put16(S, TypeString), Put16(S, 5);
            S.append("Text", 4);
            S += '\0';
            break;
        }
    }
    Put16(S, 0);  // dataset properties
    S[HeaderLengthOffset] = static_cast<char>(S.size() & 0xFF);
    S[HeaderLengthOffset + 1] = static_cast<char>((S.size() >> 8) & 0xFF);
    return S;
}

std::string SaveToPacket(const TTable& Table)
{
    const std::vector<int> Columns = StoredColumns(Table);
    std::vector<int> Rows;
    for (int R = 0; R < Table.RowCount(); ++R)
        if (!(Table.State() == TDataSetState::Insert && R == Table.RecNo()))
            Rows.push_back(R);
    std::string S = PacketHeader(Table, static_cast<std::uint32_t>(Rows.size()));
    if (Rows.empty())
        return S;
    const size_t MaskBytes = (Columns.size() + 7) / 8;
    for (int R : Rows) {
        const std::vector<TValue>& Values = Table.RowValues(R);
        const size_t MaskAt = S.size();
        S.append(MaskBytes, '\0');
        for (size_t K = 0; K < Columns.size(); ++K) {
            const int C = Columns[K];
            const TFieldDef& D = Table.FieldDef(C);
            const TValue& V = Values[C];
            if (std::holds_alternative<std::monostate>(V)) {
                S[MaskAt + K / 8] = static_cast<char>(S[MaskAt + K / 8] | (1 << (K % 8)));
                continue;
            }
            switch (D.Type) {
            case TFieldType::Integer:
                Put32(S, static_cast<std::uint32_t>(std::get<std::int32_t>(V)));
                break;
            case TFieldType::Float: {
                const double X = std::get<double>(V);
                std::uint64_t Bits;
                std::memcpy(&Bits, &X, sizeof Bits);
                Put32(S, static_cast<std::uint32_t>(Bits));
                Put32(S, static_cast<std::uint32_t>(Bits >> 32));
                break;
            }
            case TFieldType::String: {
                const std::string& T = std::get<std::string>(V);
                const int Width = PrefixWidth(D);
                const size_t Limit = Width == 1 ? 0xFF : 0xFFFF;
                // The table keeps a text within its character limit; a text
                // whose bytes still do not fit the prefix is cut at a whole
                // character.
                size_t Len = std::min(T.size(), Limit);
                while (Len < T.size() && Len > 0 && (static_cast<unsigned char>(T[Len]) & 0xC0) == 0x80)
                    --Len;
                if (Width == 1)
                    S += static_cast<char>(Len);
                else
                    Put16(S, static_cast<std::uint32_t>(Len));
                S.append(T, 0, Len);
                break;
            }
            case TFieldType::Memo: {
                const std::string& T = std::get<std::string>(V);
                if (T.size() > 0xFFFFFFFFu)
                    throw EDatabaseError(Format("Row %d: the text in column '%s' is too long to be saved.", R + 1,
                                                D.DisplayName()));
                Put32(S, static_cast<std::uint32_t>(T.size()));
                S += T;
                break;
            }
            }
        }
    }
    Put32(S, Crc32(S));
    return S;
}

void LoadFromPacket(TTable& Table, std::string_view P, const std::string& Source)
{
    auto Damaged = [&](const std::string& Why) {
        throw EDatabaseError(Format("File \"%s\" is damaged: %s.", Source, Why));
    };
    if (P.size() < 4 || std::memcmp(P.data(), Magic, 4) != 0)
        throw EDatabaseError(Format("File \"%s\" is not a time program file.", Source));
    if (P.size() < FixedHeaderSize)
        Damaged("it is shorter than its header");
    const std::uint32_t Version = Get(P, 4, 4);
    if (Version != PacketVersion || Get(P, 8, 4) != FixedHeaderSize)
        throw EDatabaseError(
            Format("File \"%s\" is a data packet of another version (%u) and cannot be read.", Source, Version));

    const std::uint32_t RowCount = Get(P, RowCountOffset, 4);
    const std::string Expected = PacketHeader(Table, RowCount);
    const size_t HeaderLength = Get(P, HeaderLengthOffset, 2);
    if (Get(P, 12, 2) != Get(Expected, 12, 2) || HeaderLength != Expected.size() ||
        Get(P, 18, 4) != PacketAttributes)
        throw EDatabaseError(Format("File \"%s\" does not hold the columns of a time program.", Source));
    if (P.size() < Expected.size())
        Damaged("it ends inside its column descriptors");
    if (P.compare(0, Expected.size(), Expected) != 0)
        throw EDatabaseError(Format("File \"%s\" does not hold the columns of a time program.", Source));

    const std::vector<int> Columns = StoredColumns(Table);
    const size_t MaskBytes = (Columns.size() + 7) / 8;
    size_t At = Expected.size();
    if (RowCount == 0) {
        if (P.size() != At)
            Damaged(Format("%u bytes follow the header of an empty table", P.size() - At));
    } else {
        if (P.size() < At + 4)
            Damaged("it ends without its checksum");
        const size_t End = P.size() - 4;
        // Every row takes at least its mask.
        if ((End - At) / MaskBytes < RowCount)
            Damaged(Format("it claims %u rows but is only %u bytes long", RowCount, P.size()));
        if (Crc32(P.substr(0, End)) != Get(P, End, 4))
            Damaged("its checksum does not match");
    }
    const size_t End = RowCount == 0 ? P.size() : P.size() - 4;

    std::vector<std::vector<TValue>> Rows;
    Rows.reserve(RowCount);
    for (std::uint32_t R = 0; R < RowCount; ++R) {
        auto Need = [&](size_t N) {
            if (N > End - At)
                Damaged(Format("row %u ends beyond the end of the file", R + 1));
        };
        Need(MaskBytes);
        const size_t MaskAt = At;
        At += MaskBytes;
        for (size_t Bit = Columns.size(); Bit < MaskBytes * 8; ++Bit)
            if (static_cast<unsigned char>(P[MaskAt + Bit / 8]) & (1u << (Bit % 8)))
                Damaged(Format("row %u has an unknown column", R + 1));
        std::vector<TValue> Values(Table.FieldCount());
        for (size_t K = 0; K < Columns.size(); ++K) {
            if (static_cast<unsigned char>(P[MaskAt + K / 8]) & (1u << (K % 8)))
                continue;
            const int C = Columns[K];
            const TFieldDef& D = Table.FieldDef(C);
            switch (D.Type) {
            case TFieldType::Integer:
                Need(4);
                Values[C] = static_cast<std::int32_t>(Get(P, At, 4));
                At += 4;
                break;
            case TFieldType::Float: {
                Need(8);
                const std::uint64_t Bits =
                    static_cast<std::uint64_t>(Get(P, At, 4)) | (static_cast<std::uint64_t>(Get(P, At + 4, 4)) << 32);
                double X;
                std::memcpy(&X, &Bits, sizeof X);
                Values[C] = X;
                At += 8;
                break;
            }
            case TFieldType::String: {
                const int Width = PrefixWidth(D);
                Need(Width);
                const size_t Len = Get(P, At, Width);
                At += Width;
                Need(Len);
                const std::string_view T = P.substr(At, Len);
                if (D.Size > 0 && Utf8Length(T) > static_cast<size_t>(D.Size))
                    Damaged(Format("row %u: the text in column '%s' is longer than %d characters", R + 1,
                                   D.DisplayName(), D.Size));
                Values[C] = std::string(T);
                At += Len;
                break;
            }
            case TFieldType::Memo: {
                Need(4);
                const size_t Len = Get(P, At, 4);
                At += 4;
                Need(Len);
                Values[C] = std::string(P.substr(At, Len));
                At += Len;
                break;
            }
            }
        }
        Rows.push_back(std::move(Values));
    }
    if (At != End)
        Damaged(Format("%u bytes follow the last row", End - At));
    Table.ReplaceRows(std::move(Rows));
}

void SaveToFile(TTable& Table, const std::string& FileName)
{
    Table.CheckBrowseMode();
    WriteFileReplacing(FileName, SaveToPacket(Table));
}

void LoadFromFile(TTable& Table, const std::string& FileName)
{
    const std::string Packet = ReadWholeFile(FileName);
    LoadFromPacket(Table, Packet, FileName);
}

}  // namespace platform::tablestore
