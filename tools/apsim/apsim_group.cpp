#include "apsim_group.h"

#include <QRandomGenerator>
#include <QSet>

namespace apsim {

namespace {

// Strict dotted IPv4: four decimal numbers 0..255. QHostAddress would also take "127.1"
// or octal forms, which in a range would silently mean something else.
bool parseIpv4(const QString &text, quint32 *out)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const uint n = part.toUInt();
        if (n > 255)
            return false;
        value = (value << 8) | n;
    }
    *out = value;
    return true;
}

bool isLoopback(quint32 ip)
{
    return (ip >> 24) == 127;
}

} // namespace

bool parseAddresses(const QString &text, QList<QHostAddress> *out, QString *error)
{
    out->clear();
    const auto fail = [&](const QString &why) {
        out->clear();
        *error = why;
        return false;
    };
    if (text.trimmed().isEmpty())
        return fail(QStringLiteral("no address given"));
    QSet<quint32> seen;
    for (const QString &raw : text.split(QLatin1Char(','))) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            return fail(QStringLiteral("empty entry in \"%1\"").arg(text));
        const QStringList ends = item.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return fail(QStringLiteral("\"%1\" is not an address or a range A-B").arg(item));
        quint32 first = 0;
        quint32 last = 0;
        for (qsizetype i = 0; i < ends.size(); ++i) {
            const QString end = ends[i].trimmed();
            quint32 &ip = i == 0 ? first : last;
            if (!parseIpv4(end, &ip))
                return fail(QStringLiteral("\"%1\" is not an IPv4 address like 127.0.1.1").arg(end));
            if (!isLoopback(ip))
                return fail(QStringLiteral("%1 is not a loopback address (127.0.0.0/8)").arg(end));
        }
        if (ends.size() == 1)
            last = first;
        if ((first >> 8) != (last >> 8))
            return fail(
                QStringLiteral("range \"%1\" leaves one /24 (the first three numbers must match)").arg(item));
        if (first > last)
            return fail(QStringLiteral("range \"%1\" runs backwards").arg(item));
        for (quint32 ip = first; ip <= last; ++ip) {
            if (seen.contains(ip))
                return fail(QStringLiteral("%1 is named twice").arg(QHostAddress(ip).toString()));
            if (out->size() == maxAddresses)
                return fail(QStringLiteral("more than %1 addresses").arg(maxAddresses));
            seen.insert(ip);
            out->append(QHostAddress(ip));
        }
    }
    return true;
}

Options optionsForAddress(const Options &base, const QHostAddress &address)
{
    const quint32 ip = address.toIPv4Address();
    Options o = base;
    o.seed = base.seed ^ ip;
    QRandomGenerator random(ip);
    for (int i = 0; i < o.stations.size(); ++i) {
        Station &s = o.stations[i];
        const int top = s.perCent ? 100 : 64;
        s.rx = qBound(0, s.rx + int(random.bounded(21)) - 10, top);
        s.ack = qBound(0, s.ack + int(random.bounded(21)) - 10, 64);
        // makeStations' MACs get the address's last two bytes; given ones (e.g. --macs)
        // are the user's and stay.
        if (s.mac == stationMac(i))
            s.mac = stationMac(i, quint16(ip & 0xffff));
    }
    return o;
}

ApSimGroup::ApSimGroup(const Options &base, bool varyPerAddress, QObject *parent)
    : QObject(parent), m_base(base), m_vary(varyPerAddress)
{
}

ApSimGroup::~ApSimGroup() = default;

bool ApSimGroup::listen(const QList<QHostAddress> &addresses, quint16 port)
{
    stop();
    m_error.clear();
    m_port = port;
    m_sims.reserve(size_t(addresses.size()));
    for (const QHostAddress &address : addresses) {
        auto sim = std::make_unique<ApSim>(m_vary ? optionsForAddress(m_base, address) : m_base);
        if (!sim->listen(address, port)) {
            m_error = QStringLiteral("cannot listen on %1:%2: %3")
                          .arg(address.toString())
                          .arg(port)
                          .arg(sim->errorString());
            stop();
            return false;
        }
        connect(sim.get(), &ApSim::clientConnected, this,
                [this, address](int c) { emit clientConnected(address, c); });
        connect(sim.get(), &ApSim::lineReceived, this,
                [this, address](int c, qint64 ms, const QByteArray &line) {
                    emit lineReceived(address, c, ms, line);
                });
        connect(sim.get(), &ApSim::clientDisconnected, this,
                [this, address](int c) { emit clientDisconnected(address, c); });
        m_sims.push_back(std::move(sim));
        m_addresses.append(address);
    }
    return true;
}

