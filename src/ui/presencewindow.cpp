#include "ui/presencewindow.h"

#include <QDateTime>
#include <QHeaderView>
#include <QHelpEvent>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "base/wintimer.h"
#include "monitor/history.h"
#include "monitor/presencemodel.h"
#include "monitor/stationmonitor.h"
#include "monitor/vendors.h"
#include "ui/celldelegate.h"
#include "ui/historywindow.h"
#include "ui/widgets.h"

namespace {

constexpr qint64 kHourMs = 60LL * 60 * 1000;
// Day files are read again for a new selection once their data is this old.
constexpr qint64 kRereadMs = 60'000;
constexpr int kLabelWidth = 86;

} // namespace

PresenceDays::PresenceDays(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PresenceDays::sizeHint() const
{
    return {kLabelWidth + 24 * 20, kDays * (fontMetrics().height() + 4) + fontMetrics().height() + 6};
}

QSize PresenceDays::minimumSizeHint() const
{
    return {kLabelWidth + 24 * 6, sizeHint().height()};
}

qint64 PresenceDays::dayStart(int day) const
{
    return m_dayStarts[size_t(day)];
}

void PresenceDays::setBands(const QString &name, const std::vector<PresenceBand> &bands, qint64 nowMs)
{
    const qint64 firstDay =
        QDateTime::fromMSecsSinceEpoch(nowMs).date().addDays(-(kDays - 1)).startOfDay().toMSecsSinceEpoch();
    m_nowMs = nowMs;
    // Most evaluations change nothing here (nothing selected, the device away).
    if (firstDay == m_firstDayMs && name == m_name && bands == m_bands)
        return;
    const std::vector<std::pair<int, QRect>> shownBefore = bandRects();
    const bool newDays = firstDay != m_firstDayMs;
    m_name = name;
    m_bands = bands;
    m_firstDayMs = firstDay;
    // Days by the calendar: one with a clock change is 23 or 25 hours long.
    for (int d = 0; newDays && d <= kDays; ++d)
        m_dayStarts[size_t(d)] =
            QDateTime::fromMSecsSinceEpoch(firstDay).date().addDays(d).startOfDay().toMSecsSinceEpoch();
    QString summary;
    for (int d = 0; d < kDays; ++d) {
        const qint64 from = dayStart(d), to = dayStart(d + 1);
        qint64 there = 0;
        for (const PresenceBand &b : m_bands)
            there += std::max<qint64>(0, std::min(b.toMs, to) - std::max(b.fromMs, from));
        summary += QLocale().toString(QDateTime::fromMSecsSinceEpoch(from), QStringLiteral("ddd dd.MM.: ")) +
                   PresenceModel::durationText(there) + QStringLiteral("; ");
    }
    setAccessibleDescription(m_name + QStringLiteral(": ") + summary);
    // The band of a device that stays grows by a pixel every few minutes: the evaluations
    // in between change nothing on screen.
    if (newDays || bandRects() != shownBefore)
        update();
}

bool PresenceDays::presentDuring(qint64 fromMs, qint64 toMs) const
{
    return std::any_of(m_bands.begin(), m_bands.end(),
                       [&](const PresenceBand &b) { return b.fromMs < toMs && b.toMs >= fromMs; });
}

QRect PresenceDays::daysRect() const
{
    const int top = fontMetrics().height() + 4;
    return QRect(kLabelWidth, top, std::max(width() - kLabelWidth - 6, 24), height() - top - 2);
}

QString PresenceDays::toolTipAt(QPoint pos) const
{
    const QRect r = daysRect();
    if (!r.contains(pos) || m_firstDayMs == 0)
        return QString();
    const int day = std::clamp((pos.y() - r.top()) * kDays / std::max(r.height(), 1), 0, kDays - 1);
    const int hour = std::clamp((pos.x() - r.left()) * 24 / std::max(r.width(), 1), 0, 23);
    const qint64 from = dayStart(day) + hour * kHourMs;
    const QString when =
        QLocale().toString(QDateTime::fromMSecsSinceEpoch(dayStart(day)), QStringLiteral("ddd dd.MM.yyyy")) +
        QStringLiteral(", %1 - %2 Uhr: ").arg(hour).arg(hour + 1);
    return when + (presentDuring(from, from + kHourMs) ? QStringLiteral("da") : QStringLiteral("weg"));
}

bool PresenceDays::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void PresenceDays::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = daysRect();
    const QPalette &pal = palette();
    p.fillRect(r, pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::Text));
    for (int h = 0; h <= 24; h += 6) {
        const int x = r.left() + r.width() * h / 24;
        p.drawText(QRect(x - 20, 0, 40, r.top()), Qt::AlignCenter, QStringLiteral("%1").arg(h));
    }
    if (m_firstDayMs == 0)
        return;
    const QColor fill = pal.color(QPalette::Highlight);
    const std::vector<std::pair<int, QRect>> bands = bandRects();
    auto band = bands.begin();
    for (int d = 0; d < kDays; ++d) {
        const int y0 = r.top() + r.height() * d / kDays;
        const int y1 = r.top() + r.height() * (d + 1) / kDays;
        p.setPen(pal.color(QPalette::Text));
        p.drawText(
            QRect(2, y0, kLabelWidth - 6, y1 - y0), Qt::AlignVCenter | Qt::AlignLeft,
            QLocale().toString(QDateTime::fromMSecsSinceEpoch(dayStart(d)), QStringLiteral("ddd dd.MM.")));
        for (; band != bands.end() && band->first == d; ++band)
            p.fillRect(band->second, fill);
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(r.left(), y1 - 1, r.right(), y1 - 1);
    }
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

