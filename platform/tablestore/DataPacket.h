#pragma once
// The table's file: a binary data packet (the time program's .ATP file).
// The layout and the row encoding are described at the top of DataPacket.cpp.

#include <string>
#include <string_view>

#include "TableStore.h"

namespace platform::tablestore {

// The whole packet of the table's posted rows (a row being inserted is left
// out; a row being edited is written as it was posted).
std::string SaveToPacket(const TTable& Table);

// The header and column descriptors the packet of an empty table starts with.
std::string PacketHeader(const TTable& Table, std::uint32_t RowCount);

// Reads a packet into the table.  Everything is checked first; a packet that
// is damaged, of another kind or of another column set raises
// EDatabaseError with a message naming Source, and the table stays exactly as
// it was.  On success the table holds the packet's rows, the cursor is on the
// first row and the state is browse (a pending edit is dropped).
void LoadFromPacket(TTable& Table, std::string_view Packet, const std::string& Source);

// File forms.  Saving leaves the table's browse mode first (a modified record
// buffer is posted, which may refuse), then writes through a temporary file
// renamed over the target, so a failed save keeps the old file.  Loading
// reads the whole file and then LoadFromPacket.
void SaveToFile(TTable& Table, const std::string& FileName);
void LoadFromFile(TTable& Table, const std::string& FileName);

}  // namespace platform::tablestore
