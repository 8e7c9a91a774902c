#pragma once

#include <QWidget>

#include "session/apsession.h"

class KnownClients;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QToolButton;
class TextBox;
struct tMAC;

// A known client's line in the list on the page: MAC, TAB, name, TAB, IP, CR LF.
QString knownClientLine(const tMAC &record);

// The page "LOGIN": the access point's address, user name and password, the status
// line, LOGIN and Logout, the firmware version and the list of known MAC addresses.
// The window carries out the login and logout the buttons ask for.
class LoginPage : public QWidget
{
    Q_OBJECT
public:
    explicit LoginPage(QWidget *parent = nullptr);

    void CmdLogin_Click();
    void Cmd_logout_Click();
    void Combo1_Change();
    void Combo1_Click();

    QString address() const;
    void setAddress(const QString &ip); // typed into Combo1, which hands it to txtIP
    QString user() const;
    QString password() const;
    void setCredentials(const QString &ip, const QString &user, const QString &password);
    // Both fields in plain text, or masked with characters of their own.
    void showCredentials(bool shown);

    void setStatus(const QString &text, StatusKind kind);
    void setStatusText(const QString &text);
    void setLoginEnabled(bool enabled);
    bool logoutEnabled() const;
    void showFirmware(const QString &version);

    // The list and the address choices from the known clients, the address kept.
    void refreshKnownClientViews(const KnownClients &clients);
    // The first count records added to what the list and the choices hold (the start).
    void addKnownClients(const KnownClients &clients, int count);
    void clearKnownList();

    // The fields in the window's tab order.
    QList<QWidget *> tabChain() const;

signals:
    void loginRequested();
    void logoutRequested();

private:
    QLabel *Label5;
    QGroupBox *Frame3;
    QLabel *Label2;
    QLineEdit *txtIP;
    QComboBox *Combo1;
    QLabel *lblUsername;
    QLineEdit *txtUser;
    QLabel *lblPassw;
    QLineEdit *txtPassw;
    QLabel *lblStatus;
    QToolButton *CmdLogin;
    QToolButton *Cmd_logout;
    QLabel *Label15;
    QLineEdit *txtSoftVers;
    QGroupBox *Frame2;
    QLabel *Label6;
    QLabel *Label7;
    TextBox *txtMACS;
};
