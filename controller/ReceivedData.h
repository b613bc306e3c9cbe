#pragma once
// Received readings as the time program keeps them.
//
// The instrument's lines arrive in one list (the last item is the line under
// assembly).  After a run the list is cut at each end marker "-1000" and the
// blocks go, one per replicate, into the rows that have no data yet.  A row's
// text is an empty first line, then its blocks newest first, each block the
// readings as received followed by "-1000", lines separated by CR LF and no
// line break after the last line:
//
//     "" CR LF "20" CR LF "21" CR LF "-1000" CR LF "10" CR LF "11" CR LF "-1000"
//
// The viewers and the experiment export drop the first line and read the
// blocks in text order.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "SysUtils.h"

namespace VelorTime {

// TextToLines (SysUtils.h) splits a stored text into its lines.

// The lines of a row's stored text without its first (empty) line.
std::vector<std::string> StoredBlockLines(std::string_view Stored);

// Index of the first item that is exactly the end marker, or -1.
int FindEndMarker(const std::vector<std::string>& Lines);

// The stored text after items 0..MarkerIndex of Lines (one block, marker
// last) went in front of Current.
std::string PrependBlock(const std::vector<std::string>& Lines, int MarkerIndex,
                         const std::string& Current);

// The rows of the time program as the distribution walks them.
struct TReceivedRows {
    std::function<void()> First;
    std::function<void()> Next;
    std::function<bool()> Eof;
    std::function<std::string()> ReceivedData;  // the current row's text
    std::function<int()> Replicates;            // as an integer; empty reads 0
    // Edits the current row, sets its text and posts it.  A refused post
    // raises; the row is then back as it was before the edit.
    std::function<void(const std::string&)> PostReceivedData;
};

// Distributes the received lines into the rows without data, in table
// order, each taking as many blocks as its Replicates says.  Every stored
// block is posted by itself.  When no marker is left for the next block, or
// the walk reached the end of the table, the list is emptied.  A refused
// post stops the walk: the blocks not yet stored, the refused one included,
// stay in Lines (from their first line on) and the error passes on.
void DistributeReceivedLines(std::vector<std::string>& Lines, const TReceivedRows& Rows);

// The fixed test stream of "Save Samples": "0" .. "249", "-1000",
// "250" .. "499", "-1000", appended to Lines.
void AppendTestStream(std::vector<std::string>& Lines);

}  // namespace VelorTime
