// Save states in-process: the slot rules, each cartridge's own file, and
// hostile files. (A saved slot resuming the machine exactly is checked end to
// end in tests/rom/save_state_determinism_test.cpp.)
#include "core/save_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "apu/apu.h"
#include "cart/cartridge.h"
#include "cart/mmc5.h"
#include "core/cpu.h"
#include "core/frame_loop.h"
#include "core/machine.h"
#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

class SaveStateTest : public ::testing::Test {
   protected:
    void SetUp() override {
        folder = MakeTempDir();
        PrepareSaveStates(folder.c_str());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A first load as the front end does it: forget the slots, name the file, read it.
    void FirstLoad(const InesImage& image, const char* name = "game.nes",
                   const std::string& from = "/some/folder/") {
        ASSERT_EQ(StartCartridge(WriteTempFile(image.bytes, name).c_str()), 1);
        ClearStateSlots();
        SetStateFileName((from + name).c_str());
        ReadStateFile();
    }
    static void RunFrames(int n) {
        for (int i = 0; i < n; ++i) {
            RunFrameBody();
            sampleCount = 0;
        }
    }
    std::string folder;
};

// Slots are saved and loaded only with a cartridge, a later save replaces an
// earlier one, and only saving makes the file dirty. (A failed write leaving
// the slots to the close is checked through the front end's commands.)
TEST_F(SaveStateTest, SlotRules) {
    const InesImage image = MakeInesImage(0, 2, 1);
    FirstLoad(image);
    EXPECT_EQ(LoadStateSlot(0), 0) << "a slot never saved";
    EXPECT_EQ(WriteStateFile(), 0) << "nothing saved, nothing written";
    cpu.a = 0x11;
    ASSERT_EQ(SaveStateSlot(0), 1);
    cpu.a = 0x22;
    ASSERT_EQ(SaveStateSlot(0), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    FirstLoad(image);
    ASSERT_EQ(LoadStateSlot(0), 1);
    EXPECT_EQ(cpu.a, 0x22) << "saving twice keeps the later capture";
    EXPECT_EQ(WriteStateFile(), 0) << "closing after only loading does not rewrite";

    ReleaseCartridge();
    EXPECT_EQ(SaveStateSlot(1), 0);
    EXPECT_EQ(LoadStateSlot(0), 0);
}

// Every cartridge keeps its own slots: two cartridges of one file name (in
// different folders) get files of their own, a file refused at load is set
// aside before a new one takes its name, and moving a cartridge keeps its file
// (a path in the Windows form names the same file).
TEST_F(SaveStateTest, SavingNeverDestroysOtherSlots) {
    const InesImage first = MakeInesImage(2, 2, 0), second = MakeInesImage(2, 4, 0);
    auto saveSlot = [](int n, uint8_t a) {
        cpu.a = a;
        ASSERT_EQ(SaveStateSlot(n), 1);
        ASSERT_EQ(WriteStateFile(), 1) << stateError;
    };
    auto loadsSlot = [](int n, uint8_t a) {
        cpu.a = 0;
        return LoadStateSlot(n) == 1 && cpu.a == a;
    };
    FirstLoad(first);
    saveSlot(0, 0x11);
    FirstLoad(second);
    saveSlot(1, 0x22);
    EXPECT_EQ(StateFilePath(), folder + "/savestates/game.nes (2).yss");
    FirstLoad(first, "game.nes", "C:\\moved\\");
    EXPECT_TRUE(loadsSlot(0, 0x11));
    EXPECT_EQ(LoadStateSlot(1), 0);
    FirstLoad(second);
    EXPECT_TRUE(loadsSlot(1, 0x22));

    // A damaged file loads nothing and is kept: set aside, never over an
    // earlier one set aside.
    const std::string path = StateFilePath(), aside = path + ".refused";
    for (const std::string& expected : {aside, aside + "-2"}) {
        std::filesystem::resize_file(path, 1000 + expected.size());
        FirstLoad(second);
        EXPECT_EQ(LoadStateSlot(1), 0);
        saveSlot(2, 0x33);
        EXPECT_EQ(stateFileSetAside, expected);
    }
    EXPECT_EQ(std::filesystem::file_size(aside), 1000 + aside.size());
    EXPECT_EQ(std::filesystem::file_size(aside + "-2"), 1002 + aside.size());
    FirstLoad(second);
    EXPECT_TRUE(loadsSlot(2, 0x33));
    FirstLoad(first);
    EXPECT_TRUE(loadsSlot(0, 0x11));
}

// Hostile files: a size other than the cartridge's (the whole file is refused)
// and whole fields set to values that index past a table, stall the machine or
// shift too far (the slot is refused). The running game goes on untouched;
// the undamaged rows prove the file loads.
TEST_F(SaveStateTest, RefusesFieldsOutOfRange) {
    constexpr size_t kCpu = 12;                                            // CpuBlock in a slot
    constexpr size_t kBanks = 25688;                                       // BankNumbers in a slot
    constexpr size_t kMmc1 = kStateSlots * 25828;                          // slot 0's MMC1 extras
    const size_t kVersion = kMmc1 + kStateSlots * BoardExtrasSize(1) + 4;  // its version field
    struct Damage {
        const char* what;
        std::vector<std::pair<size_t, uint32_t>> words;  // file offset, value
        bool loads;
        long resize = 0;  // bytes added to or taken from the file's end
    };
    const Damage cases[] = {
        {"undamaged", {}, true},
        {"one byte short", {}, false, -1},
        {"one byte over", {}, false, 1},
        {"only the board extras", {}, false, -long{kSlotSetSize}},
        {"written before the versioned part", {}, true, -long{kCycleStatePartSize}},
        {"versioned part of another version", {{kVersion, 99}}, false},
        {"sprite DMA under way", {{kCpu + 36, 1}, {kCpu + 40, 0x0210}, {kCpu + 44, 0x10}}, true},
        {"DMA from $20000", {{kCpu + 36, 1}, {kCpu + 40, 0x20000}}, false},
        {"DMA from $80000000", {{kCpu + 36, 1}, {kCpu + 40, 0x80000000}, {kCpu + 44, 7}}, false},
        {"DMA active $7FFFFFFF", {{kCpu + 36, 0x7FFFFFFF}}, false},
        {"DMA count $FFFFFF00", {{kCpu + 44, 0xFFFFFF00}}, false},
        {"extra cycles near 2^31", {{kCpu + 24, 0x7FFFFFF0}}, false},
        {"PPU dots done $7FFFFFFF", {{2140, 0x7FFFFFFF}}, false},
        {"PPU scanline 262", {{2132, 262}}, false},
        {"MMC1 extras $7FFFFFFF", {{kMmc1, 0x7FFFFFFF}}, false},
        {"MMC1 extras $80000000", {{kMmc1, 0x80000000}}, false},
        {"MMC1 extras $FFFFFFFF", {{kMmc1, 0xFFFFFFFF}}, false},
        {"MMC1 shift count 200", {{kMmc1, 0xC8000000}}, false},
        // 32 KB of program in 4 KB units 0-7 and 8 KB of patterns in 1 KB
        // units 0-7: the last unit fits, the next one does not.
        {"PRG bank 7 at $8000", {{kBanks + 32, 7}}, true},
        {"PRG bank 8 at $8000", {{kBanks + 32, 8}}, false},
        {"CHR bank 8 at $0000", {{kBanks + 64, 8}}, false},
    };
    InesImage image = MakeInesImage(1, 2, 1);
    SetVectors(image, 0x8000, 0x8000, 0x8000);
    FirstLoad(image);
    RunFrames(2);
    ASSERT_EQ(SaveStateSlot(0), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    statesDirty = 0;
    const std::string good = ReadFileText(StateFilePath());
    for (const Damage& c : cases) {
        std::string bad = good;
        for (auto [offset, value] : c.words) std::memcpy(&bad[offset], &value, sizeof value);
        bad.resize(bad.size() + c.resize);
        std::ofstream(StateFilePath(), std::ios::binary | std::ios::trunc) << bad;
        ClearStateSlots();
        const bool otherVersion = !c.words.empty() && c.words[0].first == kVersion;
        const bool fits = c.loads || (c.resize == 0 && !otherVersion);
        ASSERT_EQ(ReadStateFile(), fits ? 1 : 0) << c.what;
        EXPECT_EQ(stateError.find("nothing loaded") == std::string::npos, fits) << c.what;
        RunFrames(1);
        const CpuBlock cpuBefore = cpu;
        const PpuState ppuBefore = ppu;
        EXPECT_EQ(LoadStateSlot(0), c.loads ? 1 : 0) << c.what;
        // A slot refused says why; after a refused file the slot is only empty.
        EXPECT_EQ(stateError.empty(), c.loads || !fits) << c.what;
        if (!c.loads) {
            EXPECT_EQ(std::memcmp(&cpu, &cpuBefore, sizeof cpu), 0) << c.what;
            EXPECT_EQ(std::memcmp(&ppu, &ppuBefore, sizeof ppu), 0) << c.what;
        }
        RunFrames(2);
    }
}

// A record a board added later (the MMC5's sound) sits in its own part at the
// end of the file: 12 bytes of header, then 40 bytes per slot. A file from
// before it loads with the sound silent; a part of another version refuses
// the file, a damaged record the slot. $5015 shows which pulse plays: 1 as
// saved, 2 as running before the load, 0 when the record was cleared.
TEST_F(SaveStateTest, BoardRecordAddedLaterLoadsFromOlderFiles) {
    constexpr size_t kRecord = 40;
    constexpr size_t kPart = 12 + kStateSlots * kRecord;
    struct Case {
        const char* what;
        size_t cut;                // bytes taken from the end
        size_t offsetFromEnd = 0;  // a byte set to `value`, counted from the end
        uint8_t value = 0;
        bool fileLoads = true;
        int playing = 1;  // $5015 after loading slot 0
    };
    const Case cases[] = {
        {"as written", 0},
        {"written before the added record", kPart, 0, 0, true, 0},
        {"added record of another version", 0, kPart - 4, 9, false, 2},
        {"pulse step 8 in slot 0", 0, kStateSlots * kRecord - 1, 8, true, 2},
    };
    InesImage image = MakeInesImage(5, 2, 1);
    SetVectors(image, 0x8000, 0x8000, 0x8000);
    FirstLoad(image, "mmc5.nes");
    auto play = [](uint32_t base, uint8_t channels) {
        Mmc5RegisterWrite(0x5015, channels);
        Mmc5RegisterWrite(base, 0xBF);
        Mmc5RegisterWrite(base + 2, 253);
        Mmc5RegisterWrite(base + 3, 0);
    };
    play(0x5000, 1);
    RunFrames(2);
    ASSERT_EQ(SaveStateSlot(0), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    statesDirty = 0;
    const std::string good = ReadFileText(StateFilePath());
    for (const Case& c : cases) {
        std::string file = good.substr(0, good.size() - c.cut);
        if (c.offsetFromEnd) file[file.size() - c.offsetFromEnd] = static_cast<char>(c.value);
        std::ofstream(StateFilePath(), std::ios::binary | std::ios::trunc) << file;
        ClearStateSlots();
        play(0x5004, 2);
        EXPECT_EQ(ReadStateFile(), c.fileLoads ? 1 : 0) << c.what << ": " << stateError;
        EXPECT_EQ(LoadStateSlot(0), c.playing == 2 ? 0 : 1) << c.what;
        EXPECT_EQ(Mmc5RegisterRead(0x5015), c.playing) << c.what;
        RunFrames(1);
    }
}

}  // namespace
}  // namespace morvel::test
