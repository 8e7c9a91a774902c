#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

#include "monitor/dayfiles.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QComboBox;
class QListWidget;
class QPushButton;
class HistoryPlot;
class StationHistory;
class VendorRegistry;

// The page "Verlauf": the receive (or acknowledge) level of every station over time,
// one line per station named as on the clients page, and the list of stations that
// came and went, newest first. It redraws only while shown (setActive) and catches up
// at once when shown again. A station's line breaks where nothing is known of it (it
// was away, or no evaluation ran), so it is drawn as one or more pieces.
class HistoryPage : public QWidget
{
    Q_OBJECT
public:
    // ownWindow: the page fills a window of its own; the event list then grows with
    // it and the page offers no further window.
    explicit HistoryPage(StationHistory *history, QWidget *parent = nullptr, bool ownWindow = false);

    // Visible spans offered by the span box, in the box's order: four of today from
    // memory, then "7 Tage" and "30 Tage" from the log's day files.
    static QList<qint64> spansMs();
    static constexpr int kFirstDaySpan = 4;

    // The folder of the log's day files, empty while the log is off: the spans of days
    // then say so and are disabled.
    void setDayFolder(const QString &folder);
    QString dayFolder() const { return m_dayFolder; }
    // Day files are being read for the span shown.
    bool isReading() const { return m_request != 0; }
    // What the last reading said (files read, lines skipped and where), German.
    QString statusText() const;
    // The drawn span, ms since the epoch.
    qint64 drawnStart() const { return m_drawnEnd - m_drawnSpan; }

    // Writes the shown stations (those whose line is not hidden) over the shown span to
    // one CSV file with the log's columns: from the day files where the log is on, else
    // from memory. Atomic; false with a German reason in error on failure.
    bool exportTo(const QString &path, QString *error) const;

    void setActive(bool shown);
    bool isActive() const { return m_active; }
    // The chart and list match the history (nothing is waiting to be drawn).
    bool isCurrent() const;
    // Redraws the chart and brings the event list up to date.
    void refresh();

    // Maker names beside the stations' names; nullptr shows none. Asked only for the
    // stations shown, again once the registry has loaded.
    void setVendors(VendorRegistry *vendors);

    // Lines by MAC: hiding survives redraws and stations that come back.
    void setLineHidden(const QString &mac, bool hidden);
    bool isLineHidden(const QString &mac) const { return m_hidden.contains(mac); }
    // The drawing. Its points are in milliseconds before the newest evaluation
    // (drawnEnd()); the time axis' labels from left to right are timeLabels().
    HistoryPlot *plot() const { return m_plot; }
    QStringList timeLabels() const;
    qint64 drawnEnd() const { return m_drawnEnd; }

    // Text of the hover tooltip for the station's sample nearest to ms.
    QString toolTipText(const QString &mac, qint64 ms) const;
    // The width in pixels to which a line is thinned.
    int plotWidth() const;

    // Points of one station between t0 and t1 (ms), thinned to at most two per pixel
    // column (the lowest and highest value, in time order) when there are more; the
    // newest point always ends the line.
    static QList<QPointF> decimate(const StationHistory &history, int trackIndex, bool ack, qint64 t0,
                                   qint64 t1, int columns);
    // The same, cut into the pieces the line is drawn as: a new piece starts at each
    // sample that resumes the station after a break.
    static QList<QList<QPointF>> decimatePieces(const StationHistory &history, int trackIndex, bool ack,
                                                qint64 t0, qint64 t1, int columns);

signals:
    // The button "Fenster ...": show the history in a window of its own.
    void windowRequested();
    // The button "Wer ist da? ...": the presence window.
    void presenceRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void makeReader();
    void makeLegend();
    void layOut(QLabel *spanLabel, QLabel *eventsLabel, bool ownWindow);
    bool isDaySpan() const;
    // After the lines were set: the stations not seen lose their lines, the axis spans lo..hi.
    void finishLines(const QSet<QString> &seen, bool ack, qreal lo, qreal hi);
    void refreshDays();
    void drawDays();
    void askExport();
    void onHistoryChanged();
    void updateEvents();
    void fillEvents();
    void updateLegend();
    // The name with the maker beside it, when the registry knows one.
    QString withMaker(const QString &name, const QString &mac) const;
    QString eventText(int index) const;

    StationHistory *m_history;
    QPointer<VendorRegistry> m_vendors;
    HistoryPlot *m_plot = nullptr;
    qint64 m_drawnEnd = 0; // ms since the epoch that x = 0 stands for
    QComboBox *m_span = nullptr;
    QCheckBox *m_ack = nullptr;
    QPushButton *m_windowButton = nullptr;
    QListWidget *m_events = nullptr;

    QHash<QString, QColor> m_colors; // by MAC: a station keeps its colour while it is in the history
    int m_colorsGiven = 0;           // stations that got a colour: the next takes the next colour
    QSet<QString> m_hidden;
    bool m_active = false;
    bool m_ownWindow = false;
    quint64 m_drawnRevision = ~quint64(0);
    quint64 m_shownEventSerial = 0;
    int m_drawnWidth = 0; // the width the lines were thinned to
    QListWidget *m_legend = nullptr;
    QString m_legendShown; // what the legend was filled from: refilled only when it changes

    // Spans of days, read in the background from the log's day files.
    QString m_dayFolder;
    DayFileReader *m_reader = nullptr;
    quint64 m_request = 0;
    int m_requestDays = 0;
    std::shared_ptr<const DayData> m_days; // the last read
    int m_daysRead = 0;                    // the span m_days covers, in days
    qint64 m_daysReadAt = 0;               // when it was asked for (system time)
    ReducedHistory m_reduced;              // as drawn
    qint64 m_drawnSpan = 0;
    QPushButton *m_presenceButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
};
