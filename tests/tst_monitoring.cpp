#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "ui/frmMonitor.h"

// The window timer, the settling of replies and the signal bars.
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
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("fires");
        QTest::newRow("enabled") << 10 << true << 10 << true << true;
        QTest::newRow("disabled") << 10 << false << 10 << false << false;
        QTest::newRow("interval 0") << 0 << true << 0 << false << false;
        QTest::newRow("set to 0 while running") << 10 << true << 0 << false << false;
        QTest::newRow("set from 0 to 10") << 0 << true << 10 << true << true;
        QTest::newRow("negative refused") << 0 << true << -1 << false << false;
    }

    void winTimer()
    {
        QFETCH(int, interval);
        QFETCH(bool, enabled);
        QFETCH(int, laterInterval);
        QFETCH(bool, running);
        QFETCH(bool, fires);
        WinTimer t(interval);
        int ticks = 0;
        connect(&t, &WinTimer::timeout, this, [&] { ++ticks; });
        t.setEnabled(enabled);
        t.setInterval(laterInterval);
        QTest::qWait(100);
        QCOMPARE(t.enabled(), enabled);
        QCOMPARE(t.interval(), laterInterval < 0 ? interval : laterInterval);
        QCOMPARE(t.isRunning(), running);
        QCOMPARE(ticks > 0, fires);
        if (fires)
            QVERIFY2(ticks < 50, qPrintable(QString::number(ticks)));
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
        QCOMPARE(w.txtAnzahl->text(), QStringLiteral("1"));
        w.verbunden = false; // no poll (it would clear IamReady)
        w.timPoll_Power_Timer();
        QVERIFY(w.IamReady);
    }
};

QTEST_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
