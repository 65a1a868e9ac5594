// Save states in-process: file sizes per board, the slot rules, refusal of
// slots and files that do not fit the loaded cartridge, and corrupted files.
#include "core/save_state.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "apu/apu.h"
#include "cart/board_probe.h"
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

TEST_F(SaveStateTest, FileSizePerBoard) {
    struct SizeCase {
        int mapper;
        uintmax_t bytes;
    };
    const SizeCase cases[] = {{0, 103312},   {2, 103312},   {1, 103368}, {4, 103552},
                              {118, 103552}, {189, 103552}, {5, 403376}, {9, 103424}};
    for (const SizeCase& c : cases) {
        FirstLoad(MakeInesImage(c.mapper, 2, 1));
        ASSERT_EQ(SaveStateSlot(1), 1) << c.mapper;
        ASSERT_EQ(WriteStateFile(), 1) << c.mapper;
        statesDirty = 0;
        EXPECT_EQ(StateFilePath(), folder + "/savestates/game.nes.yss");
        EXPECT_EQ(std::filesystem::file_size(StateFilePath()), c.bytes) << "mapper " << c.mapper;
        EXPECT_FALSE(std::filesystem::exists(StateFilePath() + "~"));
        // The next board is another cartridge: without this one's file and
        // owner record it takes the plain name again.
        std::filesystem::remove_all(folder + "/savestates");
    }
}

TEST_F(SaveStateTest, SlotRules) {
    InesImage image = MakeInesImage(0, 2, 1);
    FirstLoad(image);
    EXPECT_EQ(LoadStateSlot(0), 0) << "a slot never saved";
    EXPECT_EQ(WriteStateFile(), 0) << "nothing saved, nothing written";

    RunFrames(3);
    cpu.a = 0x11;
    ASSERT_EQ(SaveStateSlot(0), 1);
    cpu.a = 0x22;
    ASSERT_EQ(SaveStateSlot(0), 1);
    cpu.a = 0x33;
    ASSERT_EQ(LoadStateSlot(0), 1);
    EXPECT_EQ(cpu.a, 0x22) << "saving twice keeps the later capture";
    ASSERT_EQ(WriteStateFile(), 1);
    statesDirty = 0;

    // Reopening reads the file; loading only does not make the file dirty.
    FirstLoad(image);
    cpu.a = 0x44;
    ASSERT_EQ(LoadStateSlot(0), 1);
    EXPECT_EQ(cpu.a, 0x22);
    EXPECT_EQ(WriteStateFile(), 0) << "closing after only loading does not rewrite";

    // A slot from another cartridge is never restored into this one.
    FirstLoad(MakeInesImage(2, 8, 0), "other.nes");
    EXPECT_EQ(LoadStateSlot(0), 0);

    // No cartridge: nothing happens.
    ReleaseCartridge();
    EXPECT_EQ(SaveStateSlot(1), 0);
    EXPECT_EQ(LoadStateSlot(0), 0);
}

TEST_F(SaveStateTest, RestoresTheMachineExactly) {
    ASSERT_EQ(StartCartridge(TestRom("unrom_board").c_str()), 1);
    ClearStateSlots();
    SetStateFileName("unrom_board.nes");
    RunFrames(2);
    CpuBlock cpuAtSave = cpu;
    BankNumbers banksAtSave = banks;
    ASSERT_EQ(SaveStateSlot(3), 1);
    RunFrames(5);
    CpuWrite(0x8000, 3);  // switch away
    ASSERT_EQ(LoadStateSlot(3), 1);
    EXPECT_EQ(std::memcmp(&cpu, &cpuAtSave, sizeof cpu), 0);
    EXPECT_EQ(std::memcmp(&banks, &banksAtSave, sizeof banks), 0);
    EXPECT_EQ(CpuRead(0x8100), 2) << "the PRG pointers are rebuilt from the bank numbers";
}

