#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "app/globals.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "monitor/chart.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {
const QString SEP(49, QLatin1Char('*'));
const QString B1 = "00:11:22:33:44:55 RxSignalStrength: 40 AckSignalStrength: 32 Authentication "
                   "Type: Open WLAN Mode: 11g, Rx Data Rate: 54 Encryption: Off";
const QString B2 = "00:0A:0B:0C:0D:0E RxSignalStrength(per cent): 62 AckSignalStrength: 20";
const QString EXAMPLE = "get station" + SEP + B1 + SEP + B2;

QString block(const QString &mac, const QString &rest = " RxSignalStrength: 16 AckSignalStrength: 8")
{
    return SEP + mac + rest;
}

QList<bool> shownButtons(const frmMonitor &w)
{
    QList<bool> shown;
    for (const QRadioButton *b : w.OptClients)
        shown.append(!b->isHidden());
    return shown;
}

QList<bool> firstShown(int n)
{
    QList<bool> s(12, false);
    for (int i = 0; i < n; ++i)
        s[i] = true;
    return s;
}
} // namespace

// Evaluation of access-point replies into the window.
class TstAuswertung : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        MACs = QVector<tMAC>(2);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        w->Text1->setText(QStringLiteral("0"));
    }
    void cleanup() { w.reset(); }

    void workedExampleOnClientsPage()
    {
        w->SSTab1->setCurrentIndex(1);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->OptClients[0]->text(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(w->OptClients[1]->text(), QStringLiteral("00:0A:0B:0C:0D:0E"));
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("2"));
        QCOMPARE(shownButtons(*w), firstShown(2));
        QCOMPARE(w->txtMac->text(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(w->txtAuth->text(), QStringLiteral("Open "));
        QCOMPARE(w->txtEncrypt->text(), QStringLiteral("Off"));
        QCOMPARE(w->txtWLANMode->text(), QStringLiteral("11g"));
        QCOMPARE(w->txtRXDataRate->text(), QStringLiteral("54"));
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("62,5"));
        QCOMPARE(w->txtAckSign->text(), QStringLiteral("50"));
        QCOMPARE(w->RXBar->valueF(), 62.0f); // the reading stops at the comma
        QCOMPARE(w->AcknBar->valueF(), 50.0f);
        QVERIFY(w->IamReady);
        QCOMPARE(w->MSChart1->rowLabel(1), QStringLiteral("Client")); // chart untouched

        // Second station: per-cent value unscaled; fields its block lacks keep their text.
        w->Text1->setText(QStringLiteral("1"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtMac->text(), QStringLiteral("00:0A:0B:0C:0D:0E"));
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("62"));
        QCOMPARE(w->txtAckSign->text(), QStringLiteral("31,25"));
        QCOMPARE(w->txtAuth->text(), QStringLiteral("Open "));

        // English system: decimal point, and the bar takes the fraction.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        w->Text1->setText(QStringLiteral("0"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("62.5"));
        QCOMPARE(w->RXBar->valueF(), 62.5f);

        // A station that has gone: the details keep their values.
        w->Text1->setText(QStringLiteral("5"));
        w->txtMac->setText(QStringLiteral("keep"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtMac->text(), QStringLiteral("keep"));
    }

    void workedExampleOnChartPage()
    {
        w->SSTab1->setCurrentIndex(2);
        w->txtMac->setText(QStringLiteral("unchanged"));
        AntwortAuswertung(*w, EXAMPLE);
        StationChart *c = w->MSChart1;
        QCOMPARE(c->rowCount(), 2);
        QCOMPARE(c->rowLabel(1), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(c->rowLabel(2), QStringLiteral("00:0A:0B:0C:0D:0E"));
        QCOMPARE(c->dataText(1, 1), QStringLiteral("62,5"));
        QCOMPARE(c->dataText(1, 2), QStringLiteral("50"));
        QCOMPARE(c->dataText(2, 1), QStringLiteral("62"));
        QCOMPARE(c->dataText(2, 2), QStringLiteral("31,25"));
        QCOMPARE(c->data(1, 1), 62.5);
        QCOMPARE(w->txtMac->text(), QStringLiteral("unchanged"));
        c->flush();
        QCOMPARE(c->shownCategories().size(), 2);
        QCOMPARE(c->shownValue(2, 2), 31.25);

        AntwortAuswertung(*w, "x" + block("00:00:00:00:00:07"));
        QCOMPARE(c->rowCount(), 1);
        QCOMPARE(c->dataText(1, 1), QStringLiteral("25"));

        // Evaluated on the clients page, the chart stays as it was.
        w->SSTab1->setCurrentIndex(1);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(c->rowCount(), 1);
    }

    void filterOnShowsOnlyPassingStations()
    {
        MACs[1] = tMAC{QStringLiteral(" 00:11:22:33:44:55 "), QStringLiteral("Dach           "), QString(),
                       QStringLiteral("Falsch")};
        w->chkBekClients->setChecked(true);
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->OptClients[0]->text(), QStringLiteral("Dach"));
        QCOMPARE(w->OptClients[1]->text(), QStringLiteral("Option2"));
        QCOMPARE(shownButtons(*w), firstShown(1));
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("1"));
        QCOMPARE(w->MSChart1->rowLabel(1), QStringLiteral("Dach"));
        QCOMPARE(w->MSChart1->dataText(1, 1), QStringLiteral("62,5"));
        QCOMPARE(w->MSChart1->dataText(2, 1), QStringLiteral("0")); // never fed

        // Only the second station is known: its own button shows, the first stays
        // hidden, and the details follow only a selected station that passed.
        MACs[1].MAC = QStringLiteral("00:0A:0B:0C:0D:0E");
        MACs[1].Name = QStringLiteral("Keller");
        w->SSTab1->setCurrentIndex(1);
        w->txtMac->setText(QStringLiteral("old"));
        AntwortAuswertung(*w, EXAMPLE);
        QList<bool> expected(12, false);
        expected[1] = true;
        QCOMPARE(shownButtons(*w), expected);
        QCOMPARE(w->OptClients[1]->text(), QStringLiteral("Keller"));
        QCOMPARE(w->txtMac->text(), QStringLiteral("old"));
        w->Text1->setText(QStringLiteral("1"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtMac->text(), QStringLiteral("00:0A:0B:0C:0D:0E"));

        // An empty block (separator at the end) equals the empty slot 0: it passes with
        // an empty name. A later record with the same MAC wins the caption.
        MACs.append(tMAC{QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("Garage"), {}, {}});
        AntwortAuswertung(*w, EXAMPLE + SEP);
        QCOMPARE(w->OptClients[1]->text(), QStringLiteral("Garage"));
        QCOMPARE(w->OptClients[2]->text(), QString());
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("2"));
        QVERIFY(!w->OptClients[2]->isHidden());
        QVERIFY(w->OptClients[0]->isHidden());

        // Filter off: every block passes, known ones keep their names.
        w->chkBekClients->setChecked(false);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->OptClients[0]->text(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(w->OptClients[1]->text(), QStringLiteral("Garage"));
        QCOMPARE(shownButtons(*w), firstShown(2));
    }

    void alarmWords()
    {
        QTemporaryDir dir;
        IniPfad = dir.filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        auto arm = [this] {
            w->timPWRobot->setEnabled(true);
            w->timPoll_Power->setEnabled(true);
            w->CmdLogin->setEnabled(false);
            w->IamReady = false;
        };

        // Failed login wins over the restart, in any letter case.
        for (const QString &text : {QStringLiteral("INCORRECT LOGIN\r\nlogin: "),
                                    QStringLiteral("Rebooting ... incorrect Login")}) {
            arm();
            dialogs.answer(Dialogs::Answer::Ok);
            AntwortAuswertung(*w, text);
            QVERIFY(!w->timPWRobot->enabled());
            QVERIFY(!w->timPoll_Power->enabled());
            QVERIFY(w->CmdLogin->isEnabled());
            QVERIFY(w->IamReady);
        }
        QCOMPARE(dialogs.asked().size(), 2);
        QCOMPARE(dialogs.asked().at(0).title, QStringLiteral("falsches Passwort"));
        QCOMPARE(ends.calls(), 0);

        arm();
        AntwortAuswertung(*w, QStringLiteral("REBOOTING ..."));
        QCOMPARE(ends.calls(), 1);
        QVERIFY(w->isUnloaded());
        QVERIFY(!w->timPoll_Power->enabled());
        QVERIFY(w->timPWRobot->enabled());
        QVERIFY(w->CmdLogin->isEnabled());
        QVERIFY(!w->IamReady);
    }

    void nestedEvaluations()
    {
        // Chunks handled while the field functions yield may evaluate inside an
        // evaluation, and may even end the program; the outer call finishes safely.
        QTemporaryDir dir;
        IniPfad = dir.filePath(QStringLiteral("SENVARO.INI"));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        w->SSTab1->setCurrentIndex(1);
        for (const QString &inner : {"x" + block("AA:AA:AA:AA:AA:AA"), QStringLiteral("Rebooting")}) {
            int calls = 0;
            setFieldYield([&] {
                if (calls++ == 0)
                    AntwortAuswertung(*w, inner);
            });
            AntwortAuswertung(*w, EXAMPLE);
            setFieldYield({});
            QVERIFY(calls > 1);
            QCOMPARE(w->OptClients[0]->text(), QStringLiteral("00:11:22:33:44:55"));
            QCOMPARE(w->txtAnzahl->text(), QStringLiteral("2"));
            QVERIFY(w->IamReady);
        }
        QCOMPARE(ends.calls(), 1);
    }

    void shortTextsAndFirmware()
    {
        AntwortAuswertung(*w, QStringLiteral("abcdefghijk")); // 11 characters
        QVERIFY(!w->IamReady);
        AntwortAuswertung(*w, QStringLiteral("abcdefghijkl")); // 12
        QVERIFY(w->IamReady);
        QCOMPARE(w->txtAnzahl->text(), QString());

        AntwortAuswertung(*w, "SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\nDWL-2100AP> ");
        QCOMPARE(w->txtSoftVers->text(), QStringLiteral(" v2.50"));
        AntwortAuswertung(*w, QStringLiteral("software_version: v9.99 xxxx"));
        QCOMPARE(w->txtSoftVers->text(), QStringLiteral(" v2.50"));
        AntwortAuswertung(*w, QStringLiteral("SOFTWARE_VERSION: v2.51HARDWARE_VERSION: A5"));
        QCOMPARE(w->txtSoftVers->text(), QStringLiteral(" v2.51HARDWARE_VERSION"));
    }

    void blockLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stations");
        QString twelve, thirteen;
        for (int i = 1; i <= 13; ++i) {
            const QString b = block(QStringLiteral("00:00:00:00:00:%1").arg(i, 2, 10, QChar('0')));
            (i <= 12 ? twelve : thirteen) += b;
        }
        QTest::newRow("12 blocks") << "h" + twelve << 12;
        QTest::newRow("13 blocks") << "h" + twelve + thirteen << 0;
        QTest::newRow("98 asterisks") << "h" + SEP + SEP + B1 << 0;
    }

    void blockLimit()
    {
        QFETCH(QString, text);
        QFETCH(int, stations);
        w->SSTab1->setCurrentIndex(1);
        w->txtAnzahl->setText(QStringLiteral("5"));
        w->txtMac->setText(QStringLiteral("old"));
        AntwortAuswertung(*w, text);
        QCOMPARE(w->txtAnzahl->text(), stations ? QString::number(stations) : QString());
        QCOMPARE(shownButtons(*w), firstShown(stations));
        QCOMPARE(w->OptClients[0]->text(),
                 stations ? QStringLiteral("00:00:00:00:00:01") : QStringLiteral("Option2"));
        QCOMPARE(w->txtMac->text(), stations ? QStringLiteral("00:00:00:00:00:01") : "old");
        QVERIFY(w->IamReady);
    }

    void perCentMarkerAndNegativeValues()
    {
        const QString text = "x" +
                             block("00:00:00:00:00:01", " RxSignalStrength: 40 (Per Cent)"
                                                        " AckSignalStrength: -10") +
                             block("12:00:00:00:00:02", " no levels");
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, text);
        QCOMPARE(w->MSChart1->dataText(1, 1), QStringLiteral("40"));    // any case: unscaled
        QCOMPARE(w->MSChart1->dataText(1, 2), QStringLiteral("0"));     // negative: 0
        QCOMPARE(w->MSChart1->dataText(2, 1), QStringLiteral("18,75")); // the MAC's 12

        w->SSTab1->setCurrentIndex(1);
        w->txtAckSign->setText(QStringLiteral("50"));
        AntwortAuswertung(*w, text);
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("62,5")); // exact marker only
        QCOMPARE(w->txtAckSign->text(), QStringLiteral("-15,625"));
        QCOMPARE(w->AcknBar->valueF(), 50.0f);
    }

    void hostileReplies()
    {
        w->SSTab1->setCurrentIndex(2);
        // Lone comma and a number beyond a double: the value of the block before stays.
        const QString big = "1" + QString(400, QChar('0'));
        AntwortAuswertung(*w,
                          "x" + SEP + B1 +
                              block("00:00:00:00:00:02", " RxSignalStrength: , AckSignalStrength: " + big));
        QCOMPARE(w->MSChart1->dataText(2, 1), QStringLiteral("62,5"));
        QCOMPARE(w->MSChart1->dataText(2, 2), QStringLiteral("50"));
        AntwortAuswertung(*w, "x" + SEP + "<b>x</b> RxSignalStrength: 1");
        w->MSChart1->flush(); // the axis renders markup: the label must come escaped
        QVERIFY(w->MSChart1->shownCategories().value(0).startsWith("&lt;b&gt;x&lt;/b&gt;"));

        w->SSTab1->setCurrentIndex(1);
        w->Text1->setText(QStringLiteral("1"));
        w->txtRXSign->setText(QStringLiteral("7"));
        const QString markup = "<b>x</b>&amp;<i>";
        QString nasty = "h" + SEP + markup + QString(5, QChar(0)) + QString::fromLatin1("\xff\xfe");
        nasty += SEP + markup + " RxSignalStrength: ,";
        AntwortAuswertung(*w, nasty);
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("7"));
        QCOMPARE(w->txtMac->text(), markup + " ");
        QVERIFY(w->OptClients[0]->text().startsWith("<b>x</b>&&amp;")); // no mnemonic

        // Many separators and a reply of several MB: quick, and the window goes on.
        QString many = "h";
        for (int i = 0; i < 10000; ++i)
            many += SEP + "00:11:22:33:44:55";
        QString huge = "h" + SEP + B1 + QString(3 << 20, QChar('7')) + SEP + B2;
        QElapsedTimer t;
        t.start();
        w->IamReady = false;
        AntwortAuswertung(*w, many);
        QVERIFY(w->IamReady);
        QCOMPARE(w->txtAnzahl->text(), QString());
        AntwortAuswertung(*w, huge);
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("2"));
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    }
};

QTEST_MAIN(TstAuswertung)
#include "tst_auswertung.moc"
