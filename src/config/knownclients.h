#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <mutex>

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
    KnownClients() : m_records(1), m_index(std::make_shared<Index>()) {}

    int size() const { return int(m_records.size()); }
    const tMAC &at(int i) const { return m_records.at(i); }
    // A record to change. Keep the reference only until the next lookup: the lookups read
    // an index that is built again after the last call of this (or of resize).
    tMAC &operator[](int i)
    {
        m_index = std::make_shared<Index>();
        return m_records[i];
    }
    // Keeps n records (at least none): new ones are empty, later ones dropped.
    void resize(int n)
    {
        m_index = std::make_shared<Index>();
        m_records.resize(qMax(n, 0));
    }
    QVector<tMAC>::const_iterator begin() const { return m_records.cbegin(); }
    QVector<tMAC>::const_iterator end() const { return m_records.cend(); }

    // The caption a station block with this MAC address gets: the trimmed name of the
    // last record whose trimmed MAC equals it exactly. A block without any address (the
    // reply ends right after a separator) counts as known, with an empty name. False when
    // neither.
    bool findName(const QString &mac, QString *name = nullptr) const;
    // Addresses of the records marked as access points, in record order.
    QStringList accessPointAddresses() const;

    bool operator==(const KnownClients &other) const { return m_records == other.m_records; }

private:
    // The trimmed name of the last record per trimmed MAC address, built on the first
    // lookup. Copies share it until one of them changes a record, so the many sessions of
    // an exporter that each hold the list build it once, and a station costs one hash
    // lookup instead of a pass over every record.
    struct Index
    {
        std::once_flag built;
        QHash<QString, QString> nameOf;
    };
    const Index &index() const;

    QVector<tMAC> m_records;
    std::shared_ptr<Index> m_index;
};
