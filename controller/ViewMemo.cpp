#include "ViewMemo.h"

#include "Dialogs.h"
#include "ReceivedData.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QHBoxLayout>

namespace VelorTime {

TfrmViewMemo::TfrmViewMemo(QWidget* Owner) : QDialog(Owner)
{
    setObjectName(QStringLiteral("frmViewMemo"));
    setWindowTitle(QStringLiteral("View Received Data"));
    resize(600, 400);

    redView = new QTextEdit(this);
    redView->setObjectName(QStringLiteral("redView"));
    redView->setReadOnly(true);
    redView->setAcceptRichText(false);
    redView->setLineWrapMode(QTextEdit::NoWrap);
    // Enter is not taken by the text: it reaches the dialog's default button.
    redView->setTabChangesFocus(true);

    pmView = new QMenu(this);
    acEditCopy = pmView->addAction(QStringLiteral("&Copy"));
    acEditCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    acEditCopy->setShortcutContext(Qt::WidgetShortcut);
    connect(acEditCopy, &QAction::triggered, redView, &QTextEdit::copy);
    acEditSelectAll = pmView->addAction(QStringLiteral("Select &All"));
    acEditSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    acEditSelectAll->setShortcutContext(Qt::WidgetShortcut);
    connect(acEditSelectAll, &QAction::triggered, redView, &QTextEdit::selectAll);
    redView->addAction(acEditCopy);
    redView->addAction(acEditSelectAll);
    redView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(redView, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
        acEditCopy->setEnabled(redView->textCursor().hasSelection());
        pmView->popup(redView->viewport()->mapToGlobal(At));
    });

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(btnOK);
    Buttons->addStretch();
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(redView, 1);
    Layout->addLayout(Buttons);

    if (const QScreen* Screen = screen())
        move(Screen->availableGeometry().center() - rect().center());
}

void TfrmViewMemo::LoadReceivedData(const QString& Stored)
{
    QStringList Lines;
    for (const std::string& Line : StoredBlockLines(Stored.toStdString()))
        Lines << QString::fromStdString(Line);
    redView->setPlainText(Lines.join(QLatin1Char('\n')));
}

void ShowReceivedDataText(const QString& Stored)
{
    TfrmViewMemo Form;
    Form.LoadReceivedData(Stored);
    gui::ExecModal(Form);
}

}  // namespace VelorTime
