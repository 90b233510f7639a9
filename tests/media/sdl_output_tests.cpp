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
// Silence of the given length in the given PCM format.
QByteArray wave(int ms, int rate = 22050, int channels = 1, int bits = 16) {
    const int frameBytes = channels * bits / 8;
    const quint32 data = quint32(qint64(rate) * ms / 1000 * frameBytes);
    QByteArray w("RIFF");
    auto u32 = [&w](quint32 v) { char b[4]; qToLittleEndian(v, b); w.append(b, 4); };
    auto u16 = [&w](quint16 v) { char b[2]; qToLittleEndian(v, b); w.append(b, 2); };
    u32(36 + data);
    w.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(quint16(channels));
    u32(quint32(rate));
    u32(quint32(rate * frameBytes));
    u16(quint16(frameBytes));
    u16(quint16(bits));
    w.append("data");
    u32(data);
    w.append(QByteArray(int(data), bits == 8 ? '\x80' : '\0'));
    return w;
}
} // namespace

class SdlOutputTests : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("SDL_AUDIODRIVER", "dummy"); }

    // Every format comes out as long as it is (converted to the device's format, not cut
    // short), and a play blocks for the sound and no more: the device stays open. The margin
    // is for a busy test machine; opening a device per sound cost 600 ms and more.
    void playsForItsLengthAndNoMore_data() {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::newRow("22.05 kHz mono 16-bit") << 300 << 22050 << 1 << 16;
        QTest::newRow("short, 8 kHz mono 8-bit") << 50 << 8000 << 1 << 8;
        QTest::newRow("48 kHz stereo 16-bit") << 300 << 48000 << 2 << 16;
        QTest::newRow("11.025 kHz stereo 8-bit") << 200 << 11025 << 2 << 8;
    }
    void playsForItsLengthAndNoMore() {
        QFETCH(int, ms);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath(QStringLiteral("合格.wav")),
                                             wave(ms, rate, channels, bits));
        SdlSoundOutput out;
        for (int play = 0; play < 3; ++play) {
            QElapsedTimer t;
            t.start();
            const PlayResult r = out.play(path);
            const qint64 took = t.elapsed();
            QCOMPARE(r.code, 0);
            QVERIFY2(took >= ms - 1 && took <= ms + 150, qPrintable(QString::number(took)));
        }
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

    // Without a working audio driver every play fails at once with a code and SDL's text.
    void noDeviceFailsAtOnce() {
        QTemporaryDir dir;
        const QString path = test::writeFile(dir.filePath(QStringLiteral("ok.wav")), wave(300));
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        {
            SdlSoundOutput out;
            for (int play = 0; play < 2; ++play) {
                QElapsedTimer t;
                t.start();
                const PlayResult r = out.play(path);
                QCOMPARE(r.code, 263);
                QVERIFY(!r.errorText.isEmpty());
                QVERIFY2(t.elapsed() < 100, qPrintable(QString::number(t.elapsed())));
            }
        }
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
};

QTEST_GUILESS_MAIN(SdlOutputTests)
#include "sdl_output_tests.moc"
