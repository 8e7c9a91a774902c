#pragma once

#include <QString>

namespace INIRW {
class Document;
}

// Where the history's own window was, in twips as the main window's bounds are: the
// frame's top left corner and the size of its inside (the frame differs between
// desktops, so the window does not grow by it from one start to the next). Kept in a
// section of its own, written once the window has been open.
struct HistoryWindowBounds
{
    bool known = false; // the file holds all four values
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const HistoryWindowBounds &) const = default;

    // Known only when all four keys are whole numbers and the size is not empty.
    static HistoryWindowBounds read(const INIRW::Document &doc);
    void write(INIRW::Document &doc) const;

    // The section in the settings file at path. False on failure, error then says why
    // in German; a failed load leaves out unknown, a failed save leaves the file as it is.
    static bool load(const QString &path, HistoryWindowBounds *out, QString *error);
    bool save(const QString &path, QString *error) const;
};
