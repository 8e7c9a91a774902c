#pragma once

#include <QString>

namespace INIRW {
class Document;
}

// What the desktop alerts watch for. The defaults are what a file without the section
// reads as.
struct AlertSettings
{
    static constexpr int kMaxGraceSeconds = 86400;
    static constexpr int kMaxWeakCount = 1000;

    bool stationLeft = true;     // a known station gone for longer than the grace period
    bool stranger = true;        // a station that is not among the known clients associates
    bool weakSignal = true;      // receive level below the threshold N evaluations in a row
    bool accessPoint = true;     // no answer / connection lost, and answering again
    int graceSeconds = 60;       // 0 .. kMaxGraceSeconds
    int thresholdPercent = 20;   // 0 .. 100
    int weakCount = 3;           // 1 .. kMaxWeakCount
    bool trayOnMinimize = false; // minimizing hides the window to the tray

    bool operator==(const AlertSettings &) const = default;

    // A missing key, or a value that is no number in its range, reads as the default.
    static AlertSettings read(const INIRW::Document &doc);
    // Writes a key only when the document has it already or its value differs from
    // the default: a file from before the section is left byte for byte.
    void write(INIRW::Document &doc) const;

    // Load and save the section in the settings file at path. False on failure, error
    // then says why in German; a failed load leaves the defaults in out.
    static bool load(const QString &path, AlertSettings *out, QString *error);
    bool save(const QString &path, QString *error) const;
};
