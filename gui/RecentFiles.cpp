#include "RecentFiles.h"

#include <QAction>
#include <QMenu>

namespace gui {

using platform::registry::RootKey;
using platform::registry::TRegistry;

TMRUManager::TMRUManager(QObject* parent) : QObject(parent) {}

TMRUManager::~TMRUManager() = default;

void TMRUManager::SetCapacity(int capacity)
{
    FCapacity = qMax(1, capacity);
    if (FItems.size() > FCapacity) {
        FItems.resize(FCapacity);
        Rebuild();
    }
}

QStringList TMRUManager::Strings() const
{
    QStringList out;
    for (const Item& i : FItems)
        out << i.name;
    return out;
}

int TMRUManager::UserData(int index) const
{
    return index >= 0 && index < FItems.size() ? FItems[index].userData : 0;
}

void TMRUManager::Add(const QString& name, int userData)
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            FItems.removeAt(i);
            break;
        }
    FItems.prepend(Item{name, userData});
    while (FItems.size() > FCapacity)
        FItems.removeLast();
    Rebuild();
}

void TMRUManager::Remove(const QString& name)
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            FItems.removeAt(i);
            Rebuild();
            return;
        }
}

void TMRUManager::Clear()
{
    FItems.clear();
    Rebuild();
}

void TMRUManager::SetRecentMenu(QMenu* menu)
{
    FMenu = menu;
    Rebuild();
}

QString TMRUManager::ItemCaption(int index, const QString& name)
{
    const QChar accel = index < 9 ? QChar(u'1' + index) : QChar(u'A' + (index - 9));
    return QStringLiteral("&") + accel + QLatin1Char(' ') + name;
}

void TMRUManager::Rebuild()
{
    if (FMenu) {
        FillPopup(FMenu);
        FMenu->menuAction()->setEnabled(!FItems.isEmpty());
        FMenu->setEnabled(!FItems.isEmpty());
    }
    emit Changed();
}

void TMRUManager::FillPopup(QMenu* popup)
{
    // Items are owned by the menu; clear() deletes the ones it owns.
    popup->clear();
    for (int i = 0; i < FItems.size(); ++i) {
        const QString name = FItems[i].name;
        const int user = FItems[i].userData;
        QAction* item = popup->addAction(ItemCaption(i, name));
        item->setStatusTip(name);
        item->setToolTip(name);
        const QString caption = item->text();
        connect(item, &QAction::triggered, this, [this, name, caption, user] {
            if (OnClick)
                OnClick(name, caption, user);
        });
    }
}

void TMRUManager::SaveToRegistry(RootKey root, const QString& keyPath) const
{
    TRegistry reg(root);
    reg.DeleteKey(QLatin1Char('\\') + keyPath);
    if (FItems.isEmpty())
        return;
    reg.OpenKey(QLatin1Char('\\') + keyPath, true);
    for (int i = 0; i < FItems.size(); ++i) {
        reg.WriteString(QStringLiteral("Item_%1").arg(i), FItems[i].name);
        if (StoreUserValues)
            reg.WriteInteger(QStringLiteral("User_%1").arg(i), FItems[i].userData);
    }
}

void TMRUManager::LoadFromRegistry(RootKey root, const QString& keyPath)
{
    TRegistry reg(root);
    if (!reg.OpenKey(QLatin1Char('\\') + keyPath, false))
        return;
    for (int i = FCapacity - 1; i >= 0; --i) {
        QString name;
        int user = 0;
        try {
            name = reg.ReadString(QStringLiteral("Item_%1").arg(i));
            const QString userName = QStringLiteral("User_%1").arg(i);
            if (StoreUserValues && reg.ValueExists(userName))
                user = reg.ReadInteger(userName);
        } catch (const platform::registry::ERegistryException&) {
            continue;   // a value of the wrong kind is skipped like a missing one
        }
        if (!name.isEmpty())
            Add(name, user);
    }
}

}  // namespace gui
