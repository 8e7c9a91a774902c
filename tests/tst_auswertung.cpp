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

QString block(const QString &mac, const QString &rest = " RxSignalStrength: 16")
{
    return SEP + mac + rest;
}

// The station buttons shown, as "index=caption|...".
QString shown(const frmMonitor &w)
{
    QStringList s;
    for (int i = 0; i < 12; ++i)
        if (!w.OptClients[i]->isHidden())
            s << QString::number(i) + "=" + w.OptClients[i]->text();
    return s.join('|');
}

QString details(const frmMonitor &w)
{
    return QStringList({w.txtMac->text(), w.txtAuth->text(), w.txtEncrypt->text(), w.txtWLANMode->text(),
                        w.txtRXDataRate->text(), w.txtRXSign->text(), w.txtAckSign->text()})
        .join('|');
}

// The chart's rows as "label:rx:ack|...".
QString chart(const frmMonitor &w)
{
    QStringList s;
    for (int r = 1; r <= w.MSChart1->rowCount(); ++r)
        s << w.MSChart1->rowLabel(r) + ":" + w.MSChart1->dataText(r, 1) + ":" + w.MSChart1->dataText(r, 2);
    return s.join('|');
}
} // namespace

// Evaluation of access-point replies into the window.
class TstAuswertung : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;
    QTemporaryDir dir;

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        IniPfad = dir.filePath(QStringLiteral("SENVARO.INI"));
        MACs = QVector<tMAC>(2);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        w->Text1->setText(QStringLiteral("0"));
        w->SSTab1->setCurrentIndex(1);
    }
    void cleanup() { w.reset(); }

    void workedExample()
    {
        const QString bothShown = "0=00:11:22:33:44:55|1=00:0A:0B:0C:0D:0E";
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(shown(*w), bothShown);
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("2"));
        QCOMPARE(details(*w), QStringLiteral("00:11:22:33:44:55|Open |Off|11g|54|62,5|50"));
        QCOMPARE(w->RXBar->valueF(), 62.0f); // the reading stops at the comma
        QCOMPARE(w->AcknBar->valueF(), 50.0f);
        QVERIFY(w->IamReady);
        QCOMPARE(chart(*w), QStringLiteral("Client:0:0")); // untouched

        // Second station: per-cent value unscaled; fields its block lacks keep their text.
        w->Text1->setText(QStringLiteral("1"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(details(*w), QStringLiteral("00:0A:0B:0C:0D:0E|Open |Off|11g|54|62|31,25"));

        // English system: decimal point, and the bar takes the fraction.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        w->Text1->setText(QStringLiteral("0"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtRXSign->text(), QStringLiteral("62.5"));
        QCOMPARE(w->RXBar->valueF(), 62.5f);

        // A selected station that has gone: the details keep their values.
        w->Text1->setText(QStringLiteral("5"));
        w->txtMac->setText(QStringLiteral("keep"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtMac->text(), QStringLiteral("keep"));

        // Chart page: one row per station; the details stay.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(chart(*w), QStringLiteral("00:11:22:33:44:55:62,5:50|00:0A:0B:0C:0D:0E:62:31,25"));
        QCOMPARE(w->txtMac->text(), QStringLiteral("keep"));
        AntwortAuswertung(*w, "x" + block("00:00:00:00:00:07"));
        QCOMPARE(chart(*w), QStringLiteral("00:00:00:00:00:07:25:0"));
    }

    void filterOnShowsOnlyPassingStations()
    {
        MACs[1] = {QStringLiteral(" 00:11:22:33:44:55 "), QStringLiteral("Dach           "), {}, {}};
        w->chkBekClients->setChecked(true);
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(shown(*w), QStringLiteral("0=Dach"));
        QCOMPARE(w->txtAnzahl->text(), QStringLiteral("1"));
        QCOMPARE(chart(*w), QStringLiteral("Dach:62,5:50|:0:0")); // row 2 never fed

        // Only the second station known: its own button shows, and the details follow
        // only a selected station that passed.
        MACs[1] = {QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("Keller"), {}, {}};
        w->SSTab1->setCurrentIndex(1);
        w->txtMac->setText(QStringLiteral("old"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(shown(*w) + " " + w->txtMac->text(), QStringLiteral("1=Keller old"));
        w->Text1->setText(QStringLiteral("1"));
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(w->txtMac->text(), QStringLiteral("00:0A:0B:0C:0D:0E"));

        // An empty block (separator at the end) equals the empty slot 0 and passes with
        // an empty name; a later record with the same MAC wins the caption.
        MACs.append({QStringLiteral("00:0A:0B:0C:0D:0E"), QStringLiteral("Garage"), {}, {}});
        AntwortAuswertung(*w, EXAMPLE + SEP);
        QCOMPARE(shown(*w), QStringLiteral("1=Garage|2="));

        w->chkBekClients->setChecked(false); // off: all pass, known ones keep their names
        AntwortAuswertung(*w, EXAMPLE);
        QCOMPARE(shown(*w), QStringLiteral("0=00:11:22:33:44:55|1=Garage"));
    }

    void alarmWordsAndShortTexts()
    {
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        auto run = [this](const QString &text) {
            w->timPWRobot->setEnabled(true);
            w->timPoll_Power->setEnabled(true);
            w->CmdLogin->setEnabled(false);
            w->IamReady = false;
            AntwortAuswertung(*w, text);
            return QString("%1%2%3%4")
                .arg(w->timPWRobot->enabled())
                .arg(w->timPoll_Power->enabled())
                .arg(w->CmdLogin->isEnabled())
                .arg(w->IamReady);
        };
        // Failed login, in any case, wins over the restart; the logout question is asked.
        dialogs.answer(Dialogs::Answer::Ok);
        QCOMPARE(run("INCORRECT LOGIN\r\nlogin: "), QStringLiteral("0011"));
        dialogs.answer(Dialogs::Answer::Ok);
        QCOMPARE(run("Rebooting ... incorrect Login"), QStringLiteral("0011"));
        QCOMPARE(dialogs.asked().size() * 10 + ends.calls(), 20);

        QCOMPARE(run("abcdefghijk"), QStringLiteral("1100")); // 11 characters: IamReady kept
        QCOMPARE(run("abcdefghijkl"), QStringLiteral("1101"));
        AntwortAuswertung(*w, "SOFTWARE_VERSION: v2.50\r\nHARDWARE_VERSION: A5\r\n");
        QCOMPARE(w->txtSoftVers->text(), QStringLiteral(" v2.50"));
        AntwortAuswertung(*w, QStringLiteral("software_version: v9.99 xxxx"));
        AntwortAuswertung(*w, QStringLiteral("SOFTWARE_VERSION: v2.51HARDWARE_VERSION: A5"));
        QCOMPARE(w->txtSoftVers->text(), QStringLiteral(" v2.51HARDWARE_VERSION"));

        QCOMPARE(run("REBOOTING ..."), QStringLiteral("1010"));
        QVERIFY(ends.calls() == 1 && w->isUnloaded());
    }

    void blockLimit()
    {
        QString twelve, thirteen;
        for (int i = 1; i <= 13; ++i)
            (i <= 12 ? twelve : thirteen) +=
                block(QStringLiteral("00:00:00:00:00:%1").arg(i, 2, 10, QChar('0')));
        const QList<QPair<QString, int>> cases{
            {"h" + twelve, 12}, {"h" + twelve + thirteen, 0}, {"h" + SEP + SEP + B1, 0}};
        for (const auto &[text, stations] : cases) {
            w->txtAnzahl->setText(QStringLiteral("5"));
            w->txtMac->setText(QStringLiteral("old"));
            AntwortAuswertung(*w, text);
            QCOMPARE(w->txtAnzahl->text(), stations ? QString::number(stations) : QString());
            QCOMPARE(shown(*w).count('='), stations);
            QCOMPARE(w->txtMac->text(), stations ? QStringLiteral("00:00:00:00:00:01") : "old");
        }
        QCOMPARE(w->OptClients[0]->text(), QStringLiteral("00:00:00:00:00:01")); // kept from the 12
    }

    void perCentMarkerNegativesAndBadNumbers()
    {
        const QString text =
            "x" + block("00:00:00:00:00:01", " RxSignalStrength: 40 (Per Cent) AckSignalStrength: -10") +
            block("12:00:00:00:00:02", " no levels") +
            block("00:00:00:00:00:03", " RxSignalStrength: , AckSignalStrength: 1" + QString(400, '0'));
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, text);
        // any-case marker: unscaled; negative: 0; no word: the MAC's 12; failed numbers
        // keep the value of the block before
        QCOMPARE(chart(*w), QStringLiteral("00:00:00:00:00:01:40:0|12:00:00:00:00:02:18,75:18,75|"
                                           "00:00:00:00:00:03:18,75:18,75"));

        w->SSTab1->setCurrentIndex(1);
        w->txtAckSign->setText(QStringLiteral("50"));
        AntwortAuswertung(*w, text);
        QCOMPARE(details(*w).section('|', 5), QStringLiteral("62,5|-15,625"));
        QCOMPARE(w->AcknBar->valueF(), 50.0f); // negative: the bar stays
        w->Text1->setText(QStringLiteral("2"));
        AntwortAuswertung(*w, text);
        QCOMPARE(details(*w).section('|', 5), QStringLiteral("62,5|-15,625")); // failed: kept
    }

    void hostileReplies()
    {
        // Markup, NUL and 0xFF show as typed; the chart axis renders markup, so escaped.
        const QString markup = "<b>x</b>&amp;<i>";
        AntwortAuswertung(*w, "h" + SEP + markup + QString(5, QChar(0)) + QChar(0xff) + SEP + markup + " ");
        QCOMPARE(w->txtMac->text(), markup + QChar(0));
        QVERIFY(w->OptClients[0]->text().startsWith("<b>x</b>&&amp;")); // no mnemonic
        w->SSTab1->setCurrentIndex(2);
        AntwortAuswertung(*w, "x" + SEP + markup);
        w->MSChart1->flush();
        QVERIFY(w->MSChart1->shownCategories().value(0).startsWith("&lt;b&gt;x&lt;/b&gt;"));

        // Ten thousand separators: no block examined, quickly, and polling goes on.
        QString many = "h";
        for (int i = 0; i < 10000; ++i)
            many += SEP + "00:11:22:33:44:55";
        QElapsedTimer t;
        t.start();
        w->IamReady = false;
        AntwortAuswertung(*w, many);
        QVERIFY(w->IamReady && t.elapsed() < 3000);
    }

    void nestedEvaluations()
    {
        // A chunk handled while the field functions yield may evaluate inside an
        // evaluation and end the program; the outer call still finishes, safely.
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        int calls = 0;
        setFieldYield([&] {
            if (calls++ == 0)
                AntwortAuswertung(*w, QStringLiteral("Rebooting"));
        });
        AntwortAuswertung(*w, EXAMPLE);
        setFieldYield({});
        QCOMPARE(ends.calls(), 1);
        QCOMPARE(shown(*w) + " " + w->txtAnzahl->text(), "0=00:11:22:33:44:55|1=00:0A:0B:0C:0D:0E 2");
    }
};

QTEST_MAIN(TstAuswertung)
#include "tst_auswertung.moc"
