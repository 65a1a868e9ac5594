// The real program in a real X server: a second copy, the browser and full
// screen. Skipped when Xvfb or xdotool is missing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "core/save_state.h"
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

// SIGTERM and SIGINT end the program as closing its window does: the saved
// slot reaches the state file and the settings are written.
TEST_F(RealWindow, EndSignalsWriteTheStatesAndTheSettings) {
    for (int signal : {SIGTERM, SIGINT}) {
        std::filesystem::remove_all(folder_ + "/savestates");
        std::filesystem::remove(folder_ + "/morvel.ini");
        morvel_ = StartMorvel();
        std::string window = WindowId();
        ASSERT_FALSE(window.empty());
        Xdotool("windowfocus --sync " + window);
        Xdotool("key --delay 300 Return ctrl+1 sleep 1");  // the demo, then save slot 0
        kill(morvel_, signal);
        EXPECT_EQ(WaitExit(morvel_, 10000), 0) << signal;
        morvel_ = -1;
        std::string states = ReadFileText(folder_ + "/savestates/demo.nes.yss");
        ASSERT_EQ(states.size(), kSlotSetSize) << signal;
        EXPECT_EQ(states[0], 1) << "slot 0 is not in the file";
        EXPECT_TRUE(std::filesystem::exists(folder_ + "/morvel.ini")) << signal;
    }
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

// The demo's still title as the headless program draws it: rows 8-231 as RGB.
std::vector<uint8_t> DemoTitle(const std::string& folder) {
    std::string shot = folder + "/title.bmp";
    if (RunHeadless({"--frames", "60", "--screenshot", shot, folder + "/roms/demo.nes"}).exitCode !=
        0)
        return {};
    return ScreenshotRecordedPartAsRgb(shot, 8);
}

class DenseScreen : public RealWindow {
   protected:
    // Starts the demo with Qt's scale factor; the client area as filmed, of
    // the width and height expected in device pixels (empty on failure).
    std::string FilmClientArea(const char* factor, int width, int height) {
        extraEnv_ = {std::string("QT_SCALE_FACTOR=") + factor};
        morvel_ = StartMorvel({folder_ + "/roms/demo.nes"});
        std::string window = WindowId();
        if (window.empty()) return {};
        std::string geometry =
            WaitGeometry(window, [](const std::string& g) { return !g.empty(); });
        int w = 0, h = 0, x = 0, y = 0;
        if (std::sscanf(geometry.c_str(), "%dx%d", &w, &h) != 2 || !Position(window, x, y))
            return {};
        EXPECT_EQ(w, width) << "the window's width in device pixels";
        if (w != width || h <= height) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        // The client area is the window's bottom rows.
        std::string film = folder_ + "/window.rgb";
        pid_t ffmpeg =
            Spawn({"ffmpeg", "-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0",
                   "-video_size", std::to_string(width) + "x" + std::to_string(height), "-i",
                   display_ + "+" + std::to_string(x) + "," + std::to_string(y + h - height),
                   "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", film},
                  {});
        if (WaitExit(ffmpeg, 20000) != 0) return {};
        std::string grabbed = ReadFileText(film);
        return grabbed.size() == static_cast<size_t>(width) * height * 3 ? grabbed : "";
    }
};

// On a screen of twice the density the window keeps its size in logical
// pixels, and Dot by Dot shows each console pixel as a block of 2 x 2 device
// pixels of its own colour.
TEST_F(DenseScreen, DotByDotDoublesEveryPixelAtTwiceTheDensity) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    std::vector<uint8_t> title = DemoTitle(folder_);
    ASSERT_EQ(title.size(), 256u * 224 * 3);
    std::string grabbed = FilmClientArea("2", 512, 448);
    ASSERT_FALSE(grabbed.empty());
    int wrong = 0;
    for (int row = 0; row < 448; ++row)
        for (int column = 0; column < 512; ++column)
            for (int c = 0; c < 3; ++c)
                if (static_cast<uint8_t>(grabbed[(row * 512 + column) * 3 + c]) !=
                    title[((row / 2) * 256 + column / 2) * 3 + c])
                    ++wrong;
    EXPECT_EQ(wrong, 0);
}

// At one and a half times the density a console pixel covers one or two
// device pixels, never part of one: the picture holds only its own colours,
// none blended between neighbours.
TEST_F(DenseScreen, DotByDotBlendsNoColoursAtAFractionalDensity) {
    if (!HaveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    std::vector<uint8_t> title = DemoTitle(folder_);
    ASSERT_EQ(title.size(), 256u * 224 * 3);
    std::set<uint32_t> own;
    for (size_t i = 0; i < title.size(); i += 3)
        own.insert(title[i] << 16 | title[i + 1] << 8 | title[i + 2]);
    ASSERT_GE(own.size(), 2u);
    std::string grabbed = FilmClientArea("1.5", 384, 336);
    ASSERT_FALSE(grabbed.empty());
    int blended = 0;
    for (size_t i = 0; i < grabbed.size(); i += 3) {
        const auto* p = reinterpret_cast<const uint8_t*>(grabbed.data() + i);
        if (!own.count(p[0] << 16 | p[1] << 8 | p[2])) ++blended;
    }
    EXPECT_EQ(blended, 0);
}

}  // namespace
}  // namespace morvel::test
