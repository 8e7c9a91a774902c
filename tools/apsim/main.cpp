// senvaro-apsim: a simulated DWL-2100AP telnet command line on one address and port, or
// one independent access point on each of many loopback addresses.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

#include "apsim.h"
#include "apsim_group.h"

namespace {

int intOption(const QCommandLineParser &p, const QString &name, int min, bool *ok)
{
    bool good = false;
    const int v = p.value(name).toInt(&good);
    if (!good || v < min) {
        QTextStream(stderr) << "senvaro-apsim: --" << name << " needs a whole number >= " << min << ", got \""
                            << p.value(name) << "\"\n";
        *ok = false;
        return min;
    }
    return v;
}

// Each address holds a listening socket and each client one more; the usual soft limit of
// 1024 descriptors would stop a full list short.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("senvaro-apsim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated DWL-2100AP telnet command line for Senvaro tests and demonstrations.\n"
        "It greets with \"login: \", asks \"password: \", answers \"Incorrect login\" to wrong\n"
        "credentials, then shows the prompt \"DWL-2100AP> \" and answers version, get station,\n"
        "get rate|channel|ssid|hardware|power, set antenna 1|2|best, set eth2sta\n"
        "enable|disable, reboot (\"Rebooting ...\" and close) and quit (close).\n"
        "Every received line is printed with the time in ms since its connection opened\n"
        "(with --addresses, after the address it came to).\n"
        "Port 23 needs root or a user+network namespace (unshare -Urn)."));
    p.addHelpOption();
    const QList<QCommandLineOption> opts = {
        {QStringLiteral("address"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
         QStringLiteral("ip"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("addresses"),
         QStringLiteral("Many access points, one per address, e.g. 127.0.1.1-127.0.1.50 or "
                        "127.0.0.2,127.0.1.5-127.0.1.9 (127.0.0.0/8 only, ranges within one /24, "
                        "at most 1024); each has its own stations and levels."),
         QStringLiteral("list")},
        {QStringLiteral("control-stdin"),
         QStringLiteral("Read commands from standard input, one a line: silent, answer, close or "
                        "refuse, then addresses or \"all\" (e.g. \"silent 127.0.1.7\"); "
                        "join MAC ADDRESS lists the station with that MAC (aa:bb:cc:dd:ee:ff) at one "
                        "address from its next reply on, moving it from any other; "
                        "leave MAC ADDRESS unlists it.")},
        {QStringLiteral("port"), QStringLiteral("TCP port (default 23)."), QStringLiteral("n"),
         QStringLiteral("23")},
        {QStringLiteral("user"), QStringLiteral("Accepted user name (default admin)."),
         QStringLiteral("name"), QStringLiteral("admin")},
        {QStringLiteral("password"), QStringLiteral("Accepted password (default admin)."),
         QStringLiteral("text"), QStringLiteral("admin")},
        {QStringLiteral("reject"), QStringLiteral("Answer \"Incorrect login\" to every login.")},
        {QStringLiteral("stations"), QStringLiteral("Number of associated stations (default 3; 0 = none)."),
         QStringLiteral("n"), QStringLiteral("3")},
        {QStringLiteral("macs"), QStringLiteral("Comma-separated MAC addresses for the first stations."),
         QStringLiteral("list")},
        {QStringLiteral("per-cent"),
         QStringLiteral("Report the receive level as \"RxSignalStrength(per cent):\".")},
        {QStringLiteral("still"),
         QStringLiteral("Keep signal values fixed (by default they move with every poll).")},
        {QStringLiteral("header"),
         QStringLiteral("Text sent before the first station separator of \"get station\"."),
         QStringLiteral("text")},
        {QStringLiteral("line-end"), QStringLiteral("Line end of replies: crlf (default), cr or lf."),
         QStringLiteral("kind"), QStringLiteral("crlf")},
        {QStringLiteral("echo"), QStringLiteral("Echo every received line (not the password).")},
        {QStringLiteral("chunk"),
         QStringLiteral("Write replies in pieces of n bytes (0 = whole reply at once)."), QStringLiteral("n"),
         QStringLiteral("0")},
        {QStringLiteral("chunk-delay"), QStringLiteral("Pause between pieces in ms."), QStringLiteral("ms"),
         QStringLiteral("0")},
        {QStringLiteral("delay"), QStringLiteral("Wait this long before every reply, in ms."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("drip"), QStringLiteral("Fault: send replies one byte at a time, ms apart."),
         QStringLiteral("ms")},
        {QStringLiteral("close-after"),
         QStringLiteral("Fault: close the connection after answering n received lines."), QStringLiteral("n"),
         QStringLiteral("0")},
        {QStringLiteral("no-reply"), QStringLiteral("Fault: accept and log, but never answer.")},
        {QStringLiteral("garbage"),
         QStringLiteral("Fault: put binary bytes (NUL, 0xFF, control codes) before every reply.")},
        {QStringLiteral("huge"),
         QStringLiteral("Fault: start every \"get station\" reply with n filler bytes "
                        "(e.g. 4000000)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("come-and-go"),
         QStringLiteral("Stations from the second on leave and return, each change lasting n polls "
                        "(0 = all stay)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("drift"),
         QStringLiteral("Levels swing slowly up and down, one full swing in n polls (0 = no swing)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("away"),
         QStringLiteral("The last station stays away for n polls in every 2n, from the sixth poll on "
                        "(0 = never)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("fade"),
         QStringLiteral("The first station's receive level drops to a tenth for n polls in every 6n, "
                        "from the eleventh poll on (0 = never)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("header-line"),
         QStringLiteral("A line sent before the first station separator of \"get station\" "
                        "(e.g. \"Wireless Station List\")."),
         QStringLiteral("text")},
        {QStringLiteral("leading-eol"),
         QStringLiteral("Begin every \"get station\" reply with an empty line.")},
        {QStringLiteral("echo-apart"),
         QStringLiteral("Echo every received line (not the password) in a packet of its own, "
                        "the answer following 50 ms later.")},
        {QStringLiteral("block-apart"),
         QStringLiteral("Send each station block after the first in a packet of its own, n ms apart."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("quiet"), QStringLiteral("Do not print received lines.")},
    };
    p.addOptions(opts);
    p.process(app);

    bool ok = true;
    apsim::Options o;
    o.user = p.value(QStringLiteral("user")).toLatin1();
    o.password = p.value(QStringLiteral("password")).toLatin1();
    o.rejectEveryLogin = p.isSet(QStringLiteral("reject"));
    const int count = intOption(p, QStringLiteral("stations"), 0, &ok);
    o.stations = apsim::makeStations(count, p.isSet(QStringLiteral("per-cent")));
    const QStringList macs = p.value(QStringLiteral("macs")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < macs.size() && i < o.stations.size(); ++i)
        o.stations[i].mac = macs[i].trimmed();
    o.movingValues = !p.isSet(QStringLiteral("still"));
    o.stationHeader = p.value(QStringLiteral("header")).toLatin1();
    const QString le = p.value(QStringLiteral("line-end")).toLower();
    if (le == QLatin1String("cr"))
        o.lineEnd = apsim::LineEnd::Cr;
    else if (le == QLatin1String("lf"))
        o.lineEnd = apsim::LineEnd::Lf;
    else if (le != QLatin1String("crlf")) {
        QTextStream(stderr) << "senvaro-apsim: --line-end must be crlf, cr or lf\n";
        ok = false;
    }
    o.echo = p.isSet(QStringLiteral("echo"));
    o.chunkSize = intOption(p, QStringLiteral("chunk"), 0, &ok);
    o.chunkDelayMs = intOption(p, QStringLiteral("chunk-delay"), 0, &ok);
    o.replyDelayMs = intOption(p, QStringLiteral("delay"), 0, &ok);
    if (p.isSet(QStringLiteral("drip"))) {
        o.chunkSize = 1;
        o.chunkDelayMs = intOption(p, QStringLiteral("drip"), 1, &ok);
    }
    o.closeAfterLines = intOption(p, QStringLiteral("close-after"), 0, &ok);
    o.noReply = p.isSet(QStringLiteral("no-reply"));
    if (p.isSet(QStringLiteral("garbage")))
        o.garbage = apsim::defaultGarbage();
    o.hugeReplyBytes = intOption(p, QStringLiteral("huge"), 0, &ok);
    o.comeAndGoPolls = intOption(p, QStringLiteral("come-and-go"), 0, &ok);
    o.driftPolls = intOption(p, QStringLiteral("drift"), 0, &ok);
    o.awayPolls = intOption(p, QStringLiteral("away"), 0, &ok);
    o.fadePolls = intOption(p, QStringLiteral("fade"), 0, &ok);
    o.stationHeaderLine = p.value(QStringLiteral("header-line")).toLatin1();
    o.leadingLineEnd = p.isSet(QStringLiteral("leading-eol"));
    o.echoApart = p.isSet(QStringLiteral("echo-apart"));
    o.blockGapMs = intOption(p, QStringLiteral("block-apart"), 0, &ok);
    const int port = intOption(p, QStringLiteral("port"), 1, &ok);
    const bool many = p.isSet(QStringLiteral("addresses"));
    QList<QHostAddress> addresses;
    if (many) {
        QString why;
        if (p.isSet(QStringLiteral("address"))) {
            QTextStream(stderr) << "senvaro-apsim: use either --address or --addresses\n";
            ok = false;
        } else if (!apsim::parseAddresses(p.value(QStringLiteral("addresses")), &addresses, &why)) {
            QTextStream(stderr) << "senvaro-apsim: --addresses: " << why << "\n";
            ok = false;
        }
    } else {
        const QHostAddress address(p.value(QStringLiteral("address")));
        if (address.isNull()) {
            QTextStream(stderr) << "senvaro-apsim: not an IP address: " << p.value("address") << "\n";
            ok = false;
        }
        addresses.append(address);
    }
    if (port > 65535) {
        QTextStream(stderr) << "senvaro-apsim: --port needs a whole number from 1 to 65535\n";
        ok = false;
    }
    if (!ok)
        return 2;

    raiseDescriptorLimit();
    // One address runs the options exactly as given, as it always did.
    apsim::ApSimGroup group(o, many);
    if (!group.listen(addresses, quint16(port))) {
        QTextStream(stderr) << "senvaro-apsim: " << group.errorString() << "\n";
        return 1;
    }
    QTextStream out(stdout);
    if (many) {
        out << "senvaro-apsim listening on " << addresses.size() << " addresses ("
            << p.value(QStringLiteral("addresses")) << "), port " << port << " (user \""
            << QString::fromLatin1(o.user) << "\", " << count << " station(s) each)\n";
    } else {
        out << "senvaro-apsim listening on " << addresses.first().toString() << ":" << port << " (user \""
            << QString::fromLatin1(o.user) << "\", " << count << " station(s))\n";
    }
    out.flush();
    const bool quiet = p.isSet(QStringLiteral("quiet"));
    // With many addresses each log line names the address it came to.
    const auto who = [many](const QHostAddress &a, int c) {
        return (many ? a.toString() + QLatin1Char(' ') : QString()) + QStringLiteral("[%1]").arg(c);
    };
    QObject::connect(&group, &apsim::ApSimGroup::clientConnected,
                     [&out, quiet, who](const QHostAddress &a, int c) {
                         if (!quiet) {
                             out << who(a, c) << " connected\n";
                             out.flush();
                         }
                     });
    QObject::connect(&group, &apsim::ApSimGroup::clientDisconnected,
                     [&out, quiet, who](const QHostAddress &a, int c) {
                         if (!quiet) {
                             out << who(a, c) << " closed\n";
                             out.flush();
                         }
                     });
    QObject::connect(&group, &apsim::ApSimGroup::lineReceived,
                     [&out, quiet, who](const QHostAddress &a, int c, qint64 ms, const QByteArray &line) {
                         if (!quiet) {
                             out << who(a, c) << " " << ms << " ms: " << QString::fromLatin1(line) << "\n";
                             out.flush();
                         }
                     });

    // Commands on standard input, so a test can make one access point go quiet while the
    // others go on. A line longer than this bound is dropped, not kept growing.
    constexpr qsizetype maxControlLine = 4096;
    std::unique_ptr<QSocketNotifier> control;
    QByteArray pending;
    const auto readControl = [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) {
            control->setEnabled(false); // end of input: serve on without commands
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString answer = group.control(QString::fromUtf8(pending.left(end)));
            pending.remove(0, end + 1);
            if (answer.startsWith(QLatin1String("error"))) {
                QTextStream(stderr) << "senvaro-apsim: " << answer << "\n";
            } else if (!answer.isEmpty()) {
                out << answer << "\n";
                out.flush();
            }
        }
        if (pending.size() > maxControlLine) {
            QTextStream(stderr) << "senvaro-apsim: error: control line longer than " << maxControlLine
                                << " bytes dropped\n";
            pending.clear();
        }
    };
    if (p.isSet(QStringLiteral("control-stdin"))) {
        control = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(control.get(), &QSocketNotifier::activated, readControl);
    }

    return app.exec();
}
