// The recorder as the frame loop and the menu drive it: frames handed over,
// the worker writing them, start and stop, and files players read.
#include "recording/video_recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "busy_picture.h"
#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr uint32_t kSamplesPerFrame = 744;

// The machine's side of a recording: a 256 x 256 picture and a frame of sound.
struct FakeMachine {
    std::vector<uint32_t> picture = std::vector<uint32_t>(256 * 256);
    int16_t samples[kSamplesPerFrame];
    BusyPicture busy;
    explicit FakeMachine(int cell) : busy(cell) {}
    void RunFrame(int frame) {
        busy.Draw(frame, picture.data());
        for (uint32_t i = 0; i < kSamplesPerFrame; ++i)
            samples[i] = static_cast<int16_t>(
                8000 * std::sin((frame * kSamplesPerFrame + i) * 2 * M_PI * 440 / 44671));
    }
    void HandOff() { RecorderHandOff(picture.data(), samples, kSamplesPerFrame); }
};

class Recorder : public ::testing::Test {
   protected:
    void SetUp() override {
        dir_ = MakeTempDir();
        recordQuality = 0;
        SetRecorderWaitsForWorker(true);
    }
    void TearDown() override {
        if (RecorderActive()) StopRecording();
        SetRecorderWaitsForWorker(false);
        std::filesystem::remove_all(dir_);
    }
    // Records `frames` frames as the desktop's commands and frame loop do;
    // returns what StopRecording returned.
    int Record(const std::string& path, FakeMachine& machine, int frames) {
        EXPECT_EQ(StartRecording(path.c_str()), 1);
        ResumeRecorder();
        for (int frame = 0; frame < frames; ++frame) {
            machine.RunFrame(frame);
            machine.HandOff();
        }
        SuspendRecorder();
        return StopRecording();
    }
    std::string dir_;
};

struct QualityCase {
    int32_t quality;
    long bitRate;
    double minimumPsnr;  // of the first frame against the picture, in dB
};

class RecorderQuality : public Recorder, public ::testing::WithParamInterface<QualityCase> {};

// The file holds one Microsoft Video 1 stream of every frame and one MP3
// stream at the quality's bitrate; both decode to the end; the first frame is
// the picture within the codec's loss. PSNR is taken over 8-bit RGB of rows
// 9-232; the bounds sit below what this picture gives (about 30.5, 34 and
// 35 dB; High is lossless in the codec's 15-bit colours, whose rounding alone
// costs about 35.5 dB on colours spread over all of 24 bits) and far above a
// wrong or shifted picture (under 15 dB).
TEST_P(RecorderQuality, PlayersReadTheFile) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    const QualityCase& c = GetParam();
    constexpr int kFrames = 30;
    recordQuality = c.quality;
    std::string path = dir_ + "/game.nes 01-02-2026 03-04-05 006.avi";
    FakeMachine machine(2);
    machine.RunFrame(0);
    std::vector<uint8_t> firstFrame = RecordedPartAsRgb(machine.picture.data());
    ASSERT_EQ(Record(path, machine, kFrames), 1);
    RecorderStatistics stats = RecorderStats();
    EXPECT_EQ(stats.framesHandedOff, static_cast<uint32_t>(kFrames));
    EXPECT_EQ(stats.framesWritten, static_cast<uint32_t>(kFrames));
    EXPECT_EQ(stats.framesDropped, 0u);

    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    const StreamProbe& video = streams[0].type == "video" ? streams[0] : streams[1];
    const StreamProbe& sound = streams[0].type == "video" ? streams[1] : streams[0];
    EXPECT_EQ(video.codec, "msvideo1");
    EXPECT_EQ(video.width, 256);
    EXPECT_EQ(video.height, 224);
    EXPECT_EQ(video.frameRate, "60/1");
    EXPECT_EQ(video.framesRead, kFrames);
    EXPECT_EQ(sound.codec, "mp3");
    EXPECT_EQ(sound.sampleRate, 44100);
    EXPECT_EQ(sound.channels, 1);
    EXPECT_EQ(sound.bitRate, c.bitRate);
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, errors)) << errors;

    std::vector<uint8_t> decoded = DecodeVideoFrame(path, 0);
    double psnr = Psnr(decoded, firstFrame);
    EXPECT_GE(psnr, c.minimumPsnr);
    // Rows 9-232 and not 8-231: one row off is far worse.
    machine.RunFrame(0);
    EXPECT_LT(Psnr(decoded, RecordedPartAsRgb(machine.picture.data(), 8)), psnr - 6);
    std::printf("quality %d: first frame PSNR %.1f dB, file %ju bytes\n", c.quality, psnr,
                static_cast<uintmax_t>(std::filesystem::file_size(path)));

    // 744 samples a frame at 44671 Hz are 734.5 at 44100 Hz: all of them are in the
    // track, the encoder's last frames included.
    std::vector<int16_t> sound16 = DecodeSound(path);
    EXPECT_GE(sound16.size(), static_cast<size_t>(kFrames) * 734);
    // And they are the tone, not silence.
    double energy = 0;
    for (int16_t s : sound16) energy += static_cast<double>(s) * s;
    EXPECT_GT(std::sqrt(energy / static_cast<double>(sound16.size())), 2000);
}

