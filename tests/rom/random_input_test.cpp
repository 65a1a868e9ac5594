// --random-input on our controller cartridge, which reports what it read from
// both ports at two latches (frames 10 and 30): "1:bbbbbbbbbb 2:bbbbbbbbbb ...".
#include <gtest/gtest.h>

#include <set>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

// The cartridge's text for one run, or "" when it did not pass.
std::string Reads(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--until-result", "--frames", "120"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(TestRom("controller_ports"));
    HeadlessRun run = RunHeadless(args);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::string prefix = "result: 0\n";
    if (run.out.compare(0, prefix.size(), prefix) != 0) return "";
    return run.out.substr(prefix.size());
}

TEST(RandomInput, ControllerOneGetsRepeatableRandomButtons) {
    std::set<std::string> controllerOne;
    for (const char* seed : {"1", "2", "3", "4", "5", "6", "7", "8"}) {
        const std::string text = Reads({"--random-input", seed});
        ASSERT_EQ(text.size(), 52u) << seed << ": " << text;
        EXPECT_EQ(text, Reads({"--random-input", seed})) << "seed " << seed << " is not repeatable";
        // Controller 2 stays untouched and reads past the eighth give 0.
        EXPECT_EQ(text.substr(13, 12), "2:0000000000") << text;
        EXPECT_EQ(text.substr(39, 12), "2:0000000000") << text;
        EXPECT_EQ(text.substr(10, 2), "00") << text;
        EXPECT_EQ(text.substr(36, 2), "00") << text;
        controllerOne.insert(text.substr(2, 8));
        controllerOne.insert(text.substr(28, 8));
    }
    // Sixteen latches of random bytes are not all alike.
    EXPECT_GE(controllerOne.size(), 8u);
}

TEST(RandomInput, ScriptedPressesStillHold) {
    for (const char* seed : {"11", "12", "13"}) {
        const std::string text = Reads({"--random-input", seed, "--press", "0-100:A+Right"});
        ASSERT_EQ(text.size(), 52u) << text;
        EXPECT_EQ(text[2], '1') << text;  // A, first read
        EXPECT_EQ(text[9], '1') << text;  // Right, eighth read
        EXPECT_EQ(text[28], '1') << text;
        EXPECT_EQ(text[35], '1') << text;
    }
}

TEST(RandomInput, MalformedSeedIsAUsageError) {
    for (const char* seed : {"-1", "x", "4294967296", ""}) {
        HeadlessRun run = RunHeadless({"--random-input", seed, TestRom("controller_ports")});
        EXPECT_EQ(run.exitCode, 2) << seed;
        EXPECT_NE(run.err.find("--random-input"), std::string::npos) << seed << run.err;
    }
}

}  // namespace
}  // namespace morvel::test
