#pragma once
// Registration of the program's document types with the system shell.
//
// For each listed extension X (".ATP", with its dot) the classes-root store
// receives, when it has no key X at all:
//   X                          default value  K = X without its dot + "QVExtReg"
//   K                          default value  the description (E + " file" without one)
//   K\DefaultIcon              default value  program path + "," + icon index
//                                             (the path alone when the index is empty)
//   K\Shell\open\command       default value  program path + " %1" (unquoted)
// An existing key X, whatever it holds, is left alone: an association of
// another program stays.
//
// The Linux desktop does not read that store, so the same registration is
// also made for it: a MIME type for the extension and a desktop entry for the
// program in the user's data folder (see DesktopRegistration.h).

#include <QString>
#include <QStringList>

namespace VelorTime {

class TQVRegisterFileExt {
public:
    TQVRegisterFileExt() = default;

    // One item per description; item i belongs to item i of Extensions.
    QStringList Descriptions;
    // "extension=icon index" items, the extension with its dot (".ATP=1").
    QStringList Extensions;

    // True when the classes-root key X exists and its default value equals
    // X without its first character followed by "QVExtReg" (letter case ignored).
    static bool IsExtRegistered(const QString& ext);

    // Registers every listed extension that has no key yet.  Raises the
    // registry layer's error when the store cannot be written.
    void RegisterExtensions();

    // Full path of the running program file; tests may set another.
    static QString ProgramPath();
    static void SetProgramPath(const QString& path);   // empty: the running program's
};

}  // namespace VelorTime
