#include "ui/historypage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <deque>
#include <iterator>
#include <limits>

#include "base/allgemein.h"
#include "monitor/history.h"
#include "monitor/vendors.h"
#include "ui/dialogs.h"
#include "ui/historyplot.h"
#include "ui/widgets.h"

namespace {

// More new events than this are shown by filling the list afresh, which is cheaper
// than inserting each one at the top.
constexpr quint64 kIncrementalEvents = 200;

// The time axis' ticks, the ends and three between.
constexpr int kTimeTicks = 5;

// Line colours in the order stations appear: five common chart colours, then more
// that stay apart from them, all readable on a light and on a dark background.
QColor lineColor(int n)
{
    static constexpr QRgb colors[] = {0x209fdf, 0x99ca53, 0xf6a625, 0x6d5fd5, 0xbf593e, 0x17becf,
                                      0xe377c2, 0x8c8c8c, 0xbcbd22, 0x2ca02c, 0xd62728, 0x9467bd};
    return QColor(colors[n % int(std::size(colors))]);
}

using PointIt = std::deque<StationHistory::Point>::const_iterator;

} // namespace

namespace {

bool pointBefore(const StationHistory::Point &p, qint64 ms)
{
    return p.ms < ms;
}

} // namespace

QList<qint64> HistoryPage::spansMs()
{
    return {10LL * 60 * 1000,      60LL * 60 * 1000,          8LL * 60 * 60 * 1000,
            24LL * 60 * 60 * 1000, 7 * 24LL * 60 * 60 * 1000, 30 * 24LL * 60 * 60 * 1000};
}

namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;
// Day files shown again (a new span, a resize, the page shown) are read anew once what
// was read is this old; between, evaluations only add to today's file.
constexpr qint64 kRereadMs = 60'000;

} // namespace

