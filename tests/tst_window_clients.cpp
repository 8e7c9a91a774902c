#include <QChartView>
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
#include "ui/clientspage.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/widgets.h"
#include "ui/windowgeometry.h"
#include "windowfixture.h"

namespace {

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
static QString block(const QString &m, const QString &r = " RxSignalStrength: 16") { return SEP + m + r; }

// Evaluation of access-point replies into the window (case tables packed by hand).
class TestWindowClients : public QObject, public WindowFixture
{
    Q_OBJECT

    // clang-format off

private slots:
    void init() { reset(); }

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
    // block; a second line says since when the station is here.
    void makerTips()
    {
        QVERIFY(writeFile(dir.filePath("oui.csv"),
                          "Registry,Assignment,Organization Name\nMA-L,F01898,\"Apple, Inc.\"\n"));
        w->setVendorFolder(dir.path());
        const auto maker = [](const QWidget *control) { // without the line since when
            return control->toolTip()
                .split('\n')
                .filter(QRegularExpression("^(?!verbunden seit)"))
                .join('\n');
        };
        const auto tips = [&] {
            QStringList s;
            for (int i = 0; i < 3; ++i)
                s << maker(optClient<QRadioButton>(*w, i));
            return s.join('|') + "|" + maker(c("txtMac"));
        };
        const QString three =
            "x" + block("F0:18:98:00:00:01") + block("00:99:99:00:00:02") + block("02:11:A0:00:00:03");
        // Filter on: only the known private station shows, and a private address needs no registry.
        known({{"02:11:A0:00:00:03", "Handy", {}, {}}});
        c<QCheckBox>("chkBekClients")->setChecked(true);
        evaluate(three, 1, QStringLiteral("2"));
        QCOMPARE(tips(), QStringLiteral("||private Adresse|private Adresse"));
        // Since when it is here, after the maker.
        QCOMPARE(optClient<QRadioButton>(*w, 2)->toolTip(),
                 QStringLiteral("private Adresse\nverbunden seit 01.03.2026 12:00:24"));
        QVERIFY(!w->vendors().isLoading() && !w->vendors().isLoaded());
        // Filter off: the Apple station starts the load; its name arrives later.
        c<QCheckBox>("chkBekClients")->setChecked(false);
        QSignalSpy ready(&w->vendors(), &VendorRegistry::namesReady);
        evaluate(three);
        QCOMPARE(tips(), QStringLiteral("||private Adresse|"));
        QVERIFY(ready.wait(10000));
        QCOMPARE(tips(), QStringLiteral("Apple, Inc.||private Adresse|Apple, Inc."));
    }

    // The page paints the pane under itself (so that Qt need not draw the window behind it at
    // every poll): the window looks exactly as with the tab widget's own pane behind the page.
    void clientsPageLooksAsOnThePane()
    {
        evaluate(EXAMPLE, 1, QStringLiteral("Text1"));
        w->show();
        c<QTabWidget>("SSTab1")->setCurrentIndex(frmMonitor::PageClients);
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QImage own = w->grab().toImage();
        auto *clients = page<ClientsPage>(*w);
        QObject *fill = clients->findChild<QObject *>(QStringLiteral("paneFill"), Qt::FindDirectChildrenOnly);
        QVERIFY(fill);
        clients->removeEventFilter(fill);
        clients->setAttribute(Qt::WA_OpaquePaintEvent, false);
        const QImage pane = w->grab().toImage();
        QCOMPARE(own.size(), pane.size());
        QVERIFY(own == pane);
    }

