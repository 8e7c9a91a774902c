#pragma once

#include <QDialog>

#include "config/alertsettings.h"

class QCheckBox;
class QSpinBox;

// "Benachrichtigungen": which alerts the desktop gets, their grace period, threshold and
// count, and whether minimizing hides the window to the tray. OK keeps the values,
// Abbrechen drops them; the window reads settings() once the dialog was accepted.
class AlertsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AlertsDialog(const AlertSettings &settings, QWidget *parent = nullptr);

    AlertSettings settings() const;

private:
    QCheckBox *chkGetrennt;
    QCheckBox *chkUnbekannt;
    QCheckBox *chkSchwach;
    QCheckBox *chkAccessPoint;
    QSpinBox *spnKarenzzeit;
    QSpinBox *spnSchwelle;
    QSpinBox *spnFolge;
    QCheckBox *chkInfobereich;
};
