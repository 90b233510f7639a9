#pragma once
#include <QString>

namespace kz {

// What an error code of the system means for a teacher; one file per system maps its codes.
enum class Cause { Other, NoPermission, DiskFull, InUse, NetworkGone, Missing };
Cause causeOf(int code);

} // namespace kz
