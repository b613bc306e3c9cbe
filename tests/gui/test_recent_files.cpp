#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include "FormPlacement.h"
#include "RecentFiles.h"
#include "Registry.h"

using namespace gui;
using platform::registry::TRegistry;

namespace {

QStringList names(int from, int to)   // "f<from>" .. "f<to>", counting down when from > to
{
    QStringList out;
    for (int i = from; from <= to ? i <= to : i >= to; from <= to ? ++i : --i)
        out << QStringLiteral("f%1").arg(i);
    return out;
}

TEST(RecentFiles, NewestFirstCapacityAndMoveToTop)
{
    TMRUManager mru;
    EXPECT_EQ(mru.Capacity(), 10);
    for (int i = 1; i <= 10; ++i)
        mru.Add(QStringLiteral("f%1").arg(i));
    EXPECT_EQ(mru.Strings(), names(10, 1));
    mru.Add(QStringLiteral("f11"));   // the eleventh pushes the oldest out
    EXPECT_EQ(mru.Strings(), names(11, 2));

    mru.Add(QStringLiteral("F5"));    // already listed in other letter case: moves up, keeps no duplicate
    ASSERT_EQ(mru.Count(), 10);
    EXPECT_EQ(mru.Strings().first(), QStringLiteral("F5"));
    EXPECT_EQ(mru.Strings().filter(QStringLiteral("5")).size(), 1);

    mru.Remove(QStringLiteral("f11"));
    mru.Remove(QStringLiteral("not listed"));
    EXPECT_EQ(mru.Count(), 9);
    EXPECT_FALSE(mru.Strings().contains(QStringLiteral("f11")));

    mru.SetCapacity(3);
    EXPECT_EQ(mru.Count(), 3);
}

TEST(RecentFiles, SubmenuCaptionsHintsEnablingAndClicks)
{
    QMenu menu(QStringLiteral("Reope&n"));
    TMRUManager mru;
    mru.SetRecentMenu(&menu);
    EXPECT_FALSE(menu.menuAction()->isEnabled());

    QStringList clicked;
    mru.OnClick = [&](const QString& name, const QString& caption, int) { clicked << name << caption; };
    for (int i = 1; i <= 10; ++i)
        mru.Add(QStringLiteral("/data/f%1.ast").arg(i));
    EXPECT_TRUE(menu.menuAction()->isEnabled());
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&1 /data/f10.ast"));
    EXPECT_EQ(items[8]->text(), QStringLiteral("&9 /data/f2.ast"));
    EXPECT_EQ(items[9]->text(), QStringLiteral("&A /data/f1.ast"));
    EXPECT_EQ(items[9]->statusTip(), QStringLiteral("/data/f1.ast"));
    EXPECT_EQ(TMRUManager::ItemCaption(10, QStringLiteral("x")), QStringLiteral("&B x"));

    items[9]->trigger();
    EXPECT_EQ(clicked, (QStringList{QStringLiteral("/data/f1.ast"), QStringLiteral("&A /data/f1.ast")}));
    EXPECT_EQ(mru.Count(), 10);   // the name stays listed

    mru.Clear();
    EXPECT_TRUE(menu.actions().isEmpty());
    EXPECT_FALSE(menu.menuAction()->isEnabled());
}

// Opening a listed file adds it again (the window reports its load), which
// rebuilds the submenu while the chosen item is still delivering its click.
TEST(RecentFiles, AClickThatChangesTheListIsSafe)
{
    QMenu menu(QStringLiteral("Reope&n"));
    TMRUManager mru;
    mru.SetRecentMenu(&menu);
    QStringList opened;
    mru.OnClick = [&](const QString& name, const QString&, int) {
        mru.Add(name);
        mru.Add(QStringLiteral("/d/other.ast"));
        opened << name;   // still valid after the item that carried it is gone
    };
    mru.Add(QStringLiteral("/d/a.ast"));
    mru.Add(QStringLiteral("/d/b.ast"));
    menu.actions()[1]->trigger();
    EXPECT_EQ(opened, QStringList{QStringLiteral("/d/a.ast")});
    EXPECT_EQ(mru.Strings(), (QStringList{QStringLiteral("/d/other.ast"), QStringLiteral("/d/a.ast"),
                                          QStringLiteral("/d/b.ast")}));
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(menu.actions()[1]->text(), QStringLiteral("&2 /d/a.ast"));
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::registry::SetBaseFolder(dir.path());
    }
    void TearDown() override { platform::registry::SetBaseFolder(QString()); }
    QTemporaryDir dir;
    const QString key = QStringLiteral("Software\\VelorSpec\\MainForm\\TfrmMain.MRUManager");
};

TEST_F(StoreTest, RecentListIsStoredAsItemValuesNewestAtZero)
{
    TMRUManager mru;
    for (int i = 1; i <= 3; ++i)
        mru.Add(QStringLiteral("/d/f%1.ast").arg(i));
    mru.SaveToRegistry(key);

    QSettings raw(dir.path() + QStringLiteral("/VelorSpec.ini"), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("MainForm/TfrmMain.MRUManager"));
    EXPECT_EQ(raw.childKeys(), (QStringList{QStringLiteral("Item_0"), QStringLiteral("Item_1"), QStringLiteral("Item_2")}));
    EXPECT_EQ(raw.value(QStringLiteral("Item_0")).toString(), QStringLiteral("/d/f3.ast"));
    EXPECT_EQ(raw.value(QStringLiteral("Item_2")).toString(), QStringLiteral("/d/f1.ast"));
    raw.endGroup();

    // A shorter list replaces the key entirely.
    mru.Remove(QStringLiteral("/d/f3.ast"));
    mru.Remove(QStringLiteral("/d/f2.ast"));
    mru.SaveToRegistry(key);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.GetValueNames(), QStringList{QStringLiteral("Item_0")});

    TMRUManager restored;
    restored.Add(QStringLiteral("/already/there"));
    restored.LoadFromRegistry(key);
    EXPECT_EQ(restored.Strings(), (QStringList{QStringLiteral("/d/f1.ast"), QStringLiteral("/already/there")}));
}