std::string QualityName(const ::testing::TestParamInfo<QualityCase>& info) {
    static const char* const kNames[3] = {"Poor", "Normal", "High"};
    return kNames[info.param.quality];
}

INSTANTIATE_TEST_SUITE_P(Qualities, RecorderQuality,
                         ::testing::Values(QualityCase{0, 64000, 28}, QualityCase{1, 96000, 32},
                                           QualityCase{2, 128000, 34}),
                         QualityName);

// The sound track ends with what the encoder still held at stop: without
// that the last 50 ms or more of a tone would be missing.
TEST_F(Recorder, StopKeepsTheEndOfTheSoundTrack) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = dir_ + "/tail.avi";
    FakeMachine machine(2);
    ASSERT_EQ(Record(path, machine, 6), 1);
    std::vector<int16_t> sound = DecodeSound(path);
    // 6 x 734.5 samples of tone after the encoder's lead-in of silence.
    ASSERT_GE(sound.size(), 6u * 734);
    double tail = 0;
    for (size_t i = sound.size() - 2000; i < sound.size() - 1000; ++i)
        tail += static_cast<double>(sound[i]) * sound[i];
    EXPECT_GT(std::sqrt(tail / 1000), 2000);
}

TEST_F(Recorder, HandOffCopiesThePictureAndTheSamples) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = dir_ + "/copy.avi";
    FakeMachine machine(2);
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    // The worker is held, so it reads the hand-off only after the next frame
    // has drawn over the machine's picture and samples.
    machine.RunFrame(0);
    std::vector<uint8_t> handed = RecordedPartAsRgb(machine.picture.data());
    machine.HandOff();
    machine.RunFrame(40);
    std::vector<uint8_t> overwritten = RecordedPartAsRgb(machine.picture.data());
    ResumeRecorder();
    SuspendRecorder();
    ASSERT_EQ(StopRecording(), 1);
    std::vector<uint8_t> decoded = DecodeVideoFrame(path, 0);
    EXPECT_GE(Psnr(decoded, handed), 28);
    EXPECT_LT(Psnr(decoded, overwritten), 20);
}

// Stop lets the worker finish: a frame handed over just before stop is in
// the file, and a recording of one frame is a file of one frame with sound.
TEST_F(Recorder, StopWaitsForTheLastFrame) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = dir_ + "/one.avi";
    FakeMachine machine(1);
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    ResumeRecorder();
    machine.RunFrame(0);
    machine.HandOff();
    SuspendRecorder();
    ASSERT_EQ(StopRecording(), 1);
    EXPECT_EQ(RecorderStats().framesWritten, 1u);
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].framesRead, 1);
    EXPECT_EQ(streams[1].type, "audio");
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(path, errors)) << errors;
}

