#pragma once
// The desktop side of a document-type registration.
//
// The classes-root store tells the other platform's shell which program opens
// a document type; a Linux desktop reads the freedesktop files instead.  For
// an extension this writes, below the user's data folder (XDG_DATA_HOME, by
// default ~/.local/share):
//   mime/packages/<program>-<ext>.xml   a MIME type "application/x-<program>-<ext>"
//                                       (lower case) with the glob "*.<EXT>"
//                                       (globs match without regard to case)
//   applications/<program>.desktop      an application entry whose Exec line
//                                       passes the document as one argument
//                                       (%f), so a path with blanks opens
// and then refreshes the MIME database and the desktop-entry cache of that
// folder with update-mime-database and update-desktop-database when they are
// installed.  Files are replaced through a temporary file, never half-written.

#include <QString>
#include <stdexcept>

namespace platform::registry {

class EDesktopRegistration : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DesktopFileType {
    QString extension;    // with its dot, as listed (".ATP")
    QString description;  // the type's comment ("AAS Time Program")
};

// The user's data folder: XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share.
QString DesktopDataFolder();

// "application/x-<program>-<extension without dot>", lower case.
QString DesktopMimeType(const QString& programName, const QString& extension);
// "<program lower case>.desktop"
QString DesktopEntryName(const QString& programName);
// The Exec value of the entry: the program path, quoted when it holds a
// character the desktop-entry rules reserve, followed by " %f".
QString DesktopExecLine(const QString& programPath);

// Writes the MIME type and the desktop entry (merging the type into an entry
// that lists others) and refreshes the caches.  Raises EDesktopRegistration
// naming the file that could not be written.
void RegisterDesktopFileType(const QString& programName, const QString& displayName,
                             const QString& programPath, const DesktopFileType& type);

}  // namespace platform::registry
