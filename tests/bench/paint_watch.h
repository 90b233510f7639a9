#pragma once
// Times what the pupil sees: the end of each paint of a label that shows a new text (the
// window's backing store is flushed right after the paint).
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <functional>

namespace kz::bench {

class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QLabel* label) : m_label(label) {
        m_clock.start();
        label->installEventFilter(this);
    }
    // Nanoseconds on the watch's own clock (the clock of every onShown call).
    qint64 now() const { return m_clock.nsecsElapsed(); }
    std::function<void(qint64 nsecs, const QString& text)> onShown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_label || event->type() != QEvent::Paint) return false;
        // Let the label paint, then take the time.
        static_cast<QObject*>(m_label)->event(event);
        const qint64 t = now();
        if (m_label->text() != m_lastText) {
            m_lastText = m_label->text();
            if (onShown) onShown(t, m_lastText);
        }
        return true;
    }

private:
    QLabel* m_label;
    QString m_lastText = QStringLiteral("\x01");
    QElapsedTimer m_clock;
};

} // namespace kz::bench
