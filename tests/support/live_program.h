#pragma once
// The whole program on fake time: real Qt events (queued activations, deferred deletes) with the
// fake clock and timers, recorded dialogs and sounds, and the real screen registry.
#include "fakes.h"
#include "shell/ui/form.h"
#include "shell/ui/screen_registry.h"

#include <QApplication>
#include <QtTest>

namespace kz::test {

// Time moves only with the fake world: one millisecond for every round of events, so that
// tick-counting pauses finish, and the whole wait for a wait.
class LiveEvents final : public EventPump {
public:
    explicit LiveEvents(FakeWorld& w) : m_world(w) {}
    void processEvents() override {
        QCoreApplication::processEvents();
        m_world.advance(1);
    }
    void waitWithEvents(int ms) override {
        m_world.advance(ms);
        QCoreApplication::processEvents();
    }
    void sleep(int ms) override { m_world.advance(ms); }

private:
    FakeWorld& m_world;
};

struct LiveWorld {
    FakeWorld world;
    LiveEvents events{world};
    RecordingDialogs dialogs;
    ScriptedRandom random;
    RecordingSound sound;
    ScreenRegistry registry;
    ThrowingProgram program;
    Services services{world.clock, world, events, dialogs, random, sound, registry, program};

    void settle(int rounds = 5) {
        for (int i = 0; i < rounds; ++i)
            QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A key as the pupil presses it: to the focused control of the screen, or the screen.
    void press(const QString& form, Qt::Key key) {
        Form* f = registry.form(form);
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && f->isAncestorOf(focus) ? focus : f, key);
    }
    template <class T> T* find(const QString& form, const QString& name) {
        Form* f = registry.form(form);
        return f ? f->findChild<T*>(name) : nullptr;
    }
};

} // namespace kz::test
