// The main window's settings file under damage and under a kill during close:
// what can be read of a damaged file survives start and close, a copy of the
// damaged file is kept beside it, the user is told once; closing writes the
// placement and the whole recent list in one atomic change.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "Dialogs.h"
#include "FormPlacement.h"
#include "RecentFiles.h"
#include "Registry.h"
#include "SettingsStore.h"
#include "TestSeed.h"

using namespace gui;
using platform::registry::TRegistry;

namespace {

const QString kRecentKey = QStringLiteral("TfrmMain.MRUManager");

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Whether process pid holds a file of folder open (the settings file's new
// content, before it is named).
bool WritesInto(pid_t pid, const QString& folder)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget().startsWith(folder + QLatin1Char('/')))
            return true;
    return false;
}

TWindowPlacement Placement(int left)
{
    TWindowPlacement p;
    p.left = left;
    p.top = 20;
    p.right = left + 600;
    p.bottom = 500;
    return p;
}

// Collects the boxes shown; answers OK.
struct Shown {
    QList<DialogRequest> boxes;
    Responder previous;
    Shown()
    {
        previous = SetResponder([this](const DialogRequest& r) {
            boxes << r;
            return DialogReply{mrOk, {}, 0, {}};
        });
    }
    ~Shown() { SetResponder(previous); }
};

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::registry::SetBaseFolder(dir.path());
        platform::registry::TakeDamagedFiles();
    }
    void TearDown() override { platform::registry::SetBaseFolder(QString()); }
    QString Ini() const { return dir.filePath(QStringLiteral("VelorSpec.ini")); }

    QTemporaryDir dir;
    QWidget form;
    TFormStorage storage{&form, QStringLiteral("VelorSpec"), QStringLiteral("MainForm")};
};

}  // namespace

