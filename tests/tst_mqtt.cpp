// The [MQTT] settings and the Home Assistant publisher against Debian's broker on a loopback
// port: discovery, what is published when, a refused login, a broker that is down, the
// retry back-off and the last will of a publisher that is killed or frozen.

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <mosquitto.h>

#include "config/inirw.h"
#include "config/mqttsettings.h"
#include "exporter/mqtt.h"
#include "logicsupport.h"

namespace {

using P = MqttDevice::Presence;

quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// Debian's broker with a configuration of its own; access is anonymous unless told.
struct Broker
{
    QTemporaryDir dir;
    QProcess proc;
    quint16 port;
    explicit Broker(quint16 p = freePort(), const QByteArray &access = "allow_anonymous true\n") : port(p)
    {
        const QString conf = dir.filePath(QStringLiteral("mosquitto.conf"));
        writeFile(conf, "listener " + QByteArray::number(port) +
                            " 127.0.0.1\npersistence false\nuser root\n" + access);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.setStandardOutputFile(dir.filePath(QStringLiteral("broker.log")));
        proc.start(QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"}),
                   {QStringLiteral("-c"), conf});
    }
    ~Broker()
    {
        proc.kill();
        proc.waitForFinished();
    }
    bool up()
    {
        return waitUntil(
            [this] {
                QTcpSocket s;
                s.connectToHost(QHostAddress::LocalHost, port);
                return s.waitForConnected(200);
            },
            5000);
    }
};

// A second client on libmosquitto's own thread that records everything below "#".
struct Listener
{
    struct Msg
    {
        QString topic;
        QByteArray payload;
        bool retained;
    };
    mosquitto *m;
    mutable QMutex lock;
    QList<Msg> msgs;
    std::atomic<bool> subscribed = false;

    explicit Listener(quint16 port, const char *user = nullptr, const char *password = nullptr)
        : m(mosquitto_new(nullptr, true, this))
    {
        mosquitto_username_pw_set(m, user, password);
        mosquitto_connect_callback_set(m, [](mosquitto *m, void *, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "#", 1);
        });
        mosquitto_subscribe_callback_set(m, [](mosquitto *, void *self, int, int, const int *) {
            static_cast<Listener *>(self)->subscribed = true;
        });
        mosquitto_message_callback_set(m, [](mosquitto *, void *self, const mosquitto_message *msg) {
            auto *l = static_cast<Listener *>(self);
            QMutexLocker locked(&l->lock);
            l->msgs.append({QString::fromUtf8(msg->topic),
                            QByteArray(static_cast<const char *>(msg->payload), msg->payloadlen),
                            msg->retain});
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
    QList<QByteArray> payloads(const QString &topic) const
    {
        QMutexLocker locked(&lock);
        QList<QByteArray> out;
        for (const Msg &msg : msgs)
            if (msg.topic == topic)
                out << msg.payload;
        return out;
    }
    QByteArray last(const QString &topic) const { return payloads(topic).value(payloads(topic).size() - 1); }
    bool retained(const QString &topic) const
    {
        QMutexLocker locked(&lock);
        return std::any_of(msgs.begin(), msgs.end(),
                           [&](const Msg &x) { return x.topic == topic && x.retained; });
    }
    bool anyTopicContains(const QString &part) const
    {
        QMutexLocker locked(&lock);
        return std::any_of(msgs.begin(), msgs.end(), [&](const Msg &x) { return x.topic.contains(part); });
    }
    bool waitFor(const QString &topic, const QByteArray &payload, int ms = 5000) const
    {
        return waitUntil([&] { return payloads(topic).contains(payload); }, ms);
    }
};

MqttSettings settingsFor(quint16 port)
{
    MqttSettings s;
    s.server = QStringLiteral("127.0.0.1");
    s.port = port;
    return s;
}

// A started publisher and its log.
struct Pub
{
    MqttPublisher p;
    QStringList log;
    explicit Pub(const MqttSettings &s) : p(s)
    {
        QObject::connect(&p, &MqttPublisher::logLine, [this](const QString &l) { log << l; });
        p.start();
    }
    bool connected()
    {
        return waitUntil([this] { return p.isConnected(); }, 8000);
    }
    // Everything before it has reached the listener once the sentinel has.
    bool flushed(const Listener &l)
    {
        static int n = 0;
        p.updateAccessPoint(QStringLiteral("127.0.0.250"), ++n);
        return l.waitFor(QStringLiteral("senvaro/ap/127_0_0_250/stations"), QByteArray::number(n));
    }
};

MqttDevice device(const char *mac, P presence, const char *ap = "127.0.0.2")
{
    MqttDevice d;
    d.mac = QLatin1String(mac);
    d.name = QStringLiteral("Büro-Laptop");
    d.maker = QStringLiteral("Apple, Inc.");
    d.known = true;
    d.presence = presence;
    d.ap = QLatin1String(ap);
    d.apName = QStringLiteral("Flur");
    d.rxPerCent = 62;
    d.rateMbps = 54;
    d.mode = QStringLiteral("11g");
    d.connectedSinceMs = QDateTime(QDate(2026, 3, 1), QTime(11, 0), Qt::UTC).toMSecsSinceEpoch();
    return d;
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

} // namespace

class TestMqtt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin"}).isEmpty(),
                 "Debian's mosquitto is missing");
        mosquitto_lib_init();
    }

