#pragma once

#include <functional>

#include <QPointer>
#include <QWidget>
#include <array>

#include "monitor/vendors.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class SignalBar;

struct Reply;

// The page " Clients": the values of the selected station with its two signal bars, and
// one option button per station of the last reply, its maker as the tool tip.
class ClientsPage : public QWidget
{
    Q_OBJECT
public:
    explicit ClientsPage(QWidget *parent = nullptr);

    void OptClients_Click(int Index);
    void txtRXSign_Change();
    void txtAckSign_Change();
    // Shows the first Anzahl option buttons.
    void fillClients(qint16 Anzahl);
    void selectOption(int index);

    // The station buttons of a completed reply with blocks: captions, makers, count.
    void showStations(const Reply &r);
    // The values of the station whose button was clicked last (selected: the index of
    // that button as the hidden box holds it).
    void showDetails(const Reply &r, const QString &selected);
    void clearDetails();

    // Maker names as tool tips; asked again once the registry has read its names.
    void setVendors(VendorRegistry *vendors);
    // A line after the maker in the tooltips, e.g. since when the station is connected.
    void setToolTipLine(std::function<QString(const QString &mac)> line) { m_toolTipLine = std::move(line); }
    void showMakers();

    QList<QWidget *> tabChain() const;

signals:
    void optionClicked(int index);

private:
    void showMaker(QWidget *control, const QString &mac);

    QLabel *lblMac;
    QLineEdit *txtMac;
    QLabel *lblAuth;
    QLineEdit *txtAuth;
    QLabel *Label12;
    QLineEdit *txtEncrypt;
    QLabel *lblWLANMode;
    QLineEdit *txtWLANMode;
    QLabel *lblRXDataRate;
    QLineEdit *txtRXDataRate;
    QLabel *lblRXSign;
    QLineEdit *txtRXSign;
    QLabel *Label13;
    SignalBar *RXBar;
    QLabel *lblAckSign;
    QLineEdit *txtAckSign;
    QLabel *Label14;
    SignalBar *AcknBar;
    QLabel *lblAnzahl;
    QLineEdit *txtAnzahl;
    QGroupBox *Frame1;
    std::array<QRadioButton *, 12> OptClients{};

    QPointer<VendorRegistry> m_vendors;
    std::function<QString(const QString &)> m_toolTipLine;
    std::array<QString, 12> m_clientMacs; // the address each station button's tool tip names
};
