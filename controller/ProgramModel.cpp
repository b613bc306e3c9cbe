// The time program in the main window's grid.  See ProgramModel.h.

#include "ProgramModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyle>

#include <optional>

#include "Dialogs.h"

namespace VelorTime {

using platform::tablestore::TDataSetState;
using platform::tablestore::TFieldKind;
using platform::tablestore::TFieldType;

namespace {

bool IsViewerColumn(int column) { return column == fldReceivedData || column == fldGraphicView; }

}  // namespace

// ---------------------------------------------------------------------------
// ProgramModel

ProgramModel::ProgramModel(TTimeProgram& Program, QObject* parent) : QAbstractTableModel(parent), FProgram(Program)
{
    FProgram.Table().AddObserver(this);
    FProgram.OnFocusField = [this](int field) { emit focusCellRequested(FProgram.Table().RecNo(), field); };
}

ProgramModel::~ProgramModel()
{
    FProgram.Table().RemoveObserver(this);
    FProgram.OnFocusField = nullptr;
}

int ProgramModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FProgram.Table().RowCount();
}

int ProgramModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FProgram.Table().FieldCount();
}

bool ProgramModel::rowHasData(int row) const
{
    return row >= 0 && row < FProgram.Table().RowCount() && FProgram.HasData(row);
}

QVariant ProgramModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const TTable& T = FProgram.Table();
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(T.DisplayTextAt(index.row(), index.column()));
    case Qt::EditRole:
        return QString::fromStdString(T.EditTextAt(index.row(), index.column()));
    case Qt::BackgroundRole:
        if (rowHasData(index.row()))
            return QBrush(DataRowBackground);
        return {};
    case Qt::TextAlignmentRole: {
        const TFieldType Type = T.FieldDef(index.column()).Type;
        if (Type == TFieldType::Integer || Type == TFieldType::Float)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ProgramModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const TTable& T = FProgram.Table();
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= T.FieldCount())
            return {};
        return QString::fromStdString(T.FieldDef(section).DisplayName());
    }
    // The row indicator: the current row, and whether it is edited or new.
    if (section != T.RecNo())
        return QString();
    switch (T.State()) {
    case TDataSetState::Edit:
        return QStringLiteral("I");
    case TDataSetState::Insert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("\u25B6");
    }
}

Qt::ItemFlags ProgramModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const auto& D = FProgram.Table().FieldDef(index.column());
    if (D.Kind == TFieldKind::Data && D.Type != TFieldType::Memo)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ProgramModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    try {
        setFieldText(index, value.toString());
    } catch (const Exception& e) {
        emit errorRaised(QString::fromStdString(e.Message()));
        return false;
    }
    return true;
}

void ProgramModel::editRow(int row)
{
    TTable& T = FProgram.Table();
    if (row != T.RecNo())
        T.MoveTo(row);
    T.Edit();
}

void ProgramModel::setFieldText(const QModelIndex& index, const QString& text)
{
    TTable& T = FProgram.Table();
    const std::string Text = text.toStdString();
    // An editor that was opened and closed without a change leaves the value
    // as it is (a time shown with one decimal keeps all its digits).
    if (Text == T.EditTextAt(index.row(), index.column()))
        return;
    editRow(index.row());
    T.SetText(index.column(), Text);
}

void ProgramModel::BeginInsertRow(int Row)
{
    ++FChanging;
    beginInsertRows(QModelIndex(), Row, Row);
}

void ProgramModel::EndInsertRow()
{
    endInsertRows();
    --FChanging;
}

void ProgramModel::BeginRemoveRow(int Row)
{
    ++FChanging;
    beginRemoveRows(QModelIndex(), Row, Row);
}

void ProgramModel::EndRemoveRow()
{
    endRemoveRows();
    --FChanging;
}

void ProgramModel::BeginReset()
{
    ++FChanging;
    beginResetModel();
}

void ProgramModel::EndReset()
{
    endResetModel();
    --FChanging;
    emit currentRowChanged(FProgram.Table().RecNo());
}

