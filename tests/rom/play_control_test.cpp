// Rewind, frame advance and run-ahead through morvel-headless, each against a
// plain run of the same presses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "ppu/ppu.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

std::string Tail(const std::string& text, size_t bytes) {
    return text.size() >= bytes ? text.substr(text.size() - bytes) : std::string();
}

// A frame has about 744.5 samples of two bytes; a little less is safe.
constexpr size_t kFrameBytes = 744 * 2;

const std::vector<std::string> kDemoInput = {"--press",         "30-40:Start", "--press",
                                             "60-200:Right+Up", "--press",     "220-280:Left+A"};

struct PlayCase {
    const char* label;
    std::string rom;
    int frames;
    std::string option, value;  // what the second run does
    int sameFrames;             // frames at the end that must play the same samples
    int extraFrames;            // frames the second run plays besides (rewound ones)
    std::vector<std::string> input = {};
};

class Play : public ::testing::TestWithParam<PlayCase> {};

// Going back N frames and playing them again with the same presses ends in
// the same picture, and from the frame it went back to, in the same samples;
// frames stepped one at a time in a pause give the plain run's picture and
// samples.
TEST_P(Play, EndsAsThePlainRun) {
    const PlayCase& c = GetParam();
    const std::string dir = MakeTempDir();
    auto run = [&](const std::string& name, std::vector<std::string> args) {
        args.insert(args.end(), c.input.begin(), c.input.end());
        args.insert(args.end(),
                    {"--frames", std::to_string(c.frames), "--screenshot",
                     dir + "/" + name + ".bmp", "--wav", dir + "/" + name + ".wav", c.rom});
        const HeadlessRun result = RunHeadless(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return ReadFileText(dir + "/" + name + ".wav");
    };
    const std::string plain = run("plain", {});
    const std::string played = run("played", {c.option, c.value});
    EXPECT_TRUE(ReadFileText(dir + "/plain.bmp") == ReadFileText(dir + "/played.bmp"));
    EXPECT_GE(played.size(), plain.size() + c.extraFrames * kFrameBytes);
    const size_t same = c.sameFrames * kFrameBytes;
    EXPECT_FALSE(Tail(plain, same).empty());
    EXPECT_TRUE(Tail(plain, same) == Tail(played, same)) << "samples differ";
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Cartridges, Play,
    ::testing::Values(
        PlayCase{"rewind_demo", MORVEL_DEMO_ROM, 300, "--rewind", "250:100", 149, 99, kDemoInput},
        PlayCase{"rewind_fme7_clock_and_5b", TestRom("fme7_board"), 160, "--rewind", "110:90", 139,
                 89},
        PlayCase{"rewind_vrc7_fm", TestRom("vrc7_board"), 160, "--rewind", "100:80", 139, 79},
        PlayCase{"rewind_mmc5_sound", TestRom("mmc5_sound"), 160, "--rewind", "90:60", 129, 59},
        PlayCase{"frame_advance", MORVEL_DEMO_ROM, 150, "--frame-advance", "100:10", 149, 0,
                 kDemoInput},
        // Stepped frames count towards --frames: the run still ends at 150.
        PlayCase{"frame_advance_to_the_end", MORVEL_DEMO_ROM, 150, "--frame-advance", "145:10", 149,
                 0, kDemoInput}),
    [](const ::testing::TestParamInfo<PlayCase>& info) { return std::string(info.param.label); });

// button_lag shows in frame t the frames A was held before t (the backdrop
// $10 + count mod 8). A is held from frame 30; the picture after frame t,
// running K frames ahead, is frame t + K's with A held as at t: a count of
// t + K - 30 from frame 30 on, none before (the future press is not known).
TEST(RunAhead, ShowsThePictureKFramesAhead) {
    const std::string shot = MakeTempDir() + "/lag.bmp";
    for (int k = 0; k <= 3; ++k) {
        for (int t : {29, 30, 31, 33}) {
            SCOPED_TRACE("run-ahead " + std::to_string(k) + ", frame " + std::to_string(t));
            EXPECT_EQ(RunHeadless({"--frames", std::to_string(t + 1), "--press", "30-100:A",
                                   "--run-ahead", std::to_string(k), "--screenshot", shot,
                                   TestRom("button_lag")})
                          .exitCode,
                      0);
            const std::string bmp = ReadFileText(shot);
            ASSERT_EQ(bmp.size(), 245814u);
            uint32_t pixel = 0;
            std::memcpy(&pixel, bmp.data() + 54, 3);  // the top left pixel, B G R
            const int count = t >= 30 ? t + k - 30 : 0;
            EXPECT_EQ(pixel, masterPalette[0x10 + (count & 7)]);
        }
    }
    std::filesystem::remove_all(std::filesystem::path(shot).parent_path());
}

}  // namespace
}  // namespace morvel::test