HistoryPage::HistoryPage(StationHistory *history, QWidget *parent, bool ownWindow)
    : QWidget(parent), m_history(history), m_ownWindow(ownWindow)
{
    auto *spanLabel = new QLabel(QStringLiteral("Zeitraum:"), this);
    spanLabel->setObjectName(QStringLiteral("lblVerlaufZeitraum"));
    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("cmbVerlaufZeitraum"));
    m_span->addItems({QStringLiteral("10 min"), QStringLiteral("1 h"), QStringLiteral("8 h"),
                      QStringLiteral("24 h"), QStringLiteral("7 Tage"), QStringLiteral("30 Tage")});
    m_span->setAccessibleName(QStringLiteral("Zeitraum"));
    // As wide as its own spans: the note on the days' entries without the log must not
    // widen the page and with it the designed window.
    m_span->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_span->setMinimumContentsLength(int(QStringLiteral("30 Tage").size()));
    spanLabel->setBuddy(m_span);
    m_ack = new QCheckBox(QStringLiteral("Ack. Level statt RX Level"), this);
    m_ack->setObjectName(QStringLiteral("chkVerlaufAck"));
    m_ack->setAccessibleName(m_ack->text());
    m_windowButton = new QPushButton(QStringLiteral("Fenster ..."), this);
    m_windowButton->setObjectName(QStringLiteral("cmdVerlaufFenster"));
    m_windowButton->setAccessibleName(m_windowButton->text());
    m_windowButton->setToolTip(QStringLiteral("Den Verlauf in einem eigenen, größeren Fenster zeigen"));
    m_windowButton->setVisible(!ownWindow);
    connect(m_windowButton, &QPushButton::clicked, this, &HistoryPage::windowRequested);
    m_presenceButton = new QPushButton(QStringLiteral("Wer ist da? ..."), this);
    m_presenceButton->setObjectName(QStringLiteral("cmdWerIstDa"));
    m_presenceButton->setAccessibleName(m_presenceButton->text());
    m_presenceButton->setToolTip(QStringLiteral("Zeigen, welche Stationen da sind und seit wann"));
    m_presenceButton->setVisible(!ownWindow);
    connect(m_presenceButton, &QPushButton::clicked, this, &HistoryPage::presenceRequested);
    m_exportButton = new QPushButton(QStringLiteral("Exportieren ..."), this);
    m_exportButton->setObjectName(QStringLiteral("cmdVerlaufExport"));
    m_exportButton->setAccessibleName(m_exportButton->text());
    m_exportButton->setToolTip(
        QStringLiteral("Die gezeigten Stationen und den Zeitraum als CSV-Datei speichern"));
    m_exportButton->setVisible(ownWindow);
    connect(m_exportButton, &QPushButton::clicked, this, &HistoryPage::askExport);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgVerlauf"));
    m_progress->setAccessibleName(QStringLiteral("Tagesdateien lesen"));
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblVerlaufStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->hide();
    makeReader();

    m_plot = new HistoryPlot(this);
    m_plot->setObjectName(QStringLiteral("chartVerlauf"));
    m_plot->setAccessibleName(QStringLiteral("Verlauf"));
    m_plot->setValueAxis(QStringLiteral("RX Level (%)"), 0, 100);
    m_plot->setToolTipSource(
        [this](const QString &mac, qint64 msBefore) { return toolTipText(mac, m_drawnEnd + msBefore); });
    makeLegend();

    auto *eventsLabel = new QLabel(QStringLiteral("Ereignisse:"), this);
    eventsLabel->setObjectName(QStringLiteral("lblVerlaufEreignisse"));
    m_events = new QListWidget(this);
    m_events->setObjectName(QStringLiteral("lstVerlaufEreignisse"));
    m_events->setAccessibleName(QStringLiteral("Ereignisse"));
    m_events->setUniformItemSizes(true);
    paintScrollBarsInBands(m_events);
    // Four entries, the newest on top; a window of its own gives the list a share of
    // its height instead.
    const int fourRows = 4 * m_events->fontMetrics().lineSpacing() + 2 * m_events->frameWidth();
    if (ownWindow)
        m_events->setMinimumHeight(fourRows);
    else
        m_events->setFixedHeight(fourRows);
    eventsLabel->setBuddy(m_events);
    layOut(spanLabel, eventsLabel, ownWindow);

    auto settingChanged = [this] {
        m_drawnRevision = ~quint64(0);
        if (m_active)
            refresh();
    };
    connect(m_span, &QComboBox::currentIndexChanged, this, settingChanged);
    setDayFolder(QString());
    connect(m_ack, &QCheckBox::toggled, this, settingChanged);
    if (m_history)
        connect(m_history, &StationHistory::changed, this, &HistoryPage::onHistoryChanged);
    // Lines are thinned to the plot's width: thin them again when the page was shown
    // before its first layout or has been resized.
    connect(m_plot, &HistoryPlot::plotWidthChanged, this, [this](int width) {
        if (m_active && width >= 10 && width != m_drawnWidth)
            refresh();
    });
}

// Day files are read off the window's thread; only the latest request is shown.
void HistoryPage::makeReader()
{
    m_reader = new DayFileReader(this);
    connect(m_reader, &DayFileReader::progress, this, [this](quint64 id, int done, int total) {
        if (id != m_request)
            return;
        m_progress->setRange(0, std::max(total, 1));
        m_progress->setValue(done);
    });
    connect(m_reader, &DayFileReader::finished, this,
            [this](quint64 id, std::shared_ptr<const DayData> data) {
                if (id != m_request)
                    return;
                m_request = 0;
                m_days = std::move(data);
                m_daysRead = m_requestDays;
                m_progress->hide();
                if (m_active && isDaySpan())
                    drawDays();
            });
}

void HistoryPage::makeLegend()
{
    // The page is small inside the window: a compact list beside the plot names every
    // station (scrolling when the window is smaller still).
    m_legend = new QListWidget(this);
    m_legend->setObjectName(QStringLiteral("lstVerlaufLegende"));
    m_legend->setAccessibleName(QStringLiteral("Legende"));
    m_legend->setUniformItemSizes(true);
    paintScrollBarsInBands(m_legend);
    m_legend->setSelectionMode(QAbstractItemView::NoSelection);
    m_legend->setFocusPolicy(Qt::NoFocus);
    m_legend->setFrameShape(QFrame::NoFrame);
    m_legend->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_legend->setIconSize(QSize(10, 10));
    m_legend->setSpacing(0);
    {
        // Compact entries: a little smaller than the page's text, still easy to read.
        QFont small = m_legend->font();
        small.setPointSizeF(small.pointSizeF() > 0 ? small.pointSizeF() * 0.9 : 8.0);
        m_legend->setFont(small);
    }
    m_legend->setFixedWidth(0);
    // A maker cut short leaves the name whole: no ellipsis eats into it.
    m_legend->setTextElideMode(Qt::ElideNone);
    // A click on a name hides its line, a second click shows it again.
    connect(m_legend, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const QString mac = item->data(Qt::UserRole).toString();
        setLineHidden(mac, !m_hidden.contains(mac));
    });
}