void ProgramModel::RowChanged(int Row)
{
    if (Row < 0 || Row >= rowCount())
        return;
    emit dataChanged(index(Row, 0), index(Row, columnCount() - 1));
}

void ProgramModel::CurrentChanged(int OldRow, int NewRow)
{
    const int n = rowCount();
    if (OldRow >= 0 && OldRow < n)
        emit headerDataChanged(Qt::Vertical, OldRow, OldRow);
    if (NewRow >= 0 && NewRow < n)
        emit headerDataChanged(Qt::Vertical, NewRow, NewRow);
    emit currentRowChanged(NewRow);
}

void ProgramModel::StateChanged()
{
    const int Row = FProgram.Table().RecNo();
    if (Row >= 0 && Row < rowCount())
        emit headerDataChanged(Qt::Vertical, Row, Row);
    emit stateChanged();
}

// ---------------------------------------------------------------------------
// ProgramDelegate

ProgramDelegate::ProgramDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QRect ProgramDelegate::buttonRect(const QRect& cell)
{
    const int w = qMin(cell.height(), cell.width());
    return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
}

QWidget* ProgramDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    auto* self = const_cast<ProgramDelegate*>(this);
    const QPersistentModelIndex cell(index);
    const auto edited = [self, cell] { emit self->editorTextEdited(cell); };
    QWidget* editor = nullptr;
    if (index.column() == fldSampleType) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);  // other text may be typed
        for (const char* t : SampleTypes)
            combo->addItem(QString::fromLatin1(t));
        combo->setMaxVisibleItems(3);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFrame(false);
        // What is typed is what the cell gets: no completion from the list.
        combo->setCompleter(nullptr);
        combo->lineEdit()->setMaxLength(ProgramFieldDefs()[fldSampleType].Size);
        connect(combo->lineEdit(), &QLineEdit::textEdited, self, edited);
        connect(combo, &QComboBox::activated, self, edited);
        editor = combo;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            if (index.column() == fldSampleName)
                line->setMaxLength(ProgramFieldDefs()[fldSampleName].Size);
            connect(line, &QLineEdit::textEdited, self, edited);
        }
    }
    FEditor = editor;
    FEditorIndex = index;
    return editor;
}

void ProgramDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor == FEditor) {
        FEditor = nullptr;
        FEditorIndex = QPersistentModelIndex();
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

QString ProgramDelegate::editorText(const QWidget* editor)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(editor))
        return combo->currentText();
    if (const auto* line = qobject_cast<const QLineEdit*>(editor))
        return line->text();
    return {};
}

void ProgramDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        // The list opens on the cell's value (letter case ignored, as the
        // pick list finds it); the editor keeps the text exactly, all of it
        // selected, so that typing replaces it.
        const QString text = index.data(Qt::EditRole).toString();
        combo->setCurrentIndex(combo->findText(text, Qt::MatchFixedString));
        combo->setEditText(text);
        combo->lineEdit()->selectAll();
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void ProgramDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (qobject_cast<QComboBox*>(editor)) {
        model->setData(index, editorText(editor), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool ProgramDelegate::eventFilter(QObject* object, QEvent* event)
{
    // The window losing the activation (a message box, another program)
    // leaves the editor open with its text; the text is handed over when the
    // row is posted or left.
    auto* grid = qobject_cast<ProgramGrid*>(parent());
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason)
            return false;
        // A click into the grid: the grid hands the text over before the
        // click moves its cursor, or, a click beside the cells, once the
        // click is done.
        if (reason == Qt::MouseFocusReason && grid != nullptr && QApplication::focusWidget() == grid) {
            QMetaObject::invokeMethod(grid, &ProgramGrid::handOverUnfocusedEditor, Qt::QueuedConnection);
            return false;
        }
    }
    if (event->type() == QEvent::KeyPress && grid != nullptr && object->isWidgetType() &&
        grid->editorKeyPress(static_cast<QWidget*>(object), static_cast<QKeyEvent*>(event)))
        return true;
    return QStyledItemDelegate::eventFilter(object, event);
}

void ProgramDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const auto* model = qobject_cast<const ProgramModel*>(index.model());
    if (model != nullptr && model->rowHasData(index.row())) {
        option->backgroundBrush = QBrush(DataRowBackground);
        option->palette.setColor(QPalette::Highlight, DataRowBackground);
        option->palette.setColor(QPalette::HighlightedText, DataRowSelectedText);
    }
}

void ProgramDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!IsViewerColumn(index.column()))
        return;
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view == nullptr || view->currentIndex() != index)
        return;
    // The ellipsis button of the current viewer cell.
    QStyleOptionButton button;
    button.rect = buttonRect(option.rect);
    button.text = QStringLiteral("...");
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
}

bool ProgramDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                  const QModelIndex& index)
{
    if (IsViewerColumn(index.column()) && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && buttonRect(option.rect).contains(mouse->position().toPoint())) {
            emit editButtonClicked(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

// ---------------------------------------------------------------------------
// ProgramGrid

ProgramGrid::ProgramGrid(QWidget* parent) : QTableView(parent), FDelegate(new ProgramDelegate(this))
{
    connect(FDelegate, &ProgramDelegate::editorTextEdited, this, [this](const QModelIndex& index) {
        // The first change typed into a cell puts its row into edit mode.
        if (FModel != nullptr && index.isValid())
            gui::RunGuarded([&] { FModel->editRow(index.row()); }, this);
    });
    setObjectName(QStringLiteral("DBGrid"));
    setItemDelegate(FDelegate);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    horizontalHeader()->setSectionsMovable(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(FDelegate, &ProgramDelegate::editButtonClicked, this, [this](const QModelIndex& index) {
        if (FModel == nullptr)
            return;
        TTable& T = FModel->Program().Table();
        if (index.row() != T.RecNo()) {
            try {
                T.MoveTo(index.row());
            } catch (const Exception& e) {
                gui::ShowError(QString::fromStdString(e.Message()), this);
                return;
            }
        }
        emit editButtonClicked(index.column());
    });
}

ProgramGrid::~ProgramGrid()
{
    if (FObserved != nullptr)
        FObserved->RemoveObserver(this);
}

void ProgramGrid::setProgramModel(ProgramModel* model)
{
    if (FModel != nullptr)
        disconnect(FModel, nullptr, this, nullptr);
    if (FObserved != nullptr)
        FObserved->RemoveObserver(this);
    FObserved = nullptr;
    FModel = model;
    setModel(model);
    if (model == nullptr)
        return;
    FObserved = &model->Program().Table();
    FObserved->AddObserver(this);
    connect(model, &ProgramModel::errorRaised, this,
            [this](const QString& message) { gui::ShowError(message, this); });
    connect(model, &ProgramModel::focusCellRequested, this, &ProgramGrid::focusCell);
    connect(model, &ProgramModel::currentRowChanged, this, &ProgramGrid::followTable);
    const TTable& T = model->Program().Table();
    // A column is as wide as its field's display width, and at least as wide
    // as its title, so no title is cut.
    const int charWidth = fontMetrics().averageCharWidth();
    const QFontMetrics titleMetrics = horizontalHeader()->fontMetrics();
    for (int c = 0; c < T.FieldCount(); ++c) {
        const int title =
            titleMetrics.horizontalAdvance(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16;
        setColumnWidth(c, qMax(qMax(T.FieldDef(c).DisplayWidth, 3) * charWidth + 8, title));
    }
    followTable(T.RecNo());
}

int ProgramGrid::currentColumn() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

void ProgramGrid::followTable(int row)
{
    if (FModel == nullptr || row < 0 || row >= FModel->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    const int column = current.isValid() ? current.column() : 0;
    FFollowing = true;
    setCurrentIndex(FModel->index(row, column));
    FFollowing = false;
}

QWidget* ProgramGrid::editorOfCurrentRecord() const
{
    QWidget* editor = FDelegate->openEditor();
    const QModelIndex index = FDelegate->openEditorIndex();
    if (FModel == nullptr || editor == nullptr || state() != QAbstractItemView::EditingState || !index.isValid() ||
        index.row() != FModel->Program().Table().RecNo())
        return nullptr;
    return editor;
}

template <class F>
void ProgramGrid::keepingFocus(F&& change)
{
    const QWidget* focus = window()->focusWidget();
    const bool inEditor = focus != nullptr && focus != this && isAncestorOf(focus);
    change();
    if (inEditor && window()->focusWidget() != this && isVisible())
        setFocus();
}

void ProgramGrid::reset()
{
    keepingFocus([this] { QTableView::reset(); });
}

void ProgramGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    keepingFocus([&] { QTableView::rowsAboutToBeRemoved(parent, start, end); });
}

bool ProgramGrid::setFieldFromEditor(QWidget* editor)
{
    // While the message of a refusal shows, the editor's text is not handed
    // over again.
    if (FSettingField)
        return false;
    const QScopedValueRollback<bool> setting(FSettingField, true);
    try {
        FModel->setFieldText(FDelegate->openEditorIndex(), ProgramDelegate::editorText(editor));
    } catch (const Exception& e) {
        gui::ShowError(QString::fromStdString(e.Message()), this);
        return false;
    }
    return true;
}

bool ProgramGrid::handOverEditor()
{
    QWidget* editor = FDelegate->openEditor();
    if (FModel == nullptr || editor == nullptr || state() != QAbstractItemView::EditingState)
        return true;
    if (!setFieldFromEditor(editor)) {
        editor->setFocus();
        return false;
    }
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void ProgramGrid::handOverUnfocusedEditor()
{
    if (hasFocus())
        handOverEditor();
}

void ProgramGrid::commitData(QWidget* editor)
{
    if (FModel == nullptr || editor != FDelegate->openEditor()) {
        QTableView::commitData(editor);
        return;
    }
    FRefusedEditor = setFieldFromEditor(editor) ? nullptr : editor;
}

void ProgramGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (editor != nullptr && editor == FRefusedEditor) {
        FRefusedEditor = nullptr;
        editor->setFocus();
        return;
    }
    QTableView::closeEditor(editor, hint);
}

namespace {

// Where the caret of a cell editor's text lies, as the grid's own editor
// tells it from the selection (the caret alone when nothing is selected): at
// the start or at the end of the text, or the whole text selected, which is
// at both edges wherever the caret stands in it.
struct TCaret {
    int length, start, end;
    explicit TCaret(const QLineEdit* line)
        : length(int(line->text().length())),
          start(line->hasSelectedText() ? line->selectionStart() : line->cursorPosition()),
          end(line->hasSelectedText() ? line->selectionEnd() : line->cursorPosition())
    {
    }
    bool atStart() const { return start == 0 && (end == 0 || end == length); }
    bool atEnd() const { return (start == 0 || end == start) && end == length; }
};

const QLineEdit* TextOf(const QWidget* editor)
{
    if (const auto* combo = qobject_cast<const QComboBox*>(editor))
        return combo->lineEdit();
    return qobject_cast<const QLineEdit*>(editor);
}

}  // namespace

bool ProgramGrid::editorKeyPress(QWidget* editor, QKeyEvent* event)
{
    if (FModel == nullptr || editor != FDelegate->openEditor())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const QLineEdit* line = TextOf(editor);
    bool leaves = false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier)
            return false;
        handOverEditor();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        leaves = (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier;
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        leaves = modifiers == Qt::NoModifier;
        break;
    case Qt::Key_Left:
    case Qt::Key_Home:
        leaves = modifiers == Qt::NoModifier && (line == nullptr || TCaret(line).atStart());
        break;
    case Qt::Key_Right:
    case Qt::Key_End:
        leaves = modifiers == Qt::NoModifier && (line == nullptr || TCaret(line).atEnd());
        break;
    default:
        break;
    }
    if (!leaves)
        return false;
    // The text goes to the field first; then the key moves in the grid as it
    // does without an editor.
    if (handOverEditor()) {
        QKeyEvent key(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                      ushort(event->count()));
        QCoreApplication::sendEvent(this, &key);
    }
    return true;
}

void ProgramGrid::mousePressEvent(QMouseEvent* event)
{
    // A click on another cell hands the open editor's text over first; a
    // refused text keeps the editor and the click does nothing.
    if (state() == QAbstractItemView::EditingState && FDelegate->openEditor() != nullptr &&
        indexAt(event->position().toPoint()) != QModelIndex(FDelegate->openEditorIndex()) && !handOverEditor())
        return;
    QTableView::mousePressEvent(event);
}

void ProgramGrid::UpdateData()
{
    QWidget* editor = editorOfCurrentRecord();
    if (editor == nullptr)
        return;
    // A refusal leaves the editor open with the text and refuses the post.
    FModel->setFieldText(FDelegate->openEditorIndex(), ProgramDelegate::editorText(editor));
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void ProgramGrid::StateChanged()
{
    // The record's changes were posted (its editor handed over first) or
    // discarded: an editor still open on it goes without handing anything over.
    if (FModel == nullptr || FModel->Program().Table().State() != TDataSetState::Browse)
        return;
    if (QWidget* editor = editorOfCurrentRecord())
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void ProgramGrid::focusCell(int row, int column)
{
    if (FModel == nullptr || row < 0 || row >= FModel->rowCount())
        return;
    FFollowing = true;
    setCurrentIndex(FModel->index(row, column));
    FFollowing = false;
}

void ProgramGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // Hands the text of an editor on the previous cell over.
    QTableView::currentChanged(current, previous);
    if (FFollowing || FModel == nullptr || !current.isValid() || FModel->inTableChange())
        return;
    const QModelIndex editing = FDelegate->openEditorIndex();
    if (FDelegate->openEditor() != nullptr && editing.isValid() && editing != current) {
        // Its text was refused: the cursor stays on its cell.
        focusCell(editing.row(), editing.column());
        return;
    }
    TTable& T = FModel->Program().Table();
    if (current.row() == T.RecNo())
        return;
    try {
        T.MoveTo(current.row());
    } catch (const Exception& e) {
        // The row could not be left: stay on it.
        if (T.RecNo() >= 0)
            focusCell(T.RecNo(), previous.isValid() ? previous.column() : current.column());
        gui::ShowError(QString::fromStdString(e.Message()), this);
    }
}

void ProgramGrid::keyPressEvent(QKeyEvent* event)
{
    if (FModel != nullptr && state() != QAbstractItemView::EditingState) {
        TTable& T = FModel->Program().Table();
        const QModelIndex current = currentIndex();
        if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier &&
            (T.RowCount() == 0 || (current.isValid() && current.row() == T.RowCount() - 1))) {
            // Down on the last row appends a row (not from an untouched new one).
            if (!(T.State() == TDataSetState::Insert && !T.Modified()))
                gui::RunGuarded([&] { T.Append(); }, this);
            return;
        }
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
            T.State() != TDataSetState::Browse) {
            gui::RunGuarded([&] { T.Cancel(); }, this);
            return;
        }
        // A row key with no row to move to posts the row all the same, as
        // moving does (an untouched new row goes).
        const auto rowMove = [&]() -> std::optional<CursorAction> {
            if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
                return std::nullopt;
            switch (event->key()) {
            case Qt::Key_Up: return MoveUp;
            case Qt::Key_Down: return MoveDown;
            case Qt::Key_PageUp: return MovePageUp;
            case Qt::Key_PageDown: return MovePageDown;
            default: return std::nullopt;
            }
        }();
        if (rowMove && current.isValid() && T.State() != TDataSetState::Browse &&
            moveCursor(*rowMove, event->modifiers()).row() == current.row()) {
            gui::RunGuarded([&] { T.CheckBrowseMode(); }, this);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

}  // namespace VelorTime
