// Sounds on the real SDL output with the silent driver. (1) How much longer than the sound a
// play blocks, over 20 plays of a 0.05 s and of a 1 s wave. (2) The drill with that output: from
// the space key of a correct answer to the paint of the next problem's first number, against
// the correct sound's length. Prints the figures; goals: (1) median <= 20 ms and worst <= 50 ms,
// (2) at most the sound's length + 50 ms.
#include "paint_watch.h"
#include "drill/ui/drill_screens.h"
#include "drill/ui/MainFrm.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "records/program.h"
#include "shell/startup.h"
#include "shell/ui/qt_services.h"
#include "shell/ui/screen_registry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace kz;

namespace {
// 16-bit mono tone of the given length at 22.05 kHz (a rate the device converts from).
QByteArray wave(int ms) {
    constexpr int rate = 22050;
    const int frames = rate * ms / 1000;
    QByteArray w("RIFF");
    auto u32 = [&w](quint32 v) { char b[4]; qToLittleEndian(v, b); w.append(b, 4); };
    auto u16 = [&w](quint16 v) { char b[2]; qToLittleEndian(v, b); w.append(b, 2); };
    u32(36 + frames * 2);
    w.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    w.append("data");
    u32(frames * 2);
    for (int i = 0; i < frames; ++i)
        u16(static_cast<quint16>((i / 25) % 2 ? 3000 : -3000));
    return w;
}

QString writeWave(const QTemporaryDir& dir, const QString& name, int ms) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(wave(ms)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    return path;
}

struct Summary {
    double median, worst;
};

// Median and the error of largest size: a play that returns before its sound has ended is as
// wrong as one that blocks too long.
Summary summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const double worst = std::fabs(v.front()) > std::fabs(v.back()) ? v.front() : v.back();
    return {v[v.size() / 2], worst};
}

// Blocking time minus the sound's length, in ms, over 20 plays.
Summary playFigures(SdlSoundOutput& out, const QString& path, int ms) {
    std::vector<double> over;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        const PlayResult r = out.play(path);
        if (r.code != 0) {
            std::fprintf(stderr, "play failed: %s\n", qPrintable(r.errorText));
            std::exit(2);
        }
        over.push_back(t.nsecsElapsed() / 1e6 - ms);
    }
    return summarise(over);
}

// The space key of a correct answer to the next number's paint, minus the sound's length.
Summary drillFigures(SdlSoundOutput& out, const QTemporaryDir& dir, int soundMs) {
    SystemClock clock;
    QtTimerFactory timers;
    QtEventPump events;
    QtDialogs dialogs;
    MersenneRandom random;
    ScreenRegistry registry;
    registry.setWindowed(true);
    QtProgramControl control(registry);
    Services services{clock, timers, events, dialogs, random, out, registry, control};
    Program p(services);
    prepareLevels(p.h);
    SetProgramDefaults(p.h);
    p.h.LevelNo = 4;
    p.h.Bangou = 1;
    p.h.studentName = QStringLiteral("山田　花子");
    p.h.usageStartTick = clock.tickMs();
    p.criteria.passTime[4] = 30;
    p.criteria.minimumTime[4] = 80;
    p.soundTable.load(QStringLiteral("正解音2,正解,*\r\n"));
    p.sounds.setSoundFolder(dir.path() + QLatin1Char('/'));
    registerDrillScreens(registry, p);

    StartRun(p.h, services);
    auto* form = static_cast<MainFrm*>(registry.form(screen::MainFrm));
    bench::PaintWatch watch(form->findChild<QLabel*>(drillctl::qLabel1));
    qint64 keyAt = -1;
    bool asked = false;
    std::vector<double> over;
    watch.onShown = [&](qint64 now, const QString& text) {
        if (text == QStringLiteral("？")) asked = true;
        if (keyAt >= 0 && !text.isEmpty() && text.at(0).isDigit()) {
            over.push_back((now - keyAt) / 1e6 - soundMs);
            keyAt = -1;
        }
    };
    QElapsedTimer guard;
    guard.start();
    while (over.size() < 10 && guard.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!asked || keyAt >= 0) continue;
        asked = false;
        QTest::keyClicks(form, QString::number(static_cast<int>(form->drill().correctAnswer())));
        keyAt = watch.now();
        QTest::keyClick(form, Qt::Key_Space);
    }
    for (int i = 0; i < 20 && keyAt >= 0; ++i) // a deferred paint comes with the next events
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    registry.unloadAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (over.empty()) {
        std::fprintf(stderr, "the drill showed no next number\n");
        std::exit(2);
    }
    return summarise(over);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("IPAGothic"), 10));
    QTemporaryDir dir;
    const QString shortWave = writeWave(dir, QStringLiteral("短い.wav"), 50);
    const QString longWave = writeWave(dir, QStringLiteral("長い.wav"), 1000);
    constexpr int correctMs = 320;
    writeWave(dir, QStringLiteral("正解.wav"), correctMs);

    SdlSoundOutput out;
    const Summary s = playFigures(out, shortWave, 50);
    const Summary l = playFigures(out, longWave, 1000);
    std::printf("sound, SDL output (driver %s): blocking time of a play minus the sound's length\n",
                qgetenv("SDL_AUDIODRIVER").constData());
    std::printf("  0.05 s wave, 20 plays: median %+.1f ms, worst %+.1f ms\n", s.median, s.worst);
    std::printf("  1 s wave,    20 plays: median %+.1f ms, worst %+.1f ms\n", l.median, l.worst);
    const bool playMet = std::max(std::fabs(s.median), std::fabs(l.median)) <= 20 &&
                         std::max(std::fabs(s.worst), std::fabs(l.worst)) <= 50;
    std::printf("  goal (median <= 20 ms, worst <= 50 ms): %s\n", playMet ? "met" : "NOT met");

    const Summary d = drillFigures(out, dir, correctMs);
    std::printf("drill, space key of a correct answer to the next number's paint, minus the\n"
                "correct sound's %d ms, 10 answers: median %+.1f ms, worst %+.1f ms\n",
                correctMs, d.median, d.worst);
    std::printf("  goal (worst <= 50 ms): %s\n", std::fabs(d.worst) <= 50 ? "met" : "NOT met");
    return 0;
}
