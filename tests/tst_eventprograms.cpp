// Event programs against small /bin/sh scripts standing in for the user's program: what
// reaches it, how many run, the time limit, a full queue, a program that does not start;
// and the [Ereignisse] key.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

#include "config/eventsettings.h"
#include "logicsupport.h"
#include "monitor/eventprograms.h"

namespace {

QString script(const QTemporaryDir &dir, const QString &name, const QByteArray &body)
{
    const QString path = dir.filePath(name);
    writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

struct Rig
{
    EventPrograms programs;
    QStringList log;
    explicit Rig(const QString &program, const EventPrograms::Limits &limits = {})
    {
        programs.setLimits(limits);
        programs.setProgram(program);
        QObject::connect(&programs, &EventPrograms::logLine,
                         [this](const QString &line) { log.append(line); });
    }
    bool idle(int ms = 10000)
    {
        return waitUntil([&] { return programs.running() == 0 && programs.waiting() == 0; }, ms);
    }
};

ProgramEvent arrived(const QString &name)
{
    return {QStringLiteral("angekommen"),
            QStringLiteral("AA:BB:CC:DD:EE:01"),
            name,
            QStringLiteral("127.0.0.2"),
            QStringLiteral("Flur"),
            std::nullopt};
}

void setZone(const char *tz)
{
    qputenv("TZ", tz);
    tzset();
}

} // namespace

class TestEventPrograms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setZone("CET-1CEST,M3.5.0,M10.5.0/3"); }

    // Texts a shell would run reach the program as bytes, none of them runs; every variable
    // is set, so one of Senvaro's own environment does not leak into an empty one.
    void textsByteForByte()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("home") && writeFile(dir.filePath("home/keep"), "1"));
        const QByteArray oldHome = qgetenv("HOME"), oldDir = QDir::currentPath().toUtf8();
        qputenv("HOME", dir.filePath("home").toUtf8()); // what "rm -rf ~" would hit
        qputenv("SENVARO_MAC", "inherited");
        qputenv("SENVARO_TEST_MARK", "geerbt");
        QDir::setCurrent(dir.path()); // where "touch x" would land
        Rig r(script(dir, "print",
                     "printf '%s\\0' \"$SENVARO_EVENT\" \"$SENVARO_MAC\" \"$SENVARO_NAME\" \"$SENVARO_AP\" "
                     "\"$SENVARO_AP_NAME\" \"$SENVARO_SINCE\" \"$SENVARO_TEST_MARK\" > \"$0.out\"\n"));
        const QList<ProgramEvent> events = {
            {"gewechselt", "; touch x", "$(touch x)", "127.0.0.2 && touch x", "`touch x`", 1796634900000},
            {"fremd", "aa:bb", "; rm -rf ~", "127.0.0.3|touch x", " Küche \"A\" 'b' ✓\n$HOME ", std::nullopt},
            {"ap_stumm", "", "", "127.0.0.3", "", std::nullopt},
        };
        const QList<QByteArray> since = {"2026-12-07T10:15:00+01:00", "", ""};
        for (int i = 0; i < events.size(); ++i) {
            QFile::remove(dir.filePath("print.out"));
            r.programs.run(events[i]);
            QVERIFY(r.idle());
            const ProgramEvent &e = events[i];
            QByteArray want;
            for (const QString &t : {e.kind, e.mac, e.name, e.ap, e.apName})
                want += t.toUtf8() + '\0';
            QCOMPARE(readFile(dir.filePath("print.out")), want + since[i] + '\0' + "geerbt" + '\0');
        }
        QDir::setCurrent(QString::fromUtf8(oldDir));
        qputenv("HOME", oldHome);
        QVERIFY(!QFile::exists(dir.filePath("x")) && QFile::exists(dir.filePath("home/keep")));
        QVERIFY(r.log.isEmpty());
    }

    void localTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("text");
        QTest::newRow("summer") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << "2026-07-07T11:15:00+02:00";
        QTest::newRow("behind UTC, half hours") << QByteArray("NST3:30") << "2026-07-07T05:45:00-03:30";
        QTest::newRow("UTC") << QByteArray("UTC0") << "2026-07-07T09:15:00+00:00";
    }
    void localTime()
    {
        QFETCH(QByteArray, zone);
        setZone(zone.constData());
        const QString text = EventPrograms::localTimeText(1783415700000); // 2026-07-07 09:15 UTC
        setZone("CET-1CEST,M3.5.0,M10.5.0/3");
        QTEST(text, "text");
    }

    // Ten at once: four start, six wait; each one starts only once enough earlier ones ended
    // (event k after at least k - 3 ends), which fails for more than four or another order.
    void fourAtATimeInOrder()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("log");
        Rig r(script(dir, "step",
                     "echo \"start $SENVARO_NAME\" >> '" + log.toUtf8() +
                         "'\nsleep 0.2\necho \"end $SENVARO_NAME\" >> '" + log.toUtf8() + "'\n"));
        for (int i = 0; i < 10; ++i)
            r.programs.run(arrived(QString::number(i)));
        QCOMPARE(r.programs.running(), 4);
        QCOMPARE(r.programs.waiting(), 6);
        QVERIFY(r.idle());
        const QList<QByteArray> lines = readFile(log).trimmed().split('\n');
        QCOMPARE(lines.size(), 20);
        int ends = 0, starts = 0;
        for (const QByteArray &line : lines) {
            if (line.startsWith("end ")) {
                ++ends;
                continue;
            }
            ++starts;
            const int k = line.mid(6).toInt();
            QVERIFY2(ends >= k - 3, qPrintable(QString("%1 after %2 ends").arg(k).arg(ends)));
        }
        QCOMPARE(starts, 10);
    }

    // A program past its time is asked to end (and may tidy up); one that ignores that is
    // killed; a quick one is left alone.
    void timeLimit()
    {
        QTemporaryDir dir;
        EventPrograms::Limits limits;
        // Long enough for a loaded machine to start the shell and set its trap.
        limits.timeLimitMs = 1000;
        limits.killAfterMs = 1000;
        Rig sleeper(
            script(dir, "sleeper", "trap 'kill $!; echo > \"$0.asked\"; exit 0' TERM\nsleep 60 &\nwait\n"),
            limits);
        Rig stubborn(script(dir, "stubborn", "trap '' TERM\nwhile :; do sleep 0.05; done\n"), limits);
        Rig quick(script(dir, "quick", "exit 3\n"), limits);
        // Ends when asked, and what it started would live on by itself.
        Rig leaving(script(dir, "leaving", "sleep 60 &\necho $! > \"$0.child\"\nsleep 60\n"), limits);
        QElapsedTimer clock;
        clock.start();
        for (Rig *r : {&sleeper, &stubborn, &quick, &leaving})
            r->programs.run(arrived("x"));
        QVERIFY(sleeper.idle(5000));
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 950, QByteArray::number(clock.elapsed()).constData());
        QVERIFY2(QFile::exists(dir.filePath("sleeper.asked")), qPrintable(sleeper.log.join(" | ")));
        QVERIFY(stubborn.idle(5000));
        QVERIFY(clock.elapsed() >= 1900);
        QCOMPARE(sleeper.log, QStringList("Ereignisprogramm „" + dir.filePath("sleeper") +
                                          "“ nach 1 s beendet (Ereignis angekommen)"));
        QCOMPARE(stubborn.log.size(), 1);
        QVERIFY(quick.idle(1000) && quick.log.isEmpty());
        // What a program past its time started itself ends with it.
        QVERIFY(leaving.idle(5000));
        QFile childFile(dir.filePath("leaving.child"));
        QVERIFY(childFile.open(QIODevice::ReadOnly));
        const QByteArray child = childFile.readAll().trimmed();
        const auto running = [&] { // a zombie has ended, only its parent has not collected it
            QFile stat("/proc/" + child + "/stat");
            return stat.open(QIODevice::ReadOnly) &&
                   stat.readAll().split(')').value(1).trimmed().left(1) != "Z";
        };
        QVERIFY2(!child.isEmpty() && QTest::qWaitFor([&] { return !running(); }, 2000), child.constData());
    }

    // Beyond 4 running and 100 waiting, events are dropped and counted in one line per burst.
    void fullQueue()
    {
        QTemporaryDir dir;
        EventPrograms::Limits limits;
        limits.dropReportMs = 100;
        Rig r(script(dir, "sleeper", "exec sleep 60\n"), limits);
        for (int i = 0; i < 110; ++i)
            r.programs.run(arrived(QString::number(i)));
        QCOMPARE(r.programs.running(), 4);
        QCOMPARE(r.programs.waiting(), 100);
        QCOMPARE(r.programs.dropped(), 6);
        QVERIFY(r.log.isEmpty());
        QVERIFY(waitUntil([&] { return !r.log.isEmpty(); }, 3000));
        r.programs.run(arrived("again"));
        QVERIFY(waitUntil([&] { return r.log.size() == 2; }, 3000));
        QCOMPARE(r.log, QStringList({"Ereignisprogramm: 6 Ereignisse verworfen (Warteschlange voll)",
                                     "Ereignisprogramm: 1 Ereignis verworfen (Warteschlange voll)"}));
        r.programs.setProgram(QString()); // off: the waiting ones are forgotten
        QCOMPARE(r.programs.waiting(), 0);
        r.programs.run(arrived("off"));
        QCOMPARE(r.programs.waiting() + r.programs.dropped(), 7);
    }

    // A program that cannot start is logged once, again after the program changed.
    void startFailure()
    {
        QTemporaryDir dir;
        Rig r(dir.filePath("missing"));
        for (int i = 0; i < 3; ++i)
            r.programs.run(arrived(QString::number(i)));
        QVERIFY(r.idle());
        QCOMPARE(r.log.size(), 1);
        QVERIFY2(r.log[0].startsWith("Ereignisprogramm „" + dir.filePath("missing") +
                                     "“ lässt sich nicht starten: "),
                 qPrintable(r.log[0]));
        writeFile(dir.filePath("plain"), "#!/bin/sh\n");
        r.programs.setProgram(dir.filePath("plain")); // not executable
        for (int i = 0; i < 2; ++i)
            r.programs.run(arrived(QString::number(i)));
        QVERIFY(r.idle());
        QCOMPARE(r.log.size(), 2);
    }

    // A file without the section stays as it was; the path is written, read back, and one
    // the Latin-1 file cannot hold is refused.
    void settingsKey()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("SENVARO.INI");
        const QByteArray old = "[Server]\r\nIP=127.0.0.2\r\n";
        QVERIFY(writeFile(path, old));
        EventSettings s;
        QString error;
        QVERIFY(EventSettings::load(path, &s, &error) && s.program.isEmpty());
        QVERIFY(s.save(path, &error));
        QCOMPARE(readFile(path), old);

        s.program = "/opt/Ereignis Programme/melde-é.sh";
        QVERIFY2(s.save(path, &error), qPrintable(error));
        QCOMPARE(readFile(path), old + "[Ereignisse]\r\nProgramm=/opt/Ereignis Programme/melde-\xe9.sh\r\n");
        EventSettings back;
        QVERIFY(EventSettings::load(path, &back, &error) && back == s);
        QVERIFY(EventSettings().save(path, &error));
        QCOMPARE(readFile(path), old + "[Ereignisse]\r\nProgramm=\r\n");

        for (const QString &bad : {QString("/opt/€.sh"), QString("/opt/x.sh "), QString(300, 'a')}) {
            QVERIFY(!EventSettings{bad}.save(path, &error));
            QVERIFY2(error.contains("Latin-1"), qPrintable(error));
        }
        QCOMPARE(readFile(path), old + "[Ereignisse]\r\nProgramm=\r\n");
    }
};

QTEST_GUILESS_MAIN(TestEventPrograms)
#include "tst_eventprograms.moc"
