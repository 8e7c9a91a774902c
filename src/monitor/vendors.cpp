#include "monitor/vendors.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <string>
#include <system_error>

namespace {

// Reads comma-separated records the way the IEEE registry files are written: fields
// may be quoted, a doubled quote inside quotes is one quote, and a quoted field may
// hold commas and line ends. Records end at LF, CR LF or a lone CR outside quotes.
// Lenient where the text is not well formed: a quote inside an unquoted field is
// kept as it is, text after a closing quote is appended to the field, and an
// unterminated quote runs to the end of the text.
class CsvReader
{
public:
    explicit CsvReader(QByteArrayView text) : m_text(text) {}

    // Reads the next record into fields (its bytes as they stand, not decoded);
    // false when the text is used up. An empty line is a record with one empty field.
    bool next(std::vector<std::string> &fields);

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

bool CsvReader::next(std::vector<std::string> &fields)
{
    fields.clear();
    const qsizetype n = m_text.size();
    if (m_pos >= n)
        return false;
    const char *p = m_text.data();
    fields.emplace_back();
    bool quoted = false;
    bool atStart = true; // only a quote that opens a field starts quoted text
    while (m_pos < n) {
        const char c = p[m_pos++];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (m_pos < n && p[m_pos] == '"') {
                fields.back() += '"';
                ++m_pos;
            } else {
                quoted = false;
            }
        } else if (c == ',') {
            fields.emplace_back();
            atStart = true;
        } else if (c == '\n') {
            return true;
        } else if (c == '\r') {
            if (m_pos < n && p[m_pos] == '\n')
                ++m_pos;
            return true;
        } else if (c == '"' && atStart) {
            quoted = true;
            atStart = false;
        } else {
            fields.back() += c;
            atStart = false;
        }
    }
    return true;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The assignment as a number when it is exactly `digits` hex digits.
std::optional<quint64> assignment(const std::string &text, int digits)
{
    if (int(text.size()) != digits)
        return std::nullopt;
    quint64 value = 0;
    for (char c : text) {
        const int d = hexDigit(QLatin1Char(c));
        if (d < 0)
            return std::nullopt;
        value = value << 4 | quint64(d);
    }
    return value;
}

constexpr int kNameBits = 24;
constexpr quint64 kNameMask = (quint64(1) << kNameBits) - 1;
constexpr quint32 kNoName = 0xFFFFFFFF;

} // namespace

std::optional<quint64> parseMacAddress(QStringView text)
{
    if (text.size() != 17)
        return std::nullopt;
    const QChar separator = text[2];
    if (separator != QLatin1Char(':') && separator != QLatin1Char('-'))
        return std::nullopt;
    quint64 value = 0;
    for (int i = 0; i < 6; ++i) {
        const int high = hexDigit(text[3 * i]);
        const int low = hexDigit(text[3 * i + 1]);
        if (high < 0 || low < 0 || (i < 5 && text[3 * i + 2] != separator))
            return std::nullopt;
        value = value << 8 | quint64(high << 4 | low);
    }
    return value;
}

VendorTable VendorTable::load(const QString &folder, const std::atomic<bool> *cancel)
{
    struct File
    {
        const char *name;
        int digits;
        Size size;
    };
    static const File files[] = {
        {"oui.csv", 6, Bits24},
        {"mam.csv", 7, Bits28},
        {"oui36.csv", 9, Bits36},
        {"iab.csv", 9, Bits36},
    };
    auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };

    VendorTable table;
    // Name numbers by the hash of their text, open addressing: no copy of any name
    // besides the one in m_names, which keeps the load's peak memory small.
    std::vector<quint32> buckets(1 << 16, kNoName);
    qsizetype used = 0;
    auto intern = [&](QStringView name) -> std::optional<quint32> {
        size_t mask = buckets.size() - 1;
        size_t i = qHash(name) & mask;
        for (; buckets[i] != kNoName; i = (i + 1) & mask) {
            if (table.name(buckets[i]) == name)
                return buckets[i];
        }
        if (table.m_nameStart.size() >= kNameMask)
            return std::nullopt;
        const auto number = quint32(table.m_nameStart.size());
        table.m_nameStart.push_back(quint32(table.m_names.size()));
        table.m_names += name;
        buckets[i] = number;
        if (++used * 2 > qsizetype(buckets.size())) {
            std::vector<quint32> bigger(buckets.size() * 2, kNoName);
            mask = bigger.size() - 1;
            for (quint32 n : buckets) {
                if (n == kNoName)
                    continue;
                size_t k = qHash(table.name(n)) & mask;
                while (bigger[k] != kNoName)
                    k = (k + 1) & mask;
                bigger[k] = n;
            }
            buckets = std::move(bigger);
        }
        return number;
    };

