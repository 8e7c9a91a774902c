#include <QtTest>
#include <QtWidgets>

#include <algorithm>

#include "app/startstop.h"
#include "apsim.h"
#include "config/inifile.h"
#include "exporter/apwatch.h"
#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/stations.h"
#include "monitor/vendors.h"
#include "testsupport.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/windowgeometry.h"

namespace {

// The buttons shown ("index=caption|..."), then the station count.
QString shownOf(const frmMonitor &w)
{
    QStringList s;
    for (int i = 0; i < 12; ++i)
        if (!optClient<QRadioButton>(w, i)->isHidden())
            s << QString::number(i) + "=" + optClient<QRadioButton>(w, i)->text();
    return s.join('|') + " " + ctl<QLineEdit>(w, "txtAnzahl")->text();
}

struct Shape
{
    const char *name;
    int stations;
    void (*apply)(apsim::Options &);
};

const Shape shapes[] = {
    {"header line, 12 stations", 12,
     [](apsim::Options &o) { o.stationHeaderLine = "Wireless Station List"; }},
    {"leading CR LF", 3, [](apsim::Options &o) { o.leadingLineEnd = true; }},
    {"echo in the same packet", 3, [](apsim::Options &o) { o.echo = true; }},
    {"echo in a packet of its own", 3, [](apsim::Options &o) { o.echoApart = true; }},
    {"blocks in packets of their own", 3, [](apsim::Options &o) { o.blockGapMs = 20; }},
    {"blocks apart, after a pause", 3, [](apsim::Options &o) { o.blockGapMs = 150; }},
};
constexpr int shapeCount = int(sizeof(shapes) / sizeof(shapes[0]));

} // namespace

// clang-format off
static const QString SEP(49, QLatin1Char('*'));
static const QString EXAMPLE = "get station" + SEP + "00:11:22:33:44:55 RxSignalStrength: 40 "
    "AckSignalStrength: 32 Authentication Type: Open WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off" + SEP
    + "00:0A:0B:0C:0D:0E RxSignalStrength(per cent): 62 AckSignalStrength: 20";
static QString block(const QString &m, const QString &r = " RxSignalStrength: 16") { return SEP + m + r; }

