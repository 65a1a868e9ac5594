// The front end's rules without a window, as the desktop and the headless
// program drive them: the commands, the ROM list scan, the command line's
// quotes, the focus states, the state file and the recording commands.
#include "frontend/front_end.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "apu/apu.h"
#include "core/file_name.h"
#include "core/frame_loop.h"
#include "core/save_state.h"
#include "frontend/commands.h"
#include "frontend/data_folder.h"
#include "frontend/recording_commands.h"
#include "frontend/rom_list.h"
#include "frontend/settings.h"
#include "recording/video_recorder.h"
#include "support/run_headless.h"
#include "support/temp_folder.h"
#include "support/test_machine.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel {
namespace {

std::vector<std::string> shown;

void ListenToMessages() {
    shown.clear();
    osdDraw = [](const char* text) { shown.push_back(text); };
    osdWait = [](uint32_t) {};
}

std::string Shown() {
    std::string all;
    for (const std::string& text : shown) all += (all.empty() ? "" : "|") + text;
    shown.clear();
    return all;
}

void WriteImage(const std::string& path, int mapper) {
    const std::vector<uint8_t> bytes = test::MakeInesImage(mapper, 1, 1).bytes;
    test::WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

TEST(RomList, ScanListsBoardsAndSelectsTheFirst) {
    exeDir = test::MakeTempDir();
    PrepareRomFolder();
    ASSERT_TRUE(std::filesystem::is_directory(exeDir + "/roms"));
    FillRomList();
    EXPECT_TRUE(romList.empty());
    EXPECT_TRUE(currentRomPath.empty());

    WriteImage(romFolder + "/unrom.nes", 2);
    WriteImage(romFolder + "/odd.NES", 255);  // a mapper no board here takes
    WriteImage(romFolder + "/Tetris.nes", 1);
    std::ofstream(romFolder + "/notes.txt") << "not a cartridge";
    // A FIFO named like an image is listed as unknown, never waited on.
    ASSERT_EQ(mkfifo((romFolder + "/pipe.nes").c_str(), 0600), 0);
    {
        test::Watchdog watchdog("scanning a folder with a FIFO");
        FillRomList();
    }
    // In the order of the names, letter case aside; each file keeps its own
    // name, as on Linux the letter case matters.
    const std::tuple<const char*, const char*, const char*, bool> expected[] = {
        {"odd", "--------", "/odd.NES", false},
        {"pipe", "--------", "/pipe.nes", false},
        {"Tetris", "MMC 1", "/Tetris.nes", true},
        {"unrom", "UNROM", "/unrom.nes", true},
    };
    ASSERT_EQ(romList.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const auto& [name, board, file, supported] = expected[i];
        EXPECT_EQ(romList[i].name, name);
        EXPECT_EQ(romList[i].board, board) << name;
        EXPECT_EQ(romList[i].path, romFolder + file);
        EXPECT_EQ(romList[i].supported, supported) << name;
    }
    EXPECT_EQ(currentRomPath, romList[0].path);
    TakeSelectedRom(1);
    EXPECT_EQ(currentRomPath, romList[1].path);
    TakeSelectedRom(7);
    EXPECT_TRUE(currentRomPath.empty());
    std::filesystem::remove_all(exeDir);
}

// A file that cannot be read says so; one that was read but names no board of
// this program is refused as such.
TEST(FrontEnd, RefusedCartridgeSaysWhy) {
    test::TempFolder folder;
    const std::string fifo = folder.File("fifo.nes"), unsupported = folder.File("m255.nes");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteImage(unsupported, 255);
    ListenToMessages();
    const std::pair<std::string, const char*> cases[] = {
        {folder.File("missing.nes"), "ROM NOT READABLE"},
        {fifo, "ROM NOT READABLE"},
        {folder.path().string(), "ROM NOT READABLE"},
        {unsupported, "MAPPER NOT SUPPORTED"},
    };
    test::Watchdog watchdog("opening a special cartridge file");
    for (const auto& [path, message] : cases) {
        EXPECT_EQ(OpenCartridge(path.c_str()), 0) << path;
        EXPECT_EQ(Shown(), message) << path;
    }
    EXPECT_FALSE(romLoaded);
}

// A cartridge whose first instruction halts the CPU: frames go on and the
// message comes once, and once more after a reset.
TEST(FrontEnd, HaltedCpuSaysSoOnce) {
    test::TempFolder folder;
    PrepareSaveStates(folder.path().c_str());
    test::InesImage image = test::MakeInesImage(0, 1, 1);
    image.prg()[0] = 0x02;
    test::SetVectors(image, 0x8000, 0x8000, 0x8000);
    const std::string rom = folder.File("halt.nes");
    test::WriteBytes(rom, std::string(image.bytes.begin(), image.bytes.end()));
    ListenToMessages();
    ASSERT_EQ(OpenCartridge(rom.c_str()), 1);
    for (uint32_t command : {0u, uint32_t{kCmdReset}}) {
        Shown();
        RunCommand(command);
        for (int frame = 0; frame < 3; ++frame) RunGameFrame();
        EXPECT_EQ(Shown(), "CPU HALTED: PRESS RESET") << command;
    }
    CloseCartridge();
}

TEST(FrontEnd, FocusStates) {
    struct Case {
        uint32_t loaded, running;  // before the focus goes
        uint32_t closeMeanwhile;   // the cartridge is closed while away
        uint32_t runningAfter;     // when the focus is back
    };
    const Case cases[] = {
        {1, 1, 0, 1},  // running: suspended, then resumed
        {1, 0, 0, 0},  // paused stays paused
        {0, 0, 0, 0},  // nothing loaded
        {1, 1, 1, 0},  // closed while away: nothing to run
    };
    for (const Case& c : cases) {
        romLoaded = c.loaded;
        emuRunning = c.running;
        WindowFocusLost();
        EXPECT_EQ(emuRunning, 0u);
        if (c.closeMeanwhile) romLoaded = 0;
        WindowFocusGained();
        EXPECT_EQ(emuRunning, c.runningAfter);
    }
    romLoaded = emuRunning = 0;
}

// A saved slot is written to the state file at once; a write that fails says
// so and leaves the slots to the close, which writes them once it can. A file
// refused at load is set aside before it is replaced.
// The menu commands on a running game, one after the other: what each changes
// and the messages it shows.
TEST(FrontEnd, CommandsOnARunningGame) {
    test::TempFolder folder;
    PrepareSaveStates(folder.path().c_str());
    PrepareVideos(folder.path().c_str());
    const std::string rom = folder.File("game.nes");
    WriteImage(rom, 0);
    ListenToMessages();
    ASSERT_EQ(OpenCartridge(rom.c_str()), 1);
    SetVolumeDb(7);
    soundMuted = 0;
    Shown();
    struct Step {
        uint32_t command;
        uint32_t running, pauseCheck, recording, aspect, scale;
        int32_t db;
        uint32_t muted, full, loaded;
        const char* messages;
    };
    // clang-format off
    const Step steps[] = {
        // command               run chk rec asp sc dB mut full ld
        {kCmdScale3,               1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdPause,                0, 1, 0, 0, 3, 7, 0, 0, 1, "EMU PAUSED"},
        {kCmdNesAspect,            0, 1, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdRecordStart,          0, 1, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdScreenshot,           0, 1, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdPause,                1, 0, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdVolumeUp,             1, 0, 0, 1, 3, 8, 0, 0, 1, ""},
        {kCmdVolumeUp,             1, 0, 0, 1, 3, 8, 0, 0, 1, ""},
        {kCmdVolumeDown,           1, 0, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdMute,                 1, 0, 0, 1, 3, 7, 1, 0, 1, ""},
        {kCmdMute,                 1, 0, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdDotByDot,             1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdRecordStart,          1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdNesAspect,            1, 0, 0, 1, 3, 7, 0, 0, 1, ""},
        {kCmdRecordStart,          1, 0, 1, 1, 3, 7, 0, 0, 1, "RECORDING VIDEO"},
        {kCmdRecordStart,          1, 0, 1, 1, 3, 7, 0, 0, 1, ""},
        {kCmdDotByDot,             1, 0, 0, 0, 3, 7, 0, 0, 1, "STOP RECORDING VIDEO"},
        {kCmdRecordStop,           1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdFullScreen,           1, 0, 0, 0, 3, 7, 0, 1, 1, ""},
        {kCmdCloseRom,             1, 0, 0, 0, 3, 7, 0, 1, 1, ""},
        {kCmdFullScreen,           1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdLoadState0 + 2,       1, 0, 0, 0, 3, 7, 0, 0, 1, ""},
        {kCmdSaveState0 + 2,       1, 0, 0, 0, 3, 7, 0, 0, 1, "SAVED N\u00BA -> 2"},
        {kCmdLoadState0 + 2,       1, 0, 0, 0, 3, 7, 0, 0, 1, "LOADED STATE N\u00BA -> 2"},
        {kCmdSaveState0,           1, 0, 0, 0, 3, 7, 0, 0, 1, "SAVED N\u00BA -> 0"},
        {kCmdScale1,               1, 0, 0, 0, 1, 7, 0, 0, 1, ""},
        {kCmdCloseRom,             0, 1, 0, 0, 1, 7, 0, 0, 0, "EMU PAUSED"},
        {kCmdPause,                0, 1, 0, 0, 1, 7, 0, 0, 0, ""},
        {kCmdFullScreen,           0, 1, 0, 0, 1, 7, 0, 0, 0, ""},
        {kCmdSaveState0,           0, 1, 0, 0, 1, 7, 0, 0, 0, ""},
        {kCmdLoadState0,           0, 1, 0, 0, 1, 7, 0, 0, 0, ""},
        {kCmdNesAspect,            0, 1, 0, 1, 1, 7, 0, 0, 0, ""},
        {kCmdRecordStart,          0, 1, 0, 1, 1, 7, 0, 0, 0, ""},
    };
    // clang-format on
    for (const Step& s : steps) {
        RunCommand(s.command);
        const std::vector<uint32_t> state = {
            emuRunning, pauseChecked, recording,
            nesAspect,  windowScale,  static_cast<uint32_t>(volumeDb),
            soundMuted, fullScreen,   romLoaded};
        const std::vector<uint32_t> expected = {
            s.running, s.pauseCheck, s.recording, s.aspect, s.scale, static_cast<uint32_t>(s.db),
            s.muted,   s.full,       s.loaded};
        ASSERT_EQ(state, expected) << "command " << s.command << " at step " << (&s - steps);
        EXPECT_EQ(Shown(), s.messages) << "command " << s.command << " at step " << (&s - steps);
    }
    SetVolumeDb(-35);
    RunCommand(kCmdVolumeDown);
    RunCommand(kCmdVolumeDown);
    EXPECT_EQ(volumeDb, -36);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("videos")), {}), 1);
}

