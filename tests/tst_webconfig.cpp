// The exporter's web side without a socket: the web configuration's YAML and its rules,
// the bcrypt check and the basic-auth header, and the exporter's own families.
// tst_exporter_web.sh runs such files against the node exporter and checks the pages.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "exporter/posix.h"
#include "exporter/selfmetrics.h"
#include "exporter/web.h"
#include "exporter/webconfig.h"

namespace {

// htpasswd -nbBC 4 scraper 'Ge:h31m "pw' and the classic vector for "U*U".
const QByteArray scraperHash = "$2y$04$BIB1jicoYzSQ0yrRvyLSiOBseZa/0Ev4cHfbkl0cdC2mf.nhKKtVe";
const QByteArray scraperPassword = "Ge:h31m \"pw";
const QByteArray vectorHash = "$2a$05$CCCCCCCCCCCCCCCCCCCCC.E5YPO9kmyuRGyh0XouQYb4YMJKvyOeW";
// htpasswd -nbBC 4 scraper neu
const QByteArray otherHash = "$2y$04$2t.1ARwPyWDLXVOcgKzdNuOkgqMDH7Bd4XxIdA9.GVmbxKBhHjRUy";

QByteArray basic(const QByteArray &userPassword)
{
    return "Basic " + userPassword.toBase64();
}

} // namespace

class TestWebConfig : public QObject
{
    Q_OBJECT
private slots:
    void readsTheToolkitsSubset()
    {
        const QByteArray yaml = "---\r\n"
                                "# TLS and users, as the exporter toolkit reads them\r\n"
                                "tls_server_config:\r\n"
                                "  cert_file: certs/server.crt   # next to this file\r\n"
                                "  key_file: \"/etc/k\\u00e9y.pem\"\r\n"
                                "  client_auth_type: 'VerifyClientCertIfGiven'\r\n"
                                "  client_ca_file: '../it''s ca.pem'\r\n"
                                "\r\n"
                                "basic_auth_users:\r\n"
                                "    scraper: " +
                                scraperHash + "\r\n    \"grafana agent\": '" + vectorHash +
                                "'\r\n...\r\nignored: 1\r\n";
        QString error;
        const std::optional<WebConfig> c = parseWebConfig(yaml, QStringLiteral("/srv/web"), &error);
        QVERIFY2(c, qPrintable(error));
        QVERIFY(c->tls());
        QCOMPARE(c->certFile, QStringLiteral("/srv/web/certs/server.crt"));
        QCOMPARE(c->keyFile, QString::fromUtf8("/etc/k\xc3\xa9y.pem"));
        QCOMPARE(c->clientCaFile, QStringLiteral("/srv/it's ca.pem"));
        QCOMPARE(c->clientAuth, ClientAuth::VerifyClientCertIfGiven);
        QCOMPARE(c->users.keys(), (QStringList{QStringLiteral("grafana agent"), QStringLiteral("scraper")}));
        QCOMPARE(c->users.value(QStringLiteral("scraper")), scraperHash);

        // Empty files and empty sections: plain HTTP, nobody asked for a password.
        for (const QByteArray &empty : {QByteArray(), QByteArray("# nothing\n"),
                                        QByteArray("tls_server_config:\nbasic_auth_users: {}\n"),
                                        QByteArray("basic_auth_users: ~\n")}) {
            const std::optional<WebConfig> e = parseWebConfig(empty, QStringLiteral("/"), &error);
            QVERIFY2(e && !e->tls() && e->users.isEmpty(), empty.constData());
        }
        // Without a certificate the exporters serve plain HTTP, whatever else the section says.
        QVERIFY(!parseWebConfig("tls_server_config:\n  client_auth_type: RequireClientCert\n", "/", &error)
                     ->tls());
    }

