// The Namco 163's internal RAM is kept by the battery with the work RAM: our
// Namco 163 cartridge, with the battery bit set in its header, leaves $5A at
// $6000, $41 at $6800 and $11 $22 at internal RAM $10, and a channel's
// registers at $78-$7F.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

TEST(Namco163Battery, SaveHoldsWorkRamThenTheInternalRam) {
    const std::string dir = MakeTempDir();
    std::string rom = ReadFileText(TestRom("namco163_board"));
    ASSERT_GT(rom.size(), 16u);
    rom[6] = static_cast<char>(rom[6] | 2);  // battery
    std::ofstream(dir + "/n163.nes", std::ios::binary) << rom;
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", "--data-dir", dir, dir + "/n163.nes"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string save = ReadFileText(dir + "/saves/n163.sav");
    ASSERT_EQ(save.size(), 8192u + 128u) << "8 KB of work RAM, then 128 bytes";
    EXPECT_EQ(save[0x0000], 0x5A);
    EXPECT_EQ(save[0x0800], 0x41);
    EXPECT_EQ(save.substr(8192 + 0x10, 2), "\x11\x22") << "the bytes written through $4800";
    EXPECT_EQ(save[8192 + 0x7C], static_cast<char>(0xF0)) << "the channel's length";
}

}  // namespace
}  // namespace morvel::test