TEST(FrontEnd, SavedSlotsReachTheStateFile) {
    namespace fs = std::filesystem;
    test::TempFolder folder;
    PrepareSaveStates(folder.path().c_str());
    ListenToMessages();
    const std::string rom = folder.File("game.nes"), yss = folder.File("savestates/game.nes.yss");
    WriteImage(rom, 0);
    ASSERT_EQ(OpenCartridge(rom.c_str()), 1);
    RunCommand(kCmdSaveState0 + 1);
    ASSERT_TRUE(fs::exists(yss));
    EXPECT_EQ(test::ReadBytes(yss)[1 * sizeof(StateSlot)], 1) << "slot 1 occupied";

    fs::permissions(yss, fs::perms::owner_read);
    shown.clear();
    RunCommand(kCmdSaveState0 + 2);
    EXPECT_EQ(test::ReadBytes(yss)[2 * sizeof(StateSlot)], 0);
    fs::permissions(yss, fs::perms::owner_all);
    CloseCartridge();
    EXPECT_EQ(test::ReadBytes(yss)[2 * sizeof(StateSlot)], 1) << "written at close";

    fs::resize_file(yss, 100);
    ASSERT_EQ(OpenCartridge(rom.c_str()), 1);
    RunCommand(kCmdSaveState0);
    CloseCartridge();
    EXPECT_EQ(fs::file_size(yss + ".refused"), 100u);
    const std::vector<std::string> expected = {
        "SAVED N\u00BA -> 2", "STATES NOT SAVED",      "EMU PAUSED", "STATES SAVED",
        "SAVED N\u00BA -> 0", "STATES FILE SET ASIDE", "EMU PAUSED"};
    EXPECT_EQ(shown, expected);
}

