#include "ui/frmMonitor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QSvgRenderer>
#include <QTabBar>
#include <QTabWidget>
#include <QTcpSocket>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/globals.h"
#include "monitor/chart.h"

namespace {

// ---- Fixed geometry of the window, in twips ----
constexpr int tabLeft = 120;
constexpr int tabTop = 120;
constexpr int tabWidth = 7035;
constexpr int tabHeight = 4695;
constexpr int tabRowHeight = 520;
constexpr int clientWidth = 7170;
constexpr int clientHeight = 6270;
constexpr int barWidth = 3855;
constexpr int barHeight = 135;
constexpr int pagesPerRow = 6;

// The photo (accesspoint.svg, drawn at 1:1) and where its lamps sit on it, in pixels.
// The tab control covers the photo's top edge; the bezel with the lamps shows below it.
constexpr QSize photoSize{288, 128};
constexpr int photoHiddenTop = 50; // pixels of the photo behind the tab control
constexpr QSize lampOffSize{20, 14};
constexpr QPoint lamp1Centre{76, 74};  // data activity
constexpr QPoint lamp2Centre{108, 74}; // connection

constexpr int pageMargin = 4;
constexpr int spacing = 4;

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *l = named(new QLabel(caption, parent), name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

// A field named by its label: the label is its buddy, so the caption is its
// accessible name.
QLineEdit *textBox(QWidget *parent, const char *name, const QString &text = {}, QLabel *caption = nullptr)
{
    auto *t = named(new QLineEdit(text, parent), name);
    if (caption)
        caption->setBuddy(t);
    return t;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

QPixmap svgPixmap(const QString &path, QSize size, qreal dpr = 1.0)
{
    QPixmap pm(size * dpr);
    pm.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    pm.setDevicePixelRatio(dpr);
    return pm;
}

// Icons are rendered here from the compiled-in pictures, so the program needs no
// image plugin at run time.
QIcon svgIcon(const QString &path)
{
    QIcon icon;
    for (int side : {16, 20, 24, 32, 48, 64})
        icon.addPixmap(svgPixmap(path, QSize(side, side)));
    return icon;
}

// A picture button with the icon above its caption, no wider than the caption needs.
class PictureButton : public QToolButton
{
public:
    using QToolButton::QToolButton;
    QSize sizeHint() const override
    {
        const QSize base = QToolButton::sizeHint();
        const int needed = std::max(fontMetrics().horizontalAdvance(text()), iconSize().width()) + 12;
        return {std::min(base.width(), needed), base.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

QToolButton *pictureButton(QWidget *parent, const char *name, const QString &caption, const char *picture,
                           int iconSide)
{
    auto *b = named(static_cast<QToolButton *>(new PictureButton(parent)), name);
    b->setText(caption);
    b->setIcon(svgIcon(QStringLiteral(":/pictures/%1.svg").arg(QString::fromLatin1(picture))));
    b->setIconSize(QSize(iconSide, iconSide));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QCheckBox(caption, parent), name);
}

// The window's background colour must not seep into the tab pages and the fields:
// pin every colour role of the widget to the application palette.
void keepOwnPalette(QWidget *w)
{
    QPalette p = QApplication::palette(w);
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
}

// Six tabs of a fixed height, all in one row across the control.
class SSTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;
    void setTabExtent(QSize extent)
    {
        m_extent = extent;
        setIconSize(iconSize()); // lays the tabs out anew
        updateGeometry();
    }

protected:
    // The row's width is shared out so that every tab gets its caption plus the
    // same padding; the first tabs take the pixels left over by the division.
    QSize tabSizeHint(int index) const override
    {
        const QFontMetrics fm = fontMetrics();
        const int n = count();
        int captions = 0;
        for (int i = 0; i < n; ++i)
            captions += fm.horizontalAdvance(tabText(i));
        const int row = m_extent.width() * n;
        const int padding = std::max(minPadding, (row - captions) / n);
        const int spare = std::max(0, row - captions - padding * n);
        const int width = fm.horizontalAdvance(tabText(index)) + padding + (index < spare ? 1 : 0);
        return {width, std::max(m_extent.height(), QTabBar::tabSizeHint(index).height())};
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    static constexpr int minPadding = 12;
    QSize m_extent;
};

class SSTab : public QTabWidget
{
public:
    SSTab(QWidget *parent, QSize tabExtent) : QTabWidget(parent), m_bar(new SSTabBar)
    {
        m_bar->setTabExtent(tabExtent);
        setTabBar(m_bar);
        m_bar->setExpanding(false);
        m_bar->setUsesScrollButtons(false);
    }
    SSTabBar *bar() const { return m_bar; }

private:
    SSTabBar *m_bar;
};

// txtIP lies under Combo1 wherever the layout puts the combo: same place, as wide as
// the combo's edit field (the combo is wider by its drop-down arrow).
class CoverFollower : public QObject
{
public:
    CoverFollower(QComboBox *cover, QWidget *covered) : QObject(cover), m_cover(cover), m_covered(covered)
    {
        cover->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_cover && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
            follow();
        return QObject::eventFilter(watched, event);
    }

private:
    void follow()
    {
        QStyleOptionComboBox opt;
        opt.initFrom(m_cover);
        opt.editable = true;
        const QRect arrow =
            m_cover->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, m_cover);
        QRect r = m_cover->geometry();
        if (arrow.isValid() && arrow.left() > 0)
            r.setWidth(arrow.left());
        m_covered->setGeometry(r);
        m_covered->stackUnder(m_cover);
    }

    QComboBox *m_cover;
    QWidget *m_covered;
};

void chainTabOrder(std::initializer_list<QWidget *> chain)
{
    QWidget *previous = nullptr;
    for (QWidget *w : chain) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QGridLayout *pageGrid(QWidget *page)
{
    auto *g = new QGridLayout(page);
    g->setContentsMargins(pageMargin, pageMargin, pageMargin, pageMargin);
    g->setSpacing(spacing);
    return g;
}

void tighten(QLayout *l, int margin = pageMargin)
{
    l->setContentsMargins(margin, margin, margin, margin);
    l->setSpacing(spacing);
}

// Places the tab control and what lies below it. The tab control keeps its designed
// size unless the fonts need more; everything below it follows its bottom edge.
void layoutWindow(frmMonitor &w)
{
    auto *bar = static_cast<SSTab *>(w.SSTab1)->bar();
    const int designedWidth = tw(tabWidth);
    bar->setTabExtent(QSize((designedWidth - 4) / pagesPerRow, tw(tabRowHeight)));
    w.SSTab1->setGeometry(tw(tabLeft), tw(tabTop), designedWidth, tw(tabHeight));
    w.SSTab1->resize(w.SSTab1->size().expandedTo(w.SSTab1->minimumSizeHint()));
    if (w.SSTab1->width() != designedWidth)
        bar->setTabExtent(QSize((w.SSTab1->width() - 4) / pagesPerRow, tw(tabRowHeight)));

    const QRect tabRect = w.SSTab1->geometry();
    const int left = tabRect.left();
    const int right = tabRect.left() + tabRect.width(); // exclusive
    const int below = tabRect.top() + tabRect.height();

    w.Image1->move(left, below - photoHiddenTop);
    w.Image1->lower();
    const QPoint lampOffset(lampOffSize.width() / 2, lampOffSize.height() / 2);
    w.LED1_aus->move(w.Image1->pos() + lamp1Centre - lampOffset);
    w.LED2_aus->move(w.Image1->pos() + lamp2Centre - lampOffset);

    w.CmdEnde->adjustSize();
    const int designedBottom = tw(clientHeight) - tw(tabTop);
    const int bottom =
        std::max({designedBottom, w.Image1->geometry().bottom() + 1, below + w.CmdEnde->height() + 6});
    w.CmdEnde->move(right - w.CmdEnde->width(), bottom - w.CmdEnde->height());
    w.lblautor->adjustSize();
    w.lblautor->move(left, bottom - w.lblautor->height());
    w.Text1->setGeometry(tabRect.left() + 20, tabRect.top() + 40, 60, 20);
    w.Text1->stackUnder(w.SSTab1);

    const QSize client = w.minimumClientSize();
    w.setMinimumSize(client);
    w.resize(client.expandedTo(w.size()));
}

} // namespace

// The pictures live in the static core library; a reference keeps the linker from
// dropping them.
static void initPictures()
{
    Q_INIT_RESOURCE(senvaro);
}

frmMonitor::frmMonitor(QWidget *parent) : QWidget(parent)
{
    initPictures();
    setObjectName(QStringLiteral("frmMonitor"));
    createControls();
    wireHandlers();
}

frmMonitor::~frmMonitor()
{
    // The socket is destroyed with the children and would report its close to a window
    // that is already half gone.
    TCPClient->disconnect(this);
}

void frmMonitor::createControls()
{
    setWindowTitle(QStringLiteral("Senvaro - für den Access Point DWL-2100AP"));
    setWindowIcon(svgIcon(QStringLiteral(":/pictures/senvaro.svg")));
    setBackColor(this, vbColor(0x00FF8080));

    // The photo first, so that everything else lies on top of it.
    Image1 = label(this, "Image1", QString());
    Image1->setPixmap(
        svgPixmap(QStringLiteral(":/pictures/accesspoint.svg"), photoSize, devicePixelRatioF()));
    Image1->setFixedSize(photoSize);
    Image1->setAccessibleName(QStringLiteral("Access Point"));

    auto *tab = new SSTab(this, QSize((tw(tabWidth) - 4) / pagesPerRow, tw(tabRowHeight)));
    SSTab1 = named(static_cast<QTabWidget *>(tab), "SSTab1");
    keepOwnPalette(SSTab1);
    auto *page0 = new QWidget;
    auto *page1 = new QWidget;
    auto *page2 = new QWidget;
    auto *page3 = new QWidget;
    auto *page4 = new QWidget;
    auto *page5 = new QWidget;
    SSTab1->addTab(page0, QStringLiteral("LOGIN"));
    SSTab1->addTab(page1, QStringLiteral(" Clients"));
    SSTab1->addTab(page2, QStringLiteral("Diagramm"));
    SSTab1->addTab(page3, QStringLiteral("manuell"));
    SSTab1->addTab(page4, QStringLiteral("Antworten"));
    SSTab1->addTab(page5, QStringLiteral("Setup"));

    // ---- Page 0 "LOGIN" ----
    Label5 = label(page0, "Label5", QStringLiteral("Senvaro für den Access Point \"DWL 2100AP\". "));
    setForeColor(Label5, vbColor(0x00C00000));
    Frame3 = named(new QGroupBox(QStringLiteral("Access Point"), page0), "Frame3");
    Label2 = label(Frame3, "Label2", QStringLiteral("IP-Adresse:"));
    txtIP = textBox(Frame3, "txtIP", QStringLiteral("192.168.0.50"));
    txtIP->setAlignment(Qt::AlignRight);
    txtIP->hide();
    Combo1 = named(new QComboBox(Frame3), "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("192.168.0.50"));
    Label2->setBuddy(Combo1);
    Combo1->setAccessibleName(Label2->text());
    new CoverFollower(Combo1, txtIP);
    lblUsername = label(Frame3, "lblUsername", QStringLiteral("Username:"));
    txtUser = textBox(Frame3, "txtUser", {}, lblUsername);
    txtUser->setEchoMode(QLineEdit::Password);
    setBackColor(txtUser, vbColor(0x80000004));
    lblPassw = label(Frame3, "lblPassw", QStringLiteral("Passwort:"));
    txtPassw = textBox(Frame3, "txtPassw", {}, lblPassw);
    txtPassw->setEchoMode(QLineEdit::Password);
    setBackColor(txtPassw, vbColor(0x80000004));
    lblStatus = label(page0, "lblStatus", QStringLiteral("keine Verbindung zum AP"));
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setWordWrap(true);
    lblStatus->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblStatus->setLineWidth(1);
    lblStatus->setFixedHeight(2 * lblStatus->fontMetrics().lineSpacing() + 2 * lblStatus->frameWidth() + 6);
    setBackColor(lblStatus, vbColor(0x00C0FFFF));
    CmdLogin = pictureButton(page0, "CmdLogin", QStringLiteral("LOGIN"), "login", 24);
    Cmd_logout = pictureButton(page0, "Cmd_logout", QStringLiteral("Logout"), "logout", 24);
    Cmd_logout->setEnabled(false);
    for (QToolButton *b : {CmdLogin, Cmd_logout})
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label15 = label(page0, "Label15", QStringLiteral("FW Version:"));
    txtSoftVers = textBox(page0, "txtSoftVers", {}, Label15);
    setBackColor(txtSoftVers, vbColor(0x80000004));
    Frame2 = named(new QGroupBox(QStringLiteral("bekannte MAC-Adressen"), page0), "Frame2");
    Label6 = label(Frame2, "Label6", QStringLiteral("MAC-Adresse"));
    Label7 =
        label(Frame2, "Label7", QStringLiteral(" Name") + QString(23, QChar(' ')) + QStringLiteral("IP"));
    txtMACS = named(new TextBox(Frame2), "txtMACS");
    txtMACS->setReadOnly(true);
    txtMACS->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtMACS->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMACS->setTabChangesFocus(true);
    txtMACS->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtMACS->setText(QStringLiteral("txtMACS"));
    txtMACS->setAccessibleName(Frame2->title());
    setBackColor(txtMACS, vbColor(0x80000018));
    {
        auto *access = new QGridLayout(Frame3);
        tighten(access);
        access->addWidget(Label2, 0, 0);
        access->addWidget(Combo1, 0, 1);
        access->addWidget(lblUsername, 1, 0);
        access->addWidget(txtUser, 1, 1);
        access->addWidget(lblPassw, 2, 0);
        access->addWidget(txtPassw, 2, 1);
        access->setRowStretch(3, 1);

        auto *status = new QVBoxLayout;
        status->setSpacing(spacing);
        status->addWidget(lblStatus);
        auto *buttons = new QHBoxLayout;
        buttons->setSpacing(spacing);
        buttons->addWidget(CmdLogin);
        buttons->addWidget(Cmd_logout);
        status->addLayout(buttons);
        auto *firmware = new QHBoxLayout;
        firmware->setSpacing(spacing);
        firmware->addWidget(Label15);
        firmware->addWidget(txtSoftVers, 1);
        status->addLayout(firmware);

        // The column headings stand over the list's tab columns: " Name" over the
        // second column and "IP" over the third.
        const QFontMetrics fm(txtMACS->font());
        const QString heading = Label7->text();
        const int blank = fm.horizontalAdvance(QChar(' '));
        const int nameToIp = fm.horizontalAdvance(heading.left(heading.size() - 2)) - blank;
        const int column =
            std::max(nameToIp, fm.horizontalAdvance(QStringLiteral("00:00:00:00:00:00")) + 2 * blank);
        txtMACS->setTabStopDistance(column);
        const int textLeft = txtMACS->frameWidth() + int(txtMACS->document()->documentMargin());
        auto *headings = new QHBoxLayout;
        headings->setSpacing(0);
        headings->addSpacing(textLeft);
        Label6->setFixedWidth(column - blank);
        headings->addWidget(Label6);
        headings->addWidget(Label7, 1);
        Label6->setBuddy(txtMACS);

        auto *known = new QVBoxLayout(Frame2);
        tighten(known);
        known->setSpacing(1);
        known->addLayout(headings);
        known->addWidget(txtMACS, 1);

        auto *g = pageGrid(page0);
        g->addWidget(Label5, 0, 0, 1, 2);
        g->addWidget(Frame3, 1, 0);
        g->addLayout(status, 1, 1);
        g->addWidget(Frame2, 2, 0, 1, 2);
        g->setColumnStretch(1, 1);
        g->setRowStretch(2, 1);
    }

    // ---- Page 1 " Clients" ----
    auto display = [&](const char *name, QLabel *caption) {
        auto *t = textBox(page1, name, {}, caption);
        t->setReadOnly(true);
        t->setAlignment(Qt::AlignRight);
        return t;
    };
    lblMac = label(page1, "lblMac", QStringLiteral("MAC Adresse:"));
    txtMac = display("txtMac", lblMac);
    lblAuth = label(page1, "lblAuth", QStringLiteral("Authentication Type:"));
    txtAuth = display("txtAuth", lblAuth);
    Label12 = label(page1, "Label12", QStringLiteral("Encryption:"));
    txtEncrypt = display("txtEncrypt", Label12);
    lblWLANMode = label(page1, "lblWLANMode", QStringLiteral("WLAN Mode:"));
    txtWLANMode = display("txtWLANMode", lblWLANMode);
    lblRXDataRate = label(page1, "lblRXDataRate", QStringLiteral("RX Data Rate:"));
    txtRXDataRate = display("txtRXDataRate", lblRXDataRate);
    for (QLineEdit *t : {txtMac, txtAuth, txtEncrypt, txtWLANMode, txtRXDataRate})
        setBackColor(t, vbColor(0x80000004));
    lblRXSign = label(page1, "lblRXSign", QStringLiteral("RX Signal Strength:"));
    txtRXSign = display("txtRXSign", lblRXSign);
    txtRXSign->setText(QStringLiteral("0"));
    Label13 = label(page1, "Label13", QStringLiteral("%"));
    RXBar = named(new SignalBar(page1), "RXBar");
    lblAckSign = label(page1, "lblAckSign", QStringLiteral("Ackn Signal Strength:"));
    txtAckSign = display("txtAckSign", lblAckSign);
    txtAckSign->setText(QStringLiteral("0"));
    Label14 = label(page1, "Label14", QStringLiteral("%"));
    AcknBar = named(new SignalBar(page1), "AcknBar");
    for (auto [bar, caption] : {std::pair{RXBar, lblRXSign}, {AcknBar, lblAckSign}}) {
        bar->setFixedSize(tw(barWidth), tw(barHeight));
        bar->setAccessibleName(caption->text());
    }
    lblAnzahl = label(page1, "lblAnzahl", QStringLiteral("Anzahl Clients:"));
    lblAnzahl->hide();
    txtAnzahl = display("txtAnzahl", lblAnzahl);
    txtAnzahl->hide();
    Frame1 = named(new QGroupBox(QStringLiteral("Clients"), page1), "Frame1");
    {
        auto *v = new QVBoxLayout(Frame1);
        tighten(v);
        v->setSpacing(0);
        for (int i = 0; i < 12; ++i) {
            OptClients[i] = new QRadioButton(QStringLiteral("Option2"), Frame1);
            OptClients[i]->setObjectName(QStringLiteral("OptClients_%1").arg(i));
            OptClients[i]->hide();
            OptClients[i]->setFixedHeight(std::max(OptClients[i]->fontMetrics().height() + 4, 18));
            // Room for all twelve is kept, so showing stations never needs a new layout.
            QSizePolicy keep = OptClients[i]->sizePolicy();
            keep.setRetainSizeWhenHidden(true);
            OptClients[i]->setSizePolicy(keep);
            v->addWidget(OptClients[i]);
        }
        v->addStretch();
        // Wide enough for a station's MAC address, which the parser puts into the captions.
        QStyle *st = Frame1->style();
        const int indicator = st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                              st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
        const int mac = OptClients[0]->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00:00:00"));
        Frame1->setMinimumWidth(indicator + mac + 2 * pageMargin + 8);

        auto *g = pageGrid(page1);
        int r = 0;
        for (auto [l, t] : {std::pair{lblMac, txtMac},
                            {lblAuth, txtAuth},
                            {Label12, txtEncrypt},
                            {lblWLANMode, txtWLANMode},
                            {lblRXDataRate, txtRXDataRate}}) {
            g->addWidget(l, r, 0);
            g->addWidget(t, r, 1, 1, 2);
            ++r;
        }
        const int signWidth = txtRXSign->fontMetrics().horizontalAdvance(QStringLiteral("100,000")) + 12;
        for (auto [l, t, unit, bar] : {std::tuple{lblRXSign, txtRXSign, Label13, RXBar},
                                       std::tuple{lblAckSign, txtAckSign, Label14, AcknBar}}) {
            t->setFixedWidth(signWidth);
            auto *value = new QHBoxLayout;
            value->setSpacing(spacing);
            value->addWidget(t);
            value->addWidget(unit);
            value->addStretch();
            g->addWidget(l, r, 0);
            g->addLayout(value, r, 1, 1, 2);
            g->addWidget(bar, r + 1, 0, 1, 3, Qt::AlignLeft | Qt::AlignTop);
            r += 2;
        }
        g->addWidget(lblAnzahl, r, 0);
        g->addWidget(txtAnzahl, r, 1, 1, 2);
        g->setRowStretch(r + 1, 1);
        g->addWidget(Frame1, 0, 3, r + 2, 1);
        g->setColumnStretch(1, 1);
    }

    // ---- Page 2 "Diagramm" ----
    MSChart1 = named(new StationChart(page2), "MSChart1");
    MSChart1->setAccessibleName(SSTab1->tabText(2));
    {
        auto *v = new QVBoxLayout(page2);
        tighten(v, 2);
        v->addWidget(MSChart1);
    }

    // ---- Page 3 "manuell" ----
    Label8 = label(page3, "Label8", QStringLiteral("Diese Seite ist nur für Testzwecke gedacht."));
    QFont bold = Label8->font();
    bold.setBold(true);
    Label8->setFont(bold);
    Label8->setAlignment(Qt::AlignCenter);
    setForeColor(Label8, vbColor(0x008080FF));
    Command7 = button(page3, "Command7", QStringLiteral("Befehl:      set"));
    Text3 = textBox(page3, "Text3", QStringLiteral("antenna 1"));
    Command8 = button(page3, "Command8", QStringLiteral("Befehl:     get"));
    Text4 = textBox(page3, "Text4", QStringLiteral("antenna"));
    Command9 = button(page3, "Command9", QStringLiteral("Befehl:"));
    Text5 = textBox(page3, "Text5", QStringLiteral("quit"));
    // The button in front of each box says what the box is for.
    for (auto [b, t] : {std::pair{Command7, Text3}, {Command8, Text4}, {Command9, Text5}}) {
        t->setAccessibleName(b->text().simplified());
    }
    Line1 = named(new QFrame(page3), "Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Label9 = label(page3, "Label9", QStringLiteral("Antwort DWL-2100AP:"));
    txtmanAntw = named(new TextBox(page3), "txtmanAntw");
    txtmanAntw->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtmanAntw->setTabChangesFocus(true); // Tab moves on, as everywhere in the window
    setBackColor(txtmanAntw, vbColor(0x80000018));
    Label9->setBuddy(txtmanAntw);
    Command1 = button(page3, "Command1", QStringLiteral("Datenrate"));
    command6 = button(page3, "command6", QStringLiteral("Sendeleistung"));
    cmd_reboot = button(page3, "cmd_reboot", QStringLiteral("reboot"));
    setBackColor(cmd_reboot, vbColor(0x000000FF));
    QPalette rp = cmd_reboot->palette();
    rp.setColor(QPalette::Button, vbColor(0x000000FF));
    cmd_reboot->setPalette(rp);
    cmd_reboot->setAutoFillBackground(false);
    Command13 = button(page3, "Command13", QStringLiteral("Hardware"));
    Command12 = button(page3, "Command12", QStringLiteral("SSID"));
    Command11 = button(page3, "Command11", QStringLiteral("Kanal"));
    Command3 = button(page3, "Command3", QStringLiteral("externe Antenne"));
    Command3->setToolTip(QStringLiteral("diversity aus"));
    Command5 = button(page3, "Command5", QStringLiteral("interne Antenne"));
    Command5->setToolTip(QStringLiteral("diversity aus"));
    Command4 = button(page3, "Command4", QStringLiteral("beste Antenne"));
    Command4->setToolTip(QStringLiteral("diversity ein"));
    Command10 = button(page3, "Command10", QStringLiteral("löschen"));
    {
        auto *g = pageGrid(page3);
        g->addWidget(Label8, 0, 0, 1, 4);
        g->addWidget(Command7, 1, 0);
        g->addWidget(Text3, 1, 1);
        g->addWidget(Command8, 2, 0);
        g->addWidget(Text4, 2, 1);
        g->addWidget(Command9, 3, 0);
        g->addWidget(Text5, 3, 1);
        g->addWidget(Command1, 1, 2);
        g->addWidget(command6, 2, 2);
        g->addWidget(cmd_reboot, 3, 2);
        g->addWidget(Command13, 1, 3);
        g->addWidget(Command12, 2, 3);
        g->addWidget(Command11, 3, 3);
        g->addWidget(Line1, 4, 0, 1, 4);
        g->addWidget(Label9, 5, 0, 1, 2);
        g->addWidget(txtmanAntw, 6, 0, 5, 2);
        g->addWidget(Command3, 6, 2);
        g->addWidget(Command5, 7, 2);
        g->addWidget(Command4, 8, 2);
        g->addWidget(Command10, 10, 2, 1, 2);
        g->setRowStretch(9, 1);
        g->setColumnStretch(1, 1);
    }

    // ---- Page 4 "Antworten" ----
    Label3 = label(page4, "Label3", QStringLiteral("Antworten im Rohformat:"));
    Monitor = named(new TextBox(page4), "Monitor");
    Monitor->setReadOnly(true);
    Monitor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Monitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Monitor->setTabChangesFocus(true);
    setBackColor(Monitor, vbColor(0x80000018));
    Label3->setBuddy(Monitor);
    {
        auto *v = new QVBoxLayout(page4);
        tighten(v);
        v->setSpacing(2);
        v->addWidget(Label3);
        v->addWidget(Monitor, 1);
    }

    // ---- Page 5 "Setup" ----
    Frame4 = named(new QGroupBox(QStringLiteral("Geräte im Netzwerk"), page5), "Frame4");
    scrDatensatz = named(new QScrollBar(Qt::Horizontal, Frame4), "scrDatensatz");
    scrDatensatz->setRange(1, 50);
    scrDatensatz->setValue(1);
    scrDatensatz->setFocusPolicy(Qt::StrongFocus);
    scrDatensatz->setAccessibleName(QStringLiteral("Datensatz"));
    txtDatensatz = textBox(Frame4, "txtDatensatz", QStringLiteral("1"));
    txtDatensatz->setAlignment(Qt::AlignCenter);
    txtDatensatz->setAccessibleName(QStringLiteral("Datensatz-Nummer"));
    txtDatensatz->setFixedWidth(txtDatensatz->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    Label1 = label(Frame4, "Label1", QStringLiteral("Name:"));
    txtDataName = textBox(Frame4, "txtDataName", {}, Label1);
    Label4 = label(Frame4, "Label4", QStringLiteral("IP-Adresse:"));
    txtDataIP = textBox(Frame4, "txtDataIP", {}, Label4);
    Label16 = label(Frame4, "Label16", QStringLiteral("MAC-Adresse:"));
    txtDataMAC = textBox(Frame4, "txtDataMAC", {}, Label16);
    Label17 = label(Frame4, "Label17", QStringLiteral("Gerätetyp:"));
    chkDataAP = checkBox(Frame4, "chkDataAP", QStringLiteral("DWL-2100AP"));
    Label17->setBuddy(chkDataAP);
    cmdNewData = pictureButton(Frame4, "cmdNewData", QStringLiteral("Neu"), "neu", 20);
    cmdSave = pictureButton(Frame4, "cmdSave", QStringLiteral("speichern"), "speichern", 20);
    Command2 = pictureButton(Frame4, "Command2", QStringLiteral("löschen"), "loeschen", 20);
    Frame5 = named(new QGroupBox(QStringLiteral("Programm"), page5), "Frame5");
    chkBekClients = checkBox(Frame5, "chkBekClients", QStringLiteral("nur bekannte MAC-Adressen auswerten"));
    ChksaveUser = checkBox(Frame5, "ChksaveUser", QStringLiteral("Benutzernamen speichern"));
    ChksaveUser->setChecked(true);
    ChksavePW = checkBox(Frame5, "ChksavePW", QStringLiteral("Passwort speichern"));
    ChksavePW->setChecked(true);
    ChkShowPW = checkBox(Frame5, "ChkShowPW", QStringLiteral("Benutzername und Passwort anzeigen"));
    Label10 = label(Frame5, "Label10", QStringLiteral("Abfragezyklus"));
    cmbZyklus = named(new QComboBox(Frame5), "cmbZyklus");
    cmbZyklus->setEditable(true);
    cmbZyklus->setInsertPolicy(QComboBox::NoInsert);
    for (int s = 2; s <= 10; ++s)
        cmbZyklus->addItem(QString::number(s));
    cmbZyklus->setEditText(QStringLiteral("5"));
    cmbZyklus->setFixedWidth(cmbZyklus->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 40);
    Label10->setBuddy(cmbZyklus);
    cmbZyklus->setAccessibleName(Label10->text());
    Label11 = label(Frame5, "Label11", QStringLiteral("s"));
    Label20 = label(Frame5, "Label20",
                    QStringLiteral("Es besteht kein Zusammenhang zwischen dem Programm und dem "
                                   "Hersteller des DWL-2100AP"));
    Label20->setWordWrap(true);
    Label20->setAlignment(Qt::AlignCenter);
    setForeColor(Label20, vbColor(0x008080FF));
    Label19 = label(Frame5, "Label19", QStringLiteral("Die Benutzung erfolgt auf eigene Verantwortung."));
    Label19->setWordWrap(true);
    Label19->setAlignment(Qt::AlignCenter);
    setForeColor(Label19, vbColor(0x000000FF));
    {
        // The two frames only just fit side by side: narrow margins here.
        auto *records = new QVBoxLayout(Frame4);
        tighten(records);
        records->setContentsMargins(3, pageMargin, 3, pageMargin);
        auto *nav = new QHBoxLayout;
        nav->setSpacing(spacing);
        nav->addWidget(scrDatensatz, 1);
        nav->addWidget(txtDatensatz);
        records->addLayout(nav);
        for (auto [l, t] : {std::pair{Label1, txtDataName}, {Label4, txtDataIP}, {Label16, txtDataMAC}}) {
            records->addSpacing(1);
            records->addWidget(l);
            records->addWidget(t);
        }
        auto *type = new QHBoxLayout;
        type->setSpacing(spacing);
        type->addWidget(Label17);
        type->addWidget(chkDataAP);
        type->addStretch();
        records->addSpacing(2);
        records->addLayout(type);
        records->addStretch();
        auto *buttons = new QHBoxLayout;
        buttons->setSpacing(2);
        for (QToolButton *b : {cmdNewData, cmdSave, Command2}) {
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            buttons->addWidget(b);
        }
        records->addLayout(buttons);

        auto *program = new QVBoxLayout(Frame5);
        tighten(program);
        program->setContentsMargins(3, pageMargin, 3, pageMargin);
        for (QCheckBox *c : {chkBekClients, ChksaveUser, ChksavePW, ChkShowPW})
            program->addWidget(c);
        auto *cycle = new QHBoxLayout;
        cycle->setSpacing(spacing);
        cycle->addWidget(Label10);
        cycle->addWidget(cmbZyklus);
        cycle->addWidget(Label11);
        cycle->addStretch();
        program->addSpacing(2);
        program->addLayout(cycle);
        program->addStretch();
        program->addWidget(Label20);
        program->addWidget(Label19);

        auto *h = new QHBoxLayout(page5);
        tighten(h, 2);
        h->setSpacing(2);
        h->addWidget(Frame4, 1);
        h->addWidget(Frame5);
    }

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
    setForeColor(lblautor, vbColor(0x0000FFFF));
    Text1 = textBox(this, "Text1", QStringLiteral("Text1"));
    Text1->hide();

    timAuswertung = named(new WinTimer(1000, this), "timAuswertung");
    timPWRobot = named(new WinTimer(200, this), "timPWRobot");
    timPoll_Power = named(new WinTimer(5000, this), "timPoll_Power");
    TCPClient = named(new QTcpSocket(this), "TCPClient");

    chainTabOrder({SSTab1->tabBar(), Combo1,       txtUser,     txtPassw,      CmdLogin,      Cmd_logout,
                   txtSoftVers,      txtMACS,      txtMac,      txtAuth,       txtEncrypt,    txtWLANMode,
                   txtRXDataRate,    txtRXSign,    txtAckSign,  txtAnzahl,     OptClients[0], MSChart1,
                   Command7,         Text3,        Command8,    Text4,         Command9,      Text5,
                   Command1,         command6,     cmd_reboot,  Command13,     Command12,     Command11,
                   txtmanAntw,       Command3,     Command5,    Command4,      Command10,     Monitor,
                   scrDatensatz,     txtDatensatz, txtDataName, txtDataIP,     txtDataMAC,    chkDataAP,
                   cmdNewData,       cmdSave,      Command2,    chkBekClients, ChksaveUser,   ChksavePW,
                   ChkShowPW,        cmbZyklus,    CmdEnde});

    layoutWindow(*this);
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
    if (page == 3) {
        timPoll_Power->setEnabled(false);
        manuellMode = true;
    } else {
        manuellMode = false;
        if (PreviousTab == 3 && verbunden)
            timPoll_Power->setEnabled(true);
    }
    if (page == 5) {
        if (MACs.size() < 2)
            MACs.resize(2); // the editor always has a record 1 to work on
        showRecord();
    }
    if (page == 0)
        refreshKnownClientViews();
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
        Form_Unload();
    }
    event->accept();
}

void frmMonitor::Unload()
{
    if (m_unloaded)
        return;
    close();
    if (!m_unloaded) { // a hidden window gets no close event
        m_unloaded = true;
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
