// Page "Diagramm": the station chart, filling the page.

#include "ui/frmMonitor.h"

#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/builders.h"
#include "ui/chart.h"

using namespace ui;

void frmMonitor::createChartPage(QWidget *page)
{
    MSChart1 = named(new StationChart(page), "MSChart1");
    MSChart1->setAccessibleName(SSTab1->tabText(PageChart));
    auto *v = new QVBoxLayout(page);
    tighten(v, 2);
    v->addWidget(MSChart1);
}
