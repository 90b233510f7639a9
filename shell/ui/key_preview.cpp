#include "key_preview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace kz {

KeyPreview::KeyPreview(QWidget* form, KeyHandler handler, Mode mode)
    : QObject(form), m_form(form), m_handler(std::move(handler)), m_mode(mode) {
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() {
    qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || (w != m_form && !m_form->isAncestorOf(w))) return false;
    if (m_mode == Mode::TakesEveryKey) {
        if (type == QEvent::KeyPress) m_handler(watched, static_cast<QKeyEvent*>(event));
        return true;
    }
    if (type != QEvent::KeyPress) return false;
    // A key the focused control leaves unused travels on to its parents; the screen has
    // already seen it at the control, so it sees it once.
    QWidget* focus = QApplication::focusWidget();
    if (focus && w != focus && m_form->isAncestorOf(focus)) return false;
    return m_handler(watched, static_cast<QKeyEvent*>(event));
}

namespace {
class ClickFilter final : public QObject {
public:
    ClickFilter(QWidget* label, std::function<void()> onClick)
        : QObject(label), m_onClick(std::move(onClick)) {
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_onClick;
};
} // namespace

void onLabelClick(QWidget* label, std::function<void()> onClick) {
    new ClickFilter(label, std::move(onClick));
}

} // namespace kz
