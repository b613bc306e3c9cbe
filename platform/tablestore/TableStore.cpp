// The table store: rows of values, a cursor, the record buffer and the
// dataset states.  See TableStore.h.

#include "TableStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform::tablestore {

namespace {

const TValue NullValue{};

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// The first Count characters of S.
std::string CutChars(const std::string& S, size_t Count)
{
    size_t N = 0;
    for (size_t I = 0; I < S.size(); ++I) {
        if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80) {
            if (N == Count)
                return S.substr(0, I);
            ++N;
        }
    }
    return S;
}

}  // namespace

std::size_t Utf8Length(std::string_view S)
{
    size_t N = 0;
    for (unsigned char C : S)
        if ((C & 0xC0) != 0x80)
            ++N;
    return N;
}

std::string FormatFloatPattern(const std::string& Pattern, double Value)
{
    const size_t Point = Pattern.find('.');
    if (Pattern.empty() || Point == std::string::npos)
        return Pattern.empty() ? FloatToStr(Value) : FloatToStrF(RoundHalfEven(Value), 0);
    int Digits = 0;
    for (size_t I = Point + 1; I < Pattern.size() && (Pattern[I] == '0' || Pattern[I] == '#'); ++I)
        ++Digits;
    std::string S = FloatToStrF(Value, Digits);
    // "#" before the point: no leading zero ("0.5" becomes ".5").
    if (Point > 0 && Pattern[Point - 1] == '#') {
        const size_t Start = (!S.empty() && S[0] == '-') ? 1 : 0;
        if (S.size() > Start + 1 && S[Start] == '0' && !IsDigit(S[Start + 1]))
            S.erase(Start, 1);
    }
    return S;
}

// ---------------------------------------------------------------------------
// TRecord

bool TRecord::IsNull(int Field) const { return std::holds_alternative<std::monostate>(FValues[Field]); }

std::int32_t TRecord::AsInteger(int Field) const
{
    const TValue& V = FValues[Field];
    if (auto P = std::get_if<std::int32_t>(&V))
        return *P;
    if (auto P = std::get_if<double>(&V))
        return static_cast<std::int32_t>(Trunc(*P));
    if (auto P = std::get_if<std::string>(&V))
        return P->empty() ? 0 : StrToInt(*P);
    return 0;
}

double TRecord::AsFloat(int Field) const
{
    const TValue& V = FValues[Field];
    if (auto P = std::get_if<double>(&V))
        return *P;
    if (auto P = std::get_if<std::int32_t>(&V))
        return *P;
    if (auto P = std::get_if<std::string>(&V))
        return P->empty() ? 0.0 : ToDouble(StrToFloat(*P));
    return 0;
}

std::string TRecord::AsString(int Field) const
{
    const TValue& V = FValues[Field];
    if (auto P = std::get_if<std::string>(&V))
        return *P;
    if (auto P = std::get_if<std::int32_t>(&V))
        return IntToStr(*P);
    if (auto P = std::get_if<double>(&V))
        return FloatToStr(*P);
    (void)FDefs;
    return std::string();
}

// ---------------------------------------------------------------------------
// TTable

TTable::TTable(std::vector<TFieldDef> Defs) : FDefs(std::move(Defs))
{
    OnGetText.resize(FDefs.size());
}

int TTable::FindField(const std::string& Name) const
{
    for (int I = 0; I < FieldCount(); ++I)
        if (SameText(FDefs[I].Name, Name))
            return I;
    return -1;
}

int TTable::FieldByName(const std::string& Name) const
{
    const int I = FindField(Name);
    if (I < 0)
        throw EDatabaseError(Format(SFieldNotFound, Name));
    return I;
}

void TTable::CheckField(int Field) const
{
    if (Field < 0 || Field >= FieldCount())
        throw EDatabaseError(Format(SListIndexError, Field));
}

void TTable::FieldError(const std::string& Msg, int Field)
{
    if (OnFocusField && Field >= 0)
        OnFocusField(Field);
    throw EDatabaseError(Msg, Field);
}

