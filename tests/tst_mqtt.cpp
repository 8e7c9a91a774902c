// The [MQTT] settings and the Home Assistant publisher against Debian's broker on a loopback
// port: discovery, what is published when, a refused login, a broker that is down or
// restarted, the retry back-off, TLS and the last will of a publisher that is killed.

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <mosquitto.h>

#include "apsim_group.h"
#include "base/wintimer.h"
#include "config/inirw.h"
#include "exporter/exporter.h"
#include "exporter/mqtt.h"
#include "logicsupport.h"
#include "monitor/stationmonitor.h"

namespace {

using P = MqttDevice::Presence;

// A port free now, below the kernel's ephemeral range (from 32768), so that no outgoing
// connection of a test running beside this one takes it before the broker binds it; apart
// from the shell tests' range (20000 to 31999).
quint16 freePort()
{
    for (;;) {
        QTcpServer s;
        const auto port = quint16(10000 + QRandomGenerator::global()->bounded(10000));
        if (s.listen(QHostAddress::LocalHost, port))
            return port;
    }
}

// Debian's broker with a configuration of its own, anonymous unless told.
struct Broker
{
    QTemporaryDir dir;
    QProcess proc;
    quint16 port;
    explicit Broker(quint16 p = freePort(), const QByteArray &more = "allow_anonymous true\n") : port(p)
    {
        const QString conf = dir.filePath(QStringLiteral("mosquitto.conf"));
        writeFile(conf, "listener " + QByteArray::number(port) +
                            " 127.0.0.1\npersistence false\nuser root\n" + more);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.setStandardOutputFile(dir.filePath(QStringLiteral("log")));
        proc.start(QStandardPaths::findExecutable("mosquitto", {"/usr/sbin"}), {QStringLiteral("-c"), conf});
        QTest::qVerify(waitUntil([this] { return listening(); }, 5000), "broker up", "", __FILE__, __LINE__);
    }
    bool listening()
    {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port);
        return s.waitForConnected(200);
    }
    ~Broker()
    {
        proc.kill();
        proc.waitForFinished();
    }
    QByteArray log() const { return readFile(dir.filePath(QStringLiteral("log"))); }
};

// A second client on libmosquitto's own thread that records everything below "#".
struct Listener
{
    mosquitto *m = mosquitto_new(nullptr, true, this);
    mutable QMutex lock;
    QList<std::tuple<QString, QByteArray, bool>> msgs; // topic, payload, retained
    std::atomic<bool> subscribed = false;

    explicit Listener(quint16 port)
    {
        mosquitto_connect_callback_set(
            m, [](mosquitto *m, void *, int) { mosquitto_subscribe(m, nullptr, "#", 1); });
        mosquitto_subscribe_callback_set(m, [](mosquitto *, void *self, int, int, const int *) {
            static_cast<Listener *>(self)->subscribed = true;
        });
        mosquitto_message_callback_set(m, [](mosquitto *, void *self, const mosquitto_message *msg) {
            QMutexLocker locked(&static_cast<Listener *>(self)->lock);
            static_cast<Listener *>(self)->msgs.append(
                {QString::fromUtf8(msg->topic),
                 QByteArray(static_cast<const char *>(msg->payload), msg->payloadlen), msg->retain});
        });
        mosquitto_connect(m, "127.0.0.1", port, 60);
        mosquitto_loop_start(m);
        waitUntil([this] { return subscribed.load(); }, 5000);
    }
    ~Listener()
    {
        mosquitto_disconnect(m);
        mosquitto_loop_stop(m, false);
        mosquitto_destroy(m);
    }
    // Payloads on topic; with retainedOnly those the broker kept.
    QList<QByteArray> at(const QString &topic, bool retainedOnly = false) const
    {
        QMutexLocker locked(&lock);
        QList<QByteArray> out;
        for (const auto &[t, payload, retained] : msgs)
            if (t == topic && (retained || !retainedOnly))
                out << payload;
        return out;
    }
    QByteArray last(const QString &topic) const { return at(topic).value(at(topic).size() - 1); }
    bool any(const QString &part) const
    {
        QMutexLocker locked(&lock);
        return std::any_of(msgs.begin(), msgs.end(),
                           [&](const auto &x) { return std::get<0>(x).contains(part); });
    }
    bool waitFor(const QString &topic, const QByteArray &payload, int ms = 5000) const
    {
        return waitUntil([&] { return at(topic).contains(payload); }, ms);
    }
};

