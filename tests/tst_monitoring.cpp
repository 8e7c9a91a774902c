// The window timer, the settling of replies, the signal bars, and the bound on received
// text: Monitor keeps the beginning of a reply, txtmanAntw the newest text, each at most
// 1 MiB, and the status says when text was dropped.
#include <QLabel>
#include <QLineEdit>
#include <QTcpSocket>
#include <QtTest>

#include "apsim.h"
#include "monitor/auswerten.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

constexpr qsizetype MiB = frmMonitor::maxReceivedChars;

// Text without line ends or separators whose every position can be told apart.
QString pattern(qsizetype size)
{
    QString s(size, QLatin1Char('x'));
    for (qsizetype i = 0; i < size; i += 997)
        s[i] = QChar(char16_t(u'a' + (i / 997) % 26));
    return s;
}

const QString cutStatus = QStringLiteral("Antwort des AP gekürzt: mehr als 1 MiB empfangen");

} // namespace

class TestMonitoring : public QObject
{
    Q_OBJECT
private slots:
    // A window timer runs only when enabled with an interval above 0; interval 0 never fires.
    void winTimer_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("laterInterval"); // set while enabled; -1 is refused
        QTest::addColumn<bool>("running");      // and firing
        QTest::newRow("disabled") << 10 << false << 10 << false;
        QTest::newRow("interval 0") << 0 << true << 0 << false;
        QTest::newRow("set to 0 while running") << 10 << true << 0 << false;
        QTest::newRow("set from 0 to 10") << 0 << true << 10 << true;
        QTest::newRow("negative refused") << 0 << true << -1 << false;
    }

    void winTimer()
    {
        QFETCH(int, interval);
        QFETCH(bool, enabled);
        QFETCH(int, laterInterval);
        QFETCH(bool, running);
        WinTimer t(interval);
        int ticks = 0;
        connect(&t, &WinTimer::timeout, this, [&] { ++ticks; });
        t.setEnabled(enabled);
        t.setInterval(laterInterval);
        QTest::qWait(100);
        QCOMPARE(t.interval(), laterInterval < 0 ? interval : laterInterval);
        QVERIFY2(running ? ticks > 0 && ticks < 50 : ticks == 0, qPrintable(QString::number(ticks)));
    }

    void barsAndTicks()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMonitor w;
        w.Form_Load();
        const QStringList texts{"50", "62,5", "", "62.5", "-3", "abc", " 1 2", "250", "-1,5"};
        const QList<float> bars{50, 62, 0, 62.5f, 62.5f, 0, 12, 250, 250};
        for (int i = 0; i < texts.size(); ++i) {
            w.txtRXSign->setText(texts[i]);
            w.txtAckSign->setText(texts[i]);
            QCOMPARE(QList<float>({w.RXBar->valueF(), w.AcknBar->valueF()}), QList<float>(2, bars[i]));
        }
        w.txtRXSign->setText(QString(400, QChar('9')));
        QCOMPARE(w.RXBar->value(), w.RXBar->maximum()); // beyond a float: full

        // Chunks keep coming: a tick only clears the flag and blinks; the first quiet one evaluates.
        w.Monitor->setText(QString(49, '*') + "00:11:22:33:44:55 RxSignalStrength: 40");
        w.timAuswertung->setEnabled(true);
        for (int tick = 1; tick <= 6; ++tick) {
            w.dataArrived = tick < 6;
            w.timAuswertung_Timer();
            QCOMPARE(QString("%1%2").arg(w.IamReady).arg(w.timAuswertung->enabled()), tick < 6 ? "01" : "10");
            QCOMPARE(w.LED2_aus->isHidden(), tick % 2 == 1); // dark at load; six ticks: as before
        }
        w.verbunden = false; // no poll (it would clear IamReady)
        w.timPoll_Power_Timer();
        QVERIFY(w.IamReady);
    }

    void routing_data()
    {
        QTest::addColumn<int>("mode"); // 0 polling, 1 manual page, 2 login phase
        QTest::addColumn<QList<qsizetype>>("chunks");
        QTest::newRow("polling, one character more") << 0 << QList<qsizetype>{MiB - 5, 6};
        QTest::newRow("manual, 3 MiB in many chunks") << 1 << QList<qsizetype>(48, MiB / 16);
        QTest::newRow("login phase, one character more") << 2 << QList<qsizetype>{MiB + 1};
    }

    void routing()
    {
        QFETCH(int, mode);
        QFETCH(QList<qsizetype>, chunks);
        frmMonitor w;
        w.Form_Load();
        w.verbunden = true;
        w.manuellMode = mode == 1;
        w.loginPhase = mode == 2;
        w.pollOutstanding = true;
        const qsizetype total = std::accumulate(chunks.begin(), chunks.end(), qsizetype(0));
        const QString all = pattern(total);
        qsizetype at = 0;
        for (qsizetype n : chunks) {
            w.routeChunk(all.mid(at, n));
            at += n;
        }
        if (mode == 1) {
            const QString box = w.txtmanAntw->text();
            QVERIFY2(box.size() <= MiB && box.size() >= MiB / 2, qPrintable(QString::number(box.size())));
            QVERIFY(box == all.right(box.size())); // the newest text
            // The answer to the open poll landed here: not awaited, the next tick asks again.
            QVERIFY(!w.pollOutstanding && w.pollAgain);
        } else {
            QVERIFY(w.Monitor->text() == all.left(MiB)); // the beginning
        }
        QCOMPARE(w.lblStatus->text(), cutStatus);
    }

    // The note stays while the evaluated reply was cut; the next whole reply brings back
    // the connected caption.
    void cutNoteUntilAWholeReply()
    {
        frmMonitor w;
        w.Form_Load();
        w.verbunden = true;
        w.routeChunk(QString(MiB / 2, QLatin1Char('*')) + QString(MiB, QLatin1Char('x')));
        AntwortAuswertung(w, w.Monitor->text());
        QCOMPARE(w.lblStatus->text(), cutStatus);
        w.timPoll_Power_Timer(); // empties the box for the next reply
        w.routeChunk(QString(49, '*') + "00:11:22:33:44:55 RxSignalStrength: 40\r\n");
        AntwortAuswertung(w, w.Monitor->text());
        QCOMPARE(statusOf(w), QStringLiteral("Verbindung zu AP50 aufgebaut#00c000"));
    }

    // An access point that keeps sending: the socket holds back what the window has not
    // read, and the raw-reply box stays at its bound.
    void endlessSender()
    {
        apsim::ApSim sim;
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.87"))), qPrintable(sim.errorString()));
        frmMonitor w;
        startLogin(w, QStringLiteral("127.0.0.87"));
        QVERIFY(waitUntil([&] { return w.timPoll_Power->enabled(); }, 10000));
        w.timPoll_Power->setEnabled(false);
        for (int i = 0; i < 16; ++i)
            sim.sendRaw(pattern(MiB).toLatin1());
        // Sampled by a timer, so also while the window's handler pauses in its own event loop.
        qint64 mostWaiting = 0;
        QTimer probe;
        connect(&probe, &QTimer::timeout, this,
                [&] { mostWaiting = qMax(mostWaiting, w.TCPClient->bytesAvailable()); });
        probe.start(5);
        QTest::qWait(3000);
        QVERIFY2(mostWaiting <= 64 * 1024, qPrintable(QString::number(mostWaiting)));
        QCOMPARE(w.lblStatus->text(), cutStatus);
    }
};

QTEST_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
