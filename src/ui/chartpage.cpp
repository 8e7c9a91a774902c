// Page "Diagramm": the station chart, filling the page.

#include "ui/chartpage.h"

#include <QVBoxLayout>

#include "base/allgemein.h"
#include "monitor/reply.h"
#include "ui/builders.h"
#include "ui/chart.h"

using namespace ui;

ChartPage::ChartPage(const QString &caption, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ChartPage"));
    MSChart1 = named(new StationChart(this), "MSChart1");
    MSChart1->setAccessibleName(caption);
    auto *v = new QVBoxLayout(this);
    tighten(v, 2);
    v->addWidget(MSChart1);
}

void ChartPage::showStations(const Reply &r)
{
    for (const StationBlock &b : r.blocks) {
        if (!b.passed)
            continue;
        MSChart1->setRowCount(qint16(r.blockCount));
        MSChart1->setRow(qint16(b.number));
        MSChart1->setRowLabel(b.name);
        MSChart1->setColumn(1);
        if (b.chartRx)
            MSChart1->setData(fNumText(*b.chartRx));
        MSChart1->setColumn(2);
        if (b.chartAck)
            MSChart1->setData(fNumText(*b.chartAck));
    }
    // Drawn now rather than by the chart's own deferred refresh, which would come after
    // the window's next update and cost a frame of its own.
    MSChart1->flush();
}

void ChartPage::clear()
{
    MSChart1->setRowCount(1);
    MSChart1->setRow(1);
    MSChart1->setRowLabel(QString());
    MSChart1->setColumn(1);
    MSChart1->setData(fNumText(0));
    MSChart1->setColumn(2);
    MSChart1->setData(fNumText(0));
}

QWidget *ChartPage::chartWidget() const
{
    return MSChart1;
}