// A started publisher and its log.
struct Pub
{
    MqttPublisher p;
    QStringList log;
    explicit Pub(quint16 port, const std::function<void(MqttSettings &)> &more = {}) : p(settings(port, more))
    {
        QObject::connect(&p, &MqttPublisher::logLine, [this](const QString &l) { log << l; });
        p.start();
    }
    static MqttSettings settings(quint16 port, const std::function<void(MqttSettings &)> &more)
    {
        MqttSettings s;
        s.server = QStringLiteral("127.0.0.1");
        s.port = port;
        if (more)
            more(s);
        return s;
    }
    bool connected()
    {
        return waitUntil([this] { return p.isConnected(); }, 8000);
    }
    // Everything published before it has reached the listener once this sentinel has.
    bool flushed(const Listener &l)
    {
        static int n = 0;
        p.updateAccessPoint(QStringLiteral("127.0.0.250"), ++n);
        return l.waitFor(QStringLiteral("senvaro/ap/127_0_0_250/stations"), QByteArray::number(n));
    }
};

MqttDevice device(const char *mac, P presence, const char *ap = "127.0.0.2")
{
    const qint64 since = QDateTime(QDate(2026, 3, 1), QTime(11, 0), Qt::UTC).toMSecsSinceEpoch();
    return {mac, "Büro-Laptop", "Apple, Inc.", true, presence, ap, "Flur", 62, 54, "11g", since};
}

QJsonObject object(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

// Expected JSON, written with ' for ".
QJsonObject expect(QByteArray json)
{
    return object(json.replace('\'', '"'));
}

const QString kTracker = QStringLiteral("homeassistant/device_tracker/senvaro_001a2b3c4d5e/config");
const QString kState = QStringLiteral("senvaro/001a2b3c4d5e/state");
const QString kAvailability = QStringLiteral("senvaro/001a2b3c4d5e/availability");
const QString kAttributes = QStringLiteral("senvaro/001a2b3c4d5e/attributes");
const QString kStatus = QStringLiteral("senvaro/status");

} // namespace

