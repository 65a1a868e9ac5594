// Our cartridges for the MMC5, MMC2 and mappers 118 and 189: each checks its
// board's registers from the CPU side, and the MMC5 and MMC2 ones also draw a
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

// A 32-bit top-down screenshot: 54 bytes of headers, then B, G, R, 0 per pixel.
struct Screenshot {
    std::string bytes;
    bool valid() const { return bytes.size() == 54 + 256 * 240 * 4; }
    uint32_t At(int x, int y) const {
        size_t o = 54 + (static_cast<size_t>(y) * 256 + static_cast<size_t>(x)) * 4;
        auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])); };
        return (byte(o + 2) << 16) | (byte(o + 1) << 8) | byte(o);
    }
};

// Runs a cartridge to its result and returns the last frame.
Screenshot RunToResult(const std::string& rom) {
    std::string shot = MakeTempDir() + "/" + rom + ".bmp";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", "--screenshot", shot, TestRom(rom)});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    return Screenshot{ReadFileText(shot)};
}

struct Pixel {
    int x, y;
    uint32_t colour;
    const char* what;
};

void ExpectPixels(const Screenshot& shot, std::initializer_list<Pixel> pixels) {
    ASSERT_TRUE(shot.valid());
    for (const Pixel& p : pixels)
        EXPECT_EQ(shot.At(p.x, p.y), p.colour) << p.what << " at " << p.x << "," << p.y;
}

TEST(Mmc5Cartridge, ExtendedAttributesUntilTheScanlineInterrupt) {
    Screenshot shot = RunToResult("mmc5_board");
    ExpectPixels(shot,
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
    Screenshot shot = RunToResult("mmc2_board");
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

TEST(Mapper118Cartridge, Passes) {
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", TestRom("mapper118_board")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}

// Mapper 189 has no work RAM: the cartridge writes its result to the screen.
TEST(Mapper189Cartridge, Passes) {
    HeadlessRun run = RunHeadless({"--frames", "30", "--screen-text", TestRom("mapper189_board")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    size_t firstLineEnd = run.out.find('\n');
    ASSERT_NE(firstLineEnd, std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(0, 6), "passed") << run.out;
    EXPECT_EQ(run.out.substr(firstLineEnd + 1, 2), "00") << run.out;
}

}  // namespace
}  // namespace morvel::test