std::vector<std::pair<int, QRect>> PresenceDays::bandRects() const
{
    std::vector<std::pair<int, QRect>> rects;
    if (m_firstDayMs == 0)
        return rects;
    const QRect r = daysRect();
    for (int d = 0; d < kDays; ++d) {
        const int y0 = r.top() + r.height() * d / kDays;
        const int y1 = r.top() + r.height() * (d + 1) / kDays;
        const qint64 from = dayStart(d), to = dayStart(d + 1);
        const double perMs = double(r.width()) / double(to - from);
        for (const PresenceBand &b : m_bands) {
            if (b.toMs < from || b.fromMs >= to)
                continue;
            const int x0 = r.left() + int(double(std::max(b.fromMs, from) - from) * perMs);
            // At least a pixel: a device seen for a moment stays visible.
            const int x1 = std::max(x0 + 1, r.left() + int(double(std::min(b.toMs, to) - from) * perMs));
            rects.emplace_back(d, QRect(x0, y0 + 2, x1 - x0, y1 - y0 - 3));
        }
    }
    return rects;
}

PresenceWindow::PresenceWindow(StationMonitor *monitor, StationHistory *history, VendorRegistry *vendors,
                               QWidget *parent)
    : PlacedWindow(parent), m_monitor(monitor), m_history(history), m_reader(new DayFileReader(this))
{
    setWindowTitle(QStringLiteral("Senvaro - Wer ist da?"));
    QPointer<VendorRegistry> names(vendors);
    m_model = new PresenceModel(
        monitor, [names](const QString &mac) { return names ? names->lookup(mac).text() : QString(); }, this);
    if (vendors)
        connect(vendors, &VendorRegistry::namesReady, m_model, &PresenceModel::refresh);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(PresenceModel::SortRole);
    m_proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setDynamicSortFilter(true);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblWerIstDa"));
    m_table->setAccessibleName(QStringLiteral("Wer ist da?"));
    m_table->setModel(m_proxy);
    // Its cells change at every evaluation, most of them to a text shown a moment ago.
    m_table->setItemDelegate(new CachedCellDelegate(m_table));
    paintScrollBarsInBands(m_table);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(PresenceModel::State, Qt::AscendingOrder); // "da" first
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->setColumnWidth(PresenceModel::Name, 140);
    m_table->setColumnWidth(PresenceModel::Maker, 130);
    m_table->setColumnWidth(PresenceModel::State, 70);
    m_table->setColumnWidth(PresenceModel::Since, 140);
    m_table->setColumnWidth(PresenceModel::Duration, 80);

    auto *daysLabel = new QLabel(QStringLiteral("Anwesenheit der letzten 7 Tage:"), this);
    daysLabel->setObjectName(QStringLiteral("lblWerIstDaTage"));
    m_days = new PresenceDays(this);
    m_days->setObjectName(QStringLiteral("bndWerIstDa"));
    m_days->setAccessibleName(QStringLiteral("Anwesenheit der letzten 7 Tage"));
    daysLabel->setBuddy(m_days);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblWerIstDaStatus"));
    m_status->setTextFormat(Qt::PlainText);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_table, 1);
    layout->addWidget(daysLabel);
    layout->addWidget(m_days);
    layout->addWidget(m_status);

    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PresenceWindow::showBand);
    // The band follows the evaluations while shown (the day files once what was read of
    // them has aged).
    connect(monitor, &StationMonitor::changed, this, [this] {
        if (isVisible())
            showBand();
    });
    connect(m_reader, &DayFileReader::progress, this, [this](quint64 id, int done, int total) {
        if (id == m_request)
            m_status->setText(QStringLiteral("Lese Tagesdateien ... %1 von %2").arg(done).arg(total));
    });
    connect(
        m_reader, &DayFileReader::finished, this, [this](quint64 id, std::shared_ptr<const DayData> data) {
            if (id != m_request)
                return;
            m_request = 0;
            m_data = std::move(data);
            m_status->setText(m_data->skippedLines > 0
                                  ? QStringLiteral("%1 fehlerhafte Zeilen in den Tagesdateien übersprungen")
                                        .arg(m_data->skippedLines)
                                  : QString());
            showBand();
        });
    setMinimumSize(420, 320);
    resize(760, 480);
}