    // Missing section or server: off. Defaults, the keys as written, and ports that are no port.
    void settings()
    {
        MqttSettings s;
        QString error;
        QVERIFY(MqttSettings::read(INIRW::Document::parse("[Server]\r\nIP=1.2.3.4\r\n"), &s, &error));
        QVERIFY(!s.enabled());
        QVERIFY(MqttSettings::read(INIRW::Document::parse("[MQTT]\r\nPort=1884\r\n"), &s, &error));
        QVERIFY(!s.enabled());
        QVERIFY(MqttSettings::read(INIRW::Document::parse("[MQTT]\r\nServer=broker\r\n"), &s, &error));
        QCOMPARE(s.server, QStringLiteral("broker"));
        QCOMPARE(s.port, quint16(1883));
        QCOMPARE(s.keepAliveSeconds, 60);
        QVERIFY(!s.allStations && s.user.isEmpty() && s.password.isEmpty() && s.caFile.isEmpty());

        QVERIFY(MqttSettings::read(
            INIRW::Document::parse("[mqtt]\r\nServer = 10.0.0.5\r\nPort=8883\r\n"
                                   "Benutzer=ha\r\nPasswort=gr\xfcn\r\nCA-Datei=/etc/ca.pem\r\n"
                                   "alle Stationen=1\r\n"),
            &s, &error));
        QCOMPARE(s.server, QStringLiteral("10.0.0.5"));
        QCOMPARE(s.port, quint16(8883));
        QCOMPARE(s.user, QStringLiteral("ha"));
        QCOMPARE(s.password, QStringLiteral("grün")); // Latin-1 in the file
        QCOMPARE(s.caFile, QStringLiteral("/etc/ca.pem"));
        QVERIFY(s.allStations);
        QVERIFY(MqttSettings::read(INIRW::Document::parse("[MQTT]\r\nServer=b\r\nalle Stationen=2\r\n"), &s,
                                   &error));
        QVERIFY(!s.allStations);

        for (const char *port : {"0", "65536", "18x3", "-1", ""}) {
            error.clear();
            QVERIFY2(
                !MqttSettings::read(INIRW::Document::parse(QByteArray("[MQTT]\r\nServer=b\r\nPort=") + port),
                                    &s, &error),
                port);
            QVERIFY(!s.enabled());
            QVERIFY2(error.contains(QStringLiteral("Port")), qPrintable(error));
        }
    }

