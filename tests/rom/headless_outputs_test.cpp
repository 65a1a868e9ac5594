// What morvel-headless writes after a run, checked on the picture cartridge,
// whose nametable at $2000 holds tile k at position k and whose sprite
// buffer at $0200 is known.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/save_state.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

// The screen text shows the nametable as ASCII; the RAM dump is CPU RAM then
// work RAM.
TEST(HeadlessOutputs, ScreenTextAndRamDump) {
    const std::string dir = MakeTempDir(), path = dir + "/ram.bin";
    HeadlessRun run = RunHeadless(
        {"--frames", "10", "--screen-text", "--dump-ram", path, TestRom("ppu_picture")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string expected;
    for (int k = 0; k < 30 * 32; ++k) {
        expected += (k & 0xFF) >= 0x20 && (k & 0xFF) <= 0x7E ? static_cast<char>(k & 0xFF) : '.';
        if (k % 32 == 31) expected += '\n';
    }
    EXPECT_EQ(run.out, expected);
    const std::string ram = ReadFileText(path);
    ASSERT_EQ(ram.size(), 10240u);
    // The first sprite of the cartridge's table, then the unused entries.
    EXPECT_EQ(ram.substr(0x200, 4), std::string("\x28\x02\x00\x03", 4));
    for (int i = 44; i < 256; ++i) EXPECT_EQ(static_cast<uint8_t>(ram[0x200 + i]), 0xFF) << i;
    // Work RAM is cleared after loading and this cartridge never writes it.
    EXPECT_EQ(ram.substr(2048), std::string(8192, '\0'));
    std::filesystem::remove_all(dir);
}

// An output that cannot be written fails the run, and an older file in its
// place is only ever replaced by a complete one: a read-only file stays as it
// was, byte for byte, and a device that refuses writes stays a device. A data
// folder whose "savestates" is a file cannot keep a saved slot.
TEST(HeadlessOutputs, UnwritableOutputFailsTheRunAndKeepsTheOldFile) {
    const std::string dir = MakeTempDir();
    const std::string old = dir + "/old";
    std::ofstream(old) << "the user's file";
    std::filesystem::permissions(old, std::filesystem::perms::owner_read);
    std::ofstream(dir + "/savestates") << "not a folder";
    std::vector<std::vector<std::string>> cases = {{"--save-state", "0@1", "--data-dir", dir}};
    for (const char* option : {"--screenshot", "--dump-ram", "--wav"})
        for (const std::string& path :
             {std::string("/nonexistent-folder/out"), dir, old, std::string("/dev/full")})
            cases.push_back({option, path});
    for (std::vector<std::string> args : cases) {
        args.insert(args.end(), {"--frames", "2", TestRom("ppu_picture")});
        HeadlessRun run = RunHeadless(args);
        EXPECT_EQ(run.exitCode, args[0] == "--wav" ? 4 : 1) << args[0] << " " << args[1];
        EXPECT_NE(run.err.find(args[0] == "--save-state" ? "states not saved" : "cannot write"),
                  std::string::npos)
            << args[0] << run.err;
    }
    EXPECT_EQ(ReadFileText(old), "the user's file");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    std::filesystem::remove_all(dir);
}

// The state file is written when the slot is saved: a run killed later keeps it.
TEST(HeadlessOutputs, SavedSlotOutlivesAKilledRun) {
    const std::string dir = MakeTempDir();
    const std::string command = std::string("timeout -s KILL 3 '") + MORVEL_HEADLESS +
                                "' --realtime --frames 100000 --save-state 3@5 --data-dir '" + dir +
                                "' '" + TestRom("ppu_picture") + "' >/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0) << "the run was to be killed";
    const std::string yss = ReadFileText(dir + "/savestates/ppu_picture.nes.yss");
    ASSERT_EQ(yss.size(), kSlotSetSize + kCycleStatePartSize);
    EXPECT_EQ(yss[3 * 25828], 1) << "slot 3 occupied";
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
