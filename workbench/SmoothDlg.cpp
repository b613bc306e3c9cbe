#include "SmoothDlg.h"

#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Dialogs.h"
#include "EditCtrls.h"
#include "SpinEdit.h"

namespace VelorSpec {

TfrmSmooth::TfrmSmooth(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Smooth"));
    setFont(QFont(QStringLiteral("Times New Roman")));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    rgMethod = new TRadioGroup(QStringLiteral("S&elect Method"),
                               {QStringLiteral("M&oving Average"), QStringLiteral("S&av - Gol")}, this);
    rgMethod->SetItemIndex(0);

    gboxPoints = new QGroupBox(QStringLiteral("Poi&nts"), this);
    sedPoints = new gui::TSpinEdit(gui::TSpinEdit::TValueType::Integer, gboxPoints);
    sedPoints->SetMinValue(1);
    sedPoints->SetMaxValue(2147483647.0);
    sedPoints->SetValue(1);
    auto* pointsLayout = new QVBoxLayout(gboxPoints);
    pointsLayout->addWidget(sedPoints);

    auto* top = new QHBoxLayout;
    top->addWidget(rgMethod, 1);
    top->addWidget(gboxPoints, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    AddOkCancelFoot(this, layout, Bevel, btnOK, btnCancel);

    resize(313, 151);
}

bool TfrmSmooth::Execute()
{
    return gui::ExecModal(*this) == gui::mrOk;
}

}  // namespace VelorSpec
