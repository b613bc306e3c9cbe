// Registration of the .ATP type: the classes-root keys, when they are
// written and when not, and the desktop files that make a Linux file manager
// open .ATP files in VelorTime (checked with the freedesktop tools).

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "DesktopRegistration.h"
#include "Main.h"
#include "ShellTestUtil.h"
#include "RegisterFileExt.h"

using namespace VelorTime;
using platform::registry::RootKey;
using platform::registry::TRegistry;

namespace {

const QString Program = QStringLiteral("/opt/velor/bin/VelorTime");

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override { TQVRegisterFileExt::SetProgramPath(Program); }
    void TearDown() override { TQVRegisterFileExt::SetProgramPath(QString()); }

    static QString Default(const QString& key)
    {
        TRegistry reg(RootKey::ClassesRoot);
        if (!reg.OpenKey(QLatin1Char('\\') + key, false))
            return QStringLiteral("<no key>");
        if (!reg.ValueExists(QString()))
            return QStringLiteral("<no value>");
        return reg.ReadString(QString());
    }
    static void SetDefault(const QString& key, const QString& value)
    {
        TRegistry reg(RootKey::ClassesRoot);
        reg.OpenKey(QLatin1Char('\\') + key, true);
        reg.WriteString(QString(), value);
    }
    static void Register(const QStringList& extensions, const QStringList& descriptions)
    {
        TQVRegisterFileExt r;
        r.Extensions = extensions;
        r.Descriptions = descriptions;
        r.RegisterExtensions();
    }
    // Runs a freedesktop tool with the test's data folder; its trimmed output.
    QString Tool(const QString& program, const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), stores.DataHome());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), stores.Path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral("/usr/share"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(stores.dir.path());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static void RequireTool(const char* name)
    {
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            << name << " is missing: scripts/deps.sh installs it";
    }

    TempStores stores;
    ScriptedDialogs dialogs;
};

}  // namespace

TEST_F(RegisterTest, WritesTheFourKeysOnceAndThenCountsAsRegistered)
{
    EXPECT_FALSE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));
    Register({QStringLiteral(".ATP=1")}, {QStringLiteral("AAS Time Program")});
    EXPECT_EQ(Default(QStringLiteral(".ATP")), QStringLiteral("ATPQVExtReg"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("AAS Time Program"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\DefaultIcon")), Program + QStringLiteral(",1"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\Shell\\open\\command")), Program + QStringLiteral(" %1"));
    EXPECT_TRUE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));

    // An existing key is never written again.
    SetDefault(QStringLiteral("ATPQVExtReg"), QStringLiteral("changed"));
    Register({QStringLiteral(".ATP=2")}, {QStringLiteral("Other")});
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("changed"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\DefaultIcon")), Program + QStringLiteral(",1"));
}

TEST_F(RegisterTest, TheRegisteredCheckIgnoresLetterCaseAndLooksAtTheExtensionKeyOnly)
{
    SetDefault(QStringLiteral(".ATP"), QStringLiteral("atpqvextreg"));
    EXPECT_TRUE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));
    EXPECT_TRUE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".atp")));
    SetDefault(QStringLiteral(".ATP"), QStringLiteral("OtherProgram.Document"));
    EXPECT_FALSE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));
    // Another program's association stays.
    Register({QStringLiteral(".ATP=1")}, {});
    EXPECT_EQ(Default(QStringLiteral(".ATP")), QStringLiteral("OtherProgram.Document"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("<no key>"));
}

TEST_F(RegisterTest, AKeyWithoutDefaultValueIsNeitherRegisteredNorWritten)
{
    {
        TRegistry reg(RootKey::ClassesRoot);
        reg.OpenKey(QStringLiteral("\\.ATP"), true);
        reg.WriteString(QStringLiteral("Content Type"), QStringLiteral("application/x-other"));
    }
    EXPECT_FALSE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));
    Register({QStringLiteral(".ATP=1")}, {QStringLiteral("AAS Time Program")});
    EXPECT_EQ(Default(QStringLiteral(".ATP")), QStringLiteral("<no value>"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("<no key>"));
    EXPECT_FALSE(QFile::exists(stores.DataHome() + QStringLiteral("/applications/velortime.desktop")));
}

