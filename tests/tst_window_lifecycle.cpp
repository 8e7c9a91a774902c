// The window: its captions, boxes, pages, station buttons, layout, credit run and timers; the
// start: the settings file's name and folder, the first start that creates it, the command
// line; the end; the settings file on a full disk and when it cannot be read: the old file is
// never lost, and a failed save never passes for success. (One-shot runs of the installed
// program, through the window: install_test.sh.)
#include <QAccessible>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <QtWidgets>
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>

#include "app/startstop.h"
#include "apsim.h"
#include "config/filename.h"
#include "config/settingslocation.h"
#include "session/cmdline.h"
#include "testsupport.h"
#include "ui/builders.h"
#include "ui/clientspage.h"
#include "ui/controls.h"
#include "ui/credit.h"
#include "ui/frmMonitor.h"
#include "ui/loginpage.h"
#include "ui/widgets.h"
#include "ui/windowgeometry.h"

namespace {

// A prefix laid out like an installation or a plain folder, with HOME and XDG_CONFIG_HOME into it
// (each start sets both afresh).
struct Layout
{
    QTemporaryDir dir;

    Layout(bool installed, const QString &xdg)
    {
        QDir(dir.path()).mkpath(QStringLiteral("usr/share/applications"));
        QDir(dir.path()).mkpath(QStringLiteral("usr/bin"));
        if (installed)
            writeFile(path(QStringLiteral("usr/share/applications/") + fDesktopEntryName()),
                      "[Desktop Entry]\n");
        qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", QString(xdg).replace(QStringLiteral("<tmp>"), dir.path()).toLocal8Bit());
    }
    QString path(const QString &relative) const { return QDir::cleanPath(dir.filePath(relative)); }
};

constexpr int kPage = 4096; // tmpfs hands out space in pages

// A temporary folder with a private tmpfs on it, holding one page (the settings file, else a
// one-byte "filler": a tmpfs of size 0 has no bound) and exactly freePages pages free.
struct SmallFs
{
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
    QString why; // why it could not be set up; empty when it was
    bool mounted = false;
    SmallFs(int freePages, const QByteArray &settings = {})
    {
        static const bool privateNamespace =
            unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        const QByteArray options = "size=" + QByteArray::number((freePages + 1) * kPage) + ",mode=0700";
        mounted = dir.isValid() && privateNamespace &&
                  mount("senvaro-test", QFile::encodeName(dir.path()).constData(), "tmpfs",
                        MS_NOSUID | MS_NODEV, options.constData()) == 0;
        if (!mounted)
            why = "no private tmpfs: " + QString::fromLocal8Bit(strerror(errno));
        const bool first = settings.isNull();
        if (mounted &&
            (!writeFile(first ? dir.filePath(QStringLiteral("filler")) : ini, first ? "x" : settings) ||
             QStorageInfo(dir.path()).bytesAvailable() != qint64(freePages) * kPage))
            why = QStringLiteral("could not leave exactly %1 free pages").arg(freePages);
    }
    ~SmallFs()
    {
        if (mounted)
            umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
};

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

const QByteArray storedSettings = "[Server]\r\nIP=127.0.0.81\r\n[bekannte MAC-Adressen]\r\nAnzahl=1\r\n"
                                  "MAC-Adr.1=00:11:22:33:44:55\r\nName 1=Dach\r\n";

void checkBox(const Dialogs::Request &box, const QString &action, const QString &ini, const QString &reason)
{
    QCOMPARE(box.title, QStringLiteral("Fehler beim %1 der Ini-Datei").arg(action));
    QCOMPARE(box.icon, Dialogs::Icon::Critical);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(ini)) && box.text.contains(reason),
             qPrintable(box.text));
}

} // namespace

