#pragma once
#include "shell/ui/form.h"

namespace kz {

struct Program;

// Stand-in for a teacher tool (record browser FrmData, criteria editor FrmTimeData) until the
// tool itself is built: it names the tool and goes back to the level menu.
class TeacherToolForm final : public Form {
    Q_OBJECT
public:
    TeacherToolForm(Program& p, const QString& screenName, const QString& toolName);
    void Command1_Click();

private:
    Program& m_p;
};

} // namespace kz
