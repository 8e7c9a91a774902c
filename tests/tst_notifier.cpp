#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "config/alertsettings.h"
#include "config/inirw.h"
#include "logicsupport.h"
#include "monitor/alerts.h"
#include "ui/notifier.h"

namespace {

// A notification server on the private bus that records what it is asked.
class FakeServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString app, summary, body;
        uint replaces;
        QVariantMap hints;
        int timeout;
    };
    QList<Call> calls;
    bool hold = false; // keep the answer back until release()
    QList<QDBusMessage> held;
    uint nextId = 41;

public slots:
    uint Notify(const QString &app, uint replaces, const QString &, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int timeout)
    {
        calls.append({app, summary, body, replaces, hints, timeout});
        if (hold) {
            setDelayedReply(true);
            held.append(message());
        }
        return nextId++;
    }
};

Alert alert(const QString &key, const QString &summary, Alert::Urgency urgency = Alert::Urgency::Normal)
{
    Alert a;
    a.key = key;
    a.summary = summary;
    a.body = QStringLiteral("Laptop Anna (00:11:22:33:44:55) seit 61 s nicht mehr verbunden");
    a.urgency = urgency;
    a.category = QStringLiteral("network.disconnected");
    return a;
}

} // namespace

namespace {

const QString kAnna = QStringLiteral("00:11:22:33:44:55");
const QString kPrinter = QStringLiteral("00:11:22:33:44:66");
const QString kStranger = QStringLiteral("AA:BB:CC:DD:EE:FF");
const QDateTime kStart = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

const auto at = [](qint64 ms) { return kStart.addMSecs(ms); };
const auto anna = [](double rx = 50) { return AlertStation{kAnna, "Laptop Anna", true, rx}; };
const auto printer = [](double rx) { return AlertStation{kPrinter, "Drucker", true, rx}; };
const auto stranger = [] { return AlertStation{kStranger, kStranger, false, 60.0}; };

QString line(const Alert &a)
{
    return QStringLiteral("%1|%2|%3|%4|%5").arg(a.summary, a.body, a.category).arg(int(a.urgency)).arg(a.key);
}

// One letter per alert: L left, S stranger, W weak, R recovered, N no answer, C connection lost, B back.
QString letters(const QList<Alert> &alerts)
{
    QString out;
    for (const Alert &a : alerts)
        out += QStringLiteral("LSWRNCB").at(int(a.kind));
    return out;
}

} // namespace

