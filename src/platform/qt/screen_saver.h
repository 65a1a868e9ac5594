// Keeps the screen saver and the blanking of the screen away while a game
// runs, and lets them come back once it is paused, suspended or closed. The
// desktop is asked through the freedesktop idle inhibition interface
// (org.freedesktop.ScreenSaver on the session bus), the same on X11 and
// Wayland; where nobody offers it, through the desktop portal's Inhibit (idle).
// SDL's switch for it would do nothing here: it needs SDL's video subsystem,
// which this program does not start (Qt owns the display). Without a session
// bus, or with nobody answering on it, the game runs as before.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

namespace morvel::qt {

class ScreenSaverInhibitor : public QObject {
   public:
    ScreenSaverInhibitor() = default;
    ~ScreenSaverInhibitor() override;

    // Called once per pass of the message loop with whether a game runs; the
    // desktop is asked only when that changes, and never waited for.
    void Follow(bool running);

   private:
    void Inhibit();
    void AskPortal();
    void Release();

    bool wanted_ = false;
    bool asking_ = false;  // an Inhibit call whose answer has not come yet
    bool haveCookie_ = false;
    uint32_t cookie_ = 0;
    QString portalRequest_;  // the portal's request object while it holds
};

}  // namespace morvel::qt
