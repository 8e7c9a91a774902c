#include "config/knownclients.h"

#include "base/allgemein.h"

bool KnownClients::findName(const QString &mac, QString *name) const
{
    for (auto r = m_records.crbegin(); r != m_records.crend(); ++r) {
        if (fTrimView(r->MAC) == mac) {
            if (name)
                *name = fTrim(r->Name);
            return true;
        }
    }
    if (!mac.isEmpty())
        return false;
    if (name)
        name->clear();
    return true;
}

QStringList KnownClients::accessPointAddresses() const
{
    QStringList out;
    for (const tMAC &r : m_records) {
        if (r.isAccessPoint())
            out << r.IP;
    }
    return out;
}
