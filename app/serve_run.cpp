#include "serve_run.h"

#include "app/console.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "records/configuration.h"
#include "serve/http_server.h"
#include "serve/lan_addresses.h"
#include "serve/ui/ServeWindow.h"
#include "shell/startup.h"
#include "shell/ui/form.h"
#include "shell/ui/qt_services.h"
#include "shell/ui/screen_registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <cstring>

namespace kz {

bool wantsServe(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--serve") == 0) return true;
    return false;
}

int runServe(int argc, char** argv) {
    bool window = true;
    QString listenText = QStringLiteral("0.0.0.0:8932");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-window") == 0) window = false;
        if (std::strcmp(argv[i], "--listen") == 0 && i + 1 < argc) listenText = QString::fromLocal8Bit(argv[++i]);
    }
    useStartingConsole();
#ifndef _WIN32
    // Without a window the server may run where there is no display. (Windows always has one,
    // and the program ships its platform alone.)
    if (!window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kazutobi"));
    installQtTranslation(app, qtTranslationFolders(QCoreApplication::applicationDirPath()));
    onTerminationRequest([] { QCoreApplication::exit(0); });
    QFont font(japaneseGothicFamilies() << QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(11);
    QApplication::setFont(font);

    // One line per run recorded or refused: to standard output and to a log file beside the
    // program (a Windows program has no console of its own).
    const QString logPath = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kazutobi-serve.log"));
    auto log = [&](const QString& line) {
        printLine(line);
        QFile f(logPath);
        if (f.open(QIODevice::Append | QIODevice::Text)) f.write((line + u'\n').toUtf8());
    };
    auto fail = [&](const QString& message) {
        log(message);
        if (window) QMessageBox::critical(nullptr, QStringLiteral("カズトビ１"), message);
        return 1;
    };

    ListenAddress where;
    if (QString e = parseListenAddress(listenText, &where); !e.isEmpty()) return fail(e);

    SystemClock clock;
    QtTimerFactory timers;
    QtEventPump events;
    QtDialogs dialogs;
    MersenneRandom random;
    random.seed(static_cast<unsigned>(clock.secondsSinceMidnight()));
    SdlSoundOutput sound;
    ScreenRegistry registry;
    QtProgramControl program(registry);
    Services services{clock, timers, events, dialogs, random, sound, registry, program};
    Program p(services);
    if (QString e = LoadConfiguration(p, QCoreApplication::applicationDirPath()); !e.isEmpty()) return fail(e);
    prepareLevels(p.h);

    DrillService service(p);
    service.log = log;
    HttpServer server(&app, [&](const QByteArray& m, const QByteArray& t, const QByteArray& b) {
        return service.handle(m, t, b);
    });
    if (QString e = server.listen(where); !e.isEmpty()) return fail(e);
    // What a browser can open: the listen address itself, or the LAN's when it listens on all.
    const QStringList urls = openableUrls(where.address, server.port(), lanAddresses());
    log(QStringLiteral("カズトビ１ サーバー開始: %1 ポート %2 (基本フォルダ %3) %4")
            .arg(where.address)
            .arg(server.port())
            .arg(QDir::toNativeSeparators(p.h.basePath), urls.join(u' ')));

    QTimer expiry;
    QObject::connect(&expiry, &QTimer::timeout, [&] { service.expireRuns(); });
    expiry.start(1000);

    std::unique_ptr<ServeWindow> shown;
    if (window) {
        shown = std::make_unique<ServeWindow>(service, clock, urls);
        QObject::connect(shown.get(), &ServeWindow::stopRequested, &app, [] { QCoreApplication::exit(0); });
        shown->show();
    }
    const int status = QApplication::exec();
    server.stop();
    log(QStringLiteral("カズトビ１ サーバー終了"));
    return status;
}

} // namespace kz
