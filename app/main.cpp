// The application: real services, the shared state, the screens, and the splash.
#include "drill/ui/drill_screens.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "records/program.h"
#include "records/ui/records_screens.h"
#include "selection/ui/selection_screens.h"
#include "shell/ui/Firstfrm.h"
#include "shell/ui/qt_services.h"
#include "shell/ui/screen_registry.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

using namespace kz;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kazutobi"));
    // Every screen needs a font with Japanese glyphs, or Qt draws empty boxes.
    QFont font(QStringList{QStringLiteral("IPAGothic"), QStringLiteral("ＭＳ ゴシック"),
                           QStringLiteral("Noto Sans CJK JP")});
    font.setPointSize(10);
    QApplication::setFont(font);

    SystemClock clock;
    QtTimerFactory timers;
    QtEventPump events;
    QtDialogs dialogs;
    dialogs.defaultTitle = QStringLiteral("カズトビ１");
    MersenneRandom random;
    SdlSoundOutput sound;
    ScreenRegistry registry;
    QtProgramControl program(registry);
    Services services{clock, timers, events, dialogs, random, sound, registry, program};
    Program p(services);

    auto loadConfigurationAndShowNames = [&] {
        const QString error = LoadConfiguration(p, QCoreApplication::applicationDirPath());
        if (!error.isEmpty()) {
            dialogs.message(error, QStringLiteral("カズトビ１"));
            program.endProgram(1);
        }
        registry.show(screen::namesel);
    };
    registry.add(screen::Firstfrm, [&] {
        return new Firstfrm(p.h, services, registry, loadConfigurationAndShowNames);
    });
    registry.add(screen::BASEFRM, [&] { return new BASEFRM(services); });
    registry.add(screen::frmver, [&] { return new frmver(p.h, services, registry); });
    registerRecordsScreens(registry, p);
    registerDrillScreens(registry, p);
    registerSelectionScreens(registry, p);

    auto* splash = static_cast<Firstfrm*>(registry.load(screen::Firstfrm));
    splash->Firstfrm_Form_Load();
    return QApplication::exec();
}
