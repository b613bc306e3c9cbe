#include "ChildForm.h"

#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QMetaObject>

namespace VelorSpec {

TChildForm::TChildForm(QWidget* parent) : QWidget(parent) {}

TChildForm::~TChildForm() = default;

void TChildForm::SaveWindow(const QString&) {}

QString TChildForm::SaveFilter() const
{
    switch (Kind()) {
    case TChildKind::Sample:
        return QStringLiteral("AAS Sample Text Files(*.AST)|*.AST|AAS Sample Binary Files(*.ASB)|*.ASB|Any File(*.*)|*.*");
    case TChildKind::Experiment:
        return QStringLiteral("AAS Experiment(*.AXP)|*.AXP");
    case TChildKind::Other:
        break;
    }
    return {};
}

QMdiSubWindow* TChildForm::SubWindow() const
{
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TChildForm::Release()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QMdiSubWindow* sub = SubWindow())
                sub->close();
            else
                close();
        },
        Qt::QueuedConnection);
}

void TChildForm::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}

}  // namespace VelorSpec
