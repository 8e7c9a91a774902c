#include "ui/alertsdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

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
    v->addWidget(buttons);
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
