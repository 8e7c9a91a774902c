#pragma once

#include <QString>

// Every key of the settings file in one place: its section, its name and the value a
// missing key reads as. Load and save both go through these definitions, so a key is
// spelled once. Section and key names are part of the file format: never rename them.
struct SettingKey
{
    const char *section;
    const char *name;
    const char *fallback; // what a missing key reads as

    QString sectionName() const { return QString::fromLatin1(section); }
    QString keyName() const { return QString::fromLatin1(name); }
    // Record keys are numbered: "MAC-Adr.1", "Name 1", ...
    QString keyName(int record) const { return keyName() + QString::number(record); }
    QString fallbackText() const { return QString::fromLatin1(fallback); }
};

namespace SettingKeys {

inline constexpr const char *kPrgWindow = "PrgWindow";
inline constexpr const char *kServer = "Server";
inline constexpr const char *kUser = "User";
inline constexpr const char *kClients = "bekannte MAC-Adressen";
inline constexpr const char *kAlerts = "Benachrichtigungen";
inline constexpr const char *kHistoryWindow = "Verlaufsfenster";
inline constexpr const char *kEvents = "Ereignisse";
inline constexpr const char *kMqtt = "MQTT";
// What a missing text key reads as.
inline constexpr const char *kNoEntry = "(kein Eintrag)";

// Window state and normal-state bounds in twips.
inline constexpr SettingKey WindowState{kPrgWindow, "WindowState", "0"};
inline constexpr SettingKey Left{kPrgWindow, "left", "0"};
inline constexpr SettingKey Top{kPrgWindow, "top", "0"};
inline constexpr SettingKey Height{kPrgWindow, "height", "4230"};
inline constexpr SettingKey Width{kPrgWindow, "width", "6600"};

inline constexpr SettingKey IP{kServer, "IP", "192.168.0.1"};

inline constexpr SettingKey UserName{kUser, "Name", kNoEntry};
inline constexpr SettingKey Password{kUser, "Passwort", kNoEntry};
inline constexpr SettingKey PollCycle{kUser, "Polling Zyklus in Sekunden", "2"};
inline constexpr SettingKey SaveUser{kUser, "Benutzername speichern", "0"};
inline constexpr SettingKey SavePassword{kUser, "Passwort speichern", "0"};
// Written but never read back: the password is never shown at start.
inline constexpr SettingKey ShowPassword{kUser, "Passwort anzeigen", "0"};
// Added after the designed keys: "1" writes the signal history to CSV files; files
// from before it read as off.
inline constexpr SettingKey LogHistory{kUser, "Verlauf protokollieren", "0"};

inline constexpr SettingKey KnownOnly{kClients, "nur bekannte Clients", "0"};
inline constexpr SettingKey RecordCount{kClients, "Anzahl", "0"};
inline constexpr SettingKey RecordMac{kClients, "MAC-Adr.", kNoEntry};
inline constexpr SettingKey RecordName{kClients, "Name ", kNoEntry};
inline constexpr SettingKey RecordIP{kClients, "IP-Adresse ", kNoEntry};
inline constexpr SettingKey RecordIsAP{kClients, "ist_AP ", kNoEntry};

// Desktop alerts, a section of their own added after the designed keys. Each key is
// written only once its value differs from the fallback, so older files stay as they were.
inline constexpr SettingKey AlertStationLeft{kAlerts, "Station getrennt", "1"};
inline constexpr SettingKey AlertStranger{kAlerts, "unbekannte Station", "1"};
inline constexpr SettingKey AlertWeakSignal{kAlerts, "schwaches Signal", "1"};
inline constexpr SettingKey AlertAccessPoint{kAlerts, "Access Point antwortet nicht", "1"};
inline constexpr SettingKey AlertGraceSeconds{kAlerts, "Karenzzeit in Sekunden", "60"};
inline constexpr SettingKey AlertThreshold{kAlerts, "Schwelle in Prozent", "20"};
inline constexpr SettingKey AlertWeakCount{kAlerts, "Auswertungen in Folge", "3"};
// "1": minimizing the window hides it to the tray (where the desktop has one).
inline constexpr SettingKey AlertTray{kAlerts, "beim Minimieren in den Infobereich", "0"};

// The history's own window, a section of its own written once the window has been
// open: its place and size in twips (see Settings::historyWindow).
inline constexpr SettingKey HistoryWindowLeft{kHistoryWindow, "left", "0"};
inline constexpr SettingKey HistoryWindowTop{kHistoryWindow, "top", "0"};
inline constexpr SettingKey HistoryWindowWidth{kHistoryWindow, "width", "0"};
inline constexpr SettingKey HistoryWindowHeight{kHistoryWindow, "height", "0"};

// The program run on presence events, a section of its own (see EventSettings); missing
// or empty: no program.
inline constexpr SettingKey EventProgram{kEvents, "Programm", ""};
// The exporter's MQTT publisher, a section of its own that only the exporter reads:
// without a server the section is off (see MqttSettings).
inline constexpr SettingKey MqttServer{kMqtt, "Server", ""};
inline constexpr SettingKey MqttPort{kMqtt, "Port", "1883"};
inline constexpr SettingKey MqttUser{kMqtt, "Benutzer", ""};
inline constexpr SettingKey MqttPassword{kMqtt, "Passwort", ""};
inline constexpr SettingKey MqttCaFile{kMqtt, "CA-Datei", ""};
inline constexpr SettingKey MqttAllStations{kMqtt, "alle Stationen", "0"};
inline constexpr SettingKey MqttKeepAlive{kMqtt, "Keepalive", "60"};

} // namespace SettingKeys