TEST(RecordingCommands, QualityKeepsOnlyTheThreeChoices) {
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},  {1, 1}, {2, 2},
                                                 {-1, 1}, {3, 1}, {0x7FFFFFFF, 1}};
    for (const auto& [chosen, kept] : cases) {
        recordQuality = settings.recordQuality = 1;
        SetRecordQuality(chosen);
        EXPECT_EQ(recordQuality, kept) << chosen;
        EXPECT_EQ(settings.recordQuality, kept) << chosen;  // what the file keeps
    }
}

// A file the system stops growing (here by the file size limit, as a full
// disk would) is reported at Stop: cut short after some frames, or not saved
// when not one frame fit; the game runs on.
TEST(RecordingCommands, StopSaysWhenTheFileIsIncomplete) {
    test::TempFolder folder;
    PrepareVideos(folder.path().c_str());
    const std::string rom = folder.File("game.nes");
    WriteImage(rom, 0);
    ListenToMessages();
    ASSERT_EQ(OpenCartridge(rom.c_str()), 1);
    RunCommand(kCmdNesAspect);
    SetRecorderWaitsForWorker(true);
    for (const auto& [limit, message, files] :
         {std::tuple<rlim_t, const char*, int>{64 * 1024, "VIDEO FILE INCOMPLETE", 1},
          {4 * 1024, "VIDEO NOT SAVED", 0}}) {
        std::filesystem::remove_all(folder.File("videos"));
        std::filesystem::create_directory(folder.File("videos"));
        rlimit original{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
        rlimit small = original;
        small.rlim_cur = limit;
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        RunCommand(kCmdRecordStart);
        for (int frame = 0; frame < 600 && !RecorderStats().failed; ++frame) frameFunction();
        Shown();
        RunCommand(kCmdRecordStop);
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_EQ(Shown(), message);
        EXPECT_EQ(recording, 0u);
        EXPECT_EQ(emuRunning, 1u);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("videos")), {}),
                  files);
    }
    SetRecorderWaitsForWorker(false);
    CloseCartridge();
}

}  // namespace
}  // namespace morvel
