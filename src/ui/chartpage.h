#pragma once

#include <QWidget>

class StationChart;
struct Reply;

// The page "Diagramm": both levels of every station of the last reply as bars.
class ChartPage : public QWidget
{
    Q_OBJECT
public:
    explicit ChartPage(const QString &caption, QWidget *parent = nullptr);

    // The rows of the stations that passed, drawn at once.
    void showStations(const Reply &r);
    // One empty row: nothing is connected.
    void clear();
    QWidget *chartWidget() const;

private:
    StationChart *MSChart1;
};