void HistoryPage::layOut(QLabel *spanLabel, QLabel *eventsLabel, bool ownWindow)
{
    auto *top = new QHBoxLayout();
    top->addWidget(spanLabel);
    top->addWidget(m_span);
    top->addSpacing(12);
    top->addWidget(m_ack);
    top->addSpacing(8);
    top->addWidget(m_progress);
    top->addStretch(1);
    top->addWidget(m_exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addLayout(top);
    auto *plot = new QHBoxLayout();
    plot->setSpacing(0);
    plot->addWidget(m_plot, 1);
    plot->addWidget(m_legend);
    layout->addLayout(plot, 3);
    layout->addWidget(m_status);
    auto *events = new QHBoxLayout();
    events->addWidget(eventsLabel, 0, Qt::AlignTop);
    events->addWidget(m_events, 1);
    // The page's buttons beside the events: in the top row they would widen the page and
    // with it the designed window.
    auto *buttons = new QVBoxLayout();
    buttons->addWidget(m_presenceButton);
    buttons->addWidget(m_windowButton);
    buttons->addStretch(1);
    events->addLayout(buttons);
    layout->addLayout(events, ownWindow ? 1 : 0);
}

void HistoryPage::setVendors(VendorRegistry *vendors)
{
    if (m_vendors)
        disconnect(m_vendors, nullptr, this, nullptr);
    m_vendors = vendors;
    // Names that were "not yet" now have their answer: name them again.
    if (vendors)
        connect(vendors, &VendorRegistry::namesReady, this, [this] {
            m_legendShown.clear();
            updateLegend();
            if (m_history)
                fillEvents();
        });
    m_legendShown.clear();
    if (m_active && m_history) {
        updateLegend();
        fillEvents();
    }
}

QString HistoryPage::withMaker(const QString &name, const QString &mac) const
{
    if (!m_vendors)
        return name;
    const QString maker = m_vendors->lookup(mac).text();
    return maker.isEmpty() ? name : name + QLatin1String(" (") + maker + QLatin1Char(')');
}

void HistoryPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        m_legendShown.clear(); // the entries' text colour
        updateLegend();
    }
}

QStringList HistoryPage::timeLabels() const
{
    return m_plot->timeLabels();
}

void HistoryPage::setActive(bool shown)
{
    m_active = shown;
    if (shown && !isCurrent())
        refresh();
}

bool HistoryPage::isCurrent() const
{
    return !m_history || m_drawnRevision == m_history->revision();
}

void HistoryPage::onHistoryChanged()
{
    if (!m_active)
        return;
    if (!isDaySpan()) {
        refresh();
        return;
    }
    // A span of days stays as read; the event list follows.
    updateEvents();
    m_drawnRevision = m_history->revision();
}

int HistoryPage::plotWidth() const
{
    const int w = m_plot->plotRect().width();
    // Before the first layout the plot area is empty; thin to a typical width then.
    return w >= 10 ? w : 600;
}

