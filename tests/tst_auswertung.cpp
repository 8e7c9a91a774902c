#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "monitor/vendors.h"
#include "testsupport.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"

// clang-format off
static const QString SEP(49, QLatin1Char('*'));
static const QString EXAMPLE = "get station" + SEP + "00:11:22:33:44:55 RxSignalStrength: 40 "
    "AckSignalStrength: 32 Authentication Type: Open WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off" + SEP
    + "00:0A:0B:0C:0D:0E RxSignalStrength(per cent): 62 AckSignalStrength: 20";
static QString block(const QString &m, const QString &r = " RxSignalStrength: 16") { return SEP + m + r; }

// Evaluation of access-point replies into the window (case tables packed by hand).
class TestAuswertung : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    QTemporaryDir dir;

    template <class T = QLineEdit> T *c(const char *name) const { return ctl<T>(*w, name); }

    QString shown() const // the buttons shown ("index=caption|..."), then the station count
    {
        QStringList s;
        for (int i = 0; i < 12; ++i)
            if (!optClient<QRadioButton>(*w, i)->isHidden())
                s << QString::number(i) + "=" + optClient<QRadioButton>(*w, i)->text();
        return s.join('|') + " " + c("txtAnzahl")->text();
    }
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
    void known(const QList<tMAC> &records)
    {
        KnownClients k;
        k.setUpperBound(int(records.size()));
        for (int i = 0; i < records.size(); ++i)
            k[i + 1] = records[i];
        w->setKnownClients(k);
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        IniPfad = dir.filePath(QStringLiteral("SENVARO.INI"));
        w = std::make_unique<frmMonitor>(nullptr, clock);
        w->Form_Load();
    }

    void workedExample()
    {
        evaluate(EXAMPLE, 1, QStringLiteral("Text1")); // the initial text selects station 0
        QCOMPARE(shown(), QStringLiteral("0=00:11:22:33:44:55|1=00:0A:0B:0C:0D:0E 2"));
        QCOMPARE(details(), QStringLiteral("00:11:22:33:44:55|Open |Off|11g|54|62,5|50"));
        QCOMPARE(QString("%1 %2 %3 ").arg(c<SignalBar>("RXBar")->valueF()).arg(c<SignalBar>("AcknBar")->valueF()).arg(w->session().IamReady)
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
        QCOMPARE(shown() + " " + chart(), QStringLiteral("0=Dach 1 Dach:62,5:50|:0:0")); // row 2 never fed
        setChkValue(c<QCheckBox>("chkBekClients"), 2); // greyed (2) acts like unchecked: all pass
        evaluate(EXAMPLE, 2);
        QCOMPARE(shown(), QStringLiteral("0=Dach|1=00:0A:0B:0C:0D:0E 2"));
        c<QCheckBox>("chkBekClients")->setChecked(true);
        known({{"00:0A:0B:0C:0D:0E", "Keller", {}, {}}}); // own button; details only if selected passed
        evaluate(EXAMPLE);
        QCOMPARE(shown() + " " + c("txtMac")->text(), QStringLiteral("1=Keller 1 "));
        // a later match wins; "" matches slot 0
        known({{"00:0A:0B:0C:0D:0E", "Keller", {}, {}}, {"00:0A:0B:0C:0D:0E", "Garage", {}, {}}});
        evaluate(EXAMPLE + SEP, 1, QStringLiteral("1"));
        QCOMPARE(shown() + " " + c("txtMac")->text(), QStringLiteral("1=Garage|2= 2 00:0A:0B:0C:0D:0E"));
    }

    // A failed login wins over the restart; 11 characters keep IamReady; the version shown.
    void alarmWordsShortTextsLimitsAndVersion_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *on : {"robot", "polling", "login", "ready"}) // timers, LOGIN enabled; IamReady
            QTest::addColumn<bool>(on);
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("ends");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("mac");     // "-" before
        QTest::addColumn<QString>("version"); // "old" before
        const auto row = [](const char *name, const QString &text, bool robot, bool polling, bool login,
                            bool ready, int questions, int ends, int buttons, const char *count,
                            const char *mac, const char *version) {
            QTest::newRow(name) << text << robot << polling << login << ready << questions << ends << buttons
                                << QString(count) << QString(mac) << QString(version); };
        const QString x12 = "h" + block("00:00:00:00:00:01").repeated(12);
        row("restart and incorrect login", "Rebooting ... incorrect Login", 0, 0, 1, 1, 1, 0, 0, "", "", "");
        row("11 characters", "abcdefghijk", 1, 1, 0, 0, 0, 0, 0, "", "-", "old");
        row("12 characters", "abcdefghijkl", 1, 1, 0, 1, 0, 0, 0, "", "-", "old");
        row("12 stations", x12, 1, 1, 0, 1, 0, 0, 12, "12", "00:00:00:00:00:01", "old");
        row("version", "SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\n", 1, 1, 0, 1, 0, 0, 0, "", "-",
            " v2.50");
        row("restart", "REBOOTING ...", 1, 0, 1, 0, 0, 1, 0, "", "-", "old");
    }

    void alarmWordsShortTextsLimitsAndVersion()
    {
        QFETCH(QString, text);
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        dialogs.answer(Dialogs::Answer::Ok); // the failed-login question: go on
        w->session().timPWRobot()->setEnabled(true);
        w->session().timPoll_Power()->setEnabled(true);
        c<QToolButton>("CmdLogin")->setEnabled(false);
        w->session().IamReady = false;
        c("txtMac")->setText(QStringLiteral("-"));
        c("txtSoftVers")->setText(QStringLiteral("old"));
        evaluate(text);
        QTEST(w->session().timPWRobot()->enabled(), "robot");
        QTEST(w->session().timPoll_Power()->enabled(), "polling");
        QTEST(c<QToolButton>("CmdLogin")->isEnabled(), "login");
        QTEST(w->session().IamReady, "ready");
        QTEST(int(dialogs.asked().size()), "questions");
        QTEST(ends.calls(), "ends");
        QTEST(int(shown().count('=')), "buttons");
        QTEST(c("txtAnzahl")->text(), "count");
        QTEST(c("txtMac")->text(), "mac");
        QTEST(c("txtSoftVers")->text(), "version");
    }

    // A value the reply leaves out (no finite number) keeps its chart cell and its field; a
    // negative detail shows as it is and keeps the bar.
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

    // Maker names as tool tips of the shown stations' buttons and the MAC field, from a registry of one block.
    void makerTips()
    {
        QFile oui(dir.filePath("oui.csv"));
        QVERIFY(oui.open(QIODevice::WriteOnly) && oui.write("Registry,Assignment,Organization Name\nMA-L,F01898,\"Apple, Inc.\"\n") > 0);
        oui.close();
        w->setVendorFolder(dir.path());
        const auto tips = [this] {
            QStringList s;
            for (int i = 0; i < 3; ++i)
                s << optClient<QRadioButton>(*w, i)->toolTip();
            return s.join('|') + "|" + c("txtMac")->toolTip();
        };
        const QString three = "x" + block("F0:18:98:00:00:01") + block("00:99:99:00:00:02") + block("02:11:A0:00:00:03");
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
};
// clang-format on

QTEST_MAIN(TestAuswertung)
#include "tst_auswertung.moc"
