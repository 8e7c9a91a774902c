// Replies parsed into values: the station blocks with their shown and chart values, the
// history samples taken from them, and the names known clients give the stations.

#include <QtTest>

#include "config/knownclients.h"
#include "logicsupport.h"
#include "monitor/record.h"
#include "monitor/reply.h"

namespace {

const QString SEP(49, QLatin1Char('*'));

QString block(const QString &mac, const QString &rest)
{
    return SEP + mac + rest;
}

// Records, from 1: a name padded as the settings file pads it, a MAC with blanks around
// it, and the same MAC twice (the later record names it).
KnownClients clients(int records)
{
    return knownClients(QList<tMAC>{{" 00:11:22:33:44:55 ", "Dach           ", {}, {}},
                                    {"00:0A:0B:0C:0D:0E", "Keller", {}, {}},
                                    {"00:0A:0B:0C:0D:0E", " A & B ", {}, {}}}
                            .mid(0, records));
}

QString opt(const std::optional<double> &v)
{
    return v ? QString::number(*v) : QStringLiteral("-");
}
QString opt(const std::optional<QString> &v)
{
    return v ? "'" + *v + "'" : QStringLiteral("-");
}

// "kind blocks/stations[ fw]" and per block "mac|name|known passed|auth|enc|mode|rate rx ack|chart".
QString describe(const Reply &r)
{
    static const char *kinds[] = {"Refused", "Rebooting", "TooShort", "Completed"};
    QStringList out{QStringLiteral("%1 %2/%3").arg(kinds[int(r.kind)]).arg(r.blockCount).arg(r.stationCount) +
                    (r.firmware ? " fw" + opt(r.firmware) : QString()) + (r.noStation ? " none" : "")};
    for (const StationBlock &b : r.blocks)
        out << QStringLiteral("%1:%2|%3|%4%5|%6|%7|%8|%9 %10 %11|%12 %13")
                   .arg(b.number)
                   .arg(b.mac, b.name)
                   .arg(int(b.known))
                   .arg(int(b.passed))
                   .arg(opt(b.authentication), opt(b.encryption), opt(b.mode), opt(b.rate), opt(b.rx),
                        opt(b.ack), opt(b.chartRx), opt(b.chartAck));
    return out.join(QStringLiteral("\n"));
}

} // namespace

