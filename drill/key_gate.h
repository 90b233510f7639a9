#pragma once
#include <QtGlobal>

namespace kz {

// Keys pressed while a blocking sound plays reach the screen only after the sound has ended.
// They are dropped, so that a key pressed twice (or "+" "+" hammered during the wrong-answer
// sound) never carries over into what follows. Key events carry the window system's own
// timestamp, whose zero differs from the program's tick; the offset between the two is learnt
// from the keys that arrive promptly (the smallest "received minus stamped" seen so far).
class KeyGate {
public:
    // stamp: the event's timestamp in ms (0 when the event has none, as synthetic ones);
    // receivedTick: the tick when it reached the screen; blockedUntilTick: when the last
    // blocking sound ended. True when the key was pressed after that.
    bool accept(quint64 stamp, qint64 receivedTick, qint64 blockedUntilTick) {
        if (stamp == 0) return true;
        const qint64 offset = receivedTick - static_cast<qint64>(stamp);
        if (!m_haveOffset || offset < m_offset) {
            m_offset = offset;
            m_haveOffset = true;
        }
        return static_cast<qint64>(stamp) + m_offset >= blockedUntilTick;
    }

private:
    qint64 m_offset = 0;
    bool m_haveOffset = false;
};

} // namespace kz
