#include "ui/controls.h"

#include <QApplication>
#include <QEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QStyleOptionProgressBar>
#include <QStyleOptionTabWidgetFrame>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>

#include "ui/widgets.h"

namespace {
// The colour a tab widget's pane shows inside, as its style draws it over what the window
// shows behind it.
QColor paneColour(const QWidget *page)
{
    const QTabWidget *tab = nullptr;
    for (QWidget *w = page->parentWidget(); w && !tab; w = w->parentWidget())
        tab = qobject_cast<QTabWidget *>(w);
    if (!tab)
        return page->palette().color(QPalette::Window);
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(tab->window()->palette().color(QPalette::Window));
    QPainter painter(&image);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(tab);
    option.rect = image.rect();
    tab->style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, tab);
    painter.end();
    return image.pixelColor(image.rect().center());
}

class PaneFill : public QObject
{
public:
    explicit PaneFill(QWidget *page) : QObject(page), m_page(page)
    {
        setObjectName(QStringLiteral("paneFill"));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched != m_page)
            return false;
        if (e->type() == QEvent::Paint) {
            if (!m_colour.isValid())
                m_colour = paneColour(m_page);
            QPainter(m_page).fillRect(static_cast<QPaintEvent *>(e)->rect(), m_colour);
        } else if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange ||
                   e->type() == QEvent::ParentChange || e->type() == QEvent::ActivationChange) {
            m_colour = QColor();
        }
        return false;
    }

private:
    QWidget *m_page;
    QColor m_colour; // invalid: to be taken from the style at the next paint
};

// Fusion's frame of a line box lies in its outer two pixels (the outline and the inner
// shadow below it). A box asked to draw only what lies inside them leaves its frame as
// it is on screen, instead of drawing the antialiased shapes clipped away.
class LineFrameStyle : public QProxyStyle
{
public:
    LineFrameStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    static constexpr int ring = 2;

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_FrameLineEdit && painter->paintEngine()) {
            const QRegion clip = painter->paintEngine()->systemClip();
            const QRegion frame = QRegion(option->rect) - option->rect.adjusted(ring, ring, -ring, -ring);
            if (!clip.isEmpty() && !clip.intersects(painter->deviceTransform().map(frame)))
                return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// Display lines are cut at this length: one huge line (replies lose their line breaks
// in polling mode) would make every append lay out the whole line again.
constexpr int maxDisplayLine = 2000;
constexpr int maxDisplayBlocks = 20000;
// How long an emptied box on screen keeps showing its old text, waiting for new text.
constexpr int emptyAfterMs = 200;
} // namespace

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setMaximumBlockCount(maxDisplayBlocks);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    paintScrollBarsInBands(this);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::syncFromUser);
    // The viewport fills what it draws itself, so that rows left as they were keep their
    // pixels; nothing beneath it is drawn either way.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &, int dy) {
        if (dy != 0)
            m_unchanged = QRegion(); // pixels moved: none stays where it was
    });
}

void TextBox::setText(const QString &text)
{
    m_text = text;
    m_displayed = 0;
    m_displayReset = true;
    if (!isVisible())
        return;
    if (m_emptyingHeld && text.isEmpty() && !document()->isEmpty()) {
        // Text that follows soon replaces the old one directly; nothing following, the
        // box shows empty after this moment.
        m_emptyLater.start(emptyAfterMs, this);
        return;
    }
    catchUp();
}

void TextBox::appendText(const QString &piece)
{
    if (piece.isEmpty())
        return;
    m_text += piece;
    if (isVisible())
        catchUp();
}

void TextBox::catchUp(bool onScreen)
{
    m_emptyLater.stop();
    if (isDisplayCurrent())
        return;
    m_internal = true;
    // A piece that grew while hidden is shown at once: the display rules work
    // character by character, so the result is the same as piece by piece.
    const qsizetype from = m_displayReset ? 0 : m_displayed;
    if (m_displayReset) {
        m_lineLength = 0;
        m_lastWasCr = false;
    }
    const QString shown = displayText(QStringView(m_text).mid(from));
    m_displayed = m_text.size();
    if (m_displayReset) {
        m_displayReset = false;
        displayReplace(shown, onScreen);
    } else {
        displayAppend(shown);
    }
    m_internal = false;
}

