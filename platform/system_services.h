#pragma once
#include "shell/services.h"

#include <QElapsedTimer>
#include <functional>
#include <random>

namespace kz {

class SystemClock final : public Clock {
public:
    SystemClock() { m_tick.start(); }
    QDate today() const override;
    double secondsSinceMidnight() const override;
    qint64 tickMs() const override { return m_tick.elapsed(); }

private:
    QElapsedTimer m_tick;
};

// Timers on the Qt event loop; precise ones use Qt::PreciseTimer.
class QtTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<Timer> createTimer(bool precise) override;
};

class QtEventPump final : public EventPump {
public:
    void processEvents() override;
    void waitWithEvents(int ms) override;
};

class MersenneRandom final : public RandomSource {
public:
    void seed(unsigned value) override { m_engine.seed(value); }
    double next() override { return std::uniform_real_distribution<double>(0.0, 1.0)(m_engine); }

private:
    std::mt19937 m_engine{12345u};
};

// Starts the school's launcher detached: a program and its arguments, never a shell line.
// Returns an empty string or why it could not be started.
QString startDetachedProgram(const QString& program, const QStringList& arguments);

// When the system asks the process to end (SIGTERM at logout or shutdown, SIGINT, SIGHUP),
// onRequest runs on the event loop, between two events, so that nothing is cut off half-way
// (a record is written whole or not at all). Needs the application object; call once.
void onTerminationRequest(std::function<void()> onRequest);

// Runs fn with the process's standard error going nowhere. A library that writes its own
// complaints there (the sound system's, tens of lines on a computer without sound) must not
// mix them into output a person reads; what went wrong comes back through its error text.
void withQuietStandardError(const std::function<void()>& fn);

// When the session ends (logoff, shutdown) and the system ends the program within seconds of
// telling it (Windows: about 5 s after WM_ENDSESSION), onEnding runs at once, before Qt's own
// end. Where the system waits for the program instead (POSIX: the signals above), never.
void onSessionEnding(std::function<void()> onEnding);

} // namespace kz
