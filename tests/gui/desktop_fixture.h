// A desktop program started in-process on its own data folder, with helpers
// to drive its loop until a condition holds and to see its messages.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/desktop_app.h"

namespace morvel::test {

class DesktopTest : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program with these command-line arguments after the name.
    void Start(const std::vector<std::string>& arguments = {});

    // Runs loop passes until done() holds; false after timeoutMs without it.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000);
    // Runs until at least frames more frames were presented.
    bool RunFrames(int frames);
    // Runs passes for a while, for checks that nothing happens.
    void RunPasses(int passes);

    // Puts a copy of our test cartridge NAME into the data folder's roms/.
    std::string CopyToRoms(const std::string& path, const std::string& name);
    bool SawMessage(const std::string& text) const;

    qt::MainWindow* window() const { return app_->window(); }

    std::string dataFolder_;
    std::unique_ptr<qt::DesktopApp> app_;

   public:
    static std::vector<std::string> messages_;
};

std::string DemoRom();

// The socket of the Wayland compositor the real window tests start (weston's
// headless backend) with runtimeDir as its XDG_RUNTIME_DIR.
std::string WestonSocket(const std::string& runtimeDir);
// What that compositor shows, taken through its screenshot interface; a null
// image when it cannot be taken.
QImage WestonScreenshot(const std::string& runtimeDir);

}  // namespace morvel::test