namespace {

// Thins [first, last) into out, as decimate() describes.
void thin(PointIt first, PointIt last, bool ack, qint64 t0, qint64 t1, int columns, QList<QPointF> &out)
{
    const qsizetype n = last - first;
    if (n <= 0)
        return;
    auto value = [ack](const StationHistory::Point &p) { return qreal(ack ? p.ack : p.rx); };
    columns = std::max(columns, 1);
    if (n <= 2 * qsizetype(columns)) {
        out.reserve(out.size() + n);
        for (auto it = first; it != last; ++it)
            out.append(QPointF(qreal(it->ms), value(*it)));
        return;
    }
    // Per pixel column the lowest and the highest value, in the order they came, so
    // every dip and peak stays visible.
    out.reserve(out.size() + 2 * columns + 3);
    const qint64 span = std::max<qint64>(t1 - t0, 1);
    // Column c covers the times before boundary(c); stepping from boundary to boundary
    // spares a division per sample.
    auto boundary = [&](qint64 c) { return t0 + (span * (c + 1) + columns - 1) / columns; };
    auto it = first;
    qint64 col = it->ms < t0 ? -1 : std::min<qint64>((it->ms - t0) * columns / span, columns - 1);
    while (it != last) {
        qint64 end = col + 1 >= columns ? std::numeric_limits<qint64>::max() : boundary(col);
        while (it->ms >= end) { // an empty column: move on
            ++col;
            end = col + 1 >= columns ? std::numeric_limits<qint64>::max() : boundary(col);
        }
        auto lo = it, hi = it;
        for (++it; it != last && it->ms < end; ++it) {
            if (value(*it) < value(*lo))
                lo = it;
            if (value(*it) > value(*hi))
                hi = it;
        }
        const auto a = lo->ms <= hi->ms ? lo : hi;
        const auto b = lo->ms <= hi->ms ? hi : lo;
        out.append(QPointF(qreal(a->ms), value(*a)));
        if (b != a)
            out.append(QPointF(qreal(b->ms), value(*b)));
        ++col;
    }
    // The line ends at the newest sample, whatever the last column's extremes are.
    const auto newest = last - 1;
    if (out.last().x() != qreal(newest->ms))
        out.append(QPointF(qreal(newest->ms), value(*newest)));
}

// The samples from the last one before t0 (the line enters from the left edge) to the
// last one at t1.
std::pair<PointIt, PointIt> visible(const StationHistory &history, int trackIndex, qint64 t0, qint64 t1)
{
    const auto &pts = history.tracks()[size_t(trackIndex)].points;
    auto first = std::lower_bound(pts.begin(), pts.end(), t0, pointBefore);
    if (first != pts.begin())
        --first;
    const auto last = std::upper_bound(pts.begin(), pts.end(), t1,
                                       [](qint64 ms, const StationHistory::Point &p) { return ms < p.ms; });
    return {first, last};
}

} // namespace

QList<QPointF> HistoryPage::decimate(const StationHistory &history, int trackIndex, bool ack, qint64 t0,
                                     qint64 t1, int columns)
{
    QList<QPointF> out;
    const auto [first, last] = visible(history, trackIndex, t0, t1);
    thin(first, last, ack, t0, t1, columns, out);
    return out;
}

QList<QList<QPointF>> HistoryPage::decimatePieces(const StationHistory &history, int trackIndex, bool ack,
                                                  qint64 t0, qint64 t1, int columns)
{
    QList<QList<QPointF>> out;
    auto [first, last] = visible(history, trackIndex, t0, t1);
    // A break narrower than a pixel column cannot be seen: the line goes on there, so a
    // station that comes and goes all day is not drawn as thousands of pieces.
    const qint64 column = (t1 - t0) / std::max(columns, 1);
    const auto breaks = [column](const StationHistory::Point &before, const StationHistory::Point &p) {
        return p.resumed && p.ms - before.ms > column;
    };
    // A sample before the plot that a break parts from the rest draws nothing.
    if (first != last && first->ms < t0 && std::next(first) != last && breaks(*first, *std::next(first)))
        ++first;
    while (first != last) {
        auto end = std::adjacent_find(first, last, breaks);
        if (end != last)
            ++end;
        out.append(QList<QPointF>());
        thin(first, end, ack, t0, t1, columns, out.last());
        first = end;
    }
    return out;
}

