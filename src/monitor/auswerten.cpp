#include "monitor/auswerten.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include <array>
#include <cmath>

#include "app/globals.h"
#include "monitor/allgemein.h"
#include "monitor/chart.h"
#include "monitor/record.h"
#include "ui/frmMonitor.h"

namespace {

constexpr int maxStations = 12;

// Button captions show as typed: "&" would otherwise become a mnemonic.
void setCaption(QAbstractButton *button, const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    button->setText(shown);
}

QString caption(const QAbstractButton *button)
{
    QString text = button->text();
    text.replace(QLatin1String("&&"), QLatin1String("&"));
    return text;
}

void feedChart(frmMonitor &w, int blockCount, int k, const QString &block, double &rxValue, double &ackValue)
{
    StationChart *chart = w.MSChart1;
    chart->setRowCount(qint16(blockCount));
    chart->setRow(qint16(k));
    chart->setRowLabel(caption(w.OptClients[k - 1]));
    chart->setColumn(1);
    numberAfter(block, QStringLiteral("RxSignalStrength"), &rxValue);
    double shown = 0.0;
    if (rxValue < 0)
        chart->setData(fNumText(0));
    else if (block.contains(QLatin1String("(per cent)"), Qt::CaseInsensitive))
        chart->setData(fNumText(rxValue));
    else if (perCentOf64(rxValue, &shown))
        chart->setData(fNumText(shown));

    chart->setColumn(2);
    numberAfter(block, QStringLiteral("AckSignalStrength"), &ackValue);
    if (ackValue < 0)
        chart->setData(fNumText(0));
    else if (perCentOf64(ackValue, &shown))
        chart->setData(fNumText(shown));
}

void showDetails(frmMonitor &w, const QString &s)
{
    w.txtMac->setText(s.left(17));

    const QString auth = QStringLiteral("Authentication Type: ");
    if (fFieldCount(s, auth) > 1)
        w.txtAuth->setText(fGetField(fGetField(s, auth, 2), QStringLiteral("WLAN"), 1));

    const QString enc = QStringLiteral("Encryption: ");
    if (fFieldCount(s, enc) > 1)
        w.txtEncrypt->setText(fTrim(fGetField(s, enc, 2).left(3)));

    const QString mode = QStringLiteral("WLAN Mode: ");
    if (fFieldCount(s, mode) > 1)
        w.txtWLANMode->setText(fGetField(fGetField(s, mode, 2), QStringLiteral(","), 1));

    double v = 0.0;
    double shown = 0.0;
    if (fFieldCount(s, QStringLiteral("Rx Data Rate:")) > 1 &&
        numberAfter(s, QStringLiteral("Rx Data Rate"), &v))
        w.txtRXDataRate->setText(fNumText(v));

    if (fFieldCount(s, QStringLiteral("RxSignalStrength:")) > 1 &&
        numberAfter(s, QStringLiteral("RxSignalStrength"), &v) && perCentOf64(v, &shown))
        w.txtRXSign->setText(fNumText(shown));

    // A block holding both forms shows the per-cent value.
    if (fFieldCount(s, QStringLiteral("RxSignalStrength(per cent):")) > 1 &&
        numberAfter(s, QStringLiteral("RxSignalStrength"), &v))
        w.txtRXSign->setText(fNumText(v));

    if (fFieldCount(s, QStringLiteral("AckSignalStrength:")) > 1 &&
        numberAfter(s, QStringLiteral("AckSignalStrength"), &v) && perCentOf64(v, &shown))
        w.txtAckSign->setText(fNumText(shown));
}

} // namespace

const QString &stationSeparator()
{
    static const QString sep(49, QLatin1Char('*'));
    return sep;
}

void AntwortAuswertung(frmMonitor &w, QString text)
{
    w.session->evaluate(text);
}

Reply showReplyText(frmMonitor &w, const QString &text)
{
    Reply reply;
    const bool filterOn = chkValue(w.chkBekClients) == 1;

    if (text.contains(QLatin1String("Incorrect login"), Qt::CaseInsensitive)) {
        reply.kind = Reply::Kind::Refused;
        return reply;
    }
    if (text.contains(QLatin1String("Rebooting"), Qt::CaseInsensitive)) {
        reply.kind = Reply::Kind::Rebooting;
        return reply;
    }

    if (fFieldCount(text, QStringLiteral("SOFTWARE_VERSION")) > 1)
        reply.firmware = fGetField(fGetField(text, QStringLiteral(":"), 2), QStringLiteral("\r"), 1);

    if (text.size() < 12) {
        reply.kind = Reply::Kind::TooShort;
        return reply;
    }

    const int blockCount = fFieldCount(text, stationSeparator()) - 1;
    if (blockCount < 1) {
        recordStations(w, text, {}, {});
        reply.blockCount = blockCount;
        return reply;
    }

    // A reply with more blocks than option buttons is not examined block by block.
    const bool examine = blockCount <= maxStations;
    std::array<QString, maxStations + 1> blocks; // index 0 stays the empty entry
    std::array<bool, maxStations + 1> passed{};
    int stationCount = 0;
    double rxValue = 0.0;
    double ackValue = 0.0;

    for (int k = 1; examine && k <= blockCount; ++k) {
        blocks[k] = fGetField(text, stationSeparator(), k + 1);
        const QString mac = blocks[k].left(17);
        QRadioButton *button = w.OptClients[k - 1];

        bool found = false;
        for (qsizetype i = 0; i < MACs.size(); ++i) {
            if (fTrim(MACs.at(i).MAC) == mac) {
                setCaption(button, fTrim(MACs.at(i).Name));
                found = true;
            }
        }
        if (filterOn && !found)
            continue;
        passed[k] = true;
        ++stationCount;
        if (!found)
            setCaption(button, mac);
        if (w.SSTab1->currentIndex() == frmMonitor::PageChart)
            feedChart(w, blockCount, k, blocks[k], rxValue, ackValue);
    }

    w.txtAnzahl->setText(stationCount > 0 ? QString::number(stationCount) : QString());
    w.fillClients(qint16(stationCount));
    if (filterOn) {
        // Exactly the buttons of the stations that passed: button k - 1 for block k.
        for (int i = 0; i < maxStations; ++i)
            w.OptClients[i]->setHidden(!(examine && i + 1 <= blockCount && passed[i + 1]));
    }

    if (w.SSTab1->currentIndex() == frmMonitor::PageClients && examine) {
        // Text1 holds the index of the option last clicked, from 0; blocks count from 1.
        const double selected = fRoundEven(fVal(w.Text1->text()) + 1);
        const bool inRange = selected >= 0 && selected <= blockCount;
        if (inRange) {
            const int s = int(selected);
            // With the filter on only a station that passed may fill the details.
            if (!filterOn || passed[s])
                showDetails(w, blocks[s]);
        }
    }

    recordStations(w, text, blocks, passed);
    reply.blockCount = blockCount;
    reply.examined = examine;
    reply.stationCount = stationCount;
    return reply;
}
