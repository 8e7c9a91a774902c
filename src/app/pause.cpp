#include "app/pause.h"

#include <QCoreApplication>
#include <QThread>

void Pause(int ms)
{
    QCoreApplication::processEvents();
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}