class TestNotifier : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
        QVERIFY2(m_daemon.waitForStarted(10000), "dbus-daemon (Debian package dbus-daemon) does not start");
        while (!m_daemon.canReadLine())
            QVERIFY2(m_daemon.waitForReadyRead(10000), "dbus-daemon printed no address");
        m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
        m_serverBus = QDBusConnection::connectToBus(m_address, QStringLiteral("server"));
        QVERIFY(m_serverBus->isConnected());
        QVERIFY(m_serverBus->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_server,
                                            QDBusConnection::ExportAllSlots));
    }

    void init()
    {
        m_server.calls.clear();
        m_server.hold = false;
        m_server.held.clear();
        QVERIFY(m_serverBus->registerService(QStringLiteral("org.freedesktop.Notifications")));
        // A fresh client connection each time, so no test sees another's ids.
        m_clientBus = QDBusConnection::connectToBus(m_address, QStringLiteral("client%1").arg(++m_round));
        QVERIFY(m_clientBus->isConnected());
    }

    void cleanupTestCase()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }

    void callAndReplacedId()
    {
        Notifier n(*m_clientBus);
        QSignalSpy delivered(&n, &Notifier::delivered);
        QVERIFY(n.notify(alert("station/A", "Station getrennt", Alert::Urgency::Critical)));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 1, 10000);
        QCOMPARE(delivered.at(0).at(1).toUInt(), 41u);
        QVERIFY(n.notify(alert("station/A", "Signal wieder gut")));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 2, 10000);
        QVERIFY(n.notify(alert("station/B", "Unbekannte Station")));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 3, 10000);

        QCOMPARE(m_server.calls.size(), 3);
        const FakeServer::Call &first = m_server.calls[0];
        QCOMPARE(QStringList({first.app, first.summary, first.body, QString::number(first.timeout),
                              first.hints.value("category").toString(),
                              first.hints.value("desktop-entry").toString()}),
                 QStringList({"Senvaro", "Station getrennt",
                              "Laptop Anna (00:11:22:33:44:55) seit 61 s nicht mehr verbunden", "-1",
                              "network.disconnected", "io.github.senvaro.senvaro"}));
        QCOMPARE(first.hints.value("urgency").metaType(), QMetaType::fromType<uchar>());
        QCOMPARE(QList<int>({first.hints.value("urgency").toInt(),
                             m_server.calls[1].hints.value("urgency").toInt()}),
                 QList<int>({2, 1}));
        // The same station replaces its notification; another station gets one of its own.
        QCOMPARE(QList<uint>({first.replaces, m_server.calls[1].replaces, m_server.calls[2].replaces}),
                 QList<uint>({0, 41, 0}));
    }

    void sameKeyWhileOut()
    {
        m_server.hold = true;
        Notifier n(*m_clientBus);
        QSignalSpy delivered(&n, &Notifier::delivered);
        QVERIFY(n.notify(alert("station/A", "eins")));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.held.size(), 1, 10000);
        QVERIFY(n.notify(alert("station/A", "zwei")));
        QVERIFY(n.notify(alert("station/A", "drei")));
        // The window's event loop keeps running while the answer is out.
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 10000);
        QVERIFY(m_server.calls.size() == 1 && delivered.isEmpty());

        m_server.hold = false;
        QVERIFY(m_serverBus->send(m_server.held.takeFirst().createReply(QVariant::fromValue(7u))));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 2, 10000);
        QCOMPARE(m_server.calls.size(), 2);
        QVERIFY(m_server.calls[1].summary == QStringLiteral("drei") && m_server.calls[1].replaces == 7u);
    }

    void noService()
    {
        QVERIFY(m_serverBus->unregisterService(QStringLiteral("org.freedesktop.Notifications")));
        Notifier n(*m_clientBus);
        QSignalSpy delivered(&n, &Notifier::delivered);
        QSignalSpy failed(&n, &Notifier::notDelivered);
        QVERIFY(n.notify(alert("station/A", "Station getrennt")));
        QCOMPARE(failed.count(), 0); // the answer comes later, never inside the call
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("station/A"));
        QVERIFY(n.notify(alert("station/A", "Station getrennt")));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 2, 10000);
        QVERIFY(delivered.isEmpty() && m_server.calls.isEmpty());
    }

    void noBus()
    {
        Notifier n(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/senvaro-bus"),
                                                 QStringLiteral("nobus")));
        QSignalSpy failed(&n, &Notifier::notDelivered);
        QVERIFY(!n.notify(alert("accesspoint", "Verbindung getrennt")));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("Keine Verbindung zum Sitzungsbus"));
    }

