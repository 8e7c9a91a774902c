#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

class TestRecords : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;
    ScriptedDialogs d;

    static tMAC rec(const QString &n, const char *ap = "Falsch") { return {"mac-" + n, n, "ip-" + n, ap}; }
    void del(Dialogs::Answer a = Dialogs::Answer::Ok) { d.answer(a), w->Command2->click(); }
    void start(const QList<tMAC> &records)
    {
        MACs = QVector<tMAC>(1) + (records.isEmpty() ? QList<tMAC>(1) : records);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        setRecordMaximum(*w, int(records.size()));
        w->txtDatensatz->setText(QStringLiteral("1"));
    }
    // "N(names) bar maximum/value editor number:name"
    QString state() const
    {
        QStringList n;
        for (int i = 1; i < MACs.size(); ++i)
            n << MACs[i].Name;
        return QStringLiteral("%1(%2) %3/%4 %5:%6")
            .arg(QString::number(MACs.size() - 1), n.join(','), QString::number(w->scrDatensatz->maximum()),
                 QString::number(w->scrDatensatz->value()), w->txtDatensatz->text(), w->txtDataName->text());
    }

private slots:
    void editorFlows()
    {
        start({rec("a"), rec("b"), rec("c")});
        w->scrDatensatz->setValue(2);
        del(Dialogs::Answer::Cancel);
        QCOMPARE(state(), QStringLiteral("3(a,b,c) 3/2 2:b"));
        QCOMPARE(d.asked().last().text, QStringLiteral("Diesen Datensatz wirklich löschen?"));
        QCOMPARE(d.asked().last().buttons, Dialogs::Buttons::OkCancel);
        del(); // the middle one
        QCOMPARE(state(), QStringLiteral("2(a,c) 2/1 1:a"));
        w->scrDatensatz->setValue(2);
        del(); // the last one: the new last shows
        QCOMPARE(state(), QStringLiteral("1(a) 1/1 1:a"));
        del(); // the only one
        QCOMPARE(state(), QStringLiteral("0() 0/0 0:"));
        w->Command2->click(); // nothing left: no question, no change
        QCOMPARE(d.asked().size(), 4);

        // The record at the bar goes, not the one typed; the first place is refilled.
        start({rec("a"), rec("b"), rec("c")});
        w->txtDatensatz->setText(QStringLiteral("3"));
        QCOMPARE(state(), QStringLiteral("3(a,b,c) 3/1 3:c"));
        del();
        QCOMPARE(state(), QStringLiteral("2(b,c) 2/1 1:b"));

        start({rec("a")});
        w->cmdNewData->click();
        w->cmdNewData->click();
        QCOMPARE(state(), QStringLiteral("3(a,,) 3/3 3:"));
        w->txtDataName->setText(QStringLiteral("neu"));
        w->chkDataAP->setChecked(true);
        w->cmdSave->click();
        QCOMPARE(MACs[3].Name + MACs[3].ist_AP, QStringLiteral("neuWahr"));
        w->chkDataAP->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        w->cmdSave->click();
        QCOMPARE(MACs[3].ist_AP, QStringLiteral("Falsch"));
        w->txtDatensatz->setText(QStringLiteral("1"));
        w->txtDatensatz->setText(QStringLiteral("9")); // above N: the fields stay, nothing is stored
        w->cmdSave->click();
        QCOMPARE(state(), QStringLiteral("3(a,,neu) 3/3 9:a"));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("1 bis 3")));

        start({}); // no record (a new settings file): "Neu" takes slot 1
        w->cmdNewData->click();
        QCOMPARE(state(), QStringLiteral("1() 1/1 1:"));
        setRecordMaximum(*w, 32767); // the most there can be
        w->cmdNewData->click();
        QCOMPARE(QList<qsizetype>({w->scrDatensatz->maximum(), MACs.size()}), QList<qsizetype>({32767, 2}));
        QVERIFY(d.asked().last().text.contains(QStringLiteral("32767")));
    }

    // Views keep the typed address; a cycle the timer cannot take keeps the one before.
    void viewsAndSettings()
    {
        start({rec("a"), rec("ap", "Wahr"), {"", "", "", "wahr"}});
        w->Combo1->setEditText(QStringLiteral("10.9.9.9"));
        w->refreshKnownClientViews();
        w->refreshKnownClientViews();
        QVERIFY(w->Combo1->count() == 1 && w->Combo1->itemText(0) == QStringLiteral("ip-ap"));
        QCOMPARE(w->Combo1->currentText() + ' ' + w->txtIP->text(), QStringLiteral("10.9.9.9 10.9.9.9"));
        QCOMPARE(w->txtMACS->text(), QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        w->Combo1->setCurrentIndex(0);
        QCOMPARE(w->txtIP->text(), QStringLiteral("ip-ap"));

        w->timPoll_Power->setEnabled(true);
        const QList<std::pair<QString, int>> cycles{{"2.5", 2500}, {"2,5", 2000}, {"1 0", 10000},   {"", 0},
                                                    {"70", 3000},  {"-1", 3000},  {"65.535", 65535}};
        for (const auto &[text, ms] : cycles) {
            w->cmbZyklus->setEditText(QStringLiteral("3"));
            w->cmbZyklus->setEditText(text);
            QVERIFY2(w->timPoll_Power->interval() == ms && w->timPoll_Power->enabled(), qPrintable(text));
        }
        w->txtUser->setText(QStringLiteral("ab"));
        w->txtPassw->setText(QStringLiteral("ab"));
        w->ChkShowPW->setChecked(true);
        QCOMPARE(w->txtUser->displayText() + w->txtPassw->displayText(), QStringLiteral("abab"));
        w->ChkShowPW->setChecked(false);
        QCOMPARE(w->txtUser->displayText() + w->txtPassw->displayText(), QStringLiteral("##**"));
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
