// morvel-headless --record: a run of a cartridge recorded as the desktop
// program records it, read back by ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cart/cartridge.h"
#include "core/frame_buffer.h"
#include "core/frame_loop.h"
#include "core/memory_map.h"
#include "ppu/ppu.h"
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
    if (!LoadCartridge(cartridge.c_str())) return {};
    ClearWorkRam();
    SelectRenderer();
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
