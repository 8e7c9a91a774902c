#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>

#include "ui/frmMonitor.h"

namespace {

// Labels have no click signal; this filter gives the credit line one.
class ClickFilter : public QObject
{
public:
    ClickFilter(QObject *parent, std::function<void()> onClick)
        : QObject(parent), m_onClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClick;
};

} // namespace

// Events are raised for changes made from code as well as by the user (a set text
// runs its change handler, a set scroll value its change handler): the program relies
// on that, so the handlers hang on the "changed" signals, not the "edited" ones.
void frmMonitor::wireHandlers()
{
    auto click = [this](QAbstractButton *b, void (frmMonitor::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    click(CmdLogin, &frmMonitor::CmdLogin_Click);
    click(Cmd_logout, &frmMonitor::Cmd_logout_Click);
    click(CmdEnde, &frmMonitor::CmdEnde_Click);
    click(Command1, &frmMonitor::Command1_Click);
    click(Command11, &frmMonitor::Command11_Click);
    click(Command12, &frmMonitor::Command12_Click);
    click(Command13, &frmMonitor::Command13_Click);
    click(command6, &frmMonitor::command6_Click);
    click(Command3, &frmMonitor::Command3_Click);
    click(Command4, &frmMonitor::Command4_Click);
    click(Command5, &frmMonitor::Command5_Click);
    click(Command7, &frmMonitor::Command7_Click);
    click(Command8, &frmMonitor::Command8_Click);
    click(Command9, &frmMonitor::Command9_Click);
    click(cmd_reboot, &frmMonitor::cmd_reboot_Click);
    click(Command10, &frmMonitor::Command10_Click);
    click(cmdNewData, &frmMonitor::cmdNewData_Click);
    click(cmdSave, &frmMonitor::cmdSave_Click);
    click(Command2, &frmMonitor::Command2_Click);

    lblautor->installEventFilter(new ClickFilter(lblautor, [this] { lblautor_Click(); }));
    lblautor->setCursor(Qt::PointingHandCursor);

    for (int i = 0; i < int(OptClients.size()); ++i) {
        connect(OptClients[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                OptClients_Click(i);
        });
    }

    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = m_shownTab;
        m_shownTab = index;
        SSTab1_Click(previous);
    });

    connect(txtRXSign, &QLineEdit::textChanged, this, &frmMonitor::txtRXSign_Change);
    connect(txtAckSign, &QLineEdit::textChanged, this, &frmMonitor::txtAckSign_Change);

    connect(Combo1, &QComboBox::editTextChanged, this, &frmMonitor::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &frmMonitor::Combo1_Click);
    connect(cmbZyklus, &QComboBox::editTextChanged, this, &frmMonitor::cmbZyklus_Change);
    connect(cmbZyklus, &QComboBox::activated, this, &frmMonitor::cmbZyklus_Click);
    connect(ChkShowPW, &QCheckBox::stateChanged, this, &frmMonitor::ChkShowPW_Click);

    connect(scrDatensatz, &QScrollBar::valueChanged, this, &frmMonitor::scrDatensatz_Change);
    connect(txtDatensatz, &QLineEdit::textChanged, this, &frmMonitor::txtDatensatz_Change);
}
