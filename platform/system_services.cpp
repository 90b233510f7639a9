#include "system_services.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

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

QString startDetachedProgram(const QString& program, const QStringList& arguments) {
    if (!QFileInfo::exists(program))
        return QStringLiteral("起動プログラムがありません: %1").arg(program);
    if (!QProcess::startDetached(program, arguments))
        return QStringLiteral("起動プログラムを開始できません: %1").arg(program);
    return {};
}

} // namespace kz
