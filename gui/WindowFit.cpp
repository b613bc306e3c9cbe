#include "WindowFit.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QLayout>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

namespace gui {

namespace {

// Width the tabs of a bar take side by side.
int TabsWidth(const QTabBar* bar)
{
    return bar->count() > 0 ? bar->sizeHint().width() : 0;
}

// Width the texts of a tree's first column take (indentation included).
int FirstColumnWidth(QTreeView* tree)
{
    return static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(0);
}

bool HasRows(const QTreeView* tree)
{
    return tree->model() && tree->model()->rowCount(tree->rootIndex()) > 0;
}

void InvalidateLayouts(QWidget* window)
{
    // Layouts keep the sizes of their items; every widget is told its
    // constraints changed, so that the next question is answered afresh.
    for (QWidget* w : window->findChildren<QWidget*>())
        w->updateGeometry();
    for (QLayout* layout : window->findChildren<QLayout*>())
        layout->invalidate();
    if (window->layout())
        window->layout()->invalidate();
}

}  // namespace

QSize FitFirstSize(QWidget* window, const QSize& size, const TSizePins& pins)
{
    if (!window)
        return size;
    window->ensurePolished();
    struct Saved {
        QPointer<QWidget> widget;
        QSize minimum;
    };
    QList<Saved> saved;
    const auto pin = [&saved](QWidget* w, const QSize& least) {
        if (!w)
            return;
        saved << Saved{w, w->minimumSize()};
        w->setMinimumSize(w->minimumSize().expandedTo(least));
    };
    // While measuring, every tool bar, tab row and tree insists on the room
    // it needs; the window's minimum size then is the size that shows all.
    for (QToolBar* bar : window->findChildren<QToolBar*>()) {
        if (bar->isHidden())
            continue;
        bar->ensurePolished();
        const QSize hint = bar->sizeHint();
        pin(bar, bar->orientation() == Qt::Horizontal ? QSize(hint.width(), 0) : QSize(0, hint.height()));
    }
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        if (tabs->isHidden())
            continue;
        tabs->ensurePolished();
        pin(tabs, QSize(TabsWidth(tabs->tabBar()) + 8, 0));
    }
    for (QTreeView* tree : window->findChildren<QTreeView*>()) {
        if (tree->isHidden() || !HasRows(tree))
            continue;
        pin(tree, QSize(FirstColumnWidth(tree) + 2 * tree->frameWidth() + 4, 0));
    }
    for (const auto& [widget, least] : pins)
        pin(widget, least);

    InvalidateLayouts(window);
    const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());

    for (const Saved& s : saved)
        if (s.widget)
            s.widget->setMinimumSize(s.minimum);
    InvalidateLayouts(window);
    return size.expandedTo(needed);
}

QStringList ClippedControls(QWidget* window)
{
    QStringList clipped;
    if (!window)
        return clipped;
    const auto name = [](const QWidget* w) {
        QString n = w->objectName();
        for (const QWidget* p = w->parentWidget(); n.isEmpty() && p; p = p->parentWidget())
            n = p->objectName();
        return QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + n;
    };
    for (QToolBar* bar : window->findChildren<QToolBar*>()) {
        if (!bar->isVisible())
            continue;
        const auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        if (more && more->isVisible())
            clipped << name(bar);
    }
    for (QTabBar* bar : window->findChildren<QTabBar*>())
        if (bar->isVisible() && TabsWidth(bar) > bar->width())
            clipped << name(bar);
    for (QTreeView* tree : window->findChildren<QTreeView*>())
        if (tree->isVisible() && HasRows(tree) && FirstColumnWidth(tree) > tree->viewport()->width())
            clipped << name(tree);
    return clipped;
}

namespace {
QString& Title()
{
    static QString title;
    return title;
}
}  // namespace

void SetApplicationTitle(const QString& title)
{
    Title() = title;
    // Deliberately no application display name: the platform would append
    // it to every window title.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->setProperty("velorApplicationTitle", title);
}

QString ApplicationTitle()
{
    return Title();
}

}  // namespace gui
