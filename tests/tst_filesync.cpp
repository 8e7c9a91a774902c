// Forcing written data onto the disk: a handle without a sync of its own passes, any
// other failure is reported with the system's reason.
#include <QtTest>

#include <clocale>
#include <unistd.h>

#include "config/filesync.h"

class TestFileSync : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_MESSAGES, "C"); } // the reason in English

    void toDisk_data()
    {
        QTest::addColumn<QString>("handle");
        QTest::addColumn<bool>("synced");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file") << "file" << true << "";
        QTest::newRow("pipe, no sync of its own") << "pipe" << true << "";
        QTest::newRow("no open handle") << "none" << false << "Bad file descriptor";
    }
    void toDisk()
    {
        QFETCH(QString, handle);
        QFETCH(bool, synced);
        QFETCH(QString, reason);
        QTemporaryFile file;
        QVERIFY(file.open() && file.write("x") == 1 && file.flush());
        int ends[2];
        QVERIFY(pipe(ends) == 0);
        const int fd = handle == "file" ? file.handle() : handle == "pipe" ? ends[1] : -1;
        QString why;
        const bool ok = FileSync::toDisk(fd, &why);
        close(ends[0]);
        close(ends[1]);
        QCOMPARE(ok, synced);
        QCOMPARE(why, reason);
    }
};

QTEST_GUILESS_MAIN(TestFileSync)
#include "tst_filesync.moc"
