// The reset request of the $6000 protocol: morvel-headless presses reset once
// per request, even when the cartridge keeps $81 in $6000 for a while after
// the reset.
#include <gtest/gtest.h>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

TEST(ResetRequest, ResetIsPressedOncePerRequest) {
    HeadlessRun run = RunHeadless({"--until-result", "--frames", "300", TestRom("reset_request")});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("passed"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace morvel::test
