#include "screen_parts.h"

#include "shell/ui/form.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace kz {

KeyPreview::KeyPreview(QWidget* form, KeyHandler handler)
    : QObject(form), m_handler(std::move(handler)) {
    form->installEventFilter(this);
    for (QWidget* child : form->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    // A key a child leaves unused travels on to the form; the form sees it once, first.
    auto* form = static_cast<QWidget*>(parent());
    if (watched == form) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus != form && form->isAncestorOf(focus)) return false;
    }
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

QFrame* makeWaitingPanel(Form& form, const QString& name, const QString& text) {
    auto* panel = new QFrame(&form);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::Panel);
    form.place(panel, 0, 0, form.designSizeTwips().width(), form.designSizeTwips().height());
    QLabel* label = form.makeLabel(name + QStringLiteral("Text"), text, panel);
    label->setAlignment(Qt::AlignCenter);
    form.place(label, 0, 4800, form.designSizeTwips().width(), 1200);
    form.setPointSize(label, 36, true);
    return panel;
}

QFont nameListFont() {
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")});
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    return f;
}

} // namespace kz
