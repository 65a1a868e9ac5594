// Our controller cartridge driven by scripted buttons: what the game reads
// from both ports after a latch, including reads past the eighth.
#include <gtest/gtest.h>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct PortCase {
    const char* what;
    std::vector<std::string> presses;
    const char* text;  // the cartridge's report: two latches, 10 reads per port each
};

TEST(ControllerPorts, CartridgeReadsScriptedButtons) {
    const PortCase cases[] = {
        {"nothing held", {}, "1:0000000000 2:0000000000 1:0000000000 2:0000000000"},
        {"buttons change between the two latches",
         {"--press", "5-15:A+Start", "--press", "25-40:B+Right", "--press2", "0-20:Up+Select",
          "--press2", "21-100:A+B+Select+Start+Up+Down+Left+Right"},
         "1:1001000000 2:0010100000 1:0100000100 2:1111111100"},
        {"presses on the same port combine",
         {"--press", "0-100:Down", "--press", "0-100:Left", "--press2", "0-5:A"},
         "1:0000011000 2:0000000000 1:0000011000 2:0000000000"},
    };
    for (const PortCase& c : cases) {
        std::vector<std::string> args = {"--until-result", "--frames", "120"};
        args.insert(args.end(), c.presses.begin(), c.presses.end());
        args.push_back(TestRom("controller_ports"));
        HeadlessRun run = RunHeadless(args);
        EXPECT_EQ(run.exitCode, 0) << c.what << run.err;
        EXPECT_EQ(run.out, std::string("result: 0\n") + c.text + "\n") << c.what;
    }
}

TEST(ControllerPorts, MalformedPressIsAUsageError) {
    const char* bad[] = {"5-15",   "15-5:A", "5-15:",  "5-15:A+Turbo",
                         "x-15:A", "5:A",    "-1-5:A", "5-15:a"};
    for (const char* spec : bad) {
        HeadlessRun run = RunHeadless({"--press", spec, TestRom("controller_ports")});
        EXPECT_EQ(run.exitCode, 2) << spec;
        EXPECT_NE(run.err.find("--press"), std::string::npos) << spec << run.err;
    }
}

}  // namespace
}  // namespace morvel::test
