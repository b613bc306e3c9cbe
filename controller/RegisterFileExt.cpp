#include "RegisterFileExt.h"

#include <QCoreApplication>
#include <QDir>

#include "DesktopRegistration.h"
#include "Registry.h"

namespace VelorTime {

using platform::registry::RootKey;
using platform::registry::TRegistry;

namespace {

QString& programPathOverride()
{
    static QString path;
    return path;
}

// "name=value" split at the first "="; a line without one has no name.
QString nameOf(const QString& item)
{
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : item.left(eq);
}

// The value of the first item with that name (letter case ignored).
QString valueOf(const QStringList& items, const QString& name)
{
    for (const QString& item : items)
        if (nameOf(item).compare(name, Qt::CaseInsensitive) == 0)
            return item.mid(item.indexOf(QLatin1Char('=')) + 1);
    return QString();
}

}  // namespace

QString TQVRegisterFileExt::ProgramPath()
{
    if (!programPathOverride().isEmpty())
        return programPathOverride();
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

void TQVRegisterFileExt::SetProgramPath(const QString& path)
{
    programPathOverride() = path;
}

bool TQVRegisterFileExt::IsExtRegistered(const QString& ext)
{
    TRegistry reg(RootKey::ClassesRoot);
    const QString key = QLatin1Char('\\') + ext;
    if (!reg.KeyExists(key))
        return false;
    if (!reg.OpenKey(key, false))
        return false;
    const QString value = reg.ReadString(QString());
    return value.toUpper() == (ext.mid(1) + QStringLiteral("QVExtReg")).toUpper();
}

void TQVRegisterFileExt::RegisterExtensions()
{
    const QString program = ProgramPath();
    for (qsizetype i = 0; i < Extensions.size(); ++i) {
        const QString x = nameOf(Extensions[i]);
        if (x.isEmpty())
            continue;
        const QString icon = valueOf(Extensions, x);
        const QString e = x.mid(1);
        const QString k = e + QStringLiteral("QVExtReg");

        TRegistry reg(RootKey::ClassesRoot);
        if (reg.KeyExists(QLatin1Char('\\') + x))
            continue;
        reg.OpenKey(QLatin1Char('\\') + x, true);
        reg.WriteString(QString(), k);
        reg.CloseKey();

        const QString description = i < Descriptions.size() ? Descriptions[i] : e + QStringLiteral(" file");
        reg.OpenKey(QLatin1Char('\\') + k, true);
        reg.WriteString(QString(), description);
        reg.OpenKey(QStringLiteral("DefaultIcon"), true);
        reg.WriteString(QString(), icon.isEmpty() ? program : program + QLatin1Char(',') + icon);
        reg.CloseKey();

        reg.OpenKey(QLatin1Char('\\') + k, true);
        reg.OpenKey(QStringLiteral("Shell"), true);
        reg.OpenKey(QStringLiteral("open"), true);
        reg.OpenKey(QStringLiteral("command"), true);
        reg.WriteString(QString(), program + QStringLiteral(" %1"));
        reg.CloseKey();

        // The same for the Linux desktop, which opens the document with the
        // program path and the document as one argument.
        platform::registry::RegisterDesktopFileType(QStringLiteral("VelorTime"), QStringLiteral("Velor Time"),
                                                    program, {x, description});
    }
}

}  // namespace VelorTime