class TestWindowLifecycle : public QObject
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

    // A box on a page not shown keeps its exact text at once and lays nothing out; once its page
    // comes up it shows what it would have shown filled while shown (CR LF split by the hiding is
    // one break, NUL a picture). Typing and new text while hidden: tst_window_login.
    void hiddenTextBox()
    {
        QTabWidget tabs;
        auto *box = new TextBox;
        tabs.addTab(box, "eins");
        tabs.addTab(new QWidget, "zwei");
        tabs.show();
        box->appendText("one\r");
        tabs.setCurrentIndex(1);
        box->appendText(QString::fromLatin1("\ntwo\0\r", 6));
        box->appendText("\nthree");
        QCOMPARE(box->text(), QString::fromLatin1("one\r\ntwo\0\r\nthree", 16));
        QVERIFY(!box->isDisplayCurrent());
        tabs.setCurrentIndex(0);
        QCOMPARE(box->toPlainText(), QString("one\ntwo\u2400\nthree"));
    }

    // The box on screen after replies as polling brings them (emptied, then chunks without line
    // breaks, one longer than a display line) and as the login brings them (lines): the same
    // as a plain box given the displayed text at once, scrolled to its end. A reply much like the
    // one before redraws only the rows that changed; one that changes the rows' places, or is
    // shorter, all that differ. Only the lines near the end keep their shaped glyphs for the next
    // paint, so a long text costs no more memory.
    void textBoxShowsWhatAPlainBoxShows()
    {
        QWidget host;
        host.resize(660, 260);
        auto *box = new TextBox(&host);
        box->setEmptyingHeld(true); // as the reply box
        auto *plain = new QPlainTextEdit(&host);
        for (QPlainTextEdit *e : {static_cast<QPlainTextEdit *>(box), plain}) {
            e->setReadOnly(true);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            e->resize(320, 230);
        }
        plain->move(330, 0);
        auto *focus = new QLineEdit(&host); // as in the window, the focus is elsewhere
        focus->setGeometry(0, 235, 100, 20);
        focus->setFocus();
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        auto onScreen = [&](QWidget *w) {
            return host.screen()->grabWindow(host.winId(), w->x(), w->y(), w->width(), w->height()).toImage();
        };
        auto replyOf = [](int stations, int level) {
            QString reply;
            for (int i = 0; i < stations; ++i)
                reply += QString(49, '*') +
                         QStringLiteral("02:11:A0:00:00:%1 RxSignalStrength: %2 Authentication "
                                        "Type: Open System WLAN Mode: 11g, Rx Data Rate: 54 Mbps")
                             .arg(i, 2, 10, QChar('0'))
                             .arg(i == 10 ? level : 40 + i);
            return reply;
        };
        const QString reply = replyOf(12, 50);
        const QString lines = QStringLiteral("login: admin\r\npassword: \r\nWelcome\r\nDWL-2100AP> ");
        for (const QStringList &chunks :
             {QStringList{reply.left(900), reply.mid(900)}, QStringList{reply}, QStringList{replyOf(12, 51)},
              QStringList{replyOf(12, 7)}, QStringList{replyOf(9, 7)},
              QStringList{lines, lines + lines, reply}}) {
            box->setText(QString());
            for (const QString &chunk : chunks) {
                box->appendText(chunk);
                QCoreApplication::processEvents(); // the window's update after each chunk
            }
            plain->setPlainText(box->toPlainText());
            plain->verticalScrollBar()->setValue(plain->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
            QVERIFY(box->verticalScrollBar()->maximum() > 0);
            QCOMPARE(onScreen(box), onScreen(plain));
        }
        // One changed digit: its row alone is drawn again. A mark put on the screen's copy of
        // the box stays where the rows did not change (looked at above the empty stretch that
        // follows the text).
        box->setText(QString());
        box->appendText(reply);
        QCoreApplication::processEvents();
        const QRect port(box->viewport()->mapTo(&host, QPoint()), box->viewport()->size());
        QBackingStore *store = host.backingStore();
        store->beginPaint(port);
        QPainter(store->paintDevice()).fillRect(port, Qt::red);
        store->endPaint();
        box->setText(QString());
        box->appendText(replyOf(12, 52));
        QCoreApplication::processEvents();
        const QImage shown = onScreen(box);
        const QRect inside = port.translated(-box->pos());
        int drawn = 0;
        for (int y = inside.top(); y < inside.top() + inside.height() * 3 / 4; ++y)
            drawn += shown.pixelColor(inside.left() + 2, y) != QColor(Qt::red);
        QVERIFY2(drawn > 0 && drawn <= box->fontMetrics().lineSpacing(), qPrintable(QString::number(drawn)));
        // Emptied with nothing following, it shows empty a moment later.
        box->setText(QString());
        QVERIFY(!box->toPlainText().isEmpty());
        QTRY_VERIFY(box->toPlainText().isEmpty());
        box->appendText(reply);
        box->setEmptyingHeld(false); // any other box ("löschen" on the manual page) empties at once
        box->setText(QString());
        QVERIFY(box->toPlainText().isEmpty());
        box->setText(QString());
        QString many;
        for (int i = 0; i < 400; ++i)
            many += QStringLiteral("Zeile %1\r\n").arg(i);
        box->appendText(many);
        box->appendText(many);
        QVERIFY(box->document()->lastBlock().layout()->cacheEnabled());
        for (int block : {399, 750})
            QVERIFY2(!box->document()->findBlockByNumber(block).layout()->cacheEnabled(),
                     qPrintable(QString::number(block)));
    }

    // A page that lays itself out anew (a status text of another length) repaints itself, not the
    // tab control with its bar and the other controls; a page that needs more room still makes the
    // window around the tab control grow.
    void pageRelayoutStaysInThePage()
    {
        frmMonitor w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QColor grey = bgrColor(0x00808080); // the start animation, which repaints all, is over
        QVERIFY(waitUntil(
            [&] { return backColor(&w) == grey && ctl<QLabel>(w, "lblautor")->font().pointSize() == 8; },
            10000));
        auto record = std::make_unique<PaintRecorder>();
        page<LoginPage>(w)->setStatusText(
            QStringLiteral("Schwaches Signal\r\n02:11:A0:00:00:07: Empfangspegel 10 %"));
        QTest::qWait(50);
        page<LoginPage>(w)->setStatusText(QStringLiteral("Signal wieder gut"));
        QTest::qWait(50);
        const auto painted = record->painted;
        record.reset();
        QVERIFY(painted.contains(ctl<QLabel>(w, "lblStatus")));
        for (QWidget *other :
             {static_cast<QWidget *>(ctl<QTabWidget>(w, "SSTab1")->tabBar()),
              static_cast<QWidget *>(ctl<QToolButton>(w, "CmdLogin")), ctl<QWidget>(w, "Image1")})
            QVERIFY2(!painted.contains(other), qPrintable(other->objectName()));

        QWidget top;
        auto *tabs = new SSTab(&top, QSize(60, 20));
        auto *content = new QWidget;
        auto *inner = new QVBoxLayout(content);
        inner->addWidget(new QLabel(QStringLiteral("eins")));
        tabs->addTab(content, QStringLiteral("eins"));
        (new QVBoxLayout(&top))->addWidget(tabs);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        tabs->watchRelayouts();
        auto *tall = new QWidget;
        tall->setMinimumHeight(top.height() + 200);
        inner->addWidget(tall);
        QTRY_VERIFY(top.height() > tall->minimumHeight());
    }

    void pageChange()
    {
        QList<std::array<int, 5>> rows; // from, to, connected, polling before, polling after
        for (int to : {0, 1, 2, 4, 5})  // leaving "manuell" resumes polling only when connected
            for (int c : {0, 1})
                rows.append({3, to, c, 0, c});
        for (int p : {0, 1}) // entering it always stops polling (other changes: tst_window_clients)
            rows.append({1, 3, 1, p, 0});
        for (auto [from, to, connected, before, after] : rows) {
            frmMonitor w(nullptr, std::make_shared<SteppedClock>());
            w.Form_Load();
            auto *tabs = ctl<QTabWidget>(w, "SSTab1");
            if (connected) // the connect event without a connection: no access point is needed here
                w.session().TCPClient_Connect();
            w.session().setPollInterval(7000);
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

    // The window's group boxes draw their frame themselves: exactly as the application's style
    // draws it, with a caption or none, checkable or not.
    void groupBoxesAsTheStyleDrawsThem()
    {
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion")); // as on a bare desktop
        QWidget host;
        host.resize(300, 260);
        QList<std::pair<QGroupBox *, QGroupBox *>> boxes; // built by the window's builder, plain
        for (const QString &caption : {QStringLiteral("Geräte im Netzwerk"), QString()}) {
            for (bool checkable : {false, true}) {
                auto *own = ui::groupBox(&host, "own", caption);
                auto *plain = new QGroupBox(caption, &host);
                const int y = int(boxes.size()) * 64;
                own->setGeometry(0, y, 140, 60);
                plain->setGeometry(150, y, 140, 60);
                own->setCheckable(checkable);
                plain->setCheckable(checkable);
                boxes.append(std::pair{own, plain});
            }
        }
        frmMonitor w;
        QVERIFY(boxes[0].first->style() != QApplication::style() &&
                ctl<QGroupBox>(w, "Frame3")->style() == boxes[0].first->style());
        for (const auto &[own, plain] : boxes)
            QVERIFY2(own->grab().toImage() == plain->grab().toImage(), qPrintable(plain->title()));
    }

    // An editable combo box whose list is made when first opened is, shown and opened, the one
    // setEditable(true) makes.
    void editableComboAsQtMakesIt()
    {
        QWidget host;
        auto *row = new QHBoxLayout(&host);
        auto *own = ui::editableComboBox(&host, "own");
        auto *plain = new QComboBox(&host);
        plain->setEditable(true);
        auto *elsewhere = new QPushButton("x", &host); // holds the focus
        for (QComboBox *box : {own, plain}) {
            box->setInsertPolicy(QComboBox::NoInsert);
            box->addItems({"127.0.0.1", "Lager (127.0.0.2)", "Halle"});
            box->setEditText("192.168.0.50");
            row->addWidget(box);
        }
        row->addWidget(elsewhere);
        host.show();
        elsewhere->setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QVERIFY(own->isEditable() && own->lineEdit()->text() == "192.168.0.50");
        QCOMPARE(own->size(), plain->size());
        QCOMPARE(own->focusPolicy(), plain->focusPolicy());
        QVERIFY(own->grab().toImage() == plain->grab().toImage());
        QList<QImage> lists; // each opened in turn: an open list is the active window
        for (QComboBox *box : {own, plain}) {
            box->showPopup();
            lists << box->view()->window()->grab().toImage();
            box->hidePopup();
        }
        QCOMPARE(own->view()->itemDelegate()->metaObject()->className(),
                 plain->view()->itemDelegate()->metaObject()->className());
        QCOMPARE(own->view()->verticalScrollBarPolicy(), plain->view()->verticalScrollBarPolicy());
        QVERIFY(lists[0] == lists[1]);
    }

    // At its smallest, every control of every page lies inside at its caption's size; the lamps
    // show; showing it again does not replay the start.
    void shownWindow()
    {
        frmMonitor w;
        w.Form_Load();
        auto *tabs = ctl<QTabWidget>(w, "SSTab1");
        const QSize atStart = w.size();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QColor grey = bgrColor(0x00808080); // the start animation runs at the first activation
        QVERIFY(waitUntil(
            [&] { return backColor(&w) == grey && ctl<QLabel>(w, "lblautor")->font().pointSize() == 8; },
            10000));
        // The pages are fitted in once the window is drawn: with everyday fonts none needs more
        // than the window has at the start, so it does not grow before the user's eyes.
        QCOMPARE(w.size(), atStart);
        // Secrets hidden, received text read-only.
        QVERIFY(ctl<QLineEdit>(w, "txtPassw")->echoMode() == QLineEdit::Password &&
                ctl<TextBox>(w, "Monitor")->isReadOnly());
        for (int i = 0; i < 3; ++i) // stations with long names
            optClient<QRadioButton>(w, i)->setText(
                QStringList{"Laptop Anna", "00:0E:35:AB:CD:EF", "Drucker"}[i]);
        page<ClientsPage>(w)->fillClients(3);
        w.resize(100, 100);
        QCOMPARE(w.size(), w.minimumClientSize());
        setTwWidth(&w, 6600); // a stored outer size cannot go below that either
        setTwHeight(&w, 4230);
        QCOMPARE(w.size(), w.minimumClientSize());
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QTest::qWait(page == 2 ? 300 : 20); // the chart refreshes deferred
            if (page == 1)
                ::page<ClientsPage>(w)->fillClients(12); // the longest station list must fit as well
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
        // A bar's new value is drawn in the window's next update, not at once in a frame of its
        // own (as a progress bar repaints).
        struct : QObject
        {
            QStringList seen; // the bars' values as drawn
            bool eventFilter(QObject *o, QEvent *e) override
            {
                if (auto *bar = qobject_cast<SignalBar *>(o); bar && e->type() == QEvent::Paint)
                    seen << bar->objectName() + ":" + QString::number(bar->value());
                return false;
            }
        } paints;
        tabs->setCurrentIndex(1);
        QApplication::processEvents();
        w.repaint(); // nothing left to draw
        qApp->installEventFilter(&paints);
        for (const auto &[text, drawn] : {std::pair{"62.5", "RXBar:625"}, {"63", "RXBar:630"}}) {
            paints.seen.clear();
            ctl<QLineEdit>(w, "txtRXSign")->setText(text);
            QCOMPARE(paints.seen, QStringList());
            QVERIFY(QTest::qWaitFor([&, drawn = drawn] { return paints.seen.contains(drawn); }));
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
            animateCredit(&w, ctl<QLabel>(w, "lblautor"));
            QVERIFY(waitUntil([&] { return !creditRunning(&w); }, 10000));
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

    // The name cut at the first dot; Unix paths are walked by the starts below.
    void fileNameRules()
    {
        const QList<std::pair<QString, QString>> rows{{"C:senvaro.exe", "SENVARO"}, // drive prefix
                                                      {"ab:c.exe", "AB:C"},         // colon elsewhere
                                                      {"C:\\dir\\", ""},            // trailing separator
                                                      {"/x/.hidden", ""},           // dot first
                                                      {"/senvaro.x.y", "SENVARO"}}; // several dots
        for (const auto &[path, expected] : rows)
            QCOMPARE(fFileName(path, true), expected);
    }

    // The question names the folder used: beside the executable, or for an installed copy (even with
    // a folder of the file's name beside it) the user's configuration folder. Yes creates it owner
    // only; No leaves no trace; a folder that cannot be created fails as the file does (status 1).
    void firstStart()
    {
        // installed (a desktop entry in ../share/applications/), XDG_CONFIG_HOME (<tmp>: the layout's
        // folder), status (-1: the program goes on; 0: the question answered No), the folder used
        for (const auto &[installed, xdg, status, folder] :
             QList<std::tuple<bool, QString, int, QString>>{{true, "<tmp>/cfg", -1, "cfg/senvaro"},
                                                            {true, "cfg", 0, "home/.config/senvaro"},
                                                            {true, "<tmp>/blocked", 1, "blocked/senvaro"},
                                                            {false, "<tmp>/cfg", -1, "usr/bin"}}) {
            Layout layout(installed, xdg);
            if (installed)
                QVERIFY(QDir(layout.dir.path()).mkpath(QStringLiteral("usr/bin/SENVARO.INI")));
            QVERIFY(writeFile(layout.path(QStringLiteral("blocked")), "not a folder"));
            ScriptedDialogs dialogs;
            ProcessEndRecorder ends;
            dialogs.answer(status == 0 ? Dialogs::Answer::No : Dialogs::Answer::Yes);
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
            const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
            std::unique_ptr<frmMonitor> w(
                StartStop::Main(layout.path(QStringLiteral("usr/bin/Senvaro.exe")), QString()));
            QLocale::setDefault(QLocale::c());
            const QString ini = layout.path(folder + QStringLiteral("/SENVARO.INI"));
            QCOMPARE(dialogs.asked().size(), status == 1 ? 2 : 1);
            const Dialogs::Request &q = dialogs.asked().first();
            QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::None &&
                    q.title == QStringLiteral("Fehler beim Lesen der Ini-Datei"));
            QCOMPARE(q.text, "Die Ini-Datei 'SENVARO.INI' konnte im Programmverzeichnis\r\n" +
                                 QDir::toNativeSeparators(layout.path(folder)) +
                                 "\r\nnicht gefunden werden.\r\n\r\nSoll automatisch eine neue Ini-Datei "
                                 "angelegt werden ?");
            QCOMPARE(bool(w), status == -1);
            QCOMPARE(QFileInfo::exists(layout.path(folder)), status == -1 || !installed);
            QCOMPARE(ends.lastStatus(), status);
            const Dialogs::Request &box = dialogs.asked().last();
            if (status == 1)
                QVERIFY2(box.icon == Dialogs::Icon::Critical &&
                             box.text.contains(QDir::toNativeSeparators(ini)),
                         qPrintable(box.text));
            if (status != -1)
                continue;
            QCOMPARE(w->settingsFolder(), QFileInfo(ini).absolutePath()); // the history log goes there too
            const QStringList lines = QString::fromLatin1(readFile(ini)).split(QStringLiteral("\r\n"));
            QCOMPARE(lines.mid(0, 3), QStringList({"Diese Ini-Datei wurde am " + today + " von ",
                                                   "'Senvaro.exe' automatisch generiert.", ""}));
            QCOMPARE(int(QFile::permissions(ini) & 0x77), 0); // owner only
            if (installed)                                    // a plain copy's folder is its owner's business
                QCOMPARE(int(QFile::permissions(layout.path(folder)) & 0x77), 0);
        }
    }

    // The close box unloads without saving and drops the connection; the process is not ended
    // through the orderly path ENDE takes.
    void closeBoxWhileConnected()
    {
        const QByteArray stored =
            "[Server]\r\nIP=127.0.0.80\r\n[User]\r\nName=admin\r\nPasswort=admin\r\n"
            "Polling Zyklus in Sekunden=3\r\nBenutzername speichern=1\r\nPasswort speichern=1\r\n";
        apsim::ApSim sim; // account admin/admin
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.80"))), qPrintable(sim.errorString()));
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
        QVERIFY(writeFile(ini, stored));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        std::unique_ptr<frmMonitor> w(StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));
        QVERIFY(w && ctl<QComboBox>(*w, "cmbZyklus")->currentText() == QStringLiteral("3"));
        ctl<QComboBox>(*w, "cmbZyklus")->setEditText(QStringLiteral("7"));
        ctl<QToolButton>(*w, "CmdLogin")->click();
        QVERIFY(waitUntil([&] { return w->session().verbunden() && sim.openConnections() == 1; }, 5000));
        w->close();
        QVERIFY(w->isUnloaded() && ends.calls() == 0 && dialogs.asked().isEmpty());
        QCOMPARE(readFile(ini), stored);
        QVERIFY(waitUntil([&] { return sim.openConnections() == 0; }, 3000));
    }

    // The event program of the settings file runs on the window's presence events too.
    void eventProgramFromTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("events"));
        const QString program = dir.filePath(QStringLiteral("program"));
        QVERIFY(writeFile(program, "#!/bin/sh\necho \"$SENVARO_EVENT $SENVARO_MAC $SENVARO_AP\" >>" +
                                       out.toUtf8() + "\n"));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray stored =
            "[Server]\r\nIP=127.0.0.81\r\n[User]\r\nName=admin\r\nPasswort=admin\r\n"
            "Polling Zyklus in Sekunden=2\r\nBenutzername speichern=1\r\nPasswort speichern=1\r\n"
            "[Ereignisse]\r\nProgramm=" +
            program.toLatin1() + "\r\n";
        apsim::Options o;
        o.stations = apsim::makeStations(1);
        apsim::ApSim sim(o);
        QVERIFY2(sim.listen(QHostAddress(QStringLiteral("127.0.0.81"))), qPrintable(sim.errorString()));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("SENVARO.INI")), stored));
        ScriptedDialogs dialogs;
        ProcessEndRecorder ends;
        // The login and the polls on a stepped clock; the program itself runs in real time.
        auto clock = std::make_shared<SteppedClock>();
        std::unique_ptr<frmMonitor> w(
            StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString(), clock));
        QVERIFY(w);
        ctl<QToolButton>(*w, "CmdLogin")->click();
        const QString mac = apsim::makeStations(1)[0].mac;
        const QByteArray line = "fremd " + mac.toLatin1() + " 127.0.0.81";
        QElapsedTimer waited;
        waited.start();
        while (!readFile(out).contains(line) && waited.elapsed() < 15000) {
            clock->advance(100);
            QTest::qWait(1); // the simulator's reply, over loopback
        }
        QVERIFY2(readFile(out).contains(line), readFile(out).constData());
        w->close();
    }

    // Command-line request: address check and normalisation, field rules, window state.
    void checkIP()
    {
        const QStringList good = // each followed by its normalised form
            {"10.0.0.1",        "10.0.0.1",     "255.255.255.255",     "255.255.255.255",
             "192.168.000.050", "192.168.0.50", "00010.00000.0.00001", "10.0.0.1"};
        for (qsizetype i = 0; i < good.size(); i += 2) {
            QString s = good[i];
            QVERIFY2(fCheckIP(s), qPrintable(good[i]));
            QCOMPARE(s, good[i + 1]);
        }
        const QStringList bad = // limits, parts, digits, overflow, blanks, signs
            {"9.255.255.255", "10.0.0.0",           "10.0.0.256", "256.0.0.1",    "10.256.0.1",
             "10.0.0",        "10.0.0.1.2",         "10.0.0.1.",  "10..0.1",      "",
             "000010.0.0.1",  "10.0.0.99999999999", "10.0. 0.1",  "10.0.0.1 ",    "10.+0.0.1",
             "10.-0.0.1",     "10.0.0.0x1",         "a.b.c.d",    "10.0.0.\u0661"};
        for (const QString &in : bad) {
            QString s = in;
            QVERIFY2(!fCheckIP(s), qPrintable(in));
            QCOMPARE(s, in);
        }
    }

    // How fields are cut and which one wins is checked against the field functions by
    // fuzz/fuzz_cmdline; these rows hold the words, their commands and captions, and the
    // trimming (only blanks), which the fuzzer's reference shares with the evaluation.
    void evaluate()
    {
        // argument, command (none: no action), address, caption (none: "Senvaro - Parameter: " + argument)
        const QList<std::array<QString, 4>> rows{
            {"/192.168.0.50/R", "reboot", "192.168.0.50", "reboot"},
            {"/192.168.000.050/ETH1", "set eth2sta enable", "192.168.0.50", "enable ETH"},
            {"/r/eth0/R\t", "", "", ""},
            {"/ETH0/ R ", "reboot", "", "reboot"},
            // 20 000 fields: the ones at the far end decide, by the same rules.
            {QString("/R/10.0.0.1").repeated(20000) + "/ETH0/10.0.0.2", "set eth2sta disable", "10.0.0.2",
             "disable ETH"}};
        for (const auto &[arg, command, ip, caption] : rows) {
            const ParamRequest r = evaluateParameters(arg);
            QVERIFY2(r.mode == !command.isEmpty() && r.command == command && r.ip == ip,
                     qPrintable(arg.left(30)));
            QCOMPARE(r.caption, caption.isEmpty() ? QStringLiteral("Senvaro - Parameter: ") + arg : caption);
        }
    }

    // A full disk: the old file stays byte for byte, no temporary or empty file is left, a box names
    // file and reason. A first start with room for the header only comes up; with room enough ENDE saves.
    void fullDisk()
    {
        // first start, free pages, status (-1: the program goes on; unless 0, a box says writing
        // failed), the ending of the file afterwards (or part of a new one)
        for (const auto &[firstStart, freePages, status, ending] :
             {std::tuple{false, 1, 1, storedSettings},               // ENDE, cut inside a record
              {false, 3, 0, QByteArray("\r\nist_AP 70=Falsch\r\n")}, // ENDE, room enough
              {true, 1, -1, QByteArray("generiert.\r\n\r\n")}}) {    // room for the header only
            SmallFs fs(freePages, firstStart ? QByteArray() : storedSettings);
            if (!fs.why.isEmpty())
                QSKIP(qPrintable(fs.why));
            ScriptedDialogs dialogs;
            ProcessEndRecorder ends;
            dialogs.answer(Dialogs::Answer::Yes);
            std::unique_ptr<frmMonitor> w(
                StartStop::Main(fs.dir.filePath(QStringLiteral("senvaro")), QString()));
            QVERIFY(w);
            if (!firstStart) {
                // Two pages of records, but below the 16 KiB the file layer buffers before writing.
                KnownClients many;
                many.resize(70);
                for (int i = 1; i <= 70; ++i)
                    many[i - 1] = {"00:11:22:33:44:55", QStringLiteral("Client %1").arg(i, -15),
                                   "192.168.0.1", "Falsch"};
                w->setKnownClients(many);
                ctl<QToolButton>(*w, "CmdEnde")->click();
            }
            QCOMPARE(ends.lastStatus(), status);
            QCOMPARE(entries(fs.dir.path()).join(' '),
                     QString(firstStart ? "filler SENVARO.INI" : "SENVARO.INI"));
            QCOMPARE(int(dialogs.asked().size()), int(firstStart) + int(status != 0));
            if (status != 0)
                checkBox(dialogs.asked().last(), "Schreiben", fs.ini, "nicht genug Platz");
            QVERIFY(status == 0 ? readFile(fs.ini).contains(ending) : readFile(fs.ini).endsWith(ending));
        }
    }

    // Something unreadable at the settings path: at start a box names it and the reason and the
    // window shows the defaults; at ENDE a box says nothing was saved, status 1, path untouched.
    void unreadableSettingsFile()
    {
        for (const bool folder : {true, false}) {
            const QString reason = folder ? QStringLiteral("Ordner") : QStringLiteral("verweist auf");
            QTemporaryDir dir;
            const QString ini = dir.filePath(QStringLiteral("SENVARO.INI"));
            if (folder)
                QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SENVARO.INI")));
            else // the target's folder exists: writing through the link would create it
                QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone.ini")), ini));
            ScriptedDialogs dialogs;
            ProcessEndRecorder ends;
            std::unique_ptr<frmMonitor> w(
                StartStop::Main(dir.filePath(QStringLiteral("senvaro")), QString()));

            QVERIFY(w && ends.calls() == 0 && ctl<QLineEdit>(*w, "txtIP")->text() == "192.168.0.1");
            ctl<QToolButton>(*w, "CmdEnde")->click();
            QVERIFY(ends.calls() == 1 && ends.lastStatus() == 1 && dialogs.asked().size() == 2);
            checkBox(dialogs.asked()[0], QStringLiteral("Lesen"), ini, reason);
            checkBox(dialogs.asked()[1], QStringLiteral("Schreiben"), ini, reason);
            const QFileInfo after(ini); // still the folder, or the link to the same target
            QVERIFY(after.isDir() || after.symLinkTarget() == dir.filePath(QStringLiteral("gone.ini")));
            QCOMPARE(entries(dir.path()), QStringList({"SENVARO.INI"}));
        }
    }
};

QTEST_MAIN(TestWindowLifecycle)
#include "tst_window_lifecycle.moc"