TEST_F(RegisterTest, DescriptionAndIconDefaults)
{
    // No description: E + " file"; nothing after "=": the path alone; the
    // icon index comes from the first item of that name; key names keep case.
    Register({QStringLiteral(".ATP="), QStringLiteral(".xyz=4"), QStringLiteral(".XYZ=7"), QStringLiteral("noequals")},
             {});
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("ATP file"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\DefaultIcon")), Program);
    EXPECT_EQ(Default(QStringLiteral(".xyz")), QStringLiteral("xyzQVExtReg"));
    EXPECT_EQ(Default(QStringLiteral("xyzQVExtReg")), QStringLiteral("xyz file"));
    EXPECT_EQ(Default(QStringLiteral("xyzQVExtReg\\DefaultIcon")), Program + QStringLiteral(",4"));
    // ".XYZ" finds the key ".xyz" (key names ignore letter case): nothing written.
    EXPECT_EQ(Default(QStringLiteral("XYZQVExtReg\\DefaultIcon")), Program + QStringLiteral(",4"));

    // Descriptions pair with extensions by index.
    Register({QStringLiteral(".AA=1"), QStringLiteral(".BB=1")}, {QStringLiteral("First")});
    EXPECT_EQ(Default(QStringLiteral("AAQVExtReg")), QStringLiteral("First"));
    EXPECT_EQ(Default(QStringLiteral("BBQVExtReg")), QStringLiteral("BB file"));
}

TEST_F(RegisterTest, AStoreThatCannotBeWrittenReportsTheRegistryError)
{
    // A base folder below a plain file cannot be created.
    QFile blocker(stores.Path(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform::registry::SetBaseFolder(stores.Path(QStringLiteral("blocker/registry")));
    try {
        Register({QStringLiteral(".ATP=1")}, {});
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for ''");
    }

    // At start the error is shown and the window is complete all the same.
    TfrmMain w;
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("Failed to set data for ''"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("VELOR TIME - [Untitled]"));
    EXPECT_NE(w.acHelpAbout, nullptr);
}

TEST_F(RegisterTest, TheFirstStartRegistersAndTheNextWritesNothing)
{
    {
        TfrmMain first;
    }
    EXPECT_TRUE(TQVRegisterFileExt::IsExtRegistered(QStringLiteral(".ATP")));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg")), QStringLiteral("AAS Time Program"));
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\DefaultIcon")), Program + QStringLiteral(",1"));

    SetDefault(QStringLiteral("ATPQVExtReg\\DefaultIcon"), QStringLiteral("kept"));
    const QString entry = stores.DataHome() + QStringLiteral("/applications/velortime.desktop");
    ASSERT_TRUE(QFile::remove(entry));
    {
        TfrmMain second;
    }
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\DefaultIcon")), QStringLiteral("kept"));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(RegisterTest, TheDesktopOpensAtpFilesInTheProgram)
{
    RequireTool("xdg-mime");
    RequireTool("update-mime-database");
    RequireTool("update-desktop-database");
    RequireTool("desktop-file-validate");
    if (HasFatalFailure())
        return;

    const QString program = stores.Path(QStringLiteral("my programs/VelorTime"));
    TQVRegisterFileExt::SetProgramPath(program);
    Register({QStringLiteral(".ATP=1")}, {QStringLiteral("AAS Time Program")});

    // The classes-root value keeps its unquoted form ...
    EXPECT_EQ(Default(QStringLiteral("ATPQVExtReg\\Shell\\open\\command")), program + QStringLiteral(" %1"));
    // ... while the desktop entry quotes the path and passes the file as one argument.
    const QString entry = stores.DataHome() + QStringLiteral("/applications/velortime.desktop");
    ASSERT_TRUE(QFile::exists(entry));
    QFile f(entry);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Exec=\"%1\" %f\n").arg(program))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("MimeType=application/x-velortime-atp;\n")));
    Tool(QStringLiteral("desktop-file-validate"), {entry});

    QFile doc(stores.Path(QStringLiteral("x.ATP")));
    ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
    doc.close();
    QFile lower(stores.Path(QStringLiteral("y.atp")));
    ASSERT_TRUE(lower.open(QIODevice::WriteOnly));
    lower.close();
    EXPECT_EQ(Tool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), QStringLiteral("x.ATP")}),
              QStringLiteral("application/x-velortime-atp"));
    EXPECT_EQ(Tool(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), QStringLiteral("y.atp")}),
              QStringLiteral("application/x-velortime-atp"));
    EXPECT_EQ(Tool(QStringLiteral("xdg-mime"),
                   {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/x-velortime-atp")}),
              QStringLiteral("velortime.desktop"));
}

TEST(DesktopExecLine, QuotesOnlyWhatTheEntryRulesReserve)
{
    using platform::registry::DesktopExecLine;
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/usr/bin/VelorTime")), QStringLiteral("/usr/bin/VelorTime %f"));
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/a b/VelorTime")), QStringLiteral("\"/a b/VelorTime\" %f"));
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/a\"$`\\/x")), QStringLiteral("\"/a\\\"\\$\\`\\\\/x\" %f"));
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/100%/x")), QStringLiteral("/100%%/x %f"));
}

TEST(DesktopMimeType, IsNamedAfterProgramAndExtension)
{
    EXPECT_EQ(platform::registry::DesktopMimeType(QStringLiteral("VelorTime"), QStringLiteral(".ATP")),
              QStringLiteral("application/x-velortime-atp"));
}
