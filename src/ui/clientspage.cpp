// Page " Clients": the values of the selected station, its two signal bars and the
// station option buttons.

#include "ui/clientspage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <tuple>

#include "base/allgemein.h"
#include "monitor/reply.h"
#include "monitor/vendors.h"
#include "ui/builders.h"
#include "ui/controls.h"

using namespace ui;

namespace {

// The signal bars, in twips.
constexpr int barWidth = 3855;
constexpr int barHeight = 135;

// Any value above 100 shows the bar full; keep the conversion to float defined.
float barValue(double v)
{
    const double most = std::numeric_limits<float>::max();
    return float(v > most ? most : v);
}

// Button captions show as typed: "&" would otherwise become a mnemonic.
void setCaption(QAbstractButton *button, const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (button->text() != shown)
        button->setText(shown);
}

} // namespace

ClientsPage::ClientsPage(QWidget *parent) : QWidget(parent)
{
    QWidget *page = this;
    setObjectName(QStringLiteral("ClientsPage"));
    fillAsTabPane(this); // its details change at every poll
    auto display = [&](const char *name, QLabel *caption) {
        auto *t = textBox(page, name, {}, caption);
        t->setReadOnly(true);
        t->setAlignment(Qt::AlignRight);
        return t;
    };
    lblMac = label(page, "lblMac", QStringLiteral("MAC Adresse:"));
    txtMac = display("txtMac", lblMac);
    // The maker beside the designed caption, for whatever address the field shows.
    connect(txtMac, &QLineEdit::textChanged, this, [this](const QString &mac) { showMaker(txtMac, mac); });
    lblAuth = label(page, "lblAuth", QStringLiteral("Authentication Type:"));
    txtAuth = display("txtAuth", lblAuth);
    Label12 = label(page, "Label12", QStringLiteral("Encryption:"));
    txtEncrypt = display("txtEncrypt", Label12);
    lblWLANMode = label(page, "lblWLANMode", QStringLiteral("WLAN Mode:"));
    txtWLANMode = display("txtWLANMode", lblWLANMode);
    lblRXDataRate = label(page, "lblRXDataRate", QStringLiteral("RX Data Rate:"));
    txtRXDataRate = display("txtRXDataRate", lblRXDataRate);
    for (QLineEdit *t : {txtMac, txtAuth, txtEncrypt, txtWLANMode, txtRXDataRate})
        setBackColor(t, bgrColor(0x80000004));
    lblRXSign = label(page, "lblRXSign", QStringLiteral("RX Signal Strength:"));
    txtRXSign = display("txtRXSign", lblRXSign);
    txtRXSign->setText(QStringLiteral("0"));
    Label13 = label(page, "Label13", QStringLiteral("%"));
    RXBar = named(new SignalBar(page), "RXBar");
    lblAckSign = label(page, "lblAckSign", QStringLiteral("Ackn Signal Strength:"));
    txtAckSign = display("txtAckSign", lblAckSign);
    txtAckSign->setText(QStringLiteral("0"));
    Label14 = label(page, "Label14", QStringLiteral("%"));
    AcknBar = named(new SignalBar(page), "AcknBar");
    for (auto [bar, caption] : {std::pair{RXBar, lblRXSign}, {AcknBar, lblAckSign}}) {
        bar->setFixedSize(tw(barWidth), tw(barHeight));
        bar->setAccessibleName(caption->text());
    }
    lblAnzahl = label(page, "lblAnzahl", QStringLiteral("Anzahl Clients:"));
    lblAnzahl->hide();
    txtAnzahl = display("txtAnzahl", lblAnzahl);
    txtAnzahl->hide();
    Frame1 = groupBox(page, "Frame1", QStringLiteral("Clients"));
    auto *v = new QVBoxLayout(Frame1);
    tighten(v);
    v->setSpacing(0);
    for (int i = 0; i < 12; ++i) {
        OptClients[i] = new QRadioButton(QStringLiteral("Option2"), Frame1);
        OptClients[i]->setObjectName(QStringLiteral("OptClients_%1").arg(i));
        OptClients[i]->hide();
        OptClients[i]->setFixedHeight(std::max(OptClients[i]->fontMetrics().height() + 4, 18));
        // Room for all twelve is kept, so showing stations never needs a new layout.
        QSizePolicy keep = OptClients[i]->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        OptClients[i]->setSizePolicy(keep);
        v->addWidget(OptClients[i]);
    }
    v->addStretch();
    // Wide enough for a station's MAC address, which the parser puts into the captions.
    QStyle *st = Frame1->style();
    const int indicator = st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                          st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    const int mac = OptClients[0]->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00:00:00"));
    Frame1->setMinimumWidth(indicator + mac + 2 * pageMargin + 8);

    auto *g = pageGrid(page);
    int r = 0;
    for (auto [l, t] : {std::pair{lblMac, txtMac},
                        {lblAuth, txtAuth},
                        {Label12, txtEncrypt},
                        {lblWLANMode, txtWLANMode},
                        {lblRXDataRate, txtRXDataRate}}) {
        g->addWidget(l, r, 0);
        g->addWidget(t, r, 1, 1, 2);
        ++r;
    }
    const int signWidth = txtRXSign->fontMetrics().horizontalAdvance(QStringLiteral("100,000")) + 12;
    for (auto [l, t, unit, bar] : {std::tuple{lblRXSign, txtRXSign, Label13, RXBar},
                                   std::tuple{lblAckSign, txtAckSign, Label14, AcknBar}}) {
        t->setFixedWidth(signWidth);
        auto *value = new QHBoxLayout;
        value->setSpacing(spacing);
        value->addWidget(t);
        value->addWidget(unit);
        value->addStretch();
        g->addWidget(l, r, 0);
        g->addLayout(value, r, 1, 1, 2);
        g->addWidget(bar, r + 1, 0, 1, 3, Qt::AlignLeft | Qt::AlignTop);
        r += 2;
    }
    g->addWidget(lblAnzahl, r, 0);
    g->addWidget(txtAnzahl, r, 1, 1, 2);
    g->setRowStretch(r + 1, 1);
    g->addWidget(Frame1, 0, 3, r + 2, 1);
    g->setColumnStretch(1, 1);

    for (int i = 0; i < int(OptClients.size()); ++i) {
        connect(OptClients[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                OptClients_Click(i);
        });
    }
    connect(txtRXSign, &QLineEdit::textChanged, this, &ClientsPage::txtRXSign_Change);
    connect(txtAckSign, &QLineEdit::textChanged, this, &ClientsPage::txtAckSign_Change);
}

