// senvaro-exporter: watches every access point a settings file names and serves their
// stations to Prometheus. Headless: Qt Core, Network and HttpServer only.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

#include "config/eventsettings.h"
#include "config/mqttsettings.h"
#include "config/pollcycle.h"
#include "config/settings.h"
#include "exporter/coalescingclock.h"
#include "exporter/exporter.h"
#include "exporter/mqtt.h"
#include "exporter/posix.h"
#include "exporter/web.h"
#include "exporter/webconfig.h"

namespace {

// Exit statuses, listed in the manual page.
enum class ExporterExit {
    Ok = 0,
    Usage = 2,     // bad options
    Settings = 3,  // settings file unreadable or naming no access point
    Output = 4,    // the address cannot be listened on, or the text file not written
    WebConfig = 5, // the web configuration (--web.config.file) unusable
};

constexpr int exitCode(ExporterExit status)
{
    return int(status);
}

constexpr quint16 defaultPort = 9847;

void say(const QString &line)
{
    QTextStream err(stderr);
    err << line << Qt::endl;
}

// ADDRESS:PORT, [IPv6]:PORT, or :PORT for every address (IPv4 and IPv6), as exporters take it.
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
    if (!ok || p > 65535)
        return false;
    if (host.isEmpty())
        *address = QHostAddress(QHostAddress::Any);
    else if (!address->setAddress(host))
        return false;
    *port = quint16(p);
    return true;
}

QString listenText(const QHostAddress &address, quint16 port)
{
    if (address == QHostAddress(QHostAddress::Any))
        return QStringLiteral(":%1").arg(port);
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}