void HistoryPage::updateLegend()
{
    if (!m_history)
        return;
    // Entries in the order of the stations' first appearance, as the lines are.
    QString shown;
    // The stations drawn: those of the day files for a span of days, else the memory's.
    struct Entry
    {
        QString mac;
        QString name;
    };
    std::vector<Entry> tracks;
    if (isDaySpan()) {
        for (const ReducedHistory::Station &s : m_reduced.stations)
            tracks.push_back({s.mac, s.name});
    } else {
        for (const StationHistory::Track &t : m_history->tracks())
            tracks.push_back({t.mac, t.name});
    }
    for (const Entry &t : tracks) {
        const auto color = m_colors.constFind(t.mac);
        if (color != m_colors.constEnd())
            shown += t.mac + QLatin1Char('\t') + t.name + QLatin1Char('\t') + color->name() +
                     (m_hidden.contains(t.mac) ? QLatin1String("\th\n") : QLatin1String("\n"));
    }
    if (shown == m_legendShown)
        return;
    m_legendShown = shown;
    m_legend->clear();
    int widest = 0;
    const QFontMetrics fm(m_legend->font());
    // On the page the list is as wide as the names, and a maker beside one may be cut
    // short (its entry's tooltip has it in full); a window of its own has room for them.
    for (const Entry &t : tracks) {
        const auto color = m_colors.constFind(t.mac);
        if (color == m_colors.constEnd())
            continue;
        const bool hidden = m_hidden.contains(t.mac);
        QColor mark = *color;
        QColor text = m_legend->palette().color(QPalette::Text);
        if (hidden) {
            // A hidden line keeps its entry, faded, so a click brings it back.
            mark.setAlphaF(0.4);
            text.setAlphaF(0.4);
        }
        QPixmap swatch(m_legend->iconSize());
        swatch.fill(mark);
        const QString caption = withMaker(t.name, t.mac);
        auto *item = new QListWidgetItem(QIcon(swatch), caption);
        item->setData(Qt::UserRole, t.mac);
        item->setForeground(text);
        item->setToolTip(caption == t.name ? t.mac : t.mac + QLatin1String("\n") + caption);
        m_legend->addItem(item);
        widest = std::max(widest, fm.horizontalAdvance(m_ownWindow ? caption : t.name));
    }
    // As wide as the longest name, plus what the style puts around an entry's text (its
    // mark and margins) and room for a scroll bar.
    int width = 0;
    if (m_legend->count() > 0) {
        const int around = m_legend->sizeHintForIndex(m_legend->model()->index(0, 0)).width() -
                           fm.horizontalAdvance(m_legend->item(0)->text());
        width = widest + std::max(around, m_legend->iconSize().width()) +
                m_legend->verticalScrollBar()->sizeHint().width() + 2 * m_legend->frameWidth();
    }
    m_legend->setFixedWidth(std::min(width, m_ownWindow ? 360 : 220));
}

void HistoryPage::setLineHidden(const QString &mac, bool hidden)
{
    if (hidden)
        m_hidden.insert(mac);
    else
        m_hidden.remove(mac);
    if (m_colors.contains(mac)) {
        m_plot->setLineHidden(mac, hidden);
        updateLegend();
        if (!hidden) {
            // A hidden line is not thinned while hidden; fill it now.
            m_drawnRevision = ~quint64(0);
            if (m_active)
                refresh();
        }
    }
}

void HistoryPage::refresh()
{
    if (!m_history)
        return;
    if (isDaySpan()) {
        refreshDays();
        return;
    }
    m_reduced = ReducedHistory();
    m_status->hide();
    const StationHistory &h = *m_history;
    const qint64 span = spansMs().value(m_span->currentIndex(), spansMs().first());
    m_drawnSpan = span;
    const qint64 t1 = h.lastMs() > 0 ? h.lastMs() : QDateTime::currentMSecsSinceEpoch();
    const qint64 t0 = t1 - span;
    const QString format = span <= 60LL * 60 * 1000 ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm");
    QStringList times;
    for (int k = 0; k < kTimeTicks; ++k)
        times << QDateTime::fromMSecsSinceEpoch(t0 + span * k / (kTimeTicks - 1)).toString(format);
    m_plot->setTimeAxis(span, times);
    m_drawnEnd = t1;

    const bool ack = m_ack->isChecked();
    const int columns = plotWidth();
    m_drawnWidth = columns;
    qreal lo = 0.0, hi = 100.0;
    QSet<QString> seen;
    const auto &tracks = h.tracks();
    for (size_t i = 0; i < tracks.size(); ++i) {
        const StationHistory::Track &t = tracks[i];
        seen.insert(t.mac);
        auto color = m_colors.find(t.mac);
        if (color == m_colors.end())
            color = m_colors.insert(t.mac, lineColor(m_colorsGiven++));
        const bool hidden = m_hidden.contains(t.mac);
        // A hidden line is not thinned; it keeps its place and its legend entry.
        QList<QList<QPointF>> pieces;
        if (!hidden)
            pieces = decimatePieces(h, int(i), ack, t0, t1, columns);
        for (QList<QPointF> &pts : pieces) {
            for (QPointF &p : pts) {
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
                p.rx() -= qreal(t1);
            }
        }
        m_plot->setLine(t.mac, *color, pieces);
        m_plot->setLineHidden(t.mac, hidden);
    }
    finishLines(seen, ack, lo, hi);
    updateLegend();

    updateEvents();
    m_drawnRevision = h.revision();
}

