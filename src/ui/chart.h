#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

// The station chart (MSChart1): a grid of rows (one per station) and two value
// columns, "RX Level" and "Ack. Level", addressed through a current row and column,
// shown as a bar chart with a value axis from 0 to 100.
class StationChart : public QWidget
{
    Q_OBJECT
public:
    explicit StationChart(QWidget *parent = nullptr);
    ~StationChart() override;

    // The five operations the program uses.
    void setRowCount(qint16 count);
    void setRow(qint16 row);
    void setRowLabel(const QString &label);
    void setColumn(qint16 column);
    void setData(const QString &numberText);

    // Read back (tests, rendering).
    int rowCount() const { return int(m_rows.size()); }
    QString rowLabel(int row) const;
    double data(int row, int column) const;
    QString dataText(int row, int column) const;
    // What the bar chart shows: its categories, after pending changes were drawn (flush).
    QStringList shownCategories() const;
    void flush();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build();
    struct Row
    {
        QString label;
        QString text[2];
        double value[2] = {0.0, 0.0};
    };
    void refresh();
    void applyRefresh();

    QVector<Row> m_rows;
    int m_row = 1;
    int m_column = 1;
    class Impl;
    Impl *m_impl = nullptr;
};