private:
    QProcess m_daemon;
    QString m_address;
    FakeServer m_server;
    std::optional<QDBusConnection> m_serverBus;
    std::optional<QDBusConnection> m_clientBus;
    int m_round = 0;

    void scriptedSequence_data()
    {
        QTest::addColumn<QString>("off");
        QTest::addColumn<QStringList>("expected");
        const QString weak =
            QStringLiteral("Schwaches Signal|Drucker (00:11:22:33:44:66): Empfangspegel 10 %, seit 3 "
                           "Auswertungen unter 20 %|network|1|station/00:11:22:33:44:66");
        const QString strange =
            QStringLiteral("Unbekannte Station|AA:BB:CC:DD:EE:FF ist nicht in der Liste der bekannten "
                           "Clients und hat sich verbunden|network.connected|2|station/AA:BB:CC:DD:EE:FF");
        const QString left =
            QStringLiteral("Station getrennt|Laptop Anna (00:11:22:33:44:55) seit 61 s nicht mehr "
                           "verbunden|network.disconnected|1|station/00:11:22:33:44:55");
        const QString recovered =
            QStringLiteral("Signal wieder gut|Drucker (00:11:22:33:44:66): Empfangspegel wieder 35 "
                           "%|network|1|station/00:11:22:33:44:66");
        const QString silent =
            QStringLiteral("Access Point antwortet nicht|Der Access Point 127.0.0.2 antwortet nicht "
                           "mehr|network.disconnected|2|accesspoint");
        const QString back =
            QStringLiteral("Access Point antwortet wieder|Der Access Point 127.0.0.2 antwortet "
                           "wieder|network.connected|1|accesspoint");
        QTest::newRow("all on") << QString()
                                << QStringList{weak, strange, left, recovered, silent, back, strange};
        QTest::newRow("left off") << "left" << QStringList{weak, strange, recovered, silent, back, strange};
        QTest::newRow("stranger off") << "stranger" << QStringList{weak, left, recovered, silent, back};
        QTest::newRow("weak off") << "weak" << QStringList{strange, left, silent, back, strange};
        QTest::newRow("access point off") << "ap" << QStringList{weak, strange, left, recovered, strange};
    }

    void scriptedSequence()
    {
        QFETCH(QString, off);
        QFETCH(QStringList, expected);
        AlertSettings s;
        s.stationLeft = off != QLatin1String("left");
        s.stranger = off != QLatin1String("stranger");
        s.weakSignal = off != QLatin1String("weak");
        s.accessPoint = off != QLatin1String("ap");
        AlertWatch w(s);
        QSignalSpy spy(&w, &AlertWatch::raised);
        QList<Alert> got;
        const QString ap = QStringLiteral("127.0.0.2");

        got += w.evaluate(at(0), {anna(), printer(50)});
        got += w.evaluate(at(2000), {printer(10)});          // Anna leaves ...
        got += w.evaluate(at(30000), {anna(), printer(10)}); // ... and is back within the grace period
        got += w.evaluate(at(32000), {printer(10)});         // leaves again; third weak level
        got += w.evaluate(at(40000), {printer(10), stranger()});
        got += w.tick(at(92000));                                // exactly 60 s gone: not yet
        got += w.evaluate(at(93000), {printer(10), stranger()}); // 61 s
        got += w.tick(at(200000));
        got += w.evaluate(at(201000), {printer(35), stranger()});
        got += w.setAccessPointState(AlertWatch::ApState::Answering, at(202000), ap);
        got += w.setAccessPointState(AlertWatch::ApState::NoAnswer, at(210000), ap);
        got += w.setAccessPointState(AlertWatch::ApState::NoAnswer, at(220000), ap);
        got += w.setAccessPointState(AlertWatch::ApState::Answering, at(230000), ap);
        got += w.evaluate(at(232000), {printer(35), stranger()});
        w.resetLogin();
        got += w.evaluate(at(240000), {printer(35), stranger()});

        QStringList lines;
        for (const Alert &a : got)
            lines << line(a);
        QCOMPARE(lines, expected);
        QCOMPARE(spy.count(), expected.size());
    }

    void gracePeriod()
    {
        // grace in s, ms gone, ms to the return (-1: never), known, alerts
        for (const auto &[grace, goneMs, returnMs, known, expected] : {std::tuple{60, 70000, 59000, true, ""},
                                                                       {60, 60000, -1, true, ""},
                                                                       {60, 60001, -1, true, "L"},
                                                                       {60, 61000, 65000, true, "L"},
                                                                       {0, 1, -1, true, "L"},
                                                                       {300, 299000, -1, true, ""},
                                                                       {60, 61000, -1, false, ""}}) {
            AlertSettings s;
            s.graceSeconds = grace;
            s.stranger = false;
            AlertWatch w(s);
            const AlertStation station{kAnna, "Laptop Anna", known, 50};
            QList<Alert> got = w.evaluate(at(0), {station});
            got += w.evaluate(at(1000), {});
            if (returnMs >= 0)
                got += w.evaluate(at(1000 + returnMs), {station});
            got += w.tick(at(1000 + goneMs));
            got += w.tick(at(1000 + goneMs)); // never twice
            QVERIFY2(letters(got) == QLatin1String(expected), qPrintable(QString::number(goneMs)));
        }
    }

    void weakRow_data()
    {
        QTest::addColumn<QList<double>>("levels"); // -1: station absent, -2: no level in its block
        QTest::addColumn<QString>("expected");
        QTest::newRow("three low") << QList<double>{10, 19.5, 0} << "W";
        QTest::newRow("two low") << QList<double>{10, 10} << "";
        QTest::newRow("broken by a good level") << QList<double>{10, 10, 50, 10, 10} << "";
        QTest::newRow("broken by absence") << QList<double>{10, 10, -1, 10, 10} << "";
        QTest::newRow("missing level keeps the row") << QList<double>{10, 10, -2, 10} << "W";
        QTest::newRow("at the threshold is not below") << QList<double>{20, 20, 20, 20} << "";
        QTest::newRow("recovers once, fades again")
            << QList<double>{10, 10, 10, 10, 30, 30, 10, 10, 10} << "WRW";
        QTest::newRow("absent while weak, back strong") << QList<double>{10, 10, 10, -1, 40} << "WR";
    }

    void weakRow()
    {
        QFETCH(QList<double>, levels);
        QFETCH(QString, expected);
        AlertSettings s;
        s.stationLeft = false;
        AlertWatch w(s);
        QList<Alert> got;
        for (int i = 0; i < levels.size(); ++i) {
            AlertStation st = anna(levels[i]);
            if (levels[i] == -2)
                st.rx.reset();
            got +=
                w.evaluate(at(i * 2000), levels[i] == -1 ? QList<AlertStation>{} : QList<AlertStation>{st});
        }
        QCOMPARE(letters(got), expected);
    }

    void accessPoint_data()
    {
        using S = AlertWatch::ApState;
        QTest::addColumn<QList<S>>("states");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first answer is no return") << QList<S>{S::Answering, S::Answering} << "";
        QTest::newRow("silent at start") << QList<S>{S::NoAnswer, S::Answering} << "NB";
        QTest::newRow("silent, then lost, then back")
            << QList<S>{S::Answering, S::NoAnswer, S::ConnectionLost, S::Answering} << "NCB";
        QTest::newRow("logout forgets")
            << QList<S>{S::Answering, S::ConnectionLost, S::Off, S::Answering} << "C";
    }

    void accessPoint()
    {
        QFETCH(QList<AlertWatch::ApState>, states);
        QFETCH(QString, expected);
        AlertWatch w;
        QList<Alert> got;
        for (AlertWatch::ApState s : states)
            got += w.setAccessPointState(s, kStart, QStringLiteral("127.0.0.3"));
        QCOMPARE(letters(got), expected);
    }

    void settingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Senvaro.ini")), other = path + "2";
        const QByteArray old = "[Server]\r\nIP=127.0.0.2\r\n[User]\nName=admin\r\n";
        QVERIFY(writeFile(path, old));
        AlertSettings s;
        QString error;
        QVERIFY(AlertSettings::load(path, &s, &error) && s == AlertSettings() && s.save(path, &error));
        QCOMPARE(readFile(path), old);
        s.graceSeconds = 90; // only the changed key is added
        QVERIFY(s.save(path, &error));
        QCOMPARE(readFile(path), old + "[Benachrichtigungen]\r\nKarenzzeit in Sekunden=90\r\n");

        s = {false, false, false, false, 0, 100, 1000};
        QVERIFY2(s.save(other, &error), qPrintable(error));
        AlertSettings back;
        QVERIFY(AlertSettings::load(other, &back, &error) && back == s);
        // Back to the defaults: keys the file has keep being written.
        QVERIFY(AlertSettings().save(other, &error));
        QCOMPARE(readFile(other),
                 QByteArray("[Benachrichtigungen]\r\nStation getrennt=1\r\nunbekannte Station=1\r\n"
                            "schwaches Signal=1\r\nAccess Point antwortet nicht=1\r\n"
                            "Karenzzeit in Sekunden=60\r\nSchwelle in Prozent=20\r\n"
                            "Auswertungen in Folge=3\r\n"));
    }

    void settingsBadValues()
    {
        // the section, then "Station getrennt", grace, threshold, count as read
        for (const auto &[section, expected] :
             {std::pair{"station getrennt = 0 \nKarenzzeit in Sekunden= 45\nSchwelle in Prozent=100\n"
                        "Auswertungen in Folge=1",
                        "0 45 100 1"},
              {"Station getrennt=2\nKarenzzeit in Sekunden=-1\nSchwelle in Prozent=101\nAuswertungen in "
               "Folge=0",
               "1 60 20 3"},
              {"Station getrennt=ja\nKarenzzeit in Sekunden=\nSchwelle in Prozent=12abc\n"
               "Auswertungen in Folge=1001",
               "1 60 20 3"}}) {
            const AlertSettings s =
                AlertSettings::read(INIRW::Document::parse(QByteArray("[benachrichtigungen]\n") + section));
            QCOMPARE(QString::asprintf("%d %d %d %d", s.stationLeft, s.graceSeconds, s.thresholdPercent,
                                       s.weakCount),
                     QString::fromLatin1(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
