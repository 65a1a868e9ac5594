// The MMC3 scanline counter against the outside mmc3_test cartridges.
//
// This machine's counter reloads from the latch without an interrupt when it
// is 0 and raises the interrupt only when a decrement reaches 0, so a latch of
// 0 never interrupts. Three cartridges expect otherwise; each is pinned to its
// current failure code so that a change in either direction shows.
#include <gtest/gtest.h>

#include <cctype>
#include <ostream>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct Mmc3Case {
    const char* file;
    int expected;     // the result code this machine gives
    const char* why;  // for a failure: what the cartridge expects of the MMC3
};

const Mmc3Case kCases[] = {
    {"mmc3_test-1-clocking.nes", 0, ""},
    {"mmc3_test-2-details.nes", 0, ""},
    {"mmc3_test-3-A12_clocking.nes", 0, ""},
    // Its interrupt timing checks program a latch of 0 and expect an interrupt
    // on every line (the later MMC3 rule: reload, then interrupt when 0).
    {"mmc3_test-4-scanline_timing.nes", 14,
     "expects a latch of 0 to interrupt on every scanline (\"IRQ never occurred\")"},
    // Checks the later MMC3 rule directly.
    {"mmc3_test-5-MMC3.nes", 2, "expects reload-with-0 to raise the interrupt on every clock"},
    // Checks the MMC6 / early MMC3 rule: an interrupt when a $C001 reset is
    // followed by a reload to 0.
    {"mmc3_test-6-MMC6.nes", 2,
     "expects an interrupt when the counter is reloaded to 0 after a $C001 reset"},
};

void PrintTo(const Mmc3Case& c, std::ostream* os) {
    *os << c.file;
}

class Mmc3Conformance : public ::testing::TestWithParam<Mmc3Case> {};

TEST_P(Mmc3Conformance, GivesTheKnownResult) {
    if (!SharedRomsPresent()) GTEST_SKIP() << "../shared/roms is absent";
    const Mmc3Case& c = GetParam();
    HeadlessRun run = RunHeadless(
        {"--until-result", "--frames", "900", SharedRom(std::string("mappers/") + c.file)});
    EXPECT_EQ(run.exitCode, c.expected) << c.why << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("result: " + std::to_string(c.expected)), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Mappers, Mmc3Conformance, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Mmc3Case>& info) {
                             std::string name = info.param.file + 10;  // after "mmc3_test-"
                             name = name.substr(0, name.find('.'));
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace morvel::test