    void parseServer_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::newRow("address and port") << "127.0.0.1:1884"
                                          << "127.0.0.1" << 1884;
        QTest::newRow("name alone") << "broker.lan"
                                    << "broker.lan" << 1883;
        QTest::newRow("v6 with port") << "[::1]:8883"
                                      << "::1" << 8883;
        QTest::newRow("v6 alone") << "fe80::1"
                                  << "fe80::1" << 1883;
        QTest::newRow("no port after colon") << "broker:"
                                             << "" << 0;
        QTest::newRow("no host") << ":1883"
                                 << "" << 0;
        QTest::newRow("port 0") << "broker:0"
                                << "" << 0;
        QTest::newRow("port too big") << "broker:65536"
                                      << "" << 0;
        QTest::newRow("port with letters") << "broker:18a3"
                                           << "" << 0;
        QTest::newRow("open bracket") << "[::1:1883"
                                      << "" << 0;
        QTest::newRow("junk after bracket") << "[::1]1883"
                                            << "" << 0;
        QTest::newRow("blank in host") << "bro ker:1883"
                                       << "" << 0;
    }
    void parseServer()
    {
        QFETCH(QString, text);
        QFETCH(QString, host);
        QFETCH(int, port);
        QString h = QStringLiteral("unchanged");
        quint16 p = 7;
        QCOMPARE(parseMqttServer(text, &h, &p), !host.isEmpty());
        QCOMPARE(h, host.isEmpty() ? QStringLiteral("unchanged") : host);
        QCOMPARE(int(p), host.isEmpty() ? 7 : port);
    }

    // Known clients only: the discovery message with its exact keys, the retained topics, the
    // station sensor, everything again after Home Assistant's "online", "offline" on the end.
    void discovery()
    {
        Broker broker;
        QVERIFY(broker.up());
        Listener live(broker.port);
        auto pub = std::make_unique<Pub>(settingsFor(broker.port));
        QVERIFY(pub->connected());
        pub->p.updateDevice(device("00:1A:2B:3C:4D:5E", P::Present));
        MqttDevice stranger = device("02:00:00:00:00:01", P::Present);
        stranger.known = false;
        pub->p.updateDevice(stranger);
        pub->p.updateAccessPoint(QStringLiteral("127.0.0.2"), 3);
        QVERIFY(pub->flushed(live));

        const QJsonObject expected = expect(
            "{'name':'B\xc3\xbcro-Laptop','unique_id':'senvaro_001a2b3c4d5e',"
            "'state_topic':'senvaro/001a2b3c4d5e/state','payload_home':'home','payload_not_home':'not_home',"
            "'source_type':'router','json_attributes_topic':'senvaro/001a2b3c4d5e/attributes',"
            "'availability':[{'topic':'senvaro/status'},{'topic':'senvaro/001a2b3c4d5e/availability'}],"
            "'availability_mode':'all','device':{'connections':[['mac','00:1a:2b:3c:4d:5e']],"
            "'name':'B\xc3\xbcro-Laptop','manufacturer':'Apple, Inc.'},'origin':{'name':'Senvaro',"
            "'sw_version':'" SENVARO_VERSION "','support_url':'" SENVARO_HOMEPAGE "'}}");
        QVERIFY(!expected.isEmpty());
        QCOMPARE(object(live.last(kTracker)), expected);
        QCOMPARE(object(live.last(kAttributes)),
                 expect("{'ap':'127.0.0.2','ap_name':'Flur','signal_ratio':0.62,'rate_mbps':54,'mode':'11g',"
                        "'connected_since':'2026-03-01T12:00:00+01:00','maker':'Apple, Inc.'}"));
        QVERIFY(!live.anyTopicContains(QStringLiteral("020000000001")));
        const QJsonObject sensor =
            object(live.last(QStringLiteral("homeassistant/sensor/senvaro_ap_127_0_0_2/config")));
        QCOMPARE(sensor.value("unique_id").toString(), QStringLiteral("senvaro_ap_127_0_0_2"));
        QCOMPARE(sensor.value("state_topic").toString(), QStringLiteral("senvaro/ap/127_0_0_2/stations"));
        QCOMPARE(sensor.value("availability").toArray().first().toObject().value("topic").toString(),
                 QStringLiteral("senvaro/status"));
        QCOMPARE(live.last(QStringLiteral("senvaro/ap/127_0_0_2/stations")), QByteArray("3"));

        // A late subscriber gets all of it retained.
        Listener late(broker.port);
        QVERIFY(late.waitFor(kState, "home"));
        for (const QString &topic :
             {kTracker, kState, kAvailability, kAttributes, QStringLiteral("senvaro/status")})
            QVERIFY2(late.retained(topic), qPrintable(topic));
        QCOMPARE(late.last(QStringLiteral("senvaro/status")), QByteArray("online"));

        // A maker not yet known leaves the key out.
        MqttDevice unnamed = device("00:1A:2B:3C:4D:5F", P::Present);
        unnamed.maker.clear();
        pub->p.updateDevice(unnamed);
        QVERIFY(pub->flushed(live));
        const QJsonObject noMaker =
            object(live.last("homeassistant/device_tracker/senvaro_001a2b3c4d5f/config"));
        QVERIFY(noMaker.value("device").toObject().contains("name"));
        QVERIFY(!noMaker.value("device").toObject().contains("manufacturer"));

        mosquitto_publish(live.m, nullptr, "homeassistant/status", 6, "online", 1, false);
        QVERIFY(waitUntil(
            [&] { return live.payloads(kTracker).size() == 2 && live.payloads(kState).size() == 2; }, 5000));
        pub.reset();
        QVERIFY(live.waitFor(QStringLiteral("senvaro/status"), "offline"));
    }

    // Every station with "alle Stationen=1", up to the bound; the bound is said once.
    void allStations()
    {
        Broker broker;
        QVERIFY(broker.up());
        Listener live(broker.port);
        MqttSettings s = settingsFor(broker.port);
        s.allStations = true;
        s.maxDevices = 2;
        Pub pub(s);
        QVERIFY(pub.connected());
        for (const char *mac :
             {"02:00:00:00:00:01", "02:00:00:00:00:02", "02:00:00:00:00:03", "02:00:00:00:00:03"}) {
            MqttDevice d = device(mac, P::Present);
            d.known = false;
            pub.p.updateDevice(d);
        }
        QVERIFY(pub.flushed(live));
        QVERIFY(live.anyTopicContains(QStringLiteral("020000000001")));
        QVERIFY(live.anyTopicContains(QStringLiteral("020000000002")));
        QVERIFY(!live.anyTopicContains(QStringLiteral("020000000003")));
        QCOMPARE(pub.log.filter(QStringLiteral("mehr als 2 Geräte")).size(), 1);
    }

    // State only on change; Unknown makes the entity unavailable and never "not_home"; a roam
    // is new attributes and no state.
    void stateChanges()
    {
        Broker broker;
        QVERIFY(broker.up());
        Listener live(broker.port);
        Pub pub(settingsFor(broker.port));
        QVERIFY(pub.connected());
        for (int i = 0; i < 10; ++i)
            pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Present));
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.payloads(kState), QList<QByteArray>{"home"});
        QCOMPARE(live.payloads(kAttributes).size(), 1);

        for (P p : {P::Absent, P::Absent, P::Present, P::Unknown, P::Unknown, P::Present})
            pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", p));
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Present, "127.0.0.3"));
        QVERIFY(pub.flushed(live));
        QCOMPARE(live.payloads(kState), (QList<QByteArray>{"home", "not_home", "home"}));
        QCOMPARE(live.payloads(kAvailability), (QList<QByteArray>{"online", "offline", "online"}));
        QCOMPARE(object(live.last(kAttributes)).value("ap").toString(), QStringLiteral("127.0.0.3"));
        QCOMPARE(live.payloads(kTracker).size(), 1);
    }

    // A wrong password: retried, said once, never with the password, and no call waits.
    void refusedLogin()
    {
        QTemporaryDir dir;
        const QString passwords = dir.filePath(QStringLiteral("passwd"));
        QCOMPARE(QProcess::execute(QStringLiteral("mosquitto_passwd"),
                                   {QStringLiteral("-c"), QStringLiteral("-b"), passwords, "ha", "Ge-heim7"}),
                 0);
        Broker broker(freePort(), "allow_anonymous false\npassword_file " + passwords.toUtf8() + "\n");
        QVERIFY(broker.up());
        MqttSettings s = settingsFor(broker.port);
        s.user = QStringLiteral("ha");
        s.password = QStringLiteral("falsch-XY");
        Pub wrong(s);
        QTest::qWait(2500); // tried at 0 s and 1 s
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 1000; ++i)
            wrong.p.updateDevice(device("00:1a:2b:3c:4d:5e", i % 2 ? P::Present : P::Absent));
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(wrong.log, QStringList{QStringLiteral("MQTT: Verbindung zu 127.0.0.1:%1 abgelehnt "
                                                       "(Benutzer oder Passwort falsch)")
                                            .arg(broker.port)});
        QVERIFY(!wrong.p.isConnected());

        s.password = QStringLiteral("Ge-heim7");
        Pub right(s);
        QVERIFY(right.connected());
        QCOMPARE(right.log, QStringList{QStringLiteral("MQTT: verbunden mit 127.0.0.1:%1").arg(broker.port)});
        for (const QString &line : wrong.log + right.log)
            QVERIFY(!line.contains(QStringLiteral("heim")) && !line.contains(QStringLiteral("falsch-")));
    }

    // Down at first: said once, values kept, the latest published once the broker is up.
    void brokerDownThenUp()
    {
        const quint16 port = freePort();
        Pub pub(settingsFor(port));
        QVERIFY(waitUntil([&] { return !pub.log.isEmpty(); }, 3000));
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Present));
        pub.p.updateDevice(device("00:1a:2b:3c:4d:5e", P::Absent, "127.0.0.3"));
        pub.p.updateAccessPoint(QStringLiteral("127.0.0.3"), std::nullopt);
        QTest::qWait(1500); // a second attempt
        Broker broker(port);
        QVERIFY(broker.up());
        QVERIFY(pub.connected());
        QCOMPARE(pub.log, (QStringList{QStringLiteral("MQTT: keine Verbindung zu 127.0.0.1:%1 "
                                                      "(Verbindung abgewiesen)")
                                           .arg(port),
                                       QStringLiteral("MQTT: verbunden mit 127.0.0.1:%1").arg(port)}));
        Listener late(port);
        QVERIFY(late.waitFor(kState, "not_home"));
        QCOMPARE(object(late.last(kAttributes)).value("ap").toString(), QStringLiteral("127.0.0.3"));
        QVERIFY(late.waitFor(QStringLiteral("senvaro/ap/127_0_0_3/availability"), "offline"));
        QVERIFY(late.payloads(QStringLiteral("senvaro/ap/127_0_0_3/stations")).isEmpty());
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
        Pub pub(settingsFor(peer.serverPort()));
        QVERIFY(waitUntil([&] { return attempts.size() >= 3; }, 8000));
        QVERIFY2(attempts[1] - attempts[0] >= 900 && attempts[2] - attempts[1] >= 1800,
                 qPrintable(QString::number(attempts[1]) + ' ' + QString::number(attempts[2])));
        QCOMPARE(pub.log.size(), 1);
    }

    // The broker's last will: "offline" on senvaro/status within 1.5 keep-alive periods when
    // the publisher is killed. The broker's log shows the keep-alive it was given (5 s,
    // libmosquitto's shortest) and the pings that hold the connection meanwhile.
    void lastWill()
    {
        Broker broker(freePort(), "allow_anonymous true\nlog_type all\n");
        QVERIFY(broker.up());
        Listener live(broker.port);
        const QString status = QStringLiteral("senvaro/status");
        QProcess child;
        child.start(qEnvironmentVariable("SENVARO_MQTT_HELPER"), {QString::number(broker.port), "5"});
        QVERIFY(live.waitFor(status, "online"));
        const auto log = [&] { return readFile(broker.dir.filePath(QStringLiteral("broker.log"))); };
        QVERIFY(log().contains(", k5)"));
        QVERIFY(waitUntil([&] { return log().contains("Received PINGREQ"); }, 10000));
        QCOMPARE(live.payloads(status), QList<QByteArray>{"online"});
        QElapsedTimer t;
        t.start();
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(live.waitFor(status, "offline", 7500));
        QVERIFY(t.elapsed() <= 7500);
        child.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