void TextBox::showEvent(QShowEvent *e)
{
    catchUp(false); // nothing of the box is on screen yet: it is drawn whole
    QPlainTextEdit::showEvent(e);
}

void TextBox::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_emptyLater.timerId()) {
        QPlainTextEdit::timerEvent(e);
        return;
    }
    m_emptyLater.stop();
    if (isVisible())
        catchUp();
}

bool TextBox::event(QEvent *e)
{
    // Anything else that comes to the box may change how it looks.
    if (e->type() != QEvent::Paint && e->type() != QEvent::Timer)
        m_unchanged = QRegion();
    // Whatever may edit the display works on the whole text.
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
        catchUp();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(e);
}

bool TextBox::viewportEvent(QEvent *e)
{
    if (e->type() != QEvent::Paint)
        m_unchanged = QRegion();
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
        catchUp();
        break;
    default:
        break;
    }
    return QPlainTextEdit::viewportEvent(e);
}

// The display form of a piece: CR LF, lone CR and lone LF all end a display line; NUL
// and other control characters show as a visible placeholder instead of breaking the
// widget.
QString TextBox::displayText(QStringView piece)
{
    QString shown;
    shown.reserve(piece.size() + piece.size() / maxDisplayLine + 1);
    for (QChar c : piece) {
        const ushort u = c.unicode();
        if (u == '\n') {
            if (m_lastWasCr) {
                m_lastWasCr = false;
                continue;
            }
            shown += QChar('\n');
            m_lineLength = 0;
            continue;
        }
        m_lastWasCr = (u == '\r');
        if (u == '\r') {
            shown += QChar('\n');
            m_lineLength = 0;
            continue;
        }
        if (m_lineLength >= maxDisplayLine) {
            shown += QChar('\n');
            m_lineLength = 0;
        }
        shown += (u < 0x20 && u != '\t') ? QChar(0x2400 + u) : c;
        ++m_lineLength;
    }
    return shown;
}

void TextBox::displayAppend(const QString &shown)
{
    if (shown.isEmpty())
        return;
    m_unchanged = QRegion();
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // In one edit block the cursor does not measure where its insertion ended (that
    // shapes the whole last line once more), and the layout runs once, at the end.
    cursor.beginEditBlock();
    const int firstChanged = cursor.blockNumber();
    cursor.insertText(shown);
    if (atEnd)
        keepShapesOfLastLines(firstChanged);
    cursor.endEditBlock();
    if (atEnd)
        bar->setValue(bar->maximum());
}

// The display shows shown instead of what it showed, scrolled to its end, as if emptied
// and given shown. Only what follows the part both have in common is replaced, and
// of a box on screen only the rows that now look different are drawn again: a reply
// much like the one before costs the layout of the changed lines and the drawing of
// the changed rows. With the focus or a selection in the box it is emptied as ever.
void TextBox::displayReplace(const QString &shown, bool onScreen)
{
    QScrollBar *bar = verticalScrollBar();
    const int lines = bar->maximum();
    const auto fromEmpty = [&] {
        m_unchanged = QRegion();
        QPlainTextEdit::clear();
        displayAppend(shown);
    };
    if (hasFocus() || textCursor().hasSelection() || document()->isEmpty() || bar->value() != lines) {
        fromEmpty();
        return;
    }
    // The document separates its blocks by U+2029 where the display text has LF.
    const QString old = document()->toRawText();
    qsizetype same = 0;
    const qsizetype common = std::min(old.size(), shown.size());
    while (same < common && (old[same] == shown[same] ||
                             (shown[same] == QLatin1Char('\n') && old[same] == QChar::ParagraphSeparator)))
        ++same;
    // What is on screen is known only when nothing waits to be drawn from before.
    const bool partly = onScreen && isVisible() && m_unchanged.isEmpty();
    m_unchanged = QRegion();
    QList<Row> before;
    if (partly)
        before = rowsOnScreen();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(int(same));
    const int firstChanged = cursor.blockNumber();
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (same < shown.size())
        cursor.insertText(shown.mid(same));
    keepShapesOfLastLines(firstChanged);
    cursor.endEditBlock();
    if (bar->maximum() != lines) {
        // The rows move: the box's scroll position depends on the way it came there, and
        // the only way that gives what emptying gave is emptying.
        fromEmpty();
        return;
    }
    // As after emptying: nothing to undo, the cursor at the end.
    document()->clearUndoRedoStacks();
    if (textCursor().position() != cursor.position())
        moveCursor(QTextCursor::End);
    if (!partly)
        return;
    const QList<Row> after = rowsOnScreen();
    for (const Row &row : after) {
        if (before.contains(row))
            m_unchanged += row.rect.toAlignedRect();
    }
}

