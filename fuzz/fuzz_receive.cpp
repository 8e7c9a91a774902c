// The receive path on arbitrary bytes: chunks go through a real loopback connection
// (a server on 127.0.0.1, port chosen by the system) into the session's socket, so the
// data-arrived handler, the raw-reply box and the evaluation run as in the program,
// with the alarm words live. The session's clock is stepped: the pause after a chunk is
// ended at once, the evaluation runs when the input says so. The dialog and
// process-end seams answer instead of a person and record instead of ending.
//
// Input: byte 0 picks the login phase, the page, the filter, the answer to the
// wrong-password question and the selected station. Then chunks, each a header byte and
// its bytes: bit 7 runs the evaluation after the chunk, bit 6 a polling tick before it,
// bits 0-5 are the length (63: the rest of the input; 58 to 62: a fixed chunk, see
// words, and no bytes follow).
//
// The window is replaced when an alarm word ended it. Use ASAN_OPTIONS=detect_leaks=0.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "../tests/findcontrol.h"
#include "../tests/steppedclock.h"
#include "app/processend.h"
#include "app/startstop.h"
#include "base/allgemein.h"
#include "ui/controls.h"
#include "ui/dialogs.h"
#include "ui/frmMonitor.h"

namespace {
void failed(int line)
{
    std::fprintf(stderr, "fuzz_receive: check in line %d failed\n", line);
    std::abort();
}
#define check(ok) ((ok) ? void() : failed(__LINE__))

struct Run
{
    QTcpServer *server = nullptr;
    QTcpSocket *peer = nullptr; // the access point's end of the connection
    frmMonitor *window = nullptr;
    std::shared_ptr<SteppedClock> clock = std::make_shared<SteppedClock>();
    Dialogs::Answer answer = Dialogs::Answer::Ok;
    int questions = 0; // wrong-password questions asked
    int ends = 0;      // process ends requested
    int lastStatus = -1;
    QString ini; // where an alarm word's orderly end saves the settings
};

Run &run()
{
    static Run r = [] {
        Run r;
        static int argc = 1;
        static char name[] = "fuzz_receive";
        static char *argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        // Where an alarm word's orderly end saves the settings; removed when the run ends.
        static QTemporaryDir dir;
        check(dir.isValid());
        r.ini = QDir(dir.path()).filePath(QStringLiteral("SENVARO.INI"));
        r.server = new QTcpServer;
        check(r.server->listen(QHostAddress(QHostAddress::LocalHost), 0));
        return r;
    }();
    return r;
}

// Chunks that header codes 58 to 62 stand for, so that the fuzzer meets the alarm
// words and whole station blocks often.
constexpr size_t firstWord = 58;
const char stationA[] = "*************************************************\r\n00:11:22:33:44:55\r\n"
                        " RxSignalStrength: 40\r\n AckSignalStrength: 32\r\n Authentication Type: Open "
                        "System\r\n WLAN Mode: 11g, Rx Data Rate: 54 Mbps\r\n Encryption: Off\r\n";
const char stationB[] = "\r\n*************************************************\r\n00:0A:0B:0C:0D:0E\r\n"
                        " RxSignalStrength(per cent): 62\r\n AckSignalStrength: 70\r\n";
const char *const words[] = {stationA, stationB, "Incorrect login\r\nlogin: ", "Rebooting ...\r\n",
                             "DWL-2100AP> "};

// Bytes a socket's kernel queue holds: FIONREAD, received and not yet read by Qt;
// SIOCOUTQ, sent and not yet acknowledged by the peer.
int queued(QTcpSocket *socket, unsigned long request)
{
    int n = 0;
    if (socket->state() != QAbstractSocket::ConnectedState ||
        ioctl(int(socket->socketDescriptor()), request, &n) != 0)
        return 0;
    return n;
}

frmMonitor &freshWindowIfEnded()
{
    Run &r = run();
    if (r.window && !r.window->isUnloaded())
        return *r.window;
    delete r.window; // outside every handler: nothing further up the stack uses it
    if (r.peer) {
        r.peer->abort();
        delete r.peer;
        r.peer = nullptr;
    }
    r.window = new frmMonitor(nullptr, r.clock);
    StartStop::attach(*r.window, r.ini);
    r.window->Form_Load();
    KnownClients clients;
    clients.resize(2);
    clients[0].MAC = QStringLiteral("00:11:22:33:44:55");
    clients[0].Name = QStringLiteral("Dach           ");
    clients[1].MAC = QStringLiteral(" 00:0A:0B:0C:0D:0E");
    clients[1].Name = QStringLiteral("<b>Keller</b>");
    r.window->setKnownClients(clients);
    return *r.window;
}

// Connects the window's socket to the server, as the login does to the access point.
bool ensureConnected(frmMonitor &w)
{
    Run &r = run();
    if (w.session().TCPClient()->state() == QAbstractSocket::ConnectedState && r.peer &&
        r.peer->state() == QAbstractSocket::ConnectedState)
        return true;
    if (r.peer) {
        r.peer->abort();
        delete r.peer;
        r.peer = nullptr;
    }
    w.session().TCPClient()->abort();
    w.session().TCPClient()->connectToHost(QHostAddress(QHostAddress::LocalHost), r.server->serverPort());
    if (!w.session().TCPClient()->waitForConnected(5000) || !r.server->waitForNewConnection(5000))
        return false;
    r.peer = r.server->nextPendingConnection();
    // The login robot is not part of this run; the connect event started it.
    w.session().timPWRobot()->setEnabled(false);
    return r.peer != nullptr;
}

// Sends one chunk from the access point's end and lets the window handle it.
void deliver(frmMonitor &w, const QByteArray &chunk)
{
    Run &r = run();
    if (chunk.isEmpty() || !ensureConnected(w))
        return;
    r.peer->write(chunk);
    while (r.peer->bytesToWrite() > 0 && r.peer->waitForBytesWritten(1000)) {
    }
    r.peer->readAll(); // what the window sent (polls), not looked at
    // Once the window's end has acknowledged every byte they wait at its socket; the
    // window has handled them when neither the system nor Qt holds any. The time
    // bound only keeps a handler that leaves bytes unread from hanging the run.
    auto *pause = w.findChild<WinTimer *>(QStringLiteral("chunkPause"));
    QElapsedTimer clock;
    clock.start();
    while (!w.isUnloaded() && clock.elapsed() < 5000) {
        if (queued(r.peer, SIOCOUTQ) == 0 && queued(w.session().TCPClient(), FIONREAD) == 0 &&
            w.session().TCPClient()->bytesAvailable() == 0)
            break;
        QCoreApplication::processEvents();
        if (pause->enabled())
            emit pause->timeout(); // its 100 ms are over: the waiting bytes are the next chunk
    }
}

bool hasAlarm(const QString &text, const char *word)
{
    return text.contains(QLatin1String(word), Qt::CaseInsensitive);
}

// One evaluation as the timer brings it: a tick that finds a new chunk only notes it.
void evaluate(frmMonitor &w)
{
    Run &r = run();
    if (w.isUnloaded())
        return;
    if (w.session().dataArrived())
        w.session().timAuswertung_Timer();
    if (w.isUnloaded())
        return;
    const QString text = ctl<TextBox>(w, "Monitor")->text();
    const int questions = r.questions, ends = r.ends;
    const bool ready = w.session().IamReady();
    w.session().timAuswertung_Timer();
    if (hasAlarm(text, "Incorrect login")) {
        check(r.questions == questions + 1);
        if (r.answer == Dialogs::Answer::Ok) {
            r.clock->advance(1000); // the logout closes the connection after its second
            check(w.session().IamReady() && !w.isUnloaded() && ctl<TextBox>(w, "Monitor")->text().isEmpty());
        } else {
            check(r.ends == ends + 1 && r.lastStatus == 0);
        }
    } else if (hasAlarm(text, "Rebooting")) {
        check(r.ends == ends + 1 && r.lastStatus == 0 && w.isUnloaded());
    } else {
        check(r.questions == questions && r.ends == ends);
        // Too short a text leaves the flag as it was.
        check(w.session().IamReady() == (text.size() >= 12 || ready));
    }
}

// What the raw-reply box may hold outside the login phase: received text without CR and LF.
QString withoutLineEnds(const QByteArray &bytes)
{
    QString s = QString::fromLatin1(bytes);
    s.remove(QLatin1Char('\r'));
    s.remove(QLatin1Char('\n'));
    return s;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    Run &r = run();
    Dialogs::setHandler([&r](const Dialogs::Request &q) {
        if (q.buttons != Dialogs::Buttons::OkCancel)
            return Dialogs::negativeAnswer(q.buttons);
        ++r.questions;
        return r.answer;
    });
    ProcessEnd::setEnder([&r](int status) {
        ++r.ends;
        r.lastStatus = status;
    });

    frmMonitor &w = freshWindowIfEnded();
    const uint8_t pick = data[0];
    const bool login = pick & 1;
    ctl<QTabWidget>(w, "SSTab1")->setCurrentIndex((pick >> 1) % 6);
    ctl<QCheckBox>(w, "chkBekClients")->setChecked(pick & 0x10);
    r.answer = (pick & 0x20) ? Dialogs::Answer::Cancel : Dialogs::Answer::Ok;
    ctl<QLineEdit>(w, "Text1")->setText(QString::number(int(pick >> 6) - 1));
    w.session().timPoll_Power()->setEnabled(false);
    w.session().timAuswertung()->setEnabled(false);
    w.session().setReplyText(QString());
    w.session().setManualAnswer(QString());
    if (w.session().dataArrived())
        w.session().timAuswertung_Timer(); // notes the chunk, no evaluation
    w.session().timAuswertung()->setEnabled(false);
    // The login phase as a login starts it, without its robot: the empty address fails and
    // the phase goes on; stop() ends it. The connection is then made here.
    if (login)
        w.session().login(QString(), QString());
    else
        w.session().stop();
    check(ensureConnected(w) && w.session().loginPhase() == login);
    if (w.session().IamReady())
        w.session().timPoll_Power_Timer(); // a poll goes out: the next reply is owed
    w.session().setReplyText(QString());
    const bool manual = w.isManuellMode();
    const int endsBefore = r.ends;

    QByteArray stream; // everything sent in this run
    size_t i = 1;
    while (i < size && !w.isUnloaded()) {
        const uint8_t head = data[i++];
        QByteArray chunk;
        const size_t code = head & 0x3f;
        if (code >= firstWord && code < 0x3f) {
            chunk = words[code - firstWord];
        } else {
            const size_t length = code == 0x3f ? size - i : std::min(code, size - i);
            chunk = QByteArray(reinterpret_cast<const char *>(data + i), qsizetype(length));
            i += length;
        }
        if (head & 0x40)
            w.session().timPoll_Power_Timer();
        deliver(w, chunk);
        stream += chunk;
        if (login && !w.isUnloaded()) {
            // The whole chunk went to the evaluation at once; the box holds it as received.
            check(QString::fromLatin1(stream).contains(ctl<TextBox>(w, "Monitor")->text()));
        }
        if (head & 0x80)
            evaluate(w);
    }
    evaluate(w);

    // Only an alarm word ends the program here, and only after the text reached the parser.
    if (r.ends != endsBefore) {
        check(w.isUnloaded());
        check(hasAlarm(QString::fromLatin1(stream), "Rebooting") ||
              hasAlarm(QString::fromLatin1(stream), "Incorrect login"));
        return 0;
    }
    check(!w.isUnloaded());
    if (!login) {
        const QString plain = withoutLineEnds(stream);
        check(!ctl<TextBox>(w, "Monitor")->text().contains(QLatin1Char('\r')) &&
              !ctl<TextBox>(w, "Monitor")->text().contains(QLatin1Char('\n')));
        check(plain.contains(ctl<TextBox>(w, "Monitor")->text()));
        QString answers = QString::fromLatin1(stream);
        answers.replace(QLatin1Char('\r'), QLatin1Char(','));
        answers.remove(QLatin1Char('\n'));
        if (manual)
            check(answers.contains(ctl<TextBox>(w, "txtmanAntw")->text()));
        else
            check(ctl<TextBox>(w, "txtmanAntw")->text().isEmpty());
    }
    return 0;
}
