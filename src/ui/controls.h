#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegion>

// Multi-line text box that keeps its text exactly as given (CR, LF, NUL and all) and
// shows it. Appending costs in proportion to the appended text, never to what the box
// already holds: the exact text is kept in a string and the display gets only the new
// piece, broken into display lines of bounded length. While the box is not visible
// (its page is not shown) the display is left alone and catches up when the box is
// shown or the user is about to edit it, so a hidden box costs no layout.
// A box on screen that gets a new text keeps the part of its display that stays the
// same and redraws only the rows that look different.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    const QString &text() const { return m_text; }
    void setText(const QString &text);
    void appendText(const QString &piece);
    // The display shows all of text() (nothing waits for the box to be shown).
    bool isDisplayCurrent() const { return !m_displayReset && m_displayed == m_text.size(); }
    // Emptied, the box keeps showing its old text for a moment: text that follows at once
    // (a reply after its poll) then replaces it without an empty box drawn in between.
    void setEmptyingHeld(bool held) { m_emptyingHeld = held; }

signals:
    void userEdited(); // the user typed: text() holds the new text

protected:
    bool event(QEvent *e) override;
    bool viewportEvent(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void timerEvent(QTimerEvent *e) override;

private:
    struct Row
    {
        QRectF rect;
        QString text;
        bool operator==(const Row &) const = default;
    };
    void catchUp(bool onScreen = true);
    QString displayText(QStringView piece);
    void displayAppend(const QString &shown);
    void displayReplace(const QString &shown, bool onScreen);
    void keepShapesOfLastLines(int firstChanged);
    QList<Row> rowsOnScreen();
    void syncFromUser();

    QString m_text;
    qsizetype m_displayed = 0;  // leading characters of m_text on display
    bool m_displayReset = true; // the display still holds an older text: clear it first
    bool m_internal = false;
    int m_lineLength = 0; // characters in the display's last line
    bool m_lastWasCr = false;
    bool m_emptyingHeld = false;
    QBasicTimer m_emptyLater; // runs while an emptied box still shows its old text
    QRegion m_unchanged;      // rows of the viewport that the next paint may leave as they are
};

// Horizontal signal bar, range 0 to 100, holding a single-precision value so that 62.5
// shows as 62.5. Values above 100 show the bar full.
class SignalBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit SignalBar(QWidget *parent = nullptr);

    float valueF() const { return m_value; }
    void setValueF(float value);

private:
    QRect changedRect(int from, int to) const;

    float m_value = 0.0f;
};

// Shows text in a read-only line box. Only the text area inside the frame is drawn
// again: a style draws the frame with antialiased rounded shapes, which cost several
// times what the few digits of a value do. Unchanged text leaves the box alone.
void showLineText(QLineEdit *box, const QString &text);

// A colour given as 0x00BBGGRR (blue in the high byte), the form the window's designed
// colours are written in. 0x800000nn names a system colour by its number nn (4 menu,
// 24 tooltip background, ...); each maps to one fixed colour, so the window looks the
// same under every Qt style.
QColor bgrColor(quint32 value);

// Background colour of a label or of the window (filled, no style sheet).
void setBackColor(QWidget *widget, const QColor &color);
QColor backColor(const QWidget *widget);
void setForeColor(QWidget *widget, const QColor &color);
QColor foreColor(const QWidget *widget);

// A page of a tab widget that paints the pane's colour under itself and counts as opaque:
// when one of its controls changes, Qt draws the page alone beneath it, not also the
// window, the tab widget and its stack (a page updated at every poll costs less).
void fillAsTabPane(QWidget *page);

// Twips (1/1440 inch) to logical pixels at 96 dpi, and back.
constexpr int twipsPerPixel = 15;
inline int tw(int twips)
{
    return (twips >= 0 ? twips + twipsPerPixel / 2 : twips - twipsPerPixel / 2) / twipsPerPixel;
}
