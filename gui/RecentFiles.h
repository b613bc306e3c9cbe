#pragma once
// Recent-file list: at most Capacity() names (10 by default), newest first.
//
// Adding a name already in the list (letter case ignored) moves it to the top;
// a new name goes to the top and the name beyond the capacity drops off the
// end.  Removing deletes the matching name (letter case ignored).
//
// The list keeps a "Reopen" submenu: one item per name, captioned
// "&<c> <name>" with <c> = 1..9 for the first nine names, then A, B, C ...;
// the item's hint (status tip and tool tip) is the full name.  The submenu is
// enabled exactly when the list is not empty.  Choosing an item calls OnClick
// with the stored name, the item's caption and the entry's user value; the
// name stays in the list.
//
// Persistence through the registry layer in a key of its own (for the main
// windows "<program key>\<section>\TfrmMain.MRUManager"): string values
// "Item_%d" with the position (0 = newest); optionally also integer values
// "User_%d" with the user values.  Storing erases the key and writes one value
// per name from position 0; restoring reads the positions from Capacity()-1
// down to 0 and adds every non-empty name at the top.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include "Registry.h"

#include <QMenu>

namespace gui {

class TMRUManager : public QObject {
    Q_OBJECT
public:
    // name: the stored file name; caption: the menu item's caption; userData: the entry's value.
    using ClickHandler = std::function<void(const QString& name, const QString& caption, int userData)>;

    explicit TMRUManager(QObject* parent = nullptr);
    ~TMRUManager() override;

    int Capacity() const { return FCapacity; }
    void SetCapacity(int capacity);   // at least 1; cuts the list

    QStringList Strings() const;      // newest first
    int Count() const { return FItems.size(); }
    int UserData(int index) const;

    void Add(const QString& name, int userData = 0);
    void Remove(const QString& name);
    void Clear();

    // The submenu kept up to date (not owned).  Its items are rebuilt on every change.
    void SetRecentMenu(QMenu* menu);
    QMenu* RecentMenu() const { return FMenu; }
    ClickHandler OnClick;

    // Empties a popup menu (a tool button's drop-down) and fills it with one
    // item per name, captioned and answering a click as the submenu's items.
    void FillPopup(QMenu* popup);

    // "&1 name" ... "&9 name", "&A name", ...
    static QString ItemCaption(int index, const QString& name);

    // Also store and restore "User_%d" integer values (off by default).
    bool StoreUserValues = false;
    void SaveToRegistry(platform::registry::RootKey root, const QString& keyPath) const;
    void LoadFromRegistry(platform::registry::RootKey root, const QString& keyPath);
    // Per-user store shorthands.
    void SaveToRegistry(const QString& keyPath) const { SaveToRegistry(platform::registry::RootKey::CurrentUser, keyPath); }
    void LoadFromRegistry(const QString& keyPath) { LoadFromRegistry(platform::registry::RootKey::CurrentUser, keyPath); }

signals:
    void Changed();

private:
    struct Item {
        QString name;
        int userData = 0;
    };
    void Rebuild();

    int FCapacity = 10;
    QList<Item> FItems;
    QPointer<QMenu> FMenu;
};

}  // namespace gui
