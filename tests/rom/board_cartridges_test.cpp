// Our own board cartridges run to a passing result through the $6000 protocol.
#include <gtest/gtest.h>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

class BoardCartridge : public ::testing::TestWithParam<const char*> {};

TEST_P(BoardCartridge, Passes) {
    HeadlessRun run = RunHeadless({"--until-result", "--frames", "600", TestRom(GetParam())});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(SimpleBoards, BoardCartridge,
                         ::testing::Values("nrom_board", "unrom_board", "cnrom_board",
                                           "aorom_board", "bxrom_board", "mapper58_board",
                                           "mapper226_board"));

}  // namespace
}  // namespace morvel::test
