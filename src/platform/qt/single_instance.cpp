#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

namespace morvel::qt {

namespace {
constexpr int kAnswerMs = 1000;
const char kKnock[] = "front\n";

// The socket's place: the user's runtime folder when there is one (private to
// the user), else the temporary folder under a name that carries the user id.
QString SocketName() {
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) return QString::fromLocal8Bit(runtime) + "/morvel.instance";
    return QString("morvel-%1.instance").arg(getuid());
}
}  // namespace

SingleInstance::SingleInstance() : name_(SocketName()) {}

bool SingleInstance::AnotherCopyRuns() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kAnswerMs)) return false;
    socket.write(kKnock);
    socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::Listen(std::function<void()> bringToFront) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a copy that crashed answers nobody: replace it.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    QObject::connect(server_, &QLocalServer::newConnection, this, [this, bringToFront] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            bringToFront();
        }
    });
}

}  // namespace morvel::qt
