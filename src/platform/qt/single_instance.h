// One copy per user: the first copy listens on a local socket named after the
// program; a later copy asks it to come to the front and exits.
#pragma once

#include <QObject>
#include <functional>

class QLocalServer;

namespace morvel::qt {

class SingleInstance : public QObject {
   public:
    SingleInstance();
    // True when another copy answered (and was asked to come to the front).
    bool AnotherCopyRuns();
    // Starts listening; bringToFront runs whenever a later copy knocks.
    void Listen(std::function<void()> bringToFront);

   private:
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace morvel::qt
