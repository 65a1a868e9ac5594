// One copy per user: the first copy listens on a local socket named after the
// program, in a folder only the user may enter, and answers each knock; a
// later copy that gets the answer has asked it to come to the front, and to
// open the cartridge it was given, and exits.
//
// A knock is one line: "front" alone, or "open " and the cartridge's full
// path; a copy started with an activation token (XDG_ACTIVATION_TOKEN, from
// the launcher on Wayland) sends it on the next line, after "token ". The
// answer is the line "morvel front".
#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

class QLocalServer;

namespace morvel::qt {

class SingleInstance : public QObject {
   public:
    SingleInstance();
    // True when another copy answered (and was asked to come to the front
    // and to open the cartridge, when one is given as a full path); false
    // when nothing, or something that is not the program, listens.
    bool AnotherCopyRuns(const QString& cartridge = QString());
    // Starts listening; knocked runs whenever a later copy knocks, with the
    // cartridge it asks to open, or an empty path, and the activation token
    // it was started with, or an empty one.
    void Listen(std::function<void(const QString& cartridge, const QByteArray& token)> knocked);
    // The socket's full path while listening, else empty.
    QString SocketPath() const;

   private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace morvel::qt
