#pragma once

#include <QString>
#include <functional>

class QLabel;
class QWidget;

// One hexadecimal digit for 0..15, empty text for any other value.
QString hexDigit(qint16 n);

// The credit line's animation on the window: starts it and returns; its steps run on a
// timer. whenDone runs once no run plays any more (a run started meanwhile goes first).
void animateCredit(QWidget *window, QLabel *label, std::function<void()> whenDone = {});
bool creditRunning(const QWidget *window);
