// However the access point frames a station reply, every poll shows exactly its stations.
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <algorithm>

#include "apsim.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

QString shownStations(const frmMonitor &w)
{
    QStringList shown;
    for (int i = 0; i < 12; ++i)
        if (const QRadioButton *b = optClient<QRadioButton>(w, i); !b->isHidden())
            shown << b->text();
    return shown.join(QLatin1Char(' ')) + QStringLiteral(" / ") + ctl<QLineEdit>(w, "txtAnzahl")->text();
}

struct Shape
{
    const char *name;
    int stations;
    void (*apply)(apsim::Options &);
};

const Shape shapes[] = {
    {"header line, 12 stations", 12,
     [](apsim::Options &o) { o.stationHeaderLine = "Wireless Station List"; }},
    {"leading CR LF", 3, [](apsim::Options &o) { o.leadingLineEnd = true; }},
    {"echo in the same packet", 3, [](apsim::Options &o) { o.echo = true; }},
    {"echo in a packet of its own", 3, [](apsim::Options &o) { o.echoApart = true; }},
    {"blocks in packets of their own", 3, [](apsim::Options &o) { o.blockGapMs = 20; }},
    {"blocks apart, after a pause", 3, [](apsim::Options &o) { o.blockGapMs = 150; }},
};
constexpr int shapeCount = int(sizeof(shapes) / sizeof(shapes[0]));

} // namespace

class TestReplyShapes : public QObject
{
    Q_OBJECT
private slots:
    // All shapes side by side, one simulator and window each: at every poll the window shows
    // the previous poll's outcome, the simulator's stations, each once, in order.
    void tenPollsShowEachStationOnce()
    {
        ScriptedDialogs dialogs;
        std::vector<std::unique_ptr<apsim::ApSim>> sims;
        std::vector<std::unique_ptr<frmMonitor>> windows;
        std::vector<std::shared_ptr<SteppedClock>> clocks; // timers move only when stepped
        QList<QStringList> seen(shapeCount);
        QStringList heard(shapeCount); // all text each window received
        QStringList expected;
        for (int i = 0; i < shapeCount; ++i) {
            apsim::Options o;
            o.stations = apsim::makeStations(shapes[i].stations);
            shapes[i].apply(o);
            QStringList macs;
            for (const apsim::Station &s : o.stations)
                macs << s.mac;
            expected << macs.join(QLatin1Char(' ')) + QStringLiteral(" / ") + QString::number(macs.size());

            const QString ip = QStringLiteral("127.0.0.%1").arg(140 + i);
            sims.push_back(std::make_unique<apsim::ApSim>(o));
            QVERIFY2(sims.back()->listen(QHostAddress(ip)), qPrintable(sims.back()->errorString()));
            clocks.push_back(std::make_shared<SteppedClock>());
            windows.push_back(std::make_unique<frmMonitor>(nullptr, clocks.back()));
            frmMonitor &w = *windows.back();
            startLogin(w, ip);
            // Short cycles keep the test brief; the settling rule is the same.
            w.session().timPoll_Power()->setInterval(300);
            w.session().timAuswertung()->setInterval(400);
            const auto hear = [&heard, i](const QString &text) { heard[i] += text; };
            connect(&w.session(), &ApSession::replyTextReset, this, hear);
            connect(&w.session(), &ApSession::replyTextAppended, this, hear);
            connect(sims.back().get(), &apsim::ApSim::lineReceived, this,
                    [&seen, &w, i](int, qint64, const QByteArray &line) {
                        if (line == "get station")
                            seen[i] << shownStations(w);
                    });
        }
        // While an answer (ending in a prompt) is owed, a window's time runs in step with the
        // simulator's pauses between blocks; otherwise it leaps 100 ms per turn of the loop.
        const auto owed = [&](size_t i) {
            qsizetype requests = 0;
            for (const char *end : {"login: ", "password: ", "DWL-2100AP> "})
                requests += heard[int(i)].count(QLatin1String(end));
            return 1 + sims[i]->lines().size() - requests > 0;
        };
        QElapsedTimer real;
        real.start();
        qint64 lastMs = 0;
        const bool done = waitUntil(
            [&] {
                const qint64 nowMs = real.elapsed();
                for (size_t i = 0; i < windows.size(); ++i)
                    clocks[i]->advance(owed(i) ? nowMs - lastMs : 100);
                lastMs = nowMs;
                return std::all_of(seen.cbegin(), seen.cend(),
                                   [](const QStringList &s) { return s.size() >= 11; });
            },
            60000);
        for (int i = 0; i < shapeCount; ++i) {
            QVERIFY2(done,
                     qPrintable(QStringLiteral("%1: %2 polls").arg(shapes[i].name).arg(seen[i].size())));
            QCOMPARE(seen[i].mid(1, 10), QStringList(10, expected[i])); // poll 1: nothing evaluated yet
        }
    }
};

QTEST_MAIN(TestReplyShapes)
#include "tst_replyshapes.moc"
