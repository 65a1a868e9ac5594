// morvel-headless never crashes, whatever file it is given: the outside test
// cartridges, truncated copies of them, and generated images with random
// headers and random program bytes on every supported board.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// Exit statuses that mean the tool ran or refused the file; anything else
// (a signal, a sanitizer abort) is a crash.
bool RanOrRefused(const HeadlessRun& run) {
    return run.exitCode == 0 || run.exitCode == 3;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BadImages, OutsideCartridgesAndTruncatedCopies) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    std::mt19937 random(1234);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SharedRom(""))) {
        if (entry.path().extension() != ".nes") continue;
        HeadlessRun whole = RunHeadless({"--frames", "3", entry.path().string()});
        EXPECT_TRUE(RanOrRefused(whole)) << entry.path() << whole.err;
        std::vector<uint8_t> bytes = ReadBytes(entry.path());
        ASSERT_GE(bytes.size(), 16u);
        // Anything shorter than header + PRG + CHR is refused; trailing bytes are ignored.
        size_t needed = 16 + bytes[4] * 16384u + bytes[5] * 8192u;
        for (size_t cut : {size_t{0}, size_t{5}, size_t{16}, needed / 2, needed - 1}) {
            std::vector<uint8_t> truncated(bytes.begin(),
                                           bytes.begin() + std::min(cut, bytes.size()));
            HeadlessRun run = RunHeadless({"--frames", "2", WriteTempFile(truncated, "cut.nes")});
            EXPECT_EQ(run.exitCode, 3) << entry.path() << " cut at " << cut << run.err;
        }
    }
}

TEST(BadImages, RandomImagesOnEveryBoard) {
    const int mappers[] = {0, 1, 2, 3, 4, 5, 7, 9, 34, 58, 118, 189, 226};
    std::mt19937 random(99);
    int runs = 0;
    for (int round = 0; round < 16; ++round) {
        for (int mapper : mappers) {
            int prgUnits = 1 + static_cast<int>(random() % 6);
            int chrUnits = static_cast<int>(random() % 4);
            InesImage image = MakeInesImage(mapper, prgUnits, chrUnits, random() & 0x0F);
            for (size_t i = 16; i < image.bytes.size(); ++i)
                image.bytes[i] = static_cast<uint8_t>(random());
            HeadlessRun run =
                RunHeadless({"--frames", "3", WriteTempFile(image.bytes, "random.nes")});
            EXPECT_TRUE(RanOrRefused(run)) << "mapper " << mapper << " round " << round << run.err;
            ++runs;
        }
    }
    // Pure noise, with and without the magic bytes.
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> noise(random() % 70000);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        if (i % 2 && noise.size() >= 3) noise[0] = 'N', noise[1] = 'E', noise[2] = 'S';
        HeadlessRun run = RunHeadless({"--frames", "2", WriteTempFile(noise, "noise.nes")});
        EXPECT_TRUE(RanOrRefused(run)) << "noise " << i << run.err;
        ++runs;
    }
    EXPECT_GE(runs, 200);
}

}  // namespace
}  // namespace morvel::test
