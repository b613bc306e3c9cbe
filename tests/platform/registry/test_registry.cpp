#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Registry.h"

using namespace platform::registry;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetBaseFolder(dir.path());
    }
    void TearDown() override { SetBaseFolder(QString()); }
    QString file(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    QTemporaryDir dir;
};

TEST_F(RegistryTest, ValuesRoundTripAndLandInTheProgramsOwnFile)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Prog\\MainForm"), true));
    reg.WriteString(QStringLiteral("NormPos"), QStringLiteral("1,2,3,4"));
    reg.WriteInteger(QStringLiteral("Flags"), 2);
    reg.WriteInteger(QStringLiteral("Negative"), -7);
    reg.WriteString(QStringLiteral("Spaces"), QStringLiteral(" a = b ; c "));

    TRegistry other;
    ASSERT_TRUE(other.OpenKey(QStringLiteral("Software\\Prog\\MainForm"), false));
    EXPECT_EQ(other.ReadString(QStringLiteral("NormPos")), QStringLiteral("1,2,3,4"));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("Flags")), 2);
    EXPECT_EQ(other.ReadInteger(QStringLiteral("Negative")), -7);
    EXPECT_EQ(other.ReadString(QStringLiteral("Spaces")), QStringLiteral(" a = b ; c "));
    EXPECT_EQ(other.ReadString(QStringLiteral("Missing")), QString());

    // One INI file per program, the key below the program as its group.
    ASSERT_TRUE(QFile::exists(file(QStringLiteral("Prog.ini"))));
    QSettings raw(file(QStringLiteral("Prog.ini")), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("MainForm/NormPos")).toString(), QStringLiteral("1,2,3,4"));
    EXPECT_EQ(raw.value(QStringLiteral("MainForm/Flags")).toString(), QStringLiteral("dword:00000002"));
}

TEST_F(RegistryTest, KindsDoNotMix)
{
    TRegistry reg;
    reg.OpenKey(QStringLiteral("Software\\Prog"), true);
    reg.WriteInteger(QStringLiteral("Int"), 5);
    reg.WriteString(QStringLiteral("Str"), QStringLiteral("5"));
    // Text that looks like the stored form of another kind stays text.
    reg.WriteString(QStringLiteral("Tricky"), QStringLiteral("dword:00000001"));
    reg.WriteString(QStringLiteral("Tricky2"), QStringLiteral("sz:x"));
    EXPECT_THROW(reg.ReadString(QStringLiteral("Int")), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Str")), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Missing")), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(QStringLiteral("Tricky")), ERegistryException);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Tricky")), QStringLiteral("dword:00000001"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Tricky2")), QStringLiteral("sz:x"));
}

TEST_F(RegistryTest, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling)
{
    TRegistry reg;
    reg.OpenKey(QStringLiteral("Software\\Prog\\MainForm\\TfrmMain.MRUManager"), true);
    reg.WriteString(QStringLiteral("Item_0"), QStringLiteral("a"));
    reg.CloseKey();

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("software\\prog\\MAINFORM\\tfrmmain.mrumanager"), false));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("software\\prog\\MainForm\\TfrmMain.MRUManager"));
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("prog.ini"))));
    EXPECT_EQ(reg.ReadString(QStringLiteral("ITEM_0")), QStringLiteral("a"));
    reg.WriteString(QStringLiteral("item_0"), QStringLiteral("b"));   // same value, not a second one
    EXPECT_EQ(reg.GetValueNames(), QStringList{QStringLiteral("Item_0")});
    EXPECT_EQ(reg.ReadString(QStringLiteral("Item_0")), QStringLiteral("b"));
}

TEST_F(RegistryTest, KeysOpenRelativelyExistAndDelete)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Software\\Prog\\Nope"), false));
    EXPECT_FALSE(reg.HasCurrentKey());
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\Prog\\MainForm"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Sub"), true));   // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Prog\\MainForm\\Sub"));
    reg.WriteString(QStringLiteral("v"), QStringLiteral("x"));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software\\Prog\\MainForm\\Sub")));

    reg.OpenKey(QStringLiteral("\\Software\\Prog\\MainForm"), false);
    reg.WriteInteger(QStringLiteral("Flags"), 0);
    EXPECT_EQ(reg.GetKeyNames(), QStringList{QStringLiteral("Sub")});
    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("Sub")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software\\Prog\\MainForm\\Sub")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("Sub")));
    // The parent keeps its own values.
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Flags")), 0);
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("Flags")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Flags")));
}

TEST_F(RegistryTest, ClassesRootIsAStoreOfItsOwn)
{
    TRegistry classes(RootKey::ClassesRoot);
    ASSERT_TRUE(classes.OpenKey(QStringLiteral("\\.ATP"), true));
    classes.WriteString(QString(), QStringLiteral("ATPQVExtReg"));   // the key's default value
    EXPECT_EQ(classes.ReadString(QString()), QStringLiteral("ATPQVExtReg"));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("HKEY_CLASSES_ROOT.ini"))));

    TRegistry user;
    EXPECT_FALSE(user.KeyExists(QStringLiteral("\\.ATP")));
    EXPECT_TRUE(TRegistry(RootKey::ClassesRoot).KeyExists(QStringLiteral(".atp")));
    EXPECT_EQ(ProgramKey(QStringLiteral("VelorSpec")), QStringLiteral("Software\\VelorSpec"));
}

TEST_F(RegistryTest, WritingWithoutAKeyFails)
{
    TRegistry reg;
    EXPECT_THROW(reg.WriteString(QStringLiteral("x"), QStringLiteral("y")), ERegistryException);
    EXPECT_THROW(reg.WriteInteger(QStringLiteral("x"), 1), ERegistryException);
    EXPECT_EQ(reg.ReadString(QStringLiteral("x")), QString());
}

}  // namespace
