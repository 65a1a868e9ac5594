// A long run with random buttons on controller 1: the machine must neither
// fault nor grow. bench/soak.sh runs the same for 200000 frames.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

// Resident memory may grow while the first frames touch their pages, but not
// with the number of frames: a leak of a few dozen bytes a frame would pass it.
constexpr long kSoakFrames = 30000;
constexpr long kAllowedGrowthKb = 1024;

long ReadKb(const std::string& out, const std::string& key) {
    const size_t at = out.find(key);
    return at == std::string::npos ? -1 : std::atol(out.c_str() + at + key.size());
}

TEST(Soak, RandomInputForThirtyThousandFramesKeepsMemoryFlat) {
    // The homebrew game reacts to its buttons; without the outside folder our
    // busiest picture cartridge stands in.
    const std::string cartridge =
        SharedRomsPresent() ? SharedRom("games/nes15-NTSC.nes") : TestRom("ppu_busy");
    HeadlessRun run = RunHeadless({"--frames", std::to_string(kSoakFrames), "--random-input",
                                   "20261206", "--report-memory", cartridge});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const long start = ReadKb(run.out, "rss-start-kb: ");
    const long end = ReadKb(run.out, "rss-end-kb: ");
    ASSERT_GT(start, 0) << run.out;
    ASSERT_GT(end, 0) << run.out;
    EXPECT_LE(end - start, kAllowedGrowthKb) << "from " << start << " KB to " << end << " KB";
}

}  // namespace
}  // namespace morvel::test
