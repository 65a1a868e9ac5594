// Requests from outside to end the program: SIGTERM, SIGINT and the end of the
// user's session. Each ends it as closing the main window does, so the state
// file and the settings are written.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace morvel::qt {

class EndRequests : public QObject {
   public:
    // From now on, `end` runs on the main thread for each request.
    explicit EndRequests(std::function<void()> end);
    // Gives SIGTERM and SIGINT back their default action.
    ~EndRequests() override;

   private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace morvel::qt
