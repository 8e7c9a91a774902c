#pragma once

#include <QList>

#include "monitor/alerts.h"
#include "monitor/history.h"
#include "monitor/stations.h"

// The history's samples of one evaluation: one per station, in order, with the values
// the clients page shows for it (a value the block lacks is 0 / empty).
QList<HistorySample> historySamples(const QList<StationValue> &stations);

// What the alert watch looks at of the same stations.
QList<AlertStation> alertStations(const QList<StationValue> &stations);
