#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

#include "monitor/dayfiles.h"
#include "ui/historywindow.h"

class PresenceModel;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class StationHistory;
class StationMonitor;
class VendorRegistry;

// When one device was there over the last seven days: a row per day (the oldest on top),
// midnight at the left, with the hour it was there filled. The pointer names day and hour.
class PresenceDays : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDays = 7;

    explicit PresenceDays(QWidget *parent = nullptr);

    // The bands (ms since the epoch) of the seven days that end with the day of nowMs.
    void setBands(const QString &name, const std::vector<PresenceBand> &bands, qint64 nowMs);
    const std::vector<PresenceBand> &bands() const { return m_bands; }
    // Local midnight of the oldest day shown.
    qint64 firstDayMs() const { return m_firstDayMs; }
    // The hover text at a point of the widget: "Mo 07.12.2026, 14 - 15 Uhr: da"; empty
    // outside the days.
    QString toolTipAt(QPoint pos) const;
    // Whether the device was there at some time of [fromMs, toMs).
    bool presentDuring(qint64 fromMs, qint64 toMs) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect daysRect() const;
    // Where the bands are filled, by day, as painted.
    std::vector<std::pair<int, QRect>> bandRects() const;
    qint64 dayStart(int day) const;

    QString m_name;
    std::vector<PresenceBand> m_bands;
    qint64 m_firstDayMs = 0;
    std::array<qint64, kDays + 1> m_dayStarts{}; // local midnights from the oldest day on
    qint64 m_nowMs = 0;
};

// "Wer ist da?": every known client and every other station seen in the last 24 hours,
// where it is now and since when, as a sortable table; below it the last seven days of
// the selected one, read from the log's day files when the log is on (else from the 24
// hours in memory). It follows each evaluation while it exists; the table keeps its
// selection and sort through every update.
class PresenceWindow : public PlacedWindow
{
    Q_OBJECT
public:
    PresenceWindow(StationMonitor *monitor, StationHistory *history, VendorRegistry *vendors,
                   QWidget *parent = nullptr);
    ~PresenceWindow() override;

    PresenceModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    PresenceDays *days() const { return m_days; }

    // The folder of the log's day files; empty while the log is off (the band then shows
    // what the memory holds).
    void setDayFolder(const QString &folder);
    // The MAC address of the selected row, or empty.
    QString selectedMac() const;
    // The band is up to date for the selection (no day files are being read).
    bool isBandCurrent() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showBand();
    void readDays();
    std::vector<PresenceBand> bandsInMemory(const QString &mac) const;

    StationMonitor *m_monitor;
    StationHistory *m_history;
    PresenceModel *m_model;
    QSortFilterProxyModel *m_proxy;
    QTableView *m_table;
    PresenceDays *m_days;
    QLabel *m_status;
    QString m_folder;
    DayFileReader *m_reader;
    quint64 m_request = 0;
    std::shared_ptr<const DayData> m_data; // the last seven days' files, when read
    qint64 m_readAtMs = 0;                 // when m_data was asked for
};