// A view told about rows being inserted, removed or replaced must not start
// another such change from inside that notice.
void TTable::CheckNotChanging() const
{
    if (FChangingRows > 0)
        throw EDatabaseError(SChangingRows);
}

// --- cursor

void TTable::SetCurrent(int Row)
{
    const int Old = FCurrent;
    FCurrent = Row;
    if (Old != Row)
        Notify([&](TTableObserver& O) { O.CurrentChanged(Old, Row); });
}

void TTable::SetState(TDataSetState S)
{
    if (FState == S)
        return;
    FState = S;
    Notify([](TTableObserver& O) { O.StateChanged(); });
}

void TTable::First()
{
    CheckBrowseMode();
    SetCurrent(FRows.empty() ? -1 : 0);
    FBof = true;
    FEof = FRows.empty();
    if (AfterScroll)
        AfterScroll();
}

void TTable::Last()
{
    CheckBrowseMode();
    SetCurrent(RowCount() - 1);
    FEof = true;
    FBof = FRows.empty();
    if (AfterScroll)
        AfterScroll();
}

void TTable::Next()
{
    CheckBrowseMode();
    FBof = false;
    if (FCurrent + 1 < RowCount()) {
        SetCurrent(FCurrent + 1);
        FEof = false;
        if (AfterScroll)
            AfterScroll();
    } else {
        FEof = true;
    }
}

void TTable::Prior()
{
    CheckBrowseMode();
    FEof = false;
    if (FCurrent > 0) {
        SetCurrent(FCurrent - 1);
        FBof = false;
        if (AfterScroll)
            AfterScroll();
    } else {
        FBof = true;
    }
}

void TTable::MoveTo(int Row)
{
    CheckNotChanging();
    if (Row < 0 || Row >= RowCount())
        throw EDatabaseError(Format(SListIndexError, Row));
    if (Row == FCurrent)
        return;
    // Leaving the row may post or cancel it; a cancelled insert removes the
    // row, which moves the rows after it up by one.
    const size_t Before = FRows.size();
    const int From = FCurrent;
    CheckBrowseMode();
    if (FRows.size() < Before && Row > From)
        --Row;
    Row = std::clamp(Row, 0, RowCount() - 1);
    FBof = Row == 0;
    FEof = false;
    SetCurrent(Row);
    if (AfterScroll)
        AfterScroll();
}

// --- states

void TTable::CheckBrowseMode()
{
    if (FState == TDataSetState::Browse)
        return;
    UpdateRecord();
    if (FBufferModified)
        Post();
    else
        Cancel();
}

void TTable::Edit()
{
    if (FState != TDataSetState::Browse)
        return;
    if (FRows.empty()) {
        Append();
        return;
    }
    if (BeforeEdit)
        BeforeEdit();
    FBuffer = FRows[FCurrent];
    FBufferModified = false;
    SetState(TDataSetState::Edit);
}

void TTable::Insert() { BeginInsertAppend(false); }
void TTable::Append() { BeginInsertAppend(true); }

void TTable::BeginInsertAppend(bool AtEnd)
{
    CheckNotChanging();
    CheckBrowseMode();
    if (BeforeInsert)
        BeforeInsert();
    const int Row = (AtEnd || FCurrent < 0) ? RowCount() : FCurrent;
    std::vector<TValue> Values(FDefs.size());
    for (size_t I = 0; I < FDefs.size(); ++I)
        if (FDefs[I].Kind == TFieldKind::Data)
            Values[I] = FDefs[I].Default;
    Calc(Values);
    ChangingRows([&] {
        Notify([&](TTableObserver& O) { O.BeginInsertRow(Row); });
        FRows.insert(FRows.begin() + Row, Values);
        FBuffer = std::move(Values);
        FBufferModified = false;
        FState = TDataSetState::Insert;
        Notify([](TTableObserver& O) { O.EndInsertRow(); });
    });
    FCurrent = -1;  // always report the move: the row under the cursor is new
    SetCurrent(Row);
    FBof = FEof = false;
    Notify([](TTableObserver& O) { O.StateChanged(); });
    if (AfterInsert)
        AfterInsert();
}

