#include "DesktopRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "FileUtils.h"
#include "SysUtils.h"

namespace platform::registry {

namespace {

[[noreturn]] void fail(const QString& what, const QString& path)
{
    throw EDesktopRegistration(QStringLiteral("Cannot write %1 \"%2\"").arg(what, QDir::toNativeSeparators(path)).toStdString());
}

void writeWhole(const QString& path, const QByteArray& data, const QString& what)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        fail(what, path);
    // The model's safe writer: never half-written, nothing left by a crash.
    try {
        WriteFileReplacing(QFile::encodeName(path).toStdString(), std::string_view(data.constData(), size_t(data.size())));
    } catch (const Exception&) {
        fail(what, path);
    }
}

QString xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// A desktop-entry string value: backslash, newline, tab and CR escaped.
QString entryString(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

// Runs a cache tool on a folder when the tool is installed; its failure
// leaves the files in place for the desktop's own refresh.
void refresh(const QString& tool, const QString& folder)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, {folder});
    p.waitForFinished(30000);
}

}  // namespace

QString DesktopDataFolder()
{
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env))
        return QDir::cleanPath(env);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/share"));
}

QString DesktopMimeType(const QString& programName, const QString& extension)
{
    QString ext = extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
    return QStringLiteral("application/x-%1-%2").arg(programName.toLower(), ext.toLower());
}

QString DesktopEntryName(const QString& programName)
{
    return programName.toLower() + QStringLiteral(".desktop");
}

QString DesktopExecLine(const QString& programPath)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : programPath)
        if (reserved.contains(c))
            quote = true;
    QString arg;
    if (quote) {
        arg = QStringLiteral("\"");
        for (const QChar c : programPath) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = programPath;
    }
    // A literal percent sign is written doubled.
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return arg + QStringLiteral(" %f");
}

void RegisterDesktopFileType(const QString& programName, const QString& displayName, const QString& programPath,
                             const DesktopFileType& type)
{
    const QString data = DesktopDataFolder();
    const QString mimeType = DesktopMimeType(programName, type.extension);
    const QString ext = type.extension.startsWith(QLatin1Char('.')) ? type.extension.mid(1) : type.extension;

    // The MIME type.
    const QString package = QStringLiteral("%1/mime/packages/%2-%3.xml").arg(data, programName.toLower(), ext.toLower());
    const QString xml = QStringLiteral(
                            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                            "  <mime-type type=\"%1\">\n"
                            "    <comment>%2</comment>\n"
                            "    <glob pattern=\"*.%3\"/>\n"
                            "  </mime-type>\n"
                            "</mime-info>\n")
                            .arg(xmlEscaped(mimeType), xmlEscaped(type.description), xmlEscaped(ext));
    writeWhole(package, xml.toUtf8(), QStringLiteral("the MIME type"));

    // The application entry; types it already lists stay.
    const QString entry = QStringLiteral("%1/applications/%2").arg(data, DesktopEntryName(programName));
    QStringList types;
    QFile old(entry);
    if (old.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : old.readAll().split('\n'))
            if (line.startsWith("MimeType="))
                for (const QString& t : QString::fromUtf8(line.mid(9)).split(QLatin1Char(';'), Qt::SkipEmptyParts))
                    types << t.trimmed();
        old.close();
    }
    if (!types.contains(mimeType))
        types << mimeType;
    const QString desktop = QStringLiteral(
                                "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=%1\n"
                                "Exec=%2\n"
                                "Terminal=false\n"
                                "MimeType=%3;\n")
                                .arg(entryString(displayName), entryString(DesktopExecLine(programPath)),
                                     types.join(QLatin1Char(';')));
    writeWhole(entry, desktop.toUtf8(), QStringLiteral("the desktop entry"));

    refresh(QStringLiteral("update-mime-database"), data + QStringLiteral("/mime"));
    refresh(QStringLiteral("update-desktop-database"), data + QStringLiteral("/applications"));
}

}  // namespace platform::registry
