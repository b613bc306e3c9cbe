#include "FileNames.h"

#include <QFile>

#include <algorithm>

namespace gui {

qsizetype ExtensionStart(const QString& Name)
{
    const qsizetype Dot = Name.lastIndexOf(QLatin1Char('.'));
    const qsizetype Sep = std::max(Name.lastIndexOf(QLatin1Char('/')), Name.lastIndexOf(QLatin1Char('\\')));
    return Dot > Sep ? Dot : -1;
}

QString ChangeFileExt(const QString& Name, const QString& Ext)
{
    const qsizetype At = ExtensionStart(Name);
    return (At < 0 ? Name : Name.left(At)) + Ext;
}

std::string LocalPath(const QString& Name)
{
    return QFile::encodeName(Name).toStdString();
}

}  // namespace gui
