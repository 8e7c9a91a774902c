#pragma once

#include "ui/windowlayout.h"

class QWidget;
class StationMonitor;
struct Settings;

// Loaded settings into the window as the start does: each value into its control (change
// handlers run), the known clients and their views; and what the window holds now, for
// the save at the end.
void applySettings(QWidget *window, const WindowPages &pages, StationMonitor &monitor, const Settings &s);
Settings collectSettings(const QWidget *window, const WindowPages &pages, const StationMonitor &monitor);
