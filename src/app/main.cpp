#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <memory>

#include "app/dialogs.h"
#include "app/startstop.h"
#include "monitor/allgemein.h"
#include "session/cmdline.h"
#include "ui/frmMonitor.h"

namespace {

void printError(const QString &text)
{
    const QByteArray line = (QStringLiteral("Senvaro: ") + text + QLatin1Char('\n')).toLocal8Bit();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

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

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QString commandLine = args.join(QChar(' '));

    // A one-shot action needs no person and no screen: run it on the offscreen platform.
    // Anything else is the interactive window, which cannot work without a display.
    const bool headless = noDisplay();
    if (headless) {
        if (!evaluateParameters(commandLine).mode) {
            printError(QStringLiteral(
                "keine grafische Anzeige gefunden (weder DISPLAY noch WAYLAND_DISPLAY gesetzt). "
                "Ohne Anzeige führt Senvaro nur einen Befehl aus, z. B. /192.168.0.50/R, "
                "/192.168.0.50/ETH0 oder /192.168.0.50/ETH1."));
            return OneShotStatus::NoDisplay;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QTranslator qtGerman;
    if (qtGerman.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);
    setFieldYield([] { QCoreApplication::processEvents(); });

    if (headless) {
        // Nobody can answer a question here: the first-start question would wait forever,
        // and any other box is written to stderr and answered negatively.
        const QFileInfo exe(QCoreApplication::applicationFilePath());
        const QString ini =
            QDir(exe.absolutePath()).filePath(fFileNameNoExt(exe.fileName()) + QStringLiteral(".INI"));
        if (!fFileExists(ini)) {
            printError(QStringLiteral("Ini-Datei ") + QDir::toNativeSeparators(ini) +
                       QStringLiteral(" nicht gefunden; ohne Anzeige kann sie nicht angelegt werden. Senvaro "
                                      "einmal mit Anzeige starten oder die Datei anlegen."));
            return OneShotStatus::NoSettingsFile;
        }
        Dialogs::setHandler([](const Dialogs::Request &r) {
            printError(r.title + QStringLiteral(": ") +
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
