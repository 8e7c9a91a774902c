#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyleFactory>
#include <map>

#include "base/allgemein.h"
#include "config/pollcycle.h"
#include "config/settings.h"
#include "ui/frmMonitor.h"
#include "ui/records.h"

namespace {

// A Qt style masks every password field with the same character; the two login fields
// mask with characters of their own, so each gets a style that names its character.
class MaskStyle : public QProxyStyle
{
public:
    // Based on a fresh instance of the application's own style, which it then owns.
    explicit MaskStyle(QChar maskChar)
        : QProxyStyle(QStyleFactory::create(QApplication::style()->name())), m_maskChar(maskChar)
    {
    }
    QChar maskChar() const { return m_maskChar; }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return m_maskChar.unicode();
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0; // never show a typed character, not even briefly
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_maskChar;
};

// One style per mask character, owned by the application: a widget does not own the
// style it is given, and the application outlives every window.
MaskStyle *maskStyle(QChar maskChar)
{
    static std::map<char16_t, QPointer<MaskStyle>> styles;
    QPointer<MaskStyle> &style = styles[maskChar.unicode()];
    if (!style) {
        style = new MaskStyle(maskChar);
        style->setParent(QCoreApplication::instance());
    }
    return style;
}

void maskWith(QLineEdit *field, QChar maskChar)
{
    MaskStyle *style = maskStyle(maskChar);
    if (field->style() != style)
        field->setStyle(style);
    field->setEchoMode(QLineEdit::Password);
}

// True when the window's title strip would lie on some screen, so the user can reach it.
bool reachable(const QRect &frame)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return true;
    const QRect strip(frame.topLeft(), QSize(frame.width(), 24));
    for (const QScreen *screen : screens) {
        const QRect seen = strip.intersected(screen->availableGeometry());
        if (seen.width() >= 48 && seen.height() >= 8)
            return true;
    }
    return false;
}

} // namespace

void frmMonitor::applySettings(const Settings &s)
{
    // The geometry is the window's normal-state bounds; a minimized or maximized state
    // is applied over it, so un-maximizing returns to the stored place.
    setWindowStateValue(0);
    setTwHeight(s.height);
    setTwWidth(s.width);
    int left = s.left;
    int top = s.top;
    if (!reachable(QRect(tw(left), tw(top), tw(twWidth()), tw(twHeight())))) {
        left = 0;
        top = 0;
    }
    setTwTop(top);
    setTwLeft(left);
    setWindowStateValue(s.windowState);

    txtIP->setText(s.ip);

    txtUser->setText(s.user);
    txtPassw->setText(s.password);
    cmbZyklus->setEditText(s.pollCycle); // sets the polling interval
    setChkValue(ChksaveUser, s.saveUser);
    setChkValue(ChksavePW, s.savePassword);
    ChkShowPW_Click(); // masks both fields unless "show" is checked
    chkVerlauf->setChecked(s.logHistory == 1);
    m_historyTwips = s.historyWindow;

    AnzahlMACs = s.recordCount;
    setRecordMaximum(s.recordCount);
    if (s.recordCount == 0) {
        // With no record the bar had to go to 0; the editor still works on record 1,
        // the empty record the list keeps, so what is stored there is saved.
        txtDatensatz->setText(QStringLiteral("1"));
    }
    changeKnownClients([&](KnownClients &k) { k = s.clients; });
    QString lines;
    {
        // Adding the first item would put it into the box's text on the way.
        const QSignalBlocker blocker(Combo1);
        for (int i = 1; i <= s.recordCount; ++i) {
            const tMAC &r = m_knownClients.at(i - 1);
            if (r.isAccessPoint())
                Combo1->addItem(r.IP);
            lines += knownClientLine(r);
        }
    }
    if (!lines.isEmpty())
        txtMACS->appendText(lines);
    // The address shown is the address used: through the change handler txtIP keeps it.
    Combo1->setEditText(txtIP->text());

    setChkValue(chkBekClients, s.knownOnly);
    m_monitor->setAlertSettings(s.alerts);
}

Settings frmMonitor::collectSettings() const
{
    Settings s;
    s.windowState = windowStateValue();
    s.left = twLeft();
    s.top = twTop();
    s.height = twHeight();
    s.width = twWidth();
    s.ip = txtIP->text();
    s.user = txtUser->text();
    s.password = txtPassw->text();
    s.pollCycle = cmbZyklus->currentText();
    s.saveUser = chkValue(ChksaveUser);
    s.savePassword = chkValue(ChksavePW);
    s.showPassword = chkValue(ChkShowPW);
    s.knownOnly = chkValue(chkBekClients);
    s.logHistory = chkValue(chkVerlauf);
    s.historyWindow = historyWindowTwips();
    s.recordCount = AnzahlMACs;
    s.clients = m_knownClients;
    s.alerts = m_monitor->alertSettings();
    return s;
}

void frmMonitor::ChkShowPW_Click()
{
    if (chkValue(ChkShowPW) == 1) {
        txtPassw->setEchoMode(QLineEdit::Normal);
        txtUser->setEchoMode(QLineEdit::Normal);
    } else {
        maskWith(txtPassw, QChar('*'));
        maskWith(txtUser, QChar('#'));
    }
}

void frmMonitor::cmbZyklus_Change()
{
    // A text that gives no usable cycle keeps the interval the session polls at.
    if (const std::optional<int> ms = pollCycleMs(cmbZyklus->currentText()))
        m_session->setPollInterval(*ms);
}

void frmMonitor::cmbZyklus_Click()
{
    cmbZyklus_Change();
}
