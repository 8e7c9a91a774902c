#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

#include "app/globals.h"
#include "testsupport.h"
#include "ui/controls.h"
#include "ui/frmMonitor.h"

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    // Captions a conversion could break, as plain text; screen readers name fields by them.
    void captions()
    {
        frmMonitor w;
        w.Form_Load();
        QCOMPARE(w.windowTitle(), QString("Senvaro - für den Access Point DWL-2100AP"));
        for (const auto &[name, caption] : QList<std::pair<const char *, QString>>{
                 {"Label7", " Name                       IP"},
                 {"Label5", "Senvaro für den Access Point \"DWL 2100AP\". "},
                 {"lblUsername", "Username:"}}) {
            auto *c = ctl<QLabel>(w, name);
            QCOMPARE(c->text(), caption);
            QCOMPARE(c->textFormat(), Qt::PlainText); // text from outside is never markup
        }
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(ctl<QLineEdit>(w, "txtUser"));
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), QString("Username:"));
    }

    // A box on a page that is not shown keeps its exact text at once and shows the same
    // as a box filled while shown once its page comes up; typing works on the whole text.
    void hiddenTextBox()
    {
        // appended while shown; whether the first hidden piece replaces the text; the hidden pieces;
        // the text (shown with CR LF as one break and NUL as a picture; Ctrl+End and "z" add "z")
        const QList<std::tuple<QString, bool, QStringList, QString>> rows{
            {"one\r\n", false, {"two\r", "\nthree"}, "one\r\ntwo\r\nthree"},
            {"a\r", false, {"\nb"}, "a\r\nb"}, // CR LF across hiding
            {"old\r\nlines", true, {"new", QString::fromLatin1("\0x", 2)}, QString::fromLatin1("new\0x", 5)},
            {"old", true, {""}, ""}};
        QTabWidget tabs;
        auto *box = new TextBox;
        tabs.addTab(box, "eins");
        tabs.addTab(new QWidget, "zwei");
        tabs.show();
        for (const auto &[before, reset, hidden, text] : rows) {
            const QString typed = QString(text).replace(QChar(0), QChar(0x2400)) + "z";
            for (const bool typing : {false, true}) {
                tabs.setCurrentIndex(0);
                box->setText(QString());
                box->appendText(before);
                QVERIFY(box->isDisplayCurrent());
                tabs.setCurrentIndex(1);
                for (int i = 0; i < hidden.size(); ++i)
                    i == 0 && reset ? box->setText(hidden[i]) : box->appendText(hidden[i]);
                QCOMPARE(box->text(), text);
                QVERIFY(!box->isDisplayCurrent()); // nothing laid out for a page not shown
                if (typing) {
                    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
                    QTest::keyClicks(box, "z");
                    QCOMPARE(box->text(), typed);
                    continue;
                }
                tabs.setCurrentIndex(0);
                QVERIFY(box->isDisplayCurrent());
                QCOMPARE(box->toPlainText(), typed.chopped(1).replace("\r\n", "\n"));
                QCOMPARE(box->text(), text);
            }
        }
    }

    void pageChange()
    {
        QList<std::array<int, 5>> rows; // from, to, connected, polling before, polling after
        for (int to : {0, 1, 2, 4, 5})  // leaving "manuell" resumes polling only when connected
            for (int c : {0, 1})
                rows.append({3, to, c, 0, c});
        for (int p : {0, 1}) { // entering it always stops polling; other changes leave it alone
            rows.append({1, 3, 1, p, 0});
            for (auto [from, to] : {std::pair{1, 2}, {2, 4}, {4, 1}, {5, 0}})
                rows.append({from, to, 1, p, p});
        }
        for (auto [from, to, connected, before, after] : rows) {
            frmMonitor w;
            w.Form_Load();
            auto *tabs = ctl<QTabWidget>(w, "SSTab1");
            w.session().verbunden = connected;
            w.session().timPoll_Power()->setInterval(7000);
            tabs->setCurrentIndex(3); // first through "manuell", so a stale previous page would show
            tabs->setCurrentIndex(from);
            w.session().timPoll_Power()->setEnabled(before);
            tabs->setCurrentIndex(to);
            QVERIFY2(w.isManuellMode() == (to == 3) &&
                         w.session().timPoll_Power()->enabled() == bool(after) &&
                         w.session().timPoll_Power()->interval() == 7000,
                     qPrintable(QString::asprintf("%d to %d, connected %d, polling %d", from, to, connected,
                                                  before)));
        }
    }

    void setupAndLoginPages()
    {
        frmMonitor w;
        w.Form_Load();
        auto *tabs = ctl<QTabWidget>(w, "SSTab1");
        KnownClients clients;
        clients.setUpperBound(0); // no record 1: "Setup" adds an empty one
        w.setKnownClients(clients);
        tabs->setCurrentIndex(5);
        QCOMPARE(w.knownClients().upperBound(), 1);
        clients.setUpperBound(3); // more records stay; record 1 is shown and listed
        clients[1] = {"00:11:22:33:44:55", "Bürozugang", "10.0.0.7", "Wahr"};
        w.setKnownClients(clients);
        ctl<TextBox>(w, "txtMACS")->setText(QString());
        tabs->setCurrentIndex(0);
        QVERIFY(ctl<TextBox>(w, "txtMACS")->text().contains(QStringLiteral("00:11:22:33:44:55")));
        ctl<QLineEdit>(w, "txtDataName")->clear();
        tabs->setCurrentIndex(5);
        QCOMPARE(w.knownClients().upperBound(), 3);
        QCOMPARE(ctl<QLineEdit>(w, "txtDataName")->text(), QStringLiteral("Bürozugang"));
    }

    // Option captions, the pick and the remembered index survive showing and hiding.
    void fillClientsAndOptionClicks()
    {
        frmMonitor w;
        w.Form_Load();
        optClient<QRadioButton>(w, 0)->setText(QStringLiteral("Station A"));
        for (int count : {0, -1, -32768, 1, 3, 11, 12, 40, 32767}) {
            w.fillClients(12); // start from all shown, so hiding is checked as well
            optClient<QRadioButton>(w, 0)->setChecked(true);
            w.fillClients(qint16(count));
            const int shown = std::clamp(count, 0, 12);
            for (int i = 0; i < 12; ++i)
                QVERIFY2(optClient<QRadioButton>(w, i)->isHidden() == (i >= shown),
                         qPrintable(QString::number(count)));
            QVERIFY(optClient<QRadioButton>(w, 0)->text() == QStringLiteral("Station A") &&
                    optClient<QRadioButton>(w, 0)->isChecked());
            for (int i = shown - 1; i >= 0; --i) { // ends on 0, which must overwrite the others
                optClient<QRadioButton>(w, i)->click();
                QCOMPARE(ctl<QLineEdit>(w, "Text1")->text(), QString::number(i));
            }
        }
    }

    // At its smallest, every control of every page lies inside at its caption's size; the lamps
    // show; showing it again does not replay the start.
    void shownWindow()
    {
        frmMonitor w;
        w.Form_Load();
        auto *tabs = ctl<QTabWidget>(w, "SSTab1");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QColor grey = bgrColor(0x00808080); // the start animation runs at the first activation
        QVERIFY(waitUntil(
            [&] { return backColor(&w) == grey && ctl<QLabel>(w, "lblautor")->font().pointSize() == 8; },
            10000));
        // Secrets hidden, received text read-only.
        QVERIFY(ctl<QLineEdit>(w, "txtPassw")->echoMode() == QLineEdit::Password &&
                ctl<TextBox>(w, "Monitor")->isReadOnly());
        for (int i = 0; i < 3; ++i) // stations with long names
            optClient<QRadioButton>(w, i)->setText(
                QStringList{"Laptop Anna", "00:0E:35:AB:CD:EF", "Drucker"}[i]);
        w.fillClients(3);
        w.resize(100, 100);
        QCOMPARE(w.size(), w.minimumClientSize());
        w.setTwWidth(6600); // a stored outer size cannot go below that either
        w.setTwHeight(4230);
        QCOMPARE(w.size(), w.minimumClientSize());
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QTest::qWait(page == 2 ? 300 : 20); // the chart refreshes deferred
            if (page == 1)
                w.fillClients(12); // the longest station list must fit as well
            for (QWidget *c : w.findChildren<QWidget *>()) {
                if (!c->isVisible() || c->isWindow() || qobject_cast<QComboBox *>(c->parentWidget()))
                    continue;
                auto *l = qobject_cast<QLabel *>(c);
                const bool inside = c == ctl<QLabel>(w, "lblautor") ||
                                    w.rect().contains(QRect(c->mapTo(&w, QPoint()), c->size()));
                const bool fits =
                    l && l->wordWrap() ? c->height() >= c->heightForWidth(c->width())
                    : l || qobject_cast<QAbstractButton *>(c)
                        ? c->width() >= c->sizeHint().width() && c->height() >= c->fontMetrics().height()
                    : qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c)
                        ? c->height() >= c->minimumSizeHint().height()
                        : true;
                QVERIFY2(inside && fits, qPrintable(c->objectName() + " on page " + QString::number(page)));
            }
        }
        // The dark-lamp pictures lie on the photo's lamps: shown, the lamp is dark; hidden, it is lit
        // (green: a picture beside its lamp would not show the photo's lamp there).
        for (QLabel *led : {ctl<QLabel>(w, "LED1_aus"), ctl<QLabel>(w, "LED2_aus")}) {
            led->show();
            const QColor dark = w.grab().toImage().pixelColor(led->geometry().center());
            led->hide();
            const QColor lit = w.grab().toImage().pixelColor(led->geometry().center());
            QVERIFY2(dark.value() < 90 && lit.green() > 180 && lit.green() > lit.red() + 40,
                     qPrintable(dark.name() + " / " + lit.name()));
        }
        // A repeated first display must not replay the start.
        setBackColor(&w, bgrColor(0x00FF8080));
        w.hide();
        w.show();
        w.activateWindow();
        QTest::qWait(300);
        QCOMPARE(backColor(&w), bgrColor(0x00FF8080));
    }

    // Each credit step in order, repeated and nested runs; a zero-interval timer sees every step.
    void creditRuns()
    {
        const QString caption = QStringLiteral("Abc");
        const QStringList texts{"A", "Ab", "Abc"}; // the captions shown one after the other
        const int pauses = 151;
        // Point size and pixels below the start after each move.
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
        QLabel *l = ctl<QLabel>(w, "lblautor");
        l->setText(caption);
        const QPoint start = l->pos();
        for (int run : {1, 3}) { // a run, then one into which a click starts a nested one
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
            QVERIFY(waitUntil([&] { return !w.creditRunning(); }, 10000));
            if (run == 1) {
                QCOMPARE(seenMoves, moves);
                QCOMPARE(seenTexts, texts);
                QCOMPARE(seenColours, colours);
                QVERIFY2(seen >= pauses, qPrintable(QString::number(seen)));
            } else {
                QVERIFY2(seen >= 2 * pauses, qPrintable(QString::number(seen)));
            }
            QVERIFY(minimum.hasExpired());
            QCOMPARE(seenMoves.last(), moves.last());
            QVERIFY(l->text() == caption && foreColor(l) == colours.last() && l->pos() == start);
        }
    }

    void windowGoneDuringRun()
    {
        auto *w = new frmMonitor;
        QPointer<frmMonitor> guard(w);
        QTimer::singleShot(100, [w] { delete w; });
        QDeadlineTimer early(1500);
        w->animateCredit();
        QVERIFY(waitUntil([&] { return guard.isNull(); }, 1500));
        QTest::qWait(50); // the run went with the window: no step touches a dead label
        QVERIFY(!early.hasExpired());
    }

    // A window timer runs only when enabled with an interval above 0; interval 0 never fires; a
    // new interval counts from when it is set; a negative one is refused.
    void winTimer()
    {
        // interval, enabled, interval set 5 ms later, running, ticks in the 100 ms after that
        for (const auto &[interval, enabled, later, running, ticks] : {std::tuple{10, false, 10, false, 0},
                                                                       {0, true, 0, false, 0},
                                                                       {10, true, 0, false, 0},
                                                                       {0, true, 10, true, 10},
                                                                       {10, true, 30, true, 3},
                                                                       {0, true, -1, false, 0}}) {
            SteppedClock clock;
            std::unique_ptr<WinTimer> t(clock.createTimer(interval, nullptr));
            int seen = 0;
            connect(t.get(), &WinTimer::timeout, this, [&] { ++seen; });
            t->setEnabled(enabled);
            clock.advance(5);
            t->setInterval(later);
            clock.advance(100);
            QVERIFY2(t->interval() == (later < 0 ? interval : later) && t->isRunning() == running &&
                         seen == ticks,
                     qPrintable(QString::asprintf("%d, %d, %d", interval, enabled, later)));
        }
    }

    void bars()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMonitor w;
        w.Form_Load();
        const QStringList texts{"50", "62,5", "", "62.5", "-3", "abc", " 1 2", "250", "-1,5"};
        const QList<float> bars{50, 62, 0, 62.5f, 62.5f, 0, 12, 250, 250};
        for (int i = 0; i < texts.size(); ++i) {
            ctl<QLineEdit>(w, "txtRXSign")->setText(texts[i]);
            ctl<QLineEdit>(w, "txtAckSign")->setText(texts[i]);
            QCOMPARE(
                QList<float>({ctl<SignalBar>(w, "RXBar")->valueF(), ctl<SignalBar>(w, "AcknBar")->valueF()}),
                QList<float>(2, bars[i]));
        }
        ctl<QLineEdit>(w, "txtRXSign")->setText(QString(400, QChar('9')));
        QCOMPARE(ctl<SignalBar>(w, "RXBar")->value(),
                 ctl<SignalBar>(w, "RXBar")->maximum()); // beyond a float: full
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
