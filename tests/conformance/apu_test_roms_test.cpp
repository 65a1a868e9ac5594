// The outside APU test cartridges (apu_test-*), run to their $6000 result.
// Each row gives the result this machine reaches; the ones that do not pass
// say why, so a change that breaks or fixes one shows here.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct ApuRom {
    const char* file;
    int result;  // 0 = passed
    const char* why;
};

const ApuRom kApuRoms[] = {
    {"apu_test-1-len_ctr.nes", 0, ""},
    {"apu_test-2-len_table.nes", 0, ""},
    {"apu_test-3-irq_flag.nes", 0, ""},
    // The APU runs an instruction's cycles after the instruction, so a $4017
    // write counts from the start of its instruction, and the frame flag is
    // set 29830 cycles later; the cartridge wants it at 29831 from the write
    // itself with the odd/even CPU-cycle jitter of the console.
    {"apu_test-4-jitter.nes", 2, "frame flag set a few cycles before the console would"},
    {"apu_test-5-len_timing.nes", 2, "length clocks a few cycles early, as above"},
    {"apu_test-6-irq_flag_timing.nes", 2, "frame flag a few cycles early, as above"},
    // Starting a sample moves its first byte straight into the output shift
    // register and starts a new eight-bit output cycle, so the one-byte
    // buffer between fetch and output is never seen full by the program, and
    // a restart never waits for the output cycle in progress.
    {"apu_test-7-dmc_basics.nes", 19, "no visible one-byte sample buffer"},
    {"apu_test-8-dmc_rates.nes", 2, "rates are measured through the sample buffer, as above"},
};

class ApuTestRom : public ::testing::TestWithParam<ApuRom> {};

TEST_P(ApuTestRom, ReachesItsKnownResult) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "no ../shared/roms folder";
    const ApuRom& rom = GetParam();
    HeadlessRun run = RunHeadless(
        {"--until-result", "--frames", "1500", SharedRom(std::string("apu/") + rom.file)});
    EXPECT_EQ(run.exitCode, rom.result) << rom.file << " (" << rom.why << ")\n"
                                        << run.out << run.err;
    EXPECT_NE(run.out.find("result: " + std::to_string(rom.result) + "\n"), std::string::npos)
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(ApuTestRoms, ApuTestRom, ::testing::ValuesIn(kApuRoms),
                         [](const ::testing::TestParamInfo<ApuRom>& info) {
                             std::string name = info.param.file;
                             std::string out;
                             for (char c : name.substr(0, name.size() - 4))
                                 out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return out;
                         });

}  // namespace
}  // namespace morvel::test
