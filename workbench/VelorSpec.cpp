// Evaluation workbench: program start.
#include <QApplication>

#include "Instrument.h"
#include "Main.h"
#include "SysUtils.h"
#include "WindowFit.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelorSpec"));
    gui::SetApplicationTitle(QStringLiteral("Velor Spec"));
    InitDecimalSeparatorFromLocale();
    VelorSpec::frmMain = new VelorSpec::TfrmMain;
    VelorSpec::frmMain->setAttribute(Qt::WA_DeleteOnClose);
    VelorSpec::TfrmInstrument::CreateInFrame(VelorSpec::frmMain);
    VelorSpec::frmMain->show();
    return app.exec();
}
