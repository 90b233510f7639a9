// The program: the real services, the application's screens, and the event loop.
#include "app/application.h"
#include "app/path_file_run.h"
#include "app/school_check_run.h"
#include "app/serve_run.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "shell/ui/form.h"
#include "shell/ui/qt_services.h"

#include <QApplication>
#include <QFont>

using namespace kz;

int main(int argc, char** argv) {
    if (wantsSchoolCheck(argc, argv))
        return runSchoolCheck(argc, argv);
    if (wantsPathFileWrite(argc, argv))
        return runPathFileWrite(argc, argv);
    if (wantsServe(argc, argv))
        return runServe(argc, argv);
    QApplication app(argc, argv);
    // Ended by the system (logout, shutdown) from the first moment on, before the slower set-up
    // below: the same orderly end as closing the window.
    closeOnTerminationRequest();
    QApplication::setApplicationName(QStringLiteral("kazutobi"));
    installQtTranslation(app, qtTranslationFolders(QCoreApplication::applicationDirPath()));
    // Every screen needs a font with Japanese glyphs, or Qt draws empty boxes.
    // MS Gothic on a Japanese Windows, IPAGothic on Linux.
    QFont font(japaneseGothicFamilies() << QStringLiteral("Noto Sans CJK JP"));
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

    Application application(services, registry, QCoreApplication::applicationDirPath());
    application.connectWaysOut(program);
    application.start();
    return QApplication::exec();
}