QString HistoryPage::eventText(int index) const
{
    const HistoryEvent &e = m_history->events()[size_t(index)];
    return e.time().toString(QStringLiteral("hh:mm:ss")) + QLatin1String("  ") + withMaker(e.name, e.mac) +
           QLatin1String("  ") + e.word();
}

void HistoryPage::fillEvents()
{
    const auto &events = m_history->events();
    m_events->setProperty("generation", m_history->generation());
    m_events->clear();
    for (int k = int(events.size()) - 1; k >= 0; --k) {
        auto *item = new QListWidgetItem(eventText(k));
        item->setToolTip(events[size_t(k)].time().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) +
                         QLatin1String("  ") + events[size_t(k)].mac);
        m_events->addItem(item);
    }
    m_shownEventSerial = m_history->eventSerial();
}

void HistoryPage::updateEvents()
{
    const StationHistory &h = *m_history;
    const auto &events = h.events();
    const quint64 serial = h.eventSerial();
    if (m_events->property("generation").toULongLong() != h.generation() || serial < m_shownEventSerial ||
        serial - m_shownEventSerial > kIncrementalEvents) {
        fillEvents();
        return;
    }
    const size_t fresh = std::min<size_t>(size_t(serial - m_shownEventSerial), events.size());
    for (size_t k = events.size() - fresh; k < events.size(); ++k) {
        auto *item = new QListWidgetItem(eventText(int(k)));
        item->setToolTip(events[k].time().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) +
                         QLatin1String("  ") + events[k].mac);
        m_events->insertItem(0, item);
    }
    while (m_events->count() > int(events.size()))
        delete m_events->takeItem(m_events->count() - 1);
    m_shownEventSerial = serial;
}

QString HistoryPage::toolTipText(const QString &mac, qint64 ms) const
{
    if (isDaySpan()) {
        const qint64 t0 = m_reduced.fromMs, span = m_reduced.toMs - m_reduced.fromMs;
        for (const ReducedHistory::Station &s : m_reduced.stations) {
            if (s.mac.compare(mac, Qt::CaseInsensitive) != 0 || span <= 0 || s.columns.empty())
                continue;
            const int c = int(std::clamp<qint64>((ms - t0) * qint64(s.columns.size()) / span, 0,
                                                 qint64(s.columns.size()) - 1));
            const SignalRange &r = s.columns[size_t(c)];
            if (!r.hasSamples())
                return QString();
            const bool ack = m_ack->isChecked();
            const qint64 from = t0 + span * c / qint64(s.columns.size());
            return withMaker(s.name, s.mac) + QLatin1Char('\n') +
                   QDateTime::fromMSecsSinceEpoch(from).toString(QStringLiteral("dd.MM.yyyy hh:mm")) +
                   QLatin1Char('\n') + (ack ? QStringLiteral("Ack. Level: ") : QStringLiteral("RX Level: ")) +
                   fNumText(ack ? r.ackMin : r.rxMin) + QStringLiteral(" - ") +
                   fNumText(ack ? r.ackMax : r.rxMax) + QStringLiteral(" %");
        }
        return QString();
    }
    const StationHistory::Track *t = m_history ? m_history->track(mac) : nullptr;
    if (!t || t->points.empty())
        return QString();
    const auto &pts = t->points;
    auto it = std::lower_bound(pts.begin(), pts.end(), ms, pointBefore);
    if (it == pts.end() || (it != pts.begin() && ms - (it - 1)->ms < it->ms - ms))
        --it;
    const bool ack = m_ack->isChecked();
    return withMaker(t->name, mac) + QLatin1Char('\n') +
           QDateTime::fromMSecsSinceEpoch(it->ms).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) +
           QLatin1Char('\n') + (ack ? QStringLiteral("Ack. Level: ") : QStringLiteral("RX Level: ")) +
           fNumText(ack ? it->ack : it->rx) + QStringLiteral(" %");
}

