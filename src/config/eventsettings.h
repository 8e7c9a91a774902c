#pragma once

#include <QString>

namespace INIRW {
class Document;
}

// Section [Ereignisse]: the program run on presence events. A file without the section
// reads as off.
struct EventSettings
{
    QString program; // full path of the program; empty: off

    bool operator==(const EventSettings &) const = default;

    static EventSettings read(const INIRW::Document &doc);
    // Writes the key only when the document has it already or a program is set: a file
    // from before the section is left byte for byte.
    void write(INIRW::Document &doc) const;

    // Load and save the section in the settings file at path. False on failure, error
    // then says why in German; a failed load leaves the defaults in out. A path the file
    // cannot hold as it is (beyond Latin-1, longer than a value may be, blanks at its
    // ends, a line break) is not saved.
    static bool load(const QString &path, EventSettings *out, QString *error);
    bool save(const QString &path, QString *error) const;
};
