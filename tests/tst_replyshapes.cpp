// Station replies that do not begin with the separator: every poll shows exactly the
// stations of its own reply, however the access point frames it.
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <algorithm>

#include "apsim.h"
#include "testsupport.h"
#include "ui/frmMonitor.h"

namespace {

// The captions of the shown option buttons and the station count, as one text.
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
    {"header line", 3, [](apsim::Options &o) { o.stationHeaderLine = "Wireless Station List"; }},
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
    // All shapes run side by side, one simulator and one window each. At every poll the
    // window still shows the outcome of the previous one, which must be the simulator's
    // stations, each once, in order.
    void tenPollsShowEachStationOnce()
    {
        ScriptedDialogs dialogs;
        std::vector<std::unique_ptr<apsim::ApSim>> sims;
        std::vector<std::unique_ptr<frmMonitor>> windows;
        // Each window's timers move only when the test steps its clock.
        std::vector<std::shared_ptr<SteppedClock>> clocks;
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
        const auto polledEnough = [](const QStringList &s) { return s.size() >= 11; };
        // The simulator ends each answer (and its greeting) with a request for input. While
        // one is owed, a window's time runs as fast as the simulator's, so its pauses between
        // blocks keep their length against the evaluation ticks; otherwise it leaps 100 ms
        // per turn of the loop.
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
                for (size_t i = 0; i < windows.size(); ++i) {
                    clocks[i]->advance(owed(i) ? nowMs - lastMs : 100);
                }
                lastMs = nowMs;
                return std::all_of(seen.cbegin(), seen.cend(), polledEnough);
            },
            60000);
        for (int i = 0; i < shapeCount; ++i) {
            // The first poll follows the login, with nothing evaluated yet.
            const QStringList polls = seen[i].mid(1, 10);
            QVERIFY2(done,
                     qPrintable(QStringLiteral("%1: %2 polls").arg(shapes[i].name).arg(seen[i].size())));
            QCOMPARE(polls, QStringList(10, expected[i]));
        }
    }
};

QTEST_MAIN(TestReplyShapes)
#include "tst_replyshapes.moc"
