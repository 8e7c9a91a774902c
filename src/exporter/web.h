#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QSet>
#include <QSslConfiguration>
#include <QString>
#include <optional>

#include "exporter/webconfig.h"

class Exporter;
struct ApSample;

// The page "/": name, version, a link to /metrics and a read-only table of the access
// points and their stations. Every text in it is escaped: a station may be named anything.
QByteArray landingPage(const QList<ApSample> &aps);

// The TLS side of a web configuration with its certificate, key and client CAs read; nullopt
// with a German reason naming the key otherwise.
std::optional<QSslConfiguration> tlsConfiguration(const WebConfig &config, QString *error);

// Basic auth as the exporters check it: "Authorization: Basic" with user:password, the
// password against the user's bcrypt hash.
class BasicAuth
{
public:
    BasicAuth();
    // Remembers (as salted digests) the passwords that matched, so that a scraper does not
    // pay for bcrypt on every request; a changed hash is checked afresh.
    bool allows(const WebConfig &config, const QByteArray &authorization);

private:
    QByteArray m_salt;
    QSet<QByteArray> m_matched;
};

// /metrics (the exposition and the exporter's own families), / and /-/healthy, behind the
// web configuration's basic auth. The configuration file is read again for every request
// and, with TLS, for every connection's handshake, so a changed password or certificate
// takes effect without a restart; whether the port speaks TLS is settled at start.
class WebServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    // webConfigPath empty: no TLS, no passwords.
    WebServer(const Exporter &exporter, const QString &webConfigPath, QObject *parent = nullptr);

    // Listens on address and port, with TLS or without for as long as it runs (the
    // configuration's certificate is read for every connection); the port bound, or 0 with the
    // reason.
    quint16 start(const QHostAddress &address, quint16 port, bool tls, QString *error);

signals:
    void logLine(const QString &line); // a configuration that stopped (or started) being usable

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    std::optional<WebConfig> config();
    void report(const QString &error);

    const Exporter &m_exporter;
    QString m_configPath;
    BasicAuth m_auth;
    QString m_lastError;
};
