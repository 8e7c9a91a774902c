// The reply evaluation on arbitrary bytes, read as the wire reads them (Latin-1), in a
// window. The first byte picks the page, the filter and the selected station. The
// window lives for the whole run: use ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include <cstdint>
#include <cstdlib>

#include "app/globals.h"
#include "monitor/allgemein.h"
#include "monitor/auswerten.h"
#include "monitor/chart.h"
#include "ui/frmMonitor.h"

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}

frmMonitor &window()
{
    static frmMonitor *w = [] {
        static int argc = 1;
        static char name[] = "fuzz_auswertung";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        KnownClients clients;
        clients.setUpperBound(2);
        clients[1].MAC = QStringLiteral("00:11:22:33:44:55");
        clients[1].Name = QStringLiteral("Dach           ");
        clients[2].MAC = QStringLiteral(" 00:0A:0B:0C:0D:0E");
        clients[2].Name = QStringLiteral("<b>Keller</b>");
        auto *win = new frmMonitor;
        win->Form_Load();
        win->setKnownClients(clients);
        return win;
    }();
    return *w;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // The alarm words log out (with a pause) or end the process: not for this loop.
    if (text.contains(QLatin1String("Incorrect login"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("Rebooting"), Qt::CaseInsensitive))
        return 0;

    frmMonitor &w = window();
    const uint8_t pick = data[0];
    w.SSTab1->setCurrentIndex(pick % 3);
    w.chkBekClients->setChecked(pick & 4);
    w.Text1->setText(QString::number(int(pick >> 3) - 2)); // -2 .. 29
    w.IamReady = false;

    AntwortAuswertung(w, text);

    check(w.IamReady == (text.size() >= 12));
    check(w.MSChart1->rowCount() >= 1 && w.MSChart1->rowCount() <= 12);
    int shown = 0;
    for (const QRadioButton *b : w.OptClients)
        shown += b->isHidden() ? 0 : 1;
    const QString count = w.txtAnzahl->text();
    if (text.size() >= 12 && fFieldCount(text, QString(49, QLatin1Char('*'))) >= 2) {
        // Evaluated: the buttons shown are exactly the stations counted.
        check(count.isEmpty() ? shown == 0 : count.toInt() == shown);
        check(shown <= 12);
    }
    return 0;
}
