#pragma once

#include <QString>

#include "config/settingskeys.h"

namespace INIRW {
class Document;
}

namespace SettingKeys {
// How many days of the history log's day files are kept (today counts as one); older
// ones are removed. Added after the designed keys, written once it differs from 30.
inline constexpr SettingKey HistoryKeepDays{kUser, "Verlauf Tage behalten", "30"};
} // namespace SettingKeys

// How long the history log's day files are kept.
struct HistorySettings
{
    static constexpr int kMinKeepDays = 1;
    static constexpr int kMaxKeepDays = 3650;

    int keepDays = 30; // kMinKeepDays .. kMaxKeepDays

    bool operator==(const HistorySettings &) const = default;

    // A missing key, or a value that is no number in range, reads as the default.
    static HistorySettings read(const INIRW::Document &doc);
    // Writes the key only when the document has it already or it differs from the
    // default: a file from before it is left byte for byte.
    void write(INIRW::Document &doc) const;

    // Load and save the key in the settings file at path. False on failure, error then
    // says why in German; a failed load leaves the default in out.
    static bool load(const QString &path, HistorySettings *out, QString *error);
    bool save(const QString &path, QString *error) const;
};
