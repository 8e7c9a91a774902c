#include "ui/records.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <optional>

#include "base/allgemein.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"

namespace {

// Record numbers are 16-bit.
constexpr int maxRecords = 32767;

QString appTitle()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Senvaro") : name;
}

} // namespace

// Leading number, halves to even; a record exists from 1 to N, and 0 is the editor's own.
std::optional<int> frmMonitor::typedRecord() const
{
    const double n = fRoundEven(fVal(txtDatensatz->text()));
    if (n >= 0 && n <= knownClients().size())
        return int(n);
    return std::nullopt;
}

void frmMonitor::setRecordMaximum(int maximum)
{
    // The bar's designed minimum is 1, but a scroll bar cannot keep a maximum below its
    // minimum: with no record the range becomes 0..0, the value follows to 0 and its
    // change handler puts "0" into txtDatensatz.
    scrDatensatz->setRange(std::min(1, maximum), maximum);
}

QString knownClientLine(const tMAC &record)
{
    return record.MAC + QChar('\t') + record.Name + QChar('\t') + record.IP + QStringLiteral("\r\n");
}

void frmMonitor::showRecord()
{
    const std::optional<int> n = typedRecord();
    if (!n)
        return; // no such record: the fields keep what they show
    const tMAC record = *n == 0 ? m_record0 : m_knownClients.at(*n - 1);
    txtDataName->setText(record.Name);
    txtDataIP->setText(record.IP);
    txtDataMAC->setText(record.MAC);
    // Anything but "Wahr" is saved as "Falsch", so it shows unchecked.
    chkDataAP->setChecked(record.isAccessPoint());
}

void frmMonitor::cmdSave_Click()
{
    const std::optional<int> n = typedRecord();
    if (!n) {
        const int last = m_knownClients.size();
        const QString why = last >= 1 ? QStringLiteral("Vorhanden sind die Datensätze 1 bis %1.").arg(last)
                                      : QStringLiteral("Es ist noch kein Datensatz vorhanden.");
        Dialogs::inform(appTitle(),
                        QStringLiteral("Einen Datensatz \"%1\" gibt es nicht, die Eingaben wurden "
                                       "nicht übernommen.\r\n%2\r\nMit \"Neu\" wird ein weiterer "
                                       "Datensatz angelegt.")
                            .arg(txtDatensatz->text().trimmed(), why));
        return;
    }
    tMAC record;
    record.Name = txtDataName->text();
    record.IP = txtDataIP->text();
    record.MAC = txtDataMAC->text();
    record.ist_AP = chkValue(chkDataAP) == 1 ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    if (*n == 0)
        m_record0 = record; // shown again as record 0, judging no station
    else
        changeKnownClients([&](KnownClients &k) { k[*n - 1] = record; });
}

void frmMonitor::cmdNewData_Click()
{
    const int last = scrDatensatz->maximum();
    if (last >= maxRecords) {
        Dialogs::inform(appTitle(),
                        QStringLiteral("Es sind bereits %1 Datensätze vorhanden; mehr können nicht "
                                       "angelegt werden.")
                            .arg(maxRecords));
        return;
    }
    const int n = last + 1;
    // Marked before the bar moves: a bar standing at 0 follows its new minimum at once
    // and shows the record.
    changeKnownClients([n](KnownClients &k) {
        k.resize(n);
        k[n - 1].ist_AP = QStringLiteral("Falsch");
    });
    setRecordMaximum(n);
    scrDatensatz->setValue(n);
    txtDatensatz->setText(QString::number(n));
    txtDataName->setFocus();
}

void frmMonitor::Command2_Click()
{
    auto nothingToDelete = [this] {
        const int x = scrDatensatz->value();
        return scrDatensatz->maximum() < 1 || x < 1 || x > m_knownClients.size();
    };
    if (nothingToDelete())
        return;
    if (Dialogs::askOkCancel(appTitle(), QStringLiteral("Diesen Datensatz wirklich löschen?")) !=
        Dialogs::Answer::Ok)
        return;
    if (nothingToDelete()) // the question let other events run
        return;
    const int x = scrDatensatz->value();
    const int m = scrDatensatz->maximum() - 1;
    // Records x + 1 .. m + 1 move down by one (indices count from 0).
    changeKnownClients([x, m](KnownClients &k) {
        for (int i = x; i <= m && i + 1 <= k.size(); ++i)
            k[i - 1] = k.at(i);
        k.resize(m);
    });
    setRecordMaximum(m);
    showRecord();
    if (x - 1 >= scrDatensatz->minimum()) {
        scrDatensatz->setValue(x - 1);
    } else {
        // The first record went while others remain: show the one that took its place.
        scrDatensatz->setValue(1);
        txtDatensatz->setText(QStringLiteral("1"));
    }
}

void frmMonitor::scrDatensatz_Change()
{
    txtDatensatz->setText(QString::number(scrDatensatz->value()));
}

void frmMonitor::txtDatensatz_Change()
{
    showRecord();
}

void frmMonitor::refreshKnownClientViews()
{
    const QString address = Combo1->currentText();
    QString lines;
    {
        // Emptying and filling the list would change the text on the way.
        const QSignalBlocker blocker(Combo1);
        Combo1->clear();
        for (const tMAC &record : std::as_const(m_knownClients)) {
            lines += knownClientLine(record);
            if (record.isAccessPoint())
                Combo1->addItem(record.IP);
        }
    }
    txtMACS->setText(lines);
    Combo1->setEditText(address);
}

void frmMonitor::changeKnownClients(const std::function<void(KnownClients &)> &change)
{
    change(m_knownClients);
    pushFilter();
    m_monitor->setKnownClients(m_knownClients);
}

void frmMonitor::pushFilter()
{
    m_session->setFilter(m_knownClients, chkValue(chkBekClients) == 1);
}

void frmMonitor::setKnownClients(const KnownClients &clients)
{
    changeKnownClients([&](KnownClients &k) { k = clients; });
    setRecordMaximum(m_knownClients.size());
    refreshKnownClientViews();
}

void frmMonitor::Combo1_Change()
{
    txtIP->setText(Combo1->currentText());
}

// Picking an entry copies the address just as editing does.
void frmMonitor::Combo1_Click()
{
    Combo1_Change();
}
