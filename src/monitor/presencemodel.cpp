#include "monitor/presencemodel.h"

#include <QDateTime>

#include <algorithm>
#include <bit>
#include <limits>

#include "base/wintimer.h"

namespace {

constexpr qint64 kNone = std::numeric_limits<qint64>::max();

int stateOrder(Presence p)
{
    switch (p) {
    case Presence::Present:
        return 0;
    case Presence::Absent:
        return 1;
    case Presence::Unknown:
        break;
    }
    return 2;
}

} // namespace

PresenceModel::PresenceModel(StationMonitor *monitor, MakerOf makerOf, QObject *parent)
    : QAbstractTableModel(parent), m_monitor(monitor), m_makerOf(std::move(makerOf))
{
    connect(m_monitor, &StationMonitor::changed, this, &PresenceModel::refresh);
    refresh();
}

int PresenceModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PresenceModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString PresenceModel::durationText(qint64 ms)
{
    const qint64 minutes = std::max<qint64>(ms, 0) / 60'000;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString PresenceModel::timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString PresenceModel::stateText(Presence presence)
{
    switch (presence) {
    case Presence::Present:
        return QStringLiteral("da");
    case Presence::Absent:
        return QStringLiteral("weg");
    case Presence::Unknown:
        break;
    }
    return QStringLiteral("unbekannt");
}

QVariant PresenceModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const Row &r = m_rows[size_t(index.row())];
    if (role == MacRole)
        return r.mac;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Name:
            return r.name;
        case Maker:
            return r.maker;
        case State:
            return stateText(r.presence);
        case Since:
            return r.sinceText;
        case Duration:
            return r.durationText;
        case LastSeen:
            return r.lastSeenText;
        }
    }
    if (role == SortRole) {
        switch (index.column()) {
        case Name:
            return r.name;
        case Maker:
            return r.maker;
        case State:
            return stateOrder(r.presence);
        case Since:
            return r.sinceMs.value_or(kNone);
        case Duration:
            return r.durationMs.value_or(kNone);
        case LastSeen:
            return r.lastSeenMs.value_or(kNone);
        }
    }
    return {};
}

QVariant PresenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return QStringLiteral("Name");
    case Maker:
        return QStringLiteral("Hersteller");
    case State:
        return QStringLiteral("Zustand");
    case Since:
        return QStringLiteral("verbunden seit");
    case Duration:
        return QStringLiteral("Dauer");
    case LastSeen:
        return QStringLiteral("zuletzt gesehen");
    }
    return {};
}

int PresenceModel::rowOf(const QString &mac) const
{
    return m_index.value(mac.toUpper(), -1);
}

bool PresenceModel::wanted(const DeviceState &d, qint64 now) const
{
    // The monitor forgets strangers by the same bound, but only when it next looks.
    return d.known || d.presence == Presence::Present ||
           (d.lastSeenMs && now - *d.lastSeenMs <= StationMonitor::kKeepMs);
}

QString PresenceModel::timeOf(qint64 ms) const
{
    if (ms != m_timeMs) {
        m_timeMs = ms;
        m_time = timeText(ms);
    }
    return m_time;
}

namespace {

qint64 minutes(const std::optional<qint64> &ms)
{
    return ms ? *ms / 60'000 : -1;
}

} // namespace

PresenceModel::Row PresenceModel::rowFor(const QString &key, const DeviceState &d, qint64 now,
                                         const Row *before) const
{
    Row r;
    r.key = key;
    r.mac = d.mac;
    r.name = d.name;
    r.maker = m_makerOf ? m_makerOf(d.mac) : QString();
    r.presence = d.presence;
    r.sinceMs = d.sinceMs;
    r.lastSeenMs = d.lastSeenMs;
    if (d.sinceMs && d.presence != Presence::Absent)
        r.durationMs = std::max<qint64>(now - *d.sinceMs, 0);
    if (r.sinceMs)
        r.sinceText = before && before->sinceMs == r.sinceMs ? before->sinceText : timeOf(*r.sinceMs);
    if (r.lastSeenMs)
        r.lastSeenText =
            before && before->lastSeenMs == r.lastSeenMs ? before->lastSeenText : timeOf(*r.lastSeenMs);
    if (r.durationMs)
        r.durationText = before && minutes(before->durationMs) == minutes(r.durationMs)
                             ? before->durationText
                             : durationText(*r.durationMs);
    return r;
}

unsigned PresenceModel::changedColumns(const Row &a, const Row &b)
{
    unsigned cols = 0;
    cols |= unsigned(a.name != b.name) << Name;
    cols |= unsigned(a.maker != b.maker) << Maker;
    cols |= unsigned(a.presence != b.presence) << State;
    cols |= unsigned(a.sinceMs != b.sinceMs) << Since;
    // A duration shows whole minutes: it changes when its text does, or when the order
    // by duration may change (another start, or none).
    cols |= unsigned(minutes(a.durationMs) != minutes(b.durationMs) || a.sinceMs != b.sinceMs ||
                     a.presence != b.presence)
            << Duration;
    cols |= unsigned(a.lastSeenMs != b.lastSeenMs) << LastSeen;
    return cols;
}

void PresenceModel::reindex()
{
    m_index.clear();
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_index.insert(m_rows[i].key, int(i));
}

void PresenceModel::refresh()
{
    const qint64 now = m_monitor->clock().currentDateTimeUtc().toMSecsSinceEpoch();
    const QHash<QString, DeviceState> &devices = m_monitor->devices();

    // Gone rows, from the bottom in runs, so the rows above keep their numbers.
    int last = int(m_rows.size()) - 1;
    bool removed = false;
    while (last >= 0) {
        auto gone = [&](int i) {
            const auto it = devices.constFind(m_rows[size_t(i)].key);
            return it == devices.constEnd() || !wanted(*it, now);
        };
        if (!gone(last)) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && gone(first - 1))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        endRemoveRows();
        removed = true;
        last = first - 1;
    }
    if (removed)
        reindex();

    // Changed rows, told in runs of neighbouring rows.
    int runFirst = -1;
    unsigned runColumns = 0;
    auto flush = [&](int runLast) {
        if (runFirst < 0)
            return;
        const int left = std::countr_zero(runColumns);
        const int right = 31 - std::countl_zero(runColumns);
        emit dataChanged(index(runFirst, left), index(runLast, right));
        runFirst = -1;
        runColumns = 0;
    };
    for (int i = 0; i < int(m_rows.size()); ++i) {
        Row fresh =
            rowFor(m_rows[size_t(i)].key, *devices.constFind(m_rows[size_t(i)].key), now, &m_rows[size_t(i)]);
        const unsigned cols = changedColumns(m_rows[size_t(i)], fresh);
        m_rows[size_t(i)] = std::move(fresh); // a duration keeps its exact value for sorting
        if (!cols) {
            flush(i - 1);
            continue;
        }
        if (runFirst < 0)
            runFirst = i;
        runColumns |= cols;
    }
    flush(int(m_rows.size()) - 1);

    // New rows at the end, by name.
    std::vector<Row> added;
    for (auto it = devices.constBegin(); it != devices.constEnd(); ++it) {
        if (!m_index.contains(it.key()) && wanted(*it, now))
            added.push_back(rowFor(it.key(), *it, now));
    }
    if (added.empty())
        return;
    std::sort(added.begin(), added.end(), [](const Row &a, const Row &b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.key < b.key;
    });
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(added.size()) - 1);
    for (Row &r : added) {
        m_index.insert(r.key, int(m_rows.size()));
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
}
