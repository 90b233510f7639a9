// The program as main() builds it — real clock, timers, screens, sound, message windows and
// ways out — in the school above PROGRAM_DIR, driven by lines on standard input:
//   erase N  the teacher erases record N in the record browser; says "erased"
//   close    the name screen's window is closed, as by its close button
//   menu     the program menu's exit ("終了")
//   end      the program ends itself (endProgram with status 3, as after a failed append)
// It says "ready" once the name screen is shown, "sleep MS" for each sleep of the program's
// end and "notice" with the text of each notice. A signal comes from the test itself.
//   ways_out_child PROGRAM_DIR
#include "app/application.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "selection/name_list.h"
#include "shell/ui/form.h"
#include "shell/ui/qt_services.h"
#include "views/record_browser.h"

#include <cstdio>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <unistd.h>

using namespace kz;

namespace {
void say(const QString& text) {
    std::printf("%s\n", qUtf8Printable(text));
    std::fflush(stdout);
}

// The real event pump, saying when the program's end sleeps.
class ReportingEvents final : public EventPump {
public:
    void processEvents() override { m_real.processEvents(); }
    void waitWithEvents(int ms) override { m_real.waitWithEvents(ms); }
    void sleep(int ms) override {
        say(QStringLiteral("sleep %1").arg(ms));
        m_real.sleep(ms);
    }

private:
    QtEventPump m_real;
};

// The real notice; questions are answered yes and messages written out, as nobody is there
// to click.
class ReportingDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString&) override { say(QStringLiteral("message ") + text); }
    bool ask(const QString&, const QString&, Buttons) override { return true; }
    void notice(const QString& text, int ms) override {
        say(QStringLiteral("notice ") + text);
        m_real.notice(text, ms);
    }
    QtDialogs m_real;
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (app.arguments().size() < 2) return 2;
    SystemClock clock;
    QtTimerFactory timers;
    ReportingEvents events;
    ReportingDialogs dialogs;
    MersenneRandom random;
    SdlSoundOutput sound;
    ScreenRegistry registry;
    QtProgramControl program(registry);
    Services services{clock, timers, events, dialogs, random, sound, registry, program};
    Application application(services, registry, app.arguments().at(1));
    application.connectWaysOut(program);
    application.start();
    Program& p = application.program();

    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!registry.isLoaded(screen::namesel)) return;
        ready.stop();
        say(QStringLiteral("ready"));
    });
    ready.start(20);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.startsWith(QStringLiteral("erase "))) {
                RecordBrowser browser(p);
                browser.Command1_Click();
                RecordBrowser::Panel panel;
                const int row = browser.rowOfRecord(line.mid(6).toLongLong());
                say(browser.open(row, &panel) && browser.erase() ? QStringLiteral("erased")
                                                                 : QStringLiteral("erase failed"));
            } else if (line == u"close") {
                registry.form(screen::namesel)->close();
            } else if (line == u"menu") {
                ProgramMenuExit(p);
            } else if (line == u"end") {
                services.program.endProgram(3);
            }
        }
    });
    return QApplication::exec();
}
