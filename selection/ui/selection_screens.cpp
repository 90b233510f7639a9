#include "selection_screens.h"

#include "namesel.h"
#include "records/program.h"
#include "seisekitime1.h"
#include "selection_context.h"
#include "shell/ui/screen_registry.h"

namespace kz {

void registerSelectionScreens(ScreenRegistry& registry, Program& program, Selection& selection) {
    registry.add(screen::namesel,
                 [&program, &selection] { return new namesel(program, selection); });
    registry.add(screen::seisekitime1,
                 [&program, &selection] { return new seisekitime1(program, selection); });
}

} // namespace kz
