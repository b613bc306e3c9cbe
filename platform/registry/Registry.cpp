#include "Registry.h"

#include <QDir>
#include <QStandardPaths>
#include <memory>

#include "IniStore.h"

namespace platform::registry {
namespace {

const QString kDwordPrefix = QStringLiteral("dword:");
const QString kStringPrefix = QStringLiteral("sz:");
const QString kDefaultValueName = QStringLiteral("@");

QString& baseFolderOverride()
{
    static QString folder;
    return folder;
}

QStringList splitPath(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// Where a key path (from the root) lives: the INI file and the key's path
// inside it, as name segments.
struct Location {
    QString file;
    QStringList segments;
};

Location locate(RootKey root, const QString& path)
{
    const QString base = BaseFolder();
    QStringList parts = splitPath(path);
    if (root == RootKey::ClassesRoot)
        return {base + QStringLiteral("/HKEY_CLASSES_ROOT.ini"), parts};
    if (parts.size() >= 2 && parts[0].compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0) {
        QString program = parts[1];
        // The program's file, whatever the letter case it was created with.
        const QString wanted = program + QStringLiteral(".ini");
        for (const QString& f : QDir(base).entryList({QStringLiteral("*.ini")}, QDir::Files))
            if (f.compare(wanted, Qt::CaseInsensitive) == 0) {
                program = f.chopped(4);
                break;
            }
        parts.erase(parts.begin(), parts.begin() + 2);
        return {base + QLatin1Char('/') + program + QStringLiteral(".ini"), parts};
    }
    return {base + QStringLiteral("/HKEY_CURRENT_USER.ini"), parts};
}

// Segment names as stored: each segment is matched against the existing
// child groups ignoring case; a missing one keeps the given spelling.
QString resolveGroup(const ini::Store& s, const QStringList& segments, bool* exists)
{
    QStringList resolved;
    bool found = true;
    for (const QString& seg : segments) {
        QString name = seg;
        if (found) {
            const QStringList children = ini::ChildGroups(s, resolved.join(QLatin1Char('/')));
            found = false;
            for (const QString& c : children)
                if (c.compare(seg, Qt::CaseInsensitive) == 0) {
                    name = c;
                    found = true;
                    break;
                }
        }
        resolved << name;
    }
    if (exists)
        *exists = found;
    return resolved.join(QLatin1Char('/'));
}

QString storedValueName(const QString& name)
{
    return name.isEmpty() ? kDefaultValueName : name;
}

QString findValueKey(const ini::Store& s, const QString& group, const QString& name)
{
    const QString wanted = storedValueName(name);
    for (const QString& k : ini::ChildKeys(s, group))
        if (k.compare(wanted, Qt::CaseInsensitive) == 0)
            return k;
    return {};
}

QString joinKey(const QString& group, const QString& key)
{
    return group.isEmpty() ? key : group + QLatin1Char('/') + key;
}

}  // namespace

void SetBaseFolder(const QString& folder)
{
    baseFolderOverride() = folder;
}

QString BaseFolder()
{
    if (!baseFolderOverride().isEmpty())
        return baseFolderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Velor");
}

QString ProgramKey(const QString& programFileName)
{
    return QStringLiteral("Software\\") + programFileName;
}

void CheckProgramStore(const QString& programFileName)
{
    (void)ini::Load(locate(RootKey::CurrentUser, ProgramKey(programFileName)).file);
}

TRegistry::TRegistry(RootKey root) : FRoot(root) {}

TRegistry::~TRegistry() = default;

QString TRegistry::Absolute(const QString& key) const
{
    if (key.startsWith(QLatin1Char('\\')) || !FOpen || FCurrentPath.isEmpty())
        return splitPath(key).join(QLatin1Char('\\'));
    return (splitPath(FCurrentPath) + splitPath(key)).join(QLatin1Char('\\'));
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    const QString path = Absolute(key);
    if (!canCreate && !KeyExists(QLatin1Char('\\') + path) && !splitPath(path).isEmpty())
        return FOpen;
    // Keep the stored spelling of existing segments.
    const Location loc = locate(FRoot, path);
    const ini::Store s = ini::Load(loc.file);
    const QString group = resolveGroup(s, loc.segments, nullptr);
    QStringList full = splitPath(path);
    const QStringList stored = group.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < stored.size(); ++i)
        full[full.size() - stored.size() + i] = stored[i];
    FCurrentPath = full.join(QLatin1Char('\\'));
    FOpen = true;
    return true;
}

void TRegistry::CloseKey()
{
    FOpen = false;
    FCurrentPath.clear();
}

bool TRegistry::KeyExists(const QString& key) const
{
    const QString path = Absolute(key);
    const Location loc = locate(FRoot, path);
    const ini::Store s = ini::Load(loc.file);
    bool exists = false;
    const QString group = resolveGroup(s, loc.segments, &exists);
    if (loc.segments.isEmpty())
        return ini::HasContent(s, QString());
    return exists && ini::HasContent(s, group);
}

bool TRegistry::DeleteKey(const QString& key)
{
    const QString path = Absolute(key);
    const Location loc = locate(FRoot, path);
    ini::Store s = ini::Load(loc.file);
    bool exists = false;
    const QString group = resolveGroup(s, loc.segments, &exists);
    if (!exists)
        return false;
    if (!ini::HasContent(s, group))
        return true;
    ini::RemoveGroup(s, group);
    try {
        ini::Save(loc.file, s);
    } catch (const ERegistryException&) {
        return false;
    }
    return true;
}

QStringList TRegistry::GetKeyNames() const
{
    if (!FOpen)
        return {};
    const Location loc = locate(FRoot, FCurrentPath);
    const ini::Store s = ini::Load(loc.file);
    QStringList names = ini::ChildGroups(s, resolveGroup(s, loc.segments, nullptr));
    // The per-program files sit below "Software": list them as its sub-keys.
    const QStringList parts = splitPath(FCurrentPath);
    if (FRoot == RootKey::CurrentUser && parts.size() == 1
        && parts[0].compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0) {
        const QDir dir(BaseFolder());
        for (const QString& f : dir.entryList({QStringLiteral("*.ini")}, QDir::Files)) {
            const QString program = f.chopped(4);
            if (program != QLatin1String("HKEY_CURRENT_USER") && program != QLatin1String("HKEY_CLASSES_ROOT"))
                names << program;
        }
    }
    return names;
}

bool TRegistry::HasSubKeys() const
{
    return !GetKeyNames().isEmpty();
}

QStringList TRegistry::GetValueNames() const
{
    if (!FOpen)
        return {};
    const Location loc = locate(FRoot, FCurrentPath);
    const ini::Store s = ini::Load(loc.file);
    QStringList names = ini::ChildKeys(s, resolveGroup(s, loc.segments, nullptr));
    for (QString& n : names)
        if (n == kDefaultValueName)
            n.clear();
    return names;
}

bool TRegistry::ValueExists(const QString& name) const
{
    if (!FOpen)
        return false;
    const Location loc = locate(FRoot, FCurrentPath);
    const ini::Store s = ini::Load(loc.file);
    return !findValueKey(s, resolveGroup(s, loc.segments, nullptr), name).isEmpty();
}

bool TRegistry::DeleteValue(const QString& name)
{
    if (!FOpen)
        return false;
    const Location loc = locate(FRoot, FCurrentPath);
    ini::Store s = ini::Load(loc.file);
    const QString group = resolveGroup(s, loc.segments, nullptr);
    const QString key = findValueKey(s, group, name);
    if (key.isEmpty())
        return false;
    ini::RemoveKey(s, joinKey(group, key));
    try {
        ini::Save(loc.file, s);
    } catch (const ERegistryException&) {
        return false;
    }
    return true;
}

QString TRegistry::ReadString(const QString& name) const
{
    if (!FOpen)
        return {};
    const Location loc = locate(FRoot, FCurrentPath);
    const ini::Store s = ini::Load(loc.file);
    const QString group = resolveGroup(s, loc.segments, nullptr);
    const QString key = findValueKey(s, group, name);
    if (key.isEmpty())
        return {};
    const QString raw = *ini::Find(s, joinKey(group, key));
    if (raw.startsWith(kDwordPrefix))
        throw ERegistryException("Invalid data type for '" + name.toStdString() + "'");
    if (raw.startsWith(kStringPrefix))
        return raw.mid(kStringPrefix.size());
    return raw;
}

void TRegistry::WriteString(const QString& name, const QString& value)
{
    const bool escape = value.startsWith(kDwordPrefix) || value.startsWith(kStringPrefix);
    WriteRaw(name, escape ? kStringPrefix + value : value);
}

int TRegistry::ReadInteger(const QString& name) const
{
    const auto invalid = [&] { return ERegistryException("Invalid data type for '" + name.toStdString() + "'"); };
    if (!FOpen)
        throw invalid();
    const Location loc = locate(FRoot, FCurrentPath);
    const ini::Store s = ini::Load(loc.file);
    const QString group = resolveGroup(s, loc.segments, nullptr);
    const QString key = findValueKey(s, group, name);
    if (key.isEmpty())
        throw invalid();
    const QString raw = *ini::Find(s, joinKey(group, key));
    if (!raw.startsWith(kDwordPrefix))
        throw invalid();
    bool ok = false;
    const quint32 v = raw.mid(kDwordPrefix.size()).toUInt(&ok, 16);
    if (!ok)
        throw invalid();
    return static_cast<int>(v);
}

void TRegistry::WriteInteger(const QString& name, int value)
{
    WriteRaw(name, kDwordPrefix + QStringLiteral("%1").arg(static_cast<quint32>(value), 8, 16, QLatin1Char('0')));
}

// Stores a value's encoded text under its existing name (any letter case)
// or under a new one.
void TRegistry::WriteRaw(const QString& name, const QString& raw)
{
    if (!FOpen)
        throw ERegistryException("Failed to set data for '" + name.toStdString() + "'");
    const Location loc = locate(FRoot, FCurrentPath);
    ini::Store s = ini::Load(loc.file);
    const QString group = resolveGroup(s, loc.segments, nullptr);
    QString key = findValueKey(s, group, name);
    if (key.isEmpty())
        key = storedValueName(name);
    ini::Set(s, joinKey(group, key), raw);
    try {
        ini::Save(loc.file, s);
    } catch (const ERegistryException&) {
        throw ERegistryException("Failed to set data for '" + name.toStdString() + "'");
    }
}

}  // namespace platform::registry
