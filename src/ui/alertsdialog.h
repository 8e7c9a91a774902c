#pragma once

#include <QDialog>

#include "config/alertsettings.h"

class QCheckBox;
class QSpinBox;
class QTableWidget;

// "Benachrichtigungen": which alerts the desktop gets, their grace period, threshold and
// count, and whether minimizing hides the window to the tray. OK keeps the values,
// Abbrechen drops them. Also the watch list of known clients and the days the log's
// day files are kept; the window reads settings() once the dialog was accepted.
class AlertsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AlertsDialog(const AlertSettings &settings, QWidget *parent = nullptr);

    AlertSettings settings() const;

    // The known clients with "Kommen und Gehen melden" each, in the order given.
    struct WatchEntry
    {
        QString mac;
        QString name;
        bool watched = false;
    };
    void setWatchEntries(const QList<WatchEntry> &entries);
    QList<WatchEntry> watchEntries() const;
    // "Tage behalten": how many days of the log's day files are kept.
    void setKeepDays(int days);
    int keepDays() const;

private:
    QCheckBox *chkGetrennt;
    QCheckBox *chkUnbekannt;
    QCheckBox *chkSchwach;
    QCheckBox *chkAccessPoint;
    QSpinBox *spnKarenzzeit;
    QSpinBox *spnSchwelle;
    QSpinBox *spnFolge;
    QCheckBox *chkInfobereich;
    QTableWidget *tblBeobachtet;
    QSpinBox *spnTageBehalten;
};
