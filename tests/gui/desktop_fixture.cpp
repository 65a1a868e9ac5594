#include "desktop_fixture.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/run_headless.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel::test {

std::vector<std::string> DesktopTest::messages_;

namespace {
OsdDrawFunction drawOnScreen;

void RecordAndDraw(const char* text) {
    DesktopTest::messages_.push_back(text);
    drawOnScreen(text);
}
}  // namespace

std::string DemoRom() {
    return std::string(MORVEL_RUNTIME_ROMS) + "/demo.nes";
}

std::string WestonSocket(const std::string& runtimeDir) {
    return runtimeDir + "/morvel-wayland";
}

QImage WestonScreenshot(const std::string& runtimeDir) {
    // weston-screenshooter writes its picture into the folder it runs in.
    const std::string folder = runtimeDir + "/shot";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    const std::string command = "cd '" + folder + "' && XDG_RUNTIME_DIR='" + runtimeDir +
                                "' WAYLAND_DISPLAY='" + WestonSocket(runtimeDir) +
                                "' timeout 20 weston-screenshooter >/dev/null 2>&1";
    QImage shot;
    if (std::system(command.c_str()) == 0) {
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            shot.load(QString::fromStdString(entry.path().string()));
    }
    std::filesystem::remove_all(folder);
    return shot;
}

void DesktopTest::SetUp() {
    dataFolder_ = MakeTempDir();
    ASSERT_FALSE(dataFolder_.empty());
    // Each test is its own user as far as the single-instance socket goes.
    setenv("XDG_RUNTIME_DIR", dataFolder_.c_str(), 1);
    std::filesystem::create_directories(dataFolder_ + "/roms");
    messages_.clear();
}

void DesktopTest::TearDown() {
    app_.reset();
    std::filesystem::remove_all(dataFolder_);
}

void DesktopTest::Start(const std::vector<std::string>& arguments) {
    QStringList list{"morvel"};
    for (const std::string& a : arguments) list << QString::fromStdString(a);
    app_ = std::make_unique<qt::DesktopApp>(list, QString::fromStdString(dataFolder_));
    ASSERT_TRUE(app_->started());
    drawOnScreen = osdDraw;
    osdDraw = RecordAndDraw;
}

bool DesktopTest::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (!app_->RunPass()) return done();
    }
    return true;
}

bool DesktopTest::RunFrames(int frames) {
    uint64_t target = framesPresented + static_cast<uint64_t>(frames);
    return RunUntil([target] { return framesPresented >= target; });
}

void DesktopTest::RunPasses(int passes) {
    for (int i = 0; i < passes; ++i) app_->RunPass();
}

std::string DesktopTest::CopyToRoms(const std::string& path, const std::string& name) {
    std::string target = dataFolder_ + "/roms/" + name;
    std::filesystem::copy_file(path, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

bool DesktopTest::SawMessage(const std::string& text) const {
    for (const std::string& m : messages_)
        if (m == text) return true;
    return false;
}

}  // namespace morvel::test
