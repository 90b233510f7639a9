#include "screen_parts.h"

#include "shell/ui/form.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace kz {

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
    return fixedPitchFont(japaneseGothicFamilies());
}

} // namespace kz
