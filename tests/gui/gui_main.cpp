// The window tests run in-process: one QApplication for the test program, the
// offscreen platform unless a display is asked for, and SDL's dummy audio.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
