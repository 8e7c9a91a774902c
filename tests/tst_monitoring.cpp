// The window timer on a stepped clock, and the signal bars.
#include <QLineEdit>
#include <QtTest>

#include "findcontrol.h"
#include "ui/frmMonitor.h"

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
        QTest::addColumn<int>("ticksIn100ms");
        QTest::newRow("disabled") << 10 << false << 10 << false << 0;
        QTest::newRow("interval 0") << 0 << true << 0 << false << 0;
        QTest::newRow("set to 0 while running") << 10 << true << 0 << false << 0;
        QTest::newRow("set from 0 to 10") << 0 << true << 10 << true << 10;
        QTest::newRow("restarted by a new interval") << 10 << true << 30 << true << 3;
        QTest::newRow("negative refused") << 0 << true << -1 << false << 0;
    }

    void winTimer()
    {
        QFETCH(int, interval);
        QFETCH(bool, enabled);
        QFETCH(int, laterInterval);
        QFETCH(bool, running);
        QFETCH(int, ticksIn100ms);
        SteppedClock clock;
        std::unique_ptr<WinTimer> t(clock.createTimer(interval, nullptr));
        int ticks = 0;
        connect(t.get(), &WinTimer::timeout, this, [&] { ++ticks; });
        t->setEnabled(enabled);
        clock.advance(5);
        t->setInterval(laterInterval); // a new interval counts from now
        clock.advance(100);
        QCOMPARE(t->interval(), laterInterval < 0 ? interval : laterInterval);
        QCOMPARE(t->isRunning(), running);
        QCOMPARE(ticks, ticksIn100ms);
    }

    void bars()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMonitor w;
        w.Form_Load();
        const QStringList texts{"50", "62,5", "", "62.5", "-3", "abc", " 1 2", "250", "-1,5"};
        const QList<float> bars{50, 62, 0, 62.5f, 62.5f, 0, 12, 250, 250};
        for (int i = 0; i < texts.size(); ++i) {
            ctl<QLineEdit>(w, "txtRXSign")->setText(texts[i]);
            ctl<QLineEdit>(w, "txtAckSign")->setText(texts[i]);
            QCOMPARE(
                QList<float>({ctl<SignalBar>(w, "RXBar")->valueF(), ctl<SignalBar>(w, "AcknBar")->valueF()}),
                QList<float>(2, bars[i]));
        }
        ctl<QLineEdit>(w, "txtRXSign")->setText(QString(400, QChar('9')));
        QCOMPARE(ctl<SignalBar>(w, "RXBar")->value(),
                 ctl<SignalBar>(w, "RXBar")->maximum()); // beyond a float: full
    }
};

QTEST_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