void HistoryPage::finishLines(const QSet<QString> &seen, bool ack, qreal lo, qreal hi)
{
    // Lines of stations no longer drawn go, with their colours.
    for (auto it = m_colors.begin(); it != m_colors.end();) {
        if (seen.contains(it.key())) {
            ++it;
            continue;
        }
        m_plot->removeLine(it.key());
        it = m_colors.erase(it);
    }
    // Levels outside 0..100 (a per-cent value above 100, a negative value) widen the
    // axis rather than leave the plot.
    m_plot->setValueAxis(ack ? QStringLiteral("Ack. Level (%)") : QStringLiteral("RX Level (%)"),
                         std::floor(lo), std::ceil(hi));
}

bool HistoryPage::isDaySpan() const
{
    return m_span->currentIndex() >= kFirstDaySpan;
}

void HistoryPage::setDayFolder(const QString &folder)
{
    m_dayFolder = folder;
    auto *items = qobject_cast<QStandardItemModel *>(m_span->model());
    const QStringList texts{QStringLiteral("7 Tage"), QStringLiteral("30 Tage")};
    for (int i = 0; i < int(texts.size()); ++i) {
        QStandardItem *item = items->item(kFirstDaySpan + i);
        const bool on = !folder.isEmpty();
        item->setEnabled(on);
        item->setText(on ? texts[i] : texts[i] + QStringLiteral(" (nur mit Verlaufsprotokoll)"));
        item->setToolTip(on ? QString()
                            : QStringLiteral("Längere Zeiträume werden aus den Tagesdateien des "
                                             "Verlaufsprotokolls gelesen; es ist ausgeschaltet."));
    }
    m_days.reset();
    m_daysRead = 0;
    if (m_request) {
        m_reader->cancel();
        m_request = 0;
        m_progress->hide();
    }
    if (folder.isEmpty() && isDaySpan())
        m_span->setCurrentIndex(kFirstDaySpan - 1); // redraws
    else if (m_active && isDaySpan())
        refresh();
}

QString HistoryPage::statusText() const
{
    return m_status->text();
}

void HistoryPage::refreshDays()
{
    const int days = int(spansMs()[m_span->currentIndex()] / kDayMs);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    updateEvents();
    m_drawnRevision = m_history->revision();
    if (m_days && m_daysRead == days && now - m_daysReadAt <= kRereadMs) {
        drawDays();
        return;
    }
    if (m_request && m_requestDays == days)
        return; // drawn once read
    // The end of the span: the newest evaluation, as the spans of today.
    const qint64 end = m_history->lastMs() > 0 ? m_history->lastMs() : now;
    m_requestDays = days;
    m_daysReadAt = now;
    m_request = m_reader->request(DayRequest::lastDays(m_dayFolder, days, end + 1));
    m_progress->setRange(0, 0); // busy until the first file is done
    m_progress->show();
    m_status->setText(QStringLiteral("Lese die Tagesdateien der letzten %1 Tage ...").arg(days));
    m_status->show();
}