// A slot whose bank numbers reach beyond this cartridge is refused whole.
TEST_F(SaveStateTest, RefusesSlotsBeyondTheCartridge) {
    InesImage image = MakeInesImage(2, 8, 0);
    FirstLoad(image);
    CpuWrite(0x8000, 6);
    ASSERT_EQ(SaveStateSlot(0), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    // Without its owner record the file is one of an earlier version: the
    // first cartridge of that name whose state file has its size takes it.
    std::filesystem::remove(StateFilePath() + ".owner");

    // The same file name, now a smaller image: bank 6 does not exist. A path
    // in the Windows form names the same state file.
    FirstLoad(MakeInesImage(2, 2, 0), "game.nes", "C:\\games\\");
    ASSERT_EQ(StateFilePath(), folder + "/savestates/game.nes.yss");
    cpu.a = 0x5A;
    EXPECT_EQ(LoadStateSlot(0), 0);
    EXPECT_FALSE(stateError.empty());
    EXPECT_EQ(cpu.a, 0x5A) << "nothing restored";
    EXPECT_EQ(CpuRead(0x8100), 0);
}

TEST_F(SaveStateTest, TruncatedOrOversizedFilesLoadNothing) {
    FirstLoad(MakeInesImage(1, 2, 1));
    ASSERT_EQ(SaveStateSlot(2), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    statesDirty = 0;
    std::string path = StateFilePath();
    const uintmax_t size = std::filesystem::file_size(path);
    for (uintmax_t newSize : {uintmax_t{0}, uintmax_t{100}, size - 1, size + 1}) {
        std::filesystem::copy_file(path, path + ".orig",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::resize_file(path, newSize);
        ClearStateSlots();
        EXPECT_EQ(ReadStateFile(), 0) << newSize;
        EXPECT_NE(stateError.find("nothing loaded"), std::string::npos);
        EXPECT_EQ(LoadStateSlot(2), 0) << newSize;
        std::filesystem::rename(path + ".orig", path);
    }
    EXPECT_EQ(ReadStateFile(), 1);
    EXPECT_EQ(LoadStateSlot(2), 1);
}

// A failed write leaves the previous file as it was, says why, and leaves the
// slots unwritten, so that a later write (at close) still writes them.
TEST_F(SaveStateTest, FailedWriteKeepsThePreviousFileAndTheSlotsUnwritten) {
    FirstLoad(MakeInesImage(0, 2, 1));
    ASSERT_EQ(SaveStateSlot(0), 1);
    ASSERT_EQ(WriteStateFile(), 1);
    EXPECT_EQ(statesDirty, 0u);
    const std::string path = StateFilePath(), before = ReadFileText(path);
    cpu.a ^= 0xFF;
    ASSERT_EQ(SaveStateSlot(0), 1);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(WriteStateFile(), 0);
    EXPECT_NE(stateError.find("read-only"), std::string::npos) << stateError;
    EXPECT_EQ(ReadFileText(path), before);
    EXPECT_EQ(statesDirty, 1u);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    EXPECT_EQ(WriteStateFile(), 1);
    EXPECT_TRUE(ReadFileText(path) != before);
}

// Every cartridge keeps its own slots: two cartridges of one file name (in
// different folders) get files of their own, a file refused at load is set
// aside before a new one takes its name, and moving a cartridge keeps its file.
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
    FirstLoad(first, "game.nes", "/moved/elsewhere/");
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

// Corrupted files on every board with extras: no crash, and a refused slot
// restores nothing.
TEST_F(SaveStateTest, CorruptedFilesNeverCrash) {
    std::mt19937 random(7);
    for (int mapper : {0, 1, 2, 4, 5, 9, 34, 189, 226}) {
        InesImage image = MakeInesImage(mapper, mapper == 0 ? 2 : 4, 2);
        SetVectors(image, 0x8000, 0x8000, 0x8000);
        FirstLoad(image);
        RunFrames(2);
        for (int n = 0; n < 4; ++n) ASSERT_EQ(SaveStateSlot(n), 1);
        ASSERT_EQ(WriteStateFile(), 1);
        statesDirty = 0;
        const std::string good = ReadFileText(StateFilePath());
        for (int round = 0; round < 30; ++round) {
            std::string bad = good;
            int flips = 1 + static_cast<int>(random() % 64);
            for (int i = 0; i < flips; ++i) {
                // Aim half the damage at the bank numbers and counters at the end of a slot.
                size_t slot = random() % 4;
                size_t at = (random() % 2) ? slot * sizeof(StateSlot) + 25688 + random() % 140
                                           : random() % bad.size();
                bad[at] = static_cast<char>(random());
            }
            std::ofstream(StateFilePath(), std::ios::binary | std::ios::trunc) << bad;
            ClearStateSlots();
            ASSERT_EQ(ReadStateFile(), 1);
            for (int n = 0; n < 4; ++n) {
                CpuBlock before = cpu;
                if (!LoadStateSlot(n)) {
                    EXPECT_EQ(std::memcmp(&before, &cpu, sizeof cpu), 0)
                        << "refused slot changed the CPU";
                }
                RunFrames(1);
            }
        }
        std::filesystem::remove(StateFilePath());
    }
}

// Damage no byte-flipping finds: whole fields set to values that index past a
// table, stall the machine or shift too far. Each slot is refused and the
// running game goes on untouched; the undamaged rows prove the file loads.
TEST_F(SaveStateTest, RefusesFieldsOutOfRange) {
    constexpr size_t kCpu = 12;                    // CpuBlock in a slot
    constexpr size_t kBanks = 25688;               // BankNumbers in a slot
    constexpr size_t kMmc1 = kStateSlots * 25828;  // slot 0's MMC1 extras
    struct Damage {
        const char* what;
        std::vector<std::pair<size_t, uint32_t>> words;  // file offset, value
        bool loads;
    };
    const Damage cases[] = {
        {"undamaged", {}, true},
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
        std::ofstream(StateFilePath(), std::ios::binary | std::ios::trunc) << bad;
        ClearStateSlots();
        ASSERT_EQ(ReadStateFile(), 1) << c.what;
        RunFrames(1);
        const CpuBlock cpuBefore = cpu;
        const PpuState ppuBefore = ppu;
        EXPECT_EQ(LoadStateSlot(0), c.loads ? 1 : 0) << c.what;
        EXPECT_EQ(stateError.empty(), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_EQ(std::memcmp(&cpu, &cpuBefore, sizeof cpu), 0) << c.what;
            EXPECT_EQ(std::memcmp(&ppu, &ppuBefore, sizeof ppu), 0) << c.what;
        }
        RunFrames(2);
    }
}

// The MMC1's control register, through its serial port.
void Mmc1Control(uint8_t value) {
    for (int bit = 0; bit < 5; ++bit) CpuWrite(0x8000, (value >> bit) & 1);
}

// A state brings back the nametable arrangement of the moment it was saved,
// whatever the game switched to afterwards.
TEST_F(SaveStateTest, RestoresTheNametableArrangement) {
    using Writes = void (*)();
    struct Board {
        int mapper, prgUnits, chrUnits;
        Writes arrange;  // the arrangement saved
        std::array<int, 4> pages;
        Writes rearrange;  // the one switched to before loading
    };
    const Board boards[] = {
        {7, 8, 0, [] { CpuWrite(0x8000, 0x10); }, {0, 0, 0, 0}, [] { CpuWrite(0x8000, 0); }},
        {1, 2, 1, [] { Mmc1Control(2); }, {0, 1, 0, 1}, [] { Mmc1Control(3); }},
        {4, 2, 1, [] { CpuWrite(0xA000, 0); }, {0, 1, 0, 1}, [] { CpuWrite(0xA000, 1); }},
        {118,
         2,
         8,
         [] {
             CpuWrite(0x8002, 0x00);
             CpuWrite(0x8001, 0x80);
             CpuWrite(0x8000, 0x00);
         },
         {1, 1, 0, 0},
         [] { CpuWrite(0x8000, 0x80); }},
        {5, 2, 1, [] { CpuWrite(0x5105, 0x24); }, {0, 1, 4, 0}, [] { CpuWrite(0x5105, 0x50); }},
    };
    for (const Board& b : boards) {
        FirstLoad(MakeInesImage(b.mapper, b.prgUnits, b.chrUnits));
        b.arrange();
        ASSERT_EQ(SaveStateSlot(0), 1) << b.mapper;
        b.rearrange();
        ASSERT_EQ(LoadStateSlot(0), 1) << b.mapper;
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(NametableAt(q, b.mapper == 5 ? mmc5.mmc5ExRam : nullptr), b.pages[q])
                << "mapper " << b.mapper << " quarter " << q;
    }
}

}  // namespace
}  // namespace morvel::test
