#include "ui/frmMonitor.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

#include "base/allgemein.h"
#include "config/settings.h"
#include "monitor/historylog.h"
#include "monitor/vendors.h"
#include "session/cmdline.h"
#include "ui/alertview.h"
#include "ui/builders.h"
#include "ui/clientspage.h"
#include "ui/controls.h"
#include "ui/credit.h"
#include "ui/loginpage.h"
#include "ui/presenceview.h"
#include "ui/sessionview.h"
#include "ui/settingsview.h"
#include "ui/setuppage.h"
#include "ui/verlaufpage.h"
#include "ui/windowgeometry.h"

// The pictures (and their build-time renderings) live in static libraries: kept by this.
static void initPictures()
{
    Q_INIT_RESOURCE(senvaro);
    Q_INIT_RESOURCE(rendered);
}

frmMonitor::frmMonitor(QWidget *parent, std::shared_ptr<SessionClock> clock)
    : QWidget(parent), m_session(new ApSession(this, std::move(clock)))
{
    initPictures();
    setObjectName(QStringLiteral("frmMonitor"));
    createControls();
    wirePages();
    m_sessionView = new SessionView(this, m_session, m_monitor, m_alerts, m_pages, m_frame);
    connect(m_sessionView, &SessionView::endRequested, this, &frmMonitor::endRequested);
    connect(m_sessionView, &SessionView::oneShotSent, this, &frmMonitor::Unload);
    m_presence = new PresenceView(this, m_alerts, m_pages);
}

frmMonitor::~frmMonitor()
{
    // The session is destroyed with the children and would report, through the views, to
    // a window that is already half gone.
    m_sessionView->disconnect(this);
    m_alerts->disconnect(this);
    m_monitor->log().disconnect(this);
}

void frmMonitor::createControls()
{
    setWindowTitle(QStringLiteral("Senvaro - für den Access Point DWL-2100AP"));
    setWindowIcon(ui::svgIcon(QStringLiteral(":/pictures/senvaro.svg")));
    setBackColor(this, bgrColor(0x00FF8080));
    // Before the pages: the page "Verlauf" draws from the history.
    m_monitor = ui::named(new StationMonitor(m_session->sharedClock(), this), "stationMonitor");
    m_alerts = new AlertView(this, m_session, m_monitor);
    m_frame = WindowFrame::create(this);
    m_pages = WindowPages::create(m_frame, m_monitor);
    setVendorFolder(VendorRegistry::defaultFolder());
    m_frame.layout(this);
}

void frmMonitor::setVendorFolder(const QString &folder)
{
    delete m_vendors;
    m_vendors = ui::named(new VendorRegistry(folder, this), "vendors");
    connect(m_vendors, &VendorRegistry::namesReady, m_pages.clients, &ClientsPage::showMakers);
    // Every view that names a station asks the new registry afresh.
    m_pages.clients->setVendors(m_vendors);
    m_pages.verlauf->setVendors(m_vendors);
    m_alerts->setVendors(m_vendors);
}

void frmMonitor::wirePages()
{
    connect(m_frame.tab, &QTabWidget::currentChanged, this,
            [this](int index) { SSTab1_Click(std::exchange(m_shownTab, index)); });
    connect(m_frame.CmdEnde, &QToolButton::clicked, this, &frmMonitor::CmdEnde_Click);
    onClick(m_frame.lblautor, [this] { lblautor_Click(); });
    // The log goes beside the settings file; the folder is taken when the log is
    // switched on, since the settings file is found after the window is built.
    connect(m_pages.setup, &SetupPage::historyLogSwitched, this, [this](bool on) {
        m_monitor->log().setFolder(m_settingsFolder);
        m_monitor->log().setEnabled(on);
    });
    // A failed write has switched the log off; monitoring goes on.
    connect(&m_monitor->log(), &HistoryLog::failed, this, [this](const QString &reason) {
        m_pages.login->setStatusText(reason);
        m_pages.setup->stopHistoryLog();
    });
    connect(m_alerts, &AlertView::statusText, m_pages.login, &LoginPage::setStatusText);
    connect(m_alerts, &AlertView::endRequested, this, &frmMonitor::CmdEnde_Click);
    connect(m_alerts, &AlertView::logoutRequested, this, [this] {
        if (m_pages.login->logoutEnabled())
            m_pages.login->Cmd_logout_Click();
    });
}

const KnownClients &frmMonitor::knownClients() const
{
    return m_pages.setup->knownClients();
}

void frmMonitor::setKnownClients(const KnownClients &clients)
{
    m_pages.setup->setKnownClients(clients);
    m_pages.login->refreshKnownClientViews(knownClients());
}

