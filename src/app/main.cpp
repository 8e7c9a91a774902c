#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/processend.h"
#include "app/startstop.h"
#include "base/allgemein.h"
#include "config/inirw.h"
#include "config/settingslocation.h"
#include "session/cmdline.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"

namespace {

// On X11/Wayland systems a start from a script or a cron job often has no display.
// Qt would abort there; without an explicit platform choice we look first.
bool noDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           !qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
#else
    return false;
#endif
}

// The settings file this copy uses (needs the application object for its own path).
QString settingsFilePath()
{
    const QString exe = QCoreApplication::applicationFilePath();
    const QString name = fFileNameNoExt(QFileInfo(exe).fileName()) + QStringLiteral(".INI");
    return QDir(fSettingsLocation(exe, name).folder).filePath(name);
}

QString usageText(const QString &ini)
{
    return QStringLiteral(
               "Aufruf: senvaro [/IP-Adresse/Aktion]\n"
               "\n"
               "Ohne Argument öffnet Senvaro sein Fenster. Ein Argument aus Feldern, die durch \"/\"\n"
               "getrennt sind, verlangt eine Aktion: Senvaro meldet sich mit Benutzername und\n"
               "Passwort aus der Ini-Datei am Access Point an, sendet sie und beendet sich.\n"
               "  senvaro /192.168.0.50/R      Access Point neu starten (reboot)\n"
               "  senvaro /192.168.0.50/ETH0   \"set eth2sta disable\" senden\n"
               "  senvaro /192.168.0.50/ETH1   \"set eth2sta enable\" senden\n"
               "Ohne grafische Anzeige läuft eine Aktion ohne Fenster; die Ini-Datei muss dann\n"
               "schon vorhanden sein.\n"
               "  -h, --help, /?   diesen Text zeigen\n"
               "  --version        die Version zeigen\n"
               "\n"
               "Exit-Status:\n"
               "  0  die Aktion wurde gesendet (oder der Access Point meldet \"Rebooting\")\n"
               "  1  die Ini-Datei konnte nicht angelegt oder gespeichert werden\n"
               "  2  keine Verbindung innerhalb von 30 s (oder keine gültige Adresse)\n"
               "  3  der Access Point hat die Anmeldung abgelehnt\n"
               "  4  keine Anzeige und keine Ini-Datei\n"
               "  5  keine Anzeige und keine Aktion auf der Kommandozeile\n"
               "  6  die Verbindung endete vor dem Ende des Laufs (vor oder kurz nach der Aktion)\n"
               "  7  der Access Point hat nach dem Verbindungsaufbau nichts gesendet\n"
               "\n"
               "Ini-Datei: liegt sie neben dem Programm, gilt sie dort. Sonst hält eine\n"
               "installierte Kopie sie in $XDG_CONFIG_HOME/senvaro/ (ohne XDG_CONFIG_HOME in\n"
               "~/.config/senvaro/), jede andere Kopie neben dem Programm. Für diese Kopie:\n") +
           QDir::toNativeSeparators(ini) + QLatin1Char('\n');
}

// SENVARO_EXIT_WHEN_SHOWN=1, for bench/measure_start.sh: once a window is first painted,
// print "shown EPOCH_MS rss_kb N hwm_kb N" (wall clock, resident and peak memory) and end
// at once, before anything is saved; without the variable nothing is installed.
class ExitWhenShown : public QObject
{
protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Paint || !o->isWidgetType() || !static_cast<QWidget *>(o)->isWindow())
            return false;
        QCoreApplication::instance()->removeEventFilter(this);
        QTimer::singleShot(0, [] { // after the whole window is drawn
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            QFile status(QStringLiteral("/proc/self/status"));
            const QList<QByteArray> lines =
                status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QList<QByteArray>();
            const auto kb = [&](const char *key) {
                for (const QByteArray &line : lines)
                    if (line.startsWith(key))
                        return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
                return 0LL;
            };
            std::printf("shown %lld rss_kb %lld hwm_kb %lld\n", now, kb("VmRSS:"), kb("VmHWM:"));
            std::fflush(stdout);
            std::_Exit(0);
        });
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // Usage and version need neither a display nor a window; any other argument keeps
    // its meaning as an action request.
    const QString only = args.size() == 1 ? args[0] : QString();
    const bool version = only == QLatin1String("--version");
    if (version || only == QLatin1String("--help") || only == QLatin1String("-h") ||
        only == QLatin1String("/?")) {
        QCoreApplication core(argc, argv);
        const QString text =
            version ? QStringLiteral("Senvaro " SENVARO_VERSION "\n") : usageText(settingsFilePath());
        std::fputs(text.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        return 0;
    }
    const QString commandLine = args.join(QChar(' '));

    // A one-shot action needs no person and no screen: run it on the offscreen platform.
    // Anything else is the interactive window, which cannot work without a display.
    const bool headless = noDisplay();
    if (headless) {
        if (!evaluateParameters(commandLine).mode) {
            ProcessEnd::printError(QStringLiteral(
                "keine grafische Anzeige gefunden (weder DISPLAY noch WAYLAND_DISPLAY gesetzt). "
                "Ohne Anzeige führt Senvaro nur einen Befehl aus, z. B. /192.168.0.50/R, "
                "/192.168.0.50/ETH0 oder /192.168.0.50/ETH1."));
            return exitCode(ExitStatus::NoDisplay);
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    ExitWhenShown exitWhenShown;
    if (qEnvironmentVariable("SENVARO_EXIT_WHEN_SHOWN") == QLatin1String("1"))
        app.installEventFilter(&exitWhenShown);
    QGuiApplication::setDesktopFileName(QStringLiteral(SENVARO_APP_ID)); // Wayland finds the icon by it
    QTranslator qtGerman;
    if (qtGerman.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    INIRW::setReporter([](const QString &title, const QString &text) { Dialogs::critical(title, text); });

    if (headless) {
        // Nobody can answer a question here: the first-start question would wait forever,
        // and any other box is written to stderr and answered negatively.
        const QString ini = settingsFilePath();
        if (!fFileExists(ini)) {
            ProcessEnd::printError(
                QStringLiteral("Ini-Datei ") + QDir::toNativeSeparators(ini) +
                QStringLiteral(" nicht gefunden; ohne Anzeige kann sie nicht angelegt werden. Senvaro "
                               "einmal mit Anzeige starten oder die Datei anlegen."));
            return exitCode(ExitStatus::NoSettingsFile);
        }
        Dialogs::setHandler([](const Dialogs::Request &r) {
            ProcessEnd::printError(r.title + QStringLiteral(": ") +
                                   QString(r.text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
            return Dialogs::negativeAnswer(r.buttons);
        });
    }

    std::unique_ptr<frmMonitor> window(StartStop::Main(QCoreApplication::applicationFilePath(), commandLine));
    if (!window)
        return 0;
    // The end of a one-shot action unloads the window; the loop then ends because the
    // last window closed, and that is a success.
    return app.exec();
}
