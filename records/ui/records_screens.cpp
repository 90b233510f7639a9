#include "records_screens.h"

#include "records/program.h"
#include "shell/ui/screen_registry.h"

namespace kz {

void registerRecordsScreens(ScreenRegistry& registry, Program& program) {
    (void)registry;
    (void)program;
}

} // namespace kz
