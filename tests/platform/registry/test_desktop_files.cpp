// The desktop files of a document-type registration are written whole
// through the safe writer: nothing else is left in their folders, and a
// folder that cannot be written is reported by the file's name.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "DesktopRegistration.h"

using namespace platform::registry;

TEST(DesktopFiles, WrittenWholeWithNothingBesideThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
    const DesktopFileType type{QStringLiteral(".ATP"), QStringLiteral("AAS Time Program")};
    RegisterDesktopFileType(QStringLiteral("VelorTime"), QStringLiteral("Velor Time"), QStringLiteral("/opt/velor/VelorTime"),
                            type);
    const QDir apps(dir.filePath(QStringLiteral("applications")));
    const QStringList entries = apps.entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(entries.contains(QStringLiteral("velortime.desktop")));
    for (const QString& name : entries)
        EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
    QFile entry(apps.filePath(QStringLiteral("velortime.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    EXPECT_TRUE(entry.readAll().contains("Exec=/opt/velor/VelorTime %f"));
    const QDir packages(dir.filePath(QStringLiteral("mime/packages")));
    EXPECT_EQ(packages.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("velortime-atp.xml")});

    // A folder that cannot be written.
    ASSERT_TRUE(QFile::setPermissions(packages.path(), QFile::ReadOwner | QFile::ExeOwner));
    const DesktopFileType other{QStringLiteral(".ABC"), QStringLiteral("Other")};
    try {
        RegisterDesktopFileType(QStringLiteral("VelorTime"), QStringLiteral("Velor Time"),
                                QStringLiteral("/opt/velor/VelorTime"), other);
        ADD_FAILURE() << "no error";
    } catch (const EDesktopRegistration& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("velortime-abc.xml"))) << e.what();
    }
    QFile::setPermissions(packages.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(packages.entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("velortime-atp.xml")});
    if (previous.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", previous);
}
