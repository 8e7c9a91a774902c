// Page "Setup": the known-client record editor and the program settings.

#include "ui/setuppage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/pollcycle.h"
#include "config/settings.h"
#include "ui/builders.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

using namespace ui;

namespace {

QString appTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Senvaro") : name;
}

} // namespace

SetupPage::SetupPage(QWidget *parent) : QWidget(parent)
{
    QWidget *page = this;
    setObjectName(QStringLiteral("SetupPage"));
    Frame4 = groupBox(page, "Frame4", QStringLiteral("Geräte im Netzwerk"));
    scrDatensatz = named(new QScrollBar(Qt::Horizontal, Frame4), "scrDatensatz");
    scrDatensatz->setRange(1, 50);
    scrDatensatz->setValue(1);
    scrDatensatz->setFocusPolicy(Qt::StrongFocus);
    scrDatensatz->setAccessibleName(QStringLiteral("Datensatz"));
    txtDatensatz = textBox(Frame4, "txtDatensatz", QStringLiteral("1"));
    txtDatensatz->setAlignment(Qt::AlignCenter);
    txtDatensatz->setAccessibleName(QStringLiteral("Datensatz-Nummer"));
    txtDatensatz->setFixedWidth(txtDatensatz->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    Label1 = label(Frame4, "Label1", QStringLiteral("Name:"));
    txtDataName = textBox(Frame4, "txtDataName", {}, Label1);
    Label4 = label(Frame4, "Label4", QStringLiteral("IP-Adresse:"));
    txtDataIP = textBox(Frame4, "txtDataIP", {}, Label4);
    Label16 = label(Frame4, "Label16", QStringLiteral("MAC-Adresse:"));
    txtDataMAC = textBox(Frame4, "txtDataMAC", {}, Label16);
    Label17 = label(Frame4, "Label17", QStringLiteral("Gerätetyp:"));
    chkDataAP = checkBox(Frame4, "chkDataAP", QStringLiteral("DWL-2100AP"));
    Label17->setBuddy(chkDataAP);
    cmdNewData = pictureButton(Frame4, "cmdNewData", QStringLiteral("Neu"), "neu", 20);
    cmdSave = pictureButton(Frame4, "cmdSave", QStringLiteral("speichern"), "speichern", 20);
    Command2 = pictureButton(Frame4, "Command2", QStringLiteral("löschen"), "loeschen", 20);
    Frame5 = groupBox(page, "Frame5", QStringLiteral("Programm"));
    chkBekClients = checkBox(Frame5, "chkBekClients", QStringLiteral("nur bekannte MAC-Adressen auswerten"));
    ChksaveUser = checkBox(Frame5, "ChksaveUser", QStringLiteral("Benutzernamen speichern"));
    ChksaveUser->setChecked(true);
    ChksavePW = checkBox(Frame5, "ChksavePW", QStringLiteral("Passwort speichern"));
    ChksavePW->setChecked(true);
    ChkShowPW = checkBox(Frame5, "ChkShowPW", QStringLiteral("Benutzername und Passwort anzeigen"));
    Label10 = label(Frame5, "Label10", QStringLiteral("Abfragezyklus"));
    cmbZyklus = editableComboBox(Frame5, "cmbZyklus");
    cmbZyklus->setInsertPolicy(QComboBox::NoInsert);
    for (int s = 2; s <= 10; ++s)
        cmbZyklus->addItem(QString::number(s));
    cmbZyklus->setEditText(QStringLiteral("5"));
    cmbZyklus->setFixedWidth(cmbZyklus->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 40);
    Label10->setBuddy(cmbZyklus);
    cmbZyklus->setAccessibleName(Label10->text());
    Label11 = label(Frame5, "Label11", QStringLiteral("s"));
    chkVerlauf = checkBox(Frame5, "chkVerlauf", QStringLiteral("Verlauf in Datei schreiben"));
    Label20 = label(Frame5, "Label20",
                    QStringLiteral("Es besteht kein Zusammenhang zwischen dem Programm und dem "
                                   "Hersteller des DWL-2100AP"));
    Label20->setWordWrap(true);
    Label20->setAlignment(Qt::AlignCenter);
    setForeColor(Label20, bgrColor(0x008080FF));
    Label19 = label(Frame5, "Label19", QStringLiteral("Die Benutzung erfolgt auf eigene Verantwortung."));
    Label19->setWordWrap(true);
    Label19->setAlignment(Qt::AlignCenter);
    setForeColor(Label19, bgrColor(0x000000FF));
    // The two frames only just fit side by side: narrow margins here.
    auto *records = new QVBoxLayout(Frame4);
    tighten(records);
    records->setContentsMargins(3, pageMargin, 3, pageMargin);
    auto *nav = new QHBoxLayout;
    nav->setSpacing(spacing);
    nav->addWidget(scrDatensatz, 1);
    nav->addWidget(txtDatensatz);
    records->addLayout(nav);
    for (auto [l, t] : {std::pair{Label1, txtDataName}, {Label4, txtDataIP}, {Label16, txtDataMAC}}) {
        records->addSpacing(1);
        records->addWidget(l);
        records->addWidget(t);
    }
    auto *type = new QHBoxLayout;
    type->setSpacing(spacing);
    type->addWidget(Label17);
    type->addWidget(chkDataAP);
    type->addStretch();
    records->addSpacing(2);
    records->addLayout(type);
    records->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (QToolButton *b : {cmdNewData, cmdSave, Command2}) {
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(b);
    }
    records->addLayout(buttons);

    auto *program = new QVBoxLayout(Frame5);
    tighten(program);
    program->setContentsMargins(3, pageMargin, 3, pageMargin);
    for (QCheckBox *c : {chkBekClients, ChksaveUser, ChksavePW, ChkShowPW})
        program->addWidget(c);
    auto *cycle = new QHBoxLayout;
    cycle->setSpacing(spacing);
    cycle->addWidget(Label10);
    cycle->addWidget(cmbZyklus);
    cycle->addWidget(Label11);
    cycle->addStretch();
    program->addSpacing(2);
    program->addLayout(cycle);
    // Below the designed settings, taking only from the free space above the notes.
    program->addSpacing(2);
    program->addWidget(chkVerlauf);
    program->addStretch();
    program->addWidget(Label20);
    program->addWidget(Label19);

    auto *h = new QHBoxLayout(page);
    tighten(h, 2);
    h->setSpacing(2);
    h->addWidget(Frame4, 1);
    h->addWidget(Frame5);

    // Changes made from code run their handlers too, as the program relies on.
    connect(cmdNewData, &QToolButton::clicked, this, &SetupPage::cmdNewData_Click);
    connect(cmdSave, &QToolButton::clicked, this, &SetupPage::cmdSave_Click);
    connect(Command2, &QToolButton::clicked, this, &SetupPage::Command2_Click);
    connect(scrDatensatz, &QScrollBar::valueChanged, this, &SetupPage::scrDatensatz_Change);
    connect(txtDatensatz, &QLineEdit::textChanged, this, &SetupPage::txtDatensatz_Change);
    connect(cmbZyklus, &QComboBox::editTextChanged, this, &SetupPage::cmbZyklus_Change);
    connect(cmbZyklus, &QComboBox::activated, this, &SetupPage::cmbZyklus_Click);
    connect(ChkShowPW, &QCheckBox::stateChanged, this, &SetupPage::ChkShowPW_Click);
    connect(chkBekClients, &QCheckBox::stateChanged, this, &SetupPage::knownOnlyChanged);
    connect(chkVerlauf, &QCheckBox::toggled, this, &SetupPage::historyLogSwitched);
}

void SetupPage::setRecordMaximum(int maximum)
{
    // The bar's designed minimum is 1, but a scroll bar cannot keep a maximum below its
    // minimum: with no record the range becomes 0..0, the value follows to 0 and its
    // change handler puts "0" into txtDatensatz.
    scrDatensatz->setRange(std::min(1, maximum), maximum);
}

void SetupPage::showRecord()
{
    const std::optional<int> n = m_records.find(txtDatensatz->text());
    if (!n)
        return; // no such record: the fields keep what they show
    const tMAC record = m_records.record(*n);
    txtDataName->setText(record.Name);
    txtDataIP->setText(record.IP);
    txtDataMAC->setText(record.MAC);
    // Anything but "Wahr" is saved as "Falsch", so it shows unchecked.
    chkDataAP->setChecked(record.isAccessPoint());
}

void SetupPage::cmdSave_Click()
{
    const std::optional<int> n = m_records.find(txtDatensatz->text());
    if (!n) {
        const int last = knownClients().size();
        const QString why = last >= 1 ? QStringLiteral("Vorhanden sind die Datensätze 1 bis %1.").arg(last)
                                      : QStringLiteral("Es ist noch kein Datensatz vorhanden.");
        Dialogs::inform(appTitle(),
                        QStringLiteral("Einen Datensatz \"%1\" gibt es nicht, die Eingaben wurden "
                                       "nicht übernommen.\r\n%2\r\nMit \"Neu\" wird ein weiterer "
                                       "Datensatz angelegt.")
                            .arg(txtDatensatz->text().trimmed(), why));
        return;
    }
    tMAC record;
    record.Name = txtDataName->text();
    record.IP = txtDataIP->text();
    record.MAC = txtDataMAC->text();
    record.ist_AP = chkValue(chkDataAP) == 1 ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    m_records.store(*n, record);
    if (*n != 0)
        emit knownClientsChanged();
}

void SetupPage::cmdNewData_Click()
{
    // Appended before the bar moves: a bar standing at 0 follows its new minimum at once
    // and shows the record.
    const std::optional<int> n = m_records.append(scrDatensatz->maximum());
    if (!n) {
        Dialogs::inform(appTitle(),
                        QStringLiteral("Es sind bereits %1 Datensätze vorhanden; mehr können nicht "
                                       "angelegt werden.")
                            .arg(RecordEditor::maxRecords));
        return;
    }
    emit knownClientsChanged();
    setRecordMaximum(*n);
    scrDatensatz->setValue(*n);
    txtDatensatz->setText(QString::number(*n));
    txtDataName->setFocus();
}

void SetupPage::Command2_Click()
{
    if (!m_records.canRemove(scrDatensatz->value(), scrDatensatz->maximum()))
        return;
    if (Dialogs::askOkCancel(appTitle(), QStringLiteral("Diesen Datensatz wirklich löschen?")) !=
        Dialogs::Answer::Ok)
        return;
    const int x = scrDatensatz->value();
    if (!m_records.canRemove(x, scrDatensatz->maximum())) // the question let other events run
        return;
    const int last = scrDatensatz->maximum() - 1;
    m_records.remove(x, scrDatensatz->maximum());
    emit knownClientsChanged();
    setRecordMaximum(last);
    showRecord();
    if (x - 1 >= scrDatensatz->minimum()) {
        scrDatensatz->setValue(x - 1);
    } else {
        // The first record went while others remain: show the one that took its place.
        scrDatensatz->setValue(1);
        txtDatensatz->setText(QStringLiteral("1"));
    }
}

void SetupPage::scrDatensatz_Change()
{
    txtDatensatz->setText(QString::number(scrDatensatz->value()));
}

void SetupPage::txtDatensatz_Change()
{
    showRecord();
}

void SetupPage::ChkShowPW_Click()
{
    emit credentialsShown(chkValue(ChkShowPW) == 1);
}

void SetupPage::cmbZyklus_Change()
{
    // A text that gives no usable cycle keeps the interval the session polls at.
    if (const std::optional<int> ms = pollCycleMs(cmbZyklus->currentText()))
        emit pollIntervalChanged(*ms);
}

void SetupPage::cmbZyklus_Click()
{
    cmbZyklus_Change();
}

void SetupPage::setKnownClients(const KnownClients &clients)
{
    m_records.setClients(clients);
    emit knownClientsChanged();
    setRecordMaximum(clients.size());
}

void SetupPage::enter()
{
    if (knownClients().size() < 1) { // the editor always has a record 1 to work on
        m_records.ensureRecord();
        emit knownClientsChanged();
    }
    showRecord();
}

void SetupPage::applyProgramSettings(const Settings &s)
{
    cmbZyklus->setEditText(s.pollCycle); // sets the polling interval
    setChkValue(ChksaveUser, s.saveUser);
    setChkValue(ChksavePW, s.savePassword);
    ChkShowPW_Click(); // masks both fields unless "show" is checked
    chkVerlauf->setChecked(s.logHistory == 1);
}

void SetupPage::applyRecords(int count, const KnownClients &clients)
{
    setRecordMaximum(count);
    if (count == 0) {
        // With no record the bar had to go to 0; the editor still works on record 1,
        // the empty record the list keeps, so what is stored there is saved.
        txtDatensatz->setText(QStringLiteral("1"));
    }
    m_recordsAtStart = qint16(count);
    m_records.setClients(clients);
    emit knownClientsChanged();
}

void SetupPage::setKnownOnly(int value)
{
    setChkValue(chkBekClients, value);
}

void SetupPage::collectSettings(Settings &s) const
{
    s.pollCycle = cmbZyklus->currentText();
    s.saveUser = chkValue(ChksaveUser);
    s.savePassword = chkValue(ChksavePW);
    s.showPassword = chkValue(ChkShowPW);
    s.knownOnly = chkValue(chkBekClients);
    s.logHistory = chkValue(chkVerlauf);
    s.recordCount = m_recordsAtStart;
    s.clients = knownClients();
}

bool SetupPage::knownOnly() const
{
    return chkValue(chkBekClients) == 1;
}

void SetupPage::stopHistoryLog()
{
    chkVerlauf->setChecked(false);
}

QList<QWidget *> SetupPage::tabChain() const
{
    return {scrDatensatz, txtDatensatz,  txtDataName, txtDataIP, txtDataMAC, chkDataAP, cmdNewData, cmdSave,
            Command2,     chkBekClients, ChksaveUser, ChksavePW, ChkShowPW,  cmbZyklus, chkVerlauf};
}
