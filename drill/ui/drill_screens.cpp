#include "drill_screens.h"

#include "MainFrm.h"
#include "records/program.h"
#include "shell/ui/screen_registry.h"

namespace kz {

void registerDrillScreens(ScreenRegistry& registry, Program& program) {
    registry.add(screen::MainFrm, [&program] { return new MainFrm(program); });
}

} // namespace kz
