#pragma once
// Action list: the named commands of one window.
//
// Every command is a QAction with a caption, a hint (status tip and tool tip),
// a shortcut, a picture index, a Tag and two handlers:
//  - the execute handler runs when the action is triggered (menu item, tool
//    button, shortcut).  The update handler runs first; the command goes on
//    only when the action is still enabled.  It runs through gui::RunGuarded,
//    so an exception shows the application's default error box and whatever
//    the command changed before it stays.  An action without an execute
//    handler is inert: triggering it does nothing (it is not disabled for it).
//  - the update handler enables, disables or checks the action.  Every update
//    handler of every live action list runs whenever the event loop is about
//    to go idle (wait for new events) and right before a menu that shows the
//    action opens.  TActionList::UpdateAll() runs them on demand.
//
// The list does not add its actions to any widget: place them in menus and
// tool bars.  Their shortcuts (window context) then work while such a menu or
// tool bar is shown in the active window.  A child window of a frame, whose
// menus are merged only while it is active and whose tool bars may sit on a
// hidden page, gives its commands' keys to itself instead (AttachShortcuts):
// they then answer wherever that window is active, and only there.
//
// A shortcut on a numeric-keypad key (with Qt::KeypadModifier) tells that key
// from its main-keyboard twin.  The toolkit's own shortcut matching cannot
// answer it from a real keyboard on X11: it compares the keys the X server
// sends without their keypad flag.  The keypad keys of attached commands are
// therefore matched by the list itself (see AttachShortcuts).

#include <QAction>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include <QMenu>
#include <QWidget>

namespace gui {

class TActionList : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(QAction* sender)>;

    // `owner`: the window whose commands these are; error boxes are parented to it.
    explicit TActionList(QWidget* owner);
    ~TActionList() override;

    // Creates an action owned by the list.  imageIndex < 0: no picture.
    QAction* Add(const QString& name, const QString& caption, const QString& hint,
                 const QKeySequence& shortcut = {}, int imageIndex = -1, int tag = 0);
    // Takes an action made elsewhere (e.g. a specialised action class) into
    // the list and sets it up the same way; the list becomes its parent.
    QAction* Add(QAction* action, const QString& name, const QString& caption, const QString& hint,
                 const QKeySequence& shortcut = {}, int imageIndex = -1, int tag = 0);

    void SetExecute(QAction* action, Handler execute);
    void SetUpdate(QAction* action, Handler update);
    // Both at once; either may be empty.
    void SetHandlers(QAction* action, Handler execute, Handler update);

    QAction* Find(const QString& name) const;
    // The action whose shortcut `key` is: the one with exactly that key (a
    // keypad key for a keypad shortcut), else one with its main-keyboard twin
    // (a keypad key without a shortcut of its own answers the main keyboard's
    // shortcut, as the toolkit's matching does); null when none has it.
    QAction* ActionOfKey(const QKeyEvent& key) const;
    QList<QAction*> Actions() const;
    QWidget* Owner() const { return FOwner; }

    // Pictures: index -> icon.  Setting the list refreshes every action's icon.
    void SetImages(const QList<QIcon>& images);
    const QList<QIcon>& Images() const { return FImages; }

    // Makes the commands answer their keys wherever `window` holds the focus
    // (it is the active child of its frame), whether or not a menu or tool bar
    // that shows them is visible: each action with a shortcut is added to the
    // window with the context "the window and its children".  Two child
    // windows with the same keys never compete: only the active one answers.
    // A keypad key of such an action is taken before the shortcut matching
    // and before the focused control (which gets neither its press nor the
    // shortcut override) and runs the action once, from the keyboard and from
    // key events made inside the program alike; the main keyboard's twin of
    // the key stays free.  The enabling rule runs first: a disabled action
    // leaves the key to the control, as the toolkit's shortcuts do.
    void AttachShortcuts(QWidget* window, const QList<QAction*>& actions);
    // The same for every action of the list.
    void AttachShortcuts(QWidget* window) { AttachShortcuts(window, Actions()); }

    // Runs the update handler of every action of this list.
    void UpdateActions();
    // Runs the update handler of one action (nothing when it has none).
    void UpdateAction(QAction* action);
    // Runs the action as a trigger does: update, then execute when enabled.
    // Returns whether the execute handler ran without raising.
    bool Execute(QAction* action);

    // Every live action list, in creation order.
    static void UpdateAll();

    // Tag and picture index of an action (stored as dynamic properties).
    static int Tag(const QAction* action);
    static void SetTag(QAction* action, int tag);
    static int ImageIndex(const QAction* action);
    static void SetImageIndex(QAction* action, int index);
    // Makes a menu run the update handlers of its actions before it opens.
    // Menus of actions from any list may be hooked; hooking twice is harmless.
    static void HookMenu(QMenu* menu);

private:
    struct Entry {
        QPointer<QAction> action;
        Handler execute;
        Handler update;
    };
    Entry* FindEntry(const QAction* action);
    void Triggered(QAction* action);
    void ApplyIcon(QAction* action) const;

    QPointer<QWidget> FOwner;
    QObject* FKeypadKeys = nullptr;   // takes the attached keypad keys (made by the first attach)
    QList<Entry> FEntries;
    QList<QIcon> FImages;
};

}  // namespace gui
