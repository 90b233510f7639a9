#include "system_services.h"

#include <algorithm>
#include <memory>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
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


QString startDetachedProgram(const QString& program, const QStringList& arguments) {
    if (!QFileInfo::exists(program))
        return QStringLiteral("起動プログラムがありません: %1").arg(QDir::toNativeSeparators(program));
    if (!QProcess::startDetached(program, arguments))
        return QStringLiteral("起動プログラムを開始できません: %1").arg(QDir::toNativeSeparators(program));
    return {};
}

void withQuietStandardError(const std::function<void()>& fn) {
#ifdef _WIN32
    const auto dup = ::_dup;
    const auto dup2 = ::_dup2;
    const auto close = ::_close;
    const char* nowhere = "NUL";
#else
    const auto dup = ::dup;
    const auto dup2 = ::dup2;
    const auto close = ::close;
    const char* nowhere = "/dev/null";
#endif
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* quiet = saved >= 0 ? std::fopen(nowhere, "w") : nullptr;
    const bool redirected = quiet && dup2(fileno(quiet), 2) >= 0;
    fn();
    if (redirected) {
        std::fflush(stderr);
        dup2(saved, 2);
    }
    if (quiet) std::fclose(quiet);
    if (saved >= 0) close(saved);
}

} // namespace kz
