#include "records_screens.h"

#include "FrmSyuuryou.h"
#include "FrmTimeData.h"
#include "records/program.h"
#include "records/run_end.h"
#include "shell/ui/screen_registry.h"

#include <memory>

namespace kz {

void registerRecordsScreens(ScreenRegistry& registry, Program& program) {
    // The run end lives as long as the program: its flags pass from the drill's hand-over to
    // the result screen, which is loaded afresh for every run.
    auto runEnd = std::make_shared<RunEnd>(program);
    program.EndRun = [runEnd] { runEnd->EndRun(); };
    registry.add(screen::FrmSyuuryou,
                 [&program, runEnd] { return new FrmSyuuryou(program, runEnd->outcome); });
    registry.add(screen::FrmTimeData, [&program] { return new FrmTimeData(program); });
}

} // namespace kz
