#include "config/knownclients.h"

#include "base/allgemein.h"

void KnownClients::remove(int n)
{
    if (n < 1 || n > upperBound())
        return;
    m_slots.remove(n);
}

bool KnownClients::findName(const QString &mac, QString *name) const
{
    bool found = false;
    for (const tMAC &r : m_slots) {
        if (fTrimView(r.MAC) == mac) {
            if (name)
                *name = fTrim(r.Name);
            found = true;
        }
    }
    return found;
}

QStringList KnownClients::accessPointAddresses() const
{
    QStringList out;
    for (int i = 1; i <= upperBound(); ++i) {
        if (m_slots.at(i).isAccessPoint())
            out << m_slots.at(i).IP;
    }
    return out;
}
