#include "platform/qt/end_requests.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace morvel::qt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};

// The signal handler writes one byte into this pipe and does nothing else;
// the main loop sees the byte through a socket notifier and ends the program
// between two frames, where closing the window is safe.
int signalPipe[2] = {-1, -1};

void OnEndSignal(int) {
    int saved = errno;
    char byte = 1;
    ssize_t written = write(signalPipe[1], &byte, 1);
    static_cast<void>(written);  // a full pipe already holds a request
    errno = saved;
}

}  // namespace

EndRequests::EndRequests(std::function<void()> end) {
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        signalPipe[0] = signalPipe[1] = -1;
    if (signalPipe[0] >= 0) {
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [end] {
            char bytes[16];
            while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            end();
        });
        struct sigaction action = {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : kSignals) sigaction(signal, &action, nullptr);
    }
#if QT_CONFIG(sessionmanager)
    // The session asks its programs to save their data before it logs out.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [end](QSessionManager&) { end(); });
#endif
    connect(qApp, &QCoreApplication::aboutToQuit, this, [end] { end(); });
}

EndRequests::~EndRequests() {
    if (!notifier_) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

}  // namespace morvel::qt
