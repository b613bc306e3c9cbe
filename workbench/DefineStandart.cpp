#include "DefineStandart.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "Dialogs.h"
#include "EditCtrls.h"
#include "SpinEdit.h"
#include "WindowFit.h"

namespace VelorSpec {

TfrmDefineStandart::TfrmDefineStandart(QWidget* Owner) : QDialog(Owner)
{
    setWindowTitle(QStringLiteral("Set standart concentration..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    labConc = new QLabel(QStringLiteral("Enter &Concentration:"), this);
    sedConc = new gui::TSpinEdit(gui::TSpinEdit::TValueType::Float, this);
    sedConc->SetDecimals(3);
    sedConc->SetValue(0);
    labConc->setBuddy(sedConc);

    labConcUnits = new QLabel(QStringLiteral("Enter Concentration &Units:"), this);
    cmbConcUnits = new QComboBox(this);
    cmbConcUnits->addItems({QStringLiteral("ppm"), QStringLiteral("ppb")});
    labConcUnits->setBuddy(cmbConcUnits);

    auto* Fields = new QGridLayout;
    Fields->addWidget(labConc, 0, 0);
    Fields->addWidget(sedConc, 0, 1);
    Fields->addWidget(labConcUnits, 1, 0);
    Fields->addWidget(cmbConcUnits, 1, 1);

    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Fields);
    QFrame* Bevel = nullptr;
    AddOkCancelFoot(this, Layout, Bevel, btnOK, btnCancel);

    FormCreate();
    setFixedSize(gui::FitFirstSize(this, sizeHint()));
    sedConc->setFocus();
}

void TfrmDefineStandart::FormCreate()
{
    cmbConcUnits->setCurrentIndex(0);
}

bool TfrmDefineStandart::Execute()
{
    return gui::ExecModal(*this) == gui::mrOk;
}

double TfrmDefineStandart::ConcentrationPpm() const
{
    const double Value = sedConc->Value();
    return cmbConcUnits->currentIndex() == 1 ? static_cast<double>(static_cast<long double>(Value) / 1000) : Value;
}

bool TfrmDefineStandart::FormCloseQuery(int Result)
{
    if (Result == gui::mrOk && sedConc->Value() < 0) {
        gui::MessageDlg(QStringLiteral("Negative concentrations are not allowed."), gui::MsgDlgType::Error,
                        gui::mbOK, this);
        return false;
    }
    return true;
}

void TfrmDefineStandart::done(int Result)
{
    if (FormCloseQuery(Result))
        QDialog::done(Result);
}

void TfrmDefineStandart::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
        QRect Frame = frameGeometry();
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }
    sedConc->setFocus();
}

}  // namespace VelorSpec
