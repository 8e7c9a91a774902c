#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

// The web configuration file Prometheus exporters share (--web.config.file): TLS for the
// listening socket and basic-auth users. Only the part this exporter serves is read; like
// the exporters, any other key is an error rather than silently ignored.
enum class ClientAuth {
    NoClientCert,
    RequestClientCert,
    RequireAnyClientCert,
    VerifyClientCertIfGiven,
    RequireAndVerifyClientCert
};

struct WebConfig
{
    // Absolute paths: relative ones count from the configuration file's folder.
    QString certFile;
    QString keyFile;
    QString clientCaFile;
    ClientAuth clientAuth = ClientAuth::NoClientCert;
    QMap<QString, QByteArray> users; // user name -> bcrypt hash

    // Without a certificate and key the exporters serve plain HTTP.
    bool tls() const { return !certFile.isEmpty(); }
};

// What a file says; nullopt with a German reason naming the key (and its line) otherwise.
// baseDir resolves relative file names.
std::optional<WebConfig> parseWebConfig(const QByteArray &yaml, const QString &baseDir, QString *error);
std::optional<WebConfig> loadWebConfig(const QString &path, QString *error);

// A hash the system's crypt() checks as bcrypt: $2a$, $2b$, $2x$ or $2y$, cost 04 to 31, 22
// characters of salt and 31 of hash.
bool isBcryptHash(const QByteArray &hash);
