// Autosampler controller: program start.
#include <QApplication>

#include "Main.h"
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
    return app.exec();
}
