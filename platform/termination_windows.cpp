// The program's way out when the system asks it to end: Windows.
#include "system_services.h"

namespace kz {

// Windows ends a windowed program by closing its windows (WM_QUERYENDSESSION, WM_CLOSE), which
// already takes the orderly way.
void onTerminationRequest(std::function<void()>) {}

} // namespace kz
