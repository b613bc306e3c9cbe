#include "IniStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <map>

#include "FileUtils.h"
#include "Registry.h"
#include "SysUtils.h"

namespace platform::registry {
namespace ini {
namespace {

const char kHex[] = "0123456789ABCDEF";

// ---------------------------------------------------------------------------
// Names

bool plainKeyChar(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'
        || c == u'-' || c == u'.';
}

QByteArray escapedKey(const QString& key)
{
    QByteArray out;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/') {
            out += '\\';
        } else if (plainKeyChar(c)) {
            out += char(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(c >> shift) & 15];
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QString unescapedKey(QByteArrayView text)
{
    QString out;
    QByteArray run;   // raw bytes, decoded as UTF-8 together
    auto flush = [&] {
        out += QString::fromUtf8(run);
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            run += '/';
        } else if (c == '%' && i + 5 < text.size() && text[i + 1] == 'U' && hexValue(text[i + 2]) >= 0
                   && hexValue(text[i + 3]) >= 0 && hexValue(text[i + 4]) >= 0 && hexValue(text[i + 5]) >= 0) {
            flush();
            int v = 0;
            for (int k = 2; k <= 5; ++k)
                v = v * 16 + hexValue(text[i + k]);
            out += QChar(char16_t(v));
            i += 5;
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            flush();
            out += QChar(char16_t(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            run += c;
        }
    }
    flush();
    return out;
}

// ---------------------------------------------------------------------------
// Values

QByteArray escapedValue(const QString& raw)
{
    // A text that begins with "@" would be read as a typed value.
    const QString value = raw.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + raw : raw;
    QByteArray out;
    bool quotes = false;
    bool hexBefore = false;   // a following hex digit would join a \x escape
    for (const QChar qc : value) {
        const char16_t c = qc.unicode();
        if (c == u';' || c == u',' || c == u'=')
            quotes = true;
        if (hexBefore && c < 0x80 && hexValue(char(c)) >= 0) {
            out += "\\x" + QByteArray::number(int(c), 16);
            continue;
        }
        hexBefore = false;
        switch (c) {
        case u'\0': out += "\\0"; hexBefore = true; break;
        case u'\a': out += "\\a"; break;
        case u'\b': out += "\\b"; break;
        case u'\f': out += "\\f"; break;
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\t': out += "\\t"; break;
        case u'\v': out += "\\v"; break;
        case u'"':
        case u'\\':
            out += '\\';
            out += char(c);
            break;
        default:
            if (c <= 0x1F || c == 0x7F) {
                out += "\\x" + QByteArray::number(int(c), 16);
                hexBefore = true;
            } else {
                out += QString(qc).toUtf8();
            }
        }
    }
    if (quotes || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

// The value text after "=": false when it cannot be read (an unclosed quote,
// a lone backslash at the end).
bool unescapedValue(QByteArrayView text, QString& value)
{
    QString out;
    QByteArray run;
    auto flush = [&] {
        out += QString::fromUtf8(run);
        run.clear();
    };
    bool quoted = false;
    qsizetype i = 0;
    // Blanks around the value are not part of it (inside quotes they are).
    qsizetype end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ';' && !quoted) {
            break;   // a comment to the end of the line
        } else if (c == '\\') {
            if (++i >= end)
                return false;
            const char e = text[i];
            switch (e) {
            case 'a': run += '\a'; break;
            case 'b': run += '\b'; break;
            case 'f': run += '\f'; break;
            case 'n': run += '\n'; break;
            case 'r': run += '\r'; break;
            case 't': run += '\t'; break;
            case 'v': run += '\v'; break;
            case 'x': {
                flush();
                uint v = 0;
                while (i + 1 < end && hexValue(text[i + 1]) >= 0 && v <= 0xFFF)
                    v = v * 16 + uint(hexValue(text[++i]));
                out += QChar(char16_t(v));
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    flush();
                    uint v = uint(e - '0');
                    while (i + 1 < end && text[i + 1] >= '0' && text[i + 1] <= '7' && v <= 0xFFF)
                        v = v * 8 + uint(text[++i] - '0');
                    out += QChar(char16_t(v));
                } else {
                    run += e;   // \" \\ \' \? and any other character stand for themselves
                }
            }
        } else {
            run += c;
        }
    }
    if (quoted)
        return false;
    flush();
    if (out.startsWith(QLatin1String("@@")))
        out.remove(0, 1);
    else if (out == QLatin1String("@Invalid()"))
        out.clear();
    value = out;
    return true;
}

QString joinPath(const QString& group, const QString& name)
{
    return group.isEmpty() ? name : group + QLatin1Char('/') + name;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reading and writing the text

Store Parse(const QByteArray& bytes, bool* damaged)
{
    Store store;
    bool bad = false;
    QString section;
    bool sectionReadable = true;
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const bool terminated = end < size;
        const QByteArrayView line(bytes.constData() + pos, end - pos);
        pos = end;
        if (pos < size && bytes[pos] == '\r' && pos + 1 < size && bytes[pos + 1] == '\n')
            ++pos;
        if (pos < size)
            ++pos;

        const QByteArrayView text = line.trimmed();
        if (text.isEmpty())
            continue;
        // A NUL byte, or a last line cut off before its line end: the file
        // was damaged there.
        if (text.contains('\0') || !terminated) {
            bad = true;
            continue;
        }
        if (text[0] == ';' || text[0] == '#')
            continue;
        if (text[0] == '[') {
            if (!text.endsWith(']')) {
                bad = true;
                sectionReadable = false;   // its values belong nowhere known
                continue;
            }
            const QByteArrayView name = text.sliced(1, text.size() - 2);
            section = name == "General" ? QString() : name == "%General" ? QStringLiteral("General") : unescapedKey(name);
            sectionReadable = true;
            continue;
        }
        const qsizetype eq = text.indexOf('=');
        const QString key = eq > 0 ? unescapedKey(text.first(eq).trimmed()) : QString();
        QString value;
        if (key.isEmpty() || !unescapedValue(text.sliced(eq + 1), value)) {
            bad = true;
            continue;
        }
        if (sectionReadable)
            Set(store, joinPath(section, key), value);
    }
    if (damaged)
        *damaged = bad;
    return store;
}

QByteArray Serialize(const Store& store)
{
    // Sections by the first group, in the order they first appear; values
    // at the top go to "[General]".
    QStringList sections;
    std::map<QString, QByteArray> lines;
    for (const Entry& e : store) {
        const qsizetype slash = e.path.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : e.path.left(slash);
        const QString key = slash < 0 ? e.path : e.path.mid(slash + 1);
        if (!lines.count(section))
            sections << section;
        lines[section] += escapedKey(key) + '=' + escapedValue(e.value) + '\n';
    }
    QByteArray out;
    for (const QString& section : sections) {
        if (!out.isEmpty())
            out += '\n';
        out += '[';
        out += section.isEmpty() ? QByteArray("General") : section == QLatin1String("General") ? QByteArray("%General")
                                                                                             : escapedKey(section);
        out += "]\n";
        out += lines[section];
    }
    return out;
}

// ---------------------------------------------------------------------------
// Store queries

QStringList ChildGroups(const Store& store, const QString& group)
{
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');
    QStringList names;
    for (const Entry& e : store) {
        if (!e.path.startsWith(prefix))
            continue;
        const qsizetype slash = e.path.indexOf(QLatin1Char('/'), prefix.size());
        if (slash < 0)
            continue;
        const QString name = e.path.mid(prefix.size(), slash - prefix.size());
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QStringList ChildKeys(const Store& store, const QString& group)
{
    const QString prefix = group.isEmpty() ? QString() : group + QLatin1Char('/');
    QStringList names;
    for (const Entry& e : store)
        if (e.path.startsWith(prefix) && e.path.indexOf(QLatin1Char('/'), prefix.size()) < 0)
            names << e.path.mid(prefix.size());
    return names;
}

bool HasContent(const Store& store, const QString& group)
{
    if (group.isEmpty())
        return !store.isEmpty();
    const QString prefix = group + QLatin1Char('/');
    for (const Entry& e : store)
        if (e.path.startsWith(prefix))
            return true;
    return false;
}

void RemoveGroup(Store& store, const QString& group)
{
    if (group.isEmpty()) {
        store.clear();
        return;
    }
    const QString prefix = group + QLatin1Char('/');
    store.removeIf([&](const Entry& e) { return e.path.startsWith(prefix); });
}

bool RemoveKey(Store& store, const QString& path)
{
    return store.removeIf([&](const Entry& e) { return e.path == path; }) > 0;
}

const QString* Find(const Store& store, const QString& path)
{
    for (const Entry& e : store)
        if (e.path == path)
            return &e.value;
    return nullptr;
}

void Set(Store& store, const QString& path, const QString& value)
{
    for (Entry& e : store)
        if (e.path == path) {
            e.value = value;
            return;
        }
    store.append(Entry{path, value});
}

// ---------------------------------------------------------------------------
// Files

namespace {

struct Pending {
    Store store;
    bool changed = false;
};

struct State {
    int updateDepth = 0;
    std::map<QString, Pending> pending;   // the files an open update has read or changed
    QSet<QString> refused;                // damaged files of which no copy could be kept
    QSet<QString> reported;               // damaged files already listed (name and content)
    QList<TDamagedFile> damaged;          // listed and not yet taken
};

State& state()
{
    static State s;
    return s;
}

std::string nativeName(const QString& file)
{
    return QFile::encodeName(file).toStdString();
}

void writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    try {
        WriteFileReplacing(nativeName(file), std::string_view(bytes.constData(), size_t(bytes.size())));
    } catch (const Exception& e) {
        throw ERegistryException(e.what());
    }
}

// Keeps the damaged bytes beside the file; the copy's name, or "" when no
// copy could be written.
QString keepCopy(const QString& file, const QByteArray& bytes)
{
    for (int n = 1; n < 1000; ++n) {
        const QString copy = file + QStringLiteral(".damaged") + (n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        QFile existing(copy);
        if (existing.exists()) {
            if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
                return copy;   // this very damage was kept before
            continue;
        }
        try {
            writeFile(copy, bytes);
            return copy;
        } catch (const ERegistryException&) {
            return QString();
        }
    }
    return QString();
}

Store readFile(const QString& file)
{
    QFile f(file);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly)) {
        // Unreadable: it reads as empty and is not written over.
        state().refused.insert(file);
        return {};
    }
    const QByteArray bytes = f.readAll();
    bool damaged = false;
    Store store = Parse(bytes, &damaged);
    if (!damaged)
        return store;

    // Damaged: a copy first, then the readable part written back, so the
    // file is whole again and nothing is lost.
    State& s = state();
    const QString copy = keepCopy(file, bytes);
    if (copy.isEmpty()) {
        s.refused.insert(file);
    } else {
        s.refused.remove(file);
        try {
            writeFile(file, Serialize(store));
        } catch (const ERegistryException&) {
            // Written at the next change; the copy is kept already.
        }
    }
    const QString seen = file + QLatin1Char('\n') + QString::number(qHash(bytes));
    if (!s.reported.contains(seen)) {
        s.reported.insert(seen);
        s.damaged.append(TDamagedFile{file, copy});
    }
    return store;
}

}  // namespace

Store Load(const QString& file)
{
    State& s = state();
    if (s.updateDepth > 0) {
        auto it = s.pending.find(file);
        if (it != s.pending.end())
            return it->second.store;
    }
    Store store = readFile(file);
    if (s.updateDepth > 0)
        s.pending[file] = Pending{store, false};
    return store;
}

void Save(const QString& file, const Store& store)
{
    State& s = state();
    if (s.refused.contains(file))
        throw ERegistryException("The settings file \"" + file.toStdString()
                                 + "\" could not be read whole and no copy of it could be kept; it is left as it is");
    if (s.updateDepth > 0) {
        s.pending[file] = Pending{store, true};
        return;
    }
    writeFile(file, Serialize(store));
}

}  // namespace ini

// ---------------------------------------------------------------------------
// Updates and the damage report

TRegistryUpdate::TRegistryUpdate()
{
    ++ini::state().updateDepth;
}

TRegistryUpdate::~TRegistryUpdate()
{
    if (!FDone)
        End(false);
}

void TRegistryUpdate::Commit()
{
    if (!FDone)
        End(true);
}

void TRegistryUpdate::End(bool write)
{
    FDone = true;
    ini::State& s = ini::state();
    if (--s.updateDepth > 0)
        return;
    std::map<QString, ini::Pending> files;
    files.swap(s.pending);
    if (!write)
        return;
    QString failure;
    for (const auto& [file, pending] : files) {
        if (!pending.changed)
            continue;
        try {
            ini::writeFile(file, ini::Serialize(pending.store));
        } catch (const ERegistryException& e) {
            if (failure.isEmpty())
                failure = QString::fromUtf8(e.what());
        }
    }
    if (!failure.isEmpty())
        throw ERegistryException(failure.toStdString());
}

QList<TDamagedFile> TakeDamagedFiles()
{
    QList<TDamagedFile> out;
    out.swap(ini::state().damaged);
    return out;
}

}  // namespace platform::registry
