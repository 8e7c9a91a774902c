#include "ui/alertsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "config/historysettings.h"
#include "ui/builders.h"

using namespace ui;

namespace {

QSpinBox *spinBox(QWidget *parent, const char *name, int low, int high, int value)
{
    QSpinBox *box = named(new QSpinBox(parent), name);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

AlertsDialog::AlertsDialog(const AlertSettings &s, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgBenachrichtigungen"));
    setWindowTitle(QStringLiteral("Benachrichtigungen"));
    chkGetrennt = checkBox(this, "chkGetrennt", QStringLiteral("bekannte Station getrennt"));
    chkUnbekannt = checkBox(this, "chkUnbekannt", QStringLiteral("unbekannte Station verbunden"));
    chkSchwach = checkBox(this, "chkSchwach", QStringLiteral("schwaches Signal"));
    chkAccessPoint = checkBox(this, "chkAccessPoint", QStringLiteral("Access Point antwortet nicht"));
    spnKarenzzeit = spinBox(this, "spnKarenzzeit", 0, AlertSettings::kMaxGraceSeconds, s.graceSeconds);
    spnSchwelle = spinBox(this, "spnSchwelle", 0, 100, s.thresholdPercent);
    spnFolge = spinBox(this, "spnFolge", 1, AlertSettings::kMaxWeakCount, s.weakCount);
    chkInfobereich = checkBox(this, "chkInfobereich", QStringLiteral("beim Minimieren in den Infobereich"));
    chkGetrennt->setChecked(s.stationLeft);
    chkUnbekannt->setChecked(s.stranger);
    chkSchwach->setChecked(s.weakSignal);
    chkAccessPoint->setChecked(s.accessPoint);
    chkInfobereich->setChecked(s.trayOnMinimize);

    auto *form = new QFormLayout;
    const auto row = [this, form](const char *name, const QString &caption, QWidget *field) {
        QLabel *l = label(this, name, caption);
        l->setBuddy(field);
        form->addRow(l, field);
    };
    row("lblKarenzzeit", QStringLiteral("Karenzzeit (s):"), spnKarenzzeit);
    row("lblSchwelle", QStringLiteral("Schwelle (%):"), spnSchwelle);
    row("lblFolge", QStringLiteral("Auswertungen in Folge:"), spnFolge);
    spnTageBehalten = spinBox(this, "spnTageBehalten", HistorySettings::kMinKeepDays,
                              HistorySettings::kMaxKeepDays, HistorySettings().keepDays);
    row("lblTageBehalten", QStringLiteral("Tage behalten:"), spnTageBehalten);
    spnTageBehalten->setToolTip(
        QStringLiteral("Tagesdateien des Verlaufsprotokolls, die älter sind, werden gelöscht"));

    // The known clients, each with its check box: a real item view, so a screen reader
    // reads name, address and mark of every row.
    auto *watchLabel = label(this, "lblBeobachtet", QStringLiteral("Bekannte Clients:"));
    tblBeobachtet = named(new QTableWidget(0, 2, this), "tblBeobachtet");
    tblBeobachtet->setAccessibleName(QStringLiteral("Bekannte Clients"));
    tblBeobachtet->setHorizontalHeaderLabels(
        {QStringLiteral("Station"), QStringLiteral("Kommen und Gehen melden")});
    tblBeobachtet->verticalHeader()->hide();
    tblBeobachtet->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tblBeobachtet->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tblBeobachtet->setSelectionMode(QAbstractItemView::NoSelection);
    tblBeobachtet->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblBeobachtet->setMinimumHeight(4 * tblBeobachtet->fontMetrics().lineSpacing() + 30);
    watchLabel->setBuddy(tblBeobachtet);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdAbbrechen"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *v = new QVBoxLayout(this);
    for (QWidget *w : {static_cast<QWidget *>(chkGetrennt), static_cast<QWidget *>(chkUnbekannt),
                       static_cast<QWidget *>(chkSchwach), static_cast<QWidget *>(chkAccessPoint)})
        v->addWidget(w);
    v->addLayout(form);
    v->addWidget(chkInfobereich);
    v->addWidget(watchLabel);
    v->addWidget(tblBeobachtet, 1);
    v->addWidget(buttons);
    // Room for a known client's name and address beside its check box.
    setMinimumWidth(460);
}

AlertSettings AlertsDialog::settings() const
{
    AlertSettings s;
    s.stationLeft = chkGetrennt->isChecked();
    s.stranger = chkUnbekannt->isChecked();
    s.weakSignal = chkSchwach->isChecked();
    s.accessPoint = chkAccessPoint->isChecked();
    s.graceSeconds = spnKarenzzeit->value();
    s.thresholdPercent = spnSchwelle->value();
    s.weakCount = spnFolge->value();
    s.trayOnMinimize = chkInfobereich->isChecked();
    return s;
}

void AlertsDialog::setWatchEntries(const QList<WatchEntry> &entries)
{
    tblBeobachtet->setRowCount(int(entries.size()));
    for (int i = 0; i < int(entries.size()); ++i) {
        const WatchEntry &e = entries[i];
        const QString name =
            e.name.isEmpty() ? e.mac : e.name + QStringLiteral(" (") + e.mac + QLatin1Char(')');
        auto *station = new QTableWidgetItem(name);
        station->setData(Qt::UserRole, e.mac);
        station->setFlags(Qt::ItemIsEnabled);
        auto *mark = new QTableWidgetItem(QStringLiteral("Kommen und Gehen melden"));
        mark->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        mark->setCheckState(e.watched ? Qt::Checked : Qt::Unchecked);
        mark->setData(Qt::AccessibleTextRole, QStringLiteral("Kommen und Gehen melden: ") + name);
        tblBeobachtet->setItem(i, 0, station);
        tblBeobachtet->setItem(i, 1, mark);
    }
}

QList<AlertsDialog::WatchEntry> AlertsDialog::watchEntries() const
{
    QList<WatchEntry> out;
    for (int i = 0; i < tblBeobachtet->rowCount(); ++i) {
        WatchEntry e;
        e.mac = tblBeobachtet->item(i, 0)->data(Qt::UserRole).toString();
        e.name = tblBeobachtet->item(i, 0)->text();
        e.watched = tblBeobachtet->item(i, 1)->checkState() == Qt::Checked;
        out.append(e);
    }
    return out;
}

void AlertsDialog::setKeepDays(int days)
{
    spnTageBehalten->setValue(days);
}

int AlertsDialog::keepDays() const
{
    return spnTageBehalten->value();
}
