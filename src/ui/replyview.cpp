// The window shows an evaluated reply.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "base/allgemein.h"
#include "monitor/reply.h"
#include "monitor/vendors.h"
#include "ui/chart.h"
#include "ui/frmMonitor.h"
#include "ui/presenceview.h"

namespace {

// Button captions show as typed: "&" would otherwise become a mnemonic.
void setCaption(QAbstractButton *button, const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (button->text() != shown)
        button->setText(shown);
}

// A box that already shows the text is left alone: setting it again would lay it out
// and repaint it on every poll.
void showText(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
}

void feedChart(StationChart *chart, int blockCount, const StationBlock &b)
{
    chart->setRowCount(qint16(blockCount));
    chart->setRow(qint16(b.number));
    chart->setRowLabel(b.name);
    chart->setColumn(1);
    if (b.chartRx)
        chart->setData(fNumText(*b.chartRx));
    chart->setColumn(2);
    if (b.chartAck)
        chart->setData(fNumText(*b.chartAck));
}

} // namespace

void frmMonitor::showReply(const Reply &r)
{
    if (r.firmware)
        showText(txtSoftVers, *r.firmware);
    if (r.kind != Reply::Kind::Completed || r.blockCount < 1)
        return;

    const int page = SSTab1->currentIndex();
    for (const StationBlock &b : r.blocks) {
        // Only an unknown block can be skipped by the filter: it keeps its caption.
        if (b.passed) {
            setCaption(OptClients[b.number - 1], b.name);
            // A station that stays on its button is not asked again on every poll.
            QString &mac = m_clientMacs[b.number - 1];
            if (mac != b.mac) {
                mac = b.mac;
                showMaker(OptClients[b.number - 1], mac);
            }
        }
        if (b.passed && page == PageChart)
            feedChart(MSChart1, r.blockCount, b);
    }
    // Drawn now rather than by the chart's own deferred refresh, which would come after
    // the window's next update and cost a frame of its own.
    if (page == PageChart)
        MSChart1->flush();

    showText(txtAnzahl, r.stationCount > 0 ? QString::number(r.stationCount) : QString());
    fillClients(qint16(r.stationCount));
    if (r.knownOnly) {
        // Exactly the buttons of the stations that passed: button k - 1 for block k.
        for (int i = 0; i < int(OptClients.size()); ++i) {
            const StationBlock *b = r.block(i + 1);
            OptClients[i]->setHidden(!(b && b->passed));
        }
    }

    if (page != PageClients || !r.examined)
        return;
    // Text1 holds the index of the option last clicked, from 0; blocks count from 1.
    const double selected = fRoundEven(fVal(Text1->text()) + 1);
    if (selected < 0 || selected > r.blockCount)
        return;
    const StationBlock *b = r.block(int(selected));
    if (!b) {
        // Block 0 is the empty piece before the first separator.
        if (!r.knownOnly)
            showText(txtMac, QString());
        return;
    }
    // With the filter on only a station that passed may fill the details.
    if (r.knownOnly && !b->passed)
        return;
    showText(txtMac, b->mac);
    if (b->authentication)
        showText(txtAuth, *b->authentication);
    if (b->encryption)
        showText(txtEncrypt, *b->encryption);
    if (b->mode)
        showText(txtWLANMode, *b->mode);
    if (b->rate)
        showText(txtRXDataRate, fNumText(*b->rate));
    if (b->rx)
        showText(txtRXSign, fNumText(*b->rx));
    if (b->ack)
        showText(txtAckSign, fNumText(*b->ack));
}

void frmMonitor::showMaker(QWidget *control, const QString &mac)
{
    QString text = m_vendors->lookup(mac).text();
    if (const QString since = m_presence->sinceText(mac); !since.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + since;
    if (control->toolTip() != text)
        control->setToolTip(text);
}

void frmMonitor::showMakers()
{
    for (int i = 0; i < int(OptClients.size()); ++i) {
        // A hidden button is asked again when a reply shows it.
        if (OptClients[i]->isHidden())
            m_clientMacs[i].clear();
        else if (!m_clientMacs[i].isEmpty())
            showMaker(OptClients[i], m_clientMacs[i]);
    }
    showMaker(txtMac, txtMac->text());
}