TEST_F(StoreTest, RestoringKeepsOrderSkipsGapsAndReadsUserValuesWhenAsked)
{
    {
        TRegistry reg;
        reg.OpenKey(key, true);
        reg.WriteString(QStringLiteral("Item_0"), QStringLiteral("newest"));
        reg.WriteString(QStringLiteral("Item_1"), QString());          // empty: skipped
        reg.WriteString(QStringLiteral("Item_3"), QStringLiteral("older"));
        reg.WriteInteger(QStringLiteral("Item_4"), 5);                 // wrong kind: skipped
        reg.WriteString(QStringLiteral("Item_9"), QStringLiteral("oldest"));
        reg.WriteString(QStringLiteral("Item_10"), QStringLiteral("beyond capacity"));
        reg.WriteInteger(QStringLiteral("User_0"), 42);
    }
    TMRUManager mru;
    mru.LoadFromRegistry(key);
    EXPECT_EQ(mru.Strings(), (QStringList{QStringLiteral("newest"), QStringLiteral("older"), QStringLiteral("oldest")}));
    EXPECT_EQ(mru.UserData(0), 0);

    TMRUManager withUser;
    withUser.StoreUserValues = true;
    withUser.LoadFromRegistry(key);
    EXPECT_EQ(withUser.UserData(0), 42);
    withUser.SaveToRegistry(key);
    TRegistry reg;
    reg.OpenKey(key, false);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("User_0")), 42);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("User_2")), 0);
}

TEST_F(StoreTest, PlacementValuesHaveTheirNamesAndFormats)
{
    QWidget form;
    TFormStorage storage(&form, QStringLiteral("VelorSpec"), QStringLiteral("MainForm"));
    EXPECT_EQ(storage.KeyPath(), QStringLiteral("Software\\VelorSpec\\MainForm"));
    TWindowPlacement p;
    p.flags = 2;
    p.showCmd = swShowMinimized;
    p.pixelsPerInch = 120;
    p.minPosition = QPoint(-1, -1);
    p.maxPosition = QPoint(-4, -8);
    p.left = 10;
    p.top = 20;
    p.right = 650;
    p.bottom = 500;
    storage.WritePlacement(p);

    QSettings raw(dir.path() + QStringLiteral("/VelorSpec.ini"), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("MainForm"));
    EXPECT_EQ(raw.value(QStringLiteral("FormVersion")).toString(), QStringLiteral("dword:00000000"));
    EXPECT_EQ(raw.value(QStringLiteral("Flags")).toString(), QStringLiteral("dword:00000002"));
    EXPECT_EQ(raw.value(QStringLiteral("ShowCmd")).toString(), QStringLiteral("dword:00000002"));
    EXPECT_EQ(raw.value(QStringLiteral("PixelsPerInch")).toString(), QStringLiteral("dword:00000078"));
    EXPECT_EQ(raw.value(QStringLiteral("MinMaxPos")).toString(), QStringLiteral("-1,-1,-4,-8"));
    EXPECT_EQ(raw.value(QStringLiteral("NormPos")).toString(), QStringLiteral("10,20,650,500"));
    EXPECT_EQ(raw.childKeys().size(), 6);

    TWindowPlacement back;
    ASSERT_TRUE(storage.ReadPlacement(back));
    EXPECT_EQ(back.flags, 2);
    EXPECT_EQ(back.showCmd, swShowMinimized);
    EXPECT_EQ(back.maxPosition, QPoint(-4, -8));
    EXPECT_EQ(back.right, 650);

    // Applied: the normal rectangle, and a window stored minimized with the
    // restore-to-maximized flag comes back maximized, not minimized.
    TFormStorage::Apply(form, back);
    EXPECT_EQ(form.geometry(), QRect(10, 20, 640, 480));
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_FALSE(form.windowState() & Qt::WindowMinimized);
}

TEST_F(StoreTest, PlacementCaptureAndNothingStored)
{
    QWidget form;
    TFormStorage storage(&form, QStringLiteral("VelorSpec"), QStringLiteral("MainForm"));
    TWindowPlacement p;
    EXPECT_FALSE(storage.ReadPlacement(p));
    EXPECT_FALSE(storage.RestorePlacement());

    form.setGeometry(30, 40, 200, 100);
    const TWindowPlacement now = TFormStorage::Capture(form);
    EXPECT_EQ(now.showCmd, swShowNormal);
    EXPECT_EQ(now.left, 30);
    EXPECT_EQ(now.top, 40);
    EXPECT_EQ(now.right, 230);
    EXPECT_EQ(now.bottom, 140);
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(TFormStorage::Capture(form).showCmd, swShowMinimized);

    // Garbage in the store leaves the window alone.
    TRegistry reg;
    reg.OpenKey(storage.KeyPath(), true);
    reg.WriteString(QStringLiteral("NormPos"), QStringLiteral("1,2,x"));
    EXPECT_FALSE(storage.ReadPlacement(p));
    // So does a value of the wrong kind: no error escapes to the start-up.
    reg.WriteInteger(QStringLiteral("NormPos"), 7);
    EXPECT_FALSE(storage.ReadPlacement(p));
    reg.WriteString(QStringLiteral("NormPos"), QStringLiteral("1,2,3,4"));
    reg.WriteInteger(QStringLiteral("MinMaxPos"), 7);
    EXPECT_FALSE(storage.RestorePlacement());
}

}  // namespace