class TestReply : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("records"); // known clients, see clients()
        QTest::addColumn<bool>("knownOnly");
        QTest::addColumn<QString>("expected");
        // An unreadable number keeps the chart value of the passed block before, not of a
        // filtered one; a value that is no finite number leaves its target alone.
        const QString huge = QStringLiteral("17") + QString(307, QLatin1Char('0'));
        QTest::newRow("unreadable and infinite numbers")
            << "x" + block("00:11:22:33:44:55", " RxSignalStrength: 40 AckSignalStrength: 32") +
                   block("00:00:00:00:00:09", " RxSignalStrength: 8 AckSignalStrength: 8") +
                   block("00:0A:0B:0C:0D:0E",
                         " RxSignalStrength: , AckSignalStrength: 1" + QString(400, '0')) +
                   block("00:0A:0B:0C:0D:0E", " RxSignalStrength: " + huge + " AckSignalStrength: 16") +
                   block("00:0A:0B:0C:0D:0E", " RxSignalStrength(per cent): " + huge)
            << 2 << true
            << "Completed 5/4\n1:00:11:22:33:44:55|Dach|11|-|-|-|- 62.5 50|62.5 50\n"
               "2:00:00:00:00:00:09|00:00:00:00:00:09|00|-|-|-|- 12.5 12.5|- -\n"
               "3:00:0A:0B:0C:0D:0E|Keller|11|-|-|-|- - -|62.5 50\n"
               "4:00:0A:0B:0C:0D:0E|Keller|11|-|-|-|- - 25|- 25\n"
               "5:00:0A:0B:0C:0D:0E|Keller|11|-|-|-|- 1.7e+308 -|1.7e+308 0";
        // Chart: "(per cent)" in any case takes the value unscaled, a negative level is 0,
        // a block without the word takes its first number; details keep the sign.
        QTest::newRow("chart rules")
            << "x" + block("00:00:00:00:00:01", " RxSignalStrength: 40 (Per Cent) AckSignalStrength: -10") +
                   block("12:00:00:00:00:02", " no levels") +
                   block("00:00:00:00:00:04", " RxSignalStrength: -20 AckSignalStrength: 32")
            << 0 << false
            << "Completed 3/3\n1:00:00:00:00:00:01|00:00:00:00:00:01|01|-|-|-|- 62.5 -15.625|40 0\n"
               "2:12:00:00:00:00:02|12:00:00:00:00:02|01|-|-|-|- - -|18.75 18.75\n"
               "3:00:00:00:00:00:04|00:00:00:00:00:04|01|-|-|-|- -31.25 50|0 50";
        // Line ends kept (login phase): the version runs to the CR; a block's detail texts
        // run to the next marker.
        QTest::newRow("version, details with line ends")
            << "SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\n" + SEP +
                   "\r\n00:11:22:33:44:55\r\n Authentication Type: Open System\r\n WLAN Mode: 11g, Rx Data "
                   "Rate: "
                   "5,5 Mbps\r\n Encryption:  WEP 128\r\n"
            << 0 << false
            << "Completed 1/1 fw' v2.50'\n1:\r\n00:11:22:33:44:|\r\n00:11:22:33:44:|01|'Open System\r\n "
               "'|'WE'|'11g'|5.5 - -|0 0";
        QTest::newRow("13 stations") << "h" + block("00:00:00:00:00:01", "").repeated(13) << 0 << false
                                     << "Completed 13/0";
        // 50 asterisks hold two overlapping separators: two blocks, the second the last field again.
        QTest::newRow("separators overlap")
            << "h" + SEP + "*00:00:00:00:00:07 RxSignalStrength: 40" << 0 << false
            << "Completed 2/2\n1:*00:00:00:00:00:0|*00:00:00:00:00:0|01|-|-|-|- 62.5 -|62.5 0\n"
               "2:*00:00:00:00:00:0|*00:00:00:00:00:0|01|-|-|-|- 62.5 -|62.5 0";
        QTest::newRow("two separators meet: 50") << "h" + SEP + SEP + "0" << 0 << false << "Completed 50/0";
        QTest::newRow("no station") << "get station\r\nNo Station associated.\r\n"
                                    << 0 << false << "Completed 0/0 none";
        QTest::newRow("version in lower case") << "software_version: v9.99" << 0 << false << "Completed 0/0";
        QTest::newRow("restart, any case")
            << "SOFTWARE_VERSION: 1" + block("x", "") + "rebooTing" << 0 << false << "Rebooting 0/0";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, records);
        QFETCH(bool, knownOnly);
        QTEST(describe(parseReply(text, clients(records), knownOnly)), "expected");
    }

    // A sample per station that passed, in block order, each MAC once, with the clients page's
    // values (a missing one 0); a reply counts when it has separators or says it has no station.
    void historySamplesFromReply()
    {
        const QString levels = " RxSignalStrength: -16 AckSignalStrength: -3 Rx Data Rate: 5,5";
        const QString text = "x" + block("00:0A:0B:0C:0D:0E", levels + " WLAN Mode: 11b, x") +
                             block("00:00:00:00:00:02", levels) + block("00:00:00:00:00:03", "").repeated(9) +
                             block("00:11:22:33:44:55", " RxSignalStrength(per cent): 7");
        const Reply all = parseReply(text, clients(3), false);
        const Reply known = parseReply(text, clients(3), true);
        QVERIFY(isStationReply(all) && isStationReply(known));
        QStringList out;
        for (const Reply *r : {&all, &known}) {
            for (const HistorySample &s : historySamples(stationValues(*r)))
                out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                           .arg(s.mac, s.name, QString::number(s.rx), QString::number(s.ack),
                                QString::number(s.rate), s.mode);
            out << QStringLiteral("/");
        }
        QCOMPARE(out.size(), 4 + 1 + 2 + 1);
        QCOMPARE(out.at(0), "00:0A:0B:0C:0D:0E A & B -25 -4.6875 5.5 11b");
        QCOMPARE(out.at(1), "00:00:00:00:00:02 00:00:00:00:00:02 -25 -4.6875 5.5 ");
        QCOMPARE(out.at(2), "00:00:00:00:00:03 00:00:00:00:00:03 0 0 0 "); // no levels at all
        QCOMPARE(out.at(3), "00:11:22:33:44:55 Dach 7 0 0 ");
        QCOMPARE(out.mid(5), QStringList({out.at(0), out.at(3), "/"}));

        // Empty blocks (separators that meet) are no stations.
        const KnownClients none;
        const Reply tooMany = parseReply("h" + SEP.repeated(14), none, false);
        QVERIFY(isStationReply(tooMany) && stationValues(tooMany).isEmpty());
        QVERIFY(isStationReply(parseReply("No station associated.", none, true)));
        QVERIFY(!isStationReply(parseReply("get rate\r\nUnknown command\r\n", none, false)));
        QVERIFY(!isStationReply(parseReply("Rebooting; No station associated", none, false)));
    }

    // A station's caption: the last record with its trimmed MAC names it. A block without any
    // address is known without a name even where no record is empty; one of blanks is not.
    void knownNames()
    {
        const auto names = [](const KnownClients &k, const QStringList &macs) {
            QStringList out;
            for (const QString &mac : macs) {
                QString name = QStringLiteral("?");
                out << (k.findName(mac, &name) ? "'" + name + "'" : "-" + name);
            }
            return out;
        };
        const QStringList macs{"00:11:22:33:44:55", "00:0A:0B:0C:0D:0E", "", "   ", " 00:11:22:33:44:55"};
        QCOMPARE(names(clients(3), macs), QStringList({"'Dach'", "'A & B'", "''", "-?", "-?"}));
        QCOMPARE(names(knownClients({{"", " Flur ", {}, {}}}), {""}), QStringList{"'Flur'"});
        QCOMPARE(clients(3).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestReply)
#include "tst_reply.moc"
