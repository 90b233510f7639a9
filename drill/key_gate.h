#pragma once
#include <QtGlobal>

namespace kz {

// Keys pressed while a blocking sound plays reach the screen only after the sound has ended.
// They are dropped, so that a key pressed twice (or "+" "+" hammered during the wrong-answer
// sound) never carries over into what follows. Key events carry the window system's own
// timestamp, whose zero differs from the program's tick; the offset between the two is learnt
// from the keys that arrive promptly (the smallest "received minus stamped" seen so far).
// The stamps are 32-bit milliseconds that wrap (every 49.7 days of the window system's uptime),
// so stamps and offsets are compared only as differences modulo 2^32: a wrap is harmless.
class KeyGate {
public:
    // stamp: the event's timestamp in ms (0 when the event has none, as synthetic ones);
    // receivedTick: the tick when it reached the screen; blockedUntilTick: when the last
    // blocking sound ended. True when the key was pressed after that.
    bool accept(quint64 stamp, qint64 receivedTick, qint64 blockedUntilTick) {
        if (stamp == 0) return true;
        const quint32 offset = static_cast<quint32>(receivedTick) - static_cast<quint32>(stamp);
        if (!m_haveOffset || static_cast<qint32>(offset - m_offset) < 0) {
            m_offset = offset;
            m_haveOffset = true;
        }
        // How long the key waited before it reached the screen, in ms (never negative).
        const qint64 waited = static_cast<qint32>(offset - m_offset);
        return receivedTick - waited >= blockedUntilTick;
    }

private:
    quint32 m_offset = 0;
    bool m_haveOffset = false;
};

} // namespace kz
