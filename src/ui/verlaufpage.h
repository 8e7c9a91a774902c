#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>

#include "monitor/vendors.h"

class AlertsDialog;
class HistoryPage;
class HistoryWindow;
class QPushButton;
class QVBoxLayout;
class StationMonitor;

// The page "Verlauf": the signal history of the evaluated stations (also in a window of
// its own, made on first use at the place it had last time) and the desktop alerts'
// settings.
class VerlaufPage : public QWidget
{
    Q_OBJECT
public:
    VerlaufPage(StationMonitor *monitor, QWidget *parent = nullptr);
    ~VerlaufPage() override;

    // The history with its span, events and buttons: made when the page is first shown or
    // the history part is first asked for.
    HistoryPage *historyPage();

    void cmdBenachrichtigungen_Click();
    void openHistoryWindow();
    HistoryWindow *historyWindow() const { return m_historyWindow; }
    // The history window's bounds in twips for the settings file: as loaded, or as it
    // was when last shown.
    std::optional<QRect> historyWindowTwips() const;
    void setHistoryWindowTwips(const std::optional<QRect> &twips) { m_historyTwips = twips; }
    void closeHistoryWindow();
    // The log's folder for the spans of days (empty: the log is off).
    void setDayFolder(const QString &folder);

signals:
    // "Wer ist da? ..." was pressed.
    void presenceRequested();
    // The alerts dialog is made and about to open: further rows may be filled in.
    void alertsDialogOpening(AlertsDialog *dialog);

public:
    void setActive(bool shown);
    void setVendors(VendorRegistry *vendors);
    QList<QWidget *> tabChain() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QList<QWidget *> historyTabChain() const;

    StationMonitor *m_monitor;
    QPointer<VendorRegistry> m_vendors;
    QVBoxLayout *m_layout;
    HistoryPage *Verlauf = nullptr;
    QPushButton *cmdBenachrichtigungen; // opens the alerts dialog
    QString m_dayFolder;
    HistoryWindow *m_historyWindow = nullptr;
    std::optional<QRect> m_historyTwips;
};
