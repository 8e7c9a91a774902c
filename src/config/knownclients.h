#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Known-client record. ist_AP holds "Wahr" for an access point, "Falsch" otherwise
// (or whatever a hand-edited settings file put there).
struct tMAC
{
    QString MAC;
    QString Name;
    QString IP;
    QString ist_AP;

    // Only the exact word "Wahr" marks an access point.
    bool isAccessPoint() const { return ist_AP == QStringLiteral("Wahr"); }
    bool operator==(const tMAC &) const = default;
};

// The list of known clients in record order. Index i holds record i + 1: the settings
// file and the record editor count from 1, the list from 0. A fresh list holds one
// empty record, as the settings loader leaves it for a file without records.
class KnownClients
{
public:
    KnownClients() : m_records(1) {}

    int size() const { return int(m_records.size()); }
    const tMAC &at(int i) const { return m_records.at(i); }
    tMAC &operator[](int i) { return m_records[i]; }
    // Keeps n records (at least none): new ones are empty, later ones dropped.
    void resize(int n) { m_records.resize(qMax(n, 0)); }
    QVector<tMAC>::const_iterator begin() const { return m_records.cbegin(); }
    QVector<tMAC>::const_iterator end() const { return m_records.cend(); }

    // The caption a station block with this MAC address gets: the trimmed name of the
    // last record whose trimmed MAC equals it exactly. A block without any address (the
    // reply ends right after a separator) counts as known, with an empty name. False when
    // neither.
    bool findName(const QString &mac, QString *name = nullptr) const;
    // Addresses of the records marked as access points, in record order.
    QStringList accessPointAddresses() const;

    bool operator==(const KnownClients &) const = default;

private:
    QVector<tMAC> m_records;
};
