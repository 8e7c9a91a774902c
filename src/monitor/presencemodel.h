#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "monitor/stationmonitor.h"

// "Wer ist da?" as a table: one row per known client and per other station seen in the
// last 24 hours, with where it is now, from the station monitor.
//
// Rows keep their place while they exist: every change of the monitor updates the rows
// in place (dataChanged), appends new ones (rowsInserted) and removes gone ones
// (rowsRemoved), never a reset, so a sort proxy's order and a view's selection survive.
// Sort by SortRole: names and makers as text, the state in the order da, weg,
// unbekannt, times and durations by value (rows without one last in ascending order).
// Now is the monitor's clock.
class PresenceModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Name, Maker, State, Since, Duration, LastSeen, ColumnCount };
    enum Role {
        SortRole = Qt::UserRole + 1,
        MacRole, // the row's MAC address
    };
    using MakerOf = std::function<QString(const QString &mac)>;

    explicit PresenceModel(StationMonitor *monitor, MakerOf makerOf = {}, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The row of a MAC address (either letter case), -1 when it has none.
    int rowOf(const QString &mac) const;
    // Follows the monitor; runs by itself at each of its changes.
    void refresh();

    // "2 h 05 min", "7 min", "0 min".
    static QString durationText(qint64 ms);
    // Local date and time, "29.03.2026 14:05:07".
    static QString timeText(qint64 ms);
    static QString stateText(Presence presence);

private:
    struct Row
    {
        QString key; // upper-case MAC
        QString mac;
        QString name;
        QString maker;
        Presence presence = Presence::Unknown;
        std::optional<qint64> sinceMs;
        std::optional<qint64> lastSeenMs;
        std::optional<qint64> durationMs;
        // As shown: made when the value changes, not at every paint.
        QString sinceText, lastSeenText, durationText;
    };

    // A row as now; texts of an unchanged value are taken from before.
    Row rowFor(const QString &key, const DeviceState &d, qint64 now, const Row *before = nullptr) const;
    // timeText(), remembering the last: the stations listed by one evaluation share their time.
    QString timeOf(qint64 ms) const;
    bool wanted(const DeviceState &d, qint64 now) const;
    // Columns in which two versions of a row show differently (or sort differently by
    // duration), as a bit set.
    static unsigned changedColumns(const Row &a, const Row &b);
    void reindex();

    StationMonitor *m_monitor;
    MakerOf m_makerOf;
    std::vector<Row> m_rows;
    QHash<QString, int> m_index; // key -> row
    mutable qint64 m_timeMs = -1;
    mutable QString m_time;
};
