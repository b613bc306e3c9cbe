#include "EditCtrls.h"

#include <QButtonGroup>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "Dialogs.h"

namespace VelorSpec {

// ---------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), FGroup(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        FGroup->addButton(button, i);
        layout->addWidget(button);
        FButtons.append(button);
    }
}

int TRadioGroup::ItemIndex() const
{
    return FGroup->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QRadioButton* button = Button(index)) {
        button->setChecked(true);
        return;
    }
    // No valid index: nothing checked.
    FGroup->setExclusive(false);
    for (QRadioButton* b : FButtons)
        b->setChecked(false);
    FGroup->setExclusive(true);
}

void TRadioGroup::SetColumns(int columns)
{
    columns = std::max(columns, 1);
    delete layout();
    auto* grid = new QGridLayout(this);
    const int rows = (Count() + columns - 1) / columns;
    for (int i = 0; i < Count(); ++i)
        grid->addWidget(FButtons[i], i % rows, i / rows);
}

// ---------------------------------------------------------------------------

void AddOkCancelFoot(QDialog* Dialog, QBoxLayout* Layout, QFrame*& Bevel, QPushButton*& OK, QPushButton*& Cancel)
{
    Bevel = new QFrame(Dialog);
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);

    OK = new QPushButton(QStringLiteral("OK"), Dialog);
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("Cancel"), Dialog);
    QObject::connect(OK, &QPushButton::clicked, Dialog, [Dialog] { Dialog->done(gui::mrOk); });
    QObject::connect(Cancel, &QPushButton::clicked, Dialog, [Dialog] { Dialog->done(gui::mrCancel); });

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch(1);
    Buttons->addWidget(OK);
    Buttons->addWidget(Cancel);
    Layout->addWidget(Bevel);
    Layout->addLayout(Buttons);
}

}  // namespace VelorSpec
