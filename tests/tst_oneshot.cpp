// One-shot runs of the built program against the simulator: bytes, times, status, settings file.
#include <QFileInfo>
#include <QProcess>
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
    QDateTime modified; // of the settings file before the run

    QString ini() const { return dir.filePath(QStringLiteral("SENVARO.INI")); }
    bool start(const QStringList &args, bool withSettings, bool headless)
    {
        QFile f(ini());
        if (!QFile::copy(qEnvironmentVariable("SENVARO_BIN"), dir.filePath(QStringLiteral("senvaro"))) ||
            (withSettings && !(f.open(QIODevice::WriteOnly) && f.write(settings) == settings.size())))
            return false;
        f.close();
        modified = QFileInfo(ini()).lastModified();
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
    QByteArray iniBytes() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

struct Row
{
    const char *name;
    int host; // the simulator listens on 127.0.0.host
    QStringList args;
    int setup; // 0: display and settings file, 1: no display, 2: neither
    int status;
    QByteArray action; // the line sent after "version" (status 0)
    QString reason;    // part of the one line on stderr (other statuses)
};

// A refused login (status 3) and the failures after a connection are walked on a stepped
// clock in the session tests; these runs prove the program's own wiring.
const Row rows[] = {
    {"R", 55, {"/127.0.0.55/R"}, 0, 0, "reboot", {}},
    {"ETH0 in two pieces, headless", 57, {"/127.0.0.57/", "ETH0"}, 1, 0, "set eth2sta disable", {}},
    {"headless, no settings file", 62, {"/127.0.0.62/R"}, 2, 4, "", "SENVARO.INI"},
    {"headless, no action", 63, {}, 1, 5, "", {}},
};

class TestOneShot : public QObject
{
    Q_OBJECT

private slots:
    // An action logs in with the stored name and password on the address of the command line,
    // sends the action after the firmware query and ends with status 0, the settings file
    // untouched; only "Rebooting" ends it the orderly way, with saving. The runs go side by
    // side, each against a simulator of its own.
    void runs()
    {
        apsim::Options o;
        o.user = "technik";
        o.password = "g3heim";
        std::vector<std::unique_ptr<apsim::ApSim>> sims;
        std::vector<std::unique_ptr<Run>> runs;
        for (const Row &row : rows) {
            sims.push_back(std::make_unique<apsim::ApSim>(o));
            QVERIFY(sims.back()->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(row.host))));
            runs.push_back(std::make_unique<Run>());
            QVERIFY2(runs.back()->start(row.args, row.setup != 2, row.setup != 0), row.name);
        }
        QVERIFY(waitUntil(
            [&] { return std::all_of(runs.begin(), runs.end(), [](auto &r) { return r->finishedAt >= 0; }); },
            30000));
        for (size_t i = 0; i < runs.size(); ++i) {
            const Row &row = rows[i];
            Run &run = *runs[i];
            // the program's own lines on stderr (Qt may add warnings of its own)
            const QStringList reasons =
                QString::fromLocal8Bit(run.proc.readAllStandardError()).split(u'\n').filter(u"Senvaro: ");
            // no waiting for 30 s
            QVERIFY2(run.proc.exitStatus() == QProcess::NormalExit && run.proc.exitCode() == row.status &&
                         run.finishedAt < 10000 && reasons.size() == qMin(row.status, 1) &&
                         reasons.value(0).contains(row.reason),
                     qPrintable(QStringLiteral("%1: status %2 after %3 ms, %4")
                                    .arg(row.name)
                                    .arg(run.proc.exitCode())
                                    .arg(run.finishedAt)
                                    .arg(reasons.join('|'))));
            const QByteArrayList lines = {"technik", "g3heim", "version", row.action};
            QCOMPARE(sims[i]->lines(), row.status == 0 ? lines : QByteArrayList());
            if (row.action == "reboot") { // saved, with the address of the command line
                QVERIFY(run.iniBytes().contains("IP=127.0.0.55\r\n") &&
                        run.iniBytes().contains("Name=technik"));
            } else { // not even written back the same
                QCOMPARE(run.iniBytes(), row.setup != 2 ? settings : QByteArray("<missing>"));
                QCOMPARE(QFileInfo(run.ini()).lastModified(), run.modified);
            }
        }
    }
};

QTEST_MAIN(TestOneShot)
#include "tst_oneshot.moc"
