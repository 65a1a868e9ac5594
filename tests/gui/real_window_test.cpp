// The real program in a real X server: a second copy, the browser and full
// screen. Skipped when Xvfb or xdotool is missing.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "real_window_fixture.h"
#include "support/media_probe.h"
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
    // Holding left Ctrl and Esc, or left Alt and Tab, also leaves full screen.
    for (const char* keys : {"Control_L Escape", "Alt_L Tab"}) {
        Xdotool("key alt+Return");
        ASSERT_EQ(WaitGeometry(window, [](const std::string& g) { return g == "1024x768"; }),
                  "1024x768");
        Xdotool(std::string("keydown ") + keys + " sleep 0.3 keyup " + keys);
        EXPECT_EQ(WaitGeometry(window, [&](const std::string& g) { return g == windowed; }),
                  windowed)
            << keys;
    }
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
    int x = 0, y = 0;
    ASSERT_TRUE(Position(window, x, y));

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

// On a screen of twice the density the window keeps its size in logical
// pixels, and Dot by Dot shows each console pixel as a block of 2 x 2 device
// pixels of its own colour: no blur.
TEST_F(RealWindow, DotByDotStaysCrispOnADenseScreen) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    // The demo's title stays still, so any frame of it is the headless one.
    std::string shot = folder_ + "/title.bmp";
    ASSERT_EQ(
        RunHeadless({"--frames", "60", "--screenshot", shot, folder_ + "/roms/demo.nes"}).exitCode,
        0);
    std::vector<uint8_t> title = ScreenshotRecordedPartAsRgb(shot, 8);  // rows 8-231
    ASSERT_EQ(title.size(), 256u * 224 * 3);

    extraEnv_ = {"QT_SCALE_FACTOR=2"};
    morvel_ = StartMorvel({folder_ + "/roms/demo.nes"});
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    std::string geometry = WaitGeometry(window, [](const std::string& g) { return !g.empty(); });
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(geometry.c_str(), "%dx%d", &width, &height), 2) << geometry;
    EXPECT_EQ(width, 512);
    ASSERT_GT(height, 448);
    int x = 0, y = 0;
    ASSERT_TRUE(Position(window, x, y));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));

    // The client area is the window's bottom 448 rows.
    std::string film = folder_ + "/window.rgb";
    pid_t ffmpeg =
        Spawn({"ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size",
               "512x448", "-i",
               display_ + "+" + std::to_string(x) + "," + std::to_string(y + height - 448),
               "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", film},
              {});
    ASSERT_EQ(WaitExit(ffmpeg, 20000), 0) << "ffmpeg could not film the screen";
    std::string grabbed = ReadFileText(film);
    ASSERT_EQ(grabbed.size(), 512u * 448 * 3);
    int wrong = 0;
    for (int row = 0; row < 448; ++row)
        for (int column = 0; column < 512; ++column)
            for (int c = 0; c < 3; ++c)
                if (static_cast<uint8_t>(grabbed[(row * 512 + column) * 3 + c]) !=
                    title[((row / 2) * 256 + column / 2) * 3 + c])
                    ++wrong;
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace morvel::test
