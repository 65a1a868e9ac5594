// The recorder as the frame loop and the menu drive it, for what a run of
// morvel-headless (tests/rom/recording_test.cpp) does not reach: frames the
// worker has no time for, the hand-off's copy, and the quality taken at start.
#include "recording/video_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

class Recorder : public ::testing::Test {
   protected:
    void SetUp() override { recordQuality = 0; }
    void TearDown() override {
        if (RecorderActive()) StopRecording();
        SetRecorderWaitsForWorker(false);
        std::filesystem::remove_all(dir_);
    }
    // Hands over a frame whose picture is all `colour`, with a frame of silence.
    void HandOff(uint32_t colour) {
        picture_.assign(256 * 240, colour);
        RecorderHandOff(picture_.data(), silence_, 744);
    }
    std::string dir_ = MakeTempDir();
    std::vector<uint32_t> picture_;
    int16_t silence_[744] = {};
};

// Eight frames wait for a held worker; the next are dropped, picture and
// sound together, and counted. The hand-off copies: the first frame in the
// file is red although the machine's picture was redrawn before the worker ran.
TEST_F(Recorder, FramesWaitInEightSlotsAndTheRestAreDropped) {
    std::string path = dir_ + "/drops.avi";
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    for (int frame = 0; frame < 11; ++frame) HandOff(frame ? 0x00F800 : 0xF80000);
    RecorderStatistics held = RecorderStats();
    EXPECT_EQ(held.framesHandedOff, 11u);
    EXPECT_EQ(held.framesDropped, 3u);
    EXPECT_EQ(held.framesWritten, 0u);
    ASSERT_EQ(StopRecording(), 1);
    EXPECT_EQ(RecorderStats().framesWritten, 8u);
    EXPECT_EQ(RecorderStats().soundBlocksWritten, 9u);  // the frames' blocks and the encoder's last
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::vector<uint8_t> first = DecodeVideoFrame(path, 0);
    ASSERT_EQ(first.size(), 256u * 224 * 3);
    EXPECT_GT(first[0], 200);  // red, not the green drawn over it
    EXPECT_LT(first[1], 50);
}

TEST_F(Recorder, StartWhileRecordingAndStopWhileIdleDoNothing) {
    EXPECT_EQ(StopRecording(), 0);
    ASSERT_EQ(StartRecording((dir_ + "/a.avi").c_str()), 1);
    EXPECT_EQ(StartRecording((dir_ + "/b.avi").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/b.avi"));
    EXPECT_TRUE(RecorderActive());
    EXPECT_EQ(StopRecording(), 1);
    EXPECT_FALSE(RecorderActive());
    EXPECT_EQ(StopRecording(), 0);
}

// The sound's bit rate follows the quality at start: a change during the
// recording waits for the next, and a quality outside 0-2 (a hand-edited
// configuration file) records at Poor rather than reading past the tables.
TEST_F(Recorder, QualityIsTakenAtStart) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    const struct {
        int32_t atStart, afterStart;
        long bitRate;
    } cases[] = {{2, 0, 128000}, {7, 7, 64000}};
    SetRecorderWaitsForWorker(true);
    for (const auto& c : cases) {
        std::string path = dir_ + "/q" + std::to_string(c.atStart) + ".avi";
        recordQuality = c.atStart;
        ASSERT_EQ(StartRecording(path.c_str()), 1);
        ResumeRecorder();
        recordQuality = c.afterStart;  // before the first frame, which makes the sound stream
        for (int frame = 0; frame < 3; ++frame) HandOff(0x808080);
        ASSERT_EQ(StopRecording(), 1);
        std::vector<StreamProbe> streams = ProbeStreams(path);
        ASSERT_EQ(streams.size(), 2u);
        EXPECT_EQ(streams[1].bitRate, c.bitRate) << c.atStart;
    }
}

}  // namespace
}  // namespace morvel::test
