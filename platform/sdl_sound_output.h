#pragma once
#include "shell/services.h"

namespace kz {

// Blocking wave-file playback through SDL2's audio: load, queue, wait until the queue has
// drained plus one device buffer. SDL_AUDIODRIVER=dummy plays in real time without a device.
class SdlSoundOutput final : public SoundOutput {
public:
    SdlSoundOutput();
    ~SdlSoundOutput() override;
    PlayResult play(const QString& path) override;

private:
    bool m_initialised = false;
    QString m_initError;
};

} // namespace kz
