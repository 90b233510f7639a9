#include "program.h"

namespace kz {

Program::Program(Services& services) : s(services), sounds(soundTable, QString(), services) {}

} // namespace kz
