#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

#include "base/allgemein.h"
#include "base/wintimer.h"
#include "config/alertsettings.h"
#include "config/inirw.h"
#include "config/knownclients.h"
#include "logicsupport.h"
#include "monitor/alerts.h"
#include "monitor/record.h"
#include "monitor/reply.h"
#include "monitor/stationmonitor.h"
#include "monitor/vendors.h"

using Kind = VendorRegistry::Result::Kind;
Q_DECLARE_METATYPE(Kind)

namespace {

const QString SEP(49, QLatin1Char('*'));
const QString BIG(400, QLatin1Char('9'));
constexpr double MAX = std::numeric_limits<double>::max();

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

const QByteArray kHeader = "Registry,Assignment,Organization Name,Organization Address\r\n";

// A 24-bit block 00-11-22 holding a 28-bit block 00-11-22-3 holding a 36-bit block
// 00-11-22-33-4; a block assigned three times (one name twice); damaged records; an
// empty line, a lone CR, no line end at the end, an unterminated quote.
bool writeRegistry(const QString &folder)
{
    return writeFile(folder + "/oui.csv", kHeader +
                                              "MA-L,001122,\"Parent Maker, Inc.\",\"Street 1\r\nTown\"\r\n"
                                              "MA-L,A4B1C2,  Spaced Maker\t ,Addr\r\n"
                                              "MA-L,080030,First Org,x\r\n"
                                              "MA-L,3c5ab4,\"Quote \"\"Q\"\" Werke\",x\r\n"
                                              "MA-L,080030,Second Org,x\r\n"
                                              "MA-L,080030,First Org,x\r\n"
                                              "MA-L,0C1D2E3,Seven Digits,x\r\n"
                                              "MA-L,00AB1G,Not Hex,x\r\n"
                                              "MA-L,00CCDD\r\n"
                                              "MA-L,DDEEFF,,x\r\n"
                                              "MA-L,F4BD9E,\"Multi\r\nLine  GmbH\",x\r\n"
                                              "\r\n"
                                              "MA-L,5C6D7E,5\" Disk Werk,x\rMA-L,6C7D8E,After CR,x\r\n"
                                              "MA-L,0C1B2C,M\xC3\xBCller Funk,x") &&
           writeFile(folder + "/mam.csv",
                     kHeader + "MA-M,0011223,Middle Block Ltd,x\r\nMA-M,0C1D2E3,Seven Digits,x\r\n") &&
           writeFile(folder + "/oui36.csv", kHeader + "MA-S,001122334,Small Block AG,\"a, b\"\r\n") &&
           writeFile(folder + "/iab.csv",
                     kHeader + "IAB,0050C2ABC,Iab Firma,x\r\nIAB,0050C2ABD,\"Open,x\r\n");
}

bool waitLoaded(VendorRegistry &registry)
{
    if (registry.isLoaded())
        return true;
    QSignalSpy ready(&registry, &VendorRegistry::namesReady);
    return ready.wait(10'000);
}

const QString kAnna = QStringLiteral("00:11:22:33:44:55");
const QString kPrinter = QStringLiteral("00:11:22:33:44:66");
const QString kStranger = QStringLiteral("AA:BB:CC:DD:EE:FF");
const QDateTime kStart = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

const auto at = [](qint64 ms) { return kStart.addMSecs(ms); };
StationValue station(const QString &mac, const QString &name, bool known, std::optional<double> rx)
{
    StationValue v;
    v.mac = mac;
    v.name = name;
    v.known = known;
    v.rx = rx;
    return v;
}
const auto anna = [](double rx = 50) { return station(kAnna, "Laptop Anna", true, rx); };
const auto printer = [](double rx) { return station(kPrinter, "Drucker", true, rx); };
const auto stranger = [] { return station(kStranger, kStranger, false, 60.0); };

// The alerts of one access point's evaluations through the station monitor, on a stepped
// clock that starts at kStart's ms 0: its grace timer fires as the clock passes.
struct Monitored
{
    const QString ap = QStringLiteral("127.0.0.2");
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    StationMonitor m{clock};
    QList<Alert> got;
    explicit Monitored(const AlertSettings &s = AlertSettings())
    {
        m.setHistoryEnabled(false);
        m.setAlertSettings(s);
        m.watch(ap);
        QObject::connect(&m.alerts(), &AlertWatch::raised, [this](const Alert &a) { got << a; });
    }
    void to(qint64 ms) { clock->advance(qMax<qint64>(0, ms - clock->elapsedMs())); }
    void evaluate(qint64 ms, const QList<StationValue> &stations)
    {
        to(ms);
        m.evaluated(ap, stations);
    }
    void state(qint64 ms, StationMonitor::ApState s)
    {
        to(ms);
        m.setApState(ap, s);
    }
};

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

class TestReply : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir; // the maker registry written by writeRegistry()

private slots:
    void initTestCase() { QVERIFY(writeRegistry(m_dir.path())); }

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

    // The names are looked up through an index: it follows every change of the list, and a
    // copy made before a change keeps answering for what it holds.
    void knownNamesFollowChanges()
    {
        KnownClients k =
            knownClients({{"00:11:22:33:44:55", "Dach", {}, {}}, {"00:0A:0B:0C:0D:0E", "Flur", {}, {}}});
        QString name;
        QVERIFY(k.findName("00:11:22:33:44:55", &name) && name == "Dach");
        const KnownClients before = k;
        k[0].MAC = " 00:0A:0B:0C:0D:0E ";
        QVERIFY(!k.findName("00:11:22:33:44:55"));
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Flur"); // the later record still wins
        k[1].MAC = QStringLiteral("F0:00:00:00:00:01");
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Dach");
        QVERIFY(before.findName("00:11:22:33:44:55", &name) && name == "Dach");
        QVERIFY(before != k);
        k.resize(1);
        QVERIFY(!k.findName("F0:00:00:00:00:01"));
        QVERIFY(k.findName("00:0A:0B:0C:0D:0E", &name) && name == "Dach");
    }

    // The text functions the parser and the command line are built from (tables packed by hand).
    // clang-format off
    void fields()
    {
        const QList<int> counts{fFieldCount("", ","), fFieldCount("a,b", ","), fFieldCount("a,b,", ","),
            fFieldCount(",", ","), fFieldCount("aaa", "aa"), fFieldCount(",a", ","),
            fFieldCount("x" + SEP + SEP + "y", SEP), fFieldCount("ab" + SEP, SEP), fFieldCount("aaab", "aab"),
            fFieldCount("abababa", "aba"), fFieldCount("aabaabaab", "aabaab"), fFieldCount("abcabd", "abd")};
        QCOMPARE(counts, QList<int>({0, 2, 2, 1, 3, 2, 51, 2, 2, 4, 3, 2}));
        const QStringList fields{fGetField("a,b,c", ",", 2), fGetField("a,b,c", ",", 0),
            fGetField("a,b,c", ",", -7), fGetField("a,b,c", ",", 5), fGetField("abc", ",", 9),
            fGetField("a,b,", ",", 3), fGetField("aaaa", "aa", 2), fGetField("aaaaa", "aa", 3),
            fGetField("a,b", ",", INT_MAX), fGetField(" v2.50\r\nHW", "\r", 1)};
        QCOMPARE(fields, QStringList({"b", "a", "a", "c", "abc", "", "", "a", "b", " v2.50"}));
    }

    void extractNumber()
    {
        const QStringList texts{": 40 dBm", "-85", "x-5y", "12-3", "1,5,7", ",5", "abc", "", "- 5", "--5",
            "-,5", "x 5, y", "62.5", "\t-3", "\u0663 9", QString(400, '0') + "5",
            "0," + QString(400, '0') + "1", "a, 12", ",", "a,b 7,5", "1" + BIG, "-" + BIG};
        const QList<double> values{40, -85, -5, 12, 1.5, 0.5, 0, 0, 5, -5, 0.5, 5, 62, -3, 9, 5,
            0, 0, 0, 0, 0, 0};
        bool ok = false; // from index 17 on: a lone comma, or a number beyond a double, fails
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(fExtractNumber(texts[i], &ok) == values[i] && ok == (i < 17), qPrintable(texts[i]));
    }

    void leadingNumber()
    {
        const QStringList texts{"62,5", "62.5", "1 0", "\t-\n1\t2.5", "1\r2", "", "Text1", "-", "+7", ".5",
            "1.2.3", "5-3", "3E", "3e+x", "E5", "1.5625E-05", BIG, "-" + BIG, "1e-99999",
            "1e999999999999999999", QString(100000, '0') + "7"};
        const QList<double> values{62, 62.5, 10, -12.5, 1, 0, 0, 0, 7, 0.5,
            1.2, 5, 3, 3, 0, 1.5625e-05, MAX, -MAX, 0, MAX, 7};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(fVal(texts[i]), values[i]);
        QCOMPARE(QList<double>({fRoundEven(2.5), fRoundEven(3.5), fRoundEven(-2.5), fRoundEven(0.5)}),
                 QList<double>({2, 4, -2, 0}));
    }

    void numberTextsInBothLocales()
    {
        const QList<double> values{40.0 / 64 * 100, 32.0 / 64 * 100, 20.0 / 64 * 100, 0.1, 100.0 / 3, -0.0,
            -85.0 / 64 * 100, 1234567, 1e-4, 1e-5, 1.5625e-05, 999999999999999.0, 999999999999999.9, 1e16,
            -1.25e-300, MAX};
        const QString german = "62,5 50 31,25 0,1 33,3333333333333 0 -132,8125 1234567 0,0001 1E-05 "
                               "1,5625E-05 999999999999999 1E+15 1E+16 -1,25E-300 1,79769313486232E+308";
        for (const auto language : {QLocale::German, QLocale::English}) {
            QLocale::setDefault(QLocale(language));
            QStringList out;
            for (double v : values)
                out << fNumText(v);
            QCOMPARE(out.join(' '), language == QLocale::German ? german : QString(german).replace(',', '.'));
        }
    }
    // clang-format on

    // Maker names for MAC addresses: a registry made here in the ieee-data format (and so the CSV
    // reader), the lazy background load, missing files (the installed registry: tst_exporter_e2e.sh).
    void fixtureLookup_data()
    {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("36-bit block, its first") << "00:11:22:33:40:00" << Kind::Maker << "Small Block AG";
        QTest::newRow("36-bit block, its last") << "00-11-22-33-4f-ff" << Kind::Maker << "Small Block AG";
        QTest::newRow("28-bit, below the 36") << "00:11:22:33:3F:FF" << Kind::Maker << "Middle Block Ltd";
        QTest::newRow("28-bit block, its first") << "00:11:22:30:00:00" << Kind::Maker << "Middle Block Ltd";
        QTest::newRow("24-bit, below the 28") << "00:11:22:2F:FF:FF" << Kind::Maker << "Parent Maker, Inc.";
        QTest::newRow("36-bit block from the IAB file") << "00:50:C2:AB:C1:23" << Kind::Maker << "Iab Firma";
        QTest::newRow("assigned 3 times") << "08:00:30:01:02:03" << Kind::Maker << "First Org / Second Org";
        QTest::newRow("doubled quotes, lower case")
            << "3C:5A:B4:00:00:01" << Kind::Maker << "Quote \"Q\" Werke";
        QTest::newRow("name trimmed") << "A4:B1:C2:00:00:01" << Kind::Maker << "Spaced Maker";
        QTest::newRow("line end inside the name") << "F4:BD:9E:00:00:01" << Kind::Maker << "Multi Line GmbH";
        QTest::newRow("quote in unquoted") << "5C:6D:7E:00:00:01" << Kind::Maker << "5\" Disk Werk";
        QTest::newRow("after a lone CR") << "6C:7D:8E:00:00:01" << Kind::Maker << "After CR";
        QTest::newRow("UTF-8 name on the last line") << "0C:1B:2C:00:00:01" << Kind::Maker << "Müller Funk";
        QTest::newRow("7 digits in the 24-bit file, cut") << "0C:1D:2E:00:00:00" << Kind::None << "";
        QTest::newRow("7 digits in the 24-bit file, whole") << "C1:D2:E3:00:00:00" << Kind::None << "";
        QTest::newRow("7 digits where 7 belong") << "0C:1D:2E:30:00:00" << Kind::Maker << "Seven Digits";
        QTest::newRow("assignment not hex") << "00:AB:10:00:00:00" << Kind::None << "";
        QTest::newRow("empty name") << "DD:EE:FF:00:00:00" << Kind::None << "";
        // Address forms: only a valid one may reach the 36-bit block.
        QTest::newRow("mixed separators") << "00:11-22:33:44:55" << Kind::None << "";
        QTest::newRow("dots") << "00.11.22.33.44.55" << Kind::None << "";
        QTest::newRow("one digit short") << "00:11:22:33:44:5" << Kind::None << "";
        QTest::newRow("trailing space") << "00:11:22:33:44:55 " << Kind::None << "";
        QTest::newRow("not hex") << "00:11:22:33:4G:55" << Kind::None << "";
        QTest::newRow("unknown") << "00:99:99:00:00:01" << Kind::None << "";
        QTest::newRow("private over known") << "02:11:22:33:44:55" << Kind::Private << "private Adresse";
        QTest::newRow("group bit alone is not private") << "01:00:5E:00:00:01" << Kind::None << "";
    }

    void fixtureLookup()
    {
        QFETCH(QString, mac);
        VendorRegistry registry(m_dir.path());
        registry.lookup(u"00:11:22:33:44:55");
        QVERIFY(waitLoaded(registry));
        const VendorRegistry::Result r = registry.lookup(mac);
        QTEST(r.kind, "kind");
        QTEST(r.text(), "text");
    }

    // One load for all lookups while it runs (a private address needs none: tst_auswertung).
    void loadsOnlyWhenNeeded()
    {
        VendorRegistry registry(m_dir.path());
        QSignalSpy ready(&registry, &VendorRegistry::namesReady);
        QCOMPARE(registry.lookup(u"kein Gerät").kind, Kind::None);
        QVERIFY(!registry.isLoading());
        QCOMPARE(registry.lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
        QCOMPARE(registry.lookup(u"08:00:30:00:00:00").kind, Kind::NotYet);
        QVERIFY(ready.wait(10'000));
        QTest::qWait(50);
        QCOMPARE(ready.count(), 1);

        // Torn down while its worker reads: no answer arrives, nothing hangs.
        auto early = std::make_unique<VendorRegistry>(m_dir.path());
        QSignalSpy earlyReady(early.get(), &VendorRegistry::namesReady);
        QCOMPARE(early->lookup(u"00:11:22:33:44:55").kind, Kind::NotYet);
        early.reset();
        QTest::qWait(50);
        QCOMPARE(earlyReady.count(), 0);
    }

    // No registry files at all (some missing: tst_auswertung, whose registry has only oui.csv).
    void missingFiles()
    {
        VendorRegistry none(m_dir.filePath("fehlt"));
        none.lookup(u"00:11:22:33:44:55");
        QVERIFY(waitLoaded(none));
        QVERIFY(!none.hasNames());
        QCOMPARE(none.lookup(u"00:11:22:33:44:55").kind, Kind::None);
        QCOMPARE(none.lookup(u"02:11:22:33:44:55").text(), QStringLiteral("private Adresse"));
    }

    // Alerts from the evaluations and the access point's state, and their settings.
    // Every kind of alert with its texts; the switches are walked through the window (tst_sessionwindow).
    void scriptedSequence()
    {
        Monitored x;
        using S = StationMonitor::ApState;
        x.evaluate(0, {anna(), printer(50)});
        x.evaluate(2000, {printer(10)});          // Anna leaves ...
        x.evaluate(30000, {anna(), printer(10)}); // ... and is back within the grace period
        x.evaluate(32000, {printer(10)});         // leaves again; third weak level
        x.evaluate(40000, {printer(10), stranger()});
        x.to(92000); // exactly 60 s gone: not yet
        QCOMPARE(x.got.size(), 2);
        x.to(92001); // on time, by the monitor's own timer
        QCOMPARE(x.got.size(), 3);
        x.evaluate(93000, {printer(10), stranger()});
        x.to(200000);
        x.evaluate(201000, {printer(35), stranger()});
        x.state(202000, S::Answered);
        x.state(210000, S::Silent);
        x.state(220000, S::Silent);
        x.state(230000, S::Answered);
        x.evaluate(232000, {printer(35), stranger()});
        x.m.alerts().resetLogin();
        x.evaluate(240000, {printer(35), stranger()});

        QStringList lines;
        for (const Alert &a : x.got)
            lines << line(a);
        const QString strange =
            "Unbekannte Station|AA:BB:CC:DD:EE:FF ist nicht in der Liste der bekannten "
            "Clients und hat sich verbunden|network.connected|2|station/AA:BB:CC:DD:EE:FF";
        QCOMPARE(lines,
                 QStringList({"Schwaches Signal|Drucker (00:11:22:33:44:66): Empfangspegel 10 %, seit 3 "
                              "Auswertungen unter 20 %|network|1|station/00:11:22:33:44:66",
                              strange,
                              "Station getrennt|Laptop Anna (00:11:22:33:44:55) seit 60 s nicht mehr "
                              "verbunden|network.disconnected|1|station/00:11:22:33:44:55",
                              "Signal wieder gut|Drucker (00:11:22:33:44:66): Empfangspegel wieder 35 "
                              "%|network|1|station/00:11:22:33:44:66",
                              "Access Point antwortet nicht|Der Access Point 127.0.0.2 antwortet nicht "
                              "mehr|network.disconnected|2|accesspoint",
                              "Access Point antwortet wieder|Der Access Point 127.0.0.2 antwortet "
                              "wieder|network.connected|1|accesspoint",
                              strange}));
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
        Monitored x(s);
        const StationValue anna = station(kAnna, "Laptop Anna", known, 50);
        x.evaluate(0, {anna});
        x.evaluate(1000, {});
        if (returnMs >= 0)
            x.evaluate(1000 + returnMs, {anna});
        x.to(1000 + goneMs);
        x.m.tick(); // never twice
        QTEST(letters(x.got), "expected");
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
            StationValue st = anna(levels[i]);
            if (levels[i] == -2)
                st.rx.reset();
            got += w.evaluate(at(i * 2000), levels[i] == -1 ? QList<AlertStation>{}
                                                            : alertStations(QList<StationValue>{st}));
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
    // (a key is added only once changed: tst_sessionwindow).
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

QTEST_GUILESS_MAIN(TestReply)
#include "tst_reply.moc"
