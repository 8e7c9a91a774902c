#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// The drawing of the page "Verlauf": one line per station over time, a value axis at
// the left and a time axis below. It is painted by hand rather than with Qt Charts: a
// poll moves every line, and a chart scene lays out, indexes and repaints far more for
// that than drawing a dozen polylines over a picture of the unchanging parts costs.
//
// Points are (ms before the right edge, level). A line is one or more pieces: it breaks
// where nothing is known of the station. A piece of a single point shows as a dot.
class HistoryPlot : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPlot(QWidget *parent = nullptr);

    // The value axis: its title and its range, labelled at five equal steps.
    void setValueAxis(const QString &title, qreal lo, qreal hi);
    // The time axis: the span shown, and the labels under its five ticks (left to right).
    void setTimeAxis(qint64 spanMs, const QStringList &labels);
    QStringList timeLabels() const { return m_timeTexts; }

    // A station's line, drawn in order of the calls that made it; unchanged data
    // repaints nothing.
    void setLine(const QString &mac, const QColor &color, const QList<QList<QPointF>> &pieces);
    void setLineHidden(const QString &mac, bool hidden);
    void removeLine(const QString &mac);
    QStringList lines() const { return m_order; }
    QList<QList<QPointF>> pieces(const QString &mac) const { return m_lines.value(mac).pieces; }
    bool isLineShown(const QString &mac) const;

    // Where the lines are drawn, in the widget's coordinates.
    QRect plotRect() const { return m_plot; }

    // The tooltip for the line nearest the pointer: given the station and the time at the
    // pointer (ms before the right edge); an empty text shows none.
    void setToolTipSource(std::function<QString(const QString &, qint64)> source);

signals:
    void plotWidthChanged(int width);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Line
    {
        QColor color;
        QList<QList<QPointF>> pieces;
        bool hidden = false;
    };

    void relayout();
    // Where the lines are drawn: the plot and the dots standing out at its edges.
    QRect linesRect() const;
    void paintFrame();
    QPointF toPixel(QPointF p) const;
    // The station whose line passes nearest to pos, within a few pixels.
    QString lineAt(QPoint pos) const;

    QHash<QString, Line> m_lines;
    QStringList m_order;
    QString m_valueTitle;
    qreal m_lo = 0, m_hi = 100;
    qint64 m_spanMs = 600'000;
    QStringList m_timeTexts;
    QList<QStaticText> m_timeStatic;
    QRect m_plot;
    // Background, grid, axes and value labels: redrawn only when one of them changes.
    QPixmap m_frame;
    bool m_frameStale = true;
    std::function<QString(const QString &, qint64)> m_toolTip;
};