    void refusesWhatItCannotUse_data()
    {
        QTest::addColumn<QByteArray>("yaml");
        QTest::addColumn<QString>("reason");
        const QByteArray h = scraperHash;
        QTest::newRow("unknown key") << QByteArray("tls_server_config:\n  cert_fil: a\n")
                                     << "Zeile 2: unbekannter Schlüssel \"tls_server_config.cert_fil\"";
        QTest::newRow("unknown top key")
            << QByteArray("basic_auth_user:\n") << "Zeile 1: unbekannter Schlüssel \"basic_auth_user\"";
        QTest::newRow("toolkit key") << QByteArray("tls_server_config:\n  min_version: TLS13\n")
                                     << "\"tls_server_config.min_version\" wird nicht unterstützt";
        QTest::newRow("http config") << QByteArray("http_server_config:\n  http2: false\n")
                                     << "Zeile 1: Schlüssel \"http_server_config\" wird nicht unterstützt";
        QTest::newRow("not a hash") << QByteArray("basic_auth_users:\n  a: secret\n")
                                    << "Zeile 2: \"basic_auth_users.a\" ist kein bcrypt-Hash";
        QTest::newRow("key alone") << QByteArray("tls_server_config:\n  key_file: k\n")
                                   << "Zeile 2: \"tls_server_config.cert_file\" fehlt";
        QTest::newRow("auth type") << QByteArray("tls_server_config:\n  client_auth_type: Sometimes\n")
                                   << "\"tls_server_config.client_auth_type\" kennt \"Sometimes\" nicht";
        QTest::newRow("CA, no rule")
            << QByteArray("tls_server_config:\n  cert_file: c\n  key_file: k\n  "
                          "client_ca_file: ca\n")
            << "Zeile 4: \"tls_server_config.client_ca_file\" ohne \"client_auth_type\"";
        QTest::newRow("text for map")
            << QByteArray("tls_server_config: yes\n") << "\"tls_server_config\" erwartet Schlüssel darunter";
        QTest::newRow("map for text") << QByteArray("tls_server_config:\n  cert_file:\n    x: y\n")
                                      << "Zeile 2: \"tls_server_config.cert_file\" erwartet einen Text";
        QTest::newRow("tab") << QByteArray("basic_auth_users:\n\ta: b\n")
                             << "Zeile 2: Tabulator in der Einrückung";
        QTest::newRow("twice") << "basic_auth_users:\n  a: " + h + "\n  a: " + h + "\n"
                               << "Zeile 3: Schlüssel \"a\" doppelt (zuerst in Zeile 2)";
        QTest::newRow("list") << QByteArray("basic_auth_users:\n  - a\n") << "Zeile 2: Listen";
        QTest::newRow("flow") << QByteArray("basic_auth_users: {a: b}\n")
                              << "\"basic_auth_users\": Listen, Flusssyntax";
        QTest::newRow("anchor") << QByteArray("tls_server_config: &t\n") << "Anker";
        QTest::newRow("indent") << "basic_auth_users:\n    a: " + h + "\n  b: " + h + "\n"
                                << "Zeile 3: die Einrückung passt zu keiner Ebene";
        QTest::newRow("deeper") << "basic_auth_users:\n  a: " + h + "\n    b: " + h + "\n"
                                << "Zeile 3: die Einrückung passt zu keiner Ebene";
        QTest::newRow("open quote") << QByteArray("basic_auth_users:\n  a: 'x\n")
                                    << "Zeile 2: \"a\": Anführungszeichen";
        QTest::newRow("colon") << QByteArray("basic_auth_users:\n  a: b: c\n") << "\": \" in einem Wert";
        QTest::newRow("no colon") << QByteArray("basic_auth_users\n")
                                  << "Zeile 1: \"Schlüssel: Wert\" erwartet";
        QTest::newRow("after quote") << QByteArray("tls_server_config:\n  cert_file: 'a' b\n")
                                     << "Text nach dem schließenden Anführungszeichen";
        QTest::newRow("escape") << QByteArray("tls_server_config:\n  cert_file: \"a\\q\"\n")
                                << "unbekannte Escape-Folge \\q";
        QTest::newRow("two documents")
            << QByteArray("---\nbasic_auth_users: {}\n---\n") << "Zeile 3: mehrere Dokumente";
    }

    void refusesWhatItCannotUse()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!parseWebConfig(yaml, QStringLiteral("/"), &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        // The hash is as secret as the password it guards.
        QVERIFY(!error.contains(QLatin1String("$2y$")));
    }

