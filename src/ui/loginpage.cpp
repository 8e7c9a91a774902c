// Page "LOGIN": the connection fields, the status, login and logout, the firmware
// version and the known MAC addresses.

#include "ui/loginpage.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QStyleFactory>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "config/knownclients.h"
#include "ui/builders.h"
#include "ui/controls.h"
#include "ui/statuscolors.h"
#include "ui/widgets.h"

using namespace ui;

namespace {

// A Qt style masks every password field with the same character; the two login fields
// mask with characters of their own, so each gets a style that names its character.
class MaskStyle : public QProxyStyle
{
public:
    // Based on a fresh instance of the application's own style, which it then owns.
    explicit MaskStyle(QChar maskChar)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), m_maskChar(maskChar)
    {
    }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return m_maskChar.unicode();
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0; // never show a typed character, not even briefly
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_maskChar;
};

// One style per mask character, owned by the application: a widget does not own the
// style it is given, and the application outlives every window.
MaskStyle *maskStyle(QChar maskChar)
{
    static std::map<char16_t, QPointer<MaskStyle>> styles;
    QPointer<MaskStyle> &style = styles[maskChar.unicode()];
    if (!style) {
        style = new MaskStyle(maskChar);
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

void maskWith(QLineEdit *field, QChar maskChar)
{
    MaskStyle *style = maskStyle(maskChar);
    if (field->style() != style)
        field->setStyle(style);
    field->setEchoMode(QLineEdit::Password);
}

} // namespace

QString knownClientLine(const tMAC &record)
{
    return record.MAC + QChar('\t') + record.Name + QChar('\t') + record.IP + QStringLiteral("\r\n");
}

LoginPage::LoginPage(QWidget *parent) : QWidget(parent)
{
    QWidget *page = this;
    setObjectName(QStringLiteral("LoginPage"));
    Label5 = label(page, "Label5", QStringLiteral("Senvaro für den Access Point \"DWL 2100AP\". "));
    setForeColor(Label5, bgrColor(0x00C00000));
    Frame3 = groupBox(page, "Frame3", QStringLiteral("Access Point"));
    Label2 = label(Frame3, "Label2", QStringLiteral("IP-Adresse:"));
    txtIP = textBox(Frame3, "txtIP", QStringLiteral("192.168.0.50"));
    txtIP->setAlignment(Qt::AlignRight);
    txtIP->hide();
    Combo1 = editableComboBox(Frame3, "Combo1");
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
    Frame2 = groupBox(page, "Frame2", QStringLiteral("bekannte MAC-Adressen"));
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

    connect(CmdLogin, &QToolButton::clicked, this, &LoginPage::CmdLogin_Click);
    connect(Cmd_logout, &QToolButton::clicked, this, &LoginPage::Cmd_logout_Click);
    // Changes made from code run the handler too, as the program relies on.
    connect(Combo1, &QComboBox::editTextChanged, this, &LoginPage::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &LoginPage::Combo1_Click);
}

void LoginPage::CmdLogin_Click()
{
    CmdLogin->setEnabled(false);
    Cmd_logout->setEnabled(true);
    emit loginRequested();
}

void LoginPage::Cmd_logout_Click()
{
    Cmd_logout->setEnabled(false);
    emit logoutRequested();
}

void LoginPage::Combo1_Change()
{
    txtIP->setText(Combo1->currentText());
}

// Picking an entry copies the address just as editing does.
void LoginPage::Combo1_Click()
{
    Combo1_Change();
}

QString LoginPage::address() const
{
    return txtIP->text();
}

void LoginPage::setAddress(const QString &ip)
{
    Combo1->setEditText(ip);
}

QString LoginPage::user() const
{
    return txtUser->text();
}

QString LoginPage::password() const
{
    return txtPassw->text();
}

void LoginPage::setCredentials(const QString &ip, const QString &user, const QString &password)
{
    txtIP->setText(ip);
    txtUser->setText(user);
    txtPassw->setText(password);
}

void LoginPage::showCredentials(bool shown)
{
    if (shown) {
        txtPassw->setEchoMode(QLineEdit::Normal);
        txtUser->setEchoMode(QLineEdit::Normal);
    } else {
        maskWith(txtPassw, QChar('*'));
        maskWith(txtUser, QChar('#'));
    }
}

void LoginPage::setStatus(const QString &text, StatusKind kind)
{
    lblStatus->setText(text);
    switch (kind) {
    case StatusKind::Connected:
        setBackColor(lblStatus, StatusColor::Connected);
        break;
    case StatusKind::NoConnection:
        setBackColor(lblStatus, StatusColor::NoConnection);
        break;
    case StatusKind::Refused:
        setBackColor(lblStatus, StatusColor::Refused);
        break;
    case StatusKind::Unchanged:
        break;
    }
}

void LoginPage::setStatusText(const QString &text)
{
    lblStatus->setText(text);
}

void LoginPage::setLoginEnabled(bool enabled)
{
    CmdLogin->setEnabled(enabled);
}

bool LoginPage::logoutEnabled() const
{
    return Cmd_logout->isEnabled();
}

void LoginPage::showFirmware(const QString &version)
{
    // A box that already shows the text is left alone: setting it again would lay it
    // out and repaint it on every poll.
    if (txtSoftVers->text() != version)
        txtSoftVers->setText(version);
}

void LoginPage::refreshKnownClientViews(const KnownClients &clients)
{
    const QString address = Combo1->currentText();
    QString lines;
    {
        // Emptying and filling the list would change the text on the way.
        const QSignalBlocker blocker(Combo1);
        Combo1->clear();
        for (const tMAC &record : clients) {
            lines += knownClientLine(record);
            if (record.isAccessPoint())
                Combo1->addItem(record.IP);
        }
    }
    txtMACS->setText(lines);
    Combo1->setEditText(address);
}

void LoginPage::addKnownClients(const KnownClients &clients, int count)
{
    QString lines;
    {
        // Adding the first item would put it into the box's text on the way.
        const QSignalBlocker blocker(Combo1);
        for (int i = 0; i < count; ++i) {
            const tMAC &r = clients.at(i);
            if (r.isAccessPoint())
                Combo1->addItem(r.IP);
            lines += knownClientLine(r);
        }
    }
    if (!lines.isEmpty())
        txtMACS->appendText(lines);
    // The address shown is the address used: through the change handler txtIP keeps it.
    Combo1->setEditText(txtIP->text());
}

void LoginPage::clearKnownList()
{
    txtMACS->setText(QString());
}

QList<QWidget *> LoginPage::tabChain() const
{
    return {Combo1, txtUser, txtPassw, CmdLogin, Cmd_logout, txtSoftVers, txtMACS};
}
