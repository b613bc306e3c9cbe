#pragma once
// File-name helpers shared by both programs.

#include <QString>
#include <string>

namespace gui {

// The extension of a name: from its last "." after the last path separator
// ("/" or "\"), the dot included; -1 when it has none.
qsizetype ExtensionStart(const QString& Name);

// The name with its extension replaced by Ext (which starts with its dot), or
// with Ext appended when the name has none.
QString ChangeFileExt(const QString& Name, const QString& Ext);

// The name in the file system's encoding, for the data model's file calls.
std::string LocalPath(const QString& Name);

}  // namespace gui
