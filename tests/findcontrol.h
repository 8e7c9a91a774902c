#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// A control of the window by its object name. A missing or differently typed control
// stops the run at once with its name, rather than crashing on a null pointer later.
template <class T> T *ctl(const QObject &w, const QString &name)
{
    T *c = w.findChild<T *>(name);
    if (!c)
        qFatal("control %s (%s) not found", qPrintable(name), T::staticMetaObject.className());
    return c;
}

// The station option button with the given index ("OptClients_0".."OptClients_11").
template <class T> T *optClient(const QObject &w, int index)
{
    return ctl<T>(w, QStringLiteral("OptClients_") + QString::number(index));
}

// A page of the window by its class: each page's objectName is its class name.
template <class T> T *page(const QObject &w)
{
    return ctl<T>(w, QString::fromLatin1(T::staticMetaObject.className()));
}
