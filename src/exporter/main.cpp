// senvaro-exporter: watches every access point a settings file names and serves their
// stations to Prometheus. Headless: Qt Core, Network and HttpServer only.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServer>
#include <QTextStream>
#include <cstdio>

#include "config/pollcycle.h"
#include "config/settings.h"
#include "exporter/exporter.h"

namespace {

// Exit statuses, listed in the manual page.
constexpr int exitUsage = 2;    // bad options
constexpr int exitSettings = 3; // settings file unreadable or naming no access point
constexpr int exitOutput = 4;   // the address cannot be listened on, or the text file not written

constexpr quint16 defaultPort = 9847;

void say(const QString &line)
{
    QTextStream err(stderr);
    err << line << Qt::endl;
}

bool parseListen(const QString &text, QHostAddress *address, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint p = text.mid(colon + 1).toUInt(&ok);
    if (!ok || p > 65535 || !address->setAddress(host))
        return false;
    *port = quint16(p);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("senvaro-exporter"));
#ifdef SENVARO_VERSION
    QCoreApplication::setApplicationVersion(QStringLiteral(SENVARO_VERSION));
#endif

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Beobachtet alle Access Points einer Senvaro-Einstellungsdatei für Prometheus."));
    const QCommandLineOption settingsOpt(QStringLiteral("settings"),
                                         QStringLiteral("Einstellungsdatei (SENVARO.INI)."),
                                         QStringLiteral("DATEI"));
    const QCommandLineOption listenOpt(
        QStringLiteral("listen"),
        QStringLiteral("Adresse und Port für /metrics (Vorgabe 127.0.0.1:%1).").arg(defaultPort),
        QStringLiteral("ADRESSE:PORT"));
    const QCommandLineOption textfileOpt(QStringLiteral("textfile"),
                                         QStringLiteral("Schreibt nach jeder Runde ORDNER/senvaro.prom."),
                                         QStringLiteral("ORDNER"));
    parser.addOptions({settingsOpt, listenOpt, textfileOpt});
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(app.arguments())) {
        say(QStringLiteral("senvaro-exporter: %1 (Hilfe: --help)").arg(parser.errorText()));
        return exitUsage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("senvaro-exporter: unbekanntes Argument \"%1\" (Hilfe: --help)")
                .arg(parser.positionalArguments().first()));
        return exitUsage;
    }
    if (!parser.isSet(settingsOpt)) {
        say(QStringLiteral("senvaro-exporter: --settings DATEI fehlt (Hilfe: --help)"));
        return exitUsage;
    }
    QHostAddress listenAddress(QHostAddress::LocalHost);
    quint16 port = defaultPort;
    if (parser.isSet(listenOpt) && !parseListen(parser.value(listenOpt), &listenAddress, &port)) {
        say(QStringLiteral("senvaro-exporter: --listen erwartet ADRESSE:PORT, nicht \"%1\"")
                .arg(parser.value(listenOpt)));
        return exitUsage;
    }

    const QString path = parser.value(settingsOpt);
    Settings settings;
    QStringList addresses;
    QString error;
    if (!loadWatchSettings(path, &settings, &addresses, &error)) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return exitSettings;
    }
    // The file holds the access points' password.
    if (QFileInfo(path).permissions() & QFileDevice::ReadOther)
        say(QStringLiteral("senvaro-exporter: Warnung: %1 ist für alle lesbar und enthält das Passwort "
                           "(chmod o-r %1)")
                .arg(path));
    auto config = std::make_shared<WatchConfig>();
    config->user = settings.user;
    config->password = settings.password;
    config->known = settings.clients;
    config->knownOnly = settings.knownOnly == 1;
    if (const std::optional<int> cycle = pollCycleMs(settings.pollCycle)) {
        config->cycleMs = *cycle;
    } else {
        say(QStringLiteral("senvaro-exporter: Polling Zyklus \"%1\" unbrauchbar, es gelten 5 Sekunden")
                .arg(settings.pollCycle));
        config->cycleMs = 5000;
    }

    Exporter exporter(addresses, config, std::make_shared<RealClock>(),
                      [] { return QDateTime::currentMSecsSinceEpoch(); });
    QObject::connect(&exporter, &Exporter::logLine, &say);

    if (parser.isSet(textfileOpt)) {
        exporter.setTextfileDir(parser.value(textfileOpt));
        if (!exporter.writeTextfile(&error)) {
            say(QStringLiteral("senvaro-exporter: %1").arg(error));
            return exitOutput;
        }
    }
    QHttpServer server;
    addRoutes(server, exporter);
    const quint16 bound = server.listen(listenAddress, port);
    if (bound == 0) {
        say(QStringLiteral("senvaro-exporter: kann nicht auf %1:%2 lauschen")
                .arg(listenAddress.toString())
                .arg(port));
        return exitOutput;
    }
    say(QStringLiteral("senvaro-exporter: %1 Access Point(s), /metrics auf %2:%3")
            .arg(addresses.size())
            .arg(listenAddress.toString())
            .arg(bound));
    exporter.start();
    return app.exec();
}
