#pragma once
// The time program in the main window's grid: a table model over the
// time-program table, the item delegate (pick list of the type column, "#.0"
// editing, colouring of rows with data, ellipsis buttons of the two viewer
// columns) and the grid view that keeps the table's cursor and the grid's
// current cell together.

#include <QAbstractTableModel>
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
    // Moves the table to the row (posting a pending change there), enters
    // edit mode and sets the field from the text.  A refusal is reported by
    // errorRaised and returns false; a text equal to the editor's starting
    // text changes nothing.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

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

    // Where the ellipsis button of a viewer cell lies.
    static QRect buttonRect(const QRect& cell);

signals:
    // The ellipsis button of a viewer cell was clicked.
    void editButtonClicked(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The program grid: a table view over ProgramModel with ProgramDelegate.  It
// follows the table's cursor, moves the table when the user moves to another
// row (a refused post keeps the user on the row), inserts a row with Ins and
// appends one with Down on the last row, discards row changes with Esc, and
// shows the table's refusals through the dialogs layer.
class ProgramGrid : public QTableView {
    Q_OBJECT
public:
    explicit ProgramGrid(QWidget* parent = nullptr);
    void setProgramModel(ProgramModel* model);
    ProgramModel* programModel() const { return FModel; }
    ProgramDelegate* programDelegate() const { return FDelegate; }

    // The field (model column) of the current cell, -1 without one.  Columns
    // the user moved keep their field.
    int currentColumn() const;

signals:
    // The viewer button of the ReceivedData or GraphicView column (the field,
    // wherever the user moved the column) was clicked; the table's cursor is
    // on the clicked row.
    void editButtonClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followTable(int row);
    void focusCell(int row, int column);

    ProgramModel* FModel = nullptr;
    ProgramDelegate* FDelegate = nullptr;
    bool FFollowing = false;
};

}  // namespace VelorTime
