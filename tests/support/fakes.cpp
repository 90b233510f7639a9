#include "fakes.h"

#include "shell/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#ifdef _WIN32
#include <windows.h>
#endif

namespace kz::test {

FakeWorld::~FakeWorld() {
    for (FakeTimer* t : timers)
        t->m_world = nullptr;
}

FakeTimer::~FakeTimer() {
    if (!m_world)
        return;
    auto& v = m_world->timers;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void FakeTimer::setInterval(int ms) {
    m_interval = ms;
    if (m_enabled && m_world)
        dueAt = m_world->clock.tick + m_interval;
}

void FakeTimer::setEnabled(bool on) {
    m_enabled = on;
    if (on && m_world)
        dueAt = m_world->clock.tick + m_interval;
}

void FakeTimer::fire() {
    if (onTimeout)
        onTimeout();
}

std::unique_ptr<Timer> FakeWorld::createTimer(bool precise) {
    auto t = std::make_unique<FakeTimer>(*this);
    t->precise = precise;
    timers.push_back(t.get());
    return t;
}

bool FakeWorld::advanceToNextTimer() {
    FakeTimer* next = nullptr;
    for (FakeTimer* t : timers)
        if (t->isEnabled() && t->interval() > 0 && (!next || t->dueAt < next->dueAt))
            next = t;
    if (!next)
        return false;
    if (next->dueAt > clock.tick)
        clock.tick = next->dueAt;
    // The next interval is due before the handler runs, so that a handler letting events run
    // (and so time pass) does not meet its own tick again.
    next->dueAt += next->interval();
    next->fire();
    return true;
}

void FakeWorld::advance(qint64 ms) {
    const qint64 target = clock.tick + ms;
    for (;;) {
        FakeTimer* next = nullptr;
        for (FakeTimer* t : timers)
            if (t->isEnabled() && t->interval() > 0 && t->dueAt <= target &&
                (!next || t->dueAt < next->dueAt))
                next = t;
        if (!next)
            break;
        advanceToNextTimer();
    }
    if (clock.tick < target)
        clock.tick = target;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return path;
    f.write(bytes);
    return path;
}

QString writeCp932(const QString& path, const QString& text) { return writeFile(path, encodeCp932(text)); }

bool underWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace kz::test
