#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "config/alertsettings.h"
#include "config/inirw.h"
#include "logicsupport.h"
#include "monitor/alerts.h"

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

class TestAlerts : public QObject
{
    Q_OBJECT
private slots:
    // Every kind of alert with its texts; the switches are walked through the window (tst_alertwindow).
    void scriptedSequence()
    {
        AlertWatch w;
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
        const QString strange =
            "Unbekannte Station|AA:BB:CC:DD:EE:FF ist nicht in der Liste der bekannten "
            "Clients und hat sich verbunden|network.connected|2|station/AA:BB:CC:DD:EE:FF";
        QCOMPARE(lines,
                 QStringList({"Schwaches Signal|Drucker (00:11:22:33:44:66): Empfangspegel 10 %, seit 3 "
                              "Auswertungen unter 20 %|network|1|station/00:11:22:33:44:66",
                              strange,
                              "Station getrennt|Laptop Anna (00:11:22:33:44:55) seit 61 s nicht mehr "
                              "verbunden|network.disconnected|1|station/00:11:22:33:44:55",
                              "Signal wieder gut|Drucker (00:11:22:33:44:66): Empfangspegel wieder 35 "
                              "%|network|1|station/00:11:22:33:44:66",
                              "Access Point antwortet nicht|Der Access Point 127.0.0.2 antwortet nicht "
                              "mehr|network.disconnected|2|accesspoint",
                              "Access Point antwortet wieder|Der Access Point 127.0.0.2 antwortet "
                              "wieder|network.connected|1|accesspoint",
                              strange}));
        QCOMPARE(spy.count(), lines.size());
    }

    void gracePeriod_data()
    {
        QTest::addColumn<int>("grace");
        QTest::addColumn<int>("goneMs");
        QTest::addColumn<int>("returnMs"); // -1: never
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("expected");
        QTest::newRow("return within") << 60 << 70000 << 59000 << true << "";
        QTest::newRow("exactly the grace") << 60 << 60000 << -1 << true << "";
        QTest::newRow("one ms longer") << 60 << 60001 << -1 << true << "L";
        QTest::newRow("return after the alert") << 60 << 61000 << 65000 << true << "L";
        QTest::newRow("grace 0") << 0 << 1 << -1 << true << "L";
        QTest::newRow("grace 300") << 300 << 299000 << -1 << true << "";
        QTest::newRow("unknown station") << 60 << 61000 << -1 << false << "";
    }

    void gracePeriod()
    {
        QFETCH(int, grace);
        QFETCH(int, goneMs);
        QFETCH(int, returnMs);
        QFETCH(bool, known);
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
        QTEST(letters(got), "expected");
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

    // Every key read back as saved; back at the defaults, keys the file has keep being written
    // (a key is added only once changed: tst_alertwindow).
    void settingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Senvaro.ini"));
        AlertSettings s{false, false, false, false, 0, 100, 1000, true}, back;
        QString error;
        QVERIFY2(s.save(path, &error), qPrintable(error));
        QVERIFY(AlertSettings::load(path, &back, &error));
        QVERIFY(back == s);
        QVERIFY(AlertSettings().save(path, &error));
        QCOMPARE(readFile(path),
                 QByteArray("[Benachrichtigungen]\r\nStation getrennt=1\r\nunbekannte Station=1\r\n"
                            "schwaches Signal=1\r\nAccess Point antwortet nicht=1\r\n"
                            "Karenzzeit in Sekunden=60\r\nSchwelle in Prozent=20\r\n"
                            "Auswertungen in Folge=3\r\nbeim Minimieren in den Infobereich=0\r\n"));
    }

    void settingsBadValues_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("left");
        QTest::addColumn<int>("grace");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("count");
        QTest::newRow("in range, blanks")
            << QByteArray("station getrennt = 0 \nKarenzzeit in Sekunden= 45\nSchwelle in "
                          "Prozent=100\nAuswertungen in Folge=1")
            << false << 45 << 100 << 1;
        QTest::newRow("out of range")
            << QByteArray("Station getrennt=2\nKarenzzeit in Sekunden=-1\nSchwelle in "
                          "Prozent=101\nAuswertungen in Folge=0")
            << true << 60 << 20 << 3;
        QTest::newRow("no numbers") << QByteArray("Station getrennt=ja\nKarenzzeit in Sekunden=\nSchwelle in "
                                                  "Prozent=12abc\nAuswertungen in Folge=1001")
                                    << true << 60 << 20 << 3;
    }

    void settingsBadValues()
    {
        QFETCH(QByteArray, section);
        AlertSettings s = AlertSettings::read(INIRW::Document::parse("[benachrichtigungen]\n" + section));
        QTEST(s.stationLeft, "left");
        QTEST(s.graceSeconds, "grace");
        QTEST(s.thresholdPercent, "threshold");
        QTEST(s.weakCount, "count");
    }
};

QTEST_GUILESS_MAIN(TestAlerts)
#include "tst_alerts.moc"
