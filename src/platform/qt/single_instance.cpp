#include "platform/qt/single_instance.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include "core/host_os.h"

namespace morvel::qt {

namespace {
// A first copy busy with a message or a frame still answers well within this.
constexpr int kAnswerMs = 3000;
const QByteArray kKnock = "front\n";
const QByteArray kOpen = "open ";
const QByteArray kToken = "token ";
// Longer than any activation token a desktop hands out.
constexpr qsizetype kMaxToken = 1024;
// The longest knock read: a path of PATH_MAX bytes with the word before it.
constexpr qsizetype kMaxKnock = 4200;
// What the first copy says back, so a later copy knows it met the program.
const QByteArray kAnswer = "morvel front\n";

// The activation token the launcher gave this copy (Wayland's xdg-activation:
// it lets the window it names come to the front), when it is one that can go
// on a line: printable ASCII without blanks.
QByteArray LauncherToken() {
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty() || token.size() > kMaxToken) return QByteArray();
    for (char c : token)
        if (c <= ' ' || c > '~') return QByteArray();
    return token;
}

// The socket's place: a folder only this user may enter (see host_os).
QString SocketName() {
    std::string why;
    std::string name = os::InstanceSocketName(QDir::tempPath().toStdString(), why);
    if (name.empty())
        qWarning("morvel: %s; another copy of the program will not be looked for", why.c_str());
    return QString::fromStdString(name);
}
}  // namespace

SingleInstance::SingleInstance() : name_(SocketName()) {}

bool SingleInstance::AnotherCopyRuns(const QString& cartridge) {
    if (name_.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kAnswerMs)) return false;
    // The token goes on a line after the knock: a first copy that knows only
    // the knock reads its line and leaves the rest.
    QByteArray knock = cartridge.isEmpty() ? kKnock : kOpen + QFile::encodeName(cartridge) + "\n";
    QByteArray token = LauncherToken();
    if (!token.isEmpty()) knock += kToken + token + "\n";
    socket.write(knock);
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(kAnswerMs))
        answer += socket.readAll();
    socket.disconnectFromServer();
    if (answer.startsWith(kAnswer)) return true;
    // Whatever listens there is not the program (or no longer answers): this
    // copy takes the socket over and runs as the first.
    qWarning("morvel: %s did not answer as the program does; starting anyway",
             qUtf8Printable(name_));
    return false;
}

void SingleInstance::Listen(
    std::function<void(const QString& cartridge, const QByteArray& token)> knocked) {
    if (name_.isEmpty()) return;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left behind by a copy that crashed answers nobody: replace it.
    QLocalServer::removeServer(name_);
    server_->listen(name_);
    QObject::connect(server_, &QLocalServer::newConnection, this, [this, knocked] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // The knock is answered once its line is complete; one that
            // grows past any path is not the program's, and is cut off.
            auto read = [socket, knocked] {
                if (socket->property("answered").toBool()) return;
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > kMaxKnock) socket->abort();
                    return;
                }
                QByteArray line = socket->readLine(kMaxKnock);
                if (line.endsWith('\n')) line.chop(1);
                // The token sent with the knock arrives with it.
                QByteArray token;
                if (socket->canReadLine()) {
                    token = socket->readLine(kToken.size() + kMaxToken + 1).trimmed();
                    token = token.startsWith(kToken) ? token.mid(kToken.size()) : QByteArray();
                }
                socket->setProperty("answered", true);
                socket->write(kAnswer);
                socket->flush();
                knocked(
                    line.startsWith(kOpen) ? QFile::decodeName(line.mid(kOpen.size())) : QString(),
                    token);
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
            read();  // what came with the connection
        }
    });
}

QString SingleInstance::SocketPath() const {
    return server_ ? server_->fullServerName() : QString();
}

}  // namespace morvel::qt
