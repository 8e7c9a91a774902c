#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "notifyserver.h"
#include "ui/notifier.h"

namespace {

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

class TestNotifier : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString failed = m_server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void init()
    {
        QVERIFY(m_server.reset());
        m_clientBus = m_server.client();
        QVERIFY(m_clientBus->isConnected());
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
        const NotifyServer::Call &first = m_server.calls[0];
        QCOMPARE(QStringList({first.app, first.summary, first.body, QString::number(first.timeout)}),
                 QStringList({"Senvaro", "Station getrennt",
                              "Laptop Anna (00:11:22:33:44:55) seit 61 s nicht mehr verbunden", "-1"}));
        QCOMPARE(first.hints.value("urgency").metaType(), QMetaType::fromType<uchar>());
        QCOMPARE(first.hints.value("urgency").toInt(), 2);
        QCOMPARE(first.hints.value("category").toString(), QStringLiteral("network.disconnected"));
        QCOMPARE(first.hints.value("desktop-entry").toString(), QStringLiteral("io.github.senvaro.senvaro"));
        QCOMPARE(m_server.calls[1].hints.value("urgency").toInt(), 1);
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
        QCOMPARE(m_server.calls.size(), 1);
        QCOMPARE(delivered.count(), 0);

        m_server.hold = false;
        QVERIFY(m_server.bus().send(m_server.held.takeFirst().createReply(QVariant::fromValue(7u))));
        QTRY_COMPARE_WITH_TIMEOUT(delivered.count(), 2, 10000);
        QCOMPARE(m_server.calls.size(), 2);
        QCOMPARE(m_server.calls[1].summary, QStringLiteral("drei"));
        QCOMPARE(m_server.calls[1].replaces, 7u);
    }

    void noService()
    {
        QVERIFY(m_server.offer(false));
        Notifier n(*m_clientBus);
        QSignalSpy delivered(&n, &Notifier::delivered);
        QSignalSpy failed(&n, &Notifier::notDelivered);
        QVERIFY(n.notify(alert("station/A", "Station getrennt")));
        QCOMPARE(failed.count(), 0); // the answer comes later, never inside the call
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, 10000);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("station/A"));
        QVERIFY(n.notify(alert("station/A", "Station getrennt")));
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 2, 10000);
        QCOMPARE(delivered.count(), 0);
        QCOMPARE(m_server.calls.size(), 0);
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
    NotifyServer m_server;
    std::optional<QDBusConnection> m_clientBus;
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
