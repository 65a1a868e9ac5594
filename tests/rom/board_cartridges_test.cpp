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

INSTANTIATE_TEST_SUITE_P(
    Boards, BoardCartridge,
    ::testing::Values("nrom_board", "unrom_board", "cnrom_board", "aorom_board", "bxrom_board",
                      "mapper58_board", "mapper226_board", "color_dreams_board", "cprom_board",
                      "gxrom_board", "bandai70_board", "bandai152_board", "camerica_board",
                      "camerica_plain_board", "nina03_board", "jaleco87_board", "jaleco140_board",
                      "sunsoft1_board", "chr_lock_board", "chr_lock_plain_board", "action52_board",
                      "vrc4a_board", "vrc4c_board", "vrc4_21_board", "vrc4f_board", "vrc4e_board",
                      "vrc4_23_board", "vrc4b_board", "vrc4d_board", "vrc4_25_board", "vrc2a_board",
                      "vrc2b_board", "vrc3_board", "fme7_board", "vrc6_board", "vrc6b_board",
                      "namco163_board", "irem_h3001_board", "jaleco_ss88006_board",
                      "bandai_fcg0_board", "bandai_fcg4_board", "bandai_fcg5_board",
                      "bandai_lz93d50_board", "rambo1_board", "taito_tc0690_board", "mmc4_board",
                      "vrc1_board", "namco108_board", "taito_x1005_board", "irem_g101_board",
                      "irem_g101_ml_board", "taito_tc0190_board", "sunsoft4_board",
                      "namco175_board", "namco175_n175_board", "namco175_any_board", "vrc7_board",
                      "vrc7b_board"),
    [](const auto& info) { return std::string(info.param); });

// The Bandai cartridges' EEPROMs are their battery files, the chip's bytes
// at their addresses: what the cartridge wrote through the two-wire protocol
// (the 24C02's nine bytes from $20, the ninth over $20; the 24C01's five from
// 4, the fifth over 4) lies there in the order the datasheets give.
TEST(BandaiCartridge, TheEepromIsTheBatteryFile) {
    struct Byte {
        const char* rom;
        size_t fileSize, address;
        uint8_t value;
    };
    for (const Byte& b :
         {Byte{"bandai_fcg0_board", 256, 0x20, 0x99}, Byte{"bandai_fcg5_board", 256, 0x27, 0x88},
          Byte{"bandai_lz93d50_board", 128, 4, 0x55}, Byte{"bandai_lz93d50_board", 128, 7, 0x44}}) {
        const std::string dir = MakeTempDir();
        HeadlessRun run =
            RunHeadless({"--until-result", "--frames", "600", "--data-dir", dir, TestRom(b.rom)});
        ASSERT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
        const std::string save = ReadFileText(dir + "/saves/" + b.rom + ".sav");
        ASSERT_EQ(save.size(), b.fileSize) << b.rom;
        EXPECT_EQ(uint8_t(save[b.address]), b.value) << b.rom << " at " << b.address;
    }
}

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

// The X1-005's battery keeps the chip's 128 bytes and nothing else: the
// cartridge leaves $55 at $7F00 and counts its starts at $7F01.
TEST(TaitoX1005Cartridge, BatteryKeepsTheChipRam) {
    const std::string dir = MakeTempDir();
    const std::string save = dir + "/saves/taito_x1005_board.sav";
    for (int start = 1; start <= 2; ++start) {
        HeadlessRun run = RunHeadless(
            {"--until-result", "--frames", "60", "--data-dir", dir, TestRom("taito_x1005_board")});
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        const std::string bytes = ReadFileText(save);
        ASSERT_EQ(bytes.size(), 128u);
        EXPECT_EQ(uint8_t(bytes[0]), 0x55);
        EXPECT_EQ(uint8_t(bytes[1]), start) << "the starts counted at $7F01";
    }
}

// The Sunsoft-4's CHR ROM nametables are page handlers a save state does not
// hold: a slot saved while they are shown must bring them back when loaded
// into a machine that has the console's nametables (here after Start). The
// second run ends 60 frames after its load, as the first does after its save.
TEST(Sunsoft4Cartridge, StateLoadBringsBackRomNametables) {
    const std::string dir = MakeTempDir();
    const std::string rom = TestRom("sunsoft4_nametables");
    auto run = [&](std::vector<std::string> args, const std::string& shot) {
        args.insert(args.end(), {"--screenshot", dir + "/" + shot, "--data-dir", dir, rom});
        HeadlessRun result = RunHeadless(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return ReadFileText(dir + "/" + shot);
    };
    const std::string saved = run({"--frames", "120", "--save-state", "2@60"}, "a.bmp");
    ExpectPixels(saved, {{6, 0, kRed, "tile $81 of ROM nametable bank $81"},
                         {0, 100, kBlack, "tile $81, pixel 0"},
                         {254, 239, kRed, "tile $81 of the last nametable row"}});
    const std::string blank = run({"--frames", "60", "--press", "20-30:Start"}, "blank.bmp");
    ExpectPixels(blank, {{6, 0, kBlack, "Start brings back the console's nametables"}});
    const std::string loaded =
        run({"--frames", "160", "--press", "20-30:Start", "--load-state", "2@100"}, "b.bmp");
    EXPECT_TRUE(saved == loaded) << "the loaded slot does not show the ROM nametables";
}

}  // namespace
}  // namespace morvel::test
