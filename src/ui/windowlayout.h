#pragma once

#include <QSize>
#include <functional>

class QLabel;
class QLineEdit;
class QTabWidget;
class QToolButton;
class QWidget;
class AntwortenPage;
class ChartPage;
class ClientsPage;
class LoginPage;
class ManuellPage;
class SetupPage;
class VerlaufPage;
class StationMonitor;
struct WindowFrame;

// The window's pages, in the tab control's order.
struct WindowPages
{
    LoginPage *login = nullptr;
    ClientsPage *clients = nullptr;
    ChartPage *chart = nullptr;
    ManuellPage *manuell = nullptr;
    AntwortenPage *antworten = nullptr;
    SetupPage *setup = nullptr;
    VerlaufPage *verlauf = nullptr;

    // Adds the pages to the frame's tab control in their designed order (a new page is
    // appended), chains the fields in tab order up to ENDE and connects the pages that
    // talk to each other.
    static WindowPages create(const WindowFrame &frame, StationMonitor *monitor);
};

// What the window shows around its tab control, and where: the photo of the access
// point with its two lamps below the tab control, the credit line and ENDE.
struct WindowFrame
{
    QTabWidget *tab = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *LED1_aus = nullptr;
    QLabel *LED2_aus = nullptr;
    QToolButton *CmdEnde = nullptr;
    QLabel *lblautor = nullptr;
    QLineEdit *Text1 = nullptr; // hidden: index of the station option last clicked

    // The photo first, so that everything else lies on top of it; then the tab control
    // (whose pages the window adds) and the rest.
    static WindowFrame create(QWidget *window);
    // Places the tab control and what lies below it. The tab control keeps its designed
    // size unless the fonts need more; everything below it follows its bottom edge. The
    // pages are fitted in only once the window is shown.
    void layout(QWidget *window) const;
    // Client size that shows every control.
    QSize minimumClientSize() const;
};

// The window's background colour must not seep into the tab pages and the fields:
// pin every colour role of the widget to the application palette.
void keepOwnPalette(QWidget *w);
// Runs a task once, after the window's first paint has been handed on.
void afterFirstPaint(QWidget *window, std::function<void()> task);
// Labels have no click signal: this gives one a click.
void onClick(QWidget *label, std::function<void()> handler);
