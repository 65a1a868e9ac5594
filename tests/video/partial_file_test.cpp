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
    std::ofstream(dir + "/partial.bmp") << "half";
    RemovePartialFile((dir + "/partial.bmp").c_str());
    EXPECT_FALSE(std::filesystem::exists(dir + "/partial.bmp"));
    RemovePartialFile(dir.c_str());
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    // A device that refuses writes stays where it is, even for root.
    if (std::filesystem::exists("/dev/full")) {
        RemovePartialFile("/dev/full");
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
