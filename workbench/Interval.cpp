#include "Interval.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "AASCls.h"
#include "Dialogs.h"
#include "EditCtrls.h"
#include "SpinEdit.h"

namespace VelorSpec {

TfrmInterval::TfrmInterval(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Set Zero Interval"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    labStart = new QLabel(QStringLiteral("St&art Second:"), this);
    sedStart = new gui::TSpinEdit(gui::TSpinEdit::TValueType::Float, this);
    labEnd = new QLabel(QStringLiteral("E&nd Second:"), this);
    sedEnd = new gui::TSpinEdit(gui::TSpinEdit::TValueType::Float, this);
    for (gui::TSpinEdit* sed : {sedStart, sedEnd}) {
        sed->SetIncrement(0.02);
        sed->SetValue(0.02);
    }
    labStart->setBuddy(sedStart);
    labEnd->setBuddy(sedEnd);

    auto* fields = new QGridLayout;
    fields->addWidget(labStart, 0, 0);
    fields->addWidget(sedStart, 0, 1);
    fields->addWidget(labEnd, 1, 0);
    fields->addWidget(sedEnd, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    AddOkCancelFoot(this, layout, Bevel1, btnOK, btnCancel);

    resize(312, 90);
}

bool TfrmInterval::Execute()
{
    return gui::ExecModal(*this) == gui::mrOk;
}

void SetupIntervalDialog(TfrmInterval& Dialog, const TAASSample& Sample, const QString& Caption,
                         double Start, double End)
{
    Dialog.sedStart->SetValue(Start);
    Dialog.sedEnd->SetValue(End);
    const double resolution = static_cast<double>(Sample.GetResolution());
    Dialog.sedStart->SetIncrement(resolution);
    Dialog.sedEnd->SetIncrement(resolution);
    Dialog.sedStart->SetMinValue(resolution);
    Dialog.sedEnd->SetMinValue(resolution);
    const double lastX = static_cast<double>(Sample.GetItem(0)->Count() * Sample.GetResolution());
    Dialog.sedStart->SetMaxValue(lastX);
    Dialog.sedEnd->SetMaxValue(lastX);
    Dialog.setWindowTitle(Caption);
}

}  // namespace VelorSpec
