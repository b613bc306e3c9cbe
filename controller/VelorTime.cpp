// Autosampler controller: program start.
#include <QApplication>

#include "Main.h"
#include "SettingsStore.h"
#include "SysUtils.h"
#include "WindowFit.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VelorTime"));
    gui::SetApplicationTitle(QStringLiteral("Velor Time"));
    InitDecimalSeparatorFromLocale();
    VelorTime::frmMain = new VelorTime::TfrmMain;
    VelorTime::frmMain->setAttribute(Qt::WA_DeleteOnClose);
    VelorTime::frmMain->show();
    gui::ReportDamagedSettings(QString::fromLatin1(VelorTime::TfrmMain::ProgramFileName), VelorTime::frmMain);
    return app.exec();
}
