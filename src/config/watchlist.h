#pragma once

#include <QString>
#include <QStringList>

namespace INIRW {
class Document;
}

namespace SettingKeys {
// The known clients whose comings and goings are reported: one key per MAC address,
// "1" when checked. A section of its own, added after the designed ones.
inline constexpr const char *kWatched = "Beobachtet";
} // namespace SettingKeys

// Which known clients have "Kommen und Gehen melden" checked.
//
// The section has no key of its own to list its keys by, so it is read for the MAC
// addresses asked about (the known clients'): a key whose value is 1 is checked, any
// other value or none is not. Letter case of the addresses does not matter.
struct WatchListSettings
{
    QStringList macs; // checked, in the order they were checked or read

    bool operator==(const WatchListSettings &) const = default;

    bool isWatched(const QString &mac) const;
    void setWatched(const QString &mac, bool on);

    static WatchListSettings read(const INIRW::Document &doc, const QStringList &candidates);
    // Writes 1 for every checked address; an address of candidates that is not checked
    // is written 0 only where the file has its key already, so the section appears once
    // something is checked and a file from before stays byte for byte.
    void write(INIRW::Document &doc, const QStringList &candidates) const;

    // Load and save the section in the settings file at path. False on failure, error
    // then says why in German; a failed load leaves nothing checked.
    static bool load(const QString &path, const QStringList &candidates, WatchListSettings *out,
                     QString *error);
    bool save(const QString &path, const QStringList &candidates, QString *error) const;
};
