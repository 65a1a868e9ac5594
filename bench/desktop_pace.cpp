// Measures the desktop program's pace: runs a cartridge in the real window for
// a while and prints the frames per second, the frames dropped and doubled,
// and the CPU time used, as a share of one core. Not a test: speed is
// measured, never asserted.
//
// Each frame's presentation time is taken when the display has it (the
// repaint or the buffer swap returned). The screen's refresh intervals are
// laid from the first measured frame, that frame in the middle of its
// interval. A frame presented in the same interval as the one before it was
// never shown (dropped: the later one replaced it before the refresh); an
// interval in which no frame was presented showed the previous one again
// (doubled). Through OpenGL the time is the hand-over to the drawing thread,
// and a picture it never drew because the next one replaced it counts as
// dropped too.
//
//   morvel_desktop_pace [--seconds N] [--scale S] [--aspect] [--record Q] CARTRIDGE.nes
//
// With --record the game is recorded at quality Q (0-2; the aspect mode is
// implied) and the recorder's frame counts and encoding cost are printed too.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "input/button_source.h"
#include "platform/qt/desktop_app.h"
#include "platform/qt/display_widget.h"
#include "platform/qt/main_window.h"
#include "platform/sdl/sdl_sound.h"
#include "recording/video_recorder.h"
#include "video/presentation.h"

using namespace morvel;

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Presses Start once after a second, then holds Right on and off, so a game
// leaves its title and moves.
uint8_t ScriptedPad(int port) {
    if (port != 0) return 0;
    uint64_t frame = framesPresented;
    if (frame >= 60 && frame < 70) return kButtonStart;
    return (frame / 120) % 2 ? kButtonRight : kButtonLeft;
}

using Clock = std::chrono::steady_clock;
std::vector<Clock::time_point> shownAt;
void (*showPicture)(const PresentedPicture&) = nullptr;

void ShowAndNote(const PresentedPicture& picture) {
    showPicture(picture);
    shownAt.push_back(Clock::now());
}

struct Cadence {
    int dropped = 0;
    int doubled = 0;
};

Cadence CountCadence(double refreshHz) {
    Cadence c;
    const double interval = 1.0 / refreshHz;
    int64_t last = 0;
    for (size_t i = 1; i < shownAt.size(); ++i) {
        const double since = std::chrono::duration<double>(shownAt[i] - shownAt[0]).count();
        const auto slot = static_cast<int64_t>(std::floor(since / interval + 0.5));
        if (slot == last) ++c.dropped;
        if (slot > last + 1) c.doubled += static_cast<int>(slot - last - 1);
        last = slot;
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", folder.path().toLocal8Bit());
    QApplication app(argc, argv);
    double seconds = 20;
    uint32_t scale = 1;
    bool aspect = false;
    int record = -1;
    bool fastForward = false;
    int runAhead = 0;
    const char* cartridge = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--scale") && i + 1 < argc)
            scale = static_cast<uint32_t>(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--aspect"))
            aspect = true;
        else if (!std::strcmp(argv[i], "--record") && i + 1 < argc)
            record = std::atoi(argv[++i]), aspect = true;
        else if (!std::strcmp(argv[i], "--fast-forward"))
            fastForward = true;
        else if (!std::strcmp(argv[i], "--run-ahead") && i + 1 < argc)
            runAhead = std::atoi(argv[++i]);
        else
            cartridge = argv[i];
    }
    if (!cartridge || scale < 1 || scale > 4 || seconds <= 0 || record > 2 || runAhead < 0 ||
        runAhead > 3) {
        std::fprintf(stderr,
                     "usage: morvel_desktop_pace [--seconds N] [--scale S] [--aspect] [--record Q] "
                     "[--fast-forward] [--run-ahead K] CART.nes\n");
        return 2;
    }
    qt::DesktopApp desktop({"morvel", cartridge}, folder.path());
    if (!desktop.started() || desktop.failed() || !romLoaded) return 1;
    buttonSource = ScriptedPad;
    RunCommand(aspect ? kCmdNesAspect : kCmdDotByDot);
    RunCommand(scale == 1   ? kCmdScale1
               : scale == 2 ? kCmdScale2
               : scale == 3 ? kCmdScale3
                            : kCmdScale4);
    // The menu's fast-forward toggle (at the limit of the settings, 4X by
    // default) and run-ahead.
    if (fastForward) RunCommand(kCmdFastForward);
    RunCommand(kCmdRunAhead0 + static_cast<uint32_t>(runAhead));
    // Settle for a second, then measure.
    auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < settle) desktop.RunPass();
    if (record >= 0) {
        recordQuality = record;
        RunCommand(kCmdRecordStart);
        if (!RecorderActive()) {
            std::fprintf(stderr, "the recording did not start\n");
            return 1;
        }
    }
    showPicture = videoHost.show;
    videoHost.show = ShowAndNote;
    shownAt.reserve(static_cast<size_t>(seconds * 70) + 16);
    uint64_t frames0 = framesPresented;
    const uint64_t replaced0 = qt::CurrentMainWindow()->display()->PicturesReplaced();
    uint64_t underruns0 = sdl::SoundUnderruns();
    double cpu0 = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end)
        if (!desktop.RunPass()) break;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double fps = static_cast<double>(framesPresented - frames0) / wall;
    const double cpu = 100.0 * (CpuSeconds() - cpu0) / wall;
    videoHost.show = showPicture;
    const double refresh = QGuiApplication::primaryScreen()->refreshRate();
    Cadence cadence = CountCadence(refresh);
    cadence.dropped +=
        static_cast<int>(qt::CurrentMainWindow()->display()->PicturesReplaced() - replaced0);
    std::printf(
        "mode: %s %ux, %s display, %.0f Hz screen\nfps: %.2f\nframes: %zu, %d dropped, %d "
        "doubled\ncpu: %.1f%% of one core\n",
        aspect ? "aspect" : "dot", scale, qPrintable(qt::DisplayPathName()), refresh, fps,
        shownAt.size(), cadence.dropped, cadence.doubled, cpu);
    std::printf("sound underruns: %llu\n",
                static_cast<unsigned long long>(sdl::SoundUnderruns() - underruns0));
    if (record >= 0) {
        RunCommand(kCmdRecordStop);
        RecorderStatistics stats = RecorderStats();
        std::printf(
            "recorded: %u frames handed over, %u dropped, %u written, %u sound blocks\n"
            "encoding: %.2f ms picture + %.2f ms sound per frame\n",
            stats.framesHandedOff, stats.framesDropped, stats.framesWritten,
            stats.soundBlocksWritten, 1000.0 * stats.videoSeconds / stats.framesWritten,
            1000.0 * stats.soundSeconds / stats.soundBlocksWritten);
    }
    return 0;
}
