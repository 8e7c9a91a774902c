#pragma once

class QWidget;

// A top-level window's outer position and size in twips, as the settings file stores
// them, and its state 0 normal, 1 minimized, 2 maximized. A size below the window's
// minimum is raised to it.
int twLeft(const QWidget *w);
int twTop(const QWidget *w);
int twWidth(const QWidget *w);
int twHeight(const QWidget *w);
void setTwLeft(QWidget *w, int twips);
void setTwTop(QWidget *w, int twips);
void setTwWidth(QWidget *w, int twips);
void setTwHeight(QWidget *w, int twips);
int windowStateValue(const QWidget *w);
void setWindowStateValue(QWidget *w, int state);
// Stored bounds: the normal-state bounds with the state applied over them. A place on no
// screen is not taken.
void applyStoredBounds(QWidget *w, int left, int top, int width, int height, int state);
