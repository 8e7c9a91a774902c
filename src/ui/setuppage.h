#pragma once

#include <QWidget>
#include <optional>

#include "config/recordeditor.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;
struct Settings;

// The page "Setup": the editor of the known-client records ("Geräte im Netzwerk") and
// the program's settings. The records it edits are the known clients the window
// evaluates replies by: every change is announced.
class SetupPage : public QWidget
{
    Q_OBJECT
public:
    explicit SetupPage(QWidget *parent = nullptr);

    void showRecord();
    void cmdSave_Click(); // storeRecord
    void cmdNewData_Click();
    void Command2_Click();
    void scrDatensatz_Change();
    void txtDatensatz_Change();
    void ChkShowPW_Click();
    void cmbZyklus_Change();
    void cmbZyklus_Click();

    const KnownClients &knownClients() const { return m_records.clients(); }
    // A new list, the record bar offering all of it.
    void setKnownClients(const KnownClients &clients);
    // The page is shown: there is a record 1 to edit, and the fields show the typed one.
    void enter();

    // The start: the settings into their controls (change handlers run), then the
    // records, the bar offering the first count of them. The count is saved as read.
    void applyProgramSettings(const Settings &s);
    void applyRecords(int count, const KnownClients &clients);
    void setKnownOnly(int value);
    void collectSettings(Settings &s) const;
    // "nur bekannte" checked (greyed lets every station pass).
    bool knownOnly() const;
    void stopHistoryLog();

    QList<QWidget *> tabChain() const;

signals:
    void knownClientsChanged();
    void knownOnlyChanged();
    void credentialsShown(bool shown);
    void pollIntervalChanged(int ms);
    void historyLogSwitched(bool on);

private:
    void setRecordMaximum(int maximum);

    RecordEditor m_records;
    qint16 m_recordsAtStart = 0; // the count the settings file gets back

    QGroupBox *Frame4;
    QScrollBar *scrDatensatz;
    QLineEdit *txtDatensatz;
    QLabel *Label1;
    QLineEdit *txtDataName;
    QLabel *Label4;
    QLineEdit *txtDataIP;
    QLabel *Label16;
    QLineEdit *txtDataMAC;
    QLabel *Label17;
    QCheckBox *chkDataAP;
    QToolButton *cmdNewData;
    QToolButton *cmdSave;
    QToolButton *Command2;
    QGroupBox *Frame5;
    QCheckBox *chkBekClients;
    QCheckBox *ChksaveUser;
    QCheckBox *ChksavePW;
    QCheckBox *ChkShowPW;
    QLabel *Label10;
    QComboBox *cmbZyklus;
    QLabel *Label11;
    QLabel *Label20;
    QLabel *Label19;
    QCheckBox *chkVerlauf; // history log to CSV files
};
