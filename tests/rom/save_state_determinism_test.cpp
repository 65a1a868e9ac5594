// A saved slot resumes the machine exactly: one run saves slot 2 after frame
// 100 and goes on to frame 300; a second run loads the written file, loads
// slot 2 after its first frame and runs 200 more. The last pictures and the
// samples of frames 101-300 must be identical.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct Cartridge {
    const char* label;
    std::string path;
    bool shared;  // from ../shared/roms
};

void PrintTo(const Cartridge& c, std::ostream* os) { *os << c.label; }

// Samples of a WAV file written by morvel-headless (44-byte header, 16-bit mono).
std::string Samples(const std::string& wavPath) {
    std::string wav = ReadFileText(wavPath);
    return wav.size() >= 44 ? wav.substr(44) : std::string();
}

class Determinism : public ::testing::TestWithParam<Cartridge> {};

TEST_P(Determinism, SlotResumesPictureAndSound) {
    const Cartridge& c = GetParam();
    if (c.shared && !SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    if (!std::filesystem::exists(c.path)) GTEST_SKIP() << c.path << " not built";
    std::string dir = MakeTempDir();
    // The second run's frame f is the first run's frame f + 99, so its input
    // is the same presses moved 99 frames earlier.
    const std::vector<std::string> input = {"--press", "30-80:Start", "--press", "120-200:Right+A"};
    const std::vector<std::string> resumedInput = {"--press", "21-101:Right+A"};
    auto run = [&](std::vector<std::string> args, bool resumed = false) {
        const auto& presses = resumed ? resumedInput : input;
        args.insert(args.end(), presses.begin(), presses.end());
        args.insert(args.end(), {"--data-dir", dir, c.path});
        HeadlessRun result = RunHeadless(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result;
    };
    run({"--frames", "300", "--save-state", "2@100", "--screenshot", dir + "/a.bmp", "--wav",
         dir + "/a.wav"});
    run({"--frames", "100", "--wav", dir + "/until100.wav"});
    run({"--frames", "1", "--wav", dir + "/until1.wav"});
    HeadlessRun second = run({"--frames", "201", "--load-state", "2@1", "--screenshot",
                              dir + "/b.bmp", "--wav", dir + "/b.wav"},
                             true);
    EXPECT_NE(second.out.find("LOADED STATE N\u00BA -> 2"), std::string::npos) << second.out;

    EXPECT_TRUE(ReadFileText(dir + "/a.bmp") == ReadFileText(dir + "/b.bmp")) << "pictures differ";
    std::string first = Samples(dir + "/a.wav").substr(Samples(dir + "/until100.wav").size());
    std::string resumed = Samples(dir + "/b.wav").substr(Samples(dir + "/until1.wav").size());
    EXPECT_GT(first.size(), 200u * 700 * 2);
    EXPECT_TRUE(first == resumed) << "samples differ (" << first.size() << " vs " << resumed.size()
                                  << " bytes)";
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, Determinism,
    ::testing::Values(Cartridge{"nrom", SharedRom("games/nes15-NTSC.nes"), true},
                      Cartridge{"mmc1", SharedRom("cpu/instr_test-v5-official_only.nes"), true},
                      Cartridge{"unrom", SharedRom("mappers/240pee-unrom.nes"), true},
                      Cartridge{"mmc3", SharedRom("mappers/mmc3_test-2-details.nes"), true},
                      Cartridge{"mmc5", TestRom("mmc5_board"), false},
                      Cartridge{"mmc2", TestRom("mmc2_board"), false},
                      Cartridge{"bxrom", SharedRom("mappers/240pee-bxrom.nes"), true}),
    [](const ::testing::TestParamInfo<Cartridge>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace morvel::test
