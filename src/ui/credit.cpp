// The credit line's short animation at the first display and on every click.
#include "ui/credit.h"

#include <QLabel>
#include <QPointer>

#include "app/pause.h"
#include "ui/frmMonitor.h"

QString hexDigit(qint16 n)
{
    if (n < 0 || n > 15)
        return {};
    return QString(QLatin1Char("0123456789ABCDEF"[n]));
}

namespace {

// The label's place during one run: the pixel position the run started from plus a
// running offset in twips, so that the small moves (36 twips is 2.4 pixels) add up
// without rounding drift and the run ends exactly where it began.
struct CreditRun
{
    QPointer<QLabel> label;
    QPoint origin;
    int offsetTwips = 0;

    void moveDown(int twips)
    {
        offsetTwips += twips;
        label->move(origin.x(), origin.y() + tw(offsetTwips));
    }
    void setPointSize(int pt)
    {
        QFont f = label->font();
        f.setPointSize(pt);
        label->setFont(f);
        label->adjustSize();
    }
    void setCaption(const QString &text)
    {
        label->setText(text);
        label->adjustSize();
    }
};

} // namespace

void frmMonitor::animateCredit()
{
    // Every pause lets other handlers run, among them a further click that starts a
    // nested run, or the end of the program: check the label after each pause.
    QPointer<frmMonitor> self(this);
    CreditRun run{lblautor, lblautor->pos()};
    const auto alive = [&] { return !self.isNull() && !run.label.isNull(); };
    const auto pause = [&](int ms) {
        Pause(ms);
        return alive();
    };

    setBackColor(this, bgrColor(0x00808080));
    const QString T = run.label->text();
    run.setCaption(QString());
    setForeColor(run.label, bgrColor(0x00FFFFFF));
    run.moveDown(1000);
    run.setCaption(T.left(1));

    for (int s = 12; s <= 40; s += 4) {
        run.setPointSize(s);
        run.moveDown(-3 * s);
        if (!pause(1))
            return;
    }
    for (int s = 40; s >= 12; s -= 4) {
        run.setPointSize(s);
        run.moveDown(3 * s);
        if (!pause(1))
            return;
    }
    for (qsizetype k = 1; k < T.size(); ++k) {
        run.setCaption(run.label->text() + T.at(k));
        if (!pause(40))
            return;
    }
    // Yellow fading to red-orange: the colour value written as "&H00" + a + b + "FF".
    for (qint16 a = 15; a >= 1; a -= 2) {
        for (qint16 b = 15; b >= 1; b -= 2) {
            bool ok = false;
            const quint32 bgr =
                (QStringLiteral("00") + hexDigit(a) + hexDigit(b) + QStringLiteral("FF")).toUInt(&ok, 16);
            if (ok)
                setForeColor(run.label, bgrColor(bgr));
            if (!pause(1))
                return;
        }
    }
    for (int i = 0; i < 64; ++i) {
        setForeColor(run.label, bgrColor(0x0000FFFF));
        if (!pause(1))
            return;
    }
    for (int s = 12; s >= 8; --s) {
        run.setPointSize(s);
        run.moveDown(-20 * s);
        if (!pause(30))
            return;
    }
}
