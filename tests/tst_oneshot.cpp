// One-shot runs of the built program against the simulator: bytes, times, status, settings file.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "apsim.h"
#include "testsupport.h"

static const QByteArray settings =
    "[Server]\r\nIP=127.0.0.99\r\n[User]\r\nName=technik\r\nPasswort=g3heim\r\n"
    "Benutzername speichern=1\r\nPasswort speichern=1\r\n";

// The built program copied alone into an empty folder, with or without a settings file.
struct Run
{
    QTemporaryDir dir;
    QProcess proc;
    QElapsedTimer clock;
    qint64 finishedAt = -1;

    QString ini() const { return dir.filePath(QStringLiteral("SENVARO.INI")); }
    bool start(const QStringList &args, bool withSettings, bool headless)
    {
        QFile f(ini());
        if (!QFile::copy(qEnvironmentVariable("SENVARO_BIN"), dir.filePath(QStringLiteral("senvaro"))) ||
            (withSettings &&
             !(f.open(QIODevice::WriteOnly) && f.write(settings) == settings.size() && f.flush())))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (headless) // no display at all, and no platform chosen
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(QString::fromLatin1(name));
        proc.setProcessEnvironment(env);
        QObject::connect(&proc, &QProcess::finished, [this] { finishedAt = clock.elapsed(); });
        clock.start();
        proc.start(dir.filePath(QStringLiteral("senvaro")), args);
        return proc.waitForStarted(5000);
    }
    QStringList reasons() // the program's own lines on stderr (Qt may add warnings of its own)
    {
        return QString::fromLocal8Bit(proc.readAllStandardError()).split(u'\n').filter(u"Senvaro: ");
    }
    QByteArray iniBytes() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

class TestOneShot : public QObject
{
    Q_OBJECT

private slots:
    void runs_data()
    {
        QTest::addColumn<int>("host");    // the simulator listens on 127.0.0.host
        QTest::addColumn<bool>("refuse"); // it refuses every login
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("setup"); // 0: display and settings file, 1: no display, 2: neither
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("action"); // the line sent after "version" (status 0)
        QTest::addColumn<QString>("reason");    // part of the one line on stderr (other statuses)
        const auto row = [](const char *name, int host, bool refuse, const QStringList &args, int setup,
                            int status, const QByteArray &action, const QString &reason = {}) {
            QTest::newRow(name) << host << refuse << args << setup << status << action << reason;
        };
        row("R", 55, false, {"/127.0.0.55/R"}, 0, 0, "reboot");
        row("ETH0 in two pieces, headless", 57, false, {"/127.0.0.57/", "ETH0"}, 1, 0, "set eth2sta disable");
        row("login refused", 60, true, {"/127.0.0.60/R"}, 0, 3, "");
        row("headless, no settings file", 62, false, {"/127.0.0.62/R"}, 2, 4, "", "SENVARO.INI");
        row("headless, no action", 63, false, {}, 1, 5, "");
    }

    // An action logs in with the stored name and password on the address of the command line,
    // sends the action after the firmware query and ends with status 0, the settings file
    // untouched; only "Rebooting" ends it the orderly way, with saving. (The robot's ticks and
    // the other statuses, 2, 6 and 7, are checked on a stepped clock in the session tests.)
    void runs()
    {
        QFETCH(int, host);
        QFETCH(bool, refuse);
        QFETCH(QStringList, args);
        QFETCH(int, setup);
        QFETCH(int, status);
        QFETCH(QByteArray, action);
        QFETCH(QString, reason);
        apsim::Options o;
        o.user = "technik";
        o.password = "g3heim";
        o.rejectEveryLogin = refuse;
        apsim::ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(host))),
                 qPrintable(sim.errorString()));
        Run run;
        QVERIFY(run.start(args, setup != 2, setup != 0));
        const QDateTime modified = QFileInfo(run.ini()).lastModified();
        QVERIFY(waitUntil([&] { return run.finishedAt >= 0; }, 30000));
        QVERIFY(run.proc.exitStatus() == QProcess::NormalExit && run.proc.exitCode() == status);
        QVERIFY2(run.finishedAt < 10000, qPrintable(QString::number(run.finishedAt))); // no waiting for 30 s
        const QStringList reasons = run.reasons();
        QVERIFY2(reasons.size() == qMin(status, 1) && reasons.value(0).contains(reason),
                 qPrintable(reasons.join('|')));
        const QByteArrayList lines = {"technik", "g3heim", "version", action};
        QCOMPARE(sim.lines(), status == 0 ? lines : lines.mid(0, refuse ? 2 : 0));
        const bool reboot = action == "reboot";
        if (reboot) // saved, with the address of the command line
            QVERIFY(run.iniBytes().contains("IP=127.0.0.55\r\n") && run.iniBytes().contains("Name=technik"));
        else
            QCOMPARE(run.iniBytes(), setup != 2 ? settings : QByteArray("<missing>"));
        QCOMPARE(QFileInfo(run.ini()).lastModified() == modified, !reboot); // written only after "Rebooting"
    }
};

QTEST_MAIN(TestOneShot)
#include "tst_oneshot.moc"
