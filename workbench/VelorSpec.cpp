// Evaluation workbench: program start.
#include <QApplication>

#include "Instrument.h"
#include "Main.h"
#include "SettingsStore.h"
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
    // The settings were read as the window showed: a damaged settings file
    // is reported now, once.
    gui::ReportDamagedSettings(QString::fromLatin1(VelorSpec::TfrmMain::ProgramFileName), VelorSpec::frmMain);
    return app.exec();
}