PresenceWindow::~PresenceWindow() = default;

void PresenceWindow::setDayFolder(const QString &folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    m_data.reset();
    m_reader->cancel();
    m_request = 0;
    m_status->clear();
    showBand();
}

QString PresenceWindow::selectedMac() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(PresenceModel::MacRole).toString();
}

bool PresenceWindow::isBandCurrent() const
{
    return m_request == 0;
}

std::vector<PresenceBand> PresenceWindow::bandsInMemory(const QString &mac) const
{
    std::vector<PresenceBand> out;
    const StationHistory::Track *t = m_history ? m_history->track(mac) : nullptr;
    if (!t)
        return out;
    for (const StationHistory::Point &p : t->points) {
        if (out.empty() || p.resumed)
            out.push_back({p.ms, p.ms});
        else
            out.back().toMs = p.ms;
    }
    return out;
}

void PresenceWindow::readDays()
{
    const qint64 now = m_monitor->clock().currentDateTimeUtc().toMSecsSinceEpoch();
    m_readAtMs = now;
    m_request = m_reader->request(DayRequest::lastDays(m_folder, PresenceDays::kDays, now));
    m_status->setText(QStringLiteral("Lese Tagesdateien ..."));
}

void PresenceWindow::showBand()
{
    const QString mac = selectedMac();
    const qint64 now = m_monitor->clock().currentDateTimeUtc().toMSecsSinceEpoch();
    if (mac.isEmpty()) {
        m_days->setBands(QString(), {}, now);
        return;
    }
    const DeviceState *d = m_monitor->device(mac);
    const QString name = d ? d->name : mac;
    if (m_folder.isEmpty()) {
        m_days->setBands(name, bandsInMemory(mac), now);
        return;
    }
    if (m_request == 0 && (!m_data || now - m_readAtMs > kRereadMs)) {
        readDays();
        return; // shown once read
    }
    if (m_request != 0)
        return;
    const DayStation *s = m_data->station(mac);
    m_days->setBands(name, s ? s->bands : std::vector<PresenceBand>(), now);
}

void PresenceWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_model->refresh();
    showBand();
}
