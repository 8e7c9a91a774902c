// One-shot runs of the built program against the simulator: bytes, times, status, settings file.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

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
constexpr int rowCount = int(sizeof(rows) / sizeof(rows[0]));

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
        std::vector<std::unique_ptr<apsim::ApSim>> sims;
        std::vector<std::unique_ptr<Run>> runs;
        QList<QDateTime> modified;
        for (const Row &row : rows) {
            apsim::Options o;
            o.user = "technik";
            o.password = "g3heim";
            sims.push_back(std::make_unique<apsim::ApSim>(o));
            QVERIFY2(sims.back()->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(row.host))),
                     qPrintable(sims.back()->errorString()));
            runs.push_back(std::make_unique<Run>());
            QVERIFY2(runs.back()->start(row.args, row.setup != 2, row.setup != 0), row.name);
            modified << QFileInfo(runs.back()->ini()).lastModified();
        }
        QVERIFY(waitUntil(
            [&] {
                return std::all_of(runs.begin(), runs.end(),
                                   [](const auto &r) { return r->finishedAt >= 0; });
            },
            30000));
        for (int i = 0; i < rowCount; ++i) {
            const Row &row = rows[i];
            Run &run = *runs[size_t(i)];
            const QString tag = QString::fromLatin1(row.name);
            QVERIFY2(run.proc.exitStatus() == QProcess::NormalExit && run.proc.exitCode() == row.status,
                     qPrintable(tag + QStringLiteral(": status %1").arg(run.proc.exitCode())));
            // no waiting for 30 s
            QVERIFY2(run.finishedAt < 10000, qPrintable(tag + QStringLiteral(": %1 ms").arg(run.finishedAt)));
            const QStringList reasons = run.reasons();
            QVERIFY2(reasons.size() == qMin(row.status, 1) && reasons.value(0).contains(row.reason),
                     qPrintable(tag + QStringLiteral(": ") + reasons.join('|')));
            const QByteArrayList lines = {"technik", "g3heim", "version", row.action};
            QCOMPARE(sims[size_t(i)]->lines(), row.status == 0 ? lines : QByteArrayList());
            const bool reboot = row.action == "reboot";
            if (reboot) // saved, with the address of the command line
                QVERIFY2(run.iniBytes().contains("IP=127.0.0.55\r\n") &&
                             run.iniBytes().contains("Name=technik"),
                         row.name);
            else
                QCOMPARE(run.iniBytes(), row.setup != 2 ? settings : QByteArray("<missing>"));
            // written only after "Rebooting"
            QVERIFY2((QFileInfo(run.ini()).lastModified() == modified[i]) == !reboot, row.name);
        }
    }
};

QTEST_MAIN(TestOneShot)
#include "tst_oneshot.moc"
