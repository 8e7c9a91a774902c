#include "exporter/web.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTimer>
#include <functional>

#include "exporter/exporter.h"
#include "exporter/posix.h"
#include "exporter/selfmetrics.h"

namespace {

using Status = QHttpServerResponder::StatusCode;

// Checked for a user the file does not name, so that the time taken does not tell which
// names exist (cost 10, as htpasswd writes them; no password is known to match).
const QByteArray unknownUserHash =
    QByteArrayLiteral("$2y$10$t.bnqGFE97a.cbOYrrOV0u5BeMP9Uho3WQKByVJE7LV6r0WgPWdtK");

// How long a client may take for the TLS handshake before its socket is dropped.
constexpr int handshakeMs = 10000;

QByteArray header(const QHttpServerRequest &request, const QByteArray &name)
{
    for (const auto &[key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool clientCertificateAccepted(const QSslSocket &socket, ClientAuth auth)
{
    const bool given = !socket.peerCertificate().isNull();
    const bool verified = given && socket.sslHandshakeErrors().isEmpty();
    switch (auth) {
    case ClientAuth::NoClientCert:
    case ClientAuth::RequestClientCert:
        return true;
    case ClientAuth::RequireAnyClientCert:
        return given;
    case ClientAuth::VerifyClientCertIfGiven:
        return !given || verified;
    case ClientAuth::RequireAndVerifyClientCert:
        return verified;
    }
    return false;
}

// A TLS listener that reads the web configuration again for every connection, as the
// exporters do, and holds a connection back from the HTTP server until its handshake and
// the client-certificate rule are through.
class TlsServer : public QTcpServer
{
public:
    TlsServer(std::function<std::optional<WebConfig>()> reload, std::function<void(const QString &)> report,
              QObject *parent)
        : QTcpServer(parent), m_reload(std::move(reload)), m_report(std::move(report))
    {
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QSslSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        const std::optional<WebConfig> config = m_reload();
        QString error;
        const std::optional<QSslConfiguration> tls =
            config ? tlsConfiguration(*config, &error) : std::nullopt;
        if (config && !tls)
            m_report(error);
        if (!tls) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        socket->setSslConfiguration(*tls);
        const ClientAuth auth = config->clientAuth;
        connect(socket, &QSslSocket::encrypted, this, [this, socket, auth] {
            socket->disconnect(this);
            if (!clientCertificateAccepted(*socket, auth)) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            addPendingConnection(socket);
        });
        connect(socket, &QAbstractSocket::errorOccurred, this, [socket] { socket->deleteLater(); });
        QTimer::singleShot(handshakeMs, socket, [socket] {
            if (!socket->isEncrypted()) {
                socket->abort();
                socket->deleteLater();
            }
        });
        socket->startServerEncryption();
    }

private:
    std::function<std::optional<WebConfig>()> m_reload;
    std::function<void(const QString &)> m_report;
};

} // namespace

QByteArray landingPage(const QList<ApSample> &aps)
{
    const auto cell = [](const QString &text) {
        return QStringLiteral("<td>%1</td>").arg(text.toHtmlEscaped());
    };
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">"
                       "<title>senvaro-exporter</title></head>\n<body>\n<h1>senvaro-exporter</h1>\n");
    html += QStringLiteral("<p>Version %1 (Revision %2)</p>\n")
                .arg(buildVersion().toHtmlEscaped(), buildRevision().toHtmlEscaped());
    html +=
        QStringLiteral("<p><a href=\"/metrics\">Metriken</a></p>\n<h2>Access Points</h2>\n<table>\n"
                       "<tr><th>Access Point</th><th>Zustand</th><th>Firmware</th><th>Stationen</th></tr>\n");
    for (const ApSample &a : aps) {
        html += QStringLiteral("<tr>") + cell(a.ap) +
                cell(a.up ? QStringLiteral("antwortet") : QStringLiteral("antwortet nicht")) +
                cell(a.firmware.value_or(QString())) +
                cell(a.up ? QString::number(a.stations.size()) : QStringLiteral("-")) +
                QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n<h2>Stationen</h2>\n<table>\n"
                           "<tr><th>Access Point</th><th>MAC-Adresse</th><th>Name</th></tr>\n");
    for (const ApSample &a : aps) {
        for (const StationSample &s : a.stations)
            html +=
                QStringLiteral("<tr>") + cell(a.ap) + cell(s.mac) + cell(s.name) + QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n</body></html>\n");
    return html.toUtf8();
}

std::optional<QSslConfiguration> tlsConfiguration(const WebConfig &config, QString *error)
{
    const auto fail = [error](const char *key, const QString &file, const QString &why) {
        if (error)
            *error = QStringLiteral("\"tls_server_config.%1\": %2 %3")
                         .arg(QLatin1String(key), QDir::toNativeSeparators(file), why);
        return std::nullopt;
    };
    const auto read = [](const QString &path, QByteArray *out, QString *why) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *why = QStringLiteral("nicht lesbar: %1").arg(file.errorString());
            return false;
        }
        *out = file.readAll();
        return true;
    };
    if (!config.tls()) {
        if (error)
            *error = QStringLiteral("\"tls_server_config.cert_file\" fehlt");
        return std::nullopt;
    }
    QByteArray bytes;
    QString why;
    if (!read(config.certFile, &bytes, &why))
        return fail("cert_file", config.certFile, why);
    const QList<QSslCertificate> chain = QSslCertificate::fromData(bytes, QSsl::Pem);
    if (chain.isEmpty())
        return fail("cert_file", config.certFile, QStringLiteral("enthält kein PEM-Zertifikat"));
    if (!read(config.keyFile, &bytes, &why))
        return fail("key_file", config.keyFile, why);
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Ec, QSsl::Rsa, QSsl::Dsa}) {
        if (key.isNull())
            key = QSslKey(bytes, algorithm, QSsl::Pem, QSsl::PrivateKey);
    }
    if (key.isNull())
        return fail("key_file", config.keyFile,
                    QStringLiteral("enthält keinen privaten RSA- oder EC-Schlüssel (PEM, ohne Passphrase)"));

    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setLocalCertificateChain(chain);
    c.setPrivateKey(key);
    c.setProtocol(QSsl::TlsV1_2OrLater);
    if (!config.clientCaFile.isEmpty()) {
        if (!read(config.clientCaFile, &bytes, &why))
            return fail("client_ca_file", config.clientCaFile, why);
        const QList<QSslCertificate> cas = QSslCertificate::fromData(bytes, QSsl::Pem);
        if (cas.isEmpty())
            return fail("client_ca_file", config.clientCaFile, QStringLiteral("enthält kein PEM-Zertifikat"));
        c.setCaCertificates(cas);
    }
    // Asking for a certificate is Qt's QueryPeer; which answers pass is decided after the
    // handshake (clientCertificateAccepted), except for the strictest rule, which Qt enforces.
    c.setPeerVerifyMode(config.clientAuth == ClientAuth::NoClientCert ? QSslSocket::VerifyNone
                        : config.clientAuth == ClientAuth::RequireAndVerifyClientCert
                            ? QSslSocket::VerifyPeer
                            : QSslSocket::QueryPeer);
    return c;
}