// The display rows in the viewport as the paint event draws them: where each is and
// what it shows. Blocks not laid out yet are laid out, as the next paint would.
QList<TextBox::Row> TextBox::rowsOnScreen()
{
    QList<Row> rows;
    const int width = viewport()->width(), height = viewport()->height();
    QPointF offset = contentOffset();
    for (QTextBlock b = firstVisibleBlock(); b.isValid() && offset.y() < height; b = b.next()) {
        const QRectF box = blockBoundingRect(b).translated(offset);
        const QTextLayout *layout = b.layout();
        const QString text = b.text();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const QRectF rect(0, box.top() + line.y(), width, line.height());
            if (rect.bottom() >= 0 && rect.top() < height)
                rows.append({rect, text.mid(line.textStart(), line.textLength())});
        }
        offset.ry() += box.height();
    }
    return rows;
}

// The box asks for all of itself to be drawn after a new text; rows that show what they
// showed keep their pixels. Rows drawn apart from each other are drawn one stretch at a
// time: the box draws every line within the bounds of what it is asked to draw, and the
// lines between two changed rows would be drawn in vain, clipped away.
void TextBox::paintEvent(QPaintEvent *e)
{
    const QRegion region = e->region() - m_unchanged;
    m_unchanged = QRegion();
    if (region.isEmpty())
        return; // an empty bound would stand for no bound at all
    QWidget *port = viewport();
    {
        QPainter painter(port);
        const QBrush background = port->palette().brush(port->backgroundRole());
        for (const QRect &rect : region)
            painter.fillRect(rect, background);
    }
    if (region.rectCount() < 2) {
        QPaintEvent part(region.boundingRect());
        QPlainTextEdit::paintEvent(region == e->region() ? e : &part);
        return;
    }
    for (const QRect &rect : region) {
        QPaintEvent part(rect);
        QPlainTextEdit::paintEvent(&part);
    }
}

// A layout drops its shaped glyphs once laid out, so the paint right after shapes the
// same text again. The display lines that are about to be shown keep theirs: a block
// that is drawn keeps them anyway until it changes, so this costs no memory beyond the
// lines on screen. Blocks kept before have scrolled up and drop theirs again.
void TextBox::keepShapesOfLastLines(int firstChanged)
{
    const QFontMetrics metrics = fontMetrics();
    const int perLine = std::max(1, viewport()->width() / std::max(1, metrics.averageCharWidth()));
    int lines = viewport()->height() / std::max(1, metrics.lineSpacing()) + 1; // on screen
    QTextBlock b = document()->lastBlock();
    for (; b.isValid() && b.blockNumber() >= firstChanged && lines > 0; b = b.previous()) {
        b.layout()->setCacheEnabled(true);
        lines -= 1 + b.length() / perLine; // a long block wraps over several lines
    }
    // Those kept at the previous append end where this one began.
    if (b.isValid() && b.blockNumber() > firstChanged)
        b = document()->findBlockByNumber(firstChanged);
    for (; b.isValid() && b.layout()->cacheEnabled(); b = b.previous())
        b.layout()->setCacheEnabled(false);
}

void TextBox::syncFromUser()
{
    if (m_internal)
        return;
    // The user typed into an editable box: take the display as the text, with CR LF
    // line ends, like the text the box is given.
    QString plain = toPlainText();
    plain.replace(QChar('\n'), QStringLiteral("\r\n"));
    m_text = plain;
    m_displayed = m_text.size();
    m_displayReset = false;
    const QString last = document()->lastBlock().text();
    m_lineLength = int(last.size());
    m_lastWasCr = false;
    emit userEdited();
}