class TestMqtt : public QObject
{
    Q_OBJECT

public:
    QStringList runApart; // functions another process of this program runs meanwhile

private slots:
    void init()
    {
        if (runApart.contains(QLatin1String(QTest::currentTestFunction())))
            QSKIP("runs in a process of its own");
    }

    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("mosquitto", {"/usr/sbin"}).isEmpty(),
                 "mosquitto is missing");
        mosquitto_lib_init();
        qputenv("TZ", "Europe/Berlin"); // local times with an offset from UTC
    }

    // A missing section or server is off; defaults; the keys as written; ports that are none.
    // The command line's HOST:PORT.
    void settings()
    {
        MqttSettings s;
        QString error;
        const auto read = [&](const QByteArray &ini) {
            return MqttSettings::read(INIRW::Document::parse(ini), &s, &error);
        };
        QVERIFY(read("[Server]\r\nIP=1.2.3.4\r\n") && !s.enabled());
        QVERIFY(read("[MQTT]\r\nPort=1884\r\n") && !s.enabled());
        QVERIFY(read("[MQTT]\r\nServer=broker\r\nalle Stationen=2\r\n"));
        QVERIFY(s.server == "broker" && s.port == 1883 && s.keepAliveSeconds == 60 && !s.allStations);
        QVERIFY(s.user.isEmpty() && s.password.isEmpty() && s.caFile.isEmpty());
        QVERIFY(read("[mqtt]\r\nServer = 10.0.0.5\r\nPort=8883\r\nBenutzer=ha\r\nPasswort=gr\xfcn\r\n"
                     "CA-Datei=/etc/ca.pem\r\nalle Stationen=1\r\nKeepalive=5\r\n"));
        QVERIFY(s.server == "10.0.0.5" && s.port == 8883 && s.user == "ha" && s.caFile == "/etc/ca.pem");
        QCOMPARE(s.keepAliveSeconds, 5);
        QCOMPARE(s.password, QStringLiteral("grün")); // Latin-1 in the file
        QVERIFY(s.allStations);
        for (const char *keepAlive : {"4", "65536", "x", ""}) { // unusable: the default
            QVERIFY(read(QByteArray("[MQTT]\r\nServer=b\r\nKeepalive=") + keepAlive));
            QCOMPARE(s.keepAliveSeconds, 60);
        }
        for (const char *port : {"0", "65536", "18x3", "-1", ""}) {
            QVERIFY2(!read(QByteArray("[MQTT]\r\nServer=b\r\nPort=") + port) && !s.enabled(), port);
            QVERIFY2(error.contains(QStringLiteral("Port")), qPrintable(error));
        }

        // text, host and port as parsed; no host: refused
        const QList<std::tuple<const char *, const char *, int>> servers{
            {"127.0.0.1:1884", "127.0.0.1", 1884},
            {"broker.lan", "broker.lan", 1883},
            {"[::1]:8883", "::1", 8883},
            {"fe80::1", "fe80::1", 1883},
            {"broker:", nullptr, 0},
            {":1883", nullptr, 0},
            {"broker:0", nullptr, 0},
            {"broker:65536", nullptr, 0},
            {"broker:18a3", nullptr, 0},
            {"[::1:1883", nullptr, 0},
            {"[::1]1883", nullptr, 0},
            {"bro ker:1883", nullptr, 0}};
        for (const auto &[text, host, port] : servers) {
            QString h = QStringLiteral("-");
            quint16 p = 7;
            QVERIFY2(parseMqttServer(QLatin1String(text), &h, &p) == bool(host), text);
            QVERIFY2(h == QLatin1String(host ? host : "-") && p == (host ? port : 7), text);
        }
    }

    // The discovery messages with their exact keys, known clients only, everything retained,
    // sent again on Home Assistant's "online" (not on one it retained); the bound of devices.
    void discovery()
    {
        Broker broker;
        Listener live(broker.port);
        mosquitto_publish(live.m, nullptr, "homeassistant/status", 6, "online", 1, true);
        QVERIFY(live.waitFor(QStringLiteral("homeassistant/status"), "online"));
        auto pub = std::make_unique<Pub>(broker.port, [](MqttSettings &s) { s.maxDevices = 3; });
        QVERIFY(pub->connected());
        MqttDevice noMaker = device("00:1a:2b:3c:4d:5f", P::Present);
        noMaker.maker.clear();
        MqttDevice stranger = device("02:00:00:00:00:01", P::Present);
        stranger.known = false;
        for (const MqttDevice &d :
             {device("00:1A:2B:3C:4D:5E", P::Present), noMaker, stranger,
              device("00:00:00:00:00:03", P::Present), device("00:00:00:00:00:04", P::Absent)})
            pub->p.updateDevice(d);
        pub->p.updateAccessPoint(QStringLiteral("127.0.0.2"), 3);
        QVERIFY(pub->flushed(live));

        QCOMPARE(
            object(live.last(kTracker)),
            expect(
                "{'name':'B\xc3\xbcro-Laptop','unique_id':'senvaro_001a2b3c4d5e',"
                "'state_topic':'senvaro/001a2b3c4d5e/"
                "state','payload_home':'home','payload_not_home':'not_home',"
                "'source_type':'router','json_attributes_topic':'senvaro/001a2b3c4d5e/attributes',"
                "'availability':[{'topic':'senvaro/status'},{'topic':'senvaro/001a2b3c4d5e/availability'}],"
                "'availability_mode':'all','device':{'connections':[['mac','00:1a:2b:3c:4d:5e']],"
                "'name':'B\xc3\xbcro-Laptop','manufacturer':'Apple, Inc.'},'origin':{'name':'Senvaro',"
                "'sw_version':'" SENVARO_VERSION "','support_url':'" SENVARO_HOMEPAGE "'}}"));
        QCOMPARE(object(live.last(kAttributes)),
                 expect("{'ap':'127.0.0.2','ap_name':'Flur','signal_ratio':0.62,'rate_mbps':54,'mode':'11g',"
                        "'connected_since':'2026-03-01T12:00:00+01:00','maker':'Apple, Inc.'}"));
        const QJsonObject device5f =
            object(live.last("homeassistant/device_tracker/senvaro_001a2b3c4d5f/config"));
        QVERIFY(device5f.value("device").toObject().contains("name"));
        QVERIFY(!device5f.value("device").toObject().contains("manufacturer"));
        QVERIFY(!live.any(QStringLiteral("020000000001")));
        QVERIFY(live.any(QStringLiteral("000000000003")) && !live.any(QStringLiteral("000000000004")));
        QCOMPARE(pub->log.filter(QStringLiteral("mehr als 3 Geräte")).size(), 1);
        QCOMPARE(
            object(live.last("homeassistant/sensor/senvaro_ap_127_0_0_2/config")),
            expect(
                "{'name':'Stationen 127.0.0.2','unique_id':'senvaro_ap_127_0_0_2',"
                "'state_topic':'senvaro/ap/127_0_0_2/stations','state_class':'measurement',"
                "'availability':[{'topic':'senvaro/status'},{'topic':'senvaro/ap/127_0_0_2/availability'}],"
                "'availability_mode':'all','origin':{'name':'Senvaro','sw_version':'" SENVARO_VERSION
                "','support_url':'" SENVARO_HOMEPAGE "'}}"));
        QCOMPARE(live.last("senvaro/ap/127_0_0_2/stations"), QByteArray("3"));

        Listener late(broker.port);
        QVERIFY(late.waitFor(kState, "home"));
        for (const QString &topic : {kTracker, kState, kAvailability, kAttributes, kStatus})
            QVERIFY2(!late.at(topic, true).isEmpty(), qPrintable(topic));
        QCOMPARE(late.last(kStatus), QByteArray("online"));

        QCOMPARE(live.at(kTracker).size(), 1);
        QCOMPARE(live.at(kStatus), QList<QByteArray>{"online"});
        mosquitto_publish(live.m, nullptr, "homeassistant/status", 6, "online", 1, false);
        QVERIFY(
            waitUntil([&] { return live.at(kTracker).size() == 2 && live.at(kState).size() == 2; }, 5000));
        pub.reset();
        QVERIFY(live.waitFor(kStatus, "offline"));
    }

    // State only on change; Unknown makes the entity unavailable and never "not_home"; a roam
    // is new attributes and no state. With "alle Stationen=1" for a station not known.
    void stateChanges()
    {
        Broker broker;
        Listener live(broker.port);
        Pub pub(broker.port, [](MqttSettings &s) { s.allStations = true; });
        QVERIFY(pub.connected());
        const auto feed = [&](P p, const char *ap = "127.0.0.2") {
            MqttDevice d = device("00:1a:2b:3c:4d:5e", p, ap);
            d.known = false;
            pub.p.updateDevice(d);
        };
        for (int i = 0; i < 10; ++i)
            feed(P::Present);
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.at(kState), QList<QByteArray>{"home"});
        QCOMPARE(live.at(kAttributes).size(), 1);
        for (P p : {P::Absent, P::Absent, P::Present, P::Unknown, P::Unknown, P::Present})
            feed(p);
        feed(P::Present, "127.0.0.3");
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.at(kState), (QList<QByteArray>{"home", "not_home", "home"}));
        QCOMPARE(live.at(kAvailability), (QList<QByteArray>{"online", "offline", "online"}));
        QCOMPARE(object(live.last(kAttributes)).value("ap").toString(), QStringLiteral("127.0.0.3"));
        QCOMPARE(live.at(kTracker).size(), 1);
    }

    // A wrong password: retried, said once, never with the password, and no call waits.
    void refusedLogin()
    {
        QTemporaryDir dir;
        const QString passwords = dir.filePath(QStringLiteral("passwd"));
        QCOMPARE(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "ha", "Ge-heim7"}), 0);
        Broker broker(freePort(),
                      "allow_anonymous false\npassword_file " + QFile::encodeName(passwords) + "\n");
        const auto login = [](const char *password) {
            return [=](MqttSettings &s) {
                s.user = QStringLiteral("ha");
                s.password = QLatin1String(password);
            };
        };
        Pub wrong(broker.port, login("falsch-XY"));
        QTest::qWait(2500); // tried at 0 s and 1 s
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 1000; ++i)
            wrong.p.updateDevice(device("00:1a:2b:3c:4d:5e", i % 2 ? P::Present : P::Absent));
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(broker.log().count("not authorised") >= 2);
        QCOMPARE(wrong.log, QStringList{QStringLiteral("MQTT: Verbindung zu 127.0.0.1:%1 abgelehnt "
                                                       "(Benutzer oder Passwort falsch)")
                                            .arg(broker.port)});
        Pub right(broker.port, login("Ge-heim7"));
        QVERIFY(right.connected());
        QCOMPARE(right.log, QStringList{QStringLiteral("MQTT: verbunden mit 127.0.0.1:%1").arg(broker.port)});
        QVERIFY(!(wrong.log + right.log).join(' ').contains(QStringLiteral("heim")));
    }

    // Down at first: said once, values kept, the latest published once the broker is up; a
    // broker restarted without its retained messages gets all of them again.
    void brokerDownThenUp()
    {
        const quint16 port = freePort();
        Pub pub(port);
        QVERIFY(waitUntil([&] { return !pub.log.isEmpty(); }, 3000));
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Present));
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Absent, "127.0.0.3"));
        pub.p.updateAccessPoint(QStringLiteral("127.0.0.3"), std::nullopt);
        QTest::qWait(1500); // a second attempt
        auto broker = std::make_unique<Broker>(port);
        QVERIFY(pub.connected());
        QCOMPARE(
            pub.log,
            (QStringList{
                QStringLiteral("MQTT: keine Verbindung zu 127.0.0.1:%1 (Verbindung abgewiesen)").arg(port),
                QStringLiteral("MQTT: verbunden mit 127.0.0.1:%1").arg(port)}));
        for (int run = 0; run < 2; ++run) {
            Listener late(port);
            QVERIFY(late.waitFor(kState, "not_home"));
            // Messages come in no fixed order: wait for each. After the restart the listener may
            // be subscribed before they are sent again, so they need not arrive as retained ones.
            QVERIFY(waitUntil([&] { return !late.at(kTracker).isEmpty(); }, 5000));
            QVERIFY(waitUntil(
                [&] {
                    return object(late.last(kAttributes)).value("ap").toString() ==
                           QStringLiteral("127.0.0.3");
                },
                5000));
            QVERIFY(late.waitFor("senvaro/ap/127_0_0_3/availability", "offline"));
            QVERIFY(late.at("senvaro/ap/127_0_0_3/stations").isEmpty());
            if (run == 0) {
                broker.reset();
                QVERIFY(waitUntil([&] { return !pub.p.isConnected(); }, 5000));
                broker = std::make_unique<Broker>(port);
                QVERIFY(pub.connected());
            }
        }
        QCOMPARE(pub.log.filter(QStringLiteral("unterbrochen (vom Server getrennt)")).size(), 1);
    }

    // A peer that takes the connection and drops it: tried again after 1 s, then 2 s.
    void backoff()
    {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost, 0));
        QList<qint64> attempts;
        QElapsedTimer clock;
        clock.start();
        connect(&peer, &QTcpServer::newConnection, [&] {
            attempts << clock.elapsed();
            delete peer.nextPendingConnection();
        });
        Pub pub(peer.serverPort());
        QVERIFY(waitUntil([&] { return attempts.size() >= 3; }, 8000));
        QVERIFY2(attempts[1] - attempts[0] >= 900 && attempts[2] - attempts[1] >= 1800,
                 qPrintable(QString::number(attempts[1]) + ' ' + QString::number(attempts[2])));
        QCOMPARE(pub.log.size(), 1);
    }

    // TLS against the CA of the settings (certificates made here by openssl); a broker whose
    // certificate another CA signed is refused.
    void tls()
    {
        QTemporaryDir dir;
        const char *script =
            "set -e; key='-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes'\n"
            "openssl req -x509 $key -days 2 -subj /CN=ca -keyout ca.key -out ca.pem\n"
            "openssl req -x509 $key -days 2 -subj /CN=other -keyout other.key -out other.pem\n"
            "openssl req $key -subj /CN=localhost -keyout server.key -out server.csr\n"
            "echo subjectAltName=IP:127.0.0.1 > san\n"
            "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
            "-extfile san -out server.pem";
        QProcess sh;
        sh.setWorkingDirectory(dir.path());
        sh.start(QStringLiteral("bash"), {QStringLiteral("-c"), QString::fromLatin1(script)});
        QVERIFY(sh.waitForFinished() && sh.exitCode() == 0);
        const quint16 tlsPort = freePort();
        const QByteArray at = QFile::encodeName(dir.path()) + '/';
        Broker broker(freePort(), "allow_anonymous true\nlistener " + QByteArray::number(tlsPort) +
                                      " 127.0.0.1\ncertfile " + at + "server.pem\nkeyfile " + at +
                                      "server.key\n");
        Listener live(broker.port);
        Pub pub(tlsPort, [&](MqttSettings &s) { s.caFile = dir.filePath("ca.pem"); });
        QVERIFY(pub.connected());
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Present));
        QVERIFY(live.waitFor(kState, "home"));
        Pub refused(tlsPort, [&](MqttSettings &s) { s.caFile = dir.filePath("other.pem"); });
        QTest::qWait(1500);
        QCOMPARE(
            refused.log,
            QStringList{QStringLiteral("MQTT: keine Verbindung zu 127.0.0.1:%1 (TLS-Fehler)").arg(tlsPort)});
    }

    // The broker's last will: "offline" on senvaro/status within 1.5 keep-alive periods when
    // the exporter is killed. The broker's log shows the keep-alive it was given (5 s from the
    // settings file, libmosquitto's shortest) and the pings that hold the connection meanwhile.
    void lastWill()
    {
        Broker broker(freePort(), "allow_anonymous true\nlog_type all\n");
        Listener live(broker.port);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("senvaro.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // An access point nobody answers for: the exporter keeps trying and stays up.
        file.write("[Server]\r\nIP=127.0.9.9\r\n[MQTT]\r\nServer=127.0.0.1\r\nPort=" +
                   QByteArray::number(broker.port) + "\r\nKeepalive=5\r\n");
        file.close();
        QProcess exporter;
        exporter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        exporter.start(QStringLiteral(SENVARO_EXPORTER_BIN),
                       {QStringLiteral("--settings"), ini, QStringLiteral("--textfile"), dir.path()});
        QVERIFY(live.waitFor(kStatus, "online"));
        QVERIFY(broker.log().contains(", k5)"));
        QVERIFY(waitUntil([&] { return broker.log().contains("Received PINGREQ"); }, 10000));
        QCOMPARE(live.at(kStatus), QList<QByteArray>{"online"});
        QElapsedTimer t;
        t.start();
        ::kill(pid_t(exporter.processId()), SIGKILL);
        QVERIFY(live.waitFor(kStatus, "offline", 7500));
        QVERIFY(t.elapsed() <= 7500);
        exporter.waitForFinished();
    }

    // Presence from the exporter's station monitor: short drop-outs and roams between two
    // simulated access points never say not_home; a silenced access point makes its device
    // unavailable, never not_home; a leave longer than the grace period says it once.
    void presenceThroughTheExporter()
    {
        Broker broker;
        Listener live(broker.port);
        Pub pub(broker.port);
        QVERIFY(pub.connected());
        const QString a = QStringLiteral("127.0.10.1"), b = QStringLiteral("127.0.10.2");
        const QString phone = QStringLiteral("00:1A:2B:3C:4D:5E");
        apsim::ApSimGroup sims(apsim::Options(), false);
        QVERIFY(sims.listen({QHostAddress(a), QHostAddress(b)}));
        auto config = std::make_shared<WatchConfig>();
        config->user = config->password = QStringLiteral("admin");
        config->cycleMs = 2000;
        config->known = knownClients({{phone, "Telefon", {}, "Falsch"}});
        auto clock = std::make_shared<SteppedClock>();
        Exporter exporter({a, b}, config, clock, [] { return qint64(0); });
        exporter.setMqtt(&pub.p);
        exporter.start();
        const StationMonitor &m = exporter.monitor();
        const auto at = [&](const QString &ap) { return m.device(phone) && m.device(phone)->ap == ap; };
        const auto listedBy = [&](const QString &ap) {
            return exporter.watches()[ap == a ? 0 : 1]->sample().stations.size() == 1;
        };
        QVERIFY(sims.control("join " + phone + ' ' + a).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return at(a); }, 20000));
        for (int i = 0; i < 10; ++i) { // gone for a few polls, back long before 60 s
            QVERIFY(sims.control("leave " + phone + ' ' + a).startsWith("ok"));
            QVERIFY(stepUntil(
                *clock, [&] { return !listedBy(a); }, 10000));
            clock->advance(4000);
            QVERIFY(sims.control("join " + phone + ' ' + a).startsWith("ok"));
            QVERIFY(stepUntil(
                *clock, [&] { return listedBy(a); }, 10000));
        }
        for (int i = 0; i < 10; ++i) {
            const QString to = i % 2 ? a : b;
            QVERIFY(sims.control("join " + phone + ' ' + to).startsWith("ok"));
            QVERIFY(stepUntil(
                *clock, [&] { return at(to); }, 20000));
        }
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.at(kState), QList<QByteArray>{"home"});
        QCOMPARE(object(live.last(kAttributes)).value("ap").toString(), a);

        QVERIFY(sims.control("silent " + a).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(phone)->presence == Presence::Unknown; }, 30000));
        QVERIFY(live.waitFor(kAvailability, "offline"));
        clock->advance(120000);
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.at(kState), QList<QByteArray>{"home"});

        QVERIFY(sims.control("answer " + a).startsWith("ok"));
        QVERIFY(sims.control("leave " + phone + ' ' + a).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return m.device(phone)->presence == Presence::Absent; }, 200000));
        QVERIFY(sims.control("join " + phone + ' ' + b).startsWith("ok"));
        QVERIFY(stepUntil(
            *clock, [&] { return at(b) && m.device(phone)->presence == Presence::Present; }, 20000));
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.at(kState), (QList<QByteArray>{"home", "not_home", "home"}));
    }
};

