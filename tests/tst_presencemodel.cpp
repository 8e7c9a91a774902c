// "Wer ist da?" as a table over the station monitor, on a stepped clock: the rows of
// known clients and strangers with their states and times, and a sort proxy and a
// selection that stay right while the table follows the monitor.

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

#include "base/wintimer.h"
#include "logicsupport.h"
#include "monitor/presencemodel.h"

namespace {

const QString kAp = QStringLiteral("127.0.9.1");
const QString kAp2 = QStringLiteral("127.0.9.2");
const QString kLaptop = QStringLiteral("00:11:22:33:44:55");
const QString kPrinter = QStringLiteral("00:11:22:33:44:66");
const QString kGuest = QStringLiteral("02:11:A0:00:00:07");
const QString kGuest2 = QStringLiteral("02:11:A0:00:00:08");
const QString kGuest3 = QStringLiteral("02:11:A0:00:00:09");
constexpr qint64 kMin = 60'000;

StationValue station(const QString &mac)
{
    StationValue v;
    v.mac = mac;
    v.known = mac == kLaptop;
    v.name = v.known ? QStringLiteral("Laptop") : mac;
    v.rx = 50;
    return v;
}

struct Watched
{
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    StationMonitor monitor{clock};
    PresenceModel model{
        &monitor, [](const QString &mac) { return mac == kLaptop ? QStringLiteral("Intel") : QString(); }};
    Watched()
    {
        monitor.setHistoryEnabled(false);
        monitor.setKnownClients(
            knownClients({{kLaptop, QStringLiteral("Laptop"), {}, QStringLiteral("Falsch")},
                          {kPrinter, QStringLiteral("Drucker"), {}, QStringLiteral("Falsch")},
                          {{}, QStringLiteral("Flur"), kAp, QStringLiteral("Wahr")}}));
        monitor.watch(kAp);
    }
    void to(qint64 ms) { clock->advance(ms - clock->elapsedMs()); }
    void evaluate(qint64 ms, const QStringList &macs)
    {
        to(ms);
        QList<StationValue> stations;
        for (const QString &mac : macs)
            stations << station(mac);
        monitor.evaluated(kAp, stations);
    }
    QStringList table(const QAbstractItemModel &m) const
    {
        QStringList rows;
        for (int r = 0; r < m.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m.columnCount(); ++c)
                cells << m.index(r, c).data().toString();
            rows << cells.join(QLatin1Char('|'));
        }
        return rows;
    }
};

} // namespace

