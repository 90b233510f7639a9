#pragma once
// Deterministic stand-ins for the outside world: a clock and timers that advance only when a
// test says so, recorded dialogs, sounds and screen changes, a scripted random source.
#include "shell/services.h"

#include <QDate>
#include <QStringList>
#include <deque>
#include <stdexcept>
#include <vector>

namespace kz::test {

class FakeWorld;

class FakeClock final : public Clock {
public:
    QDate date = QDate(2026, 12, 9);
    double midnightOffset = 10 * 3600.0; // seconds since midnight at tick 0
    qint64 tick = 0;

    QDate today() const override { return date; }
    double secondsSinceMidnight() const override { return midnightOffset + tick / 1000.0; }
    qint64 tickMs() const override { return tick; }
};

class FakeTimer final : public Timer {
public:
    explicit FakeTimer(FakeWorld& world) : m_world(&world) {}
    ~FakeTimer() override;
    void setInterval(int ms) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool on) override;
    bool isEnabled() const override { return m_enabled; }
    // Fires the handler now, as if the interval had run out.
    void fire();

    qint64 dueAt = 0;
    bool precise = false;

private:
    friend class FakeWorld;
    FakeWorld* m_world; // null once the world is gone (screens may be deleted after it)
    int m_interval = 1000;
    bool m_enabled = false;
};

// Owns the clock and the timers; advance() moves time forward and fires due timers in order.
class FakeWorld final : public TimerFactory {
public:
    ~FakeWorld() override;
    FakeClock clock;
    std::vector<FakeTimer*> timers;

    std::unique_ptr<Timer> createTimer(bool precise) override;
    // Advances the clock by ms, firing every timer that falls due, earliest first.
    void advance(qint64 ms);
    // Advances to the next timer due and fires it; false when none is enabled.
    bool advanceToNextTimer();
};

class FakeEvents final : public EventPump {
public:
    explicit FakeEvents(FakeWorld& world) : m_world(world) {}
    void processEvents() override {
        ++processed;
        if (onProcess)
            onProcess();
    }
    void waitWithEvents(int ms) override {
        waited.push_back(ms);
        m_world.advance(ms);
        if (onWait)
            onWait();
    }
    void sleep(int ms) override {
        slept.push_back(ms);
        m_world.advance(ms);
        if (onSleep)
            onSleep();
    }
    int processed = 0;
    std::vector<int> waited, slept;
    std::function<void()> onSleep;
    std::function<void()> onProcess;
    std::function<void()> onWait;

private:
    FakeWorld& m_world;
};

class RecordingDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title) override {
        messages << text;
        titles << title;
    }
    // Questions are recorded with the others and answered from answers (true when it runs out).
    bool ask(const QString& text, const QString& title, Buttons) override {
        questions << text;
        titles << title;
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void notice(const QString& text, int ms) override {
        notices << text;
        noticeMs.push_back(ms);
    }
    QStringList notices;
    std::vector<int> noticeMs;
    QStringList messages;
    QStringList titles;
    QStringList questions;
    std::deque<bool> answers;
};

// Plays back a script of values in [0, 1); then repeats the last one (0 when empty).
class ScriptedRandom final : public RandomSource {
public:
    void seed(unsigned value) override { seeds.push_back(value); }
    double next() override {
        if (!script.empty()) {
            last = script.front();
            script.pop_front();
        }
        return last;
    }
    // Queues the values that make numbers n (1..10) come out of Int(r * 10 + 1).
    void queueNumbers(std::initializer_list<int> numbers) {
        for (int n : numbers)
            script.push_back((n - 1) / 10.0 + 0.05);
    }
    std::deque<double> script;
    double last = 0;
    std::vector<unsigned> seeds;
};

class RecordingSound final : public SoundOutput {
public:
    PlayResult play(const QString& path) override {
        played << path;
        if (onPlay)
            onPlay(path);
        if (failing.contains(path) || failAll)
            return {263, QStringLiteral("no device for ") + path};
        return {};
    }
    QStringList played;
    QStringList failing;
    bool failAll = false;
    std::function<void(const QString&)> onPlay;
};

class RecordingScreens final : public Screens {
public:
    void show(const QString& name) override {
        shown << name;
        if (!loaded.contains(name))
            loaded << name;
    }
    void showModal(const QString& name) override { show(name); }
    void hide(const QString& name) override { hidden << name; }
    void unload(const QString& name) override {
        unloaded << name;
        loaded.removeAll(name);
    }
    bool isLoaded(const QString& name) const override { return loaded.contains(name); }
    void unloadAll() override {
        while (!loaded.isEmpty())
            unload(loaded.last());
    }
    QStringList shown, hidden, unloaded, loaded;
};

struct ProgramEnded {
    int status;
};

class ThrowingProgram final : public ProgramControl {
public:
    [[noreturn]] void endProgram(int status) override { throw ProgramEnded{status}; }
};

// All fakes together, with the Services bundle the model takes.
struct FakeServices {
    FakeWorld world;
    FakeEvents events{world};
    RecordingDialogs dialogs;
    ScriptedRandom random;
    RecordingSound sound;
    RecordingScreens screens;
    ThrowingProgram program;
    Services services{world.clock, world, events, dialogs, random, sound, screens, program};
    FakeClock& clock() { return world.clock; }
};

// A temporary folder tree with a program folder, a base folder and a data folder.
QString writeFile(const QString& path, const QByteArray& bytes);
QString writeCp932(const QString& path, const QString& text);

// Whether the Windows build's tests run under Wine, where some Windows file calls are missing.
bool underWine();

} // namespace kz::test
