// A saved slot resumes the machine exactly: one run saves slot 2 after frame
// S (100, or 110 while our tone cartridge's DMC plays) and goes on to frame
// 300; a second run loads the written file, runs to frame L = 150, later
// than S, so the load goes back in time, loads slot 2 there and runs 300 - S
// more. The last pictures and the last 170 frames of samples must be
// identical.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct Cartridge {
    const char* label;
    std::string path;
    int saveAt = 100;
};

// The last 170 frames of samples of a WAV file written by morvel-headless
// (16-bit mono, about 735 samples a frame).
std::string LastSamples(const std::string& wavPath) {
    const std::string wav = ReadFileText(wavPath);
    constexpr size_t kBytes = 170 * 735 * 2;
    return wav.size() >= 44 + kBytes ? wav.substr(wav.size() - kBytes) : std::string();
}

class Determinism : public ::testing::TestWithParam<Cartridge> {};

TEST_P(Determinism, SlotResumesPictureAndSound) {
    const Cartridge& c = GetParam();
    if (!std::filesystem::exists(c.path)) GTEST_SKIP() << c.path << " is absent";
    std::string dir = MakeTempDir();
    // After the load the second run's frame f is the first run's frame
    // f + S - L, so its input is the same presses moved by L - S frames.
    constexpr int kLoadAt = 150;
    const int shift = kLoadAt - c.saveAt;
    const std::vector<std::string> input = {"--press", "30-80:Start", "--press", "120-200:Right+A"};
    const std::vector<std::string> resumedInput = {
        "--press", std::to_string(120 + shift) + "-" + std::to_string(200 + shift) + ":Right+A"};
    auto run = [&](std::vector<std::string> args, bool resumed = false) {
        const auto& presses = resumed ? resumedInput : input;
        args.insert(args.end(), presses.begin(), presses.end());
        args.insert(args.end(), {"--data-dir", dir, c.path});
        HeadlessRun result = RunHeadless(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    };
    run({"--frames", "300", "--save-state", "2@" + std::to_string(c.saveAt), "--screenshot",
         dir + "/a.bmp", "--wav", dir + "/a.wav"});
    HeadlessRun second = run(
        {"--frames", std::to_string(300 + shift), "--load-state", "2@" + std::to_string(kLoadAt),
         "--screenshot", dir + "/b.bmp", "--wav", dir + "/b.wav"},
        true);
    EXPECT_NE(second.out.find("LOADED STATE N\u00BA -> 2"), std::string::npos) << second.out;

    EXPECT_TRUE(ReadFileText(dir + "/a.bmp") == ReadFileText(dir + "/b.bmp")) << "pictures differ";
    const std::string first = LastSamples(dir + "/a.wav");
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == LastSamples(dir + "/b.wav")) << "samples differ";
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, Determinism,
    ::testing::Values(Cartridge{"nrom", SharedRom("games/nes15-NTSC.nes")},
                      Cartridge{"mmc1", SharedRom("cpu/instr_test-v5-official_only.nes")},
                      Cartridge{"unrom", SharedRom("mappers/240pee-unrom.nes")},
                      Cartridge{"mmc3", SharedRom("mappers/mmc3_test-2-details.nes")},
                      Cartridge{"mmc5", TestRom("mmc5_board")},
                      Cartridge{"mmc2", TestRom("mmc2_board")},
                      Cartridge{"bxrom", SharedRom("mappers/240pee-bxrom.nes")},
                      Cartridge{"dmc", TestRom("apu_tones"), 110}),
    [](const ::testing::TestParamInfo<Cartridge>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace morvel::test
