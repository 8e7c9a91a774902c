#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box goes through here so tests can answer them and read what was asked.
namespace Dialogs {

enum class Buttons { YesNo, OkCancel, Ok };
enum class Icon { None, Information, Question, Warning, Critical };
enum class Answer { Yes, No, Ok, Cancel };

struct Request
{
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    QString title;
    QString text;
};

using Handler = std::function<Answer(const Request &)>;

// Shows the box (or asks the installed handler) and returns the button pressed.
Answer show(const Request &request);

Answer askYesNo(const QString &title, const QString &text, Icon icon = Icon::None);
Answer askOkCancel(const QString &title, const QString &text, Icon icon = Icon::None);
void inform(const QString &title, const QString &text);
void critical(const QString &title, const QString &text);

// The answer that acts on nothing: No, Cancel, or the lone OK.
Answer negativeAnswer(Buttons buttons);

// Installs a handler instead of real message boxes; an empty handler restores them.
// Returns the previous handler.
Handler setHandler(Handler handler);

// Parent for real message boxes (the main window), so they are centred on it.
void setParentWidget(QWidget *parent);

} // namespace Dialogs
