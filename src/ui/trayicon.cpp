#include "ui/trayicon.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "ui/builders.h"

TrayState TrayState::of(bool connected, bool silent, const QString &address, int stations)
{
    TrayState s;
    if (!connected) {
        s.picture = Picture::NoConnection;
        s.toolTip = QStringLiteral("Senvaro: keine Verbindung zum AP");
    } else if (silent) {
        s.picture = Picture::NoAnswer;
        s.toolTip = QStringLiteral("Senvaro: %1 antwortet nicht").arg(address);
    } else {
        s.picture = Picture::Connected;
        s.toolTip = QStringLiteral("Senvaro: %1: %2")
                        .arg(address, stations == 1 ? QStringLiteral("1 Station")
                                                    : QStringLiteral("%1 Stationen").arg(stations));
    }
    return s;
}

QIcon TrayIcon::picture(TrayState::Picture picture)
{
    // The status line's colours: green connected, yellow silent, red no connection.
    QColor lamp(0, 192, 0);
    if (picture == TrayState::Picture::NoAnswer)
        lamp = QColor(255, 200, 0);
    else if (picture == TrayState::Picture::NoConnection)
        lamp = QColor(220, 0, 0);
    QIcon icon;
    for (int side : {16, 22, 32, 64}) {
        QPixmap pm = ui::svgPixmap(QStringLiteral(":/pictures/senvaro.svg"), QSize(side, side));
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal r = side * 0.22;
        p.setPen(QPen(Qt::black, std::max(1.0, side / 16.0)));
        p.setBrush(lamp);
        p.drawEllipse(QPointF(side - r - 1, side - r - 1), r, r);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

TrayIcon::TrayIcon(QObject *parent) : QObject(parent), m_menu(new QMenu), m_icon(new QSystemTrayIcon(this))
{
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    connect(m_menu->addAction(QStringLiteral("Fenster zeigen")), &QAction::triggered, this,
            &TrayIcon::showWindow);
    connect(m_menu->addAction(QStringLiteral("Logout")), &QAction::triggered, this, &TrayIcon::logout);
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("ENDE")), &QAction::triggered, this, &TrayIcon::end);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            emit showWindow();
    });
}

TrayIcon::~TrayIcon()
{
    delete m_menu; // a menu has no parent object that would delete it
}

void TrayIcon::show(const TrayState &state)
{
    if (m_shown && state == m_state)
        return;
    if (!m_shown || state.picture != m_state.picture)
        m_icon->setIcon(picture(state.picture));
    if (!m_shown || state.toolTip != m_state.toolTip)
        m_icon->setToolTip(state.toolTip);
    m_state = state;
    if (!m_shown)
        m_icon->show();
    m_shown = true;
}