// Most of this test waits for the broker's clocks (keep-alive, back-off, retries). Run
// without arguments, the longest waits run in further processes of this program meanwhile,
// each with its functions named, and count in the exit status; with arguments, as asked.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestMqtt test;
    if (argc > 1)
        return QTest::qExec(&test, argc, argv);
    const QList<QStringList> apart{{"lastWill"}, {"refusedLogin", "backoff", "tls"}, {"brokerDownThenUp"}};
    std::vector<std::unique_ptr<QProcess>> others;
    for (const QStringList &functions : apart) {
        others.push_back(std::make_unique<QProcess>());
        others.back()->setProcessChannelMode(QProcess::MergedChannels);
        others.back()->start(QCoreApplication::applicationFilePath(), functions);
        test.runApart += functions;
    }
    int status = QTest::qExec(&test, argc, argv);
    for (const auto &other : others) {
        const bool done = other->state() == QProcess::NotRunning || other->waitForFinished(120'000);
        std::fputs(other->readAll().constData(), stdout);
        if (!done || other->exitStatus() != QProcess::NormalExit || other->exitCode() != 0) {
            std::printf("FAIL!  : %s: %s\n", qPrintable(other->arguments().join(' ')),
                        done ? "failed" : "did not end within 120 s");
            status = status ? status : 1;
        }
    }
    return status;
}
#include "tst_mqtt.moc"
