// Our board cartridges check their board's registers from the CPU side and
// report through the $6000 protocol; the MMC5 and MMC2 ones then draw a
// picture that only the board's rendering behaviour can produce.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr uint32_t kRed = 0xDB2B00;    // palette entry $16
constexpr uint32_t kGreen = 0x00AB00;  // palette entry $1A
constexpr uint32_t kBlack = 0x000000;  // palette entry $0F

// Runs a cartridge to its result; returns the last frame as a 32-bit top-down
// screenshot (54 bytes of headers, then B, G, R, 0 per pixel).
std::string RunToResult(const std::string& rom) {
    std::string shot = MakeTempDir() + "/" + rom + ".bmp";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", "--screenshot", shot, TestRom(rom)});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    return ReadFileText(shot);
}

struct Pixel {
    int x, y;
    uint32_t colour;
    const char* what;
};

void ExpectPixels(const std::string& shot, std::initializer_list<Pixel> pixels) {
    ASSERT_EQ(shot.size(), 54u + 256 * 240 * 4);
    for (const Pixel& p : pixels) {
        const size_t o = 54 + (static_cast<size_t>(p.y) * 256 + p.x) * 4;
        const uint32_t seen = uint32_t(uint8_t(shot[o + 2])) << 16 |
                              uint32_t(uint8_t(shot[o + 1])) << 8 | uint8_t(shot[o]);
        EXPECT_EQ(seen, p.colour) << p.what << " at " << p.x << "," << p.y;
    }
}

class BoardCartridge : public ::testing::TestWithParam<const char*> {};

TEST_P(BoardCartridge, Passes) {
    RunToResult(GetParam());
}

INSTANTIATE_TEST_SUITE_P(SimpleBoards, BoardCartridge,
                         ::testing::Values("nrom_board", "unrom_board", "cnrom_board",
                                           "aorom_board", "bxrom_board", "mapper58_board",
                                           "mapper226_board"));

INSTANTIATE_TEST_SUITE_P(DiscreteBoards, BoardCartridge,
                         ::testing::Values("color_dreams_board", "cprom_board", "gxrom_board",
                                           "bandai70_board", "bandai152_board", "camerica_board",
                                           "camerica_plain_board", "nina03_board", "jaleco87_board",
                                           "jaleco140_board", "sunsoft1_board", "chr_lock_board",
                                           "chr_lock_plain_board", "action52_board"));
INSTANTIATE_TEST_SUITE_P(VrcBoards, BoardCartridge,
                         ::testing::Values("vrc4a_board", "vrc4c_board", "vrc4_21_board",
                                           "vrc4f_board", "vrc4e_board", "vrc4_23_board",
                                           "vrc4b_board", "vrc4d_board", "vrc4_25_board",
                                           "vrc2a_board", "vrc2b_board", "vrc3_board"));
INSTANTIATE_TEST_SUITE_P(Vrc7Boards, BoardCartridge,
                         ::testing::Values("vrc7_board", "vrc7b_board"));

TEST(Mmc5Cartridge, ExtendedAttributesUntilTheScanlineInterrupt) {
    ExpectPixels(RunToResult("mmc5_board"),
                 {
                     {40, 0, kRed, "ExRAM: CHR bank 0, palette 0 on the left"},
                     {200, 0, kGreen, "ExRAM: CHR bank 1, palette 1 on the right"},
                     {40, 100, kRed, "upper half, left"},
                     {200, 100, kGreen, "upper half, right"},
                     {255, 119, kGreen, "the line before the target line is untouched"},
                     {200, 121, kRed, "after the interrupt the nametable's tile and attribute"},
                     {40, 180, kRed, "lower half, left"},
                     {200, 239, kRed, "lower half, right"},
                 });
}

TEST(Mmc2Cartridge, TileFdAndFeSwitchTheBankWithinALine) {
    const std::string shot = RunToResult("mmc2_board");
    for (int y : {0, 57, 239}) {
        ExpectPixels(shot, {
                               {0, y, kRed, "tile 1 from the $FE bank"},
                               {63, y, kRed, "tile 1 from the $FE bank"},
                               {64, y, kBlack, "tile $FD"},
                               {72, y, kGreen, "tile 1 from the $FD bank after tile $FD"},
                               {127, y, kGreen, "tile 1 from the $FD bank"},
                               {128, y, kBlack, "tile $FE"},
                               {136, y, kRed, "tile 1 from the $FE bank after tile $FE"},
                               {255, y, kRed, "tile 1 from the $FE bank"},
                           });
    }
}

}  // namespace
}  // namespace morvel::test
