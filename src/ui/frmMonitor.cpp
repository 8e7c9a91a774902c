#include "ui/frmMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTcpSocket>
#include <QToolButton>
#include <iterator>

#include "monitor/history.h"
#include "monitor/historylog.h"
#include "monitor/vendors.h"
#include "ui/builders.h"
#include "ui/chart.h"
#include "ui/historypage.h"
#include "ui/historywindow.h"
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

// The window's background colour must not seep into the tab pages and the fields:
// pin every colour role of the widget to the application palette.
void keepOwnPalette(QWidget *w)
{
    QPalette p = QApplication::palette(w);
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
}

void chainTabOrder(std::initializer_list<QWidget *> chain)
{
    QWidget *previous = nullptr;
    for (QWidget *w : chain) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

} // namespace

// Places the tab control and what lies below it. The tab control keeps its designed
// size unless the fonts need more; everything below it follows its bottom edge.
void frmMonitor::layoutWindow()
{
    auto *bar = static_cast<SSTab *>(SSTab1)->bar();
    // The style draws a caption inside its tab less its padding: seven captions with
    // that padding need a little more than the designed row, so the row grows to them.
    int captions = 0;
    for (int i = 0; i < bar->count(); ++i)
        captions += bar->fontMetrics().horizontalAdvance(bar->tabText(i));
    const int padding = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) + 2;
    const int designedWidth = std::max(tw(tabWidth), captions + padding * bar->count() + 4);
    bar->setTabExtent(QSize((designedWidth - 4) / pagesPerRow, tw(tabRowHeight)));
    SSTab1->setGeometry(tw(tabLeft), tw(tabTop), designedWidth, tw(tabHeight));
    SSTab1->resize(SSTab1->size().expandedTo(SSTab1->minimumSizeHint()));
    if (SSTab1->width() != designedWidth)
        bar->setTabExtent(QSize((SSTab1->width() - 4) / pagesPerRow, tw(tabRowHeight)));

    const QRect tabRect = SSTab1->geometry();
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
    Text1->stackUnder(SSTab1);

    const QSize client = minimumClientSize();
    setMinimumSize(client);
    resize(client.expandedTo(size()));
}

// The pictures live in the static core library; a reference keeps the linker from
// dropping them.
static void initPictures()
{
    Q_INIT_RESOURCE(senvaro);
}

frmMonitor::frmMonitor(QWidget *parent, std::shared_ptr<SessionClock> clock)
    : QWidget(parent), m_session(new ApSession(this, std::move(clock)))
{
    initPictures();
    setObjectName(QStringLiteral("frmMonitor"));
    createControls();
    wireHandlers();
    wireSession();
    wireHistory();
    wireAlerts();
    wirePresence();
}

frmMonitor::~frmMonitor()
{
    // The session is destroyed with the children and would report to a window that is
    // already half gone.
    m_session->disconnect(this);
    if (m_historyWindow)
        m_historyWindow->disconnect(this);
}

void frmMonitor::setVendorFolder(const QString &folder)
{
    delete m_vendors;
    m_vendors = named(new VendorRegistry(folder, this), "vendors");
    connect(m_vendors, &VendorRegistry::namesReady, this, &frmMonitor::showMakers);
    // The new registry is asked afresh for every station shown.
    m_clientMacs.fill(QString());
    if (Verlauf) // not yet while the window is being built: the page then takes it itself
        Verlauf->setVendors(m_vendors);
    if (m_historyWindow)
        m_historyWindow->page()->setVendors(m_vendors);
}

