#pragma once
#include "records/program.h"
#include "selection/ui/selection_context.h"
#include "shell/ui/screen_registry.h"

#include <QString>

namespace kz {

// The program's wiring: the shared Program, every screen in the registry, and the start-up
// from the splash to the name screen. main() gives it the real services; the end-to-end tests
// give it fakes and a temporary school.
class Application {
public:
    // services.screens must be the registry.
    Application(Services& services, ScreenRegistry& registry, QString programDir);

    Program& program() { return m_program; }
    ScreenRegistry& registry() { return m_registry; }

    // Loads and shows the splash; its timer then runs LoadConfigurationAndShowNames.
    void start();
    // Loads the configuration, then shows the name screen; a configuration error shows its
    // message and ends the program with status 1.
    void LoadConfigurationAndShowNames();

private:
    Services& m_services;
    ScreenRegistry& m_registry;
    QString m_programDir;
    Program m_program;
    Selection m_selection; // the roster's tables, shared by the name screen and the level menu
};

} // namespace kz
