#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "app/globals.h"
#include "apsim.h"
#include "monitor/allgemein.h"
#include "monitor/chart.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {
const QString SEP(49, QLatin1Char('*'));
const QString REPLY = SEP + "00:11:22:33:44:55 RxSignalStrength: 40 AckSignalStrength: 32";
} // namespace

// Polling, settling of replies, signal bars, and a whole session against the simulator.
class TstMonitoring : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        MACs = QVector<tMAC>(2);
    }

    void barsFollowTheirBoxesAndPolling()
    {
        frmMonitor w;
        w.Form_Load();
        // clang-format off
        const QStringList texts{"50", "62,5", "",  "62.5", "-3",  "abc", " 1 2", "250", "-1,5"};
        const QList<float> bars{50,   62,     0,   62.5f,  62.5f, 0,     12,     250,   250};
        // clang-format on
        for (int i = 0; i < texts.size(); ++i) {
            w.txtRXSign->setText(texts[i]);
            w.txtAckSign->setText(texts[i]);
            QCOMPARE(w.RXBar->valueF(), bars[i]);
            QCOMPARE(w.AcknBar->valueF(), bars[i]);
        }
        w.txtRXSign->setText(QString(400, QChar('9')));
        QCOMPARE(w.RXBar->value(), w.RXBar->maximum()); // above 100: full

        // A poll needs both flags; it clears IamReady until the next evaluation.
        const QList<QPair<bool, bool>> flags{{false, true}, {true, false}, {true, true}};
        QString after;
        for (const auto &[connected, ready] : flags) {
            w.verbunden = connected;
            w.IamReady = ready;
            w.timPoll_Power_Timer();
            after += w.IamReady ? '1' : '0';
        }
        QCOMPARE(after, QStringLiteral("100"));
    }

    void evaluationWaitsForAQuietTick()
    {
        frmMonitor w;
        w.Form_Load();
        w.SSTab1->setCurrentIndex(1);
        w.Monitor->setText(REPLY);
        w.timAuswertung->setEnabled(true);
        const bool ledBefore = w.LED2_aus->isHidden();
        // Chunks keep coming: every tick only clears the flag and blinks.
        for (int tick = 1; tick <= 5; ++tick) {
            w.dataArrived = true;
            w.timAuswertung_Timer();
            QVERIFY(!w.IamReady);
            QVERIFY(w.timAuswertung->enabled());
            QCOMPARE(w.LED2_aus->isHidden(), tick % 2 ? !ledBefore : ledBefore);
        }
        w.timAuswertung_Timer(); // the first quiet tick evaluates
        QVERIFY(w.IamReady);
        QVERIFY(!w.timAuswertung->enabled());
        QCOMPARE(w.txtRXSign->text(), QStringLiteral("62,5"));
        QCOMPARE(w.LED2_aus->isHidden(), ledBefore); // six ticks: as before

        // With the real timer: one chunk is evaluated on the second tick, about 2 s on.
        w.IamReady = false;
        w.Monitor->setText(REPLY);
        w.dataArrived = true;
        QElapsedTimer t;
        t.start();
        w.timAuswertung->setEnabled(true);
        QVERIFY(waitUntil([&] { return w.IamReady; }, 6000));
        QVERIFY2(t.elapsed() >= 1900 && t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
    }

    void sessionAgainstSimulator()
    {
        apsim::Options o;
        o.stations = apsim::makeStations(3);
        o.stations[1].perCent = true;
        o.stations[1].rx = 70;
        apsim::ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.30")), 23), qPrintable(sim.errorString()));

        QElapsedTimer clock;
        clock.start();
        QList<qint64> polls;
        connect(&sim, &apsim::ApSim::lineReceived, this, [&](int, qint64, const QByteArray &line) {
            if (line == "get station")
                polls.append(clock.elapsed());
        });

        ScriptedDialogs dialogs;
        frmMonitor w;
        w.Form_Load();
        qint64 evaluated = -1;
        connect(w.txtAnzahl, &QLineEdit::textChanged, this, [&] { evaluated = clock.elapsed(); });
        w.txtIP->setText(QStringLiteral("127.0.0.30"));
        w.txtUser->setText(QStringLiteral("admin"));
        w.txtPassw->setText(QStringLiteral("admin"));
        w.timPoll_Power->setInterval(1000);
        w.SSTab1->setCurrentIndex(1);
        w.CmdLogin_Click();

        QVERIFY(waitUntil([&] { return w.txtAnzahl->text() == "3"; }, 20000));
        QCOMPARE(w.txtSoftVers->text(), QStringLiteral(" v2.50"));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(w.OptClients[i]->isHidden() ? "" : w.OptClients[i]->text(), o.stations.value(i).mac);
        QCOMPARE(w.txtMac->text(), o.stations[0].mac);
        QCOMPARE(w.txtRXSign->text(), fNumText(o.stations[0].rx / 64.0 * 100));
        QCOMPARE(w.txtAuth->text(), QStringLiteral("Open System ")); // up to "WLAN"
        QCOMPARE(w.RXBar->valueF(), float(int(o.stations[0].rx / 64.0 * 100)));
        // The single-chunk reply settled for two ticks before it was evaluated.
        QVERIFY(!polls.isEmpty());
        const qint64 settle = evaluated - polls.first();
        QVERIFY2(settle >= 1800 && settle < 4500, qPrintable(QString::number(settle)));
        const QList<QByteArray> lines = sim.lines();
        QVERIFY(lines.indexOf("version") >= 0 && lines.indexOf("version") < lines.indexOf("get station"));

        w.SSTab1->setCurrentIndex(2);
        QVERIFY(waitUntil([&] { return w.MSChart1->rowLabel(3) == o.stations[2].mac; }, 10000));
        QCOMPARE(w.MSChart1->rowCount(), 3);
        QCOMPARE(w.MSChart1->dataText(2, 1), QStringLiteral("70")); // per cent: unscaled
        QCOMPARE(w.MSChart1->dataText(2, 2), fNumText(o.stations[1].ack / 64.0 * 100));

        w.Cmd_logout_Click();
        QCOMPARE(w.MSChart1->rowCount(), 1);
        QCOMPARE(w.MSChart1->dataText(1, 1), QStringLiteral("0"));
    }
};

QTEST_MAIN(TstMonitoring)
#include "tst_monitoring.moc"
