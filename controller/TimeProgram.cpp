// The time-program table: columns, new-row copy, checks before posting,
// Clear Sample Data and the .ATP file.  See TimeProgram.h.

#include "TimeProgram.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace VelorTime {

using namespace platform::tablestore;

std::vector<TFieldDef> ProgramFieldDefs()
{
    auto Time = [](const char* Name, const char* Label) {
        TFieldDef D;
        D.Name = Name;
        D.Type = TFieldType::Float;
        D.Required = true;
        D.DisplayLabel = Label;
        D.DisplayWidth = 10;
        D.DisplayFormat = "#.0";
        return D;
    };
    std::vector<TFieldDef> Defs(ProgramFieldCount);

    Defs[fldSampleID].Name = "SampleID";
    Defs[fldSampleID].Type = TFieldType::Integer;
    Defs[fldSampleID].Required = true;
    Defs[fldSampleID].DisplayLabel = "ID";
    Defs[fldSampleID].DisplayWidth = 3;

    Defs[fldSampleName].Name = "SampleName";
    Defs[fldSampleName].Type = TFieldType::String;
    Defs[fldSampleName].Size = 255;
    Defs[fldSampleName].DisplayLabel = "Title";
    Defs[fldSampleName].DisplayWidth = 25;

    Defs[fldSampleType].Name = "SampleType";
    Defs[fldSampleType].Type = TFieldType::String;
    Defs[fldSampleType].Size = 10;
    Defs[fldSampleType].Required = true;
    Defs[fldSampleType].Default = std::string("Sample");
    Defs[fldSampleType].DisplayLabel = "Type";
    Defs[fldSampleType].DisplayWidth = 10;

    Defs[fldReplicates].Name = "Replicates";
    Defs[fldReplicates].Type = TFieldType::Integer;
    Defs[fldReplicates].Default = std::int32_t{1};
    Defs[fldReplicates].DisplayLabel = "Replicates";
    Defs[fldReplicates].DisplayWidth = 10;
    Defs[fldReplicates].MinValue = 1;
    Defs[fldReplicates].MaxValue = INT_MAX;

    Defs[fldWashingTime] = Time("WashingTime", "Washing Time");
    Defs[fldInjectionTime] = Time("InjectionTime", "Injection Time");
    Defs[fldReadAt] = Time("ReadAt", "Read At");
    Defs[fldReplTime] = Time("ReplTime", "Replicate Time");
    Defs[fldProbeForward] = Time("ProbeForward", "Probe Forward");
    Defs[fldValveLate] = Time("ValveLate", "Valve Late");

    Defs[fldTotalTime] = Time("TotalTime", "Total Time");
    Defs[fldTotalTime].Kind = TFieldKind::Calculated;
    Defs[fldTotalTime].Required = false;

    Defs[fldReceivedData].Name = "ReceivedData";
    Defs[fldReceivedData].Type = TFieldType::Memo;
    Defs[fldReceivedData].DisplayLabel = "Received Data";
    Defs[fldReceivedData].DisplayWidth = 10;

    Defs[fldGraphicView].Name = "GraphicView";
    Defs[fldGraphicView].Type = TFieldType::String;
    Defs[fldGraphicView].Kind = TFieldKind::Calculated;
    Defs[fldGraphicView].Size = 10;
    Defs[fldGraphicView].DisplayLabel = "Graphics";
    Defs[fldGraphicView].DisplayWidth = 10;
    return Defs;
}

std::string FormatTime(double Seconds)
{
    return FormatFloatPattern("#.0", Seconds);
}

TTimeProgram::TTimeProgram() : FTable(ProgramFieldDefs())
{
    FTable.BeforeInsert = [this] { BeforeInsert(); };
    FTable.AfterInsert = [this] { AfterInsert(); };
    FTable.BeforePost = [this] { ValidateTimeParams(); };
    FTable.BeforeDelete = [this] { return ConfirmDelete ? ConfirmDelete() : true; };
    FTable.AfterDelete = [this] { SetModified(true); };
    FTable.OnCalcFields = [](TRecord& R) {
        // Replicates x ReplTime; a product beyond the double range stays empty.
        const long double Total =
            static_cast<long double>(R.AsInteger(fldReplicates)) * static_cast<long double>(R.AsFloat(fldReplTime));
        if (std::isfinite(Total) && std::fabs(Total) <= DBL_MAX)
            R.SetValue(fldTotalTime, static_cast<double>(Total));
    };
    FTable.OnFieldChange = [this](int) { SetModified(true); };
    FTable.OnGetText[fldReceivedData] = [](int) { return std::string(SViewAsText); };
    FTable.OnGetText[fldGraphicView] = [](int) { return std::string(SViewAsGraphic); };
    FTable.OnFocusField = [this](int Field) {
        if (OnFocusField)
            OnFocusField(Field);
    };
}

