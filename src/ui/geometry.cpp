#include <QEvent>
#include <QTimer>

#include "ui/frmMonitor.h"

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

void applyPendingOuterSize(frmMonitor *w)
{
    if (!frameKnown(w) || w->windowStateValue() != 0)
        return;
    const QVariant pw = w->property(kOuterWidth);
    const QVariant ph = w->property(kOuterHeight);
    if (!pw.isValid() && !ph.isValid())
        return;
    w->setProperty(kOuterWidth, QVariant());
    w->setProperty(kOuterHeight, QVariant());
    if (pw.isValid())
        w->setTwWidth(pw.toInt());
    if (ph.isValid())
        w->setTwHeight(ph.toInt());
}

// Watches the window for the moment its frame becomes known.
class FrameWatcher : public QObject
{
public:
    explicit FrameWatcher(frmMonitor *w) : QObject(w), m_window(w)
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
    frmMonitor *m_window;
};

void rememberOuter(frmMonitor *w, const char *name, int twips)
{
    if (frameKnown(w)) {
        w->setProperty(name, QVariant());
        return;
    }
    w->setProperty(name, twips);
    if (!w->findChild<QObject *>(QLatin1String(kWatcherName), Qt::FindDirectChildrenOnly))
        new FrameWatcher(w);
}

} // namespace

int frmMonitor::twLeft() const
{
    return frameGeometry().x() * twipsPerPixel;
}

int frmMonitor::twTop() const
{
    return frameGeometry().y() * twipsPerPixel;
}

int frmMonitor::twWidth() const
{
    return frameGeometry().width() * twipsPerPixel;
}

int frmMonitor::twHeight() const
{
    return frameGeometry().height() * twipsPerPixel;
}

void frmMonitor::setTwLeft(int twips)
{
    move(tw(twips), frameGeometry().y());
}

void frmMonitor::setTwTop(int twips)
{
    move(frameGeometry().x(), tw(twips));
}

void frmMonitor::setTwWidth(int twips)
{
    rememberOuter(this, kOuterWidth, twips);
    const int client = tw(twips) - frameExtra(this).width();
    resize(client, height()); // resize keeps to the minimum size
}

void frmMonitor::setTwHeight(int twips)
{
    rememberOuter(this, kOuterHeight, twips);
    const int client = tw(twips) - frameExtra(this).height();
    resize(width(), client);
}

int frmMonitor::windowStateValue() const
{
    if (windowState() & Qt::WindowMinimized)
        return 1;
    if (windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void frmMonitor::setWindowStateValue(int state)
{
    Qt::WindowStates s = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (state == 1)
        s |= Qt::WindowMinimized;
    else if (state == 2)
        s |= Qt::WindowMaximized;
    setWindowState(s);
}