TEST_F(SettingsStoreTest, DamagedFileKeepsWhatIsReadableTellsOnceAndKeepsACopy)
{
    struct Case {
        const char* name;
        // Turns the healthy file into the damaged one.
        std::function<QByteArray(QByteArray)> damage;
        QStringList recent;   // what start-up reads back
        bool placement;       // whether the placement is still readable
    } cases[] = {
        {"a line holding only a quote",
         [](QByteArray t) { return t.replace("[MainForm]\n", "\"\n[MainForm]\n\"\n"); },
         {"/d/c.ast", "/d/b.ast", "/d/a.ast"}, true},
        {"an unclosed quote in a value",
         [](QByteArray t) { return t.replace("NormPos=\"100,20,700,500\"", "NormPos=\"100,20,700,500"); },
         {"/d/c.ast", "/d/b.ast", "/d/a.ast"}, false},
        {"a NUL byte",
         [](QByteArray t) { return t.replace("/d/b.ast", QByteArray("/d/b\0.ast", 9)); },
         {"/d/c.ast", "/d/a.ast"}, true},
        {"a file cut off in its last line",
         [](QByteArray t) { return t.left(t.indexOf("Item_2=") + 9); },
         {"/d/c.ast", "/d/b.ast"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Ini());
        QFile::remove(Ini() + QStringLiteral(".damaged"));
        {
            TRegistry reg;
            reg.OpenKey(QStringLiteral("\\Software\\VelorSpec\\Other"), true);
            reg.WriteString(QStringLiteral("Keep"), QStringLiteral("me"));
            TMRUManager recent;
            for (const char* f : {"/d/a.ast", "/d/b.ast", "/d/c.ast"})
                recent.Add(QString::fromLatin1(f));
            StoreWindowSettings(storage, Placement(100), recent, kRecentKey);
        }
        const QByteArray damaged = c.damage(ReadAll(Ini()));
        ASSERT_NE(damaged, ReadAll(Ini()));
        WriteAll(Ini(), damaged);

        // Start-up: the report, then the placement and the list are read.
        Shown shown;
        ReportDamagedSettings(QStringLiteral("VelorSpec"));
        ASSERT_EQ(shown.boxes.size(), 1);
        EXPECT_EQ(shown.boxes[0].type, MsgDlgType::Warning);
        EXPECT_EQ(shown.boxes[0].text.toStdString(),
                  DamagedSettingsMessage({{Ini(), Ini() + QStringLiteral(".damaged")}}).toStdString());
        EXPECT_TRUE(shown.boxes[0].text.contains(Ini() + QStringLiteral(".damaged")));
        EXPECT_EQ(ReadAll(Ini() + QStringLiteral(".damaged")), damaged);
        TWindowPlacement p;
        EXPECT_EQ(storage.ReadPlacement(p), c.placement);
        TMRUManager recent;
        recent.LoadFromRegistry(storage.SubKeyPath(kRecentKey));
        EXPECT_EQ(recent.Strings(), c.recent);

        // Close, and the next start: the readable part is still there,
        // nothing more is reported, the copy stays.
        recent.Add(QStringLiteral("/d/new.ast"));
        StoreWindowSettings(storage, Placement(300), recent, kRecentKey);
        ReportDamagedSettings(QStringLiteral("VelorSpec"));
        EXPECT_EQ(shown.boxes.size(), 1);
        TMRUManager again;
        again.LoadFromRegistry(storage.SubKeyPath(kRecentKey));
        EXPECT_EQ(again.Strings(), QStringList{QStringLiteral("/d/new.ast")} + c.recent);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\VelorSpec\\Other"), false));
        EXPECT_EQ(reg.ReadString(QStringLiteral("Keep")), QStringLiteral("me"));
        EXPECT_EQ(ReadAll(Ini() + QStringLiteral(".damaged")), damaged);
        // The file is whole again and QSettings reads it as we do.
        QSettings raw(Ini(), QSettings::IniFormat);
        EXPECT_EQ(raw.status(), QSettings::NoError);
        EXPECT_EQ(raw.value(QStringLiteral("MainForm/TfrmMain.MRUManager/Item_0")).toString(),
                  QStringLiteral("/d/new.ast"));
    }
}

TEST_F(SettingsStoreTest, EachDifferentDamageKeepsACopyOfItsOwn)
{
    TMRUManager recent;
    recent.Add(QStringLiteral("/d/a.ast"));
    StoreWindowSettings(storage, Placement(100), recent, kRecentKey);
    // Each start finds the file damaged anew, every time in another way.
    struct Case {
        const char* name;
        QByteArray tail;   // appended to the file as the last start left it
        QString copy;
    } cases[] = {
        {"a line holding only a quote", "\"\n", Ini() + QStringLiteral(".damaged")},
        {"a NUL byte", QByteArray("x=\0\n", 4), Ini() + QStringLiteral(".damaged-2")},
        {"an unclosed section name", "[Other\n", Ini() + QStringLiteral(".damaged-3")},
    };
    QList<QByteArray> kept;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray damaged = ReadAll(Ini()) + c.tail;
        WriteAll(Ini(), damaged);
        kept << damaged;
        Shown shown;
        ReportDamagedSettings(QStringLiteral("VelorSpec"));
        ASSERT_EQ(shown.boxes.size(), 1);
        EXPECT_EQ(shown.boxes[0].text.toStdString(), DamagedSettingsMessage({{Ini(), c.copy}}).toStdString());
        // Every damaged version so far is still there, each in its own copy.
        for (qsizetype i = 0; i < kept.size(); ++i)
            EXPECT_EQ(ReadAll(cases[i].copy).toStdString(), kept[i].toStdString()) << cases[i].copy.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

TEST_F(SettingsStoreTest, ADamagedFileIsNeverWrittenOverBeforeACopyIsKept)
{
    WriteAll(Ini(), "[MainForm]\n\"\nTfrmMain.MRUManager\\Item_0=/d/a.ast\n");
    const QByteArray before = ReadAll(Ini());
    // No copy can be written while the folder is read-only.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    Shown shown;
    ReportDamagedSettings(QStringLiteral("VelorSpec"));
    ASSERT_EQ(shown.boxes.size(), 1);
    EXPECT_TRUE(shown.boxes[0].text.contains(QStringLiteral("no copy of it could be kept")));
    TMRUManager recent;
    recent.LoadFromRegistry(storage.SubKeyPath(kRecentKey));
    EXPECT_EQ(recent.Strings(), QStringList{QStringLiteral("/d/a.ast")});
    EXPECT_THROW(StoreWindowSettings(storage, Placement(1), recent, kRecentKey),
                 platform::registry::ERegistryException);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(ReadAll(Ini()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("VelorSpec.ini")});

    // Once the folder can be written, the copy comes first.
    StoreWindowSettings(storage, Placement(1), recent, kRecentKey);
    EXPECT_EQ(ReadAll(Ini() + QStringLiteral(".damaged")), before);
    EXPECT_EQ(shown.boxes.size(), 1);
}

TEST_F(SettingsStoreTest, AHealthyFileIsNotReported)
{
    TMRUManager recent;
    recent.Add(QStringLiteral("/d/a.ast"));
    StoreWindowSettings(storage, Placement(1), recent, kRecentKey);
    Shown shown;
    ReportDamagedSettings(QStringLiteral("VelorSpec"));
    EXPECT_TRUE(shown.boxes.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("VelorSpec.ini")});
}

TEST_F(SettingsStoreTest, KillDuringCloseNeverLeavesAPartialRecentList)
{
    // A child stores, over and over, one of two complete settings (ten recent
    // files and a placement each) and is killed at random moments; every
    // time the file must hold one of the two whole.
    TMRUManager listA, listB;
    for (int i = 0; i < 10; ++i) {
        listA.Add(QStringLiteral("/a/file%1.ast").arg(i));
        listB.Add(QStringLiteral("/b/other%1.axp").arg(i));
    }
    StoreWindowSettings(storage, Placement(100), listA, kRecentKey);
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    for (int i = 0; i < 5; ++i)
        StoreWindowSettings(storage, Placement(200), listB, kRecentKey);
    const long storeMicros = long(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count() / 5);
    StoreWindowSettings(storage, Placement(100), listA, kRecentKey);

    const std::uint32_t seed = TestSeed(std::random_device{}());
    SCOPED_TRACE(SeedTrace(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long> delay(0, 3 * storeMicros);
    int trials = 0, partial = 0, oldOnes = 0, newOnes = 0, whileWriting = 0;
    for (; trials < 30; ++trials) {
        const auto start = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            for (unsigned i = 0;; ++i) {
                try {
                    if (i % 2 == 0)
                        StoreWindowSettings(storage, Placement(200), listB, kRecentKey);
                    else
                        StoreWindowSettings(storage, Placement(100), listA, kRecentKey);
                } catch (...) {
                    _exit(3);
                }
            }
        }
        // Every other kill falls while the child writes the file's new content.
        if (trials % 2 == 1)
            while (!WritesInto(pid, dir.path()) && Clock::now() - start < std::chrono::seconds(2))
                usleep(100);
        usleep(useconds_t(trials % 2 == 1 ? delay(random) / 6 : delay(random)));
        whileWriting += WritesInto(pid, dir.path());
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        TMRUManager read;
        read.LoadFromRegistry(storage.SubKeyPath(kRecentKey));
        TWindowPlacement p;
        const bool placed = storage.ReadPlacement(p);
        if (placed && read.Strings() == listA.Strings() && p.left == 100)
            ++oldOnes;
        else if (placed && read.Strings() == listB.Strings() && p.left == 200)
            ++newOnes;
        else
            ++partial;
        StoreWindowSettings(storage, Placement(100), listA, kRecentKey);
    }
    std::cout << "kill during close: " << trials << " kills (" << whileWriting << " while writing), " << oldOnes << " old, " << newOnes << " new, "
              << partial << " partial; one store takes about " << storeMicros << " us\n";
    EXPECT_EQ(partial, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("VelorSpec.ini")});
}
