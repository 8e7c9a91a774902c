// The bound on received text: Monitor keeps the beginning of a reply, txtmanAntw the
// newest text, each at most 1 MiB, and the status says when text was dropped.
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

class TestBounds : public QObject
{
    Q_OBJECT
private slots:
    void routing_data()
    {
        QTest::addColumn<int>("mode"); // 0 polling, 1 manual page, 2 login phase
        QTest::addColumn<QList<qsizetype>>("chunks");
        QTest::addColumn<bool>("cut");
        QTest::newRow("polling, 1 MiB in three chunks")
            << 0 << QList<qsizetype>{1000, MiB - 2000, 1000} << false;
        QTest::newRow("polling, one character more") << 0 << QList<qsizetype>{MiB - 5, 6} << true;
        QTest::newRow("polling, 3 MiB at once") << 0 << QList<qsizetype>{3 * MiB} << true;
        QTest::newRow("manual, one character more") << 1 << QList<qsizetype>{MiB, 1} << true;
        QTest::newRow("manual, 3 MiB in many chunks") << 1 << QList<qsizetype>(48, MiB / 16) << true;
        QTest::newRow("login phase, 1 MiB") << 2 << QList<qsizetype>{MiB} << false;
        QTest::newRow("login phase, one character more") << 2 << QList<qsizetype>{MiB + 1} << true;
    }

    void routing()
    {
        QFETCH(int, mode);
        QFETCH(QList<qsizetype>, chunks);
        QFETCH(bool, cut);
        frmMonitor w;
        w.Form_Load();
        w.verbunden = true;
        w.manuellMode = mode == 1;
        w.loginPhase = mode == 2;
        w.lblStatus->setText(QStringLiteral("vorher"));
        const qsizetype total = std::accumulate(chunks.begin(), chunks.end(), qsizetype(0));
        const QString all = pattern(total);
        qsizetype at = 0;
        for (qsizetype n : chunks) {
            w.routeChunk(all.mid(at, n));
            at += n;
        }
        if (mode == 1) {
            const QString box = w.txtmanAntw->text();
            QVERIFY2(box.size() <= MiB && box.size() >= (cut ? MiB / 2 : total),
                     qPrintable(QString::number(box.size())));
            QVERIFY(box == all.right(box.size())); // the newest text
        } else {
            QCOMPARE(w.Monitor->text().size(), qMin(total, MiB));
            QVERIFY(w.Monitor->text() == all.left(MiB)); // the beginning
        }
        QCOMPARE(w.lblStatus->text(), cut ? cutStatus : QStringLiteral("vorher"));
    }

    // The note stays while the evaluated reply was cut; the next whole reply brings back
    // the connected caption.
    void cutNoteUntilAWholeReply()
    {
        frmMonitor w;
        w.Form_Load();
        w.verbunden = true;
        w.txtIP->setText(QStringLiteral("192.168.0.50"));
        w.routeChunk(QString(MiB / 2, QLatin1Char('*')));
        w.routeChunk(QString(MiB, QLatin1Char('x')));
        AntwortAuswertung(w, w.Monitor->text());
        QVERIFY(w.IamReady);
        QCOMPARE(w.lblStatus->text(), cutStatus);
        w.timPoll_Power_Timer(); // empties the box for the next reply
        QVERIFY(w.Monitor->text().isEmpty() && !w.IamReady);
        w.routeChunk(QString(49, QLatin1Char('*')) +
                     QStringLiteral("00:11:22:33:44:55 RxSignalStrength: 40\r\n"));
        AntwortAuswertung(w, w.Monitor->text());
        QCOMPARE(statusOf(w), QStringLiteral("Verbindung zu AP50 aufgebaut#00c000"));
        QCOMPARE(w.txtAnzahl->text(), QStringLiteral("1"));
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
        w.Monitor->setText(QString()); // it still holds the answer to "version"
        const QByteArray block = pattern(MiB).toLatin1();
        qint64 sent = 0;
        qint64 mostWaiting = 0;
        QTimer feed;
        connect(&feed, &QTimer::timeout, this, [&] {
            if (sent < 16 * MiB) {
                sim.sendRaw(block);
                sent += block.size();
            }
            mostWaiting = qMax(mostWaiting, w.TCPClient->bytesAvailable());
        });
        feed.start(5);
        QTest::qWait(3000);
        QVERIFY2(sent >= 16 * MiB && mostWaiting <= 64 * 1024, qPrintable(QString::number(mostWaiting)));
        QVERIFY(w.Monitor->text().toLatin1() == block);
        QCOMPARE(w.lblStatus->text(), cutStatus);
    }
};

QTEST_MAIN(TestBounds)
#include "tst_bounds.moc"