class TestPresenceModel : public QObject
{
    Q_OBJECT

private slots:
    void rowsStatesAndTimes()
    {
        Watched w;
        // Nothing asked yet: the known clients are there, where is not known.
        QCOMPARE(w.table(w.model), (QStringList{QStringLiteral("Drucker||unbekannt|||"),
                                                QStringLiteral("Laptop|Intel|unbekannt|||")}));

        w.evaluate(0, {kLaptop, kGuest});
        w.evaluate(125 * kMin, {kLaptop});
        QCOMPARE(
            w.table(w.model),
            (QStringList{QStringLiteral("Drucker||weg|||"),
                         QStringLiteral("Laptop|Intel|da|01.03.2026 12:00:00|2 h 05 min|01.03.2026 14:05:00"),
                         QStringLiteral("02:11:A0:00:00:07||da|01.03.2026 12:00:00|2 h 05 min|"
                                        "01.03.2026 12:00:00")}));

        // The guest's grace period of 60 s runs out on the clock alone.
        w.to(126 * kMin + 1000);
        QCOMPARE(w.table(w.model)[2], QStringLiteral("02:11:A0:00:00:07||weg|||01.03.2026 12:00:00"));
        QCOMPARE(w.model.rowOf(kGuest.toLower()), 2);
        // Durations move with the clock; the window refreshes while nothing else changes.
        w.model.refresh();
        QCOMPARE(w.model.index(1, PresenceModel::Duration).data(PresenceModel::SortRole).toLongLong(),
                 126 * kMin + 1000);
        // A stranger last seen a day ago goes, even while the monitor has not looked since.
        w.to(24 * 60 * kMin + 1000);
        w.model.refresh();
        QCOMPARE(w.model.rowCount(), 2);
        QCOMPARE(PresenceModel::durationText(59 * kMin + 59'999), QStringLiteral("59 min"));
        QCOMPARE(PresenceModel::durationText(26 * 60 * kMin), QStringLiteral("26 h 00 min"));
    }

    // A view repaints what it is told: a duration only when its minutes turn (the sort value
    // stays exact all the same), never cells that show the same.
    void changesAreToldAsShown()
    {
        Watched w;
        w.evaluate(0, {kLaptop, kGuest});
        QSignalSpy changed(&w.model, &QAbstractItemModel::dataChanged);
        auto told = [&] {
            QStringList cells;
            for (const QList<QVariant> &args : std::as_const(changed)) {
                const auto from = args[0].value<QModelIndex>(), to = args[1].value<QModelIndex>();
                cells << QStringLiteral("%1:%2").arg(from.row()).arg(from.column()) +
                             (from == to ? QString()
                                         : QStringLiteral("-%1:%2").arg(to.row()).arg(to.column()));
            }
            changed.clear();
            return cells;
        };
        const QString last = QString::number(PresenceModel::LastSeen),
                      duration = QString::number(PresenceModel::Duration);
        w.evaluate(2000, {kLaptop, kGuest});
        QCOMPARE(told(), (QStringList{"1:" + last + "-2:" + last}));
        QCOMPARE(w.model.index(1, PresenceModel::Duration).data(PresenceModel::SortRole).toLongLong(), 2000);
        w.evaluate(kMin, {kLaptop, kGuest});
        QCOMPARE(told(), (QStringList{"1:" + duration + "-2:" + last}));
        w.model.refresh(); // nothing shows differently
        QCOMPARE(told(), QStringList());
    }

    void sortAndSelectionSurviveUpdates()
    {
        Watched w;
        w.monitor.watch(kAp2);
        w.evaluate(0, {kLaptop, kGuest, kGuest2});
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&w.model);
        proxy.setSortRole(PresenceModel::SortRole);
        proxy.sort(PresenceModel::State);
        QItemSelectionModel selection(&proxy);
        auto select = [&](const QString &mac) {
            const QModelIndex source = w.model.index(w.model.rowOf(mac), 0);
            selection.select(proxy.mapFromSource(source),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        };
        auto selected = [&] {
            QStringList macs;
            for (const QModelIndex &i : selection.selectedRows())
                macs << i.data(PresenceModel::MacRole).toString();
            return macs;
        };
        auto states = [&] {
            QString s;
            for (int r = 0; r < proxy.rowCount(); ++r)
                s += proxy.index(r, PresenceModel::State).data().toString().at(0);
            return s;
        };
        select(kGuest);
        QSignalSpy reset(&w.model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy inserted(&w.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&w.model, &QAbstractItemModel::rowsRemoved);
        QCOMPARE(states(), QStringLiteral("dddu")); // the printer, until both have answered

        // The selected guest leaves, a third one comes to the other access point, which
        // then falls silent: the order follows, the selection stays with the guest.
        w.evaluate(10'000, {kLaptop, kGuest2});
        w.monitor.evaluated(kAp2, {station(kGuest3)});
        w.to(80'000);
        w.monitor.setApState(kAp2, StationMonitor::ApState::Silent);
        QCOMPARE(states(), QStringLiteral("ddwwu"));
        QCOMPARE(selected(), QStringList{kGuest});
        QCOMPARE(inserted.size(), 1);

        // By duration, shortest first; a row without one goes last.
        proxy.sort(PresenceModel::Duration, Qt::AscendingOrder);
        QCOMPARE(proxy.index(0, PresenceModel::Name).data().toString(), kGuest3);
        QCOMPARE(proxy.index(4, PresenceModel::Duration).data().toString(), QString());

        // A day later the strangers are forgotten: their rows go, the laptop stays selected.
        select(kLaptop);
        w.evaluate(25 * 60 * kMin, {kLaptop});
        QCOMPARE(w.table(proxy).size(), 3); // the guest left out is still in its grace period
        w.to(25 * 60 * kMin + 2 * kMin);
        QCOMPARE(w.table(proxy).size(), 2);
        QVERIFY(removed.size() >= 1);
        QCOMPARE(selected(), QStringList{kLaptop});
        QCOMPARE(states(), QStringLiteral("dw"));
        QCOMPARE(reset.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPresenceModel)
#include "tst_presencemodel.moc"