void ApSimGroup::stop()
{
    m_sims.clear();
    m_addresses.clear();
}

ApSim *ApSimGroup::find(const QHostAddress &address) const
{
    const qsizetype i = m_addresses.indexOf(address);
    return i < 0 ? nullptr : m_sims[size_t(i)].get();
}

QString ApSimGroup::control(const QString &line)
{
    const QString text = line.simplified();
    if (text.isEmpty())
        return QString();
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const QString verb = text.left(space < 0 ? text.size() : space).toLower();
    const QString arg = space < 0 ? QString() : text.mid(space + 1);
    static const QStringList verbs = {QStringLiteral("silent"), QStringLiteral("answer"),
                                      QStringLiteral("close"), QStringLiteral("refuse")};
    if (verb == QLatin1String("join") || verb == QLatin1String("leave"))
        return joinOrLeave(verb, arg);
    if (!verbs.contains(verb) || arg.isEmpty())
        return QStringLiteral("error: \"%1\" is not a command (silent, answer, close or refuse, "
                              "then addresses or all; join or leave, then a MAC address and an address)")
            .arg(text);

    QList<int> targets;
    if (arg.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        for (int i = 0; i < size(); ++i)
            targets.append(i);
    } else {
        QList<QHostAddress> named;
        QString why;
        if (!parseAddresses(arg, &named, &why))
            return QStringLiteral("error: ") + why;
        for (const QHostAddress &a : named) {
            const qsizetype i = m_addresses.indexOf(a);
            if (i < 0)
                return QStringLiteral("error: %1 is not served here").arg(a.toString());
            targets.append(int(i));
        }
    }

    for (int i : targets) {
        ApSim *sim = m_sims[size_t(i)].get();
        if (verb == QLatin1String("silent")) {
            sim->options().noReply = true;
        } else if (verb == QLatin1String("answer")) {
            sim->options().noReply = false;
            if (!sim->isListening() && !sim->listen(m_addresses[i], m_port))
                return QStringLiteral("error: cannot listen again on %1:%2: %3")
                    .arg(m_addresses[i].toString())
                    .arg(m_port)
                    .arg(sim->errorString());
        } else if (verb == QLatin1String("close")) {
            sim->closeConnections();
        } else {
            sim->stop();
        }
    }
    return QStringLiteral("ok: %1 %2").arg(verb, arg);
}

QString ApSimGroup::joinOrLeave(const QString &verb, const QString &arg)
{
    const QStringList parts = arg.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return QStringLiteral("error: %1 needs a MAC address and one address, e.g. \"%1 aa:bb:cc:dd:ee:ff "
                              "127.0.1.5\"")
            .arg(verb);
    const QString mac = ApSim::normalizedMac(parts[0]);
    if (mac.isEmpty())
        return QStringLiteral("error: \"%1\" is not a MAC address like aa:bb:cc:dd:ee:ff").arg(parts[0]);
    QList<QHostAddress> named;
    QString why;
    if (!parseAddresses(parts[1], &named, &why))
        return QStringLiteral("error: ") + why;
    if (named.size() != 1)
        return QStringLiteral("error: %1 takes one address, not \"%2\"").arg(verb, parts[1]);
    const QString where = named.first().toString();
    const qsizetype target = m_addresses.indexOf(named.first());
    if (target < 0)
        return QStringLiteral("error: %1 is not served here").arg(where);
    ApSim *sim = m_sims[size_t(target)].get();

    if (verb == QLatin1String("leave")) {
        if (!sim->removeStation(mac))
            return QStringLiteral("error: %1 is not listed at %2").arg(mac, where);
        return QStringLiteral("ok: leave %1 %2").arg(mac, where);
    }
    // A generated station keeps its place: the same MAC twice would be two stations.
    for (size_t i = 0; i < m_sims.size(); ++i) {
        for (const Station &s : m_sims[i]->options().stations) {
            if (s.mac.compare(mac, Qt::CaseInsensitive) == 0)
                return QStringLiteral("error: %1 is a generated station of %2")
                    .arg(mac, m_addresses[qsizetype(i)].toString());
        }
    }
    QString left;
    for (size_t i = 0; i < m_sims.size(); ++i) {
        if (qsizetype(i) != target && m_sims[i]->removeStation(mac))
            left = QStringLiteral(" (left %1)").arg(m_addresses[qsizetype(i)].toString());
    }
    sim->addStation(mac);
    return QStringLiteral("ok: join %1 %2%3").arg(mac, where, left);
}

} // namespace apsim