// Replaced through a temporary file and a rename, as the exporter writes it every round.
bool writeFile(const QString &path, const QByteArray &text, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    *error = QStringLiteral("Textdatei %1 nicht geschrieben: %2")
                 .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything starts a thread: SIGTERM and SIGINT then reach the event loop only.
    holdStopSignals();
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
        QStringLiteral("Adresse und Port für /metrics (Vorgabe 127.0.0.1:%1; :PORT für alle Adressen).")
            .arg(defaultPort),
        QStringLiteral("ADRESSE:PORT"));
    const QCommandLineOption textfileOpt(
        QStringLiteral("textfile"),
        QStringLiteral("Schreibt nach jeder Runde ORDNER/senvaro.prom; ohne --listen öffnet er keinen Port."),
        QStringLiteral("ORDNER"));
    const QCommandLineOption webConfigOpt(QStringLiteral("web.config.file"),
                                          QStringLiteral("Web-Konfiguration der Prometheus-Exporter (TLS, "
                                                         "basic_auth_users)."),
                                          QStringLiteral("DATEI"));
    const QCommandLineOption mqttOpt(QStringLiteral("mqtt"),
                                     QStringLiteral("MQTT-Broker für Home Assistant (statt [MQTT] Server)."),
                                     QStringLiteral("HOST:PORT"));
    const QCommandLineOption shareOpt(
        QStringLiteral("share"),
        QStringLiteral("Nur jeder N-te Access Point der Datei, beginnend mit dem K-ten (N Exporter teilen "
                       "sich eine Datei)."),
        QStringLiteral("K/N"));
    parser.addOptions({settingsOpt, listenOpt, textfileOpt, webConfigOpt, mqttOpt, shareOpt});
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(app.arguments())) {
        say(QStringLiteral("senvaro-exporter: %1 (Hilfe: --help)").arg(parser.errorText()));
        return exitCode(ExporterExit::Usage);
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("senvaro-exporter: unbekanntes Argument \"%1\" (Hilfe: --help)")
                .arg(parser.positionalArguments().first()));
        return exitCode(ExporterExit::Usage);
    }
    if (!parser.isSet(settingsOpt)) {
        say(QStringLiteral("senvaro-exporter: --settings DATEI fehlt (Hilfe: --help)"));
        return exitCode(ExporterExit::Usage);
    }
    QHostAddress listenAddress(QHostAddress::LocalHost);
    quint16 port = defaultPort;
    if (parser.isSet(listenOpt) && !parseListen(parser.value(listenOpt), &listenAddress, &port)) {
        say(QStringLiteral("senvaro-exporter: --listen erwartet ADRESSE:PORT, nicht \"%1\"")
                .arg(parser.value(listenOpt)));
        return exitCode(ExporterExit::Usage);
    }

    int shareK = 1;
    int shareN = 1;
    if (parser.isSet(shareOpt) && !parseShare(parser.value(shareOpt), &shareK, &shareN)) {
        say(QStringLiteral("senvaro-exporter: --share erwartet K/N mit 1 ≤ K ≤ N, nicht \"%1\"")
                .arg(parser.value(shareOpt)));
        return exitCode(ExporterExit::Usage);
    }

    const QString path = parser.value(settingsOpt);
    Settings settings;
    QStringList addresses;
    QString error;
    if (!loadWatchSettings(path, &settings, &addresses, &error)) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return exitCode(ExporterExit::Settings);
    }
    addresses = shareOf(addresses, shareK, shareN);
    if (addresses.isEmpty()) {
        say(QStringLiteral("senvaro-exporter: %1 lässt bei --share %2/%3 keinen Access Point übrig")
                .arg(path)
                .arg(shareK)
                .arg(shareN));
        return exitCode(ExporterExit::Settings);
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
    config->alerts = settings.alerts;
    if (const std::optional<int> cycle = pollCycleMs(settings.pollCycle)) {
        config->cycleMs = *cycle;
    } else {
        say(QStringLiteral("senvaro-exporter: Polling Zyklus \"%1\" unbrauchbar, es gelten 5 Sekunden")
                .arg(settings.pollCycle));
        config->cycleMs = 5000;
    }
    // A web configuration it cannot use stops the exporter here, as it stops the others.
    const QString webConfig = parser.value(webConfigOpt);
    bool tls = false;
    if (parser.isSet(webConfigOpt)) {
        QString error;
        const std::optional<WebConfig> web = loadWebConfig(webConfig, &error);
        if (!web || (web->tls() && !tlsConfiguration(*web, &error))) {
            say(QStringLiteral("senvaro-exporter: %1").arg(error));
            return exitCode(ExporterExit::WebConfig);
        }
        tls = web->tls();
    }

    Exporter exporter(addresses, config, std::make_shared<CoalescingClock>(),
                      [] { return QDateTime::currentMSecsSinceEpoch(); });
    QObject::connect(&exporter, &Exporter::logLine, &say);
    MqttSettings mqtt;
    if (!MqttSettings::load(path, &mqtt, &error)) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return exitCode(ExporterExit::Settings);
    }
    if (parser.isSet(mqttOpt) && !parseMqttServer(parser.value(mqttOpt), &mqtt.server, &mqtt.port)) {
        say(QStringLiteral("senvaro-exporter: --mqtt erwartet HOST:PORT, nicht \"%1\"")
                .arg(parser.value(mqttOpt)));
        return exitCode(ExporterExit::Usage);
    }
    std::unique_ptr<MqttPublisher> publisher;
    if (mqtt.enabled()) {
        publisher = std::make_unique<MqttPublisher>(mqtt);
        QObject::connect(publisher.get(), &MqttPublisher::logLine, &say);
        exporter.setMqtt(publisher.get());
        publisher->start();
    }
    EventSettings events;
    if (EventSettings::load(path, &events, &error))
        exporter.setEventProgram(events.program);
    else
        say(QStringLiteral("senvaro-exporter: %1").arg(error));

    const bool textfile = parser.isSet(textfileOpt);
    if (textfile) {
        exporter.setTextfileDir(parser.value(textfileOpt));
        if (!exporter.writeTextfile(&error)) {
            say(QStringLiteral("senvaro-exporter: %1").arg(error));
            return exitCode(ExporterExit::Output);
        }
    }
    // With a text file and no --listen, the node exporter serves the series: no port of our own.
    WebServer server(exporter, webConfig);
    QObject::connect(&server, &WebServer::logLine,
                     [](const QString &line) { say(QStringLiteral("senvaro-exporter: %1").arg(line)); });
    if (!textfile || parser.isSet(listenOpt)) {
        QString error;
        const quint16 bound = server.start(listenAddress, port, tls, &error);
        if (bound == 0) {
            say(QStringLiteral("senvaro-exporter: kann nicht auf %1 lauschen: %2")
                    .arg(listenText(listenAddress, port), error));
            return exitCode(ExporterExit::Output);
        }
        say(QStringLiteral("senvaro-exporter: %1 Access Point(s), /metrics auf %2%3")
                .arg(addresses.size())
                .arg(listenText(listenAddress, bound), tls ? QStringLiteral(" (TLS)") : QString()));
    } else {
        say(QStringLiteral("senvaro-exporter: %1 Access Point(s), Textdatei %2, kein Port")
                .arg(addresses.size())
                .arg(QDir::toNativeSeparators(
                    QDir(parser.value(textfileOpt)).filePath(QStringLiteral("senvaro.prom")))));
    }

    // A clean stop leaves a text file that says every access point is down, so the node
    // exporter does not go on serving the last round as if it were current.
    ExporterExit stopStatus = ExporterExit::Ok;
    onStopSignal(&app, [&] {
        QString error;
        if (textfile && !writeFile(QDir(parser.value(textfileOpt)).filePath(QStringLiteral("senvaro.prom")),
                                   exporter.stoppedExposition(), &error)) {
            say(QStringLiteral("senvaro-exporter: %1").arg(error));
            stopStatus = ExporterExit::Output;
        }
        // A poll answered in the same pass of the event loop must not write the last round
        // over it before the loop ends.
        exporter.setTextfileDir(QString());
        app.exit(exitCode(stopStatus));
    });
    exporter.start();
    return app.exec();
}
