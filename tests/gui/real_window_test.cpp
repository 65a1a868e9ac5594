// The real program in a real X server: a second copy, the browser and full
// screen. Skipped when Xvfb or xdotool is missing.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "real_window_fixture.h"
#include "support/run_headless.h"

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

// The longest run of pure green pixels in any row of an RGB picture.
int LongestGreenRun(const std::string& rgb, int width, int height) {
    int longest = 0;
    for (int y = 0; y < height; ++y) {
        int run = 0;
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(rgb.data()) + (y * width + x) * 3;
            run = (p[0] < 40 && p[1] > 215 && p[2] < 40) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

TEST_F(RealWindow, MessageIsOnTheScreenDuringItsWait) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    morvel_ = StartMorvel({folder_ + "/roms/demo.nes"});
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    Xdotool("windowfocus --sync " + window);
    std::string where = Xdotool("getwindowgeometry " + window);
    int x = 0, y = 0;
    size_t at = where.find("Position: ");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(std::sscanf(where.c_str() + at, "Position: %d,%d", &x, &y), 2);

    // Film the window's top part, 10 pictures a second, while the message runs
    // its course: the save-state message holds the program for 700 ms.
    constexpr int kWidth = 256, kHeight = 80;
    std::string film = folder_ + "/film.rgb";
    pid_t ffmpeg = Spawn({"ffmpeg", "-loglevel", "error", "-f", "x11grab", "-framerate", "10",
                          "-video_size", std::to_string(kWidth) + "x" + std::to_string(kHeight),
                          "-i", display_ + "+" + std::to_string(x) + "," + std::to_string(y), "-t",
                          "4", "-f", "rawvideo", "-pix_fmt", "rgb24", film},
                         {});
    // Give ffmpeg time to start filming before the message.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Xdotool("key ctrl+1");
    ASSERT_EQ(WaitExit(ffmpeg, 20000), 0) << "ffmpeg could not film the screen";
    std::string pictures = ReadFileText(film);
    const size_t frameBytes = kWidth * kHeight * 3;
    ASSERT_GE(pictures.size(), 20 * frameBytes);
    // Pictures during the wait show the box's green border; the last, taken
    // after the wait, does not.
    int shown = 0;
    size_t count = pictures.size() / frameBytes;
    for (size_t i = 0; i < count; ++i)
        if (LongestGreenRun(pictures.substr(i * frameBytes, frameBytes), kWidth, kHeight) >= 150)
            ++shown;
    EXPECT_GE(shown, 3) << "the message was not on the screen during its wait";
    EXPECT_LT(LongestGreenRun(pictures.substr((count - 1) * frameBytes), kWidth, kHeight), 150);
}

}  // namespace
}  // namespace morvel::test
