#include "teacher.h"

#include "records/program.h"

namespace kz {

bool openTeacherTool(Program& p, int index, const QString& typed) {
    if (!passwordMatches(typed, p.h.commonLine6)) {
        p.s.dialogs.message(kEnterPassword, p.h.programTitle);
        return false;
    }
    p.s.screens.show(index == 0 ? screen::FrmData : screen::FrmTimeData);
    p.s.screens.unload(screen::seisekitime1);
    return true;
}

} // namespace kz
