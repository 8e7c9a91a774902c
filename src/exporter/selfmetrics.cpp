#include "exporter/selfmetrics.h"

#include <QLocale>
#include <QtGlobal>
#include <optional>

#include "exporter/posix.h"

QString buildVersion()
{
#ifdef SENVARO_VERSION
    return QStringLiteral(SENVARO_VERSION);
#else
    return QStringLiteral("unknown");
#endif
}

QString buildRevision()
{
#ifdef SENVARO_REVISION
    return QStringLiteral(SENVARO_REVISION);
#else
    return QStringLiteral("unknown");
#endif
}

namespace {

QByteArray labelValue(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    return out;
}

void family(QByteArray &out, const char *name, const char *type, const char *help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

void sample(QByteArray &out, const char *name, const std::optional<double> &value, const char *type,
            const char *help)
{
    if (!value)
        return;
    family(out, name, type, help);
    out += QByteArray(name) + ' ' + QByteArray::number(*value, 'g', QLocale::FloatingPointShortest) + '\n';
}

} // namespace

QByteArray selfExposition()
{
    QByteArray out;
    family(out, "senvaro_exporter_build_info", "gauge",
           "The exporter's version, the commit it was built from and the Qt version it runs with.");
    out += "senvaro_exporter_build_info{version=\"" + labelValue(buildVersion()) + "\",revision=\"" +
           labelValue(buildRevision()) + "\",qt_version=\"" + labelValue(QString::fromLatin1(qVersion())) +
           "\"} 1\n";
    const ProcessFigures p = processFigures();
    sample(out, "process_cpu_seconds_total", p.cpuSeconds, "counter",
           "Total user and system CPU time spent in seconds.");
    sample(out, "process_resident_memory_bytes", p.residentBytes, "gauge", "Resident memory size in bytes.");
    sample(out, "process_start_time_seconds", p.startTimeSeconds, "gauge",
           "Start time of the process since unix epoch in seconds.");
    sample(out, "process_open_fds", p.openFds, "gauge", "Number of open file descriptors.");
    sample(out, "process_max_fds", p.maxFds, "gauge", "Maximum number of open file descriptors.");
    return out;
}
