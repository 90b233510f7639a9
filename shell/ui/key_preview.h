#pragma once
#include <functional>
#include <QObject>

class QKeyEvent;
class QWidget;

namespace kz {

// Key preview: a screen sees every key pressed in it before its focused control does, whatever
// control has the focus, and controls made later are covered too (the filter sits on the
// application and keeps to keys aimed at the screen or its children).
class KeyPreview final : public QObject {
public:
    // Returns true when the screen used the key; an unused key goes on to the focused control.
    using KeyHandler = std::function<bool(QObject* target, QKeyEvent* key)>;
    enum class Mode {
        Preview,      // the screen first, then the control
        TakesEveryKey // the screen alone: no control ever acts on a key (the drill)
    };

    KeyPreview(QWidget* form, KeyHandler handler, Mode mode = Mode::Preview);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_form;
    KeyHandler m_handler;
    Mode m_mode;
};

// Calls onClick when the widget (a label) is clicked with the left button.
void onLabelClick(QWidget* label, std::function<void()> onClick);

} // namespace kz
