#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

namespace {
tMAC rec(const char *name)
{
    return {QStringLiteral("mac-") + QLatin1String(name), QLatin1String(name),
            QStringLiteral("ip-") + QLatin1String(name), QStringLiteral("Falsch")};
}
QStringList names()
{
    QStringList n;
    for (int i = 1; i < MACs.size(); ++i)
        n << MACs[i].Name;
    return n;
}
} // namespace

class tst_records : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmMonitor> w;

    // Window with the given records, the editor on record 1, as after start-up.
    void start(const QList<tMAC> &records)
    {
        MACs = QVector<tMAC>(1);
        MACs += records;
        if (MACs.size() < 2)
            MACs.resize(2);
        w = std::make_unique<frmMonitor>();
        w->Form_Load();
        setRecordMaximum(*w, int(records.size()));
        w->scrDatensatz->setValue(1);
        w->txtDatensatz->setText(QStringLiteral("1"));
        w->showRecord();
    }
    void clickDelete(ScriptedDialogs &d)
    {
        d.answer(Dialogs::Answer::Ok);
        w->Command2->click();
    }

private slots:
    void deleteFlows()
    {
        ScriptedDialogs d;
        start({rec("a"), rec("b"), rec("c")});
        w->scrDatensatz->setValue(2);
        w->Command2->click(); // Cancel: nothing changes
        QCOMPARE(names(), (QStringList{"a", "b", "c"}));
        QCOMPARE(d.asked().last().text, QStringLiteral("Diesen Datensatz wirklich löschen?"));
        QCOMPARE(d.asked().last().buttons, Dialogs::Buttons::OkCancel);
        clickDelete(d); // the middle one
        QCOMPARE(names(), (QStringList{"a", "c"}));
        QCOMPARE(w->scrDatensatz->maximum(), 2);
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("1"));
        QCOMPARE(w->txtDataName->text(), QStringLiteral("a"));

        w->scrDatensatz->setValue(2);
        clickDelete(d); // the last one: the new last shows
        QCOMPARE(names(), QStringList{"a"});
        QCOMPARE(w->txtDataName->text(), QStringLiteral("a"));

        clickDelete(d); // the only one
        QCOMPARE(MACs.size(), 1);
        QCOMPARE(w->scrDatensatz->maximum(), 0);
        QCOMPARE(w->scrDatensatz->value(), 0);
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("0"));
        const int asked = int(d.asked().size());
        w->Command2->click(); // nothing left: no question, no change
        QCOMPARE(d.asked().size(), asked);
        QCOMPARE(MACs.size(), 1);

        // The record at the bar goes, not the one typed; the first place is refilled.
        start({rec("a"), rec("b"), rec("c")});
        w->txtDatensatz->setText(QStringLiteral("3"));
        QCOMPARE(w->txtDataName->text(), QStringLiteral("c"));
        QCOMPARE(w->scrDatensatz->value(), 1);
        clickDelete(d);
        QCOMPARE(names(), (QStringList{"b", "c"}));
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("1"));
        QCOMPARE(w->txtDataName->text(), QStringLiteral("b"));
    }

    void newStoreAndTypedNumbers()
    {
        ScriptedDialogs d;
        start({rec("a")});
        w->cmdNewData->click();
        w->cmdNewData->click();
        QCOMPARE(MACs.size(), 4);
        QCOMPARE(w->scrDatensatz->maximum(), 3);
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("3"));
        QCOMPARE(MACs[2].ist_AP, QStringLiteral("Falsch"));
        QVERIFY(w->txtDataName->text().isEmpty());
        w->txtDataName->setText(QStringLiteral("neu"));
        w->chkDataAP->setCheckState(Qt::PartiallyChecked); // greyed is not checked
        w->cmdSave->click();
        QCOMPARE(MACs[3].Name, QStringLiteral("neu"));
        QCOMPARE(MACs[3].ist_AP, QStringLiteral("Falsch"));
        w->txtDatensatz->setText(QStringLiteral("1.5")); // halves to even: record 2
        QVERIFY(w->txtDataName->text().isEmpty());
        w->chkDataAP->setChecked(true);
        w->cmdSave->click();
        QCOMPARE(MACs[2].ist_AP, QStringLiteral("Wahr"));

        w->txtDatensatz->setText(QStringLiteral("1"));
        w->txtDatensatz->setText(QStringLiteral("9")); // above N: the fields stay
        QCOMPARE(w->txtDataName->text(), QStringLiteral("a"));
        const QVector<tMAC> before = MACs;
        w->cmdSave->click();
        QCOMPARE(d.asked().size(), 1);
        QVERIFY(d.asked().last().text.contains(QStringLiteral("1 bis 3")));
        QCOMPARE(MACs.size(), before.size());
        QCOMPARE(MACs[1].Name, QStringLiteral("a"));

        // With no record (a new settings file) "Neu" takes slot 1.
        start({});
        QCOMPARE(w->scrDatensatz->maximum(), 0);
        w->cmdNewData->click();
        QCOMPARE(MACs.size(), 2);
        QCOMPARE(w->txtDatensatz->text(), QStringLiteral("1"));

        // 32767 records are the most there can be.
        MACs.resize(32768);
        setRecordMaximum(*w, 32767);
        w->cmdNewData->click();
        QCOMPARE(MACs.size(), 32768);
        QCOMPARE(w->scrDatensatz->maximum(), 32767);
        QCOMPARE(d.asked().size(), 2);
    }

    void viewsAndAddress()
    {
        tMAC ap = rec("ap");
        ap.ist_AP = QStringLiteral("Wahr");
        start({rec("a"), ap, {"", "", "", "wahr"}});
        w->Combo1->setEditText(QStringLiteral("10.9.9.9"));
        QCOMPARE(w->txtIP->text(), QStringLiteral("10.9.9.9"));
        w->refreshKnownClientViews();
        w->refreshKnownClientViews();
        QCOMPARE(w->Combo1->count(), 1);
        QCOMPARE(w->Combo1->itemText(0), QStringLiteral("ip-ap"));
        QCOMPARE(w->Combo1->currentText(), QStringLiteral("10.9.9.9"));
        QCOMPARE(w->txtIP->text(), QStringLiteral("10.9.9.9"));
        QCOMPARE(w->txtMACS->text(), QStringLiteral("mac-a\ta\tip-a\r\nmac-ap\tap\tip-ap\r\n\t\t\r\n"));
        w->Combo1->setCurrentIndex(0);
        emit w->Combo1->activated(0);
        QCOMPARE(w->txtIP->text(), QStringLiteral("ip-ap"));
    }

    void pollingCycle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");
        QTest::newRow("10") << "10" << 10000;
        QTest::newRow("point") << "2.5" << 2500;
        QTest::newRow("comma") << "2,5" << 2000;
        QTest::newRow("blank inside") << "1 0" << 10000;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("no number") << "abc" << 0;
        QTest::newRow("70 s too long") << "70" << 3000;
        QTest::newRow("negative") << "-1" << 3000;
        QTest::newRow("65.535") << "65.535" << 65535;
    }
    void pollingCycle()
    {
        QFETCH(QString, text);
        QFETCH(int, interval);
        start({});
        w->timPoll_Power->setEnabled(true);
        w->cmbZyklus->setEditText(QStringLiteral("3"));
        w->cmbZyklus->setEditText(text);
        QCOMPARE(w->timPoll_Power->interval(), interval);
        QVERIFY(w->timPoll_Power->enabled());
    }

    // The masked fields really draw their own characters: "ab" masked looks exactly
    // like a plain field holding "##" (or "**").
    void maskCharacters()
    {
        start({});
        w->txtUser->setText(QStringLiteral("ab"));
        w->txtPassw->setText(QStringLiteral("ab"));
        w->ChkShowPW->setChecked(true);
        QCOMPARE(w->txtUser->echoMode(), QLineEdit::Normal);
        QCOMPARE(w->txtPassw->echoMode(), QLineEdit::Normal);
        w->ChkShowPW->setChecked(false);
        w->grab(); // lays the window out
        for (auto [field, mask] : {std::pair{w->txtUser, "##"}, std::pair{w->txtPassw, "**"}}) {
            QCOMPARE(field->echoMode(), QLineEdit::Password);
            QLineEdit plain(field->parentWidget());
            plain.setStyle(field->style());
            plain.setPalette(field->palette());
            plain.setAutoFillBackground(field->autoFillBackground());
            plain.setFont(field->font());
            plain.setGeometry(field->geometry());
            plain.setText(QString::fromLatin1(mask));
            QCOMPARE(field->grab().toImage(), plain.grab().toImage());
            plain.setText(QStringLiteral("ab"));
            QVERIFY(field->grab().toImage() != plain.grab().toImage());
        }
    }
};

QTEST_MAIN(tst_records)
#include "tst_records.moc"