void TTable::UpdateRecord()
{
    if (FState == TDataSetState::Browse)
        return;
    // A view whose display is frozen may still hold an open editor.
    const std::vector<TTableObserver*> Views = FObservers;
    for (TTableObserver* O : Views)
        O->UpdateData();
}

void TTable::Post()
{
    if (FState == TDataSetState::Browse)
        return;
    CheckNotChanging();
    UpdateRecord();
    for (int I = 0; I < FieldCount(); ++I)
        if (FDefs[I].Kind == TFieldKind::Data && FDefs[I].Required &&
            std::holds_alternative<std::monostate>(FBuffer[I]))
            FieldError(Format(SFieldRequired, FDefs[I].DisplayName()), I);
    if (BeforePost)
        BeforePost();
    Calc(FBuffer);
    FRows[FCurrent] = std::move(FBuffer);
    FBuffer.clear();
    FBufferModified = false;
    SetState(TDataSetState::Browse);
    Notify([&](TTableObserver& O) { O.RowChanged(FCurrent); });
    if (AfterPost)
        AfterPost();
}

void TTable::Cancel()
{
    if (FState == TDataSetState::Browse)
        return;
    CheckNotChanging();
    const bool WasInsert = FState == TDataSetState::Insert;
    FBuffer.clear();
    FBufferModified = false;
    if (WasInsert) {
        const int Row = FCurrent;
        RemoveRow(Row);
        FCurrent = -1;
        SetCurrent(FRows.empty() ? -1 : std::min(Row, RowCount() - 1));
        FEof = FBof = FRows.empty();
        Notify([](TTableObserver& O) { O.StateChanged(); });
    } else {
        SetState(TDataSetState::Browse);
        Notify([&](TTableObserver& O) { O.RowChanged(FCurrent); });
    }
    if (AfterCancel)
        AfterCancel();
}

void TTable::RemoveRow(int Row)
{
    ChangingRows([&] {
        Notify([&](TTableObserver& O) { O.BeginRemoveRow(Row); });
        FRows.erase(FRows.begin() + Row);
        FState = TDataSetState::Browse;
        Notify([](TTableObserver& O) { O.EndRemoveRow(); });
    });
}

bool TTable::Delete()
{
    CheckNotChanging();
    if (FState == TDataSetState::Insert) {
        Cancel();
        return true;
    }
    if (FRows.empty())
        throw EDatabaseError(SDataSetEmpty);
    if (BeforeDelete && !BeforeDelete())
        return false;
    const int Row = FCurrent;
    FBuffer.clear();
    FBufferModified = false;
    RemoveRow(Row);
    FCurrent = -1;
    SetCurrent(FRows.empty() ? -1 : std::min(Row, RowCount() - 1));
    FEof = FBof = FRows.empty();
    Notify([](TTableObserver& O) { O.StateChanged(); });
    if (AfterDelete)
        AfterDelete();
    if (AfterScroll)
        AfterScroll();
    return true;
}

void TTable::EmptyTable()
{
    ReplaceRows({});
}

void TTable::ReplaceRows(std::vector<std::vector<TValue>> Rows)
{
    CheckNotChanging();
    for (auto& R : Rows) {
        R.resize(FDefs.size());
        Calc(R);
    }
    ChangingRows([&] {
        Notify([](TTableObserver& O) { O.BeginReset(); });
        FRows = std::move(Rows);
        FBuffer.clear();
        FBufferModified = false;
        FState = TDataSetState::Browse;
        FCurrent = FRows.empty() ? -1 : 0;
        FBof = true;
        FEof = FRows.empty();
        Notify([](TTableObserver& O) { O.EndReset(); });
    });
}

// --- values

const std::vector<TValue>& TTable::ValuesAt(int Row) const
{
    if (FState != TDataSetState::Browse && Row == FCurrent)
        return FBuffer;
    return FRows.at(Row);
}

const std::vector<TValue>& TTable::CurrentValues() const
{
    if (FState != TDataSetState::Browse)
        return FBuffer;
    if (FCurrent < 0)
        throw EDatabaseError(SDataSetEmpty);
    return FRows[FCurrent];
}

