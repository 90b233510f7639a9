#pragma once
#include <QDate>
#include <QString>
#include <QThread>

#include <algorithm>
#include <functional>
#include <memory>

namespace kz {

// The outside world as the model sees it. The application passes real implementations;
// tests pass fakes that they drive by hand.

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
    // Seconds since midnight of the local clock, with the fraction (as a stopwatch reads it).
    virtual double secondsSinceMidnight() const = 0;
    // Monotonic milliseconds; never jumps at midnight or when the clock is set.
    virtual qint64 tickMs() const = 0;
};

// A window-message style timer: while enabled it fires every interval; handlers that want a
// one-shot disable it first. Enabling or changing the interval restarts the countdown.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
    std::function<void()> onTimeout;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    // precise: a flash timer that must keep its interval to the millisecond.
    virtual std::unique_ptr<Timer> createTimer(bool precise = false) = 0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Let pending window messages run (repaints, keys, timers).
    virtual void processEvents() = 0;
    // Wait ms milliseconds while events keep running.
    virtual void waitWithEvents(int ms) = 0;
    // Wait ms milliseconds with no event running: at the program's end, when no screen is left
    // and nothing may start anew.
    virtual void sleep(int ms) { QThread::msleep(static_cast<unsigned long>(std::max(0, ms))); }
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box with one OK button; returns when it has been closed.
    virtual void message(const QString& text, const QString& title = QString()) = 0;
    // A modal question: OK / Cancel, or Yes / No. True for OK or Yes.
    enum class Buttons { OkCancel, YesNo };
    virtual bool ask(const QString& text, const QString& title, Buttons buttons) = 0;
    // A small window that nobody has to close: shown for ms, then gone; returns when it is.
    virtual void notice(const QString& text, int ms) = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(unsigned value) = 0;
    // Uniform in [0, 1).
    virtual double next() = 0;
};

struct PlayResult {
    int code = 0; // 0 success
    QString errorText;
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Plays one wave file and returns when it has finished.
    virtual PlayResult play(const QString& path) = 0;
};

// Screens shown, hidden and unloaded by name; unload deletes, the next show loads afresh.
class Screens {
public:
    virtual ~Screens() = default;
    // Loads the screen if needed, shows it, and (once the current event has finished) runs its
    // activation when it was not the active screen.
    virtual void show(const QString& name) = 0;
    // Shows the screen modally, centred over the active screen; returns when it is closed.
    virtual void showModal(const QString& name) = 0;
    virtual void hide(const QString& name) = 0;
    virtual void unload(const QString& name) = 0;
    virtual bool isLoaded(const QString& name) const = 0;
    // Unloads every screen, the most recently loaded first.
    virtual void unloadAll() = 0;
};

class ProgramControl {
public:
    virtual ~ProgramControl() = default;
    // Ends the process with all screens unloaded and all files closed. Never returns.
    [[noreturn]] virtual void endProgram(int status) = 0;
};

struct Services {
    Clock& clock;
    TimerFactory& timers;
    EventPump& events;
    Dialogs& dialogs;
    RandomSource& random;
    SoundOutput& sound;
    Screens& screens;
    ProgramControl& program;
};

// Screen names, one place.
namespace screen {
inline const QString Firstfrm = QStringLiteral("Firstfrm");
inline const QString BASEFRM = QStringLiteral("BASEFRM");
inline const QString frmver = QStringLiteral("frmver");
inline const QString namesel = QStringLiteral("namesel");
inline const QString seisekitime1 = QStringLiteral("seisekitime1");
inline const QString MainFrm = QStringLiteral("MainFrm");
inline const QString FrmSyuuryou = QStringLiteral("FrmSyuuryou");
inline const QString FrmData = QStringLiteral("FrmData");
inline const QString FrmTimeData = QStringLiteral("FrmTimeData");
} // namespace screen

} // namespace kz