    // A bar draws only the stretch its new value changes: on screen it must look as drawn whole,
    // whichever way and however far the value moves (empty, full, a hair, a jump).
    void signalBarRedrawsOnlyTheChange()
    {
        QWidget host;
        host.setAutoFillBackground(true);
        host.resize(300, 40);
        auto *bar = new SignalBar(&host);
        bar->setGeometry(10, 10, 256, 13);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        for (float v :
             {50.0f, 50.1f, 49.9f, 0.0f, 0.1f, 100.0f, 99.9f, 3.0f, 97.0f, 100.0f, 0.0f, 64.3f, 12.5f}) {
            bar->setValueF(v);
            QCoreApplication::processEvents(); // the window's update
            const QImage shown =
                host.screen()
                    ->grabWindow(host.winId(), bar->x(), bar->y(), bar->width(), bar->height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            const QImage whole = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QVERIFY2(shown == whole, qPrintable(QString::number(v)));
        }
    }

    // A value box draws only what lies inside its frame, and leaves the frame as it is: on screen
    // it must look as drawn whole, for longer, shorter, empty and overflowing values.
    void valueBoxRedrawsOnlyItsText()
    {
        QWidget host;
        host.setAutoFillBackground(true);
        host.resize(200, 40);
        auto *box = new QLineEdit(&host);
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignRight);
        box->setGeometry(10, 10, 60, 21);
        auto *focus = new QLineEdit(&host); // as on the page, the focus is elsewhere
        focus->setGeometry(100, 10, 60, 21);
        focus->setFocus();
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        showLineText(box, QStringLiteral("0"));
        QCoreApplication::processEvents(); // the first, whole paint
        PaintRecorder paints;
        for (const char *text : {"62,5", "7", "", "100", "33,3333333333333", "0"}) {
            paints.painted.clear();
            showLineText(box, QString::fromLatin1(text));
            QCoreApplication::processEvents();                           // the window's update
            QVERIFY2(!paints.painted[box].contains(QPoint(0, 0)), text); // the frame stays
            const QImage shown =
                host.screen()
                    ->grabWindow(host.winId(), box->x(), box->y(), box->width(), box->height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            QVERIFY2(shown == box->grab().toImage().convertToFormat(QImage::Format_RGB32), text);
        }
        QLineEdit plain(&host); // the frame as the style draws it
        plain.setReadOnly(true);
        plain.setAlignment(Qt::AlignRight);
        plain.setGeometry(box->geometry());
        plain.setText(box->text());
        QCOMPARE(plain.grab().toImage(), box->grab().toImage());
    }

    // The chart's background is copied from a picture of it: after changed values and
    // another size the chart on screen is what Qt Charts draws without that picture.
    void chartBackgroundAsDrawn()
    {
        StationChart chart;
        chart.resize(500, 300);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        const auto values = [&](const QStringList &rx) {
            chart.setRowCount(qint16(rx.size()));
            for (int i = 1; i <= rx.size(); ++i) {
                chart.setRow(qint16(i));
                chart.setRowLabel(QStringLiteral("Station %1").arg(i));
                chart.setColumn(1);
                chart.setData(rx[i - 1]);
            }
            QCoreApplication::processEvents();
            chart.flush();
            QCoreApplication::processEvents();
        };
        values({"40", "70", "10"});
        values({"45", "20", "90"});
        chart.resize(540, 320);
        values({"45", "60"});
        const QImage screen =
            chart.screen()->grabWindow(chart.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        int pictures = 0;
        for (QGraphicsItem *item : chart.findChild<QChartView *>()->chart()->childItems())
            if (item->cacheMode() != QGraphicsItem::NoCache) {
                item->setCacheMode(QGraphicsItem::NoCache);
                ++pictures;
            }
        QCOMPARE(pictures, 1);
        QCOMPARE(screen, chart.grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    // Scroll bars and group box frames drawn in bands of lines look as Fusion draws them
    // whole: a bar with its handle at either end and in between, a frame with and without
    // a caption, on screen after a partial repaint too.
    void bandedPaintsAsFusion()
    {
        QWidget host;
        host.setStyle(QStyleFactory::create("Fusion"));
        QScrollBar plain(Qt::Vertical, &host), banded(Qt::Vertical, &host);
        QVERIFY(fusionProxyStyle<ScrollBarStyle>());
        banded.setStyle(fusionProxyStyle<ScrollBarStyle>());
        QGroupBox fusionBox("Werte", &host), ownBox("Werte", &host);
        ownBox.setStyle(fusionProxyStyle<GroupBoxFrameStyle>());
        plain.setGeometry(10, 5, 17, 333);
        banded.setGeometry(30, 5, 17, 333);
        fusionBox.setGeometry(50, 5, 180, 333);
        ownBox.setGeometry(240, 5, 180, 333);
        host.resize(430, 345);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        const auto shown = [&](QWidget *w) {
            return host.screen()
                ->grabWindow(host.winId(), w->x(), w->y(), w->width(), w->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        for (const auto &[max, value] : std::vector<std::pair<int, int>>{{100, 0}, {100, 37}, {10, 10}}) {
            for (QScrollBar *bar : {&plain, &banded}) {
                bar->setRange(0, max);
                bar->setPageStep(20);
                bar->setValue(value);
            }
            QCoreApplication::processEvents();
            QCOMPARE(shown(&banded), shown(&plain));
        }
        QCOMPARE(shown(&ownBox), shown(&fusionBox));
        for (QGroupBox *box : {&fusionBox, &ownBox}) {
            box->setTitle(QString());
            box->update(QRect(0, 100, 180, 150));
        }
        QCoreApplication::processEvents();
        QCOMPARE(shown(&ownBox), shown(&fusionBox));
    }

    // Labels broken for one number of rows are broken anew for another (the room per row
    // differs): the same as on a chart that never had other rows.
    void chartLabelsFollowTheRoom()
    {
        StationChart seen, fresh;
        const auto fill = [](StationChart &chart, int rows) {
            chart.setRowCount(qint16(rows));
            for (int i = 1; i <= rows; ++i) {
                chart.setRow(qint16(i));
                chart.setRowLabel(QStringLiteral("Station mit langem Namen %1").arg(i));
            }
            QCoreApplication::processEvents(); // the chart's layout after the change
            chart.flush();
        };
        for (StationChart *chart : {&seen, &fresh}) {
            chart->resize(500, 300);
            chart->show();
        }
        fill(seen, 2);
        for (int rows : {12, 2}) {
            fill(seen, rows);
            fill(fresh, rows);
            QCOMPARE(seen.shownCategories(), fresh.shownCategories());
        }
        QVERIFY(seen.shownCategories().value(0).contains(QLatin1String("<br>")));
    }

    // clang-format off

    // A station button puts its index into Text1 (which buttons show: the cases above).
    void optionClicks()
    {
        frmMonitor w;
        w.Form_Load();
        page<ClientsPage>(w)->fillClients(12);
        for (int i = 11; i >= 0; --i) { // ends on 0, which must overwrite the others
            optClient<QRadioButton>(w, i)->click();
            QCOMPARE(ctl<QLineEdit>(w, "Text1")->text(), QString::number(i));
        }
    }
};
// clang-format on

QTEST_MAIN(TestWindowClients)
#include "tst_window_clients.moc"
