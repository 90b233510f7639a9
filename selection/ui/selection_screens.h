#pragma once

namespace kz {
class ScreenRegistry;
struct Program;

// Adds this subsystem's screens to the registry.
void registerSelectionScreens(ScreenRegistry& registry, Program& program);
} // namespace kz
