#include "config/inifile.h"
#include "ui/frmMonitor.h"

// Placeholder: filled in with its issue.
void IniFile::load(const QString &Dateiname, frmMonitor &)
{
    m_Dateiname = Dateiname;
}
bool IniFile::Save(const QString &Dateiname, frmMonitor &)
{
    m_Dateiname = Dateiname;
    return true;
}
