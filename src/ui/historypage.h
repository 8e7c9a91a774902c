#pragma once

#include <QHash>
#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QWidget>

class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateTimeAxis;
class QLineSeries;
class QListWidget;
class QValueAxis;
class StationHistory;

// The page "Verlauf": the receive (or acknowledge) level of every station over time,
// one line per station named as on the clients page, and the list of stations that
// came and went, newest first. It redraws only while shown (setActive) and catches up
// at once when shown again.
class HistoryPage : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPage(StationHistory *history, QWidget *parent = nullptr);

    // Visible spans offered by the span box, in the box's order.
    static QList<qint64> spansMs();

    void setActive(bool shown);
    bool isActive() const { return m_active; }
    // The chart and list match the history (nothing is waiting to be drawn).
    bool isCurrent() const;
    // Redraws the chart and brings the event list up to date.
    void refresh();

    // Lines by MAC: hiding survives redraws and stations that come back.
    void setLineHidden(const QString &mac, bool hidden);
    bool isLineHidden(const QString &mac) const { return m_hidden.contains(mac); }
    QLineSeries *series(const QString &mac) const { return m_series.value(mac); }
    QChart *chart() const { return m_chart; }
    QDateTimeAxis *timeAxis() const { return m_timeAxis; }

    // Text of the hover tooltip for the station's sample nearest to ms.
    QString toolTipText(const QString &mac, qint64 ms) const;
    // The width in pixels to which a line is thinned.
    int plotWidth() const;

    // Points of one station between t0 and t1 (ms), thinned to at most two per pixel
    // column (the lowest and highest value, in time order) when there are more; the
    // newest point always ends the line.
    static QList<QPointF> decimate(const StationHistory &history, int trackIndex, bool ack, qint64 t0,
                                   qint64 t1, int columns);

private:
    void onHistoryChanged();
    void onHovered(QLineSeries *series, const QPointF &point, bool state);
    void updateEvents();
    QLineSeries *seriesFor(const QString &mac);
    void applyHidden(QLineSeries *series, bool hidden);
    void updateLegend();

    StationHistory *m_history;
    QChartView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QDateTimeAxis *m_timeAxis = nullptr;
    QValueAxis *m_valueAxis = nullptr;
    QComboBox *m_span = nullptr;
    QCheckBox *m_ack = nullptr;
    QListWidget *m_events = nullptr;

    QHash<QString, QLineSeries *> m_series;
    QSet<QString> m_hidden;
    bool m_active = false;
    quint64 m_drawnRevision = ~quint64(0);
    quint64 m_shownEventSerial = 0;
    int m_drawnWidth = 0; // the width the lines were thinned to
    QListWidget *m_legend = nullptr;
    QString m_legendShown; // what the legend was filled from: refilled only when it changes
};
