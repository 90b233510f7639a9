// Blocking wave playback through SDL's silent driver: it lasts as long as the sound, and
// failures come back as a code with a readable text.
#include "platform/sdl_sound_output.h"
#include "support/fakes.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace kz;

namespace {
// 16-bit mono silence of the given length.
QByteArray wave(int ms, int rate = 22050) {
    const quint32 data = quint32(rate * ms / 1000 * 2);
    QByteArray w("RIFF");
    auto u32 = [&w](quint32 v) { char b[4]; qToLittleEndian(v, b); w.append(b, 4); };
    auto u16 = [&w](quint16 v) { char b[2]; qToLittleEndian(v, b); w.append(b, 2); };
    u32(36 + data);
    w.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(quint32(rate));
    u32(quint32(rate * 2));
    u16(2);
    u16(16);
    w.append("data");
    u32(data);
    w.append(QByteArray(int(data), '\0'));
    return w;
}
} // namespace

class SdlOutputTests : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("SDL_AUDIODRIVER", "dummy"); }

    void playsToTheEndBeforeReturning() {
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath(QStringLiteral("合格.wav")), wave(300));
        SdlSoundOutput out;
        QElapsedTimer t;
        t.start();
        const PlayResult r = out.play(path);
        QCOMPARE(r.code, 0);
        QVERIFY2(t.elapsed() >= 280, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    }

    void failuresHaveACodeAndAText() {
        QTemporaryDir dir;
        SdlSoundOutput out;
        const PlayResult missing = out.play(dir.filePath(QStringLiteral("ない.wav")));
        QVERIFY(missing.code != 0);
        QVERIFY(missing.errorText.contains(QStringLiteral("ない.wav")));
        const QString junk = test::writeFile(dir.filePath(QStringLiteral("junk.wav")), QByteArray("not a wave at all"));
        const PlayResult bad = out.play(junk);
        QVERIFY(bad.code != 0);
        QVERIFY(!bad.errorText.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SdlOutputTests)
#include "sdl_output_tests.moc"
