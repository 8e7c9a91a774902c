#include "ui/builders.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>
#include <QToolButton>

#include "ui/widgets.h"

namespace ui {

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = named(new QLabel(caption, parent), name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QLineEdit *textBox(QWidget *parent, const char *name, const QString &text, QLabel *caption)
{
    auto *t = named(new QLineEdit(text, parent), name);
    if (caption)
        caption->setBuddy(t);
    return t;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

QPixmap svgPixmap(const QString &path, QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    pm.setDevicePixelRatio(dpr);
    return pm;
}

QIcon svgIcon(const QString &path, std::initializer_list<int> sides)
{
    QIcon icon;
    for (int side : sides)
        icon.addPixmap(svgPixmap(path, QSize(side, side)));
    return icon;
}

QToolButton *pictureButton(QWidget *parent, const char *name, const QString &caption, const char *picture,
                           int iconSide)
{
    auto *b = named(static_cast<QToolButton *>(new PictureButton(parent)), name);
    b->setText(caption);
    // Drawn at the size the button shows and twice that for dense screens; the disabled
    // look is made from them.
    b->setIcon(svgIcon(QStringLiteral(":/pictures/%1.svg").arg(QString::fromLatin1(picture)),
                       {iconSide, 2 * iconSide}));
    b->setIconSize(QSize(iconSide, iconSide));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QCheckBox(caption, parent), name);
}

QGridLayout *pageGrid(QWidget *page)
{
    auto *g = new QGridLayout(page);
    g->setContentsMargins(pageMargin, pageMargin, pageMargin, pageMargin);
    g->setSpacing(spacing);
    return g;
}

void tighten(QLayout *l, int margin)
{
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(spacing);
}

} // namespace ui

int chkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void setChkValue(QCheckBox *box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}
