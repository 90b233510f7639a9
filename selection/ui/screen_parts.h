#pragma once
#include <functional>
#include <QFont>
#include <QObject>

class QFrame;
class QKeyEvent;
class QWidget;

namespace kz {

// Key preview: the form sees every key before its focused child, and clicks on labels reach
// the form's click procedures. The handler returns true when it used the key.
class KeyPreview final : public QObject {
public:
    using KeyHandler = std::function<bool(QObject* target, QKeyEvent* key)>;
    // Watches the form and every child it has now.
    KeyPreview(QWidget* form, KeyHandler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyHandler m_handler;
};

// Calls onClick when the widget (a label) is clicked with the left button.
void onLabelClick(QWidget* label, std::function<void()> onClick);

class Form;

// A panel over the whole form with a large centred text ("Just a moment, please."), shown in
// front while a screen loads or refreshes.
QFrame* makeWaitingPanel(Form& form, const QString& name, const QString& text);

// The name lists' font: fixed pitch, so the full-width padding lines the figures up.
QFont nameListFont();

} // namespace kz
