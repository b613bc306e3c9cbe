// The store's INI text: what it writes QSettings reads back unchanged, what
// QSettings wrote it reads back unchanged, and damaged lines cost only
// themselves.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "IniStore.h"
#include "Registry.h"

using namespace platform::registry;

namespace {

const QList<QPair<QString, QString>> kValues = {
    {QStringLiteral("MainForm/NormPos"), QStringLiteral("10,20,300,400")},
    {QStringLiteral("MainForm/Flags"), QStringLiteral("dword:00000002")},
    {QStringLiteral("MainForm/TfrmMain.MRUManager/Item_0"), QStringLiteral("/home/u/a b;c=d\"e\\f.AST")},
    {QStringLiteral("MainForm/TfrmMain.MRUManager/Item_1"), QString::fromUtf8("/home/\xc3\xbc/\xe6\x97\xa5.AST")},
    {QStringLiteral("MainForm/TfrmMain.MRUManager/Item_2"), QStringLiteral(" lead and trail ")},
    {QStringLiteral("MainForm/TfrmMain.MRUManager/Item_3"), QStringLiteral("@at")},
    {QStringLiteral("MainForm/TfrmMain.MRUManager/Item_4"), QString::fromUtf8("tab\there\x01" "1f end")},
    {QStringLiteral("MainForm/empty"), QString()},
    {QStringLiteral("Other/Sub Key#1/@"), QStringLiteral("default")},
    {QStringLiteral("General/x"), QStringLiteral("group named General")},
    {QStringLiteral("top"), QStringLiteral("at the top")},
    {QString::fromUtf8("Grp/Ke y%/\xc3\xbc\xe6\x97\xa5"), QStringLiteral("odd names")},
};

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString File() const { return dir.filePath(QStringLiteral("t.ini")); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(IniStoreTest, QSettingsReadsWhatTheStoreWrites)
{
    ini::Store store;
    for (const auto& [path, value] : kValues)
        ini::Set(store, path, value);
    QFile f(File());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(ini::Serialize(store));
    f.close();
    QSettings raw(File(), QSettings::IniFormat);
    EXPECT_EQ(raw.status(), QSettings::NoError);
    EXPECT_EQ(raw.allKeys().size(), kValues.size());
    for (const auto& [path, value] : kValues)
        EXPECT_EQ(raw.value(path).toString().toStdString(), value.toStdString()) << path.toStdString();
}

TEST_F(IniStoreTest, TheStoreReadsWhatQSettingsWrites)
{
    {
        QSettings raw(File(), QSettings::IniFormat);
        for (const auto& [path, value] : kValues)
            raw.setValue(path, value);
    }
    QFile f(File());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    bool damaged = true;
    const ini::Store store = ini::Parse(f.readAll(), &damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(store.size(), kValues.size());
    for (const auto& [path, value] : kValues) {
        const QString* got = ini::Find(store, path);
        ASSERT_NE(got, nullptr) << path.toStdString();
        EXPECT_EQ(got->toStdString(), value.toStdString()) << path.toStdString();
    }
}

TEST_F(IniStoreTest, DamagedLinesCostOnlyThemselves)
{
    struct Case {
        QByteArray text;
        QStringList kept;   // paths read
    } cases[] = {
        {"[A]\nx=1\n\"\ny=2\n", {"A/x", "A/y"}},
        {"[A]\nx=\"open\ny=2\n", {"A/y"}},
        {QByteArray("[A]\nx=1\0\ny=2\n", 13), {"A/y"}},
        {"[A]\nx=1\ny=2", {"A/x"}},                  // cut off in its last line
        {"[A]\nx=1\n[B\ny=2\n[C]\nz=3\n", {"A/x", "C/z"}},
        {"[A]\n=1\nno equals sign\ny=2\n", {"A/y"}},
        {"[A]\nx=a\\\ny=2\n", {"A/y"}},              // a lone backslash at the end
    };
    for (const Case& c : cases) {
        bool damaged = false;
        const ini::Store store = ini::Parse(c.text, &damaged);
        EXPECT_TRUE(damaged) << c.text.toStdString();
        QStringList paths;
        for (const ini::Entry& e : store)
            paths << e.path;
        EXPECT_EQ(paths, c.kept) << c.text.toStdString();
    }
    bool damaged = true;
    ini::Parse("; comment\n\n[A]\r\nx = 1 \r\n", &damaged);
    EXPECT_FALSE(damaged);
}
