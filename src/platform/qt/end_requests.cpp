#include "platform/qt/end_requests.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include "core/host_os.h"

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace morvel::qt {

EndRequests::EndRequests(std::function<void()> end) {
    // The signal handler only writes to a pipe; the main loop sees it through
    // a socket notifier and ends the program between two frames, where
    // closing the window is safe.
    if (int descriptor = os::StartEndSignals(); descriptor >= 0) {
        notifier_ = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [end, descriptor] {
            os::DrainEndSignals(descriptor);
            end();
        });
    }
#if QT_CONFIG(sessionmanager)
    // The session asks its programs to save their data before it logs out.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [end](QSessionManager&) { end(); });
#endif
    connect(qApp, &QCoreApplication::aboutToQuit, this, [end] { end(); });
}

EndRequests::~EndRequests() {
    if (notifier_) os::StopEndSignals();
}

}  // namespace morvel::qt
