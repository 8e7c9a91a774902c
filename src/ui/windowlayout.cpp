#include "ui/windowlayout.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

#include "ui/antwortenpage.h"
#include "ui/builders.h"
#include "ui/chartpage.h"
#include "ui/clientspage.h"
#include "ui/controls.h"
#include "ui/loginpage.h"
#include "ui/manuellpage.h"
#include "ui/setuppage.h"
#include "ui/verlaufpage.h"
#include "ui/widgets.h"

using namespace ui;

namespace {

// ---- Fixed geometry of the window, in twips ----
constexpr int tabLeft = 120;
constexpr int tabTop = 120;
constexpr int tabWidth = 7035;
constexpr int tabHeight = 4695;
constexpr int tabRowHeight = 520;
constexpr int clientWidth = 7170;
constexpr int clientHeight = 6270;
// The designed six pages and "Verlauf" share one row: each tab gets its caption and
// an equal share of what is left.
constexpr int pagesPerRow = 7;

// The photo (accesspoint.svg, drawn at 1:1) and where its lamps sit on it, in pixels.
// The tab control covers the photo's top edge; the bezel with the lamps shows below it.
constexpr QSize photoSize{288, 128};
constexpr int photoHiddenTop = 50; // pixels of the photo behind the tab control
constexpr QSize lampOffSize{20, 14};
constexpr QPoint lamp1Centre{76, 74};  // data activity
constexpr QPoint lamp2Centre{108, 74}; // connection

class ClickFilter : public QObject
{
public:
    ClickFilter(QObject *parent, std::function<void()> onClick)
        : QObject(parent), m_onClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onClick;
};

} // namespace

void keepOwnPalette(QWidget *w)
{
    QPalette p = QApplication::palette(w);
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
}

namespace {

class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget *window, std::function<void()> task) : QObject(window), m_task(std::move(task))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_task();
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_task;
};

} // namespace

void afterFirstPaint(QWidget *window, std::function<void()> task)
{
    new AfterFirstPaint(window, std::move(task));
}

void onClick(QWidget *label, std::function<void()> handler)
{
    label->installEventFilter(new ClickFilter(label, std::move(handler)));
    label->setCursor(Qt::PointingHandCursor);
}

WindowFrame WindowFrame::create(QWidget *window)
{
    WindowFrame f;
    f.Image1 = label(window, "Image1", QString());
    f.Image1->setPixmap(
        svgPixmap(QStringLiteral(":/pictures/accesspoint.svg"), photoSize, window->devicePixelRatioF()));
    f.Image1->setFixedSize(photoSize);
    // Filled with the window's colour, the photo is opaque: a lamp that changes repaints
    // the photo alone, not the window behind it as well.
    f.Image1->setAutoFillBackground(true);
    f.Image1->setAccessibleName(QStringLiteral("Access Point"));

    auto *tab = new SSTab(window, QSize((tw(tabWidth) - 4) / pagesPerRow, tw(tabRowHeight)));
    f.tab = named(static_cast<QTabWidget *>(tab), "SSTab1");
    keepOwnPalette(f.tab);

    f.LED1_aus = label(window, "LED1_aus", QString());
    f.LED2_aus = label(window, "LED2_aus", QString());
    for (QLabel *led : {f.LED1_aus, f.LED2_aus}) {
        led->setPixmap(
            svgPixmap(QStringLiteral(":/pictures/lamp_off.svg"), lampOffSize, window->devicePixelRatioF()));
        led->setFixedSize(lampOffSize);
    }
    f.LED1_aus->setAccessibleName(QStringLiteral("Datenlampe aus"));
    f.LED2_aus->setAccessibleName(QStringLiteral("Verbindungslampe aus"));
    f.CmdEnde = pictureButton(window, "CmdEnde", QStringLiteral("ENDE"), "ende", 32);
    keepOwnPalette(f.CmdEnde);
    f.lblautor = label(window, "lblautor", QStringLiteral("Senvaro - freie Software unter der GPLv3"));
    f.lblautor->setFont(QFont(QStringLiteral("Arial"), 12));
    f.lblautor->setAutoFillBackground(false);
    setForeColor(f.lblautor, bgrColor(0x0000FFFF));
    f.Text1 = textBox(window, "Text1", QStringLiteral("Text1"));
    f.Text1->hide();
    return f;
}

