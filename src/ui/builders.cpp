#include "ui/builders.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QResource>
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

namespace {

// The pixels rendered at build time for a picture of :/pictures at this device size, or a
// null pixmap.
QPixmap renderedPixmap(const QString &path, QSize device)
{
    const QString prefix = QStringLiteral(":/pictures/");
    if (!path.startsWith(prefix) || !path.endsWith(QStringLiteral(".svg")))
        return {};
    const QString name = path.mid(prefix.size(), path.size() - prefix.size() - 4);
    const QResource res(
        QStringLiteral(":/rendered/%1-%2x%3.argb").arg(name).arg(device.width()).arg(device.height()));
    if (!res.isValid())
        return {};
    const QByteArray bytes = res.uncompressedData();
    if (bytes.size() != qsizetype(device.width()) * device.height() * 4)
        return {};
    const QImage image(reinterpret_cast<const uchar *>(bytes.constData()), device.width(), device.height(),
                       device.width() * 4, QImage::Format_ARGB32_Premultiplied);
    // As drawn at run time: with its alpha channel even where the picture is opaque.
    return QPixmap::fromImage(image.copy(), Qt::NoOpaqueDetection); // the bytes go with this function
}

} // namespace

QPixmap svgPixmap(const QString &path, QSize size, qreal dpr)
{
    if (QPixmap pm = renderedPixmap(path, size * dpr); !pm.isNull()) {
        pm.setDevicePixelRatio(dpr);
        return pm;
    }
    QPixmap pm(size * dpr);
    pm.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    pm.setDevicePixelRatio(dpr);
    return pm;
}

namespace {

// Renders its pictures when the icon is first drawn or asked for a pixmap, not when it is
// made: a window icon that no platform shows costs nothing at start. Once rendered, every
// request goes to a plain icon of the pixmaps, so the answers are the same as from one.
class SvgIconEngine : public QIconEngine
{
public:
    SvgIconEngine(const QString &path, QList<int> sides) : m_path(path), m_sides(std::move(sides)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        rendered().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return rendered().pixmap(size, 1.0, mode, state);
    }
    // QIcon asks for size * scale device pixels; asking the rendered icon for the logical
    // size at that scale hands its engine the same request.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        const QSize logical = size / scale;
        if (scale > 1.0 && logical * scale == size)
            return rendered().pixmap(logical, scale, mode, state);
        return pixmap(size, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return rendered().actualSize(size, mode, state);
    }
    // Known without rendering: a platform that lists the sizes draws nothing yet.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off)
            for (int side : std::as_const(m_sides))
                sizes << QSize(side, side);
        return sizes;
    }
    bool isNull() override { return m_sides.isEmpty(); }
    QString key() const override { return QStringLiteral("SvgIconEngine"); }
    QIconEngine *clone() const override { return new SvgIconEngine(*this); }

private:
    const QIcon &rendered()
    {
        if (m_icon.isNull())
            for (int side : std::as_const(m_sides))
                m_icon.addPixmap(svgPixmap(m_path, QSize(side, side)));
        return m_icon;
    }

    QString m_path;
    QList<int> m_sides;
    QIcon m_icon;
};

} // namespace

QIcon svgIcon(const QString &path, std::initializer_list<int> sides)
{
    return QIcon(new SvgIconEngine(path, QList<int>(sides)));
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

QComboBox *editableComboBox(QWidget *parent, const char *name)
{
    auto *box = named(new QComboBox(parent), name);
    auto *edit = new QLineEdit(box);
    edit->setPalette(box->palette());
    box->setLineEdit(edit);
    return box;
}

QGroupBox *groupBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = named(new QGroupBox(caption, parent), name);
    if (QStyle *style = fusionProxyStyle<GroupBoxFrameStyle>())
        box->setStyle(style);
    return box;
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
