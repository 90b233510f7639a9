#include "TeacherToolForms.h"

#include "records/program.h"

#include <QLabel>
#include <QPushButton>

namespace kz {

TeacherToolForm::TeacherToolForm(Program& p, const QString& screenName, const QString& toolName)
    : Form(screenName), m_p(p) {
    setWindowTitle(toolName);
    setBackBgr(p.h.seasonColour);
    auto* label =
        makeLabel(QStringLiteral("Label1"), toolName + QStringLiteral("\nはここに入ります。"));
    label->setAlignment(Qt::AlignCenter);
    place(label, 1200, 3600, kDesignWidthTwips - 2400, 2000);
    setPointSize(label, 24, true);
    auto* back = makeButton(QStringLiteral("Command1"), QStringLiteral("戻る"));
    place(back, (kDesignWidthTwips - 3600) / 2, 6400, 3600, 1000);
    setPointSize(back, 18, true);
    connect(back, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void TeacherToolForm::Command1_Click() {
    m_p.s.screens.show(screen::seisekitime1);
    m_p.s.screens.unload(objectName());
}

} // namespace kz
