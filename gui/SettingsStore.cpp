#include "SettingsStore.h"

#include <QDir>

#include "Dialogs.h"
#include "Registry.h"

namespace gui {

using platform::registry::TDamagedFile;
using platform::registry::TRegistryUpdate;

void StoreWindowSettings(const TFormStorage& storage, const TWindowPlacement& placement, const TMRUManager& recent,
                         const QString& recentKeyName)
{
    TRegistryUpdate update;
    storage.WritePlacement(placement);
    recent.SaveToRegistry(storage.SubKeyPath(recentKeyName));
    update.Commit();
}

QString DamagedSettingsMessage(const QList<TDamagedFile>& files)
{
    QStringList parts;
    for (const TDamagedFile& f : files) {
        const QString file = QDir::toNativeSeparators(f.file);
        if (f.copy.isEmpty())
            parts << QStringLiteral("The settings file \"%1\" is damaged, and no copy of it could be kept beside it. "
                                    "The settings that could still be read are used, but none will be saved until "
                                    "the file is mended or removed.")
                         .arg(file);
        else
            parts << QStringLiteral("The settings file \"%1\" was damaged. The settings that could still be read are "
                                    "used; the damaged file was kept as \"%2\".")
                         .arg(file, QDir::toNativeSeparators(f.copy));
    }
    return parts.join(QStringLiteral("\r\n\r\n"));
}

void ReportDamagedSettings(const QString& programFileName, QWidget* parent)
{
    platform::registry::CheckProgramStore(programFileName);
    const QString message = DamagedSettingsMessage(platform::registry::TakeDamagedFiles());
    if (!message.isEmpty())
        MessageDlg(message, MsgDlgType::Warning, mbOK, parent);
}

}  // namespace gui
