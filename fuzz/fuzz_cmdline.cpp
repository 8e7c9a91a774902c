// The command-line evaluation on arbitrary bytes, read as Latin-1. Bytes 0xF8 to 0xFF
// stand for whole words (actions and addresses) so that the fuzzer meets them often.
// Checks: the one-pass cut gives what taking field after field by number gives (the
// field functions' own rules); the window takes over exactly what the evaluation
// reports; pending events are processed on the way, as in the program. The window
// lives for the whole run: use ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>

#include <cstdint>
#include <cstdlib>

#include "base/allgemein.h"
#include "session/cmdline.h"
#include "ui/frmMonitor.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

const char *const words[] = {
    "R", "ETH0", "ETH1", " R ", "10.0.0.1", "192.168.000.050", "255.255.255.255", "9.0.0.1"};

frmMonitor &window()
{
    static frmMonitor *w = [] {
        static int argc = 1;
        static char name[] = "fuzz_cmdline";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        return new frmMonitor;
    }();
    return *w;
}

// The request as the rules state it: field i is fGetField(s, "/", i) for i up to
// fFieldCount(s, "/"), trimmed of blanks.
ParamRequest byFieldNumber(const QString &s)
{
    ParamRequest r;
    r.caption = QStringLiteral("Senvaro - Parameter: ") + s;
    const int n = fFieldCount(s, QStringLiteral("/"));
    for (int i = 1; i <= n; ++i) {
        const QString field = fTrim(fGetField(s, QStringLiteral("/"), i));
        if (field == QLatin1String("R")) {
            r.mode = true;
            r.command = QStringLiteral("reboot");
            r.caption = QStringLiteral("reboot");
        } else if (field == QLatin1String("ETH0")) {
            r.mode = true;
            r.command = QStringLiteral("set eth2sta disable");
            r.caption = QStringLiteral("disable ETH");
        } else if (field == QLatin1String("ETH1")) {
            r.mode = true;
            r.command = QStringLiteral("set eth2sta enable");
            r.caption = QStringLiteral("enable ETH");
        }
        QString ip = field;
        if (!field.isEmpty() && fCheckIP(ip))
            r.ip = ip;
    }
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    frmMonitor &w = window();
    QString s;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0xF8)
            s += QLatin1String(words[data[i] - 0xF8]);
        else
            s += QChar(data[i]);
    }

    const ParamRequest r = evaluateParameters(s);
    const ParamRequest expected = byFieldNumber(s);
    check(r.mode == expected.mode);
    check(r.command == expected.command);
    check(r.ip == expected.ip);
    check(r.caption == expected.caption);
    if (r.mode)
        check(!r.command.isEmpty());

    // A request from before (reboot of 10.9.9.9) stays where the text names nothing.
    const QString commandBefore = QStringLiteral("reboot"), ipBefore = QStringLiteral("10.9.9.9");
    w.ParameterAuswertung(QStringLiteral("R/10.9.9.9"));
    w.ParameterAuswertung(s);
    check(w.windowTitle() == r.caption);
    check(w.isParamMode() == r.mode);
    check(w.paramRequestCommand() == (r.mode ? r.command : commandBefore));
    check(w.paramRequestIP() == (r.ip.isEmpty() ? ipBefore : r.ip));
    return 0;
}
