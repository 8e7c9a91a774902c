#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <map>

#include "monitor/allgemein.h"
#include "ui/frmMonitor.h"

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

} // namespace

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
    const double ms = fRoundEven(fVal(cmbZyklus->currentText()) * 1000.0);
    // The timer takes 0 to 65535 ms; any other cycle keeps the interval it has.
    if (ms >= 0 && ms <= 65535)
        timPoll_Power->setInterval(int(ms));
}

void frmMonitor::cmbZyklus_Click()
{
    cmbZyklus_Change();
}
