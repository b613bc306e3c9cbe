#pragma once
// The time program in the main window's grid: a table model over the
// time-program table, the item delegate (pick list of the type column, "#.0"
// editing, colouring of rows with data, ellipsis buttons of the two viewer
// columns) and the grid view that keeps the table's cursor and the grid's
// current cell together.

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include "TableStore.h"
#include "TimeProgram.h"

namespace VelorTime {

// Colours of a row with data: yellow background, red text when selected.
inline const QColor DataRowBackground(255, 255, 0);
inline const QColor DataRowSelectedText(255, 0, 0);

class ProgramModel : public QAbstractTableModel, private platform::tablestore::TTableObserver {
    Q_OBJECT
public:
    explicit ProgramModel(TTimeProgram& Program, QObject* parent = nullptr);
    ~ProgramModel() override;

    TTimeProgram& Program() { return FProgram; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole: the display text ("#.0", the viewer texts); EditRole: the
    // editor's text; BackgroundRole: yellow for a row with data;
    // TextAlignmentRole: numbers right-aligned.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Sets the field from the text as setFieldText does.  A refusal is
    // reported by errorRaised and returns false.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // Moves the table to the row (posting a pending change there) and enters
    // edit mode.  Raises what the table raises.
    void editRow(int row);
    // editRow, then the field from the text as typed ("" clears it).  A text
    // equal to the cell's edit text changes nothing.  Raises the table's
    // refusal (conversion, range).
    void setFieldText(const QModelIndex& index, const QString& text);

    // Whether a row holds received data (coloured).
    bool rowHasData(int row) const;

    // True while the table inserts, removes or replaces rows: the view's own
    // moves of its current cell then must not move the table.
    bool inTableChange() const { return FChanging > 0; }

signals:
    // A refusal of the table or of its checks, to be shown in an error box.
    void errorRaised(const QString& message);
    // The table asks the grid to put its cursor on this cell.
    void focusCellRequested(int row, int column);
    // The table's current row changed.
    void currentRowChanged(int row);
    // The table's state (browse, edit, insert) changed.
    void stateChanged();

private:
    void BeginInsertRow(int Row) override;
    void EndInsertRow() override;
    void BeginRemoveRow(int Row) override;
    void EndRemoveRow() override;
    void BeginReset() override;
    void EndReset() override;
    void RowChanged(int Row) override;
    void CurrentChanged(int OldRow, int NewRow) override;
    void StateChanged() override;

    TTimeProgram& FProgram;
    int FChanging = 0;
};

// Editors and painting of the program grid.
class ProgramDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit ProgramDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

    // Where the ellipsis button of a viewer cell lies.
    static QRect buttonRect(const QRect& cell);
    // The text an editor of this delegate holds.
    static QString editorText(const QWidget* editor);
    // The editor made last, while it exists, and its cell.
    QWidget* openEditor() const { return FEditor; }
    QModelIndex openEditorIndex() const { return FEditorIndex; }

signals:
    // The ellipsis button of a viewer cell was clicked.
    void editButtonClicked(const QModelIndex& index);
    // The user changed the text of a cell editor (typed, pasted, picked from
    // the list).
    void editorTextEdited(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    mutable QPointer<QWidget> FEditor;
    mutable QPersistentModelIndex FEditorIndex;
};

// The program grid: a table view over ProgramModel with ProgramDelegate.  It
// follows the table's cursor, moves the table when the user moves to another
// row (a refused post keeps the user on the row), appends a row with Down on
// the last row, posts the row with Up, Down, Page Up or Page Down where there
// is no row to move to, discards row changes with Esc, and shows the table's
// refusals through the dialogs layer.  The first change typed into a cell
// puts its row into edit mode; before the row is posted (or the table saved)
// the grid hands the open editor's text to the field.  In an open editor
// Enter hands the text over and closes the editor; Up, Down, Page Up, Page
// Down, Tab and Shift+Tab, Left and Home with the caret at the start of the
// text, Right and End with it at the end hand the text over and then move
// in the grid as they do without an editor; so does a click on another
// cell.  A refused text shows its message once and stays in the open editor
// to be corrected, whatever handed it over.  When the row's changes are
// discarded the editor closes without handing anything over.
class ProgramGrid : public QTableView, private platform::tablestore::TTableObserver {
    Q_OBJECT
public:
    explicit ProgramGrid(QWidget* parent = nullptr);
    ~ProgramGrid() override;
    void setProgramModel(ProgramModel* model);
    ProgramModel* programModel() const { return FModel; }
    ProgramDelegate* programDelegate() const { return FDelegate; }

    // The field (model column) of the current cell, -1 without one.  Columns
    // the user moved keep their field.
    int currentColumn() const;

    // An open editor that the table's changes take away (rows replaced or
    // removed) gives the focus back to the grid.
    void reset() override;

signals:
    // The viewer button of the ReceivedData or GraphicView column (the field,
    // wherever the user moved the column) was clicked; the table's cursor is
    // on the clicked row.
    void editButtonClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    // Every commit of the open editor sets its field; a refused text keeps
    // the editor open (closeEditor then leaves it).
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class ProgramDelegate;
    // A key pressed in the open editor; true when the grid took it.
    bool editorKeyPress(QWidget* editor, QKeyEvent* event);
    // Hands the open editor's text to its field and closes the editor; a
    // refusal shows its message, keeps the editor with the focus and
    // answers false.  Without an open editor: true.
    bool handOverEditor();
    // handOverEditor for an editor left open while the grid has the focus.
    void handOverUnfocusedEditor();
    // Sets the editor's field from its text; a refusal shows its message.
    bool setFieldFromEditor(QWidget* editor);
    void followTable(int row);
    void focusCell(int row, int column);
    // The open cell editor on the table's current record, or null.
    QWidget* editorOfCurrentRecord() const;
    // Runs a change that may release the open editor; the focus it had
    // comes back to the grid.
    template <class F>
    void keepingFocus(F&& change);
    void UpdateData() override;
    void StateChanged() override;

    ProgramModel* FModel = nullptr;
    TTable* FObserved = nullptr;   // the table this grid observes
    ProgramDelegate* FDelegate = nullptr;
    bool FFollowing = false;
    QPointer<QWidget> FRefusedEditor;   // its text was refused: it stays open
    bool FSettingField = false;         // setFieldFromEditor runs
};

}  // namespace VelorTime