void WindowFrame::layout(QWidget *window) const
{
    auto *bar = static_cast<SSTab *>(tab)->bar();
    // The style draws a caption inside its tab less its padding: seven captions with
    // that padding need a little more than the designed row, so the row grows to them.
    int captions = 0;
    for (int i = 0; i < bar->count(); ++i)
        captions += bar->fontMetrics().horizontalAdvance(bar->tabText(i));
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) + 2;
    const int designedWidth = std::max(tw(tabWidth), captions + padding * bar->count() + 4);
    bar->setTabExtent(QSize((designedWidth - 4) / pagesPerRow, tw(tabRowHeight)));
    tab->setGeometry(tw(tabLeft), tw(tabTop), designedWidth, tw(tabHeight));
    // What every page needs is known only once all their controls are made, styled and
    // measured: for a window not yet shown that waits until its first screen is drawn
    // (WindowPages::create arranges it).
    if (window->isVisible()) {
        tab->resize(tab->size().expandedTo(tab->minimumSizeHint()));
    } else if (auto *stack = tab->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        // A page stack never sized would first be sized to all its pages when shown; the
        // tab control gives it its place then anyway.
        stack->resize(tab->size());
    }
    if (tab->width() != designedWidth)
        bar->setTabExtent(QSize((tab->width() - 4) / pagesPerRow, tw(tabRowHeight)));

    const QRect tabRect = tab->geometry();
    const int left = tabRect.left();
    const int right = tabRect.left() + tabRect.width(); // exclusive
    const int below = tabRect.top() + tabRect.height();

    Image1->move(left, below - photoHiddenTop);
    Image1->lower();
    const QPoint lampOffset(lampOffSize.width() / 2, lampOffSize.height() / 2);
    LED1_aus->move(Image1->pos() + lamp1Centre - lampOffset);
    LED2_aus->move(Image1->pos() + lamp2Centre - lampOffset);

    CmdEnde->adjustSize();
    const int designedBottom = tw(clientHeight) - tw(tabTop);
    const int bottom =
        std::max({designedBottom, Image1->geometry().bottom() + 1, below + CmdEnde->height() + 6});
    CmdEnde->move(right - CmdEnde->width(), bottom - CmdEnde->height());
    lblautor->adjustSize();
    lblautor->move(left, bottom - lblautor->height());
    Text1->setGeometry(tabRect.left() + 20, tabRect.top() + 40, 60, 20);
    Text1->stackUnder(tab);

    const QSize client = minimumClientSize();
    window->setMinimumSize(client);
    window->resize(client.expandedTo(window->size()));
}

QSize WindowFrame::minimumClientSize() const
{
    QRect used = tab->geometry() | Image1->geometry() | CmdEnde->geometry();
    const int w =
        std::max(tw(clientWidth), used.left() + used.width() + tw(clientWidth - tabLeft - tabWidth));
    const int h = std::max(tw(clientHeight), used.top() + used.height() + tw(tabTop));
    return {w, h};
}

WindowPages WindowPages::create(const WindowFrame &frame, StationMonitor *monitor)
{
    WindowPages p;
    QTabWidget *tab = frame.tab;
    tab->addTab(p.login = new LoginPage, QStringLiteral("LOGIN"));
    tab->addTab(p.clients = new ClientsPage, QStringLiteral(" Clients"));
    tab->addTab(p.chart = new ChartPage(QStringLiteral("Diagramm")), QStringLiteral("Diagramm"));
    tab->addTab(p.manuell = new ManuellPage, QStringLiteral("manuell"));
    tab->addTab(p.antworten = new AntwortenPage, QStringLiteral("Antworten"));
    tab->addTab(p.setup = new SetupPage, QStringLiteral("Setup"));
    tab->addTab(p.verlauf = new VerlaufPage(monitor), QStringLiteral("Verlauf"));

    QWidget *previous = tab->tabBar();
    const QList<QWidget *> chain = p.login->tabChain() + p.clients->tabChain() +
                                   QList{p.chart->chartWidget()} + p.manuell->tabChain() +
                                   QList{p.antworten->replyBox()} + p.setup->tabChain() +
                                   p.verlauf->tabChain() + QList<QWidget *>{frame.CmdEnde};
    for (QWidget *w : chain) {
        if (w)
            QWidget::setTabOrder(std::exchange(previous, w), w);
    }

    QObject::connect(p.clients, &ClientsPage::optionClicked, frame.Text1,
                     [text = frame.Text1](int index) { text->setText(QString::number(index)); });
    QObject::connect(p.setup, &SetupPage::credentialsShown, p.login, &LoginPage::showCredentials);
    // What the first screen does not show is made, and every page fitted in, once it is drawn.
    QWidget *window = tab->window();
    afterFirstPaint(window, [frame, window, verlauf = p.verlauf] {
        verlauf->historyPage();
        frame.layout(window);
        static_cast<SSTab *>(frame.tab)->watchRelayouts();
    });
    return p;
}
