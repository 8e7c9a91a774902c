#pragma once

#include <QByteArray>
#include <QString>

// The build this exporter is: version, and the commit it was configured from ("unknown"
// outside a git checkout).
QString buildVersion();
QString buildRevision();

// The exporter's own families in the text format 0.0.4, appended to a scrape:
// senvaro_exporter_build_info and the process's CPU time, memory, start time and file
// descriptors, under the names every Prometheus client library uses.
QByteArray selfExposition();
