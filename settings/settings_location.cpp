#include "settings_location.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Tried, not judged from permission bits: root, Windows access lists and
// read-only mounts make the bits lie. The probe leaves nothing behind.
bool canWrite(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists()) {
        QFile file(path);
        return info.isFile() && file.open(QIODevice::ReadWrite);
    }
    QTemporaryFile probe(path + QStringLiteral(".XXXXXX"));
    return probe.open();
}

} // namespace

SettingsFiles chooseSettingsFiles(const QString &appDirPath)
{
    const QString beside = appDirPath + QStringLiteral("/config.ini");
    if (canWrite(beside))
        return {beside, beside};
    // ~/.config/orvane on Linux (or under XDG_CONFIG_HOME), %LOCALAPPDATA%\Orvane on Windows
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QStringLiteral("/config.ini");
    const bool presetOnly = !QFileInfo::exists(own) && QFileInfo::exists(beside);
    return {presetOnly ? beside : own, own};
}
