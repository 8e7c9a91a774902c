#pragma once

#include <QString>
#include <optional>

#include "config/knownclients.h"

// The editing of the known-client records on the page "Setup", without its widgets.
//
// The user sees records numbered from 1; number 0 is the editor's own record, which
// stands where there is none and is never a known client. Inside, the list counts from 0.
// The navigator (the record bar) offers the numbers 1 to last, which can differ from the
// list's size: the list always keeps one record for the editor to work on, and the
// navigator's range follows only loading, "Neu" and "löschen".
class RecordEditor
{
public:
    // Record numbers are 16-bit.
    static constexpr int maxRecords = 32767;

    const KnownClients &clients() const { return m_clients; }
    void setClients(const KnownClients &clients) { m_clients = clients; }
    // The editor always has a record 1 to work on.
    void ensureRecord();

    // The number typed: its leading number rounded half to even, if that record exists
    // (0 is the editor's own); nothing otherwise.
    std::optional<int> find(const QString &typed) const;
    // Record number (0 to size): what the fields show.
    tMAC record(int number) const;
    // Record number (0 to size): stores what the fields hold.
    void store(int number, const tMAC &record);

    // Appends a record after the navigator's last one, marked as no access point, and
    // returns its number, the navigator's new last; nothing when the numbers are used up.
    std::optional<int> append(int last);
    // Whether the record the navigator stands on can be deleted, and deleting it: the
    // records after it move down by one and the navigator offers one record less.
    bool canRemove(int number, int last) const;
    void remove(int number, int last);

private:
    KnownClients m_clients;
    tMAC m_own; // record 0
};
