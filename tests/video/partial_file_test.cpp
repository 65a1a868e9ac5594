// A failed write may leave a partial file behind; only a regular file is removed.
#include "video/partial_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

TEST(PartialFile, RemovesOnlyRegularFiles) {
    std::string dir = MakeTempDir();
    std::string file = dir + "/partial.bmp";
    std::ofstream(file) << "half";
    RemovePartialFile(file.c_str());
    EXPECT_FALSE(std::filesystem::exists(file));

    std::filesystem::create_directory(dir + "/folder");
    RemovePartialFile((dir + "/folder").c_str());
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/folder"));

    // A device that refuses writes stays where it is, even for root.
    if (std::filesystem::exists("/dev/full")) {
        RemovePartialFile("/dev/full");
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
        HeadlessRun run = RunHeadless({"--frames", "1", "--dump-ram", "/dev/full", "--screenshot",
                                       "/dev/full", TestRom("nrom_board")});
        EXPECT_NE(run.exitCode, 0) << "a failed output fails the run";
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
