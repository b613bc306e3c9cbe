#pragma once
// The time program: the table cdsProgram with its thirteen columns, the
// new-row copy of the current row's times (single precision), the checks
// before every post (ValidateTimeParams), the delete question hook, the
// modified flag, Clear Sample Data and the .ATP file.  No Qt: the main
// window's grid shows it through ProgramModel.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DataPacket.h"
#include "TableStore.h"

namespace VelorTime {

using platform::tablestore::EDatabaseError;
using platform::tablestore::TTable;

// Columns in their order (also the grid's column order).
enum TProgramField : int {
    fldSampleID = 0,
    fldSampleName,
    fldSampleType,
    fldReplicates,
    fldWashingTime,
    fldInjectionTime,
    fldReadAt,
    fldReplTime,
    fldProbeForward,
    fldValveLate,
    fldTotalTime,     // calculated: Replicates x ReplTime
    fldReceivedData,  // text memo
    fldGraphicView,   // calculated, shows a fixed text
    ProgramFieldCount
};

// The texts the two viewer columns always show.
inline constexpr const char* SViewAsText = "View received data as text";
inline constexpr const char* SViewAsGraphic = "View received data as graphic";
// The pick list of the type column.
inline constexpr const char* SampleTypes[] = {"Blank", "Sample", "Standart"};

// Questions asked through the main window.
inline constexpr const char* SDeleteRecord = "Delete record ?";
inline constexpr const char* SClearSampleDataQuestion = "This operation can't be undone! Are you shure?";

// Messages of ValidateTimeParams, in rule order.
inline constexpr const char* SInvalidReplicates = "Invalid value for number of replicates.";
inline constexpr const char* SInvalidWashingTime = "Invalid value for washing time.";
inline constexpr const char* SInvalidInjectionTime = "Invalid value for injection time.";
inline constexpr const char* SInvalidReadAt = "Invalid second for read.";
inline constexpr const char* SInvalidReplTime = "Invalid value for replicate time.";
inline constexpr const char* SInvalidProbeForward = "Invalid value for probe forward.";
inline constexpr const char* SInvalidValveLate = "Invalid value for valve late.";
inline constexpr const char* SWashInjectTooLong =
    "Washing time + Injection time must be smaller than replicate time.";
inline constexpr const char* SReadAfterReplicate = "Can't send READ command when replicate is over.";
inline constexpr const char* SProbeForwardRange = "Invalid value for Probe Forward. Valid values between 0.0 and %s.";
inline constexpr const char* SValveLateRange = "Invalid value for Valve Late. Valid values between 0.0 and %.1f.";

// The copy a new row takes from the row that was current.
struct TTimeParams {
    int Replicates = 0;
    float WashingTime = 0, InjectionTime = 0, ReadAt = 0, ReplTime = 0, ProbeForward = 0, ValveLate = 0;
};

// The column definitions of cdsProgram.
std::vector<platform::tablestore::TFieldDef> ProgramFieldDefs();

// "#.0": one decimal, no leading zero (0.5 ".5", 0 ".0").
std::string FormatTime(double Seconds);

class TTimeProgram {
public:
    TTimeProgram();
    TTimeProgram(const TTimeProgram&) = delete;
    TTimeProgram& operator=(const TTimeProgram&) = delete;

    TTable& Table() { return FTable; }
    const TTable& Table() const { return FTable; }

    // FModified: set by every change of a stored field and every deleted row;
    // New, Open, Save and Save As clear it.
    bool Modified() const { return FModified; }
    void SetModified(bool Value);
    std::function<void()> OnModifiedChanged;

    // Asked before a row is deleted; answers whether to go on.  Unset: go on.
    std::function<bool()> ConfirmDelete;
    // A refusal of the table or of the checks asks the grid to move its
    // cursor to this field first.
    std::function<void(int Field)> OnFocusField;

    // The checks before every post, on the record buffer; raise EDatabaseError
    // with the first failing rule's message (Field = its focus or -1).
    void ValidateTimeParams();

    // Clear Sample Data: enabled when the table has a row and the current
    // row's ReceivedData is not empty; the question is the caller's.  Edits
    // the row, empties ReceivedData and posts (a refused post leaves the row
    // in edit mode with ReceivedData already empty).
    bool CanClearSampleData() const;
    void ClearSampleData();

    // A posted row holds data when its ReceivedData is not empty.
    bool HasData(int Row) const;

    // New: every row goes, no row events, FModified cleared.
    void New();
    // The .ATP file.  Load: the table holds exactly the file's rows; a failure
    // raises and leaves the table and FModified as they were.  Save: posts a
    // pending row change first; a failure raises and keeps FModified.
    // Neither touches FModified on success: the caller clears it.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);

    // Held between BeforeInsert and AfterInsert only.
    const std::optional<TTimeParams>& TimeParams() const { return FTimeParams; }

private:
    void BeforeInsert();
    void AfterInsert();

    TTable FTable;
    bool FModified = false;
    std::optional<TTimeParams> FTimeParams;
};

}  // namespace VelorTime