void HistoryPage::drawDays()
{
    const DayData &data = *m_days;
    const qint64 t1 = data.toMs;
    const qint64 span = qint64(m_daysRead) * kDayMs;
    const qint64 t0 = t1 - span;
    const int columns = plotWidth();
    m_drawnWidth = columns;
    m_drawnEnd = t1;
    m_drawnSpan = span;
    m_reduced = reduce(data, t0, t1, columns);

    QStringList times;
    for (int k = 0; k < kTimeTicks; ++k)
        times << QDateTime::fromMSecsSinceEpoch(t0 + span * k / (kTimeTicks - 1))
                     .toString(QStringLiteral("dd.MM."));
    m_plot->setTimeAxis(span, times);

    const bool ack = m_ack->isChecked();
    qreal lo = 0.0, hi = 100.0;
    QSet<QString> seen;
    for (const ReducedHistory::Station &s : m_reduced.stations) {
        seen.insert(s.mac);
        auto color = m_colors.find(s.mac);
        if (color == m_colors.end())
            color = m_colors.insert(s.mac, lineColor(m_colorsGiven++));
        // Per pixel column the lowest and highest level, as a stroke from one to the
        // other: a month shows every dip and peak. Columns without a sample break the line.
        QList<QList<QPointF>> pieces;
        bool open = false;
        for (int c = 0; c < int(s.columns.size()); ++c) {
            const SignalRange &r = s.columns[size_t(c)];
            if (!r.hasSamples()) {
                open = false;
                continue;
            }
            if (!open)
                pieces.append(QList<QPointF>());
            open = true;
            const qreal x = qreal(t0 - t1) + (qreal(c) + 0.5) * qreal(span) / qreal(s.columns.size());
            const qreal a = ack ? r.ackMin : r.rxMin, b = ack ? r.ackMax : r.rxMax;
            lo = std::min(lo, a);
            hi = std::max(hi, b);
            pieces.last().append(QPointF(x, a));
            if (b != a)
                pieces.last().append(QPointF(x, b));
        }
        const bool hidden = m_hidden.contains(s.mac);
        m_plot->setLine(s.mac, *color, hidden ? QList<QList<QPointF>>() : pieces);
        m_plot->setLineHidden(s.mac, hidden);
    }
    finishLines(seen, ack, lo, hi);
    m_legendShown.clear();
    updateLegend();

    QString status = QStringLiteral("%1 von %2 Tagesdateien gelesen, %3 Messwerte")
                         .arg(data.filesRead)
                         .arg(data.filesTotal)
                         .arg(data.samples);
    if (data.skippedLines > 0) {
        QStringList where;
        for (const SkippedLines &k : data.skipped)
            where << QStringLiteral("%1 (%2)").arg(k.fileName).arg(k.lines);
        status += QStringLiteral("; %1 fehlerhafte Zeilen übersprungen: %2")
                      .arg(data.skippedLines)
                      .arg(where.join(QStringLiteral(", ")));
    }
    if (!data.unreadable.isEmpty())
        status += QStringLiteral("; nicht lesbar: ") + data.unreadable.join(QStringLiteral(", "));
    m_status->setText(status);
    m_status->show();
}

bool HistoryPage::exportTo(const QString &path, QString *error) const
{
    const qint64 t1 = m_drawnEnd, t0 = m_drawnEnd - m_drawnSpan;
    QStringList macs;
    for (const QString &mac : m_plot->lines())
        if (!m_hidden.contains(mac))
            macs << mac;
    if (!m_dayFolder.isEmpty())
        return exportCsv(path, m_dayFolder, t0, t1 + 1, macs, error);
    // Without the log: the samples in memory.
    std::vector<DayRow> rows;
    if (m_history) {
        for (const QString &mac : macs) {
            const StationHistory::Track *t = m_history->track(mac);
            if (!t)
                continue;
            const QString maker = m_vendors ? m_vendors->lookup(mac).text() : QString();
            for (const StationHistory::Point &p : t->points) {
                if (p.ms < t0 || p.ms > t1)
                    continue;
                DayRow r;
                r.ms = p.ms;
                r.event = QStringLiteral("Messwert");
                r.mac = t->mac;
                r.name = t->name;
                r.rx = p.rx;
                r.ack = p.ack;
                r.rate = p.rate;
                r.mode = m_history->modes().value(p.mode);
                r.maker = maker;
                rows.push_back(std::move(r));
            }
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const DayRow &a, const DayRow &b) { return a.ms < b.ms; });
    }
    return exportCsv(path, rows, error);
}

void HistoryPage::askExport()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Verlauf exportieren"), QStringLiteral("SENVARO-Export.csv"),
        QStringLiteral("CSV-Dateien (*.csv);;Alle Dateien (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!exportTo(path, &error))
        Dialogs::critical(QStringLiteral("Fehler beim Exportieren"), error);
}
