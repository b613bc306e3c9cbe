#pragma once
// In-memory table with typed columns, a cursor and the browse / edit / insert
// states of a client dataset: the store behind the controller's time program.
//
// Columns are stored or calculated.  A stored column holds, per row, either
// nothing (null, "missing") or a value of its kind; a text can be empty and
// still be present.  Calculated columns are filled by OnCalcFields whenever a
// row is read into the cursor, loaded, posted or a field of the row being
// edited changes.
//
// Editing works on a copy of the current row (the record buffer): Edit copies
// the row, Insert/Append add a new row whose buffer holds the defaults, field
// setters change the buffer, Post writes it back after the required-field
// check and BeforePost, Cancel throws it away (and removes a row still being
// inserted).  Moving the cursor while editing posts a modified buffer and
// cancels an unmodified one.
//
// Refusals are EDatabaseError with the table's own messages; one that concerns
// a field calls OnFocusField first and carries the field's index.
//
// Standard library only (plus the data model's SysUtils for messages and
// number conversion with the user's decimal separator).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "SysUtils.h"

namespace platform::tablestore {

enum class TFieldType { Integer, String, Float, Memo };
enum class TFieldKind { Data, Calculated };
enum class TDataSetState { Browse, Edit, Insert };

// A cell: missing (monostate), a 32-bit integer, a double or a text (bytes;
// UTF-8 for the grid).
using TValue = std::variant<std::monostate, std::int32_t, double, std::string>;

struct TFieldDef {
    std::string Name;
    TFieldType Type = TFieldType::Integer;
    TFieldKind Kind = TFieldKind::Data;
    int Size = 0;                 // String: most characters (UTF-8 code points)
    bool Required = false;
    TValue Default;               // applied to a new row, without change events
    std::string DisplayLabel;     // empty: the name
    int DisplayWidth = 10;        // characters
    std::string DisplayFormat;    // Float: "#.0" or empty (general form)
    // Integer range checked when a value is set; both 0 means no range.
    std::int32_t MinValue = 0;
    std::int32_t MaxValue = 0;

    std::string DisplayName() const { return DisplayLabel.empty() ? Name : DisplayLabel; }
};

// The table's refusals and the errors of its handlers.  Field is the index of
// the field the message concerns (the cursor was moved to it), or -1.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(const std::string& Msg, int AField = -1) : Exception(Msg), Field(AField) {}
    int Field;
};

// Message texts of the table.
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldRangeError =
    "%g is not a valid value for field '%s'. The allowed range is %g to %g";
inline constexpr const char* SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SChangingRows = "The table cannot be changed while it changes its rows";

// Number of UTF-8 characters of a text (bytes that do not continue one).
std::size_t Utf8Length(std::string_view S);

// "#.0" and similar: FormatFloat with the user's decimal separator, halves
// to even.  Supports the patterns "#.0", "0.0", "#.00" ... (digits after the
// point) and "" (general form).
std::string FormatFloatPattern(const std::string& Pattern, double Value);

// Read and write access to one record (a row or the record buffer); handed to
// OnCalcFields.
class TRecord {
public:
    TRecord(const std::vector<TFieldDef>& Defs, std::vector<TValue>& Values) : FDefs(Defs), FValues(Values) {}
    bool IsNull(int Field) const;
    std::int32_t AsInteger(int Field) const;   // null: 0
    double AsFloat(int Field) const;           // null: 0
    std::string AsString(int Field) const;     // null: ""
    const TValue& Value(int Field) const { return FValues[Field]; }
    void SetValue(int Field, TValue V) { FValues[Field] = std::move(V); }

private:
    const std::vector<TFieldDef>& FDefs;
    std::vector<TValue>& FValues;
};

// Told about every change of what a view of the table shows.  Row numbers are
// 0-based positions in the table; a row being inserted already has its place.
class TTableObserver {
public:
    virtual ~TTableObserver() = default;
    virtual void BeginInsertRow(int /*Row*/) {}
    virtual void EndInsertRow() {}
    virtual void BeginRemoveRow(int /*Row*/) {}
    virtual void EndRemoveRow() {}
    virtual void BeginReset() {}
    virtual void EndReset() {}
    virtual void RowChanged(int /*Row*/) {}
    virtual void CurrentChanged(int /*OldRow*/, int /*NewRow*/) {}
    virtual void StateChanged() {}
    // Before the record being edited is posted (also when leaving it or
    // saving the table): the view hands over what it still holds for the
    // record, such as the text of an open cell editor, by setting the field.
    // Raising refuses the post.  Asked also while controls are disabled.
    virtual void UpdateData() {}
};

class TTable {
public:
    explicit TTable(std::vector<TFieldDef> Defs);
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    // --- columns
    int FieldCount() const { return static_cast<int>(FDefs.size()); }
    const TFieldDef& FieldDef(int Field) const { return FDefs.at(Field); }
    const std::vector<TFieldDef>& FieldDefs() const { return FDefs; }
    int FindField(const std::string& Name) const;  // -1 when missing (letter case ignored)
    int FieldByName(const std::string& Name) const;  // raises SFieldNotFound

    // --- rows and cursor
    // Rows in the table, a row being inserted included.
    int RowCount() const { return static_cast<int>(FRows.size()); }
    // Posted rows (a row being inserted not counted).
    int RecordCount() const { return RowCount() - (FState == TDataSetState::Insert ? 1 : 0); }
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecNo() const { return FCurrent; }  // 0-based current row, -1 when empty
    bool Eof() const { return FEof; }        // Next moved past the last row (or empty)
    bool Bof() const { return FBof; }
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveTo(int Row);  // leaves edit/insert first (see CheckBrowseMode)

