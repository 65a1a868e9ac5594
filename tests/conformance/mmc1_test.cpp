// The official-instruction test cartridge runs on an MMC1 board: it switches
// PRG banks through the serial port and reports through work RAM.
#include <gtest/gtest.h>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

TEST(Mmc1Conformance, InstructionTestPasses) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    HeadlessRun run = RunHeadless(
        {"--until-result", "--frames", "3000", SharedRom("cpu/instr_test-v5-official_only.nes")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("All 16 tests passed"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace morvel::test
