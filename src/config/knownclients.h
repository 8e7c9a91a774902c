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

// The list of known clients, numbered 1..upperBound() as the settings file and the
// record editor count them. Slot 0 holds no record; its fields are empty and its MAC
// (empty) matches an empty station block. A fresh list has an empty record 1, as the
// settings loader leaves it for a file without records.
class KnownClients
{
public:
    KnownClients() : m_slots(2) {}

    int upperBound() const { return int(m_slots.size()) - 1; }
    // Slots 0..upperBound(); slot 0 stays empty.
    const tMAC &at(int n) const { return m_slots.at(n); }
    tMAC &operator[](int n) { return m_slots[n]; }
    // Makes the highest slot n (at least 0): new slots are empty, higher ones dropped.
    void setUpperBound(int n) { m_slots.resize(qMax(n, 0) + 1); }
    // Removes record n (1..upperBound()); the later ones move down by one.
    void remove(int n);

    // The caption a station block with this MAC address gets: the trimmed name of the
    // last slot whose trimmed MAC equals it exactly (slot 0 included). False when none.
    bool findName(const QString &mac, QString *name = nullptr) const;
    // Addresses of the records marked as access points, in record order.
    QStringList accessPointAddresses() const;

    bool operator==(const KnownClients &) const = default;

private:
    QVector<tMAC> m_slots;
};
