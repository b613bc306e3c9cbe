#pragma once
// The main windows' settings in the per-user store: stored in one piece at
// close, and a damaged settings file reported once at start.

#include <QList>
#include <QString>

#include "FormPlacement.h"
#include "RecentFiles.h"
#include "Registry.h"

class QWidget;

namespace gui {

// Writes the window placement and the recent-file list (in the subkey
// recentKeyName of the window's key) as one change of the program's settings
// file: a program killed meanwhile leaves both as they were or both new,
// never a partial list.  Raises ERegistryException when the file cannot be
// written.
void StoreWindowSettings(const TFormStorage& storage, const TWindowPlacement& placement, const TMRUManager& recent,
                         const QString& recentKeyName);

// Start-up, once the main window is shown: reads the program's settings
// file and, when it or another settings file was found damaged, tells the
// user in one warning which file it was and where the damaged copy was kept.
// Shows nothing otherwise.
void ReportDamagedSettings(const QString& programFileName, QWidget* parent = nullptr);

// The text of that warning for the damaged files (empty when none).
QString DamagedSettingsMessage(const QList<platform::registry::TDamagedFile>& files);

}  // namespace gui
