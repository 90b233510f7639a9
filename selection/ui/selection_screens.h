#pragma once

namespace kz {
class ScreenRegistry;
struct Program;
struct Selection;

// Adds this subsystem's screens to the registry; both screens share the one Selection.
void registerSelectionScreens(ScreenRegistry& registry, Program& program, Selection& selection);
} // namespace kz
