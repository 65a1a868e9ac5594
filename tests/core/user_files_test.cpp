#include "core/user_files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_folder.h"

namespace morvel {
namespace {

namespace fs = std::filesystem;

// Special files are refused at once, never waited on: a FIFO without a
// writer would block an ordinary open forever, /dev/zero never ends.
TEST(UserFiles, ReadsOnlyBoundedRegularFiles) {
    test::TempFolder folder;
    std::string fifo = folder.File("pipe"), small = folder.File("small");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    test::WriteBytes(small, std::string(100, 'x'));
    struct Case {
        std::string path;
        size_t bound;
        ReadOutcome expected;
    } cases[] = {
        {fifo, 1000, ReadOutcome::kNotRegular},
        {"/dev/zero", 1000, ReadOutcome::kNotRegular},
        {folder.path().string(), 1000, ReadOutcome::kNotRegular},
        {folder.File("absent"), 1000, ReadOutcome::kMissing},
        {small, 99, ReadOutcome::kTooLarge},
        {small, 100, ReadOutcome::kRead},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadUserFile(c.path, c.bound, bytes), c.expected) << c.path;
        EXPECT_EQ(bytes.size(), c.expected == ReadOutcome::kRead ? 100u : 0u) << c.path;
    }
}

// The replacement keeps the old file's permissions, writes through a link to
// its target, leaves the old file as it was when the new one cannot be written
// whole (a full disk, here a file size limit) and leaves nothing beside.
TEST(UserFiles, ReplacesWhatTheUserKeeps) {
    test::TempFolder folder;
    std::string kept = folder.File("kept"), link = folder.File("link");
    test::WriteBytes(kept, "old");
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    fs::create_symlink("kept", link);

    std::string why;
    ASSERT_TRUE(ReplaceUserFile(link, "new", 3, why)) << why;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(test::ReadBytes(kept), "new");
    struct stat info;
    ASSERT_EQ(stat(kept.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small = {2, limit.rlim_max};
    auto* const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool replaced = ReplaceUserFile(kept, "newer", 5, why);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(test::ReadBytes(kept), "new");

    {
        FileReplacement abandoned(kept);
        std::FILE* file = abandoned.Open();
        ASSERT_NE(file, nullptr);
        std::fputs("half", file);
    }
    EXPECT_EQ(test::ReadBytes(kept), "new");
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"kept", "link"}));
}

}  // namespace
}  // namespace morvel
