// Our controller cartridge reads both ports at two latches (about frames 10
// and 30), ten reads each, two past the eighth (ones, as from the console's
// controllers), and reports
// "1:bbbbbbbbbb 2:bbbbbbbbbb 1:bbbbbbbbbb 2:bbbbbbbbbb"; the reset cartridge
// checks that morvel-headless presses reset once per request of the $6000
// protocol, even when $81 stays in $6000 for a while after the reset.
#include <gtest/gtest.h>

#include <set>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

// '?' in a pattern stands for any character.
bool Matches(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (pattern[i] != '?' && pattern[i] != text[i]) return false;
    return true;
}

// The text of one run of a cartridge ("result: 0" and its text when it passed).
std::string Output(const char* cartridge, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--until-result", "--frames", "300"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(TestRom(cartridge));
    HeadlessRun run = RunHeadless(args);
    EXPECT_EQ(run.exitCode, 0) << cartridge << run.err;
    return run.out;
}

TEST(ControllerPorts, CartridgeReadsScriptedAndRandomButtons) {
    const std::string kRandom = "1:????????11 2:0000000011 1:????????11 2:0000000011";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "1:0000000011 2:0000000011 1:0000000011 2:0000000011"},
        // Buttons change between the two latches.
        {{"--press", "5-15:A+Start", "--press", "25-40:B+Right", "--press2", "0-20:Up+Select",
          "--press2", "21-100:A+B+Select+Start+Up+Down+Left+Right"},
         "1:1001000011 2:0010100011 1:0100000111 2:1111111111"},
        // Presses on the same port combine.
        {{"--press", "0-100:Down", "--press", "0-100:Left", "--press2", "0-5:A"},
         "1:0000011011 2:0000000011 1:0000011011 2:0000000011"},
        // Random buttons reach controller 1 only, repeatably for a seed;
        // scripted presses still hold.
        {{"--random-input", "1"}, kRandom},
        {{"--random-input", "2"}, kRandom},
        {{"--random-input", "3"}, kRandom},
        {{"--random-input", "4"}, kRandom},
        {{"--random-input", "3000000000"}, kRandom},  // above 2^31: 64-bit parsing
        {{"--random-input", "11", "--press", "0-100:A+Right"},
         "1:1??????111 2:0000000011 1:1??????111 2:0000000011"},
    };
    std::set<std::string> randomBytes;
    for (const auto& [options, text] : cases) {
        const std::string out = Output("controller_ports", options);
        EXPECT_TRUE(Matches(out, "result: 0\n" + text + "\n")) << options.size() << ": " << out;
        if (options.size() != 2 || options[0] != "--random-input") continue;
        EXPECT_EQ(Output("controller_ports", options), out) << "seed " << options[1];
        randomBytes.insert(out.substr(12, 8));
        randomBytes.insert(out.substr(38, 8));
    }
    // Eight latches of random bytes are not all alike.
    EXPECT_GE(randomBytes.size(), 4u);
    EXPECT_NE(Output("reset_request", {}).find("passed"), std::string::npos);
}

}  // namespace
}  // namespace morvel::test
