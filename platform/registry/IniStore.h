#pragma once
// The INI files behind the registry layer (internal to it).
//
// A file is read whole into a list of entries, changed in memory and written
// back whole through the model's safe writer, so it is never half-written.
// The text is the INI form QSettings reads and writes: sections named by the
// first group, further groups joined to the key by "\", names escaped with
// %XX / %UXXXX, values quoted when they hold ";", "," or "=" or begin or end
// with a blank, "\" escapes for quotes, backslashes and control characters.
//
// Reading is forgiving: a line that cannot be read (no "=", an unclosed quote,
// a NUL byte, an unclosed section name, a last line cut off without its line
// end) is passed over and the rest is kept.  Such a file counts as damaged:
// before anything is written over it, a copy of it is kept beside it
// ("<file>.damaged", or "<file>.damaged-2" and so on when that name holds
// another copy), the readable part is written back, and the file is listed
// for the one report the program gives at start.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace platform::registry::ini {

// path: the group names and the value name joined by "/".
struct Entry {
    QString path;
    QString value;
};
using Store = QList<Entry>;

Store Parse(const QByteArray& bytes, bool* damaged);
QByteArray Serialize(const Store& store);

// Groups and values directly below group ("" = the file's top), in order.
QStringList ChildGroups(const Store& store, const QString& group);
QStringList ChildKeys(const Store& store, const QString& group);
bool HasContent(const Store& store, const QString& group);
void RemoveGroup(Store& store, const QString& group);   // "" empties the store
bool RemoveKey(Store& store, const QString& path);
const QString* Find(const Store& store, const QString& path);
void Set(Store& store, const QString& path, const QString& value);

// The file's entries (none when it does not exist); inside an update the
// copy the update holds.
Store Load(const QString& file);
// Writes the entries as the file's new content; inside an update they are
// kept until it commits.  Raises ERegistryException when the file cannot be
// written.
void Save(const QString& file, const Store& store);

}  // namespace platform::registry::ini