SignalBar::SignalBar(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 1000);
    setValue(0);
    setTextVisible(false);
}

void SignalBar::setValueF(float value)
{
    if (!(value >= 0.0f))
        return; // negative or NaN: the bar stays where it is
    m_value = value;
    const float shown = value > 100.0f ? 100.0f : value;
    const int steps = qRound(shown * 10.0f);
    if (steps == QProgressBar::value())
        return;
    // QProgressBar repaints at once, in a frame of its own beside the window's next
    // update: held back here, the bar is drawn in that update instead.
    const int before = QProgressBar::value();
    const bool wasEnabled = updatesEnabled();
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setValue(steps);
    setAttribute(Qt::WA_UpdatesDisabled, !wasEnabled);
    update(changedRect(before, steps));
}

// Only the stretch between the old and the new end of the chunk looks different, and a
// few pixels either side of it (the chunk's rounded end): drawing just that costs a
// fraction of the whole bar, which a style draws with antialiased, shaded shapes.
QRect SignalBar::changedRect(int from, int to) const
{
    if (orientation() != Qt::Horizontal || invertedAppearance() || layoutDirection() != Qt::LeftToRight)
        return rect();
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_ProgressBarContents, &option, this);
    const qint64 range = std::max(1, maximum() - minimum());
    const auto x = [&](int v) {
        return contents.left() + int(qint64(contents.width()) * (v - minimum()) / range);
    };
    const int margin = std::max(6, height()); // a rounded end is at most as wide as the bar is high
    return QRect(QPoint(x(std::min(from, to)) - margin, 0),
                 QPoint(x(std::max(from, to)) + margin, height() - 1))
        .intersected(rect());
}

void showLineText(QLineEdit *box, const QString &text)
{
    if (box->text() == text)
        return;
    if (!box->isReadOnly() || box->hasFocus() || !box->updatesEnabled()) {
        box->setText(text); // a cursor or selection may show: drawn as ever
        return;
    }
    LineFrameStyle *style = fusionProxyStyle<LineFrameStyle>();
    if (style && box->style() != style && box->style() == QApplication::style())
        box->setStyle(style);
    // Text that fits keeps off the frame's pixels (an overflowing one starts at the frame).
    const QRect inner = box->rect().adjusted(LineFrameStyle::ring, LineFrameStyle::ring,
                                             -LineFrameStyle::ring, -LineFrameStyle::ring);
    const QFontMetrics metrics = box->fontMetrics();
    const auto fits = [&](const QString &t) {
        return metrics.horizontalAdvance(t) + 2 * LineFrameStyle::ring <= inner.width();
    };
    const bool inside = box->style() == style && box->hasFrame() && metrics.height() + 2 <= inner.height() &&
                        fits(box->text()) && fits(text);
    box->setAttribute(Qt::WA_UpdatesDisabled, true);
    box->setText(text);
    box->setAttribute(Qt::WA_UpdatesDisabled, false);
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    box->update(inside ? contents & inner : contents);
}

QColor bgrColor(quint32 value)
{
    if (value & 0x80000000u) {
        switch (value & 0xFFu) {
        case 4: // menu
            return QColor(0xF0, 0xF0, 0xF0);
        case 15: // button face
            return QColor(0xF0, 0xF0, 0xF0);
        case 24: // tooltip background
            return QColor(0xFF, 0xFF, 0xE1);
        case 5: // window background
            return QColor(0xFF, 0xFF, 0xFF);
        case 8:  // window text
        case 18: // button text
            return QColor(0, 0, 0);
        default:
            return QColor(0xF0, 0xF0, 0xF0);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void fillAsTabPane(QWidget *page)
{
    page->installEventFilter(new PaneFill(page));
    page->setAttribute(Qt::WA_OpaquePaintEvent);
}

void setBackColor(QWidget *widget, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, color);
    p.setColor(QPalette::Base, color);
    widget->setPalette(p);
    widget->setAutoFillBackground(true);
}

QColor backColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}

void setForeColor(QWidget *widget, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    widget->setPalette(p);
}

QColor foreColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText);
}
