#include "ui/dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace Dialogs {
namespace {

Handler &handler()
{
    static Handler h;
    return h;
}

QPointer<QWidget> &parentWidget()
{
    static QPointer<QWidget> p;
    return p;
}

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

Answer showMessageBox(const Request &r)
{
    QString shown = r.text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(toQt(r.icon), r.title, shown, QMessageBox::NoButton, parentWidget());
    box.setTextFormat(Qt::PlainText);
    // The button texts are set here, so the boxes speak German even where Qt's own
    // translation is not installed.
    QPushButton *positive = nullptr;
    QPushButton *negative = nullptr;
    switch (r.buttons) {
    case Buttons::YesNo:
        positive = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        negative = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        break;
    case Buttons::OkCancel:
        positive = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        negative = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        break;
    case Buttons::Ok:
        positive = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        break;
    }
    box.setDefaultButton(positive);
    if (negative)
        box.setEscapeButton(negative);
    box.exec();
    const bool yes = box.clickedButton() == positive;
    switch (r.buttons) {
    case Buttons::YesNo:
        return yes ? Answer::Yes : Answer::No;
    case Buttons::OkCancel:
        return yes ? Answer::Ok : Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

} // namespace

Answer show(const Request &request)
{
    if (handler())
        return handler()(request);
    return showMessageBox(request);
}

Answer askYesNo(const QString &title, const QString &text, Icon icon)
{
    return show({Buttons::YesNo, icon, title, text});
}

Answer askOkCancel(const QString &title, const QString &text, Icon icon)
{
    return show({Buttons::OkCancel, icon, title, text});
}

void inform(const QString &title, const QString &text)
{
    show({Buttons::Ok, Icon::Information, title, text});
}

void critical(const QString &title, const QString &text)
{
    show({Buttons::Ok, Icon::Critical, title, text});
}

Answer negativeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
        return Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

Handler setHandler(Handler h)
{
    Handler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}

void setParentWidget(QWidget *parent)
{
    parentWidget() = parent;
}

} // namespace Dialogs
