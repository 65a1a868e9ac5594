// Start-up, the message loop and shut-down of the desktop program, in steps a
// test can drive one at a time.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "frontend/commands.h"

namespace morvel::qt {

class EndRequests;
class MainWindow;
class ScreenSaverInhibitor;
class SingleInstance;

class DesktopApp {
   public:
    // Start-up in order: single instance, window, folders, ROM list, window
    // size, sound, controllers, the command-line cartridge. started() is false
    // when another copy was found.
    // dataFolder, when given, replaces the folder chosen from the executable's.
    explicit DesktopApp(const QStringList& arguments, const QString& dataFolder = QString());
    ~DesktopApp();

    bool started() const { return window_ != nullptr; }
    // Start-up failed after the window was made (the reason was shown).
    bool failed() const { return startFailed_; }
    MainWindow* window() const { return window_.get(); }

    // One pass: the pending window events, then one frame while a game runs,
    // else a 16 ms sleep. False once the window was closed.
    bool RunPass();
    int Run();

   private:
    // Holds the game while a menu or a modal dialog is open, and lets it go on
    // when the last one closes.
    void HoldWhile(bool menuOrDialogOpen);

    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<EndRequests> endRequests_;
    std::unique_ptr<ScreenSaverInhibitor> screenSaver_;
    bool startFailed_ = false;
    bool held_ = false;
    std::string handedOver_;  // the cartridge a later copy asked to open
    DialogHost defaultDialogHost;
};

}  // namespace morvel::qt
