#pragma once

#include <QString>

// Where the settings file of one copy of the program lives.
struct SettingsLocation
{
    QString folder;          // with native separators, without a trailing separator (except the root)
    bool userConfig = false; // the user's configuration folder, which the first start may have to create
};

// A file beside the executable is always used (a portable copy). Otherwise an installed
// copy, one whose folder has the installed desktop entry at ../share/applications/, keeps
// its file in "senvaro" under the user's configuration folder ($XDG_CONFIG_HOME when it
// is an absolute path, else ~/.config); any other copy keeps it beside the executable.
SettingsLocation fSettingsLocation(const QString &exePath, const QString &iniName);

// File name of the desktop entry that an installation puts into share/applications.
QString fDesktopEntryName();

// The user's configuration folder for this program's settings (see above).
QString fUserSettingsFolder();

// Creates the configuration folder, the last level readable by its owner only (the file
// may hold the password). True when the folder exists afterwards.
bool fMakeSettingsFolder(const QString &folder);
