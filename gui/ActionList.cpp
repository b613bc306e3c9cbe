#include "ActionList.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QThread>
#include <QWidget>

#include "Dialogs.h"

namespace gui {
namespace {

const char* const kListProperty = "velorActionList";
const char* const kTagProperty = "velorTag";
const char* const kImageProperty = "velorImageIndex";
const char* const kHookedProperty = "velorUpdateHooked";

QList<TActionList*>& liveLists()
{
    static QList<TActionList*> lists;
    return lists;
}

// Runs every update handler when the GUI thread's event loop is about to wait
// for new events, i.e. when it goes idle.
void hookIdle()
{
    static bool hooked = false;
    if (hooked || !QCoreApplication::instance())
        return;
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [] { TActionList::UpdateAll(); });
    hooked = true;
}

TActionList* listOf(const QAction* action)
{
    return qobject_cast<TActionList*>(action->property(kListProperty).value<QObject*>());
}

// Whether a key that reached `widget` is in the context of a shortcut of the
// context "widget with children" given to `owner`: `widget` is `owner` or
// lies inside it, also through a sub-window or a popup on the way.
bool insideOwner(const QWidget* widget, const QWidget* owner)
{
    while (widget != nullptr && widget != owner &&
           (widget->windowType() == Qt::Widget || widget->windowType() == Qt::SubWindow ||
            widget->windowType() == Qt::Popup))
        widget = widget->parentWidget();
    return widget == owner;
}

// Takes the keypad keys of the attached commands of a list.  The shortcut
// override is accepted, so the shortcut matching leaves the key alone (it
// would answer a key event made inside the program, never the keyboard's);
// the key press then triggers the command and goes no further.  The key of a
// command that its enabling rule disables goes on to the focused control, as
// with the toolkit's shortcuts.
class TKeypadKeys : public QObject {
public:
    explicit TKeypadKeys(TActionList* list) : QObject(list), FList(list) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!(key->modifiers() & Qt::KeypadModifier) || widget == nullptr || QApplication::activeWindow() == nullptr)
            return false;
        QAction* command = FList->ActionOfKey(*key);
        if (command == nullptr || command->shortcutContext() != Qt::WidgetWithChildrenShortcut ||
            !(command->shortcut()[0].keyboardModifiers() & Qt::KeypadModifier) || !Attached(command, widget))
            return false;
        FList->UpdateAction(command);
        if (!command->isEnabled())
            return false;
        event->accept();
        if (type == QEvent::KeyPress && (command->autoRepeat() || !key->isAutoRepeat()))
            command->trigger();
        return true;
    }

private:
    static bool Attached(const QAction* command, const QWidget* widget)
    {
        for (const QObject* owner : command->associatedObjects())
            if (owner->isWidgetType() && insideOwner(widget, static_cast<const QWidget*>(owner)))
                return true;
        return false;
    }

    TActionList* FList;
};

}  // namespace

TActionList::TActionList(QWidget* owner) : QObject(owner), FOwner(owner)
{
    liveLists().append(this);
    hookIdle();
}

TActionList::~TActionList()
{
    liveLists().removeAll(this);
}

QAction* TActionList::Add(const QString& name, const QString& caption, const QString& hint,
                          const QKeySequence& shortcut, int imageIndex, int tag)
{
    return Add(new QAction(this), name, caption, hint, shortcut, imageIndex, tag);
}

QAction* TActionList::Add(QAction* action, const QString& name, const QString& caption, const QString& hint,
                          const QKeySequence& shortcut, int imageIndex, int tag)
{
    action->setParent(this);
    action->setObjectName(name);
    action->setText(caption);
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
    action->setShortcut(shortcut);
    action->setProperty(kListProperty, QVariant::fromValue<QObject*>(this));
    SetTag(action, tag);
    SetImageIndex(action, imageIndex);
    ApplyIcon(action);
    FEntries.append(Entry{action, {}, {}});
    connect(action, &QAction::triggered, this, [this, action](bool checked) {
        // Checking is the handlers' business: undo the toggle Qt made.
        if (action->isCheckable()) {
            const QSignalBlocker block(action);
            action->setChecked(!checked);
        }
        Triggered(action);
    });
    return action;
}

TActionList::Entry* TActionList::FindEntry(const QAction* action)
{
    for (Entry& e : FEntries)
        if (e.action == action)
            return &e;
    return nullptr;
}

