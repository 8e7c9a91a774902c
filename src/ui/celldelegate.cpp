#include "ui/celldelegate.h"

#include <QApplication>
#include <QPainter>

CachedCellDelegate::CachedCellDelegate(QObject *parent) : QStyledItemDelegate(parent), m_cells(kMaxBytes) {}

void CachedCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // Under a cell that is not selected the view shows its own background (Base); a
    // selected one is filled by the style.
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    // The colours a cell is drawn with go into the key by value: a palette changed for a
    // cell (its own text colour) is a new palette at every paint.
    const QPalette::ColorRole roles[] = {QPalette::Base, QPalette::Text, QPalette::Highlight,
                                         QPalette::HighlightedText};
    Key key{opt.text,
            opt.rect.size(),
            painter->device()->devicePixelRatio(),
            int(opt.state),
            int(opt.features),
            int(opt.displayAlignment),
            int(opt.textElideMode),
            int(opt.direction),
            style,
            {},
            opt.font};
    bool solid = true;
    for (int i = 0; i < 4; ++i) {
        const QBrush &brush = opt.palette.brush(group, roles[i]);
        solid = solid && brush.style() == Qt::SolidPattern;
        key.colours[i] = brush.color().rgba();
    }
    const bool plain =
        solid &&
        !(opt.features & (QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasCheckIndicator |
                          QStyleOptionViewItem::Alternate)) &&
        opt.backgroundBrush.style() == Qt::NoBrush && !opt.rect.isEmpty();
    if (!plain) {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        return;
    }
    if (const QPixmap *cell = m_cells.object(key)) {
        painter->drawPixmap(opt.rect.topLeft(), *cell);
        return;
    }
    const qreal dpr = key.dpr;
    auto cell = std::make_unique<QPixmap>(opt.rect.size() * dpr);
    cell->setDevicePixelRatio(dpr);
    {
        QPainter p(cell.get());
        p.setFont(painter->font());
        p.setPen(painter->pen());
        p.setBrush(painter->brush());
        p.setRenderHints(painter->renderHints());
        p.setLayoutDirection(painter->layoutDirection());
        p.fillRect(QRect(QPoint(), opt.rect.size()), opt.palette.brush(group, QPalette::Base));
        QStyleOptionViewItem local = opt;
        local.rect.moveTopLeft(QPoint());
        style->drawControl(QStyle::CE_ItemViewItem, &local, &p, widget);
    }
    painter->drawPixmap(opt.rect.topLeft(), *cell);
    const qsizetype bytes = qsizetype(cell->width()) * cell->height() * cell->depth() / 8;
    m_cells.insert(std::move(key), cell.release(), bytes);
}

size_t qHash(const CachedCellDelegate::Key &key, size_t seed)
{
    // The text and size tell cells apart; the rest is mostly the same for all.
    return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.state);
}
