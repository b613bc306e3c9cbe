#pragma once
// Per-user and classes-root registry of both programs.
//
// Keys are paths of names separated by backslashes ("Software\VelorSpec\MainForm");
// each key holds named string and integer values and sub-keys.  Key and value
// names are matched without regard to letter case, as the programs expect.
//
// Storage: INI files in the form QSettings reads (IniStore.h) in one base
// folder, by default
// "<user configuration folder>/Velor" (XDG_CONFIG_HOME or ~/.config):
//   HKEY_CURRENT_USER\Software\<Program>\...  ->  <base>/<Program>.ini
//   any other HKEY_CURRENT_USER key           ->  <base>/HKEY_CURRENT_USER.ini
//   HKEY_CLASSES_ROOT\...                     ->  <base>/HKEY_CLASSES_ROOT.ini
// Inside a file the key path below the file's own root becomes the INI group
// path.  Every change rewrites its file whole and atomically; inside a
// TRegistryUpdate the changes wait for its commit.  Integer values are stored as "dword:<8 hex digits>"; a string whose
// text itself starts with "dword:" or "sz:" is stored behind an "sz:" prefix,
// so the two kinds never mix up.  The unnamed (default) value of a key is the
// value named "@".  A key exists while it holds a value or a sub-key.

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace platform::registry {

enum class RootKey { CurrentUser, ClassesRoot };

// A value of the wrong kind, or an integer value that is missing.
class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Groups changes to the store: while an update is open (on this thread, the
// GUI thread), changes are kept in memory; Commit writes each changed file
// once, whole and atomically, so that a program killed while it stores its
// settings leaves them all old or all new.  An update destroyed without
// Commit drops its changes.  Updates nest; the outermost one writes.  Commit
// raises ERegistryException when a file cannot be written.
class TRegistryUpdate {
public:
    TRegistryUpdate();
    ~TRegistryUpdate();
    TRegistryUpdate(const TRegistryUpdate&) = delete;
    TRegistryUpdate& operator=(const TRegistryUpdate&) = delete;
    void Commit();

private:
    void End(bool write);
    bool FDone = false;
};

// A settings file found damaged (lines that could not be read) and the copy
// of it kept beside it before the readable part was written back; copy is
// empty when no copy could be written (the file is then never written over).
struct TDamagedFile {
    QString file;
    QString copy;
};
// The damaged files found since the last call; one damage is listed once.
QList<TDamagedFile> TakeDamagedFiles();
// Reads the program's file now, so that damage in it is found.
void CheckProgramStore(const QString& programFileName);

// Folder that holds the store's files; tests point it at a temporary folder.
// An empty folder restores the default.
void SetBaseFolder(const QString& folder);
QString BaseFolder();

// "Software\<program file name>": the per-user key of a program.
QString ProgramKey(const QString& programFileName);

class TRegistry {
public:
    explicit TRegistry(RootKey root = RootKey::CurrentUser);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    RootKey Root() const { return FRoot; }

    // Opens a key: a path with a leading backslash (or with no key open) is
    // taken from the root, otherwise from the current key.  With canCreate a
    // missing key is created; without it the call fails and the current key
    // stays.  Returns whether a key is open now.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    bool HasCurrentKey() const { return FOpen; }
    QString CurrentPath() const { return FCurrentPath; }   // from the root, no leading backslash

    // Key operations; paths as for OpenKey.
    bool KeyExists(const QString& key) const;
    bool DeleteKey(const QString& key);           // with all sub-keys and values
    QStringList GetKeyNames() const;              // sub-keys of the current key
    bool HasSubKeys() const;

    // Values of the current key.
    QStringList GetValueNames() const;
    bool ValueExists(const QString& name) const;
    bool DeleteValue(const QString& name);
    // A missing value reads as ""; an integer value raises ERegistryException.
    QString ReadString(const QString& name) const;
    void WriteString(const QString& name, const QString& value);
    // A missing value or a string value raises ERegistryException.
    int ReadInteger(const QString& name) const;
    void WriteInteger(const QString& name, int value);

private:
    QString Absolute(const QString& key) const;
    void WriteRaw(const QString& name, const QString& raw);

    RootKey FRoot;
    bool FOpen = false;
    QString FCurrentPath;
};

}  // namespace platform::registry
