#include "Progress.h"

#include <QFont>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "WindowFit.h"

namespace VelorSpec {

TfrmProgress::TfrmProgress(QWidget* Owner) : QDialog(Owner)
{
    setWindowTitle(QStringLiteral("Updating..."));
    // A title bar without border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(QFont(QStringLiteral("Times New Roman")));

    labInfo = new QLabel(QStringLiteral("Updating, please wait..."), this);
    QFont Italic = labInfo->font();
    Italic.setItalic(true);
    labInfo->setFont(Italic);

    prbarProgress = new QProgressBar(this);
    prbarProgress->setRange(0, 100);
    prbarProgress->setValue(0);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(labInfo);
    Layout->addWidget(prbarProgress);
    setFixedSize(gui::FitFirstSize(this, QSize(303, 84)));
}

void CentreOnOwner(QWidget* Window)
{
    if (const QWidget* Owner = Window->parentWidget()) {
        QRect Frame = Window->frameGeometry();
        Frame.moveCenter(Owner->mapToGlobal(Owner->rect().center()));
        Window->move(Frame.topLeft());
    }
}

void TfrmProgress::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    CentreOnOwner(this);
}

}  // namespace VelorSpec
