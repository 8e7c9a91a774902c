// Page "Setup": the known-client record editor and the program settings.

#include "ui/frmMonitor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/builders.h"

using namespace ui;

void frmMonitor::createSetupPage(QWidget *page)
{
    Frame4 = named(new QGroupBox(QStringLiteral("Geräte im Netzwerk"), page), "Frame4");
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
    Frame5 = named(new QGroupBox(QStringLiteral("Programm"), page), "Frame5");
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
}
