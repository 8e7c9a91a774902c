// Credit line animation: order and values of its steps, its final state, repeated and
// nested runs, and the hexadecimal digit helper.
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include "ui/controls.h"
#include "ui/credit.h"
#include "ui/frmMonitor.h"

namespace {

struct Sample
{
    int pointSize;
    int dy; // pixels below the position the run started from
    QString text;
    QColor color;
};

// Each pause of the animation processes pending events once: a zero-interval timer
// therefore samples the label once per pause, i.e. after every step.
class Sampler
{
public:
    Sampler(QLabel *label) : m_label(label), m_origin(label->pos())
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_samples.append({m_label->font().pointSize(), m_label->y() - m_origin.y(), m_label->text(),
                              foreColor(m_label)});
        });
        m_timer.start(0);
    }
    const QList<Sample> &samples() const { return m_samples; }

private:
    QLabel *m_label;
    QPoint m_origin;
    QTimer m_timer;
    QList<Sample> m_samples;
};

} // namespace

class TestCredit : public QObject
{
    Q_OBJECT
private slots:
    void hexDigits();
    void stepsInOrder();
    void finalStateAndSecondRun();
    void shortCaptions();
    void nestedRun();
    void windowGoneDuringRun();
};

void TestCredit::hexDigits()
{
    QCOMPARE(hexDigit(0), QStringLiteral("0"));
    QCOMPARE(hexDigit(9), QStringLiteral("9"));
    QCOMPARE(hexDigit(10), QStringLiteral("A"));
    QCOMPARE(hexDigit(15), QStringLiteral("F"));
    QCOMPARE(hexDigit(16), QString());
    QCOMPARE(hexDigit(-1), QString());
    QCOMPARE(hexDigit(-32768), QString());
}

void TestCredit::stepsInOrder()
{
    frmMonitor w;
    w.lblautor->setText(QStringLiteral("Senvaro"));
    const QPoint start = w.lblautor->pos();
    QElapsedTimer clock;
    QList<Sample> s;
    {
        Sampler sampler(w.lblautor);
        clock.start();
        w.animateCredit();
        s = sampler.samples();
    }
    const qint64 elapsed = clock.elapsed();
    // 16 size steps, 6 letters, 64 fading and 64 holding colours, 5 settling steps.
    QCOMPARE(s.size(), 16 + 6 + 64 + 64 + 5);
    // Pauses: 16 x 1 + 6 x 40 + 128 x 1 + 5 x 30 ms at least.
    QVERIFY2(elapsed >= 16 + 240 + 128 + 150, qPrintable(QString::number(elapsed)));

    const QColor white(255, 255, 255), yellow(255, 255, 0);
    int up = 0;
    for (int i = 0; i < 8; ++i) { // growing first letter, moving up
        const int size = 12 + 4 * i;
        up += 3 * size;
        QCOMPARE(s[i].pointSize, size);
        QCOMPARE(s[i].dy, tw(1000 - up));
        QCOMPARE(s[i].text, QStringLiteral("S"));
        QCOMPARE(s[i].color, white);
    }
    QCOMPARE(up, 624);
    for (int i = 0; i < 8; ++i) { // shrinking, moving down again
        const int size = 40 - 4 * i;
        up -= 3 * size;
        QCOMPARE(s[8 + i].pointSize, size);
        QCOMPARE(s[8 + i].dy, tw(1000 - up));
    }
    for (int k = 2; k <= 7; ++k)
        QCOMPARE(s[16 + k - 2].text, QStringLiteral("Senvaro").left(k));
    QCOMPARE(s[21].dy, tw(1000));
    // Fading: green 16a+b for a, b = 15, 13, ..., 1; red full, blue none.
    int i = 22;
    for (int a = 15; a >= 1; a -= 2)
        for (int b = 15; b >= 1; b -= 2)
            QCOMPARE(s[i++].color, QColor(255, 16 * a + b, 0));
    QCOMPARE(s[22].color, yellow);
    QCOMPARE(s[85].color, QColor(255, 17, 0));
    for (; i < 150; ++i)
        QCOMPARE(s[i].color, yellow);
    int down = 1000;
    for (int size = 12; size >= 8; --size, ++i) { // settling back to where it started
        down -= 20 * size;
        QCOMPARE(s[i].pointSize, size);
        QCOMPARE(s[i].dy, tw(down));
    }
    QCOMPARE(down, 0);
    QCOMPARE(w.lblautor->pos(), start);
}

void TestCredit::finalStateAndSecondRun()
{
    frmMonitor w;
    const QString caption = w.lblautor->text();
    QVERIFY(!caption.isEmpty());
    QCOMPARE(w.lblautor->font().pointSize(), 12);
    const QPoint start = w.lblautor->pos();
    for (int run = 0; run < 2; ++run) {
        w.animateCredit();
        QCOMPARE(w.lblautor->text(), caption);
        QCOMPARE(w.lblautor->font().pointSize(), 8);
        QCOMPARE(w.lblautor->pos(), start);
        QCOMPARE(foreColor(w.lblautor), QColor(255, 255, 0));
        QCOMPARE(backColor(&w), QColor(128, 128, 128));
        // The smaller font must still show the whole line.
        QVERIFY(w.lblautor->width() >= w.lblautor->sizeHint().width());
    }
}

void TestCredit::shortCaptions()
{
    for (const QString &caption : {QString(), QStringLiteral("X")}) {
        frmMonitor w;
        w.lblautor->setText(caption);
        const QPoint start = w.lblautor->pos();
        w.animateCredit();
        QCOMPARE(w.lblautor->text(), caption);
        QCOMPARE(w.lblautor->font().pointSize(), 8);
        QCOMPARE(w.lblautor->pos(), start);
        QCOMPARE(foreColor(w.lblautor), QColor(255, 255, 0));
    }
}

// A click during a run starts a second run at once; the first resumes afterwards and
// both leave caption, size and position as a single run does.
void TestCredit::nestedRun()
{
    frmMonitor w;
    const QString caption = w.lblautor->text();
    const QPoint start = w.lblautor->pos();
    int nested = 0;
    QTimer::singleShot(150, &w, [&] {
        ++nested;
        w.lblautor_Click();
    });
    w.animateCredit();
    QCOMPARE(nested, 1);
    QCOMPARE(w.lblautor->text(), caption);
    QCOMPARE(w.lblautor->font().pointSize(), 8);
    QCOMPARE(w.lblautor->pos(), start);
}

void TestCredit::windowGoneDuringRun()
{
    auto *w = new frmMonitor;
    QPointer<frmMonitor> guard(w);
    QTimer::singleShot(100, [w] { delete w; });
    QElapsedTimer clock;
    clock.start();
    w->animateCredit();
    QVERIFY(guard.isNull());
    QVERIFY(clock.elapsed() < 1500); // stopped early instead of animating a dead label
}

QTEST_MAIN(TestCredit)
#include "tst_credit.moc"
