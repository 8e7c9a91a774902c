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
#include <memory>
#include <optional>

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

// What the command line asks for.
struct Options
{
    QString settingsPath;
    QHostAddress listenAddress{QHostAddress::LocalHost};
    quint16 port = defaultPort;
    bool listen = false; // --listen given
    std::optional<QString> textfileDir;
    std::optional<QString> webConfig;
    std::optional<QString> mqttServer;
    int shareK = 1;
    int shareN = 1;
};

// Reads the command line into *options; a status when the exporter must stop there (help
// and version end the process themselves).
std::optional<ExporterExit> readOptions(const QStringList &arguments, Options *options)
{
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
    if (!parser.parse(arguments)) {
        say(QStringLiteral("senvaro-exporter: %1 (Hilfe: --help)").arg(parser.errorText()));
        return ExporterExit::Usage;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("senvaro-exporter: unbekanntes Argument \"%1\" (Hilfe: --help)")
                .arg(parser.positionalArguments().first()));
        return ExporterExit::Usage;
    }
    if (!parser.isSet(settingsOpt)) {
        say(QStringLiteral("senvaro-exporter: --settings DATEI fehlt (Hilfe: --help)"));
        return ExporterExit::Usage;
    }
    options->settingsPath = parser.value(settingsOpt);
    options->listen = parser.isSet(listenOpt);
    if (options->listen && !parseListen(parser.value(listenOpt), &options->listenAddress, &options->port)) {
        say(QStringLiteral("senvaro-exporter: --listen erwartet ADRESSE:PORT, nicht \"%1\"")
                .arg(parser.value(listenOpt)));
        return ExporterExit::Usage;
    }
    if (parser.isSet(shareOpt) && !parseShare(parser.value(shareOpt), &options->shareK, &options->shareN)) {
        say(QStringLiteral("senvaro-exporter: --share erwartet K/N mit 1 ≤ K ≤ N, nicht \"%1\"")
                .arg(parser.value(shareOpt)));
        return ExporterExit::Usage;
    }
    if (parser.isSet(textfileOpt))
        options->textfileDir = parser.value(textfileOpt);
    if (parser.isSet(webConfigOpt))
        options->webConfig = parser.value(webConfigOpt);
    if (parser.isSet(mqttOpt))
        options->mqttServer = parser.value(mqttOpt);
    return std::nullopt;
}

// The access points of this exporter's share of the settings file, and how to watch them.
std::optional<ExporterExit> readWatch(const Options &options, QStringList *addresses,
                                      const std::shared_ptr<WatchConfig> &config)
{
    const QString &path = options.settingsPath;
    Settings settings;
    QString error;
    if (!loadWatchSettings(path, &settings, addresses, &error)) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return ExporterExit::Settings;
    }
    *addresses = shareOf(*addresses, options.shareK, options.shareN);
    if (addresses->isEmpty()) {
        say(QStringLiteral("senvaro-exporter: %1 lässt bei --share %2/%3 keinen Access Point übrig")
                .arg(path)
                .arg(options.shareK)
                .arg(options.shareN));
        return ExporterExit::Settings;
    }
    // The file holds the access points' password.
    if (QFileInfo(path).permissions() & QFileDevice::ReadOther)
        say(QStringLiteral("senvaro-exporter: Warnung: %1 ist für alle lesbar und enthält das Passwort "
                           "(chmod o-r %1)")
                .arg(path));
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
    return std::nullopt;
}

// A web configuration it cannot use stops the exporter, as it stops the others.
std::optional<ExporterExit> checkWebConfig(const Options &options, bool *tls)
{
    *tls = false;
    if (!options.webConfig)
        return std::nullopt;
    QString error;
    const std::optional<WebConfig> web = loadWebConfig(*options.webConfig, &error);
    if (!web || (web->tls() && !tlsConfiguration(*web, &error))) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return ExporterExit::WebConfig;
    }
    *tls = web->tls();
    return std::nullopt;
}

