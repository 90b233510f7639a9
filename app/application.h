#pragma once
#include "records/program.h"
#include "selection/ui/selection_context.h"
#include "shell/ui/qt_services.h"
#include "shell/ui/screen_registry.h"

#include <QMetaObject>
#include <QString>

namespace kz {

// A request of the system to end the program (POSIX signals) closes the windows and ends the
// event loop, the orderly way out. Installed once; later calls keep the first.
void closeOnTerminationRequest();

// The program's wiring: the shared Program, every screen in the registry, and the start-up
// from the splash to the name screen. main() gives it the real services; the end-to-end tests
// give it fakes and a temporary school.
class Application {
public:
    // services.screens must be the registry.
    Application(Services& services, ScreenRegistry& registry, QString programDir);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Program& program() { return m_program; }
    ScreenRegistry& registry() { return m_registry; }

    // Loads and shows the splash; its timer then runs LoadConfigurationAndShowNames.
    void start();
    // Loads the configuration, then shows the name screen; a configuration error shows its
    // message and ends the program with status 1.
    void LoadConfigurationAndShowNames();

    // Every way out ends alike, once the screens are gone (Program::endRecordKeeping): the
    // last window closed (the event loop's end), the system's request to end (SIGTERM, SIGINT,
    // SIGHUP at logout: the windows close), the end of a Windows session (at once, as the
    // system gives only seconds) and the program's own end through control. Needs the
    // application object; call once.
    void connectWaysOut(QtProgramControl& control);

private:
    Services& m_services;
    ScreenRegistry& m_registry;
    QString m_programDir;
    Program m_program;
    Selection m_selection; // the roster's tables, shared by the name screen and the level menu
    QMetaObject::Connection m_aboutToQuit;
};

} // namespace kz
