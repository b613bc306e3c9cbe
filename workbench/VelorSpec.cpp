// Evaluation workbench: program start.
#include <QApplication>

#include "Instrument.h"
#include "Main.h"

#if __has_include("SysUtils.h")
#include "SysUtils.h"
#define VELOR_HAVE_SYSUTILS 1
#endif

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelorSpec"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velor Spec"));
#ifdef VELOR_HAVE_SYSUTILS
    InitDecimalSeparatorFromLocale();
#endif
    VelorSpec::frmMain = new VelorSpec::TfrmMain;
    VelorSpec::frmMain->setAttribute(Qt::WA_DeleteOnClose);
    VelorSpec::TfrmInstrument::CreateInFrame(VelorSpec::frmMain);
    VelorSpec::frmMain->show();
    return app.exec();
}