void TActionList::SetExecute(QAction* action, Handler execute)
{
    if (Entry* e = FindEntry(action))
        e->execute = std::move(execute);
}

void TActionList::SetUpdate(QAction* action, Handler update)
{
    if (Entry* e = FindEntry(action))
        e->update = std::move(update);
}

void TActionList::SetHandlers(QAction* action, Handler execute, Handler update)
{
    SetExecute(action, std::move(execute));
    SetUpdate(action, std::move(update));
}

QAction* TActionList::Find(const QString& name) const
{
    for (const Entry& e : FEntries)
        if (e.action && e.action->objectName() == name)
            return e.action;
    return nullptr;
}

QAction* TActionList::ActionOfKey(const QKeyEvent& key) const
{
    const QKeySequence exact(key.keyCombination());
    const QKeySequence twin(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    QAction* twinAction = nullptr;
    for (const Entry& e : FEntries) {
        if (!e.action || e.action->shortcut().isEmpty())
            continue;
        if (e.action->shortcut() == exact)
            return e.action;
        if (twinAction == nullptr && e.action->shortcut() == twin)
            twinAction = e.action;
    }
    return twinAction;
}

QList<QAction*> TActionList::Actions() const
{
    QList<QAction*> out;
    for (const Entry& e : FEntries)
        if (e.action)
            out << e.action;
    return out;
}

void TActionList::AttachShortcuts(QWidget* window, const QList<QAction*>& actions)
{
    for (QAction* a : actions) {
        if (!a || a->shortcuts().isEmpty())
            continue;
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window->addAction(a);
        if (FKeypadKeys == nullptr && (a->shortcut()[0].keyboardModifiers() & Qt::KeypadModifier))
            FKeypadKeys = new TKeypadKeys(this);
    }
}

void TActionList::SetImages(const QList<QIcon>& images)
{
    FImages = images;
    for (QAction* a : Actions())
        ApplyIcon(a);
}

void TActionList::ApplyIcon(QAction* action) const
{
    const int index = ImageIndex(action);
    action->setIcon(index >= 0 && index < FImages.size() ? FImages[index] : QIcon());
}

void TActionList::UpdateAction(QAction* action)
{
    Entry* e = FindEntry(action);
    if (!e || !e->update)
        return;
    // Copy: a handler may replace the handlers of its own action.
    const Handler update = e->update;
    RunGuarded([&] { update(action); }, FOwner);
}

void TActionList::UpdateActions()
{
    for (QAction* a : Actions())
        UpdateAction(a);
}

bool TActionList::Execute(QAction* action)
{
    UpdateAction(action);
    if (!action->isEnabled())
        return false;
    Entry* e = FindEntry(action);
    if (!e || !e->execute)
        return false;
    const Handler execute = e->execute;
    return RunGuarded([&] { execute(action); }, FOwner);
}

void TActionList::Triggered(QAction* action)
{
    Execute(action);
}

void TActionList::UpdateAll()
{
    static bool running = false;
    if (running)
        return;
    running = true;
    // A handler may destroy lists (closing a window): walk a guarded copy.
    QList<QPointer<TActionList>> lists;
    for (TActionList* l : liveLists())
        lists << l;
    for (const QPointer<TActionList>& l : lists)
        if (l)
            l->UpdateActions();
    running = false;
}

int TActionList::Tag(const QAction* action)
{
    return action->property(kTagProperty).toInt();
}

void TActionList::SetTag(QAction* action, int tag)
{
    action->setProperty(kTagProperty, tag);
}

int TActionList::ImageIndex(const QAction* action)
{
    const QVariant v = action->property(kImageProperty);
    return v.isValid() ? v.toInt() : -1;
}

void TActionList::SetImageIndex(QAction* action, int index)
{
    action->setProperty(kImageProperty, index);
    if (TActionList* list = listOf(action))
        list->ApplyIcon(action);
}

void TActionList::HookMenu(QMenu* menu)
{
    if (!menu || menu->property(kHookedProperty).toBool())
        return;
    menu->setProperty(kHookedProperty, true);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        for (QAction* a : menu->actions())
            if (TActionList* list = listOf(a))
                list->UpdateAction(a);
    });
}

}  // namespace gui
