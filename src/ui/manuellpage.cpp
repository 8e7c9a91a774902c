// Page "manuell": single commands to the access point and their answers (a test page).

#include "ui/manuellpage.h"

#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "ui/builders.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

using namespace ui;

ManuellPage::ManuellPage(QWidget *parent) : QWidget(parent)
{
    QWidget *page = this;
    setObjectName(QStringLiteral("ManuellPage"));
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

    auto click = [this](QPushButton *b, void (ManuellPage::*handler)()) {
        connect(b, &QPushButton::clicked, this, handler);
    };
    click(Command1, &ManuellPage::Command1_Click);
    click(Command11, &ManuellPage::Command11_Click);
    click(Command12, &ManuellPage::Command12_Click);
    click(Command13, &ManuellPage::Command13_Click);
    click(command6, &ManuellPage::command6_Click);
    click(Command3, &ManuellPage::Command3_Click);
    click(Command4, &ManuellPage::Command4_Click);
    click(Command5, &ManuellPage::Command5_Click);
    click(Command7, &ManuellPage::Command7_Click);
    click(Command8, &ManuellPage::Command8_Click);
    click(Command9, &ManuellPage::Command9_Click);
    click(cmd_reboot, &ManuellPage::cmd_reboot_Click);
    click(Command10, &ManuellPage::Command10_Click);
    connect(txtmanAntw, &TextBox::userEdited, this, [this] { emit answersEdited(txtmanAntw->text()); });
}

void ManuellPage::Command1_Click()
{
    emit commandRequested(QStringLiteral("get rate"));
}

void ManuellPage::Command11_Click()
{
    emit commandRequested(QStringLiteral("get channel"));
}

void ManuellPage::Command12_Click()
{
    emit commandRequested(QStringLiteral("get ssid"));
}

void ManuellPage::Command13_Click()
{
    emit commandRequested(QStringLiteral("get hardware"));
}

void ManuellPage::command6_Click()
{
    emit commandRequested(QStringLiteral("get power"));
}

void ManuellPage::Command3_Click()
{
    emit commandRequested(QStringLiteral("set antenna 1"));
}

void ManuellPage::Command4_Click()
{
    emit commandRequested(QStringLiteral("set antenna best"));
}

void ManuellPage::Command5_Click()
{
    // The internal antenna only makes sense next to the access point; a remote one
    // could become unreachable, so ask first and do nothing at all on No.
    const auto answer = Dialogs::askYesNo(
        QStringLiteral("interne Antenne wählen?"),
        QStringLiteral("Nur sinnvoll, wenn AP lokal betrieben wird. (nicht bei entferntem AP "
                       "verwenden).        Trotzdem Antenne 2 wählen ?"));
    if (answer != Dialogs::Answer::Yes)
        return;
    emit commandRequested(QStringLiteral("set antenna 2"));
}

void ManuellPage::Command7_Click()
{
    emit commandRequested(QStringLiteral("set ") + Text3->text());
}

void ManuellPage::Command8_Click()
{
    emit commandRequested(QStringLiteral("get ") + Text4->text());
}

void ManuellPage::Command9_Click()
{
    emit commandRequested(Text5->text());
}

void ManuellPage::cmd_reboot_Click()
{
    const auto answer =
        Dialogs::askOkCancel(QStringLiteral("DWL-2100AP rebooting"),
                             QStringLiteral("AP wird zurückgesetzt! Bitte Senvaro neu starten."));
    if (answer != Dialogs::Answer::Ok)
        return;
    emit commandRequested(QStringLiteral("reboot"));
}

void ManuellPage::Command10_Click()
{
    emit clearRequested();
}

void ManuellPage::setAnswers(const QString &text)
{
    txtmanAntw->setText(text);
}

void ManuellPage::appendAnswers(const QString &piece)
{
    txtmanAntw->appendText(piece);
}

QList<QWidget *> ManuellPage::tabChain() const
{
    return {Command7,  Text3,     Command8,  Text4,      Command9, Text5,    Command1, command6, cmd_reboot,
            Command13, Command12, Command11, txtmanAntw, Command3, Command5, Command4, Command10};
}
