#include "system_services.h"

#include <algorithm>
#include <memory>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <utility>
#include <windows.h>
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kz {

QDate SystemClock::today() const { return QDate::currentDate(); }

double SystemClock::secondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

namespace {
// The event loop wakes a timer to the millisecond at best, and later when the computer is
// busy: a precise timer asks to be woken this much early and sleeps out the rest itself.
constexpr qint64 kPreciseLeadNs = 3'000'000;
// A handler that shows something (a flashed number) takes a little while to paint it; a
// precise timer starts its handler that much before the due time, so the result is on the
// screen at the due time. Learnt from the handler's own runs, bounded so that one slow run
// never moves a flash by more than this.
constexpr qint64 kMaxHandlerLeadNs = 5'000'000;

class QtTimer final : public Timer {
public:
    explicit QtTimer(bool precise) : m_precise(precise) {
        m_timer.setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
        m_timer.setSingleShot(precise);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_precise) {
                if (onTimeout) onTimeout();
                return;
            }
            sleepUntil(m_dueNs - m_handlerNs);
            // Due times follow each other from the first, not from late wake-ups; periods missed
            // altogether (the loop blocked, the computer suspended) are skipped, not fired in a
            // burst.
            const qint64 periodNs = m_interval * 1'000'000LL;
            m_dueNs += periodNs;
            if (const qint64 behind = m_clock.nsecsElapsed() - m_dueNs; behind > 0 && periodNs > 0)
                m_dueNs += (behind / periodNs + 1) * periodNs;
            arm();
            QElapsedTimer handler;
            handler.start();
            const std::shared_ptr<bool> alive = m_alive;
            if (onTimeout) onTimeout();
            if (!*alive) return; // the handler deleted this timer (its screen was unloaded)
            m_handlerNs = std::min(kMaxHandlerLeadNs, (3 * m_handlerNs + handler.nsecsElapsed()) / 4);
        });
    }
    ~QtTimer() override { *m_alive = false; }
    void setInterval(int ms) override {
        m_interval = ms;
        if (isEnabled()) setEnabled(true);
    }
    int interval() const override { return m_interval; }
    void setEnabled(bool on) override {
        m_on = on;
        // An interval of 0 never fires (it would run the handler without pause and hold a core).
        if (!on || m_interval <= 0) {
            m_timer.stop();
        } else if (m_precise) {
            m_clock.start();
            m_dueNs = m_interval * 1'000'000LL;
            arm();
        } else {
            m_timer.start(m_interval);
        }
    }
    bool isEnabled() const override { return m_on; }

private:
    void arm() {
        const qint64 wakeNs = m_dueNs - m_handlerNs - kPreciseLeadNs - m_clock.nsecsElapsed();
        m_timer.start(static_cast<int>(std::max<qint64>(0, wakeNs / 1'000'000)));
    }
    // Sleeps rather than spins: a thread that has been sleeping gets the processor back at once
    // on a busy computer, one that spins is soon preempted for a whole time slice.
    void sleepUntil(qint64 ns) const {
        for (qint64 left; (left = ns - m_clock.nsecsElapsed()) > 0;)
            QThread::usleep(static_cast<unsigned long>((left + 999) / 1000));
    }

    QTimer m_timer;
    QElapsedTimer m_clock; // from the moment the timer was enabled
    qint64 m_dueNs = 0;
    qint64 m_handlerNs = 0;
    int m_interval = 1000;
    bool m_precise;
    bool m_on = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
} // namespace

std::unique_ptr<Timer> QtTimerFactory::createTimer(bool precise) {
    return std::make_unique<QtTimer>(precise);
}

void QtEventPump::processEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtEventPump::waitWithEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const qint64 left = ms - t.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left < 10 ? left : 10));
    }
}

#ifdef Q_OS_UNIX
namespace {
// A signal handler may only write to a descriptor; the event loop reads the other end.
int g_terminationPipe[2] = {-1, -1};

extern "C" void terminationSignal(int) {
    // The interrupted code may be about to read errno; the write end never blocks (a full
    // buffer already holds a pending request).
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_terminationPipe[0], &byte, 1);
    errno = savedErrno;
}
} // namespace

void onTerminationRequest(std::function<void()> onRequest) {
    if (g_terminationPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_terminationPipe) != 0)
        return;
    ::fcntl(g_terminationPipe[0], F_SETFL, ::fcntl(g_terminationPipe[0], F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_terminationPipe[1], QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [onRequest = std::move(onRequest)] {
                         char byte;
                         [[maybe_unused]] const ssize_t n = ::read(g_terminationPipe[1], &byte, 1);
                         onRequest();
                     });
    struct sigaction action {};
    action.sa_handler = terminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void onSessionEnding(std::function<void()>) {}
#else
// Windows ends a windowed program by closing its windows (WM_QUERYENDSESSION, WM_CLOSE), which
// already takes the orderly way.
void onTerminationRequest(std::function<void()>) {}

namespace {
class SessionEndFilter final : public QAbstractNativeEventFilter {
public:
    explicit SessionEndFilter(std::function<void()> onEnding) : m_onEnding(std::move(onEnding)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const MSG* msg = static_cast<const MSG*>(message);
        // wParam TRUE: the session really ends; Qt goes on with its own handling afterwards.
        if (type == "windows_generic_MSG" && msg->message == WM_ENDSESSION && msg->wParam &&
            m_onEnding) {
            const auto onEnding = std::exchange(m_onEnding, nullptr); // once, for all windows
            onEnding();
        }
        return false;
    }

private:
    std::function<void()> m_onEnding;
};
} // namespace

void onSessionEnding(std::function<void()> onEnding) {
    QCoreApplication::instance()->installNativeEventFilter(new SessionEndFilter(std::move(onEnding)));
}
#endif

QString startDetachedProgram(const QString& program, const QStringList& arguments) {
    if (!QFileInfo::exists(program))
        return QStringLiteral("起動プログラムがありません: %1").arg(program);
    if (!QProcess::startDetached(program, arguments))
        return QStringLiteral("起動プログラムを開始できません: %1").arg(program);
    return {};
}

} // namespace kz
