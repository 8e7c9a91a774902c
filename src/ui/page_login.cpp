// Page "LOGIN": the connection fields, the status, login and logout, the firmware
// version and the known MAC addresses.

#include "ui/frmMonitor.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/builders.h"
#include "ui/widgets.h"

using namespace ui;

void frmMonitor::createLoginPage(QWidget *page)
{
    Label5 = label(page, "Label5", QStringLiteral("Senvaro für den Access Point \"DWL 2100AP\". "));
    setForeColor(Label5, bgrColor(0x00C00000));
    Frame3 = named(new QGroupBox(QStringLiteral("Access Point"), page), "Frame3");
    Label2 = label(Frame3, "Label2", QStringLiteral("IP-Adresse:"));
    txtIP = textBox(Frame3, "txtIP", QStringLiteral("192.168.0.50"));
    txtIP->setAlignment(Qt::AlignRight);
    txtIP->hide();
    Combo1 = named(new QComboBox(Frame3), "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("192.168.0.50"));
    Label2->setBuddy(Combo1);
    Combo1->setAccessibleName(Label2->text());
    new CoverFollower(Combo1, txtIP);
    lblUsername = label(Frame3, "lblUsername", QStringLiteral("Username:"));
    txtUser = textBox(Frame3, "txtUser", {}, lblUsername);
    txtUser->setEchoMode(QLineEdit::Password);
    setBackColor(txtUser, bgrColor(0x80000004));
    lblPassw = label(Frame3, "lblPassw", QStringLiteral("Passwort:"));
    txtPassw = textBox(Frame3, "txtPassw", {}, lblPassw);
    txtPassw->setEchoMode(QLineEdit::Password);
    setBackColor(txtPassw, bgrColor(0x80000004));
    lblStatus = label(page, "lblStatus", QStringLiteral("keine Verbindung zum AP"));
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setWordWrap(true);
    lblStatus->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblStatus->setLineWidth(1);
    lblStatus->setFixedHeight(2 * lblStatus->fontMetrics().lineSpacing() + 2 * lblStatus->frameWidth() + 6);
    setBackColor(lblStatus, bgrColor(0x00C0FFFF));
    CmdLogin = pictureButton(page, "CmdLogin", QStringLiteral("LOGIN"), "login", 24);
    Cmd_logout = pictureButton(page, "Cmd_logout", QStringLiteral("Logout"), "logout", 24);
    Cmd_logout->setEnabled(false);
    for (QToolButton *b : {CmdLogin, Cmd_logout})
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label15 = label(page, "Label15", QStringLiteral("FW Version:"));
    txtSoftVers = textBox(page, "txtSoftVers", {}, Label15);
    setBackColor(txtSoftVers, bgrColor(0x80000004));
    Frame2 = named(new QGroupBox(QStringLiteral("bekannte MAC-Adressen"), page), "Frame2");
    Label6 = label(Frame2, "Label6", QStringLiteral("MAC-Adresse"));
    Label7 =
        label(Frame2, "Label7", QStringLiteral(" Name") + QString(23, QChar(' ')) + QStringLiteral("IP"));
    txtMACS = named(new TextBox(Frame2), "txtMACS");
    txtMACS->setReadOnly(true);
    txtMACS->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtMACS->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMACS->setTabChangesFocus(true);
    txtMACS->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtMACS->setText(QStringLiteral("txtMACS"));
    txtMACS->setAccessibleName(Frame2->title());
    setBackColor(txtMACS, bgrColor(0x80000018));
    auto *access = new QGridLayout(Frame3);
    tighten(access);
    access->addWidget(Label2, 0, 0);
    access->addWidget(Combo1, 0, 1);
    access->addWidget(lblUsername, 1, 0);
    access->addWidget(txtUser, 1, 1);
    access->addWidget(lblPassw, 2, 0);
    access->addWidget(txtPassw, 2, 1);
    access->setRowStretch(3, 1);

    auto *status = new QVBoxLayout;
    status->setSpacing(spacing);
    status->addWidget(lblStatus);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(spacing);
    buttons->addWidget(CmdLogin);
    buttons->addWidget(Cmd_logout);
    status->addLayout(buttons);
    auto *firmware = new QHBoxLayout;
    firmware->setSpacing(spacing);
    firmware->addWidget(Label15);
    firmware->addWidget(txtSoftVers, 1);
    status->addLayout(firmware);

    // The column headings stand over the list's tab columns: " Name" over the
    // second column and "IP" over the third.
    const QFontMetrics fm(txtMACS->font());
    const QString heading = Label7->text();
    const int blank = fm.horizontalAdvance(QChar(' '));
    const int nameToIp = fm.horizontalAdvance(heading.left(heading.size() - 2)) - blank;
    const int column =
        std::max(nameToIp, fm.horizontalAdvance(QStringLiteral("00:00:00:00:00:00")) + 2 * blank);
    txtMACS->setTabStopDistance(column);
    const int textLeft = txtMACS->frameWidth() + int(txtMACS->document()->documentMargin());
    auto *headings = new QHBoxLayout;
    headings->setSpacing(0);
    headings->addSpacing(textLeft);
    Label6->setFixedWidth(column - blank);
    headings->addWidget(Label6);
    headings->addWidget(Label7, 1);
    Label6->setBuddy(txtMACS);

    auto *known = new QVBoxLayout(Frame2);
    tighten(known);
    known->setSpacing(1);
    known->addLayout(headings);
    known->addWidget(txtMACS, 1);

    auto *g = pageGrid(page);
    g->addWidget(Label5, 0, 0, 1, 2);
    g->addWidget(Frame3, 1, 0);
    g->addLayout(status, 1, 1);
    g->addWidget(Frame2, 2, 0, 1, 2);
    g->setColumnStretch(1, 1);
    g->setRowStretch(2, 1);
}
