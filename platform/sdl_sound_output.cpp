#include "sdl_sound_output.h"

#include <QFile>

#include <SDL.h>

namespace kz {

SdlSoundOutput::SdlSoundOutput() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        m_initialised = true;
    else
        m_initError = QString::fromUtf8(SDL_GetError());
}

SdlSoundOutput::~SdlSoundOutput() {
    if (m_initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

PlayResult SdlSoundOutput::play(const QString& path) {
    if (!m_initialised)
        return {263, QStringLiteral("音声装置を初期化できません: %1").arg(m_initError)};

    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    // SDL_LoadWAV takes a UTF-8 path on every platform.
    if (!SDL_LoadWAV(QFile::encodeName(path).constData(), &spec, &buffer, &length))
        return {275, QStringLiteral("%1: %2").arg(path, QString::fromUtf8(SDL_GetError()))};

    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &spec, &obtained, 0);
    if (device == 0) {
        const QString err = QString::fromUtf8(SDL_GetError());
        SDL_FreeWAV(buffer);
        return {263, QStringLiteral("音声装置を開けません: %1").arg(err)};
    }
    PlayResult result;
    if (SDL_QueueAudio(device, buffer, length) != 0) {
        result = {277, QString::fromUtf8(SDL_GetError())};
    } else {
        SDL_PauseAudioDevice(device, 0);
        while (SDL_GetQueuedAudioSize(device) > 0)
            SDL_Delay(5);
        // The last device buffer is still playing when the queue reads empty.
        const int bytesPerFrame = SDL_AUDIO_BITSIZE(obtained.format) / 8 * obtained.channels;
        if (obtained.freq > 0 && bytesPerFrame > 0)
            SDL_Delay(static_cast<Uint32>(1000.0 * obtained.samples / obtained.freq) + 1);
    }
    SDL_CloseAudioDevice(device);
    SDL_FreeWAV(buffer);
    return result;
}

} // namespace kz
