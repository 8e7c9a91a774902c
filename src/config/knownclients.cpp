#include "config/knownclients.h"

#include "base/allgemein.h"

const KnownClients::Index &KnownClients::index() const
{
    std::call_once(m_index->built, [this] {
        m_index->nameOf.reserve(m_records.size());
        // Later records overwrite earlier ones with the same address: the last one wins.
        for (const tMAC &r : m_records)
            m_index->nameOf.insert(fTrim(r.MAC), fTrim(r.Name));
    });
    return *m_index;
}

bool KnownClients::findName(const QString &mac, QString *name) const
{
    const Index &index = this->index();
    if (const auto it = index.nameOf.constFind(mac); it != index.nameOf.cend()) {
        if (name)
            *name = *it;
        return true;
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
