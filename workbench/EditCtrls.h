#pragma once
// Small pieces of the workbench dialogs (their numeric field is
// gui::TSpinEdit, SpinEdit.h).
//
// TRadioGroup: a captioned group of radio buttons with an item index.

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QBoxLayout;
class QButtonGroup;
class QDialog;
class QFrame;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace VelorSpec {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    // Index of the checked item, -1 when none is.
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(FButtons.size()); }
    QRadioButton* Button(int index) const { return FButtons.value(index); }
    // Lays the items out in Columns columns, filled column by column.
    void SetColumns(int columns);

private:
    QButtonGroup* FGroup;
    QList<QRadioButton*> FButtons;
};

// The foot of an OK/Cancel dialog: a sunken line (Bevel) over the buttons "OK"
// (default, closes with OK) and "Cancel" (closes with Cancel), added to Layout.
void AddOkCancelFoot(QDialog* Dialog, QBoxLayout* Layout, QFrame*& Bevel, QPushButton*& OK, QPushButton*& Cancel);

}  // namespace VelorSpec
