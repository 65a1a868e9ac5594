// morvel-headless --record: a run of a cartridge recorded as the desktop
// program records it, read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/frame_buffer.h"
#include "core/frame_loop.h"
#include "core/machine.h"
#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct HeadlessQuality {
    const char* quality;
    long bitRate;
    double minimumPsnr;  // first frame against the machine's own picture, in dB
};

class HeadlessRecording : public ::testing::TestWithParam<HeadlessQuality> {
   protected:
    void SetUp() override { dir_ = MakeTempDir(); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

// The first frame's picture as the machine draws it, run here in-process:
// the machine is deterministic, so it is the frame morvel-headless recorded.
std::vector<uint8_t> FirstFramePicture(const std::string& cartridge) {
    if (!StartCartridge(cartridge.c_str())) return {};
    NormalFrame();
    return RecordedPartAsRgb(frameBuffer);
}

TEST_P(HeadlessRecording, RecordsEveryFrameInAFilePlayersRead) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    const HeadlessQuality& q = GetParam();
    std::string path = dir_ + "/nrom_board.nes 01-02-2026 03-04-05 006.avi";
    HeadlessRun run = RunHeadless(
        {"--record", path, "--quality", q.quality, "--frames", "60", TestRom("nrom_board")});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("recording: 60 frames handed off, 60 written, 0 dropped"),
              std::string::npos)
        << run.out;

    ExpectPlayableRecording(path, 60, 60, q.bitRate);

    std::vector<uint8_t> expected = FirstFramePicture(TestRom("nrom_board"));
    ASSERT_FALSE(expected.empty());
    EXPECT_GE(Psnr(DecodeVideoFrame(path, 0), expected), q.minimumPsnr);
}

INSTANTIATE_TEST_SUITE_P(Qualities, HeadlessRecording,
                         ::testing::Values(HeadlessQuality{"0", 64000, 28},
                                           HeadlessQuality{"1", 96000, 32},
                                           HeadlessQuality{"2", 128000, 34}));

// A recording that cannot be made leaves the run as it was: the cartridge
// still runs to its result, the failure is said on stderr and in the exit
// status (a failed output), no file appears.
TEST(HeadlessRecordingFailure, RunGoesOnWithoutTheFile) {
    std::string dir = MakeTempDir();
    std::string path = dir + "/missing/x.avi";
    HeadlessRun run =
        RunHeadless({"--record", path, "--until-result", "--frames", "600", TestRom("nrom_board")});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("cannot record to " + path), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

// A recording cut off by a kill plays up to where it was cut.
TEST(HeadlessRecordingKilled, FilePlaysUpToTheCut) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string dir = MakeTempDir();
    std::string path = dir + "/killed.avi";
    std::string command = "timeout -s KILL 2 '" MORVEL_HEADLESS
                          "' --realtime --frames 600 --record '" +
                          path + "' '" + TestRom("nrom_board") + "' >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    ExpectPlayableRecording(path, 30, 599, 64000);
    std::filesystem::remove_all(dir);
}

// A recording that fails leaves an older file of its name byte for byte, and
// a file of its own only when that holds whole frames. A read-only file is
// not replaced; a limit on file sizes stands in for a full disk.
TEST(HeadlessRecordingFailure, OlderFileStaysAndNothingEmptyIsLeft) {
    struct Case {
        mode_t older;  // the older file's permissions, 0 for none
        rlim_t sizeLimit;
        const char* message;
        bool newFileKept;
    };
    const Case cases[] = {
        {0444, RLIM_INFINITY, "cannot record to", false},
        {0644, 32 * 1024, "could not be written", false},
        {0, 4 * 1024, "could not be written", false},  // less than the header
        {0, 32 * 1024, "could not be written", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sizeLimit);
        std::string dir = MakeTempDir();
        std::string path = dir + "/x.avi";
        if (c.older) {
            std::ofstream(path) << "older";
            chmod(path.c_str(), c.older);
        }
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = {c.sizeLimit, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail instead
        HeadlessRun run = RunHeadless({"--record", path, "--frames", "300", TestRom("nrom_board")});
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        auto files = std::distance(std::filesystem::directory_iterator(dir), {});
        EXPECT_EQ(files, c.older || c.newFileKept ? 1 : 0);
        if (c.older) {
            EXPECT_TRUE(ReadFileText(path) == "older");  // not the whole file on failure
        }
        if (c.newFileKept && MediaToolsPresent()) ExpectPlayableRecording(path, 1, 299, 64000);
        std::filesystem::remove_all(dir);
    }
}

TEST(HeadlessRecordingOptions, QualityOutsideTheMenuIsRefused) {
    for (const char* bad : {"3", "-1", "high"}) {
        HeadlessRun run =
            RunHeadless({"--record", "/tmp/never.avi", "--quality", bad, TestRom("nrom_board")});
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_NE(run.err.find("bad value for --quality"), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace morvel::test
