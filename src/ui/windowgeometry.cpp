#include <QEvent>
#include <QTimer>

#include "ui/windowgeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/controls.h"

// The window's outer position and size in twips, as the settings file stores them.
// A size below what shows every control is raised to that size.
//
// Before the window is first shown Qt does not know its frame (the window manager adds
// it when the window is mapped), so a size given then can only be applied to the client
// area. The outer size asked for is kept, and once the frame is known the client area
// is corrected to match it; without this the stored size would grow by the frame at
// every start.

namespace {

const char *const kOuterWidth = "senvaroOuterWidth";
const char *const kOuterHeight = "senvaroOuterHeight";
const char *const kWatcherName = "senvaroFrameWatcher";

QSize frameExtra(const QWidget *w)
{
    return w->frameGeometry().size() - w->size();
}

bool frameKnown(const QWidget *w)
{
    return w->isVisible() && !frameExtra(w).isEmpty();
}

void applyPendingOuterSize(QWidget *w)
{
    if (!frameKnown(w) || windowStateValue(w) != 0)
        return;
    const QVariant pw = w->property(kOuterWidth);
    const QVariant ph = w->property(kOuterHeight);
    if (!pw.isValid() && !ph.isValid())
        return;
    w->setProperty(kOuterWidth, QVariant());
    w->setProperty(kOuterHeight, QVariant());
    if (pw.isValid())
        setTwWidth(w, pw.toInt());
    if (ph.isValid())
        setTwHeight(w, ph.toInt());
}

// Watches the window for the moment its frame becomes known.
class FrameWatcher : public QObject
{
public:
    explicit FrameWatcher(QWidget *w) : QObject(w), m_window(w)
    {
        setObjectName(QLatin1String(kWatcherName));
        w->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            QTimer::singleShot(0, m_window, [w = m_window] { applyPendingOuterSize(w); });
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget *m_window;
};

void rememberOuter(QWidget *w, const char *name, int twips)
{
    if (frameKnown(w)) {
        w->setProperty(name, QVariant());
        return;
    }
    w->setProperty(name, twips);
    if (!w->findChild<QObject *>(QLatin1String(kWatcherName), Qt::FindDirectChildrenOnly))
        new FrameWatcher(w);
}

// True when the window's title strip would lie on some screen, so the user can reach it.
bool reachable(const QRect &frame)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    const QRect strip(frame.topLeft(), QSize(frame.width(), 24));
    for (const QScreen *screen : screens) {
        const QRect seen = strip.intersected(screen->availableGeometry());
        if (seen.width() >= 48 && seen.height() >= 8)
            return true;
    }
    return false;
}

} // namespace

int twLeft(const QWidget *w)
{
    return w->frameGeometry().x() * twipsPerPixel;
}

int twTop(const QWidget *w)
{
    return w->frameGeometry().y() * twipsPerPixel;
}

int twWidth(const QWidget *w)
{
    return w->frameGeometry().width() * twipsPerPixel;
}

int twHeight(const QWidget *w)
{
    return w->frameGeometry().height() * twipsPerPixel;
}

void setTwLeft(QWidget *w, int twips)
{
    w->move(tw(twips), w->frameGeometry().y());
}

void setTwTop(QWidget *w, int twips)
{
    w->move(w->frameGeometry().x(), tw(twips));
}

void setTwWidth(QWidget *w, int twips)
{
    rememberOuter(w, kOuterWidth, twips);
    const int client = tw(twips) - frameExtra(w).width();
    w->resize(client, w->height()); // resize keeps to the minimum size
}

void setTwHeight(QWidget *w, int twips)
{
    rememberOuter(w, kOuterHeight, twips);
    const int client = tw(twips) - frameExtra(w).height();
    w->resize(w->width(), client);
}

int windowStateValue(const QWidget *w)
{
    if (w->windowState() & Qt::WindowMinimized)
        return 1;
    if (w->windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void setWindowStateValue(QWidget *w, int state)
{
    Qt::WindowStates s = w->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1)
        s |= Qt::WindowMinimized;
    else if (state == 2)
        s |= Qt::WindowMaximized;
    w->setWindowState(s);
}

void applyStoredBounds(QWidget *w, int left, int top, int width, int height, int state)
{
    // The geometry is the window's normal-state bounds; a minimized or maximized state
    // is applied over it, so un-maximizing returns to the stored place.
    setWindowStateValue(w, 0);
    setTwHeight(w, height);
    setTwWidth(w, width);
    if (!reachable(QRect(tw(left), tw(top), tw(twWidth(w)), tw(twHeight(w))))) {
        left = 0;
        top = 0;
    }
    setTwTop(w, top);
    setTwLeft(w, left);
    setWindowStateValue(w, state);
}
