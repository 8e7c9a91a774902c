#pragma once

#include <initializer_list>

#include <QSize>
#include <QString>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QIcon;
class QLabel;
class QLayout;
class QLineEdit;
class QPixmap;
class QPushButton;
class QToolButton;
class QWidget;

// What the page builders (src/ui/page_*.cpp) and the window's own construction make
// their controls with: every control gets its name as objectName, labels show plain
// text, and the pages share one margin and one spacing.
namespace ui {

constexpr int pageMargin = 4;
constexpr int spacing = 4;

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption);

// A field named by its label: the label is its buddy, so the caption is its
// accessible name.
QLineEdit *textBox(QWidget *parent, const char *name, const QString &text = {}, QLabel *caption = nullptr);

QPushButton *button(QWidget *parent, const char *name, const QString &caption);

// A picture button showing :/pictures/<picture>.svg above its caption.
QToolButton *pictureButton(QWidget *parent, const char *name, const QString &caption, const char *picture,
                           int iconSide);

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption);

// An editable combo box, as setEditable(true) makes it, but its drop-down list is made
// when first opened (setEditable makes it at once: about a millisecond at the start).
QComboBox *editableComboBox(QWidget *parent, const char *name);

// A frame with a caption, drawn as the application's style draws it.
QGroupBox *groupBox(QWidget *parent, const char *name, const QString &caption);

QPixmap svgPixmap(const QString &path, QSize size, qreal dpr = 1.0);

// Icons are rendered here from the compiled-in pictures, so the program needs no
// image plugin at run time; at the sides given (in pixels), others are scaled from them.
// They are rendered when first drawn or asked for a pixmap.
QIcon svgIcon(const QString &path, std::initializer_list<int> sides = {16, 20, 24, 32, 48, 64});

// A page's grid and the pages' margins and spacing.
QGridLayout *pageGrid(QWidget *page);
void tighten(QLayout *l, int margin = pageMargin);

} // namespace ui

// Check box value as the settings file stores it: 0 unchecked, 1 checked, 2 greyed.
int chkValue(const QCheckBox *box);
void setChkValue(QCheckBox *box, int value);
