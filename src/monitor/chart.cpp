#include "monitor/chart.h"

// Placeholder: filled in with its issue.
class StationChart::Impl
{
};

StationChart::StationChart(QWidget *parent) : QWidget(parent), m_rows(1) {}
void StationChart::setRowCount(qint16 count)
{
    m_rows.resize(count < 1 ? 1 : count);
}
void StationChart::setRow(qint16 row)
{
    m_row = row;
}
void StationChart::setRowLabel(const QString &label)
{
    if (m_row >= 1 && m_row <= m_rows.size())
        m_rows[m_row - 1].label = label;
}
void StationChart::setColumn(qint16 column)
{
    m_column = column;
}
void StationChart::setData(const QString &) {}
QString StationChart::rowLabel(int row) const
{
    return row >= 1 && row <= m_rows.size() ? m_rows[row - 1].label : QString();
}
double StationChart::data(int, int) const
{
    return 0;
}
QString StationChart::dataText(int, int) const
{
    return {};
}
void StationChart::refresh() {}