// Evaluation of access-point replies into the window (case tables packed by hand); the
// settings and the known clients in the window.
class TestAuswertung : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("SENVARO.INI"));
    ScriptedDialogs d;

    template <class T = QLineEdit> T *c(const char *name) const { return ctl<T>(*w, name); }

    QString details() const
    {
        QStringList s;
        for (const char *name : {"txtMac", "txtAuth", "txtEncrypt", "txtWLANMode", "txtRXDataRate", "txtRXSign", "txtAckSign"})
            s << c(name)->text();
        return s.join('|');
    }
    QString chart() const // "label:rx:ack|..."
    {
        QStringList s;
        for (int r = 1; r <= c<StationChart>("MSChart1")->rowCount(); ++r)
            s << c<StationChart>("MSChart1")->rowLabel(r) + ":" + c<StationChart>("MSChart1")->dataText(r, 1) + ":"
                     + c<StationChart>("MSChart1")->dataText(r, 2);
        return s.join('|');
    }
    void evaluate(const QString &text, int page = 1, const QString &selected = QStringLiteral("0"))
    {
        c<QTabWidget>("SSTab1")->setCurrentIndex(page);
        c("Text1")->setText(selected);
        w->session().evaluate(text);
        clock->advance(1000); // a logout after the wrong-password question closes a second later
    }
    void known(const QList<tMAC> &records) { w->setKnownClients(knownClients(records)); }

    // clang-format on
    void load(const QByteArray &content)
    {
        Settings s;
        QVERIFY(writeFile(p, content) && IniFile().load(p, s));
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        w->applySettings(s);
    }
    QByteArray saved() { return IniFile().Save(p, w->collectSettings()) ? readFile(p) : "save failed"; }
    static tMAC rec(const QString &n, const char *ap = "Falsch") { return {"mac-" + n, n, "ip-" + n, ap}; }
    void del(Dialogs::Answer a = Dialogs::Answer::Ok) { d.answer(a), c<QToolButton>("Command2")->click(); }
    void start(const QList<tMAC> &records)
    {
        d.clear();
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        Settings s;
        s.recordCount = qint16(records.size());
        s.clients = knownClients(records);
        w->applySettings(s);
        c("txtDatensatz")->setText(QStringLiteral("1"));
    }
    // "N(names) bar maximum/value editor number:name"
    QString state() const
    {
        QStringList n;
        const KnownClients &k = w->knownClients();
        for (const tMAC &r : k)
            n << r.Name;
        return QStringLiteral("%1(%2) %3/%4 %5:%6")
            .arg(QString::number(k.size()), n.join(','),
                 QString::number(c<QScrollBar>("scrDatensatz")->maximum()),
                 QString::number(c<QScrollBar>("scrDatensatz")->value()), c("txtDatensatz")->text(),
                 c("txtDataName")->text());
    }

    // clang-format off

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        w = std::make_unique<frmMonitor>(nullptr, clock);
        StartStop::attach(*w, p);
        w->Form_Load();
    }

    void workedExample()
    {
        evaluate(EXAMPLE, 1, QStringLiteral("Text1")); // the initial text selects station 0
        QCOMPARE(shownOf(*w), QStringLiteral("0=00:11:22:33:44:55|1=00:0A:0B:0C:0D:0E 2"));
        QCOMPARE(details(), QStringLiteral("00:11:22:33:44:55|Open |Off|11g|54|62,5|50"));
        QCOMPARE(QString("%1 %2 %3 ").arg(c<SignalBar>("RXBar")->valueF()).arg(c<SignalBar>("AcknBar")->valueF()).arg(w->session().IamReady())
                     + chart(), QStringLiteral("62 50 1 Client:0:0")); // the chart untouched
        evaluate(EXAMPLE, 1, QStringLiteral("1")); // block 2: unscaled; fields it lacks keep their text
        QCOMPARE(details(), QStringLiteral("00:0A:0B:0C:0D:0E|Open |Off|11g|54|62|31,25"));
        c("txtMac")->setText(QStringLiteral("keep")); // a station gone, and the chart page: details kept
        evaluate(EXAMPLE, 1, QStringLiteral("5"));
        evaluate(EXAMPLE, 2);
        QCOMPARE(c("txtMac")->text() + " " + chart(),
                 QStringLiteral("keep 00:11:22:33:44:55:62,5:50|00:0A:0B:0C:0D:0E:62:31,25"));
        evaluate("x" + block("00:00:00:00:00:07"), 2); // one row left; no ack word: the first number
        QCOMPARE(chart(), QStringLiteral("00:00:00:00:00:07:25:0"));
    }

    void filterOnShowsOnlyPassingStations()
    {
        known({{" 00:11:22:33:44:55 ", "Dach           ", {}, {}}});
        c<QCheckBox>("chkBekClients")->setChecked(true);
        evaluate(EXAMPLE, 2);
        QCOMPARE(shownOf(*w) + " " + chart(), QStringLiteral("0=Dach 1 Dach:62,5:50|:0:0")); // row 2 never fed
        setChkValue(c<QCheckBox>("chkBekClients"), 2); // greyed (2) acts like unchecked: all pass
        evaluate(EXAMPLE, 2);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach|1=00:0A:0B:0C:0D:0E 2"));
        c<QCheckBox>("chkBekClients")->setChecked(true);
        known({{"00:0A:0B:0C:0D:0E", "Keller", {}, {}}}); // own button; details only if selected passed
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w) + " " + c("txtMac")->text(), QStringLiteral("1=Keller 1 "));
        // a later match wins; "" is known without a name
        known({{"00:0A:0B:0C:0D:0E", "Keller", {}, {}}, {"00:0A:0B:0C:0D:0E", "Garage", {}, {}}});
        evaluate(EXAMPLE + SEP, 1, QStringLiteral("1"));
        QCOMPARE(shownOf(*w) + " " + c("txtMac")->text(), QStringLiteral("1=Garage|2= 2 00:0A:0B:0C:0D:0E"));
    }

    // A failed login wins over the restart; 11 characters keep IamReady; the version shown.
    void alarmWordsShortTextsLimitsAndVersion()
    {
        const QString x12 = "h" + block("00:00:00:00:00:01").repeated(12);
        // text; robot, polling, LOGIN enabled, IamReady; questions, ends, buttons, count, MAC ("-" before),
        // version ("old" before)
        const QList<std::tuple<QString, QString, int, int, int, QString, QString, QString>> rows{
            {"Rebooting ... incorrect Login", "0011", 1, 0, 0, "", "", ""},
            {"abcdefghijk", "1100", 0, 0, 0, "", "-", "old"},
            {"abcdefghijkl", "1101", 0, 0, 0, "", "-", "old"},
            {x12, "1101", 0, 0, 12, "12", "00:00:00:00:00:01", "old"},
            {"SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\n", "1101", 0, 0, 0, "", "-", " v2.50"},
            {"REBOOTING ...", "1010", 0, 1, 0, "", "-", "old"}};
        for (const auto &[text, flags, questions, ending, buttons, count, mac, version] : rows) {
            init();
            ScriptedDialogs dialogs;
            ProcessEndRecorder ends;
            dialogs.answer(Dialogs::Answer::Ok); // the failed-login question: go on
            w->session().timPWRobot()->setEnabled(true);
            w->session().timPoll_Power()->setEnabled(true);
            c<QToolButton>("CmdLogin")->setEnabled(false);
            c("txtMac")->setText(QStringLiteral("-"));
            c("txtSoftVers")->setText(QStringLiteral("old"));
            evaluate(text);
            QCOMPARE(QString::asprintf("%d%d%d%d", w->session().timPWRobot()->enabled(),
                                       w->session().timPoll_Power()->enabled(),
                                       c<QToolButton>("CmdLogin")->isEnabled(), w->session().IamReady()), flags);
            QCOMPARE(QList<int>({int(dialogs.asked().size()), ends.calls(), int(shownOf(*w).count('='))}),
                     QList<int>({questions, ending, buttons}));
            QCOMPARE(QStringList({c("txtAnzahl")->text(), c("txtMac")->text(), c("txtSoftVers")->text()}),
                     QStringList({count, mac, version}));
        }
    }

    // A value the reply leaves out (no finite number) keeps its chart cell and its field; a
    // negative detail shows as it is and keeps the bar (the field's text read as in tst_reply).
    void valuesLeftOutKeepWhatIsShown()
    {
        const QString huge = "x" + block("00:11:22:33:44:55", " RxSignalStrength: 17" + QString(307, '0') +
                                                                  " AckSignalStrength: -10");
        evaluate(EXAMPLE, 2);
        evaluate(huge, 2);
        QCOMPARE(chart(), QStringLiteral("00:11:22:33:44:55:62,5:0"));
        evaluate(EXAMPLE);
        evaluate(huge);
        QCOMPARE(details().section('|', 5) + " " + QString::number(c<SignalBar>("AcknBar")->valueF()), "62,5|-15,625 50");
        c("txtRXSign")->setText(QString(400, '9')); // beyond a float: a full bar; an empty field: none
        c("txtAckSign")->setText(QString());
        QCOMPARE(QList<int>({c<SignalBar>("RXBar")->value(), c<SignalBar>("AcknBar")->value()}), QList<int>({1000, 0}));
    }

    void hostileReplies()
    {
        const QString markup = "<b>x</b>&amp;<i"; // as typed (NUL, 0xFF too); escaped on the chart axis
        evaluate("h" + SEP + markup + QChar(0) + QChar(0xff) + QString(5, QChar(0)) + SEP + markup + " ");
        QCOMPARE(c("txtMac")->text() + optClient<QRadioButton>(*w, 0)->text().left(14),
                 markup + QChar(0) + QChar(0xff) + "<b>x</b>&&amp;"); // no mnemonic
        evaluate("x" + SEP + markup, 2);
        c<StationChart>("MSChart1")->flush();
        QVERIFY(c<StationChart>("MSChart1")->shownCategories().value(0).startsWith("&lt;b&gt;x&lt;/b&gt;"));
    }
    // clang-format on
    // However the access point frames a station reply, every poll shows exactly its stations.
    // All shapes side by side, one simulator and window each: at every poll the window shows
    // the previous poll's outcome, the simulator's stations, each once, in order.
    void pollsShowEachStationOnce()
    {
        ScriptedDialogs dialogs;
        std::vector<std::unique_ptr<apsim::ApSim>> sims;
        std::vector<std::unique_ptr<frmMonitor>> windows;
        std::vector<std::shared_ptr<SteppedClock>> clocks; // timers move only when stepped
        QList<QStringList> seen(shapeCount);
        QStringList heard(shapeCount); // all text each window received
        QStringList expected;
        for (int i = 0; i < shapeCount; ++i) {
            apsim::Options o;
            o.stations = apsim::makeStations(shapes[i].stations);
            shapes[i].apply(o);
            QStringList macs;
            for (const apsim::Station &s : o.stations)
                macs << QString::number(macs.size()) + "=" + s.mac;
            expected << macs.join('|') + " " + QString::number(macs.size());

            const QString ip = QStringLiteral("127.0.0.%1").arg(140 + i);
            sims.push_back(std::make_unique<apsim::ApSim>(o));
            QVERIFY2(sims.back()->listen(QHostAddress(ip)), qPrintable(sims.back()->errorString()));
            clocks.push_back(std::make_shared<SteppedClock>());
            windows.push_back(std::make_unique<frmMonitor>(nullptr, clocks.back()));
            frmMonitor &w = *windows.back();
            startLogin(w, ip);
            // Short cycles keep the test brief; the settling rule is the same.
            w.session().setPollInterval(300);
            w.session().timAuswertung()->setInterval(400);
            const auto hear = [&heard, i](const QString &text) { heard[i] += text; };
            connect(&w.session(), &ApSession::replyTextReset, this, hear);
            connect(&w.session(), &ApSession::replyTextAppended, this, hear);
            connect(sims.back().get(), &apsim::ApSim::lineReceived, this,
                    [&seen, &w, i](int, qint64, const QByteArray &line) {
                        if (line == "get station")
                            seen[i] << shownOf(w);
                    });
        }
        // While an answer (ending in a prompt) is owed, a window's time runs in step with the
        // simulator's pauses between blocks; otherwise it leaps 100 ms per turn of the loop.
        const auto owed = [&](size_t i) {
            qsizetype requests = 0;
            for (const char *end : {"login: ", "password: ", "DWL-2100AP> "})
                requests += heard[int(i)].count(QLatin1String(end));
            return 1 + sims[i]->lines().size() - requests > 0;
        };
        QElapsedTimer real;
        real.start();
        qint64 lastMs = 0;
        const bool done = waitUntil(
            [&] {
                const qint64 nowMs = real.elapsed();
                for (size_t i = 0; i < windows.size(); ++i)
                    clocks[i]->advance(owed(i) ? nowMs - lastMs : 100);
                lastMs = nowMs;
                return std::all_of(seen.cbegin(), seen.cend(),
                                   [](const QStringList &s) { return s.size() >= 7; });
            },
            60000);
        for (int i = 0; i < shapeCount; ++i) {
            QVERIFY2(done,
                     qPrintable(QStringLiteral("%1: %2 polls").arg(shapes[i].name).arg(seen[i].size())));
            QCOMPARE(seen[i].mid(1, 6), QStringList(6, expected[i])); // poll 1: nothing evaluated yet
        }
    }
    // One reply through every view and output: the window's first button, the history, the CSV
    // log and the exporter's info series, with the name and texts they all take from one value.
    void oneReplyEverywhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");   // of the known client 00:11:22:33:44:55
        QTest::addColumn<QString>("button"); // caption of the first button, "-" when hidden
        QTest::addColumn<int>("stations");   // in the history and the exporter
        QTest::addColumn<QString>("csv");    // the first station's line from ";Messwert;" on
        QTest::addColumn<QString>("info");   // its info series' labels after the MAC address
        const QString padded =
            SEP + "00:11:22:33:44:55 RxSignalStrength: 32 AckSignalStrength: 16 "
                  "Authentication Type:  Open System  WLAN Mode:  11g , Rx Data Rate: 54 Encryption: Off ";
        QTest::newRow("known, padded texts")
            << "x" + padded << " Lager "
            << "Lager" << 1 << ";Messwert;00:11:22:33:44:55;Lager;50;25;54;11g;"
            << R"(name="Lager",mode="11g",authentication="Open System",encryption="Off",vendor="")";
        QTest::newRow("known without a name")
            << "x" + padded << "   "
            << "" << 1 << ";Messwert;00:11:22:33:44:55;00:11:22:33:44:55;50;25;54;11g;"
            << R"(name="00:11:22:33:44:55",mode="11g",authentication="Open System",encryption="Off",vendor="")";
        QString fourteen = "x" + padded;
        for (int i = 1; i < 14; ++i)
            fourteen += block(QStringLiteral("02:00:00:00:00:%1").arg(i, 2, 10, QLatin1Char('0')));
        QTest::newRow("14 stations: no buttons, all recorded")
            << fourteen << "Lager"
            << "-" << 14 << ";Messwert;00:11:22:33:44:55;Lager;50;25;54;11g;"
            << R"(name="Lager",mode="11g",authentication="Open System",encryption="Off",vendor="")";
    }
    void oneReplyEverywhere()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(int, stations);
        QTemporaryDir logDir;
        known({{"00:11:22:33:44:55", name, {}, {}}});
        w->historyLog().setFolder(logDir.path());
        w->historyLog().setEnabled(true);
        evaluate(text);
        const auto *button = optClient<QRadioButton>(*w, 0);
        QTEST(button->isHidden() ? QStringLiteral("-") : button->text(), "button");

        const auto &tracks = w->history().tracks();
        QCOMPARE(int(tracks.size()), stations);
        const QStringList lines = QString::fromLatin1(readFile(logDir.filePath(HistoryLog::fileName(
                                                          clock->currentDateTimeUtc().toLocalTime().date()))))
                                      .split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() > 1);
        QTEST(lines[1].mid(lines[1].indexOf(';')), "csv");
        QCOMPARE(tracks.front().name, lines[1].section(';', 3, 3));

        ApSample ap;
        ap.ap = QStringLiteral("127.0.0.2");
        for (const StationValue &v : stationValues(parseReply(text, w->knownClients(), false)))
            ap.stations << stationSample(v);
        const QByteArray exposition = renderExposition({ap});
        QCOMPARE(int(exposition.count("senvaro_station_receive_signal_ratio{")), stations);
        const QByteArray info = "senvaro_station_info{ap=\"127.0.0.2\",mac_address=\"00:11:22:33:44:55\",";
        const qsizetype at = exposition.indexOf(info);
        QVERIFY(at >= 0);
        const QByteArray labels =
            exposition.mid(at + info.size(), exposition.indexOf('}', at) - at - info.size());
        QTEST(QString::fromUtf8(labels), "info");
    }

    // Maker names as tool tips of the shown stations' buttons and the MAC field, from a registry of one
    // block.
    void makerTips()
    {
        QVERIFY(writeFile(dir.filePath("oui.csv"),
                          "Registry,Assignment,Organization Name\nMA-L,F01898,\"Apple, Inc.\"\n"));
        w->setVendorFolder(dir.path());
        const auto tips = [this] {
            QStringList s;
            for (int i = 0; i < 3; ++i)
                s << optClient<QRadioButton>(*w, i)->toolTip();
            return s.join('|') + "|" + c("txtMac")->toolTip();
        };
        const QString three =
            "x" + block("F0:18:98:00:00:01") + block("00:99:99:00:00:02") + block("02:11:A0:00:00:03");
        // Filter on: only the known private station shows, and a private address needs no registry.
        known({{"02:11:A0:00:00:03", "Handy", {}, {}}});
        c<QCheckBox>("chkBekClients")->setChecked(true);
        evaluate(three, 1, QStringLiteral("2"));
        QCOMPARE(tips(), QStringLiteral("||private Adresse|private Adresse"));
        QVERIFY(!w->vendors().isLoading() && !w->vendors().isLoaded());
        // Filter off: the Apple station starts the load; its name arrives later.
        c<QCheckBox>("chkBekClients")->setChecked(false);
        QSignalSpy ready(&w->vendors(), &VendorRegistry::namesReady);
        evaluate(three);
        QCOMPARE(tips(), QStringLiteral("||private Adresse|"));
        QVERIFY(ready.wait(10000));
        QCOMPARE(tips(), QStringLiteral("Apple, Inc.||private Adresse|Apple, Inc."));
    }

    // The window's side of the settings and the known clients: applying loaded settings,
    // collecting them again, the record editor and the views on the "LOGIN" page.
    // No records: the editor on an empty record 1. Access points fill Combo1 in record order, its
    // text stays "Server"'s address; a position off every screen starts at 0/0.
    void applyAndCollect()
    {
        load("Kopfzeile\r\n");
        const QStringList got{
            c("txtUser")->text(),      c<QComboBox>("Combo1")->currentText(),
            c("txtIP")->text(),        c<TextBox>("txtMACS")->text(),
            c("txtDatensatz")->text(), QString::number(c<QScrollBar>("scrDatensatz")->maximum())};
        QCOMPARE(got, (QStringList{"(kein Eintrag)", "192.168.0.1", "192.168.0.1", "", "1", "0"}));
        QVERIFY(
            saved().endsWith("Anzahl=1\r\nMAC-Adr.1=\r\nName 1=\r\nIP-Adresse 1=\r\nist_AP 1=Falsch\r\n"));

        load(
            "[PrgWindow]\r\nWindowState=7\r\nleft=32000\r\ntop=32000\r\n[Server]\r\nIP=10.0.0.9\r\n[User]\r\n"
            "Polling Zyklus in Sekunden=7\r\nPasswort speichern=1\r\n[bekannte MAC-Adressen]\r\n"
            "nur bekannte Clients=1\r\nAnzahl=3\r\nName 1=Dach\r\nIP-Adresse 1=10.0.0.1\r\nist_AP 1=Wahr\r\n"
            "IP-Adresse 2=10.0.0.2\r\nist_AP 2=wahr\r\nIP-Adresse 3=10.0.0.3\r\nist_AP 3=Wahr\r\n");
        QCOMPARE((QStringList{c<QComboBox>("Combo1")->currentText(), c<QComboBox>("Combo1")->itemText(0),
                              c<QComboBox>("Combo1")->itemText(1),
                              QString::number(c<QComboBox>("Combo1")->count()),
                              c<TextBox>("txtMACS")->text().section("\r\n", 0, 0)}),
                 (QStringList{"10.0.0.9", "10.0.0.1", "10.0.0.3", "2",
                              "(kein Eintrag)\tDach           \t10.0.0.1"}));
        QCOMPARE(QList<int>({w->collectSettings().recordCount, c<QScrollBar>("scrDatensatz")->maximum(),
                             w->session().timPoll_Power()->interval(), chkValue(c<QCheckBox>("ChksavePW")),
                             chkValue(c<QCheckBox>("chkBekClients"))}),
                 QList<int>({3, 3, 7000, 1, 1}));
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=0\r\nleft=0\r\ntop=0\r\n"));
        w->setKnownClients(knownClients({{}, rec("ap", "Wahr")})); // the bar and the views follow at once
        QCOMPARE((QStringList{c<TextBox>("txtMACS")->text(), c<QComboBox>("Combo1")->itemText(0),
                              QString::number(c<QComboBox>("Combo1")->count()),
                              QString::number(c<QScrollBar>("scrDatensatz")->maximum()), c("txtIP")->text()}),
                 (QStringList{"\t\t\r\nmac-ap\tap\tip-ap\r\n", "ip-ap", "1", "2", "10.0.0.9"}));

        load("[bekannte MAC-Adressen]\r\nAnzahl=32767\r\n");
        QCOMPARE(c<TextBox>("txtMACS")->text().count(QStringLiteral("\r\n")), 32767);
    }

    // Outer bounds do not creep; saved maximized, the normal bounds stay in the file.
    void windowBounds()
    {
        const QByteArray bounds = "left=600\r\ntop=450\r\nheight=8010\r\nwidth=9000\r\n";
        load("[PrgWindow]\r\nWindowState=0\r\n" + bounds);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTRY_COMPARE(twWidth(w.get()), 9000);
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=0\r\n" + bounds));
        load("[PrgWindow]\r\nWindowState=2\r\n" + bounds);
        QVERIFY(saved().startsWith("[PrgWindow]\r\nWindowState=2\r\n" + bounds + "[Server]"));
        QCOMPARE(QList<int>({w->normalGeometry().x(), w->normalGeometry().width()}), QList<int>({40, 600}));
    }

    void editorFlows()
    {
        start({rec("a"), rec("b")});
        c<QScrollBar>("scrDatensatz")->setValue(2);
        del(Dialogs::Answer::Cancel);
        QCOMPARE(state(), QStringLiteral("2(a,b) 2/2 2:b"));
        QCOMPARE(d.asked().last().text, QStringLiteral("Diesen Datensatz wirklich löschen?"));
        QCOMPARE(d.asked().last().buttons, Dialogs::Buttons::OkCancel);
        del(); // the last one: the one before shows
        QCOMPARE(state(), QStringLiteral("1(a) 1/1 1:a"));
        del(); // the only one
        QCOMPARE(state(), QStringLiteral("0() 0/0 0:"));
        c<QToolButton>("Command2")->click(); // nothing left: no question, no change
        QCOMPARE(d.asked().size(), 3);

        // The record at the bar goes, not the one typed; the first place is refilled.
        start({rec("a"), rec("b"), rec("c")});
        c("txtDatensatz")->setText(QStringLiteral("3"));
        QCOMPARE(state(), QStringLiteral("3(a,b,c) 3/1 3:c"));
        del();
        QCOMPARE(state(), QStringLiteral("2(b,c) 2/1 1:b"));

        start({rec("a")});
        c<QToolButton>("cmdNewData")->click();
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(state(), QStringLiteral("3(a,,) 3/3 3:"));
        c("txtDataName")->setText(QStringLiteral("neu"));
        c<QCheckBox>("chkDataAP")->setChecked(true);
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(w->knownClients().at(2).Name + w->knownClients().at(2).ist_AP, QStringLiteral("neuWahr"));
        c<QCheckBox>("chkDataAP")->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(w->knownClients().at(2).ist_AP, QStringLiteral("Falsch"));
        c("txtDatensatz")->setText(QStringLiteral("1"));
        c("txtDatensatz")->setText(QStringLiteral("9")); // above N: the fields stay, nothing is stored
        c<QToolButton>("cmdSave")->click();
        QCOMPARE(state(), QStringLiteral("3(a,,neu) 3/3 9:a"));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("1 bis 3")));

        start({}); // no record (a new settings file): "Neu" takes slot 1
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(state(), QStringLiteral("1() 1/1 1:"));
        c<QScrollBar>("scrDatensatz")->setMaximum(32767); // the most there can be
        c<QToolButton>("cmdNewData")->click();
        QCOMPARE(QList<int>({c<QScrollBar>("scrDatensatz")->maximum(), w->knownClients().size()}),
                 QList<int>({32767, 1}));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("32767")));
    }

    // A reply is judged by the records and the switch as the window shows them at that
    // moment: a record saved on Setup names the next reply's station (and reaches the station
    // monitor at once), a new one too, a deleted one no longer; the switch filters from the
    // next reply on.
    void filterFollowsEdits()
    {
        const QString dach = QStringLiteral("00:11:22:33:44:55");
        const auto save = [this](const QString &mac, const QString &name) {
            c<QTabWidget>("SSTab1")->setCurrentIndex(frmMonitor::PageSetup);
            c("txtDataMAC")->setText(mac);
            c("txtDataName")->setText(name);
            c<QToolButton>("cmdSave")->click();
        };
        start({rec("a")});
        save(dach, QStringLiteral("Dach"));
        QVERIFY(w->stationMonitor().device(dach) && w->stationMonitor().device(dach)->name == "Dach");
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach|1=00:0A:0B:0C:0D:0E 2"));
        c<QCheckBox>("chkBekClients")->setChecked(true);
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach 1"));

        c<QToolButton>("cmdNewData")->click(); // record 2
        save(QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("Keller"));
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=Dach|1=Keller 2"));
        c<QTabWidget>("SSTab1")->setCurrentIndex(frmMonitor::PageSetup);
        c<QScrollBar>("scrDatensatz")->setValue(1);
        del();
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("1=Keller 1"));
        c<QCheckBox>("chkBekClients")->setChecked(false);
        evaluate(EXAMPLE);
        QCOMPARE(shownOf(*w), QStringLiteral("0=00:11:22:33:44:55|1=Keller 2"));
    }

    // Views keep the typed address; a cycle the timer cannot take keeps the one before.
    void viewsAndSettings()
    {
        start({rec("a"), rec("ap", "Wahr"), {"", "", "", "wahr"}});
        c<QComboBox>("Combo1")->setEditText(QStringLiteral("10.9.9.9"));
        page<LoginPage>(*w)->refreshKnownClientViews(w->knownClients());
        page<LoginPage>(*w)->refreshKnownClientViews(w->knownClients());
        QVERIFY(c<QComboBox>("Combo1")->count() == 1 &&
                c<QComboBox>("Combo1")->itemText(0) == QStringLiteral("ip-ap"));
        QCOMPARE(c<QComboBox>("Combo1")->currentText() + ' ' + c("txtIP")->text(),
                 QStringLiteral("10.9.9.9 10.9.9.9"));
        QCOMPARE(c<TextBox>("txtMACS")->text(),
                 QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        c<QComboBox>("Combo1")->setCurrentIndex(0);
        QCOMPARE(c("txtIP")->text(), QStringLiteral("ip-ap"));

        w->session().timPoll_Power()->setEnabled(true);
        const QList<std::pair<QString, int>> cycles{{"2.5", 2500},    {"2,5", 2000}, {"1 0", 10000},
                                                    {"", 3000},       {"70", 3000},  {"-1", 3000},
                                                    {"65.535", 65535}};
        for (const auto &[text, ms] : cycles) {
            c<QComboBox>("cmbZyklus")->setEditText(QStringLiteral("3"));
            c<QComboBox>("cmbZyklus")->setEditText(text);
            QVERIFY2(w->session().timPoll_Power()->interval() == ms &&
                         w->session().timPoll_Power()->enabled(),
                     qPrintable(text));
        }
        c("txtUser")->setText(QStringLiteral("ab"));
        c("txtPassw")->setText(QStringLiteral("ab"));
        c<QCheckBox>("ChkShowPW")->setChecked(true);
        QCOMPARE(c("txtUser")->displayText() + c("txtPassw")->displayText(), QStringLiteral("abab"));
        c<QCheckBox>("ChkShowPW")->setChecked(false);
        QCOMPARE(c("txtUser")->displayText() + c("txtPassw")->displayText(), QStringLiteral("##**"));
    }
    // clang-format off
};
// clang-format on

QTEST_MAIN(TestAuswertung)
#include "tst_auswertung.moc"
