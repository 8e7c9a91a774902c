// The credit line's short animation at the first display and on every click.
#include "ui/credit.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "ui/controls.h"

QString hexDigit(qint16 n)
{
    if (n < 0 || n > 15)
        return {};
    return QString(QLatin1Char("0123456789ABCDEF"[n]));
}

namespace {

// The label's place during one run: the pixel position the run started from plus a
// running offset in twips, so that the small moves (36 twips is 2.4 pixels) add up
// without rounding drift and the run ends exactly where it began.
struct CreditRun
{
    QPointer<QLabel> label;
    QPoint origin;
    int offsetTwips = 0;

    void moveDown(int twips)
    {
        offsetTwips += twips;
        label->move(origin.x(), origin.y() + tw(offsetTwips));
    }
    void setPointSize(int pt)
    {
        QFont f = label->font();
        f.setPointSize(pt);
        label->setFont(f);
        label->adjustSize();
    }
    void setCaption(const QString &text)
    {
        label->setText(text);
        label->adjustSize();
    }
};

// One run as a list of steps, each a change of the label followed by a pause.
struct Steps
{
    CreditRun run;
    std::vector<std::pair<std::function<void()>, int>> steps; // change, pause in ms
    size_t next = 0;
    int pendingPause = 0; // the pause of the step done last
};

const char *const animationName = "creditAnimation";

// Plays the runs on a timer, so the window paints and answers between the steps. A
// run started while another plays goes first; the other then waits out the pause it
// was in and goes on.
class CreditAnimation : public QObject
{
public:
    explicit CreditAnimation(QObject *parent) : QObject(parent)
    {
        setObjectName(QLatin1String(animationName));
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] { step(); });
    }

    bool running() const { return !m_runs.empty(); }

    void start(std::unique_ptr<Steps> run, std::function<void()> whenDone)
    {
        m_timer.stop();
        m_runs.push_back(std::move(run));
        if (whenDone)
            m_whenDone.push_back(std::move(whenDone));
        step();
    }

private:
    void step()
    {
        while (!m_runs.empty()) {
            Steps &top = *m_runs.back();
            if (top.run.label.isNull()) {
                m_runs.clear();
                break;
            }
            if (top.next < top.steps.size()) {
                const auto &[change, pause] = top.steps[top.next++];
                change();
                top.pendingPause = pause;
                m_timer.start(pause);
                return;
            }
            m_runs.pop_back();
            if (!m_runs.empty()) {
                m_timer.start(m_runs.back()->pendingPause);
                return;
            }
        }
        // All runs are over: whoever waited for them goes on.
        const auto waiting = std::exchange(m_whenDone, {});
        for (const auto &done : waiting)
            done();
    }

    QTimer m_timer;
    std::vector<std::unique_ptr<Steps>> m_runs; // the last one plays
    std::vector<std::function<void()>> m_whenDone;
};

CreditAnimation *animation(QWidget *w, bool create)
{
    auto *a = static_cast<CreditAnimation *>(
        w->findChild<QObject *>(QLatin1String(animationName), Qt::FindDirectChildrenOnly));
    if (!a && create)
        a = new CreditAnimation(w);
    return a;
}

} // namespace

void animateCredit(QWidget *window, QLabel *lblautor, std::function<void()> whenDone)
{
    auto steps = std::make_unique<Steps>();
    steps->run = CreditRun{lblautor, lblautor->pos()};
    CreditRun *run = &steps->run;
    const auto add = [&steps](int pause, std::function<void()> change) {
        steps->steps.emplace_back(std::move(change), pause);
    };

    setBackColor(window, bgrColor(0x00808080));
    const QString T = run->label->text();
    run->setCaption(QString());
    setForeColor(run->label, bgrColor(0x00FFFFFF));
    run->moveDown(1000);
    run->setCaption(T.left(1));

    for (int s = 12; s <= 40; s += 4)
        add(1, [run, s] {
            run->setPointSize(s);
            run->moveDown(-3 * s);
        });
    for (int s = 40; s >= 12; s -= 4)
        add(1, [run, s] {
            run->setPointSize(s);
            run->moveDown(3 * s);
        });
    for (qsizetype k = 1; k < T.size(); ++k)
        add(40, [run, c = T.at(k)] { run->setCaption(run->label->text() + c); });
    // Yellow fading to red-orange: the colour value written as "&H00" + a + b + "FF".
    for (qint16 a = 15; a >= 1; a -= 2) {
        for (qint16 b = 15; b >= 1; b -= 2) {
            add(1, [run, a, b] {
                bool ok = false;
                const quint32 bgr =
                    (QStringLiteral("00") + hexDigit(a) + hexDigit(b) + QStringLiteral("FF")).toUInt(&ok, 16);
                if (ok)
                    setForeColor(run->label, bgrColor(bgr));
            });
        }
    }
    for (int i = 0; i < 64; ++i)
        add(1, [run] { setForeColor(run->label, bgrColor(0x0000FFFF)); });
    for (int s = 12; s >= 8; --s)
        add(30, [run, s] {
            run->setPointSize(s);
            run->moveDown(-20 * s);
        });

    animation(window, true)->start(std::move(steps), std::move(whenDone));
}

bool creditRunning(const QWidget *window)
{
    const CreditAnimation *a = animation(const_cast<QWidget *>(window), false);
    return a && a->running();
}
