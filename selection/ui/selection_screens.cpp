#include "selection_screens.h"

#include "namesel.h"
#include "records/program.h"
#include "seisekitime1.h"
#include "selection_context.h"
#include "shell/ui/screen_registry.h"
#include "TeacherToolForms.h"

namespace kz {

void registerSelectionScreens(ScreenRegistry& registry, Program& program, Selection& selection) {
    registry.add(screen::namesel,
                 [&program, &selection] { return new namesel(program, selection); });
    registry.add(screen::seisekitime1,
                 [&program, &selection] { return new seisekitime1(program, selection); });
    registry.add(screen::FrmData, [&program] {
        return new TeacherToolForm(program, screen::FrmData,
                                   QStringLiteral("成績データの変更（記録の閲覧・訂正・削除）"));
    });
    registry.add(screen::FrmTimeData, [&program] {
        return new TeacherToolForm(program, screen::FrmTimeData,
                                   QStringLiteral("合格タイムデータの変更"));
    });
}

} // namespace kz
