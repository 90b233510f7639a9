#include "application.h"

#include "drill/ui/drill_screens.h"
#include "records/configuration.h"
#include "records/ui/records_screens.h"
#include "selection/ui/selection_screens.h"
#include "shell/ui/Firstfrm.h"
#include "platform/system_services.h"
#include "views/ui/FrmData.h"

#include <QApplication>

namespace kz {

Application::Application(Services& services, ScreenRegistry& registry, QString programDir)
    : m_services(services), m_registry(registry), m_programDir(std::move(programDir)), m_program(services) {
    Program& p = m_program;
    registry.add(screen::Firstfrm, [this, &p, &services, &registry] {
        return new Firstfrm(p.h, services, registry, [this] { LoadConfigurationAndShowNames(); });
    });
    registry.add(screen::BASEFRM, [&services] { return new BASEFRM(services); });
    registry.add(screen::frmver, [&p, &services, &registry] { return new frmver(p.h, services, registry); });
    registerRecordsScreens(registry, p);
    registerDrillScreens(registry, p);
    registerSelectionScreens(registry, p, m_selection);
    registerRecordBrowser(registry, p);
}

Application::~Application() { QObject::disconnect(m_aboutToQuit); }

void closeOnTerminationRequest() {
    onTerminationRequest([] {
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    });
}

void Application::connectWaysOut(QtProgramControl& control) {
    closeOnTerminationRequest(); // once: a second call keeps the first
    m_aboutToQuit = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                                     [this] { m_program.endRecordKeeping(); });
    onSessionEnding([this] { m_program.endRecordKeeping(true); });
    control.beforeEnd = [this] { m_program.endRecordKeeping(); };
}

void Application::start() {
    auto* splash = static_cast<Firstfrm*>(m_registry.load(screen::Firstfrm));
    splash->Firstfrm_Form_Load();
}

void Application::LoadConfigurationAndShowNames() {
    const QString error = LoadConfiguration(m_program, m_programDir);
    if (!error.isEmpty()) {
        m_services.dialogs.message(error, QStringLiteral("カズトビ１"));
        m_services.program.endProgram(1);
    }
    m_registry.show(screen::namesel);
}

} // namespace kz
