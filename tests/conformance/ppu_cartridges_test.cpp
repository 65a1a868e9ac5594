// The outside PPU test cartridges, read from the screen through
// --screen-text. Each row records what this machine shows, so a regression
// (or a fix) shows up.
#include <gtest/gtest.h>

#include <cctype>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct ScreenTest {
    const char* file;
    const char* expected;  // text that must appear on the screen
    const char* note;      // why the expected text is not a pass, if it is not
};

// ppu2005-* show "$01" when every check passed, else the failing check's code;
// sprite_hit-* show "PASSED" or "FAILED" with a code.
const ScreenTest kScreenTests[] = {
    {"ppu2005-palette_ram.nes", "$01", nullptr},
    // The palette's contents at power-on differ from console to console; the
    // test compares with its author's console, this machine starts with zeros.
    {"ppu2005-power_up_palette.nes", "$02", "power-on palette is all zero here"},
    {"ppu2005-sprite_ram.nes", "$01", nullptr},
    {"ppu2005-vbl_clear_time.nes", "$01", nullptr},
    {"ppu2005-vram_access.nes", "$01", nullptr},
    {"sprite_hit-01.basics.nes", "PASSED", nullptr},
    {"sprite_hit-02.alignment.nes", "PASSED", nullptr},
    {"sprite_hit-03.corners.nes", "PASSED", nullptr},
    {"sprite_hit-04.flip.nes", "PASSED", nullptr},
    {"sprite_hit-05.left_clip.nes", "PASSED", nullptr},
    {"sprite_hit-06.right_edge.nes", "PASSED", nullptr},
    {"sprite_hit-07.screen_bottom.nes", "PASSED", nullptr},
    {"sprite_hit-08.double_height.nes", "PASSED", nullptr},
    {"sprite_hit-09.timing_basics.nes", "PASSED", nullptr},
    {"sprite_hit-10.timing_order.nes", "PASSED", nullptr},
    {"sprite_hit-11.edge_timing.nes", "PASSED", nullptr},
};

class PpuCartridge : public ::testing::TestWithParam<ScreenTest> {};

TEST_P(PpuCartridge, ShowsTheRecordedResult) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    const ScreenTest& t = GetParam();
    HeadlessRun run =
        RunHeadless({"--frames", "300", "--screen-text", SharedRom(std::string("ppu/") + t.file)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(t.expected), std::string::npos)
        << t.file << (t.note ? std::string(" (known: ") + t.note + ")" : std::string()) << "\n"
        << run.out;
    if (!t.note) {
        EXPECT_EQ(run.out.find("FAILED"), std::string::npos) << run.out;
    }
}

// "sprite_hit-01.basics.nes" -> "sprite_hit_01_basics"
std::string TestName(const ::testing::TestParamInfo<ScreenTest>& info) {
    std::string file = info.param.file;
    file = file.substr(0, file.size() - 4);
    for (char& c : file)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return file;
}

INSTANTIATE_TEST_SUITE_P(Ppu, PpuCartridge, ::testing::ValuesIn(kScreenTests), TestName);

}  // namespace
}  // namespace morvel::test