// Frames the worker has no time for are dropped, picture and sound together,
// and counted; eight frames wait for it.
TEST_F(Recorder, FramesTheWorkerCannotTakeAreCounted) {
    SetRecorderWaitsForWorker(false);
    std::string path = dir_ + "/drops.avi";
    FakeMachine machine(1);
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    for (int frame = 0; frame < 11; ++frame) {
        machine.RunFrame(frame);
        machine.HandOff();
    }
    RecorderStatistics held = RecorderStats();
    EXPECT_EQ(held.framesHandedOff, 11u);
    EXPECT_EQ(held.framesDropped, 3u);
    EXPECT_EQ(held.framesWritten, 0u);
    ASSERT_EQ(StopRecording(), 1);
    RecorderStatistics s = RecorderStats();
    EXPECT_EQ(s.framesWritten, 8u);
    EXPECT_EQ(s.soundBlocksWritten, 9u);  // the frames' blocks and the encoder's last
}

TEST_F(Recorder, StartWhileRecordingAndStopWhileIdleDoNothing) {
    std::string path = dir_ + "/a.avi";
    EXPECT_EQ(StopRecording(), 0);
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    EXPECT_EQ(StartRecording((dir_ + "/b.avi").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/b.avi"));
    EXPECT_TRUE(RecorderActive());
    EXPECT_EQ(StopRecording(), 1);
    EXPECT_FALSE(RecorderActive());
    EXPECT_EQ(StopRecording(), 0);
}

TEST_F(Recorder, QualityChangedDuringARecordingWaitsForTheNext) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = dir_ + "/q.avi";
    FakeMachine machine(2);
    recordQuality = 2;
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    ResumeRecorder();
    recordQuality = 0;  // before the first frame, which creates the sound stream
    for (int frame = 0; frame < 5; ++frame) {
        machine.RunFrame(frame);
        machine.HandOff();
    }
    ASSERT_EQ(StopRecording(), 1);
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].bitRate, 128000);
    EXPECT_GE(Psnr(DecodeVideoFrame(path, 0),
                   [&] {
                       machine.RunFrame(0);
                       return RecordedPartAsRgb(machine.picture.data());
                   }()),
              34);
}

// A quality outside 0-2 (a hand-edited configuration file) records at Poor
// rather than reading past the tables.
TEST_F(Recorder, QualityOutOfRangeRecordsAtPoor) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = dir_ + "/odd.avi";
    FakeMachine machine(2);
    recordQuality = 7;
    ASSERT_EQ(Record(path, machine, 2), 1);
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[1].bitRate, 64000);
}

