// Page "manuell": single commands to the access point and their answers (a test page).

#include "ui/frmMonitor.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "ui/builders.h"

using namespace ui;

void frmMonitor::createManuellPage(QWidget *page)
{
    Label8 = label(page, "Label8", QStringLiteral("Diese Seite ist nur für Testzwecke gedacht."));
    QFont bold = Label8->font();
    bold.setBold(true);
    Label8->setFont(bold);
    Label8->setAlignment(Qt::AlignCenter);
    setForeColor(Label8, bgrColor(0x008080FF));
    Command7 = button(page, "Command7", QStringLiteral("Befehl:      set"));
    Text3 = textBox(page, "Text3", QStringLiteral("antenna 1"));
    Command8 = button(page, "Command8", QStringLiteral("Befehl:     get"));
    Text4 = textBox(page, "Text4", QStringLiteral("antenna"));
    Command9 = button(page, "Command9", QStringLiteral("Befehl:"));
    Text5 = textBox(page, "Text5", QStringLiteral("quit"));
    // The button in front of each box says what the box is for.
    for (auto [b, t] : {std::pair{Command7, Text3}, {Command8, Text4}, {Command9, Text5}}) {
        t->setAccessibleName(b->text().simplified());
    }
    Line1 = named(new QFrame(page), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Label9 = label(page, "Label9", QStringLiteral("Antwort DWL-2100AP:"));
    txtmanAntw = named(new TextBox(page), "txtmanAntw");
    txtmanAntw->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtmanAntw->setTabChangesFocus(true); // Tab moves on, as everywhere in the window
    setBackColor(txtmanAntw, bgrColor(0x80000018));
    Label9->setBuddy(txtmanAntw);
    Command1 = button(page, "Command1", QStringLiteral("Datenrate"));
    command6 = button(page, "command6", QStringLiteral("Sendeleistung"));
    cmd_reboot = button(page, "cmd_reboot", QStringLiteral("reboot"));
    setBackColor(cmd_reboot, bgrColor(0x000000FF));
    QPalette rp = cmd_reboot->palette();
    rp.setColor(QPalette::Button, bgrColor(0x000000FF));
    cmd_reboot->setPalette(rp);
    cmd_reboot->setAutoFillBackground(false);
    Command13 = button(page, "Command13", QStringLiteral("Hardware"));
    Command12 = button(page, "Command12", QStringLiteral("SSID"));
    Command11 = button(page, "Command11", QStringLiteral("Kanal"));
    Command3 = button(page, "Command3", QStringLiteral("externe Antenne"));
    Command3->setToolTip(QStringLiteral("diversity aus"));
    Command5 = button(page, "Command5", QStringLiteral("interne Antenne"));
    Command5->setToolTip(QStringLiteral("diversity aus"));
    Command4 = button(page, "Command4", QStringLiteral("beste Antenne"));
    Command4->setToolTip(QStringLiteral("diversity ein"));
    Command10 = button(page, "Command10", QStringLiteral("löschen"));
    auto *g = pageGrid(page);
    g->addWidget(Label8, 0, 0, 1, 4);
    g->addWidget(Command7, 1, 0);
    g->addWidget(Text3, 1, 1);
    g->addWidget(Command8, 2, 0);
    g->addWidget(Text4, 2, 1);
    g->addWidget(Command9, 3, 0);
    g->addWidget(Text5, 3, 1);
    g->addWidget(Command1, 1, 2);
    g->addWidget(command6, 2, 2);
    g->addWidget(cmd_reboot, 3, 2);
    g->addWidget(Command13, 1, 3);
    g->addWidget(Command12, 2, 3);
    g->addWidget(Command11, 3, 3);
    g->addWidget(Line1, 4, 0, 1, 4);
    g->addWidget(Label9, 5, 0, 1, 2);
    g->addWidget(txtmanAntw, 6, 0, 5, 2);
    g->addWidget(Command3, 6, 2);
    g->addWidget(Command5, 7, 2);
    g->addWidget(Command4, 8, 2);
    g->addWidget(Command10, 10, 2, 1, 2);
    g->setRowStretch(9, 1);
    g->setColumnStretch(1, 1);
}
