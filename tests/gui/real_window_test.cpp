// The real program in a real X server, as a user would start it: Xvfb with
// xdotool, a folder holding a copy of the program as its data folder and the
// demo in roms/. Skipped when Xvfb or xdotool is missing. The same on Wayland,
// in a headless weston (skipped when weston is missing).
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/frame_buffer.h"
#include "core/save_state.h"
#include "desktop_fixture.h"
#include "frontend/settings.h"
#include "platform/qt/display_widget.h"
#include "support/media_probe.h"
#include "support/run_headless.h"
#include "video/presentation.h"
#include "window_grab.h"

namespace morvel::test {
namespace {

bool HaveProgram(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Starts a program with the environment given; its process id.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            int stdoutFd = -1) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(stdoutFd >= 0 ? stdoutFd : null, 1);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits up to timeoutMs for the process to end; its exit code, or -1.
int WaitExit(pid_t pid, int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

// The sanitizer build names the leaks of the system's graphics libraries
// (tests/sanitizer/lsan.supp: Qt's Wayland platform, Mesa's GLX, which unloads
// its driver before the check) only in stacks the slow unwinder takes. In a
// process that draws through llvmpipe the slow unwinder deadlocks (its code
// compiler registers unwind tables, and the unwinder then allocates inside its
// own lock), so there the leak check is left to the in-process tests.
std::string SanitizerEnv(bool opengl) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
           (opengl ? ":detect_leaks=0" : ":fast_unwind_on_malloc=0");
}

// A process on Wayland.
std::vector<std::string> WaylandEnv(const std::string& folder) {
    return {"WAYLAND_DISPLAY=" + WestonSocket(folder), "QT_QPA_PLATFORM=wayland",
            SanitizerEnv(false)};
}

class RealWindow : public ::testing::Test {
   protected:
    void SetUp() override {
        if (wayland_ && !HaveProgram("weston")) GTEST_SKIP() << "weston missing";
        if (!wayland_ && (!HaveProgram("Xvfb") || !HaveProgram("xdotool")))
            GTEST_SKIP() << "Xvfb or xdotool missing";
        folder_ = MakeTempDir();
        std::filesystem::copy_file(MORVEL_DESKTOP_BIN, folder_ + "/morvel");
        std::filesystem::create_directories(folder_ + "/roms");
        std::filesystem::copy_file(DemoRom(), folder_ + "/roms/demo.nes");
        if (wayland_) {  // a black desktop without a panel; screenshots allowed
            std::ofstream(folder_ + "/weston.ini")
                << "[shell]\nbackground-color=0xff000000\npanel-position=none\n";
            weston_ = Spawn({"weston", "--backend=headless-backend.so", "--use-pixman",
                             "--width=1024", "--height=768", "--idle-time=0", "--debug",
                             "--config=" + folder_ + "/weston.ini", "--socket=morvel-wayland"},
                            {"XDG_RUNTIME_DIR=" + folder_});
            for (int i = 0; i < 200 && !std::filesystem::exists(WestonSocket(folder_)); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ASSERT_TRUE(std::filesystem::exists(WestonSocket(folder_))) << "weston did not start";
            return;
        }
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        xvfb_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen_,
                       "-nolisten", "tcp"},
                      {});
        close(fds[1]);
        char number[16] = {};
        ssize_t got = read(fds[0], number, sizeof number - 1);
        close(fds[0]);
        ASSERT_GT(got, 0) << "Xvfb did not start";
        display_ = ":" + std::string(number, std::strlen(number) - (number[got - 1] == '\n'));
    }
    void TearDown() override {
        for (pid_t pid : {morvel_, xvfb_, weston_}) {
            if (pid > 0) {
                kill(pid, SIGTERM);
                if (WaitExit(pid, 5000) < 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
            }
        }
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }

    pid_t StartMorvel(const std::vector<std::string>& args = {},
                      const std::vector<std::string>& env = {}) {
        std::vector<std::string> argv{folder_ + "/morvel"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> environment;
        if (wayland_) {
            environment = WaylandEnv(folder_);
            environment.insert(environment.end(),
                               {"SDL_AUDIODRIVER=dummy", "XDG_RUNTIME_DIR=" + folder_,
                                "XDG_ACTIVATION_TOKEN=from-launcher"});
        } else {
            environment = {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "SDL_AUDIODRIVER=dummy",
                           "XDG_RUNTIME_DIR=" + folder_};
        }
        const bool opengl = std::count(env.begin(), env.end(), "MORVEL_OPENGL_DISPLAY=1") > 0;
        environment.push_back(SanitizerEnv(opengl));
        environment.insert(environment.end(), env.begin(), env.end());
        return Spawn(argv, environment);
    }
    // Runs xdotool; its output.
    std::string Xdotool(const std::string& args) {
        std::string command =
            "DISPLAY=" + display_ + " timeout 20 xdotool " + args + " 2>/dev/null";
        std::string out;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[256];
            while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
            pclose(pipe);
        }
        return out;
    }
    // The main window's id, once it shows; empty when it never does.
    std::string WindowId() {
        std::string out = Xdotool("search --sync --onlyvisible --name 'morvel 0.63 x64'");
        return out.substr(0, out.find('\n'));
    }
    std::string Geometry(const std::string& window) {
        std::string out = Xdotool("getwindowgeometry " + window);
        size_t at = out.find("Geometry: ");
        return at == std::string::npos ? "" : out.substr(at + 10, out.find('\n', at) - at - 10);
    }
    // Polls the window's geometry until it matches; the last geometry seen.
    std::string WaitGeometry(const std::string& window,
                             const std::function<bool(const std::string&)>& ok) {
        std::string g;
        for (int i = 0; i < 200; ++i) {
            g = Geometry(window);
            if (ok(g)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return g;
    }

    std::string screen_ = "1024x768x24";
    std::string folder_;
    std::string display_;
    pid_t xvfb_ = -1;
    pid_t morvel_ = -1;
    bool wayland_ = false;
    pid_t weston_ = -1;
};

class OnWeston : public RealWindow {
   protected:
    OnWeston() { wayland_ = true; }
};

// Whether the screenshot shows the picture (256 x 224, RGB) pixel for pixel.
bool Shows(const QImage& screenshot, const std::vector<uint8_t>& rgb) {
    auto want = [&rgb](int i) { return qRgb(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]); };
    const QImage shot = screenshot.convertToFormat(QImage::Format_RGB32);
    int anchor = 0;  // a pixel that the black desktop does not match everywhere
    while (anchor < 256 * 224 - 1 && want(anchor) == qRgb(0, 0, 0)) ++anchor;
    for (int y = 0; y + 224 <= shot.height(); ++y) {
        for (int x = 0; x + 256 <= shot.width(); ++x) {
            if (shot.pixel(x + anchor % 256, y + anchor / 256) != want(anchor)) continue;
            int i = 0;
            while (i < 256 * 224 && shot.pixel(x + i % 256, y + i / 256) == want(i)) ++i;
            if (i == 256 * 224) return true;
        }
    }
    return false;
}

// On Wayland the program starts on its ROM browser; a second copy started
// with the demo (and a launcher's activation token) hands it over and
// leaves, and the first shows the demo's title as the headless program makes it.
TEST_F(OnWeston, SecondCopyHandsItsCartridgeToTheFirst) {
    const std::string title = folder_ + "/title.bmp";
    ASSERT_EQ(RunHeadless({"--frames", "90", "--screenshot", title, DemoRom()}).exitCode, 0);
    const std::vector<uint8_t> picture = ScreenshotRecordedPartAsRgb(title, 8);
    ASSERT_EQ(picture.size(), 256u * 224 * 3);
    std::ofstream(folder_ + "/morvel.ini") << "[Window]\r\nX=1\r\n";
    morvel_ = StartMorvel();
    for (int i = 0; i < 200 && !std::filesystem::exists(folder_ + "/morvel.instance"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QImage shot = WestonScreenshot(folder_);
    ASSERT_FALSE(shot.isNull()) << "no screenshot";
    EXPECT_FALSE(Shows(shot, picture)) << "the demo ran before it was handed over";
    EXPECT_EQ(WaitExit(StartMorvel({folder_ + "/roms/demo.nes"}), 10000), 0);
    ASSERT_EQ(waitpid(morvel_, nullptr, WNOHANG), 0) << "the first copy ended";
    bool shown = false;
    for (int i = 0; i < 20 && !shown; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        shown = Shows(WestonScreenshot(folder_), picture);
    }
    EXPECT_TRUE(shown) << "the first copy does not show the demo";
}

// This program's own in-process tests that need Wayland, in this weston.
TEST_F(OnWeston, InProcessTestsPass) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    pid_t run = Spawn({self, "--gtest_filter=DesktopTest.OnWayland*"}, WaylandEnv(folder_), 1);
    EXPECT_EQ(WaitExit(run, 120000), 0);
}

// SIGTERM and SIGINT end the program as closing its window does: the saved
// slot reaches the state file, the battery cartridge (first in the ROM
// browser) its save, counting one start per run, and the settings are written.
TEST_F(RealWindow, EndSignalsWriteTheStatesAndTheSettings) {
    std::filesystem::copy_file(TestRom("battery_counter"), folder_ + "/roms/battery_counter.nes");
    int starts = 0;
    for (int signal : {SIGTERM, SIGINT}) {
        std::filesystem::remove_all(folder_ + "/savestates");
        std::filesystem::remove(folder_ + "/morvel.ini");
        morvel_ = StartMorvel();
        std::string window = WindowId();
        ASSERT_FALSE(window.empty());
        Xdotool("windowfocus --sync " + window);
        Xdotool("key --delay 300 Return ctrl+1 sleep 1");  // the cartridge, then save slot 0
        kill(morvel_, signal);
        EXPECT_EQ(WaitExit(morvel_, 10000), 0) << signal;
        morvel_ = -1;
        const std::string save = ReadFileText(folder_ + "/saves/battery_counter.sav");
        ASSERT_EQ(save.size(), 8192u) << signal;
        EXPECT_EQ(save[0x1000], ++starts) << "the RAM of the run before came back";
        std::string states = ReadFileText(folder_ + "/savestates/battery_counter.nes.yss");
        ASSERT_EQ(states.size(), kSlotSetSize + kCycleStatePartSize) << signal;
        EXPECT_EQ(states[0], 1) << "slot 0 is not in the file";
        EXPECT_TRUE(std::filesystem::exists(folder_ + "/morvel.ini")) << signal;
    }
}

// A screen that holds the window whole at 4X, at two device pixels to the
// logical one too.
class LargeScreen : public RealWindow {
   protected:
    LargeScreen() { screen_ = "2560x2048x24"; }
};

// What the window should show of the frame: the picture the present step of
// the mode and size (0: full screen, at the largest whole multiple) hands
// over, painted by the software view's code into the device pixels it takes;
// the NES aspect ratio's filtering by QPainter's own smooth scaling.
QImage ExpectedPicture(bool aspect, int s, double ratio, QSize screen) {
    nesAspect = aspect;
    fullScreen = s == 0;
    integerScale = 1;
    SetWindowScale(s == 0 ? 1 : s);
    CreateVideoDevice();
    if (s == 0) EnterFullScreen();
    presentFunction();
    const int k = static_cast<int>(std::lround(s * ratio));
    QSize area = s == 0   ? screen
                 : aspect ? QSize(std::lround(292 * s * ratio), std::lround(224 * s * ratio))
                          : QSize(256 * k, 224 * k);
    QImage image = qt::SoftwarePicture(*LastPresentedPicture(), area, !aspect);
    ReleaseVideoObjects();
    fullScreen = 0;
    return image;
}

// The real window shows the headless program's picture of the demo's title
// through each display path, at scale factors 1, 1.5 and 2, in both modes at
// 1X-4X and in full screen at the largest whole multiple. Dot by Dot must
// match exactly: each console pixel a square of whole device pixels. The
// NES aspect ratio's linear filtering is QPainter's: the software view's
// own filter is 1 step of a channel off it (its rows carry no rounding
// error), and OpenGL weighs the texels with fixed-point weights of its own,
// which round up to 3 steps away where colours meet (Mesa's llvmpipe), so a
// shifted or wrongly scaled picture is still caught.
TEST_F(LargeScreen, WindowShowsTheHeadlessPictureThroughEachPath) {
    const std::string shot = folder_ + "/title.bmp";
    ASSERT_EQ(RunHeadless({"--frames", "90", "--screenshot", shot, DemoRom()}).exitCode, 0);
    const std::string bmp = ReadFileText(shot);
    ASSERT_EQ(bmp.size(), 54u + 256 * 240 * 4);
    std::memcpy(frameBuffer, bmp.data() + 54, 256 * 240 * 4);
    const struct {
        const char* path;
        double ratio;
        int aspectTolerance;
    } cases[] = {{"software", 1, 1}, {"software", 1.5, 1}, {"software", 2, 1},
                 {"OpenGL", 1, 3},   {"OpenGL", 1.5, 3},   {"OpenGL", 2, 3}};
    for (const auto& c : cases) {
        const bool software = c.path[0] == 's';
        std::ofstream(folder_ + "/morvel.ini")
            << "[Window]\r\nX=1\r\nLeft=0\r\nTop=0\r\n[Full Screen]\r\nInteger Scale=1\r\n";
        char factor[40];
        std::snprintf(factor, sizeof factor, "QT_SCALE_FACTOR=%g", c.ratio);
        morvel_ = StartMorvel(
            {folder_ + "/roms/demo.nes"},
            {software ? "MORVEL_SOFTWARE_DISPLAY=1" : "MORVEL_OPENGL_DISPLAY=1", factor});
        std::string window = WindowId();
        ASSERT_FALSE(window.empty());
        Xdotool("windowfocus --sync " + window);
        for (bool aspect : {false, true}) {
            Xdotool(aspect ? "key --delay 250 alt+e v n" : "key --delay 250 alt+e v d");
            for (int s = 1; s <= 5; ++s) {
                const bool full = s == 5;
                Xdotool(full ? "key alt+Return" : "key --delay 250 alt+w " + std::to_string(s));
                std::this_thread::sleep_for(std::chrono::milliseconds(900));
                const QImage shown = GrabWindow(display_, window);
                const QImage want =
                    ExpectedPicture(aspect, full ? 0 : s, c.ratio, QSize(2560, 2048));
                const PictureMatch m =
                    MatchPicture(shown, want, aspect ? c.aspectTolerance : 0, full ? 0 : 3);
                EXPECT_EQ(m.wrong, 0)
                    << c.path << " at " << c.ratio << ", " << (aspect ? "aspect " : "dot ")
                    << (full ? "full screen" : std::to_string(s) + "X")
                    << ", worst channel difference " << m.worst;
                if (full) Xdotool("keydown Control_L Escape sleep 0.3 keyup Control_L Escape");
            }
        }
        const bool mesa =
            ReadFileText("/proc/" + std::to_string(morvel_) + "/maps").find("_dri.so") !=
            std::string::npos;
        EXPECT_EQ(mesa, !software) << c.path;
        kill(morvel_, SIGTERM);
        EXPECT_EQ(WaitExit(morvel_, 10000), 0) << c.path;
        morvel_ = -1;
    }
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.push_back(entry.path().string());
    return files;
}

// A player's whole session, driven only by the keyboard: a second copy
// leaves, the demo is picked in the ROM browser, full screen and back, the
// picture, size, volume and recording quality changed, then play, pause,
// save, load, a screenshot, a recording, and Exit from the menu. Every file
// the program should have written is read back.
TEST_F(RealWindow, PlayerSessionWritesEveryFile) {
    // A second cartridge sorts before the demo, so choosing it takes a key.
    std::filesystem::copy_file(TestRom("apu_tones"), folder_ + "/roms/apu_tones.nes");
    morvel_ = StartMorvel();
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    // A second copy leaves at once and this one stays.
    EXPECT_EQ(WaitExit(StartMorvel({folder_ + "/roms/demo.nes"}), 10000), 0);
    ASSERT_EQ(waitpid(morvel_, nullptr, WNOHANG), 0) << "the first copy ended";
    Xdotool("windowfocus --sync " + window);
    auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

    Xdotool("key --delay 200 Down Return");  // the demo, second in the list
    pause(500);
    // Full screen by Alt + Enter, left by the task switch keys.
    std::string windowed = Geometry(window);
    Xdotool("key alt+Return");
    ASSERT_EQ(WaitGeometry(window, [](const std::string& g) { return g == "1024x768"; }),
              "1024x768");
    Xdotool("keydown Control_L Escape sleep 0.3 keyup Control_L Escape");
    EXPECT_EQ(WaitGeometry(window, [&](const std::string& g) { return g == windowed; }), windowed);
    // The NES aspect picture at 2X, the volume two steps down, High quality.
    Xdotool("key --delay 250 alt+e v n");
    Xdotool("key --delay 250 alt+w 2");
    EXPECT_EQ(WaitGeometry(window, [](const std::string& g) { return g.rfind("584x", 0) == 0; })
                  .substr(0, 4),
              "584x");
    Xdotool("key --delay 200 minus minus");
    Xdotool("key --delay 250 alt+e r r q h");

    // Play: Start leaves the title, then the ship flies right for half a second.
    Xdotool("keydown x sleep 0.2 keyup x sleep 0.5 keydown Right sleep 0.5 keyup Right");
    Xdotool("key space");  // pause; a screenshot now takes nothing
    pause(300);
    Xdotool("key ctrl+0");
    pause(300);
    Xdotool("key space");
    pause(300);
    Xdotool("key ctrl+2");  // save state 1
    pause(900);             // the message's wait
    Xdotool("keydown Left sleep 0.3 keyup Left");
    Xdotool("key 2");  // load it back
    pause(900);
    Xdotool("key ctrl+0");
    pause(900);
    Xdotool("key --delay 250 alt+e r r s");  // start recording
    Xdotool("keydown Up sleep 2 keyup Up");
    Xdotool("key --delay 250 alt+e r r t");  // stop
    pause(900);
    Xdotool("key --delay 250 alt+f e");  // exit
    int status = WaitExit(morvel_, 20000);
    if (status >= 0) morvel_ = -1;
    ASSERT_EQ(status, 0) << "the program did not exit from its menu";

    // The state file: slot 1 holds the game after the ship flew right.
    std::string states = ReadFileText(folder_ + "/savestates/demo.nes.yss");
    ASSERT_EQ(states.size(), kSlotSetSize + kCycleStatePartSize);
    StateSlot stateSlots[kStateSlots];
    std::memcpy(stateSlots, states.data(), sizeof stateSlots);
    EXPECT_EQ(stateSlots[0].occupied, 0u);
    ASSERT_EQ(stateSlots[1].occupied, 1u);
    EXPECT_EQ(stateSlots[1].cpu.cpuRam[3], 1) << "the demo was still on its title";
    EXPECT_GT(stateSlots[1].cpu.cpuRam[6], 130) << "the ship did not fly right";

    // One screenshot, the one taken while the game ran.
    std::vector<std::string> shots = FilesIn(folder_ + "/screenshots");
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(std::filesystem::path(shots[0]).filename().string().rfind("demo.nes ", 0), 0u);
    std::string bmp = ReadFileText(shots[0]);
    EXPECT_EQ(bmp.size(), 245814u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_FALSE(ScreenshotRecordedPartAsRgb(shots[0]).empty());

    // One recording, at High quality, that the players' tools read to the end.
    std::vector<std::string> videos = FilesIn(folder_ + "/videos");
    ASSERT_EQ(videos.size(), 1u);
    if (MediaToolsPresent()) {
        // Two seconds; a loaded machine may drop some frames.
        ExpectPlayableRecording(videos[0], 30, 200, 128000);
    }

    // The configuration file keeps what changed during the run.
    std::string ini = folder_ + "/morvel.ini";
    ASSERT_TRUE(std::filesystem::exists(ini));
    Settings saved = ReadSettings(ini.c_str(), WorkArea{1024, 768});
    EXPECT_EQ(saved.nesAspect, 1);
    EXPECT_EQ(saved.windowScale, 2);
    EXPECT_EQ(saved.volumeDb, -8);  // -6 dB at first, two steps of 1 dB down
    EXPECT_EQ(saved.recordQuality, 2);
    EXPECT_EQ(saved.keyMap[0], 31);  // S, for A: the keys stay the defaults
}

}  // namespace
}  // namespace morvel::test
