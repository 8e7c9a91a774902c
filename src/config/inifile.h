#pragma once

#include <QString>

class frmMonitor;

// Moves the settings and the known clients between the settings file and the window.
class IniFile
{
public:
    // Returns false when the file exists but could not be read: the window then holds
    // the defaults.
    bool load(const QString &Dateiname, frmMonitor &Window);
    // Returns false when the file could not be written (the old file stays intact).
    bool Save(const QString &Dateiname, frmMonitor &Window);
    // Why the last load or Save failed, in German (empty after a successful one).
    QString errorText() const { return m_error; }

private:
    QString m_Dateiname;
    QString m_error;
};
