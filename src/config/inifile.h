#pragma once

#include <QString>

#include "config/settings.h"

namespace INIRW {
class Document;
}

// Moves the settings and the known clients between the settings file and a Settings
// value. Each call reads (and a save writes) the file once.
class IniFile
{
public:
    // Fills out from the file; keys that are missing read as their defaults. False when
    // the file exists but could not be read: what it could not read holds its default.
    bool load(const QString &Dateiname, Settings &out);
    // Writes the settings into the file, leaving its other lines as they are. False when
    // the file could not be written (the old file stays intact) or could not be read
    // (it is then not written over).
    bool Save(const QString &Dateiname, const Settings &settings);
    // Why the last load or Save failed, in German (empty after a successful one).
    QString errorText() const { return m_error; }

    // The two halves without the file: the settings a parsed file holds, and the
    // settings written into a parsed file (its other lines stay as they are).
    static Settings read(const INIRW::Document &doc);
    static void write(INIRW::Document &doc, const Settings &settings);

private:
    QString m_Dateiname;
    QString m_error;
};
