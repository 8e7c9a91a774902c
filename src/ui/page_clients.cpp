// Page " Clients": the values of the selected station, its two signal bars and the
// station option buttons.

#include "ui/frmMonitor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "ui/builders.h"

using namespace ui;

namespace {

// The signal bars, in twips.
constexpr int barWidth = 3855;
constexpr int barHeight = 135;

} // namespace

void frmMonitor::createClientsPage(QWidget *page)
{
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
    Frame1 = named(new QGroupBox(QStringLiteral("Clients"), page), "Frame1");
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
}