BasicAuth::BasicAuth()
{
    m_salt.resize(16);
    QRandomGenerator::system()->generate(m_salt.begin(), m_salt.end());
}

bool BasicAuth::allows(const WebConfig &config, const QByteArray &authorization)
{
    // RFC 7617: the scheme in any case, then base64 of user:password.
    if (authorization.size() < 6 || authorization.left(6).compare("basic ", Qt::CaseInsensitive) != 0)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(authorization.mid(6).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded ? decoded.decoded.indexOf(':') : -1;
    if (colon < 0)
        return false;
    const auto user = config.users.constFind(QString::fromUtf8(decoded.decoded.left(colon)));
    const bool known = user != config.users.constEnd();
    const QByteArray hash = known ? *user : unknownUserHash;
    const QByteArray password = decoded.decoded.mid(colon + 1);
    const QByteArray digest =
        QCryptographicHash::hash(m_salt + hash + '\0' + password, QCryptographicHash::Sha256);
    if (known && m_matched.contains(digest))
        return true;
    if (!bcryptMatches(password, hash) || !known)
        return false;
    if (m_matched.size() >= 64) // a bound, not an eviction policy: a few scrapers share the server
        m_matched.clear();
    m_matched.insert(digest);
    return true;
}

WebServer::WebServer(const Exporter &exporter, const QString &webConfigPath, QObject *parent)
    : QAbstractHttpServer(parent), m_exporter(exporter), m_configPath(webConfigPath)
{
}

quint16 WebServer::start(const QHostAddress &address, quint16 port, bool tls, QString *error)
{
    QTcpServer *server = nullptr;
    if (tls)
        server = new TlsServer([this] { return config(); }, [this](const QString &e) { report(e); }, this);
    else
        server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        if (error)
            *error = server->errorString();
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

std::optional<WebConfig> WebServer::config()
{
    QString error;
    std::optional<WebConfig> c = loadWebConfig(m_configPath, &error);
    if (c && !m_lastError.isEmpty())
        emit logLine(QStringLiteral("%1 wieder brauchbar").arg(QDir::toNativeSeparators(m_configPath)));
    if (c)
        m_lastError.clear();
    else
        report(error);
    return c;
}

void WebServer::report(const QString &error)
{
    // Once per kind of failure, not once per request.
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit logLine(error);
}

bool WebServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    const QByteArray plain = QByteArrayLiteral("text/plain; charset=utf-8");
    if (!m_configPath.isEmpty()) {
        const std::optional<WebConfig> c = config();
        if (!c) {
            responder.write(QByteArrayLiteral("Internal Server Error\n"), plain, Status::InternalServerError);
            return true;
        }
        if (!c->users.isEmpty() && !m_auth.allows(*c, header(request, QByteArrayLiteral("Authorization")))) {
            responder.write(QByteArrayLiteral("Unauthorized\n"),
                            {{QByteArrayLiteral("Content-Type"), plain},
                             {QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff")},
                             {QByteArrayLiteral("WWW-Authenticate"), QByteArrayLiteral("Basic")}},
                            Status::Unauthorized);
            return true;
        }
    }
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QByteArrayLiteral("Method Not Allowed\n"),
                        {{QByteArrayLiteral("Content-Type"), plain},
                         {QByteArrayLiteral("Allow"), QByteArrayLiteral("GET")}},
                        Status::MethodNotAllowed);
        return true;
    }
    const QString path = request.url().path();
    if (path == QLatin1String("/metrics")) {
        // The exporter's own families go into the same buffer: no copy of megabytes here.
        responder.write(m_exporter.exposition(selfExposition()), expositionContentType());
    } else if (path == QLatin1String("/")) {
        QList<ApSample> aps;
        for (const ApWatch *w : m_exporter.watches())
            aps << w->sample();
        responder.write(landingPage(aps), QByteArrayLiteral("text/html; charset=utf-8"));
    } else if (path == QLatin1String("/-/healthy")) {
        responder.write(QByteArrayLiteral("OK"), plain);
    } else {
        responder.write(QByteArrayLiteral("404 page not found\n"), plain, Status::NotFound);
    }
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    // handleRequest answers every request; kept for the interface.
    makeResponder(request, socket).write(Status::NotFound);
}
