// Battery saves through morvel-headless: our battery cartridge counts its
// starts in work RAM at $7000, so each run shows whether the last one's RAM
// came back from saves/battery_counter.sav.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr size_t kStarts = 0x1000;  // $7000 in the work RAM file

std::string RunGame(const std::string& dataDir, int expectedExit,
                    rlim_t sizeLimit = RLIM_INFINITY) {
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = {sizeLimit, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail, as on a full disk
    HeadlessRun run = RunHeadless(
        {"--until-result", "--frames", "60", "--data-dir", dataDir, TestRom("battery_counter")});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(run.exitCode, expectedExit) << run.out << run.err;
    return run.err;
}

// Starts counted in a save file; -1 when it is not a whole 8 KB save.
int Starts(const std::string& path) {
    const std::string bytes = ReadFileText(path);
    return bytes.size() == 8192 ? static_cast<uint8_t>(bytes[kStarts]) : -1;
}

TEST(BatterySave, WorkRamComesBackAndTheOldFileSurvivesEveryFailure) {
    const std::string dir = MakeTempDir();
    const std::string save = dir + "/saves/battery_counter.sav";
    RunGame(dir, 0);
    EXPECT_EQ(Starts(save), 1) << "the first start";
    RunGame(dir, 0);
    EXPECT_EQ(Starts(save), 2) << "the RAM of the first run came back";

    // A full disk: the write fails and says so, the file keeps the last save.
    EXPECT_NE(RunGame(dir, 1, 4096).find("not written"), std::string::npos);
    EXPECT_EQ(Starts(save), 2);
    RunGame(dir, 0);
    EXPECT_EQ(Starts(save), 3) << "the failed run's RAM is lost, the file's is not";

    // A file of another size, brought by the player (no record of ours beside
    // it): not loaded, kept as it is, and the game saves beside it.
    std::ofstream(save, std::ios::trunc) << "short";
    std::filesystem::remove(save + ".owner");
    EXPECT_NE(RunGame(dir, 0).find("has 5 bytes, not the 8192 bytes"), std::string::npos);
    EXPECT_TRUE(ReadFileText(save) == "short");
    EXPECT_EQ(Starts(dir + "/saves/battery_counter (2).sav"), 1);

    // No folder can be made for the saves: the run says so and fails.
    const std::string blocked = MakeTempDir();
    std::ofstream(blocked + "/saves") << "a file in the folder's place";
    EXPECT_NE(RunGame(blocked, 1).find("not written"), std::string::npos);
    EXPECT_TRUE(ReadFileText(blocked + "/saves") == "a file in the folder's place");
}

}  // namespace
}  // namespace morvel::test
