// Credit animation: each step in order, repeated and nested runs, the window ending mid-run.
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "ui/controls.h"
#include "ui/credit.h"
#include "ui/frmMonitor.h"

class TestCredit : public QObject
{
    Q_OBJECT
private slots:
    void hexDigits();
    void runs();
    void windowGoneDuringRun();
};

void TestCredit::hexDigits()
{
    QCOMPARE(hexDigit(0) + hexDigit(9) + hexDigit(10) + hexDigit(15), QStringLiteral("09AF"));
    QCOMPARE(hexDigit(16) + hexDigit(-1) + hexDigit(-32768), QString());
}

// Each pause processes pending events once: a zero-interval timer sees every step.
void TestCredit::runs()
{
    for (const char *caption : {"", "X", static_cast<const char *>(nullptr)}) { // null: the window's own
        frmMonitor w;
        QLabel *l = w.lblautor;
        if (caption)
            l->setText(QString::fromUtf8(caption));
        const QString T = l->text();
        QVERIFY(caption || T.size() > 1);
        const QPoint start = l->pos();
        const auto state = [](int pt, int px, const QString &text, QRgb rgb) {
            return QStringLiteral("%1 pt, %2 px, %3, %4").arg(pt).arg(px).arg(text, QColor(rgb).name());
        };
        QStringList want; // place: pixels below where the run started
        const QRgb white = qRgb(255, 255, 255), yellow = qRgb(255, 255, 0);
        int down = 1000; // twips
        for (int s = 12; s <= 40; s += 4)
            want << state(s, tw(down -= 3 * s), T.left(1), white);
        for (int s = 40; s >= 12; s -= 4)
            want << state(s, tw(down += 3 * s), T.left(1), white);
        for (qsizetype k = 2; k <= T.size(); ++k)
            want << state(12, tw(down), T.left(k), white);
        for (int a = 15; a >= 1; a -= 2) // yellow fading to red-orange
            for (int b = 15; b >= 1; b -= 2)
                want << state(12, tw(down), T, qRgb(255, 16 * a + b, 0));
        want += QStringList(64, state(12, tw(down), T, yellow)); // yellow held
        for (int s = 12; s >= 8; --s)
            want << state(s, tw(down -= 20 * s), T, yellow);

        for (int run = 1; run <= 3; ++run) { // two in a row; in the third a click starts a nested one
            QStringList seen;
            QTimer sampler;
            connect(&sampler, &QTimer::timeout, [&] {
                seen << state(l->font().pointSize(), l->y() - start.y(), l->text(), foreColor(l).rgb());
            });
            if (run == 3)
                QTimer::singleShot(150, &w, [&] { w.lblautor_Click(); });
            QDeadlineTimer minimum(16 + 40 * qMax(0, T.size() - 1) + 128 + 150); // pauses 1, 40, 1, 30 ms
            sampler.start(0);
            w.animateCredit();
            if (run < 3)
                QCOMPARE(seen, want);
            QVERIFY(minimum.hasExpired());
            QCOMPARE(seen.last(), want.last());
            QCOMPARE(l->pos(), start);
            QCOMPARE(backColor(&w), QColor(128, 128, 128));
        }
    }
}

void TestCredit::windowGoneDuringRun()
{
    auto *w = new frmMonitor;
    QPointer<frmMonitor> guard(w);
    QTimer::singleShot(100, [w] { delete w; });
    QDeadlineTimer early(1500);
    w->animateCredit();
    QVERIFY(guard.isNull() && !early.hasExpired()); // stopped early instead of animating a dead label
}

QTEST_MAIN(TestCredit)
#include "tst_credit.moc"
