#include "ui/settingsview.h"

#include "config/settings.h"
#include "monitor/stationmonitor.h"
#include "ui/loginpage.h"
#include "ui/setuppage.h"
#include "ui/verlaufpage.h"
#include "ui/windowgeometry.h"

void applySettings(QWidget *window, const WindowPages &pages, StationMonitor &monitor, const Settings &s)
{
    applyStoredBounds(window, s.left, s.top, s.width, s.height, s.windowState);
    pages.login->setCredentials(s.ip, s.user, s.password);
    pages.setup->applyProgramSettings(s);
    pages.verlauf->setHistoryWindowTwips(s.historyWindow);
    pages.setup->applyRecords(s.recordCount, s.clients);
    pages.login->addKnownClients(pages.setup->knownClients(), s.recordCount);
    pages.setup->setKnownOnly(s.knownOnly);
    monitor.setAlertSettings(s.alerts);
}

Settings collectSettings(const QWidget *window, const WindowPages &pages, const StationMonitor &monitor)
{
    Settings s;
    s.windowState = windowStateValue(window);
    s.left = twLeft(window);
    s.top = twTop(window);
    s.height = twHeight(window);
    s.width = twWidth(window);
    s.ip = pages.login->address();
    s.user = pages.login->user();
    s.password = pages.login->password();
    pages.setup->collectSettings(s);
    s.historyWindow = pages.verlauf->historyWindowTwips();
    s.alerts = monitor.alertSettings();
    return s;
}