    void fileErrorsNameTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("web.yml"));
        QString error;
        QVERIFY(!loadWebConfig(path, &error));
        QVERIFY2(error.startsWith(
                     QStringLiteral("Web-Konfiguration %1 nicht lesbar").arg(QDir::toNativeSeparators(path))),
                 qPrintable(error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("tls_server_config:\n  cert_file: missing.crt\n  key_file: missing.key\n");
        file.close();
        const std::optional<WebConfig> c = loadWebConfig(path, &error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->certFile, dir.filePath(QStringLiteral("missing.crt")));
        QVERIFY(!tlsConfiguration(*c, &error));
        QVERIFY2(error.startsWith(QLatin1String("\"tls_server_config.cert_file\": ")), qPrintable(error));
    }

    void bcryptThroughTheSystem()
    {
        QVERIFY(bcryptMatches(scraperPassword, scraperHash));
        QVERIFY(bcryptMatches("U*U", vectorHash));
        QVERIFY(bcryptMatches("neu", otherHash));
        QVERIFY(!bcryptMatches("Ge:h31m \"pW", scraperHash));
        QVERIFY(!bcryptMatches("", scraperHash));
        QVERIFY(!bcryptMatches("U*U", otherHash));
        // crypt() would stop at the NUL and see "U*U".
        QVERIFY(!bcryptMatches(QByteArray("U*U\0x", 5), vectorHash));
        QVERIFY(!bcryptMatches("U*U", vectorHash.chopped(1)));

        QVERIFY(isBcryptHash(scraperHash) && isBcryptHash(vectorHash));
        QVERIFY(isBcryptHash("$2b$31$" + scraperHash.mid(7)));
        for (const QByteArray &bad :
             {"$2y$32$" + scraperHash.mid(7), "$2z$04$" + scraperHash.mid(7), "$1$04$" + scraperHash.mid(7),
              scraperHash.chopped(1), scraperHash + "x", QByteArray(scraperHash).replace('.', '+'),
              QByteArray("{SHA}abc")})
            QVERIFY2(!isBcryptHash(bad), bad.constData());
    }

    void basicAuthHeader()
    {
        WebConfig c;
        c.users.insert(QStringLiteral("scraper"), scraperHash);
        c.users.insert(QString::fromUtf8("j\xc3\xbcrgen"), otherHash);
        BasicAuth auth;
        QVERIFY(auth.allows(c, basic("scraper:" + scraperPassword)));
        // Cached now: the same answer again, and the scheme in any case.
        QVERIFY(auth.allows(c, "bAsIc " + ("scraper:" + scraperPassword).toBase64()));
        QVERIFY(auth.allows(c, basic("j\xc3\xbcrgen:neu")));
        QVERIFY(!auth.allows(c, basic("scraper:neu")));
        QVERIFY(!auth.allows(c, basic("nobody:" + scraperPassword)));
        QVERIFY(!auth.allows(c, basic("scraper")));
        QVERIFY(!auth.allows(c, "Bearer " + ("scraper:" + scraperPassword).toBase64()));
        QVERIFY(!auth.allows(c, "Basic !" + ("scraper:" + scraperPassword).toBase64()));
        QVERIFY(!auth.allows(c, QByteArray()));
        // A changed hash is checked afresh, never answered from what matched before.
        c.users.insert(QStringLiteral("scraper"), otherHash);
        QVERIFY(!auth.allows(c, basic("scraper:" + scraperPassword)));
        QVERIFY(auth.allows(c, basic("scraper:neu")));
    }

    void ownFamilies()
    {
        const QString text = QString::fromUtf8(selfExposition());
        QHash<QString, double> values;
        for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("# TYPE "))) {
                const QString family = line.section(QLatin1Char(' '), 2, 2);
                QVERIFY2(!values.contains(family), qPrintable(family));
                values.insert(family, qQNaN());
            } else if (!line.startsWith(QLatin1Char('#'))) {
                bool ok = false;
                values[line.section(QLatin1Char('{'), 0, 0).section(QLatin1Char(' '), 0, 0)] =
                    line.section(QLatin1Char(' '), -1).toDouble(&ok);
                QVERIFY2(ok, qPrintable(line));
            }
        }
        QCOMPARE(values.size(), 6);
        QVERIFY(text.contains(
            QStringLiteral(
                "senvaro_exporter_build_info{version=\"%1\",revision=\"%2\",qt_version=\"%3\"} 1\n")
                .arg(buildVersion(), buildRevision(), QString::fromLatin1(qVersion()))));
        QVERIFY(
            QRegularExpression(QStringLiteral("^([0-9a-f]{7,}|unknown)$")).match(buildRevision()).hasMatch());
        // The test itself started moments ago.
        const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
        const double started = values.value(QStringLiteral("process_start_time_seconds"));
        QVERIFY2(started > now - 600 && started <= now + 1, qPrintable(QString::number(started, 'f')));
        QVERIFY(values.value(QStringLiteral("process_resident_memory_bytes")) > 1e6);
        QVERIFY(values.value(QStringLiteral("process_cpu_seconds_total")) >= 0);
        const double open = values.value(QStringLiteral("process_open_fds"));
        QVERIFY(open >= 3 && open <= values.value(QStringLiteral("process_max_fds")));
        // A file opened now is one more.
        QFile self(QStringLiteral("/proc/self/stat"));
        QVERIFY(self.open(QIODevice::ReadOnly));
        QCOMPARE(processFigures().openFds.value_or(-1), open + 1);
    }
};

QTEST_GUILESS_MAIN(TestWebConfig)
#include "tst_webconfig.moc"
