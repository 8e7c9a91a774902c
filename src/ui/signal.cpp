#include <QLineEdit>

#include <limits>

#include "base/allgemein.h"
#include "ui/frmMonitor.h"

namespace {
// Any value above 100 shows the bar full; keep the conversion to float defined.
float barValue(double v)
{
    const double most = std::numeric_limits<float>::max();
    return float(v > most ? most : v);
}
} // namespace

// The bars follow their text boxes by the leading-number reading; a negative number
// leaves the bar where it is, a value above 100 shows it full.
void frmMonitor::txtRXSign_Change()
{
    const double v = fVal(txtRXSign->text());
    if (v >= 0)
        RXBar->setValueF(barValue(v));
}

void frmMonitor::txtAckSign_Change()
{
    const double v = fVal(txtAckSign->text());
    if (v >= 0)
        AcknBar->setValueF(barValue(v));
}