void frmMonitor::applySettings(const Settings &settings)
{
    ::applySettings(this, m_pages, *m_monitor, settings);
}

Settings frmMonitor::collectSettings() const
{
    return ::collectSettings(this, m_pages, *m_monitor);
}

void frmMonitor::SSTab1_Click(int PreviousTab)
{
    const int page = m_frame.tab->currentIndex();
    manuellMode = page == PageManuell;
    if (manuellMode)
        m_session->timPoll_Power()->setEnabled(false);
    m_session->setManualMode(manuellMode);
    if (!manuellMode && PreviousTab == PageManuell && m_session->verbunden())
        m_session->timPoll_Power()->setEnabled(true);
    if (page == PageSetup)
        m_pages.setup->enter();
    if (page == PageLogin)
        m_pages.login->refreshKnownClientViews(knownClients());
    m_pages.verlauf->setActive(page == PageVerlauf); // drawn only while shown
}

QSize frmMonitor::minimumClientSize() const
{
    return m_frame.minimumClientSize();
}

void frmMonitor::Form_Load()
{
    setTwHeight(this, 4230);
    setTwWidth(this, 6600);
    setTwTop(this, 0);
    setTwLeft(this, 0);
    m_pages.clients->selectOption(0);
    m_frame.tab->setCurrentIndex(PageLogin);
    manuellMode = false;
    m_session->setManualMode(false);
    m_pages.login->clearKnownList();
    if (fFieldCount(m_commandLine, QStringLiteral(" ")) >= 1)
        ParameterAuswertung(m_commandLine);
    m_frame.LED1_aus->hide();
}

void frmMonitor::Form_Activate()
{
    // A command-line request is carried out once the animation has played.
    animateCredit(this, m_frame.lblautor, [this] {
        if (paramMode && !isUnloaded()) {
            startOneShotWatchdog();
            m_pages.login->setAddress(paramIP);
            m_pages.login->CmdLogin_Click();
        }
    });
}

void frmMonitor::Form_Unload()
{
    // Dropped without logging out, and nothing of the session runs on.
    m_session->closeDown();
}

void frmMonitor::CmdEnde_Click()
{
    emit endRequested(ExitStatus::Ok, QString());
}

void frmMonitor::lblautor_Click()
{
    animateCredit(this, m_frame.lblautor);
}

// The command-line request: what it asks for is read by the session's rules; the
// window keeps it and shows it in its caption.
void frmMonitor::ParameterAuswertung(const QString &s)
{
    setWindowTitle(QStringLiteral("Senvaro - Parameter: ") + s);
    const ParamRequest r = evaluateParameters(s);
    paramMode = r.mode;
    if (r.mode)
        paramCommand = r.command;
    if (!r.ip.isEmpty())
        paramIP = r.ip;
    m_alerts->setOneShot(paramMode);
    m_sessionView->setOneShot(paramMode, paramCommand);
    setWindowTitle(r.caption);
}

void frmMonitor::startOneShotWatchdog()
{
    m_sessionView->startOneShotWatchdog(paramIP);
}

void frmMonitor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        // Runs once, at the first display, however often the toolkit reports activation.
        m_activated = true;
        QMetaObject::invokeMethod(this, &frmMonitor::Form_Activate, Qt::QueuedConnection);
        // The tray waits until the window is up.
        QMetaObject::invokeMethod(m_alerts, &AlertView::showTray, Qt::QueuedConnection);
    }
}

void frmMonitor::closeEvent(QCloseEvent *event)
{
    unloadOnce();
    event->accept();
}

void frmMonitor::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The pinned palettes follow the system's when it changes (light to dark and back).
    // The window gets its own colour before the controls exist.
    const auto type = event->type();
    if ((type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange) && m_frame.tab) {
        keepOwnPalette(m_frame.tab);
        keepOwnPalette(m_frame.CmdEnde);
    }
    if (type == QEvent::WindowStateChange && m_alerts)
        m_alerts->windowStateChanged();
}

void frmMonitor::Unload()
{
    if (m_unloaded)
        return;
    close();
    unloadOnce(); // a hidden window gets no close event
}

void frmMonitor::unloadOnce()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_alerts->stop();
    m_sessionView->stop();
    // Nothing is recorded or written once the window is unloading; the history's own
    // window closes with it.
    m_pages.verlauf->closeHistoryWindow();
    m_presence->end();
    m_monitor->log().setEnabled(false);
    m_monitor->history().clear();
    Form_Unload();
}
