#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace termination {

namespace {
int fds[2] = {-1, -1};

void handler(int) {
    const char c = 1;
    // Only the write is safe here; the event loop does the rest.
    [[maybe_unused]] const ssize_t n = ::write(fds[0], &c, 1);
}
} // namespace

void quitOnSignals(std::function<void()> quit) {
    if (fds[0] >= 0 || !QCoreApplication::instance()) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    auto* notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(), [quit = std::move(quit)] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = ::read(fds[1], &c, 1);
        quit();
    });
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

} // namespace termination