// A file that cannot be created records nothing and changes nothing: the
// frame loop's hand-offs are ignored and nothing is left behind.
TEST_F(Recorder, FileThatCannotBeCreatedRecordsNothing) {
    std::string notAFolder = dir_ + "/videos";
    std::FILE* f = std::fopen(notAFolder.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    FakeMachine machine(1);
    for (const std::string& path : {dir_ + "/missing/game.avi", notAFolder + "/game.avi"}) {
        EXPECT_EQ(StartRecording(path.c_str()), 0) << path;
        EXPECT_FALSE(RecorderActive());
        machine.RunFrame(0);
        machine.HandOff();
        EXPECT_EQ(StopRecording(), 0);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // And a good path still records afterwards.
    EXPECT_EQ(StartRecording((dir_ + "/fine.avi").c_str()), 1);
    EXPECT_EQ(StopRecording(), 1);
}

// A disk that fills up: the recording goes on taking frames without harm,
// and stop reports that the file is not complete.
TEST_F(Recorder, FullDiskIsReportedAtStop) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    FakeMachine machine(1);
    ASSERT_EQ(StartRecording("/dev/full"), 1);
    ResumeRecorder();
    for (int frame = 0; frame < 5; ++frame) {
        machine.RunFrame(frame);
        machine.HandOff();
    }
    EXPECT_EQ(StopRecording(), 0);
    RecorderStatistics s = RecorderStats();
    EXPECT_EQ(s.failed, 1u);
    EXPECT_EQ(s.framesWritten, 0u);
    EXPECT_EQ(s.framesHandedOff, 5u);
}

TEST(VideoFileName, CartridgeNameThenStampThenExtension) {
    EXPECT_EQ(VideoFileName("/home/me/roms/game.nes", " 12-05-2026 13-04-07 089"),
              "game.nes 12-05-2026 13-04-07 089.avi");
    EXPECT_EQ(VideoFileName("game.nes", " 01-01-2027 00-00-00 000"),
              "game.nes 01-01-2027 00-00-00 000.avi");
}

TEST(VideoFileName, NewVideosGoToTheVideosFolder) {
    std::string dir = MakeTempDir();
    PrepareVideos(dir.c_str());
    EXPECT_EQ(VideosFolder(), dir + "/videos");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/videos"));
    std::string path = NewVideoPath("/somewhere/game.nes");
    // "<folder>/game.nes MM-DD-YYYY hh-mm-ss mmm.avi"
    ASSERT_EQ(path.size(), (dir + "/videos/game.nes").size() + 24 + 4);
    EXPECT_EQ(path.rfind(dir + "/videos/game.nes ", 0), 0u);
    EXPECT_EQ(path.substr(path.size() - 4), ".avi");
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    EXPECT_EQ(StopRecording(), 1);
    EXPECT_TRUE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

// The worker against the clock: busy frames handed over at 60 per second
// without waiting, as the desktop's frame loop does. Every frame is either
// in the file or counted as dropped. MORVEL_RECORD_SECONDS sets the length
// (2 s by default; the measurement of a minute is run by hand).
TEST_F(Recorder, WorkerKeepsUpInRealTime) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    SetRecorderWaitsForWorker(false);
    const char* seconds = std::getenv("MORVEL_RECORD_SECONDS");
    int frames = 60 * (seconds ? std::max(1, std::atoi(seconds)) : 2);
    std::string path = dir_ + "/realtime.avi";
    FakeMachine machine(1);  // the codec's worst case: every pixel of a tile at random
    recordQuality = 2;
    ASSERT_EQ(StartRecording(path.c_str()), 1);
    ResumeRecorder();
    auto next = std::chrono::steady_clock::now();
    double longestHandOff = 0;
    for (int frame = 0; frame < frames; ++frame) {
        machine.RunFrame(frame);
        auto before = std::chrono::steady_clock::now();
        machine.HandOff();
        longestHandOff = std::max(longestHandOff, std::chrono::duration<double, std::milli>(
                                                      std::chrono::steady_clock::now() - before)
                                                      .count());
        next += std::chrono::microseconds(16667);
        std::this_thread::sleep_until(next);
    }
    SuspendRecorder();
    ASSERT_EQ(StopRecording(), 1);
    RecorderStatistics s = RecorderStats();
    EXPECT_EQ(s.framesHandedOff, static_cast<uint32_t>(frames));
    EXPECT_EQ(s.framesWritten + s.framesDropped, s.framesHandedOff);
    std::vector<StreamProbe> streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].framesRead, static_cast<long>(s.framesWritten));
    std::printf(
        "%d frames at 60 per second: %u written, %u dropped; per frame %.3f ms picture, "
        "%.3f ms sound; longest hand-off %.3f ms\n",
        frames, s.framesWritten, s.framesDropped, 1000 * s.videoSeconds / s.framesWritten,
        1000 * s.soundSeconds / s.framesWritten, longestHandOff);
}

}  // namespace
}  // namespace morvel::test
