#include "platform/qt/termination_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace qm {

namespace {

// A signal handler may only write to a file; the event loop reads the other end.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(g_signalPipe[0], &byte, 1);
}

} // namespace

void OnTerminationSignals(std::function<void()> handler) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [handler = std::move(handler)] {
        char byte;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[1], &byte, 1);
        handler();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

} // namespace qm
