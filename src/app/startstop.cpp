#include "app/startstop.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "app/processend.h"
#include "config/eventsettings.h"
#include "config/filename.h"
#include "config/inifile.h"
#include "config/inirw.h"
#include "config/settingslocation.h"
#include "monitor/eventprograms.h"
#include "session/exitstatus.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"
#include "ui/presenceview.h"

namespace {

// The system's short date, with a four-digit year where the locale gives two.
QString shortDate(const QDate &date)
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return QLocale().toString(date, format);
}

// The executable's file name without folder and without ".exe".
QString exeName(const QString &exePath)
{
    QString name = QFileInfo(exePath).fileName();
    if (name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return name;
}

// True when anything at all stands at the path, even what is no readable file (a
// folder, a dangling link): that is not a missing settings file to be created anew.
bool occupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Writes the header of a new settings file, readable by its owner only (it will hold
// the password). Written to a temporary file and renamed, so a failure leaves nothing.
bool createSettingsFile(const QString &path, const QString &exe, QString *reason)
{
    const QString header = QStringLiteral("Diese Ini-Datei wurde am ") + shortDate(QDate::currentDate()) +
                           QStringLiteral(" von \r\n'") + exe +
                           QStringLiteral(".exe' automatisch generiert.\r\n\r\n");
    return INIRW::writeWholeFile(path, header.toLatin1(), reason);
}

} // namespace

namespace StartStop {

frmMonitor *Main(const QString &exePath, const QString &commandLine, std::shared_ptr<SessionClock> clock)
{
    const QString name = fFileNameNoExt(QFileInfo(exePath).fileName()) + QStringLiteral(".INI");
    const SettingsLocation location = fSettingsLocation(exePath, name);
    const QString reported = location.folder;
    QString folder = reported;
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();

    bool newFile = false;
    if (!fFileExists(folder + name) && !occupied(folder + name)) {
        const QString question = QStringLiteral("Die Ini-Datei '") + name +
                                 QStringLiteral("' konnte im Programmverzeichnis\r\n") + reported +
                                 QStringLiteral("\r\nnicht gefunden werden.\r\n\r\nSoll automatisch "
                                                "eine neue Ini-Datei angelegt werden ?");
        if (Dialogs::askYesNo(QStringLiteral("Fehler beim Lesen der Ini-Datei"), question) !=
            Dialogs::Answer::Yes) {
            ProcessEnd::endProcess(ExitStatus::Ok);
            return nullptr;
        }
        if (location.userConfig) // a failure here shows as the file's own failure below
            fMakeSettingsFolder(reported);
        QString reason;
        if (!createSettingsFile(folder + name, exeName(exePath), &reason)) {
            Dialogs::critical(QStringLiteral("Fehler beim Anlegen der Ini-Datei"),
                              QStringLiteral("Die Ini-Datei\r\n") + folder + name +
                                  QStringLiteral("\r\nkonnte nicht angelegt werden:\r\n") + reason);
            ProcessEnd::endProcess(ExitStatus::SaveFailed);
            return nullptr;
        }
        newFile = true;
    }

    const QString path = folder + name;
    auto *w = new frmMonitor(nullptr, std::move(clock));
    Dialogs::setParentWidget(w);
    attach(*w, path);
    w->setCommandLine(commandLine);
    w->Form_Load();
    IniFile ini;
    Settings settings;
    const bool read = ini.load(path, settings);
    w->applySettings(settings);
    w->presence().load(path); // watch list, days kept, the presence window's place
    // The program run on presence events: a section of its own that the window does not edit.
    EventSettings events;
    if (read && EventSettings::load(path, &events, nullptr))
        w->stationMonitor().programs().setProgram(events.program);
    if (!read) {
        Dialogs::critical(
            QStringLiteral("Fehler beim Lesen der Ini-Datei"),
            QStringLiteral("Die Ini-Datei\r\n") + path +
                QStringLiteral("\r\nkonnte nicht gelesen werden:\r\n") + ini.errorText() +
                QStringLiteral("\r\n\r\nDas Programm startet mit den Standardeinstellungen. Beim "
                               "Beenden bleibt die Datei unverändert."));
    }
    if (newFile && !ini.Save(path, w->collectSettings())) {
        Dialogs::critical(QStringLiteral("Fehler beim Schreiben der Ini-Datei"),
                          QStringLiteral("Die Ini-Datei\r\n") + path +
                              QStringLiteral("\r\nkonnte nicht geschrieben werden:\r\n") + ini.errorText());
    }
    w->show();
    return w;
}

void attach(frmMonitor &w, const QString &settingsFile)
{
    w.setSettingsFolder(QFileInfo(settingsFile).absolutePath());
    QObject::connect(&w, &frmMonitor::endRequested, &w,
                     [&w, settingsFile](ExitStatus status, const QString &reason) {
                         if (reason.isEmpty()) {
                             ProgrammEnde(w, settingsFile);
                             return;
                         }
                         ProcessEnd::printError(reason);
                         w.Unload();
                         ProcessEnd::endProcess(status);
                     });
}

void ProgrammEnde(frmMonitor &w, const QString &settingsFile)
{
    IniFile ini;
    ExitStatus status = ExitStatus::Ok;
    QString why;
    // Then the watch list, the days kept and the presence window's place, sections of their own.
    if (!ini.Save(settingsFile, w.collectSettings()) ? (why = ini.errorText(), true)
                                                     : !w.presence().save(settingsFile, &why)) {
        // The old file is left intact; say so rather than end silently.
        Dialogs::critical(QStringLiteral("Fehler beim Schreiben der Ini-Datei"),
                          QStringLiteral("Die Einstellungen konnten nicht in\r\n") + settingsFile +
                              QStringLiteral("\r\ngespeichert werden:\r\n") + why);
        status = ExitStatus::SaveFailed;
    }
    w.Unload();
    ProcessEnd::endProcess(status);
}

} // namespace StartStop