void frmMonitor::createControls()
{
    setWindowTitle(QStringLiteral("Senvaro - für den Access Point DWL-2100AP"));
    setWindowIcon(svgIcon(QStringLiteral(":/pictures/senvaro.svg")));
    setBackColor(this, bgrColor(0x00FF8080));

    // The photo first, so that everything else lies on top of it.
    Image1 = label(this, "Image1", QString());
    Image1->setPixmap(
        svgPixmap(QStringLiteral(":/pictures/accesspoint.svg"), photoSize, devicePixelRatioF()));
    Image1->setFixedSize(photoSize);
    // Filled with the window's colour, the photo is opaque: a lamp that changes repaints
    // the photo alone, not the window behind it as well.
    Image1->setAutoFillBackground(true);
    Image1->setAccessibleName(QStringLiteral("Access Point"));

    // Before the pages: the page "Verlauf" draws from the history.
    m_monitor = named(new StationMonitor(m_session->sharedClock(), this), "stationMonitor");
    m_history = &m_monitor->history();
    m_historyLog = &m_monitor->log();
    m_alertWatch = &m_monitor->alerts();
    setVendorFolder(VendorRegistry::defaultFolder());

    auto *tab = new SSTab(this, QSize((tw(tabWidth) - 4) / pagesPerRow, tw(tabRowHeight)));
    SSTab1 = named(static_cast<QTabWidget *>(tab), "SSTab1");
    keepOwnPalette(SSTab1);

    // The pages in their designed order, each with its caption and the builder of its
    // controls (src/ui/page_*.cpp). A new page is appended here and to Page, and its
    // fields to the tab order below.
    struct PageDesign
    {
        Page page;
        const char *caption;
        void (frmMonitor::*build)(QWidget *page);
    };
    static constexpr PageDesign pages[] = {
        {PageLogin, "LOGIN", &frmMonitor::createLoginPage},
        {PageClients, " Clients", &frmMonitor::createClientsPage},
        {PageChart, "Diagramm", &frmMonitor::createChartPage},
        {PageManuell, "manuell", &frmMonitor::createManuellPage},
        {PageAntworten, "Antworten", &frmMonitor::createAntwortenPage},
        {PageSetup, "Setup", &frmMonitor::createSetupPage},
        {PageVerlauf, "Verlauf", &frmMonitor::createVerlaufPage},
    };
    static_assert(
        [] {
            for (int i = 0; i < int(std::size(pages)); ++i) {
                if (pages[i].page != i)
                    return false;
            }
            return true;
        }(),
        "a page's place in the table is its number");
    for (const PageDesign &p : pages)
        SSTab1->addTab(new QWidget, QString::fromUtf8(p.caption));
    for (const PageDesign &p : pages)
        (this->*p.build)(SSTab1->widget(p.page));

    // ---- Outside the tab control ----
    LED1_aus = label(this, "LED1_aus", QString());
    LED2_aus = label(this, "LED2_aus", QString());
    for (QLabel *led : {LED1_aus, LED2_aus}) {
        led->setPixmap(
            svgPixmap(QStringLiteral(":/pictures/lamp_off.svg"), lampOffSize, devicePixelRatioF()));
        led->setFixedSize(lampOffSize);
    }
    LED1_aus->setAccessibleName(QStringLiteral("Datenlampe aus"));
    LED2_aus->setAccessibleName(QStringLiteral("Verbindungslampe aus"));
    CmdEnde = pictureButton(this, "CmdEnde", QStringLiteral("ENDE"), "ende", 32);
    keepOwnPalette(CmdEnde);
    lblautor = label(this, "lblautor", QStringLiteral("Senvaro - freie Software unter der GPLv3"));
    lblautor->setFont(QFont(QStringLiteral("Arial"), 12));
    lblautor->setAutoFillBackground(false);
    setForeColor(lblautor, bgrColor(0x0000FFFF));
    Text1 = textBox(this, "Text1", QStringLiteral("Text1"));
    Text1->hide();

    chainTabOrder({SSTab1->tabBar(), Combo1,       txtUser,     txtPassw,      CmdLogin,      Cmd_logout,
                   txtSoftVers,      txtMACS,      txtMac,      txtAuth,       txtEncrypt,    txtWLANMode,
                   txtRXDataRate,    txtRXSign,    txtAckSign,  txtAnzahl,     OptClients[0], MSChart1,
                   Command7,         Text3,        Command8,    Text4,         Command9,      Text5,
                   Command1,         command6,     cmd_reboot,  Command13,     Command12,     Command11,
                   txtmanAntw,       Command3,     Command5,    Command4,      Command10,     Monitor,
                   scrDatensatz,     txtDatensatz, txtDataName, txtDataIP,     txtDataMAC,    chkDataAP,
                   cmdNewData,       cmdSave,      Command2,    chkBekClients, ChksaveUser,   ChksavePW,
                   ChkShowPW,        cmbZyklus,    CmdEnde});
    // The history's controls go in between the designed chain's last field and ENDE.
    auto verlauf = [this](const char *name) { return Verlauf->findChild<QWidget *>(QLatin1String(name)); };
    chainTabOrder({cmbZyklus, chkVerlauf, verlauf("cmbVerlaufZeitraum"), verlauf("chkVerlaufAck"),
                   verlauf("cmdVerlaufFenster"), verlauf("lstVerlaufEreignisse"), CmdEnde});

    layoutWindow();
}

QSize frmMonitor::minimumClientSize() const
{
    QRect used = SSTab1->geometry() | Image1->geometry() | CmdEnde->geometry();
    const int w =
        std::max(tw(clientWidth), used.left() + used.width() + tw(clientWidth - tabLeft - tabWidth));
    const int h = std::max(tw(clientHeight), used.top() + used.height() + tw(tabTop));
    return {w, h};
}

void frmMonitor::SSTab1_Click(int PreviousTab)
{
    const int page = SSTab1->currentIndex();
    if (page == PageManuell) {
        m_session->timPoll_Power()->setEnabled(false);
        manuellMode = true;
        m_session->setManualMode(true);
    } else {
        manuellMode = false;
        m_session->setManualMode(false);
        if (PreviousTab == PageManuell && m_session->verbunden())
            m_session->timPoll_Power()->setEnabled(true);
    }
    if (page == PageSetup) {
        if (m_knownClients.size() < 1) // the editor always has a record 1 to work on
            changeKnownClients([](KnownClients &k) { k.resize(1); });
        showRecord();
    }
    if (page == PageLogin)
        refreshKnownClientViews();
    Verlauf->setActive(page == PageVerlauf); // drawn only while shown
}

void frmMonitor::fillClients(qint16 Anzahl)
{
    for (int i = 0; i < int(OptClients.size()); ++i)
        OptClients[i]->setHidden(i >= Anzahl);
}

void frmMonitor::OptClients_Click(int Index)
{
    Text1->setText(QString::number(Index));
}

void frmMonitor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        // Runs once, at the first display, however often the toolkit reports activation.
        m_activated = true;
        QMetaObject::invokeMethod(this, &frmMonitor::Form_Activate, Qt::QueuedConnection);
    }
}

void frmMonitor::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        m_unloaded = true;
        endHistory();
        Form_Unload();
    }
    event->accept();
}

void frmMonitor::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The pinned palettes follow the system's when it changes (light to dark and back).
    const bool palette =
        event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange;
    // The window gets its own colour before the controls exist.
    for (QWidget *pinned : {static_cast<QWidget *>(SSTab1), static_cast<QWidget *>(CmdEnde)}) {
        if (palette && pinned)
            keepOwnPalette(pinned);
    }
    alertsChangeEvent(event);
}

void frmMonitor::Unload()
{
    if (m_unloaded)
        return;
    close();
    if (!m_unloaded) { // a hidden window gets no close event
        m_unloaded = true;
        endHistory();
        Form_Unload();
    }
}

int chkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

void setChkValue(QCheckBox *box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}
