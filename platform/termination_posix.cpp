// The program's way out when the system asks it to end: POSIX signals.
#include "system_services.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

namespace kz {

namespace {
// A signal handler may only write to a descriptor; the event loop reads the other end.
int g_terminationPipe[2] = {-1, -1};

extern "C" void terminationSignal(int) {
    // The interrupted code may be about to read errno; the write end never blocks (a full
    // buffer already holds a pending request).
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_terminationPipe[0], &byte, 1);
    errno = savedErrno;
}
} // namespace

void onTerminationRequest(std::function<void()> onRequest) {
    if (g_terminationPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_terminationPipe) != 0)
        return;
    ::fcntl(g_terminationPipe[0], F_SETFL, ::fcntl(g_terminationPipe[0], F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_terminationPipe[1], QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [onRequest = std::move(onRequest)] {
                         char byte;
                         [[maybe_unused]] const ssize_t n = ::read(g_terminationPipe[1], &byte, 1);
                         onRequest();
                     });
    struct sigaction action {};
    action.sa_handler = terminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// The system waits for the program here: the signals above take the orderly way.
void onSessionEnding(std::function<void()>) {}

} // namespace kz
