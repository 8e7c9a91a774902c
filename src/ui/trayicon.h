#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

// What the tray icon shows. Kept apart from the icon, so it is known (and checked)
// where the desktop has no tray.
struct TrayState
{
    enum class Picture { Connected, NoAnswer, NoConnection };
    Picture picture = Picture::NoConnection;
    QString toolTip;

    bool operator==(const TrayState &) const = default;

    // connected: the telnet connection is up; silent: the access point stopped answering;
    // stations: how many the last evaluation listed.
    static TrayState of(bool connected, bool silent, const QString &address, int stations);
};

// The icon in the desktop's tray (notification area) with the menu "Fenster zeigen",
// "Logout" and "ENDE". Only made where the desktop has a tray.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(QObject *parent = nullptr);
    ~TrayIcon() override;

    // Sets picture and tooltip, touching only what changed.
    void show(const TrayState &state);
    const TrayState &state() const { return m_state; }

    // The application's picture with a lamp in the state's colour.
    static QIcon picture(TrayState::Picture picture);

signals:
    void showWindow();
    void logout();
    void end();

private:
    QMenu *m_menu;
    QSystemTrayIcon *m_icon;
    TrayState m_state;
    bool m_shown = false;
};
