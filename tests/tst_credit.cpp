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
    void runs_data()
    {
        QCOMPARE(hexDigit(16) + hexDigit(-1) + hexDigit(-32768), QString()); // digits 0-F: the colours

        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("texts"); // the captions shown one after the other
        QTest::addColumn<int>("pauses");
        QTest::newRow("empty") << QString() << QStringList{""} << 149;
        QTest::newRow("three characters") << "Abc" << QStringList{"A", "Ab", "Abc"} << 151;
    }

    // Each pause processes pending events once: a zero-interval timer sees every step.
    void runs()
    {
        QFETCH(QString, caption);
        QFETCH(QStringList, texts);
        QFETCH(int, pauses);
        // Font size in points and place in pixels below the start after each move: 1000 twips down,
        // then up and down by 3 × size twips, rounded to whole pixels (700 twips are 47 pixels).
        const QList<QPair<int, int>> moves{{12, 64}, {16, 61}, {20, 57}, {24, 52}, {28, 47}, {32, 40},
                                           {36, 33}, {40, 25}, {40, 33}, {36, 40}, {32, 47}, {28, 52},
                                           {24, 57}, {20, 61}, {16, 64}, {12, 67}, {12, 51}, {11, 36},
                                           {10, 23}, {9, 11},  {8, 0}};
        QList<QColor> colours{Qt::white}; // white, yellow fading to red-orange in 64 steps, yellow
        const QString digits = QStringLiteral("FDB97531");
        for (QChar a : digits)
            for (QChar b : digits)
                colours << QColor(255, (QString(a) + b).toInt(nullptr, 16), 0);
        colours << QColor(255, 255, 0);

        frmMonitor w;
        QLabel *l = w.lblautor;
        l->setText(caption);
        const QPoint start = l->pos();
        for (int run = 1; run <= 3; ++run) { // two in a row; in the third a click starts a nested one
            QList<QPair<int, int>> seenMoves;
            QStringList seenTexts;
            QList<QColor> seenColours;
            int seen = 0;
            QTimer sampler;
            connect(&sampler, &QTimer::timeout, [&] {
                ++seen;
                const auto add = [](auto &list, const auto &value) {
                    if (list.isEmpty() || list.last() != value)
                        list << value;
                };
                add(seenMoves, qMakePair(l->font().pointSize(), l->y() - start.y()));
                add(seenTexts, l->text());
                add(seenColours, foreColor(l));
            });
            if (run == 3)
                QTimer::singleShot(150, &w, [&] { w.lblautor_Click(); });
            QDeadlineTimer minimum(16 + 40 * qMax(0, int(caption.size()) - 1) + 128 +
                                   150); // pauses 1, 40, 1, 30 ms
            sampler.start(0);
            w.animateCredit();
            if (run < 3) {
                QCOMPARE(seenMoves, moves);
                QCOMPARE(seenTexts, texts);
                QCOMPARE(seenColours, colours);
                QCOMPARE(seen, pauses);
            } else {
                QCOMPARE(seen, 2 * pauses);
            }
            QVERIFY(minimum.hasExpired());
            QCOMPARE(seenMoves.last(), moves.last());
            QVERIFY(l->text() == caption && foreColor(l) == colours.last() && l->pos() == start);
            QCOMPARE(backColor(&w), QColor(128, 128, 128));
        }
    }

    void windowGoneDuringRun()
    {
        auto *w = new frmMonitor;
        QPointer<frmMonitor> guard(w);
        QTimer::singleShot(100, [w] { delete w; });
        QDeadlineTimer early(1500);
        w->animateCredit();
        QVERIFY(guard.isNull() && !early.hasExpired()); // stopped early instead of animating a dead label
    }
};

QTEST_MAIN(TestCredit)
#include "tst_credit.moc"
