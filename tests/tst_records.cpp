// The record editing of the page "Setup" without its widgets: which number the user typed,
// the editor's own record 0, "Neu" after the navigator's last record and "löschen".
#include <QTest>

#include "config/recordeditor.h"

namespace {

tMAC rec(const QString &name)
{
    return tMAC{QStringLiteral("00:00:00:00:00:0") + name.left(1), name, QStringLiteral("10.0.0.1"),
                QStringLiteral("Wahr")};
}

RecordEditor editorWith(const QStringList &names)
{
    KnownClients k;
    k.resize(int(names.size()));
    for (int i = 0; i < names.size(); ++i)
        k[i] = rec(names[i]);
    RecordEditor e;
    e.setClients(k);
    return e;
}

QString names(const RecordEditor &e)
{
    QStringList n;
    for (const tMAC &r : e.clients())
        n << r.Name;
    return n.join(QLatin1Char(','));
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    // The leading number, rounded half to even, names a record from 0 (the editor's own)
    // to the list's size; anything else names none.
    void typedNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("number"); // -1: no such record
        QTest::newRow("empty is 0") << "" << 0;
        QTest::newRow("first") << "1" << 1;
        QTest::newRow("last") << "3" << 3;
        QTest::newRow("beyond") << "4" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("leading number") << " 2x" << 2;
        QTest::newRow("half to even, down") << "2.5" << 2;
        QTest::newRow("half to even, up beyond") << "3.5" << -1;
        QTest::newRow("comma is no decimal point") << "1,9" << 1;
    }
    void typedNumber()
    {
        QFETCH(QString, typed);
        QFETCH(int, number);
        const std::optional<int> found = editorWith({"a", "b", "c"}).find(typed);
        QCOMPARE(found.value_or(-1), number);
    }

    // Record n is the list's entry n - 1; record 0 is kept by the editor and never
    // becomes a known client.
    void storeAndShow()
    {
        RecordEditor e = editorWith({"a", "b", "c"});
        QCOMPARE(e.record(1).Name, QStringLiteral("a"));
        QCOMPARE(e.record(3).Name, QStringLiteral("c"));
        e.store(2, rec("x"));
        QCOMPARE(names(e), QStringLiteral("a,x,c"));
        e.store(0, rec("own"));
        QCOMPARE(e.record(0), rec("own"));
        QCOMPARE(names(e), QStringLiteral("a,x,c"));
        QVERIFY(!e.clients().findName(rec("own").MAC));
    }

    // "Neu" goes after the navigator's last record, not after the list's end: a fresh
    // settings file has one empty record but offers none, so the first new record is 1.
    void append()
    {
        RecordEditor fresh;
        QCOMPARE(fresh.clients().size(), 1);
        QCOMPARE(fresh.append(0), std::optional(1));
        QCOMPARE(fresh.clients().size(), 1);
        QCOMPARE(fresh.record(1).ist_AP, QStringLiteral("Falsch"));

        RecordEditor e = editorWith({"a", "b"});
        QCOMPARE(e.append(2), std::optional(3));
        QCOMPARE(names(e), QStringLiteral("a,b,"));
        QCOMPARE(e.record(3).ist_AP, QStringLiteral("Falsch"));
        QCOMPARE(e.record(2), rec("b"));

        // Record numbers are 16-bit: the last one can be made, then no more.
        QCOMPARE(e.append(RecordEditor::maxRecords - 1), std::optional(RecordEditor::maxRecords));
        QCOMPARE(e.clients().size(), RecordEditor::maxRecords);
        QCOMPARE(e.append(RecordEditor::maxRecords), std::nullopt);
        QCOMPARE(e.clients().size(), RecordEditor::maxRecords);
    }

    // Deleting moves the later records down by one and keeps one record less than the
    // navigator offered; only a record the navigator offers and the list holds can go.
    void remove()
    {
        RecordEditor e = editorWith({"a", "b", "c", "d"});
        QVERIFY(!e.canRemove(0, 4) && !e.canRemove(5, 4) && !e.canRemove(1, 0));
        QVERIFY(e.canRemove(1, 4) && e.canRemove(4, 4));
        e.remove(2, 4);
        QCOMPARE(names(e), QStringLiteral("a,c,d"));
        e.remove(3, 3); // the last one
        QCOMPARE(names(e), QStringLiteral("a,c"));
        e.remove(1, 2); // the first one: the second takes its place
        QCOMPARE(names(e), QStringLiteral("c"));
        e.remove(1, 1);
        QCOMPARE(e.clients().size(), 0);
        QVERIFY(!e.canRemove(1, 0));
        e.ensureRecord(); // the editor always has a record 1 to work on
        QCOMPARE(e.clients().size(), 1);
        QCOMPARE(e.find(QStringLiteral("1")), std::optional(1));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
