#include "config/settingslocation.h"

#include <QDir>
#include <QFileInfo>

#include "config/filename.h"

#ifndef SENVARO_DESKTOP_ENTRY
#error "SENVARO_DESKTOP_ENTRY (the installed desktop entry's file name) comes from CMakeLists.txt"
#endif

namespace {

QString nativeFolder(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

} // namespace

QString fDesktopEntryName()
{
    return QStringLiteral(SENVARO_DESKTOP_ENTRY);
}

QString fUserSettingsFolder()
{
    // A relative XDG_CONFIG_HOME is invalid by the XDG rules and is ignored.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return nativeFolder(base + QStringLiteral("/senvaro"));
}

SettingsLocation fSettingsLocation(const QString &exePath, const QString &iniName)
{
    const QString exeFolder = QFileInfo(exePath).absolutePath();
    SettingsLocation beside{nativeFolder(exeFolder), false};
    if (fFileExists(QDir(exeFolder).filePath(iniName)))
        return beside;
    const QString entry =
        QDir(exeFolder).filePath(QStringLiteral("../share/applications/") + fDesktopEntryName());
    if (QFileInfo(entry).isFile())
        return {fUserSettingsFolder(), true};
    return beside;
}

bool fMakeSettingsFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    return QDir().mkdir(info.absoluteFilePath(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