std::vector<TValue>& TTable::Buffer()
{
    if (FState == TDataSetState::Browse)
        throw EDatabaseError(SNotEditing);
    return FBuffer;
}

void TTable::Calc(std::vector<TValue>& Values)
{
    if (!OnCalcFields)
        return;
    for (size_t I = 0; I < FDefs.size(); ++I)
        if (FDefs[I].Kind == TFieldKind::Calculated)
            Values[I] = TValue{};
    TRecord R(FDefs, Values);
    OnCalcFields(R);
}

bool TTable::IsNull(int Field) const
{
    CheckField(Field);
    return std::holds_alternative<std::monostate>(CurrentValues()[Field]);
}

const TValue& TTable::Value(int Field) const
{
    CheckField(Field);
    return CurrentValues()[Field];
}

std::int32_t TTable::AsInteger(int Field) const
{
    CheckField(Field);
    auto& V = const_cast<std::vector<TValue>&>(CurrentValues());
    return TRecord(FDefs, V).AsInteger(Field);
}

double TTable::AsFloat(int Field) const
{
    CheckField(Field);
    auto& V = const_cast<std::vector<TValue>&>(CurrentValues());
    return TRecord(FDefs, V).AsFloat(Field);
}

std::string TTable::AsString(int Field) const
{
    CheckField(Field);
    auto& V = const_cast<std::vector<TValue>&>(CurrentValues());
    return TRecord(FDefs, V).AsString(Field);
}

std::string TTable::DisplayText(int Field) const
{
    if (FCurrent < 0)
        return std::string();
    return DisplayTextAt(FCurrent, Field);
}

std::string TTable::EditText(int Field) const
{
    if (FCurrent < 0)
        return std::string();
    return EditTextAt(FCurrent, Field);
}

const TValue& TTable::ValueAt(int Row, int Field) const
{
    CheckField(Field);
    if (Row < 0 || Row >= RowCount())
        return NullValue;
    return ValuesAt(Row)[Field];
}

bool TTable::IsNullAt(int Row, int Field) const
{
    return std::holds_alternative<std::monostate>(ValueAt(Row, Field));
}

std::int32_t TTable::AsIntegerAt(int Row, int Field) const
{
    CheckField(Field);
    if (Row < 0 || Row >= RowCount())
        return 0;
    auto& V = const_cast<std::vector<TValue>&>(ValuesAt(Row));
    return TRecord(FDefs, V).AsInteger(Field);
}

double TTable::AsFloatAt(int Row, int Field) const
{
    CheckField(Field);
    if (Row < 0 || Row >= RowCount())
        return 0;
    auto& V = const_cast<std::vector<TValue>&>(ValuesAt(Row));
    return TRecord(FDefs, V).AsFloat(Field);
}

std::string TTable::AsStringAt(int Row, int Field) const
{
    CheckField(Field);
    if (Row < 0 || Row >= RowCount())
        return std::string();
    auto& V = const_cast<std::vector<TValue>&>(ValuesAt(Row));
    return TRecord(FDefs, V).AsString(Field);
}

std::string TTable::DisplayTextAt(int Row, int Field) const
{
    CheckField(Field);
    if (OnGetText[Field])
        return OnGetText[Field](Row);
    const TValue& V = ValueAt(Row, Field);
    if (auto P = std::get_if<double>(&V))
        return FormatFloatPattern(FDefs[Field].DisplayFormat, *P);
    return AsStringAt(Row, Field);
}

std::string TTable::EditTextAt(int Row, int Field) const
{
    // The display format is also the edit format.
    CheckField(Field);
    const TValue& V = ValueAt(Row, Field);
    if (auto P = std::get_if<double>(&V))
        return FormatFloatPattern(FDefs[Field].DisplayFormat, *P);
    return AsStringAt(Row, Field);
}

// --- setters

void TTable::CheckCanSet(int Field) const
{
    CheckField(Field);
    if (FState == TDataSetState::Browse)
        throw EDatabaseError(SNotEditing);
    if (FDefs[Field].Kind != TFieldKind::Data)
        throw EDatabaseError(Format(SFieldReadOnly, FDefs[Field].DisplayName()));
}

