#include "system_services.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kz {

QDate SystemClock::today() const { return QDate::currentDate(); }

double SystemClock::secondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

namespace {
class QtTimer final : public Timer {
public:
    explicit QtTimer(bool precise) {
        m_timer.setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
        m_timer.setSingleShot(false);
        m_timer.setInterval(1000);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void setInterval(int ms) override {
        m_timer.setInterval(ms);
        if (m_timer.isActive())
            m_timer.start();
    }
    int interval() const override { return m_timer.interval(); }
    void setEnabled(bool on) override {
        if (on)
            m_timer.start();
        else
            m_timer.stop();
    }
    bool isEnabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
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
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_terminationPipe[0], &byte, 1);
}
} // namespace

void onTerminationRequest(std::function<void()> onRequest) {
    if (g_terminationPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_terminationPipe) != 0)
        return;
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
#else
// Windows ends a windowed program by closing its windows (WM_QUERYENDSESSION, WM_CLOSE), which
// already takes the orderly way.
void onTerminationRequest(std::function<void()>) {}
#endif

QString startDetachedProgram(const QString& program, const QStringList& arguments) {
    if (!QFileInfo::exists(program))
        return QStringLiteral("起動プログラムがありません: %1").arg(program);
    if (!QProcess::startDetached(program, arguments))
        return QStringLiteral("起動プログラムを開始できません: %1").arg(program);
    return {};
}

} // namespace kz
