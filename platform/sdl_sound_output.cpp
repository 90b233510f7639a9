#include "sdl_sound_output.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstring>

#include <SDL.h>

namespace kz {

namespace {
// The device's rate and buffer: 10 ms a buffer, the uncertainty of a sound's end.
constexpr int kRate = 48000;
constexpr int kBufferFrames = 480;

QString sdlError() { return QString::fromUtf8(SDL_GetError()); }

// Sleeps in short steps until the predicate holds; SDL_Delay(1) wakes within about 1 ms.
template <class Done> void waitUntil(Done done) {
    while (!done())
        SDL_Delay(1);
}
} // namespace

SdlSoundOutput::SdlSoundOutput() {
    // SIGINT and SIGTERM stay with the program, which ends in order on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        m_initialised = true;
        // Opened now, at start-up, so that no pupil's run pays for it; a failure is reported by
        // the first sound.
        openDevice();
    } else {
        m_initError = sdlError();
    }
}

SdlSoundOutput::~SdlSoundOutput() {
    if (m_device != 0)
        SDL_CloseAudioDevice(m_device);
    if (m_initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

PlayResult SdlSoundOutput::openDevice() {
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    SDL_AudioSpec obtained{};
    // Any rate, format or channel count the device prefers (waves are converted to it), but
    // the small buffer stays: SDL buffers internally if the device works in larger blocks.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
        nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_ANY_CHANGE & ~SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0)
        return {263, QStringLiteral("音声装置を開けません: %1").arg(sdlError())};
    m_device = device;
    m_freq = obtained.freq;
    m_format = obtained.format;
    m_channels = obtained.channels;
    m_bufferFrames = obtained.samples;
    m_bytesPerFrame = SDL_AUDIO_BITSIZE(obtained.format) / 8 * obtained.channels;
    const char* driver = SDL_GetCurrentAudioDriver();
    m_silentDriver = driver && qstrcmp(driver, "dummy") == 0;
    m_samples.clear(); // decoded for another device's format
    // The device runs (playing silence) from now on, so a play only queues and waits.
    SDL_PauseAudioDevice(m_device, 0);
    return {};
}

PlayResult SdlSoundOutput::samplesOf(const QString& path, const QByteArray*& samples) {
    const auto cached = m_samples.constFind(path);
    if (cached != m_samples.constEnd()) {
        samples = &cached.value();
        return {};
    }
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    // SDL takes UTF-8 paths on every platform.
    if (!SDL_LoadWAV(path.toUtf8().constData(), &spec, &buffer, &length))
        return {275, QStringLiteral("%1: %2").arg(path, sdlError())};
    // SDL_BuildAudioCVT rather than SDL_AudioStream: the stream of this SDL drops the end of a
    // short wave when it resamples (a 0.05 s wave came out 0.027 s long).
    SDL_AudioCVT cvt;
    const int built = SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, m_format,
                                        static_cast<Uint8>(m_channels), m_freq);
    if (built < 0) {
        const PlayResult failed{277, QStringLiteral("%1: %2").arg(path, sdlError())};
        SDL_FreeWAV(buffer);
        return failed;
    }
    QByteArray converted(static_cast<qsizetype>(length) * std::max(1, cvt.len_mult), Qt::Uninitialized);
    std::memcpy(converted.data(), buffer, length);
    SDL_FreeWAV(buffer);
    if (built > 0) {
        cvt.buf = reinterpret_cast<Uint8*>(converted.data());
        cvt.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&cvt) != 0)
            return {277, QStringLiteral("%1: %2").arg(path, sdlError())};
        converted.resize(cvt.len_cvt);
    } else {
        converted.resize(length);
    }
    // Whole frames only: a wave whose data ends mid-frame must not shift the device's frames.
    converted.resize(converted.size() - converted.size() % std::max(1, m_bytesPerFrame));
    samples = &*m_samples.insert(path, converted);
    return {};
}

PlayResult SdlSoundOutput::play(const QString& path) {
    if (!m_initialised)
        return {263, QStringLiteral("音声装置を初期化できません: %1").arg(m_initError)};
    if (m_device == 0) {
        // Tried again at each sound: a device plugged in later is used; without one this fails
        // at once and the failure count of the drill's sounds applies.
        const PlayResult opened = openDevice();
        if (opened.code != 0)
            return opened;
    }
    const QByteArray* samples = nullptr;
    const PlayResult decoded = samplesOf(path, samples);
    if (decoded.code != 0)
        return decoded;
    if (samples->isEmpty())
        return {};

    const qint64 frames = samples->size() / std::max(1, m_bytesPerFrame);
    SDL_ClearQueuedAudio(m_device);
    const Uint32 total = static_cast<Uint32>(samples->size());
    if (SDL_QueueAudio(m_device, samples->constData(), total) != 0)
        return {277, sdlError()};
    // The sound starts when the device takes its first buffer (within one buffer's time; a
    // device that takes nothing for half a second is taken to have started then: never a hang).
    QElapsedTimer clock;
    clock.start();
    waitUntil([&] {
        return SDL_GetQueuedAudioSize(m_device) < total || clock.elapsed() >= 500 || deviceLost();
    });
    clock.start();
    // It ends its length later on the system clock; the silent driver's own pace drifts with
    // its sleeps. A real device first finishes the buffer it is playing.
    const qint64 playedFrames = frames + (m_silentDriver ? 0 : m_bufferFrames);
    const qint64 endNs = playedFrames * 1000000000LL / std::max(1, m_freq);
    waitUntil([&] { return clock.nsecsElapsed() >= endNs || deviceLost(); });
    if (deviceLost()) {
        // Unplugged or taken away: nothing was heard, which the failure count must see. The
        // next sound opens a device again.
        const PlayResult lost{263, QStringLiteral("音声装置が使えなくなりました: %1").arg(sdlError())};
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
        return lost;
    }
    return {};
}

PlayResult SdlSoundOutput::ensureDevice() {
    if (!m_initialised)
        return {263, QStringLiteral("音声装置を初期化できません: %1").arg(m_initError)};
    return m_device != 0 ? PlayResult{} : openDevice();
}

PlayResult SdlSoundOutput::decode(const QString& path) {
    if (m_device != 0) {
        const QByteArray* samples = nullptr;
        return samplesOf(path, samples); // as a play would: decoded and converted for the device
    }
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.toUtf8().constData(), &spec, &buffer, &length))
        return {275, QStringLiteral("%1: %2").arg(path, sdlError())};
    SDL_FreeWAV(buffer);
    return {};
}

bool SdlSoundOutput::deviceLost() const {
    // SDL stops a device it has lost; this program never stops its own.
    return SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

} // namespace kz
