#pragma once

#include <QCache>
#include <QFont>
#include <QPixmap>
#include <QStyledItemDelegate>

// Draws an item view's cells as Qt's own delegate does, from pictures of the cells it
// drew before. A table updated at every poll shows mostly what it showed a moment ago
// (every present station's "zuletzt gesehen" is the same time), and Qt lays out a cell's
// text twice each time it paints it. A picture is kept for everything that changes how a
// cell looks (text, size, state, palette, font, alignment), so a stale one is never
// shown; the least recently drawn go first beyond a few megabytes. Cells with a
// decoration, a check box or a background of their own are drawn by Qt as before.
class CachedCellDelegate : public QStyledItemDelegate
{
public:
    explicit CachedCellDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The pictures kept and their bytes.
    int pictureCount() const { return int(m_cells.count()); }
    qsizetype pictureBytes() const { return m_cells.totalCost(); }

    static constexpr qsizetype kMaxBytes = 4 * 1024 * 1024;

    // Everything that changes how a cell looks.
    struct Key
    {
        QString text;
        QSize size;
        qreal dpr = 1;
        int state = 0, features = 0, alignment = 0, elide = 0, direction = 0;
        const QStyle *style = nullptr;
        QRgb colours[4] = {};
        QFont font;

        bool operator==(const Key &) const = default;
    };

private:
    mutable QCache<Key, QPixmap> m_cells;
};

size_t qHash(const CachedCellDelegate::Key &key, size_t seed = 0);
