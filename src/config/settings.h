#pragma once

#include <QRect>
#include <QString>

#include <optional>

#include "config/alertsettings.h"
#include "config/knownclients.h"

// Everything the settings file keeps, as one value: the loader fills it, the window
// applies it at start and collects it again for the save at the end. A default-built
// value is what a file without any key reads as.
struct Settings
{
    // Window state (0 normal, 1 minimized, 2 maximized) and the normal-state outer
    // bounds in twips. The save writes the bounds only in the normal state and only
    // where they fit 16 bits.
    int windowState = 0;
    int left = 0;
    int top = 0;
    int height = 4230;
    int width = 6600;

    QString ip = QStringLiteral("192.168.0.1");
    QString user = QStringLiteral("(kein Eintrag)");
    QString password = QStringLiteral("(kein Eintrag)");
    QString pollCycle = QStringLiteral("2"); // as typed: the text, not a number

    // Check-box values: 0 unchecked, 1 checked, 2 greyed; only 1 counts.
    int saveUser = 0;
    int savePassword = 0;
    int showPassword = 0; // written, never read back: the fields start masked
    int knownOnly = 0;
    int logHistory = 0; // the CSV log of the signal history
    // The history's own window in twips: its frame's top left corner and the size of its
    // inside (frames differ between desktops, so it does not grow from start to start).
    // Known, and written, once the window has been open.
    std::optional<QRect> historyWindow;

    // The number of records the file claimed (never below 0), and the records. The
    // loaded list has at least the empty record 1; the save writes every record of the
    // list and the count from the list, not from recordCount.
    qint16 recordCount = 0;
    KnownClients clients;

    // Section [Benachrichtigungen]: desktop alerts and the tray.
    AlertSettings alerts;

    bool operator==(const Settings &) const = default;
};