    // Blocks in file order, so a block assigned twice lists its names in that order.
    std::vector<std::pair<quint64, quint32>> read[SizeCount];
    std::vector<std::string> fields;
    for (const File &file : files) {
        QFile f(QDir(folder).filePath(QLatin1String(file.name)));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        // Read, not mapped: a mapped file cut short while we read it would end the
        // process. The copy (3 MB at most) is gone before the next file is read.
        const QByteArray bytes = f.readAll();
        QByteArrayView text = bytes;
        if (text.startsWith("\xEF\xBB\xBF"))
            text = text.sliced(3);
        CsvReader reader(text);
        while (reader.next(fields) && !cancelled()) {
            if (fields.size() < 3)
                continue;
            const std::optional<quint64> prefix = assignment(fields[1], file.digits);
            if (!prefix)
                continue; // the header line or a damaged record
            const QString name =
                QString::fromUtf8(fields[2].data(), qsizetype(fields[2].size())).simplified();
            if (name.isEmpty())
                continue;
            if (const std::optional<quint32> number = intern(name))
                read[file.size].emplace_back(*prefix, *number);
        }
    }

    for (int size = 0; size < SizeCount; ++size) {
        auto &blocks = read[size];
        std::stable_sort(blocks.begin(), blocks.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        auto &words = table.m_blocks[size];
        words.reserve(blocks.size());
        for (size_t i = 0; i < blocks.size();) {
            size_t end = i + 1;
            while (end < blocks.size() && blocks[end].first == blocks[i].first)
                ++end;
            quint32 number = blocks[i].second;
            if (end - i > 1) {
                QStringList names;
                for (size_t k = i; k < end; ++k) {
                    const QString name = table.name(blocks[k].second).toString();
                    if (!names.contains(name))
                        names.append(name);
                }
                if (names.size() > 1)
                    number = intern(names.join(QStringLiteral(" / "))).value_or(number);
            }
            words.push_back(blocks[i].first << kNameBits | number);
            i = end;
        }
        blocks = {};
    }
    table.m_nameStart.push_back(quint32(table.m_names.size()));
    table.m_nameStart.shrink_to_fit();
    table.m_names.squeeze();
    return table;
}

QStringView VendorTable::name(size_t n) const
{
    // While loading, the last name has no successor to mark its end yet.
    const qsizetype end = n + 1 < m_nameStart.size() ? qsizetype(m_nameStart[n + 1]) : m_names.size();
    return QStringView(m_names).sliced(m_nameStart[n], end - m_nameStart[n]);
}

QString VendorTable::maker(quint64 address) const
{
    static constexpr int kUnusedBits[SizeCount] = {48 - 36, 48 - 28, 48 - 24};
    for (int size = 0; size < SizeCount; ++size) {
        const std::vector<quint64> &words = m_blocks[size];
        const quint64 prefix = address >> kUnusedBits[size];
        const auto it = std::lower_bound(words.begin(), words.end(), prefix << kNameBits);
        if (it != words.end() && (*it >> kNameBits) == prefix) {
            return name(size_t(*it & kNameMask)).toString();
        }
    }
    return {};
}

qsizetype VendorTable::blockCount() const
{
    qsizetype count = 0;
    for (const auto &words : m_blocks)
        count += qsizetype(words.size());
    return count;
}

qsizetype VendorTable::bytesHeld() const
{
    qsizetype bytes =
        m_names.capacity() * qsizetype(sizeof(QChar)) + qsizetype(m_nameStart.capacity() * sizeof(quint32));
    for (const auto &words : m_blocks)
        bytes += qsizetype(words.capacity() * sizeof(quint64));
    return bytes;
}

QString VendorRegistry::Result::text() const
{
    switch (kind) {
    case Private:
        return QStringLiteral("private Adresse");
    case Maker:
        return name;
    case None:
    case NotYet:
        break;
    }
    return {};
}

VendorRegistry::VendorRegistry(const QString &folder, QObject *parent) : QObject(parent), m_folder(folder) {}

VendorRegistry::~VendorRegistry()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

VendorRegistry::Result VendorRegistry::lookup(QStringView mac)
{
    const std::optional<quint64> address = parseMacAddress(mac);
    if (!address)
        return {};
    // The locally-administered bit: the second-lowest bit of the first byte.
    if (*address & (quint64(0x02) << 40))
        return {Result::Private, {}};
    if (!m_loaded) {
        if (!m_worker.joinable())
            startLoading();
        return {Result::NotYet, {}};
    }
    QString name = m_table.maker(*address);
    if (name.isEmpty())
        return {};
    return {Result::Maker, std::move(name)};
}

void VendorRegistry::startLoading()
{
    try {
        m_worker = std::thread([this, folder = m_folder] {
            auto table = std::make_shared<VendorTable>(VendorTable::load(folder, &m_cancel));
            if (m_cancel)
                return;
            // The destructor joins this thread, so the registry outlives the call; the
            // posted call dies with the registry if it is never delivered.
            QMetaObject::invokeMethod(
                this, [this, table] { adopt(table); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error &) {
        m_loaded = true; // no thread to be had: the names stay absent
    }
}

void VendorRegistry::adopt(std::shared_ptr<VendorTable> table)
{
    m_worker.join();
    m_table = std::move(*table);
    m_loaded = true;
    emit namesReady();
}
