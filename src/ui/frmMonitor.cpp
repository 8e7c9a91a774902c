#include "ui/frmMonitor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTcpSocket>
#include <QToolButton>
#include <QVBoxLayout>

#include "monitor/chart.h"

namespace {

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = named(new QLabel(caption, parent), name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit *textBox(QWidget *parent, const char *name, const QString &text = {})
{
    auto *t = named(new QLineEdit(text, parent), name);
    t->setAccessibleName(QString::fromLatin1(name));
    return t;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QToolButton *pictureButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QToolButton(parent), name);
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    return b;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QCheckBox(caption, parent), name);
}

} // namespace

frmMonitor::frmMonitor(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMonitor"));
    createControls();
    wireHandlers();
}

frmMonitor::~frmMonitor() = default;

void frmMonitor::createControls()
{
    setWindowTitle(QStringLiteral("Senvaro - für den Access Point DWL-2100AP"));
    setBackColor(this, vbColor(0x00FF8080));

    SSTab1 = named(new QTabWidget(this), "SSTab1");
    auto *page0 = new QWidget;
    auto *page1 = new QWidget;
    auto *page2 = new QWidget;
    auto *page3 = new QWidget;
    auto *page4 = new QWidget;
    auto *page5 = new QWidget;
    SSTab1->addTab(page0, QStringLiteral("LOGIN"));
    SSTab1->addTab(page1, QStringLiteral(" Clients"));
    SSTab1->addTab(page2, QStringLiteral("Diagramm"));
    SSTab1->addTab(page3, QStringLiteral("manuell"));
    SSTab1->addTab(page4, QStringLiteral("Antworten"));
    SSTab1->addTab(page5, QStringLiteral("Setup"));

    // ---- Page 0 "LOGIN" ----
    Frame3 = named(new QGroupBox(QStringLiteral("Access Point"), page0), "Frame3");
    Label2 = label(Frame3, "Label2", QStringLiteral("IP-Adresse:"));
    txtIP = textBox(Frame3, "txtIP", QStringLiteral("192.168.0.50"));
    txtIP->setAlignment(Qt::AlignRight);
    txtIP->hide();
    Combo1 = named(new QComboBox(Frame3), "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("192.168.0.50"));
    lblUsername = label(Frame3, "lblUsername", QStringLiteral("Username:"));
    txtUser = textBox(Frame3, "txtUser");
    txtUser->setEchoMode(QLineEdit::Password);
    setBackColor(txtUser, vbColor(0x80000004));
    lblPassw = label(Frame3, "lblPassw", QStringLiteral("Passwort:"));
    txtPassw = textBox(Frame3, "txtPassw");
    txtPassw->setEchoMode(QLineEdit::Password);
    setBackColor(txtPassw, vbColor(0x80000004));
    lblStatus = label(page0, "lblStatus", QStringLiteral("keine Verbindung zum AP"));
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setFrameShape(QFrame::Box);
    setBackColor(lblStatus, vbColor(0x00C0FFFF));
    CmdLogin = pictureButton(page0, "CmdLogin", QStringLiteral("LOGIN"));
    Cmd_logout = pictureButton(page0, "Cmd_logout", QStringLiteral("Logout"));
    Cmd_logout->setEnabled(false);
    Label15 = label(page0, "Label15", QStringLiteral("FW Version:"));
    txtSoftVers = textBox(page0, "txtSoftVers");
    setBackColor(txtSoftVers, vbColor(0x80000004));
    Frame2 = named(new QGroupBox(QStringLiteral("bekannte MAC-Adressen"), page0), "Frame2");
    Label6 = label(Frame2, "Label6", QStringLiteral("MAC-Adresse"));
    Label7 = label(Frame2, "Label7", QStringLiteral(" Name") + QString(23, QChar(' ')) + QStringLiteral("IP"));
    txtMACS = named(new TextBox(Frame2), "txtMACS");
    txtMACS->setReadOnly(true);
    txtMACS->setText(QStringLiteral("txtMACS"));
    setBackColor(txtMACS, vbColor(0x80000018));
    Label5 = label(page0, "Label5", QStringLiteral("Senvaro für den Access Point \"DWL 2100AP\". "));
    setForeColor(Label5, vbColor(0x00C00000));

    {
        auto *g = new QGridLayout(Frame3);
        g->addWidget(Label2, 0, 0);
        g->addWidget(Combo1, 0, 1);
        g->addWidget(txtIP, 0, 1);
        g->addWidget(lblUsername, 1, 0);
        g->addWidget(txtUser, 1, 1);
        g->addWidget(lblPassw, 2, 0);
        g->addWidget(txtPassw, 2, 1);
        auto *f2 = new QGridLayout(Frame2);
        f2->addWidget(Label6, 0, 0);
        f2->addWidget(Label7, 0, 1);
        f2->addWidget(txtMACS, 1, 0, 1, 2);
        auto *p = new QGridLayout(page0);
        p->addWidget(Frame3, 0, 0, 2, 1);
        p->addWidget(lblStatus, 0, 1, 1, 2);
        p->addWidget(CmdLogin, 1, 1);
        p->addWidget(Cmd_logout, 1, 2);
        p->addWidget(Label15, 2, 0);
        p->addWidget(txtSoftVers, 2, 1, 1, 2);
        p->addWidget(Frame2, 3, 0, 1, 3);
        p->addWidget(Label5, 4, 0, 1, 3);
    }

    // ---- Page 1 " Clients" ----
    auto display = [&](const char *name) {
        auto *t = textBox(page1, name);
        t->setReadOnly(true);
        t->setAlignment(Qt::AlignRight);
        return t;
    };
    lblMac = label(page1, "lblMac", QStringLiteral("MAC Adresse:"));
    txtMac = display("txtMac");
    lblAuth = label(page1, "lblAuth", QStringLiteral("Authentication Type:"));
    txtAuth = display("txtAuth");
    Label12 = label(page1, "Label12", QStringLiteral("Encryption:"));
    txtEncrypt = display("txtEncrypt");
    lblWLANMode = label(page1, "lblWLANMode", QStringLiteral("WLAN Mode:"));
    txtWLANMode = display("txtWLANMode");
    lblRXDataRate = label(page1, "lblRXDataRate", QStringLiteral("RX Data Rate:"));
    txtRXDataRate = display("txtRXDataRate");
    for (QLineEdit *t : {txtMac, txtAuth, txtEncrypt, txtWLANMode, txtRXDataRate})
        setBackColor(t, vbColor(0x80000004));
    lblRXSign = label(page1, "lblRXSign", QStringLiteral("RX Signal Strength:"));
    txtRXSign = display("txtRXSign");
    txtRXSign->setText(QStringLiteral("0"));
    Label13 = label(page1, "Label13", QStringLiteral("%"));
    RXBar = named(new SignalBar(page1), "RXBar");
    lblAckSign = label(page1, "lblAckSign", QStringLiteral("Ackn Signal Strength:"));
    txtAckSign = display("txtAckSign");
    txtAckSign->setText(QStringLiteral("0"));
    Label14 = label(page1, "Label14", QStringLiteral("%"));
    AcknBar = named(new SignalBar(page1), "AcknBar");
    lblAnzahl = label(page1, "lblAnzahl", QStringLiteral("Anzahl Clients:"));
    lblAnzahl->hide();
    txtAnzahl = display("txtAnzahl");
    txtAnzahl->hide();
    Frame1 = named(new QGroupBox(QStringLiteral("Clients"), page1), "Frame1");
    {
        auto *v = new QVBoxLayout(Frame1);
        for (int i = 0; i < 12; ++i) {
            OptClients[i] = new QRadioButton(QStringLiteral("Option2"), Frame1);
            OptClients[i]->setObjectName(QStringLiteral("OptClients_%1").arg(i));
            OptClients[i]->hide();
            v->addWidget(OptClients[i]);
        }
        v->addStretch();
        auto *g = new QGridLayout(page1);
        int r = 0;
        for (auto [l, t] : {std::pair{lblMac, txtMac}, {lblAuth, txtAuth}, {Label12, txtEncrypt},
                            {lblWLANMode, txtWLANMode}, {lblRXDataRate, txtRXDataRate}}) {
            g->addWidget(l, r, 0);
            g->addWidget(t, r, 1, 1, 2);
            ++r;
        }
        g->addWidget(lblRXSign, r, 0);
        g->addWidget(txtRXSign, r, 1);
        g->addWidget(Label13, r, 2);
        g->addWidget(RXBar, r + 1, 0, 1, 3);
        g->addWidget(lblAckSign, r + 2, 0);
        g->addWidget(txtAckSign, r + 2, 1);
        g->addWidget(Label14, r + 2, 2);
        g->addWidget(AcknBar, r + 3, 0, 1, 3);
        g->addWidget(lblAnzahl, r + 4, 0);
        g->addWidget(txtAnzahl, r + 4, 1);
        g->addWidget(Frame1, 0, 3, r + 5, 1);
    }

    // ---- Page 2 "Diagramm" ----
    MSChart1 = named(new StationChart(page2), "MSChart1");
    (new QVBoxLayout(page2))->addWidget(MSChart1);

    // ---- Page 3 "manuell" ----
    Label8 = label(page3, "Label8", QStringLiteral("Diese Seite ist nur für Testzwecke gedacht."));
    QFont bold = Label8->font();
    bold.setBold(true);
    Label8->setFont(bold);
    setForeColor(Label8, vbColor(0x008080FF));
    Command7 = button(page3, "Command7", QStringLiteral("Befehl:      set"));
    Text3 = textBox(page3, "Text3", QStringLiteral("antenna 1"));
    Command8 = button(page3, "Command8", QStringLiteral("Befehl:     get"));
    Text4 = textBox(page3, "Text4", QStringLiteral("antenna"));
    Command9 = button(page3, "Command9", QStringLiteral("Befehl:"));
    Text5 = textBox(page3, "Text5", QStringLiteral("quit"));
    Line1 = named(new QFrame(page3), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Label9 = label(page3, "Label9", QStringLiteral("Antwort DWL-2100AP:"));
    txtmanAntw = named(new TextBox(page3), "txtmanAntw");
    setBackColor(txtmanAntw, vbColor(0x80000018));
    Command1 = button(page3, "Command1", QStringLiteral("Datenrate"));
    command6 = button(page3, "command6", QStringLiteral("Sendeleistung"));
    cmd_reboot = button(page3, "cmd_reboot", QStringLiteral("reboot"));
    setBackColor(cmd_reboot, vbColor(0x000000FF));
    QPalette rp = cmd_reboot->palette();
    rp.setColor(QPalette::Button, vbColor(0x000000FF));
    cmd_reboot->setPalette(rp);
    Command13 = button(page3, "Command13", QStringLiteral("Hardware"));
    Command12 = button(page3, "Command12", QStringLiteral("SSID"));
    Command11 = button(page3, "Command11", QStringLiteral("Kanal"));
    Command3 = button(page3, "Command3", QStringLiteral("externe Antenne"));
    Command3->setToolTip(QStringLiteral("diversity aus"));
    Command5 = button(page3, "Command5", QStringLiteral("interne Antenne"));
    Command5->setToolTip(QStringLiteral("diversity aus"));
    Command4 = button(page3, "Command4", QStringLiteral("beste Antenne"));
    Command4->setToolTip(QStringLiteral("diversity ein"));
    Command10 = button(page3, "Command10", QStringLiteral("löschen"));
    {
        auto *g = new QGridLayout(page3);
        g->addWidget(Label8, 0, 0, 1, 4);
        g->addWidget(Command7, 1, 0);
        g->addWidget(Text3, 1, 1);
        g->addWidget(Command8, 2, 0);
        g->addWidget(Text4, 2, 1);
        g->addWidget(Command9, 3, 0);
        g->addWidget(Text5, 3, 1);
        g->addWidget(Line1, 4, 0, 1, 4);
        g->addWidget(Label9, 5, 0, 1, 2);
        g->addWidget(txtmanAntw, 6, 0, 4, 2);
        g->addWidget(Command1, 1, 2);
        g->addWidget(command6, 2, 2);
        g->addWidget(cmd_reboot, 3, 2);
        g->addWidget(Command13, 1, 3);
        g->addWidget(Command12, 2, 3);
        g->addWidget(Command11, 3, 3);
        g->addWidget(Command3, 6, 2);
        g->addWidget(Command5, 7, 2);
        g->addWidget(Command4, 8, 2);
        g->addWidget(Command10, 6, 3);
    }

    // ---- Page 4 "Antworten" ----
    Label3 = label(page4, "Label3", QStringLiteral("Antworten im Rohformat:"));
    Monitor = named(new TextBox(page4), "Monitor");
    Monitor->setReadOnly(true);
    setBackColor(Monitor, vbColor(0x80000018));
    {
        auto *v = new QVBoxLayout(page4);
        v->addWidget(Label3);
        v->addWidget(Monitor);
    }

    // ---- Page 5 "Setup" ----
    Frame4 = named(new QGroupBox(QStringLiteral("Geräte im Netzwerk"), page5), "Frame4");
    scrDatensatz = named(new QScrollBar(Qt::Horizontal, Frame4), "scrDatensatz");
    scrDatensatz->setRange(1, 50);
    scrDatensatz->setValue(1);
    txtDatensatz = textBox(Frame4, "txtDatensatz", QStringLiteral("1"));
    txtDatensatz->setAlignment(Qt::AlignCenter);
    Label1 = label(Frame4, "Label1", QStringLiteral("Name:"));
    txtDataName = textBox(Frame4, "txtDataName");
    Label4 = label(Frame4, "Label4", QStringLiteral("IP-Adresse:"));
    txtDataIP = textBox(Frame4, "txtDataIP");
    Label16 = label(Frame4, "Label16", QStringLiteral("MAC-Adresse:"));
    txtDataMAC = textBox(Frame4, "txtDataMAC");
    Label17 = label(Frame4, "Label17", QStringLiteral("Gerätetyp:"));
    chkDataAP = checkBox(Frame4, "chkDataAP", QStringLiteral("DWL-2100AP"));
    cmdNewData = pictureButton(Frame4, "cmdNewData", QStringLiteral("Neu"));
    cmdSave = pictureButton(Frame4, "cmdSave", QStringLiteral("speichern"));
    Command2 = pictureButton(Frame4, "Command2", QStringLiteral("löschen"));
    Frame5 = named(new QGroupBox(QStringLiteral("Programm"), page5), "Frame5");
    chkBekClients = checkBox(Frame5, "chkBekClients", QStringLiteral("nur bekannte MAC-Adressen auswerten"));
    ChksaveUser = checkBox(Frame5, "ChksaveUser", QStringLiteral("Benutzernamen speichern"));
    ChksaveUser->setChecked(true);
    ChksavePW = checkBox(Frame5, "ChksavePW", QStringLiteral("Passwort speichern"));
    ChksavePW->setChecked(true);
    ChkShowPW = checkBox(Frame5, "ChkShowPW", QStringLiteral("Benutzername und Passwort anzeigen"));
    Label10 = label(Frame5, "Label10", QStringLiteral("Abfragezyklus"));
    cmbZyklus = named(new QComboBox(Frame5), "cmbZyklus");
    cmbZyklus->setEditable(true);
    cmbZyklus->setInsertPolicy(QComboBox::NoInsert);
    for (int s = 2; s <= 10; ++s)
        cmbZyklus->addItem(QString::number(s));
    cmbZyklus->setEditText(QStringLiteral("5"));
    Label11 = label(Frame5, "Label11", QStringLiteral("s"));
    Label20 = label(Frame5, "Label20",
                    QStringLiteral("Es besteht kein Zusammenhang zwischen dem Programm und dem "
                                   "Hersteller des DWL-2100AP"));
    Label20->setWordWrap(true);
    Label20->setAlignment(Qt::AlignCenter);
    setForeColor(Label20, vbColor(0x008080FF));
    Label19 = label(Frame5, "Label19", QStringLiteral("Die Benutzung erfolgt auf eigene Verantwortung."));
    Label19->setAlignment(Qt::AlignCenter);
    setForeColor(Label19, vbColor(0x000000FF));
    {
        auto *g = new QGridLayout(Frame4);
        g->addWidget(scrDatensatz, 0, 0, 1, 2);
        g->addWidget(txtDatensatz, 0, 2);
        g->addWidget(Label1, 1, 0);
        g->addWidget(txtDataName, 1, 1, 1, 2);
        g->addWidget(Label4, 2, 0);
        g->addWidget(txtDataIP, 2, 1, 1, 2);
        g->addWidget(Label16, 3, 0);
        g->addWidget(txtDataMAC, 3, 1, 1, 2);
        g->addWidget(Label17, 4, 0);
        g->addWidget(chkDataAP, 4, 1, 1, 2);
        auto *b = new QHBoxLayout;
        b->addWidget(cmdNewData);
        b->addWidget(cmdSave);
        b->addWidget(Command2);
        g->addLayout(b, 5, 0, 1, 3);
        auto *f = new QGridLayout(Frame5);
        f->addWidget(chkBekClients, 0, 0, 1, 3);
        f->addWidget(ChksaveUser, 1, 0, 1, 3);
        f->addWidget(ChksavePW, 2, 0, 1, 3);
        f->addWidget(ChkShowPW, 3, 0, 1, 3);
        f->addWidget(Label10, 4, 0);
        f->addWidget(cmbZyklus, 4, 1);
        f->addWidget(Label11, 4, 2);
        f->addWidget(Label20, 5, 0, 1, 3);
        f->addWidget(Label19, 6, 0, 1, 3);
        auto *h = new QHBoxLayout(page5);
        h->addWidget(Frame4);
        h->addWidget(Frame5);
    }

    // ---- Outside the tab control ----
    Image1 = label(this, "Image1", QString());
    Image1->lower();
    LED1_aus = label(this, "LED1_aus", QString());
    LED2_aus = label(this, "LED2_aus", QString());
    CmdEnde = pictureButton(this, "CmdEnde", QStringLiteral("ENDE"));
    lblautor = label(this, "lblautor", QStringLiteral("Senvaro - freie Software unter der GPLv3"));
    QFont arial(QStringLiteral("Arial"), 12);
    lblautor->setFont(arial);
    setForeColor(lblautor, vbColor(0x0000FFFF));
    Text1 = textBox(this, "Text1", QStringLiteral("Text1"));
    Text1->hide();

    timAuswertung = named(new WinTimer(1000, this), "timAuswertung");
    timPWRobot = named(new WinTimer(200, this), "timPWRobot");
    timPoll_Power = named(new WinTimer(5000, this), "timPoll_Power");
    TCPClient = named(new QTcpSocket(this), "TCPClient");

    SSTab1->setGeometry(tw(120), tw(120), tw(7035), tw(4695));
    SSTab1->resize(SSTab1->size().expandedTo(SSTab1->minimumSizeHint()));
    const int bottom = SSTab1->geometry().bottom() + 6;
    Image1->setGeometry(tw(120), bottom, tw(2400), tw(900));
    LED1_aus->setGeometry(tw(600), bottom + 20, 8, 8);
    LED2_aus->setGeometry(tw(900), bottom + 20, 8, 8);
    CmdEnde->adjustSize();
    CmdEnde->move(SSTab1->geometry().right() - CmdEnde->width(), bottom);
    lblautor->adjustSize();
    lblautor->move(tw(120), bottom + CmdEnde->height() - lblautor->height());
    const QSize client = minimumClientSize();
    setMinimumSize(client);
    resize(client);
}

QSize frmMonitor::minimumClientSize() const
{
    const QRect tab = SSTab1->geometry();
    const int w = std::max(tw(7170), tab.right() + tw(120));
    const int h = std::max(tw(6270), std::max(CmdEnde->geometry().bottom(), tab.bottom()) + tw(120));
    return {w, h};
}

void frmMonitor::SSTab1_Click(int) {}
void frmMonitor::fillClients(qint16) {}
void frmMonitor::OptClients_Click(int) {}

void frmMonitor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        // Runs once, at the first display, however often the toolkit reports activation.
        m_activated = true;
        QMetaObject::invokeMethod(this, &frmMonitor::Form_Activate, Qt::QueuedConnection);
    }
}

void frmMonitor::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    event->accept();
}

void frmMonitor::Unload()
{
    if (m_unloaded)
        return;
    close();
    if (!m_unloaded) {  // a hidden window gets no close event
        m_unloaded = true;
        Form_Unload();
    }
}

int chkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void setChkValue(QCheckBox *box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}
