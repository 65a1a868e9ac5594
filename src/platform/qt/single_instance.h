// One copy per user: the first copy listens on a local socket named after the
// program, in a folder only the user may enter, and answers each knock; a
// later copy that gets the answer has asked it to come to the front and exits.
#pragma once

#include <QObject>
#include <functional>

class QLocalServer;

namespace morvel::qt {

class SingleInstance : public QObject {
   public:
    SingleInstance();
    // True when another copy answered (and was asked to come to the front);
    // false when nothing, or something that is not the program, listens.
    bool AnotherCopyRuns();
    // Starts listening; bringToFront runs whenever a later copy knocks.
    void Listen(std::function<void()> bringToFront);
    // The socket's full path while listening, else empty.
    QString SocketPath() const;

   private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace morvel::qt