// The MQTT publisher when the settings file or --mqtt names a broker, and the event program.
std::optional<ExporterExit> addOutputs(const Options &options, Exporter &exporter,
                                       std::unique_ptr<MqttPublisher> *publisher)
{
    MqttSettings mqtt;
    QString error;
    if (!MqttSettings::load(options.settingsPath, &mqtt, &error)) {
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
        return ExporterExit::Settings;
    }
    if (options.mqttServer && !parseMqttServer(*options.mqttServer, &mqtt.server, &mqtt.port)) {
        say(QStringLiteral("senvaro-exporter: --mqtt erwartet HOST:PORT, nicht \"%1\"")
                .arg(*options.mqttServer));
        return ExporterExit::Usage;
    }
    if (mqtt.enabled()) {
        *publisher = std::make_unique<MqttPublisher>(mqtt);
        QObject::connect(publisher->get(), &MqttPublisher::logLine, &say);
        exporter.setMqtt(publisher->get());
        (*publisher)->start();
    }
    EventSettings events;
    if (EventSettings::load(options.settingsPath, &events, &error))
        exporter.setEventProgram(events.program);
    else
        say(QStringLiteral("senvaro-exporter: %1").arg(error));
    return std::nullopt;
}

QString textfilePath(const QString &dir)
{
    return QDir(dir).filePath(QStringLiteral("senvaro.prom"));
}

// The text file written once and the port opened: with a text file and no --listen, the
// node exporter serves the series, and there is no port of our own.
std::optional<ExporterExit> startServing(const Options &options, Exporter &exporter, WebServer &server,
                                         bool tls, int accessPoints)
{
    QString error;
    if (options.textfileDir) {
        exporter.setTextfileDir(*options.textfileDir);
        if (!exporter.writeTextfile(&error)) {
            say(QStringLiteral("senvaro-exporter: %1").arg(error));
            return ExporterExit::Output;
        }
    }
    if (options.textfileDir && !options.listen) {
        say(QStringLiteral("senvaro-exporter: %1 Access Point(s), Textdatei %2, kein Port")
                .arg(accessPoints)
                .arg(QDir::toNativeSeparators(textfilePath(*options.textfileDir))));
        return std::nullopt;
    }
    const quint16 bound = server.start(options.listenAddress, options.port, tls, &error);
    if (bound == 0) {
        say(QStringLiteral("senvaro-exporter: kann nicht auf %1 lauschen: %2")
                .arg(listenText(options.listenAddress, options.port), error));
        return ExporterExit::Output;
    }
    say(QStringLiteral("senvaro-exporter: %1 Access Point(s), /metrics auf %2%3")
            .arg(accessPoints)
            .arg(listenText(options.listenAddress, bound), tls ? QStringLiteral(" (TLS)") : QString()));
    return std::nullopt;
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

    Options options;
    QStringList addresses;
    auto config = std::make_shared<WatchConfig>();
    bool tls = false;
    if (const auto stop = readOptions(app.arguments(), &options))
        return exitCode(*stop);
    if (const auto stop = readWatch(options, &addresses, config))
        return exitCode(*stop);
    if (const auto stop = checkWebConfig(options, &tls))
        return exitCode(*stop);

    Exporter exporter(addresses, config, std::make_shared<CoalescingClock>(),
                      [] { return QDateTime::currentMSecsSinceEpoch(); });
    QObject::connect(&exporter, &Exporter::logLine, &say);
    std::unique_ptr<MqttPublisher> publisher;
    if (const auto stop = addOutputs(options, exporter, &publisher))
        return exitCode(*stop);
    WebServer server(exporter, options.webConfig.value_or(QString()));
    QObject::connect(&server, &WebServer::logLine,
                     [](const QString &line) { say(QStringLiteral("senvaro-exporter: %1").arg(line)); });
    if (const auto stop = startServing(options, exporter, server, tls, int(addresses.size())))
        return exitCode(*stop);

    // A clean stop leaves a text file that says every access point is down, so the node
    // exporter does not go on serving the last round as if it were current.
    ExporterExit stopStatus = ExporterExit::Ok;
    onStopSignal(&app, [&] {
        QString error;
        if (options.textfileDir &&
            !writeFile(textfilePath(*options.textfileDir), exporter.stoppedExposition(), &error)) {
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
