// The real program in a real X server: a second copy, the browser and full
// screen. Skipped when Xvfb or xdotool is missing.
#include <sys/wait.h>

#include "real_window_fixture.h"

namespace morvel::test {
namespace {

TEST_F(RealWindow, SecondCopyExitsAndTheFirstStays) {
    morvel_ = StartMorvel();
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    pid_t second = StartMorvel({folder_ + "/roms/demo.nes"});
    EXPECT_EQ(WaitExit(second, 10000), 0);
    EXPECT_EQ(waitpid(morvel_, nullptr, WNOHANG), 0) << "the first copy ended";
    EXPECT_EQ(WindowId(), window);
}

TEST_F(RealWindow, BrowserEnterStartsTheDemoAndFullScreenComesBack) {
    morvel_ = StartMorvel();
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    Xdotool("windowfocus --sync " + window);
    // The ROM browser has the focus, on the demo: Enter starts it.
    Xdotool("key --clearmodifiers Return");
    std::string windowed = Geometry(window);
    ASSERT_FALSE(windowed.empty());
    Xdotool("key alt+Return");
    EXPECT_EQ(WaitGeometry(window, [](const std::string& g) { return g == "1024x768"; }),
              "1024x768");
    Xdotool("key alt+Return");
    EXPECT_EQ(WaitGeometry(window, [&](const std::string& g) { return g == windowed; }), windowed);
}

}  // namespace
}  // namespace morvel::test