void ClientsPage::OptClients_Click(int Index)
{
    emit optionClicked(Index);
}

// The bars follow their text boxes by the leading-number reading; a negative number
// leaves the bar where it is, a value above 100 shows it full.
void ClientsPage::txtRXSign_Change()
{
    const double v = fVal(txtRXSign->text());
    if (v >= 0)
        RXBar->setValueF(barValue(v));
}

void ClientsPage::txtAckSign_Change()
{
    const double v = fVal(txtAckSign->text());
    if (v >= 0)
        AcknBar->setValueF(barValue(v));
}

void ClientsPage::fillClients(qint16 Anzahl)
{
    for (int i = 0; i < int(OptClients.size()); ++i)
        OptClients[i]->setHidden(i >= Anzahl);
}

void ClientsPage::selectOption(int index)
{
    OptClients[index]->setChecked(true);
}

void ClientsPage::showStations(const Reply &r)
{
    for (const StationBlock &b : r.blocks) {
        // Only an unknown block can be skipped by the filter: it keeps its caption.
        if (!b.passed)
            continue;
        setCaption(OptClients[b.number - 1], b.name);
        // A station that stays on its button is not asked again on every poll.
        QString &mac = m_clientMacs[b.number - 1];
        if (mac != b.mac) {
            mac = b.mac;
            showMaker(OptClients[b.number - 1], mac);
        }
    }
    showLineText(txtAnzahl, r.stationCount > 0 ? QString::number(r.stationCount) : QString());
    fillClients(qint16(r.stationCount));
    if (r.knownOnly) {
        // Exactly the buttons of the stations that passed: button k - 1 for block k.
        for (int i = 0; i < int(OptClients.size()); ++i) {
            const StationBlock *b = r.block(i + 1);
            OptClients[i]->setHidden(!(b && b->passed));
        }
    }
}

void ClientsPage::showDetails(const Reply &r, const QString &selectedText)
{
    // The hidden box holds the index of the option last clicked, from 0; blocks count
    // from 1.
    const double selected = fRoundEven(fVal(selectedText) + 1);
    if (selected < 0 || selected > r.blockCount)
        return;
    const StationBlock *b = r.block(int(selected));
    if (!b) {
        // Block 0 is the empty piece before the first separator.
        if (!r.knownOnly)
            showLineText(txtMac, QString());
        return;
    }
    // With the filter on only a station that passed may fill the details.
    if (r.knownOnly && !b->passed)
        return;
    showLineText(txtMac, b->mac);
    if (b->authentication)
        showLineText(txtAuth, *b->authentication);
    if (b->encryption)
        showLineText(txtEncrypt, *b->encryption);
    if (b->mode)
        showLineText(txtWLANMode, *b->mode);
    if (b->rate)
        showLineText(txtRXDataRate, fNumText(*b->rate));
    if (b->rx)
        showLineText(txtRXSign, fNumText(*b->rx));
    if (b->ack)
        showLineText(txtAckSign, fNumText(*b->ack));
}

void ClientsPage::clearDetails()
{
    for (QLineEdit *e : {txtMac, txtAuth, txtEncrypt, txtWLANMode, txtRXDataRate})
        e->setText(QString());
}

void ClientsPage::setVendors(VendorRegistry *vendors)
{
    m_vendors = vendors;
    // The new registry is asked afresh for every station shown.
    m_clientMacs.fill(QString());
}

void ClientsPage::showMaker(QWidget *control, const QString &mac)
{
    QString text = m_vendors ? m_vendors->lookup(mac).text() : QString();
    if (const QString line = m_toolTipLine ? m_toolTipLine(mac) : QString(); !line.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + line;
    if (control->toolTip() != text)
        control->setToolTip(text);
}

void ClientsPage::showMakers()
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

QList<QWidget *> ClientsPage::tabChain() const
{
    return {txtMac,    txtAuth,    txtEncrypt, txtWLANMode,  txtRXDataRate,
            txtRXSign, txtAckSign, txtAnzahl,  OptClients[0]};
}