void TTimeProgram::SetModified(bool Value)
{
    if (FModified == Value)
        return;
    FModified = Value;
    if (OnModifiedChanged)
        OnModifiedChanged();
}

void TTimeProgram::BeforeInsert()
{
    FTimeParams.reset();
    if (FTable.RecordCount() < 1 || FTable.RecNo() < 0)
        return;
    // Each time rounded to single precision; a time beyond its range is an
    // overflow and stops the insert.
    auto Single = [this](int Field) {
        FPClear();
        return FPChecked(static_cast<float>(FTable.AsFloat(Field)));
    };
    TTimeParams P;
    P.Replicates = FTable.AsInteger(fldReplicates);
    P.WashingTime = Single(fldWashingTime);
    P.InjectionTime = Single(fldInjectionTime);
    P.ReadAt = Single(fldReadAt);
    P.ReplTime = Single(fldReplTime);
    P.ProbeForward = Single(fldProbeForward);
    P.ValveLate = Single(fldValveLate);
    FTimeParams = P;
}

void TTimeProgram::AfterInsert()
{
    if (!FTimeParams)
        return;
    const TTimeParams P = *FTimeParams;
    FTimeParams.reset();
    FTable.SetAsInteger(fldReplicates, P.Replicates);
    FTable.SetAsFloat(fldWashingTime, P.WashingTime);
    FTable.SetAsFloat(fldInjectionTime, P.InjectionTime);
    FTable.SetAsFloat(fldReadAt, P.ReadAt);
    FTable.SetAsFloat(fldReplTime, P.ReplTime);
    FTable.SetAsFloat(fldProbeForward, P.ProbeForward);
    FTable.SetAsFloat(fldValveLate, P.ValveLate);
}

void TTimeProgram::ValidateTimeParams()
{
    const TTable& T = FTable;
    auto Fail = [this](const char* Msg, int Field) {
        if (Field >= 0)
            FTable.FieldError(Msg, Field);
        throw EDatabaseError(Msg);
    };
    const long double W = T.AsFloat(fldWashingTime);
    const long double I = T.AsFloat(fldInjectionTime);
    const long double ReadAt = T.AsFloat(fldReadAt);
    const long double RT = T.AsFloat(fldReplTime);
    const long double PF = T.AsFloat(fldProbeForward);
    const long double VL = T.AsFloat(fldValveLate);

    if (!(T.AsInteger(fldReplicates) >= 1))
        Fail(SInvalidReplicates, fldReplicates);
    if (!(W >= 0))
        Fail(SInvalidWashingTime, fldWashingTime);
    if (!(I > 0))
        Fail(SInvalidInjectionTime, fldInjectionTime);
    if (!(ReadAt >= 0))
        Fail(SInvalidReadAt, fldReadAt);
    if (!(RT > 0))
        Fail(SInvalidReplTime, fldReplTime);
    if (!(PF >= 0))
        Fail(SInvalidProbeForward, fldProbeForward);
    if (!(VL >= 0))
        Fail(SInvalidValveLate, fldValveLate);
    if (!(W + I <= RT))
        Fail(SWashInjectTooLong, -1);
    if (!(ReadAt <= RT))
        Fail(SReadAfterReplicate, fldReadAt);
    if (!(PF <= W))
        FTable.FieldError(Format(SProbeForwardRange, T.AsString(fldWashingTime)), fldProbeForward);
    const long double Rest = RT - W - I;
    if (!(VL <= Rest))
        FTable.FieldError(Format(SValveLateRange, Rest), fldValveLate);
}

bool TTimeProgram::CanClearSampleData() const
{
    return FTable.RecordCount() >= 1 && FTable.RecNo() >= 0 && !FTable.AsString(fldReceivedData).empty();
}

void TTimeProgram::ClearSampleData()
{
    FTable.Edit();
    FTable.SetAsString(fldReceivedData, std::string());
    FTable.Post();
}

bool TTimeProgram::HasData(int Row) const
{
    const auto* S = std::get_if<std::string>(&FTable.ValueAt(Row, fldReceivedData));
    return S != nullptr && !S->empty();
}

void TTimeProgram::New()
{
    FTable.EmptyTable();
    FTimeParams.reset();
    SetModified(false);
}

void TTimeProgram::LoadFromFile(const std::string& FileName)
{
    platform::tablestore::LoadFromFile(FTable, FileName);
}

void TTimeProgram::SaveToFile(const std::string& FileName)
{
    platform::tablestore::SaveToFile(FTable, FileName);
}

}  // namespace VelorTime