    // --- states
    TDataSetState State() const { return FState; }
    bool Modified() const { return FBufferModified; }  // the record buffer changed
    void Edit();     // empty table: Append
    void Insert();   // new row before the current one
    void Append();   // new row at the end
    void Post();     // browse: nothing
    void Cancel();   // browse: nothing
    // Deletes the current row; a row being inserted is cancelled instead.
    // Returns false when BeforeDelete declined.
    bool Delete();
    // Posts a modified buffer, cancels an unmodified one.
    void CheckBrowseMode();
    // Edit or insert state: every view hands over its pending change of the
    // record (TTableObserver::UpdateData); Post and CheckBrowseMode do this
    // first.  Browse: nothing.
    void UpdateRecord();
    // Removes every row: no row events, a pending edit is dropped.
    void EmptyTable();
    // Replaces every row by Rows (stored columns filled, calculated ones are
    // computed here); the cursor goes to the first row, the state to browse.
    // No row events.
    void ReplaceRows(std::vector<std::vector<TValue>> Rows);

    // --- the current record (the record buffer while editing)
    bool IsNull(int Field) const;
    std::int32_t AsInteger(int Field) const;  // null: 0
    double AsFloat(int Field) const;          // null: 0
    std::string AsString(int Field) const;    // null: ""; numbers in general form
    const TValue& Value(int Field) const;
    std::string DisplayText(int Field) const;  // OnGetText or display format
    std::string EditText(int Field) const;     // text an editor starts with

    // Setters work in edit or insert state (else SNotEditing) on stored
    // fields (else SFieldReadOnly) and fire OnFieldChange.
    void SetAsInteger(int Field, std::int32_t V);  // range checked
    void SetAsFloat(int Field, double V);
    // Converts for number fields ("" clears them); a text field takes the
    // text as it is, "" included (cut to its size).
    void SetAsString(int Field, const std::string& S);
    // What a typed cell sets: "" clears any field, other text as SetAsString.
    void SetText(int Field, const std::string& S);
    void Clear(int Field);

    // --- any row, for views (the record buffer for the row being edited)
    const TValue& ValueAt(int Row, int Field) const;
    bool IsNullAt(int Row, int Field) const;
    std::int32_t AsIntegerAt(int Row, int Field) const;  // null or no such row: 0
    double AsFloatAt(int Row, int Field) const;          // null or no such row: 0
    std::string AsStringAt(int Row, int Field) const;
    std::string DisplayTextAt(int Row, int Field) const;
    std::string EditTextAt(int Row, int Field) const;
    // The stored values of a posted row (what a file holds).
    const std::vector<TValue>& RowValues(int Row) const { return FRows.at(Row); }

    // --- views
    void AddObserver(TTableObserver* O);
    void RemoveObserver(TTableObserver* O);
    // While disabled, observers hear nothing; enabling sends one reset.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // --- events (any may raise; a raise stops the operation)
    std::function<void()> BeforeInsert;
    std::function<void()> AfterInsert;
    std::function<void()> BeforePost;
    std::function<void()> AfterPost;
    std::function<void()> BeforeEdit;
    std::function<void()> AfterCancel;
    std::function<bool()> BeforeDelete;  // false: the delete does not happen
    std::function<void()> AfterDelete;
    std::function<void()> AfterScroll;
    std::function<void(TRecord&)> OnCalcFields;
    // A stored field of the record buffer was set (also to the same value).
    std::function<void(int Field)> OnFieldChange;
    // Display text of a field; replaces its display format when set.
    std::vector<std::function<std::string(int Row)>> OnGetText;  // per field
    // A refusal that concerns a field asks for the cursor to move to it.
    std::function<void(int Field)> OnFocusField;

    // Raises EDatabaseError(Msg, Field) after OnFocusField(Field).
    [[noreturn]] void FieldError(const std::string& Msg, int Field);

private:
    void CheckField(int Field) const;
    void CheckNotChanging() const;
    void CheckCanSet(int Field) const;
    std::vector<TValue>& Buffer();
    const std::vector<TValue>& CurrentValues() const;
    const std::vector<TValue>& ValuesAt(int Row) const;
    void SetBufferValue(int Field, TValue V);
    void Calc(std::vector<TValue>& Values);
    void BeginInsertAppend(bool AtEnd);
    void SetCurrent(int Row);
    void SetState(TDataSetState S);

    void RemoveRow(int Row);

    template <class F>
    void ChangingRows(F&& Fn)
    {
        ++FChangingRows;
        try {
            Fn();
        } catch (...) {
            --FChangingRows;
            throw;
        }
        --FChangingRows;
    }

    template <class F>
    void Notify(F&& Fn)
    {
        if (FDisableCount == 0)
            for (TTableObserver* O : FObservers)
                Fn(*O);
    }

    std::vector<TFieldDef> FDefs;
    std::vector<std::vector<TValue>> FRows;
    std::vector<TValue> FBuffer;
    int FCurrent = -1;
    bool FEof = true;
    bool FBof = true;
    TDataSetState FState = TDataSetState::Browse;
    bool FBufferModified = false;
    std::vector<TTableObserver*> FObservers;
    int FDisableCount = 0;
    int FChangingRows = 0;
};

}  // namespace platform::tablestore
