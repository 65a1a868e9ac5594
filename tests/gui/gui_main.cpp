// The window tests run in-process: one QApplication for the test program, the
// offscreen platform unless a display is asked for, and SDL's dummy audio.
// With MORVEL_TEST_WESTON set they run on Wayland instead, in a headless
// weston of their own (the tests that need it skip when weston is missing).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "desktop_fixture.h"
#include "support/run_headless.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string westonDir;
    pid_t weston = -1;
    if (std::getenv("MORVEL_TEST_WESTON")) {
        westonDir = morvel::test::MakeTempDir();
        weston = morvel::test::StartWeston(westonDir);
        if (weston > 0) {
            // A full path: each test has its own XDG_RUNTIME_DIR.
            setenv("WAYLAND_DISPLAY", morvel::test::WestonSocket(westonDir).c_str(), 1);
            setenv("QT_QPA_PLATFORM", "wayland", 1);
        } else {
            std::puts("weston is missing or did not start: the Wayland tests skip");
        }
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (weston > 0) kill(weston, SIGTERM), waitpid(weston, nullptr, 0);
    if (!westonDir.empty()) std::filesystem::remove_all(westonDir);
    return status;
}
