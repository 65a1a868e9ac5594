// A player's whole session in the real program under Xvfb, driven only by the
// keyboard: pick the demo in the ROM browser, change the picture, size, volume
// and recording quality, play, pause, save, load, take a screenshot, record,
// and quit from the menu. Then every file the program should have written is
// read back. Skipped when Xvfb or xdotool is missing.
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/save_state.h"
#include "frontend/settings.h"
#include "real_window_fixture.h"
#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.push_back(entry.path().string());
    return files;
}

TEST_F(RealWindow, PlayerSessionWritesEveryFile) {
    // A second cartridge sorts before the demo, so choosing it takes a key.
    std::filesystem::copy_file(TestRom("apu_tones"), folder_ + "/roms/apu_tones.nes");
    morvel_ = StartMorvel();
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    Xdotool("windowfocus --sync " + window);
    auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

    Xdotool("key --delay 200 Down Return");  // the demo, second in the list
    pause(500);
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
    ASSERT_EQ(states.size(), kSlotSetSize);
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
