#pragma once
#include "shell/services.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace kz {

// Blocking wave-file playback through SDL2's audio. One device stays open for the program's
// life with a small buffer, so the end of a sound is known within a few milliseconds; opening
// and closing a device per sound costs most of a second, which would be counted in a pupil's
// run time. Each wave is decoded once, converted to the device's format and kept in memory.
// SDL_AUDIODRIVER=dummy plays in real time without a device.
class SdlSoundOutput final : public SoundOutput {
public:
    SdlSoundOutput();
    ~SdlSoundOutput() override;
    // Queues the whole sound and returns when it has played for its length.
    PlayResult play(const QString& path) override;

    // For the set-up check: a device is open (opened now when none is), and a wave decodes,
    // without a sound being played.
    PlayResult ensureDevice();
    PlayResult decode(const QString& path);

private:
    PlayResult openDevice();
    // The wave in the device's format, decoded on first use.
    PlayResult samplesOf(const QString& path, const QByteArray*& samples);
    bool deviceLost() const;

    bool m_initialised = false;
    QString m_initError;
    quint32 m_device = 0; // 0 while no device is open
    int m_freq = 0;
    quint16 m_format = 0;
    int m_channels = 0;
    int m_bufferFrames = 0;
    int m_bytesPerFrame = 0;
    bool m_silentDriver = false;
    QHash<QString, QByteArray> m_samples;
};

} // namespace kz