void TTable::SetBufferValue(int Field, TValue V)
{
    Buffer()[Field] = std::move(V);
    FBufferModified = true;
    Calc(FBuffer);
    Notify([&](TTableObserver& O) { O.RowChanged(FCurrent); });
    if (OnFieldChange)
        OnFieldChange(Field);
}

void TTable::SetAsInteger(int Field, std::int32_t V)
{
    CheckCanSet(Field);
    const TFieldDef& D = FDefs[Field];
    switch (D.Type) {
    case TFieldType::Integer:
        if ((D.MinValue != 0 || D.MaxValue != 0) && (V < D.MinValue || V > D.MaxValue))
            FieldError(Format(SFieldRangeError, static_cast<double>(V), D.DisplayName(),
                              static_cast<double>(D.MinValue), static_cast<double>(D.MaxValue)),
                       Field);
        SetBufferValue(Field, V);
        break;
    case TFieldType::Float:
        SetBufferValue(Field, static_cast<double>(V));
        break;
    default:
        SetAsString(Field, IntToStr(V));
        break;
    }
}

void TTable::SetAsFloat(int Field, double V)
{
    CheckCanSet(Field);
    const TFieldDef& D = FDefs[Field];
    switch (D.Type) {
    case TFieldType::Float:
        SetBufferValue(Field, V);
        break;
    case TFieldType::Integer: {
        // Rounded to the nearest whole number, as an integer field takes a float.
        const long double R = RoundHalfEven(V);
        if (!(R >= std::numeric_limits<std::int32_t>::min() && R <= std::numeric_limits<std::int32_t>::max()))
            FieldError(Format(SInvalidIntegerValue, FloatToStr(V), D.DisplayName()), Field);
        SetAsInteger(Field, static_cast<std::int32_t>(R));
        break;
    }
    default:
        SetAsString(Field, FloatToStr(V));
        break;
    }
}

void TTable::SetAsString(int Field, const std::string& S)
{
    CheckCanSet(Field);
    const TFieldDef& D = FDefs[Field];
    switch (D.Type) {
    case TFieldType::Integer: {
        if (S.empty()) {
            Clear(Field);
            return;
        }
        int V = 0;
        if (!TryStrToInt(S, V))
            FieldError(Format(SInvalidIntegerValue, S, D.DisplayName()), Field);
        SetAsInteger(Field, V);
        break;
    }
    case TFieldType::Float: {
        if (S.empty()) {
            Clear(Field);
            return;
        }
        long double V = 0;
        if (!TryStrToFloat(S, V) || !std::isfinite(V) || std::fabs(V) > std::numeric_limits<double>::max())
            FieldError(Format(SInvalidFloatValue, S, D.DisplayName()), Field);
        SetBufferValue(Field, static_cast<double>(V));
        break;
    }
    case TFieldType::String:
        SetBufferValue(Field, D.Size > 0 && Utf8Length(S) > static_cast<size_t>(D.Size) ? CutChars(S, D.Size) : S);
        break;
    case TFieldType::Memo:
        SetBufferValue(Field, S);
        break;
    }
}

void TTable::SetText(int Field, const std::string& S)
{
    if (S.empty())
        Clear(Field);
    else
        SetAsString(Field, S);
}

void TTable::Clear(int Field)
{
    CheckCanSet(Field);
    SetBufferValue(Field, TValue{});
}

// --- views

void TTable::AddObserver(TTableObserver* O)
{
    if (std::find(FObservers.begin(), FObservers.end(), O) == FObservers.end())
        FObservers.push_back(O);
}

void TTable::RemoveObserver(TTableObserver* O)
{
    FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), O), FObservers.end());
}

void TTable::DisableControls() { ++FDisableCount; }

void TTable::EnableControls()
{
    if (FDisableCount > 0 && --FDisableCount == 0) {
        Notify([](TTableObserver& O) { O.BeginReset(); });
        Notify([](TTableObserver& O) { O.EndReset(); });
    }
}

}  // namespace platform::tablestore
