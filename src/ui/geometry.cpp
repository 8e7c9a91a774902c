#include "ui/frmMonitor.h"

// The window's outer position and size in twips, as the settings file stores them.
// A size below what shows every control is raised to that size.

namespace {
QSize frameExtra(const QWidget *w)
{
    return w->frameGeometry().size() - w->size();
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
    const int client = tw(twips) - frameExtra(this).width();
    resize(std::max(client, minimumWidth()), height());
}

void frmMonitor::setTwHeight(int twips)
{
    const int client = tw(twips) - frameExtra(this).height();
    resize(width(), std::max(client, minimumHeight()));
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
