#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "notifyserver.h"
#include "ui/notifier.h"

// What the alerts through the window (tst_alertwindow) cannot arrange: a second alert of a
// station while the call for its first is still out.
class TestNotifier : public QObject
{
    Q_OBJECT
private slots:
    void sameKeyWhileOut()
    {
        NotifyServer server;
        const QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        server.hold = true;
        Notifier n(server.client());
        QSignalSpy delivered(&n, &Notifier::delivered);
        const auto alert = [](const char *summary) {
            Alert a;
            a.key = QStringLiteral("station/A");
            a.summary = QString::fromLatin1(summary);
            return a;
        };
        QVERIFY(n.notify(alert("eins")));
        QTRY_COMPARE_WITH_TIMEOUT(server.held.size(), 1, 10000);
        QVERIFY(n.notify(alert("zwei")));
        QVERIFY(n.notify(alert("drei")));
        // The window's event loop keeps running while the answer is out.
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        QTRY_VERIFY_WITH_TIMEOUT(ran, 10000);
        QCOMPARE(server.calls.size(), 1);
        QCOMPARE(delivered.count(), 0);

        server.hold = false;
        QVERIFY(server.bus().send(server.held.takeFirst().createReply(QVariant::fromValue(7u))));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 2, 10000);
        QCOMPARE(server.calls.size(), 2);
        QCOMPARE(server.calls[1].summary, QStringLiteral("drei"));
        QCOMPARE(server.calls[1].replaces, 7u);
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
