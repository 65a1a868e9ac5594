// The Record Video menu of the desktop program: recordings started and
// stopped from the menu land in the videos folder and are read back by
// ffprobe; the items' conditions, the ways a recording ends with the game or
// the picture mode, the quality of the next recording, and the failures the
// user is told about.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAction>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "core/frame_loop.h"
#include "desktop_fixture.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/recording_commands.h"
#include "frontend/settings.h"
#include "platform/qt/main_window.h"
#include "platform/qt/menu_table.h"
#include "recording/recording_frame.h"
#include "recording/video_recorder.h"
#include "support/media_probe.h"
#include "support/run_headless.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel::test {
namespace {

namespace fs = std::filesystem;

class RecordingMenuTest : public DesktopTest {
   protected:
    void SetUp() override {
        DesktopTest::SetUp();
        recordQuality = 1;
        // The messages' reading pauses are of no use here.
        waitBefore_ = osdWait;
        osdWait = [](uint32_t) {};
        // The worker gets no guaranteed share of a busy test machine; waiting
        // for it keeps every frame, so the counts below are exact.
        SetRecorderWaitsForWorker(true);
    }
    void TearDown() override {
        DesktopTest::TearDown();
        SetRecorderWaitsForWorker(false);
        osdWait = waitBefore_;
    }
    OsdWaitFunction waitBefore_ = nullptr;

    // A game running in the NES aspect mode, where recordings are made.
    void StartGameInAspectMode() {
        Start({TestRom("nrom_board")});
        qt::ActionOf(kCmdNesAspect)->trigger();
        ASSERT_TRUE(RunFrames(3));
        ASSERT_TRUE(emuRunning);
    }

    std::string VideosFolderPath() const { return dataFolder_ + "/videos"; }

    std::vector<std::string> VideoFiles() const {
        std::vector<std::string> files;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(VideosFolderPath(), error))
            if (entry.path().extension() == ".avi") files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    // Starts a recording from the menu and runs `frames` frames in it.
    // Returns the frames presented meanwhile.
    uint64_t RecordFrames(int frames) {
        qt::ActionOf(kCmdRecordStart)->trigger();
        EXPECT_EQ(recording, 1u);
        uint64_t first = framesPresented;
        EXPECT_TRUE(RunFrames(frames));
        return framesPresented - first;
    }

    // The files in the videos folder that were not in `before`.
    std::vector<std::string> NewFiles(const std::vector<std::string>& before) const {
        std::vector<std::string> added;
        for (const std::string& f : VideoFiles())
            if (std::find(before.begin(), before.end(), f) == before.end()) added.push_back(f);
        return added;
    }
};

// What players see in a finished recording: a Microsoft Video 1 stream of
// 256 x 224 at 60 frames a second with `frames` frames, and a mono MP3 track
// at 44100 Hz with the quality's bit rate.
// The sound track's bitrate for the quality now chosen: Poor, Normal, High.
long ChosenBitRate() {
    const long kBitRates[3] = {64000, 96000, 128000};
    return kBitRates[recordQuality >= 0 && recordQuality <= 2 ? recordQuality : 0];
}

TEST_F(RecordingMenuTest, StartAndStopRecordTheGameIntoTheVideosFolder) {
    StartGameInAspectMode();
    ASSERT_TRUE(fs::is_directory(VideosFolderPath()));
    ASSERT_TRUE(VideoFiles().empty());
    qt::ActionOf(kCmdQualityNormal)->trigger();

    uint64_t presented = RecordFrames(45);
    EXPECT_TRUE(SawMessage("RECORDING VIDEO"));
    EXPECT_EQ(frameFunction, &RecordingFrame);
    qt::ActionOf(kCmdRecordStop)->trigger();
    EXPECT_EQ(recording, 0u);
    EXPECT_EQ(frameFunction, &NormalFrame);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    EXPECT_FALSE(SawMessage("VIDEO FILE INCOMPLETE"));

    // Every frame that ran while recording was handed over, and none after.
    RecorderStatistics stats = RecorderStats();
    EXPECT_EQ(stats.framesHandedOff, presented);
    EXPECT_EQ(stats.framesWritten, presented);
    ASSERT_TRUE(RunFrames(10));
    EXPECT_EQ(RecorderStats().framesHandedOff, presented);
    EXPECT_TRUE(emuRunning);

    // "nrom_board.nes", the stamp " MM-DD-YYYY HH-MM-SS mmm" and ".avi".
    std::vector<std::string> files = VideoFiles();
    ASSERT_EQ(files.size(), 1u);
    std::string name = fs::path(files[0]).filename().string();
    EXPECT_EQ(name.rfind("nrom_board.nes ", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("nrom_board.nes").size() + 24 + 4) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".avi") << name;

    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    ExpectPlayableRecording(files[0], static_cast<long>(presented), static_cast<long>(presented),
                            ChosenBitRate());
}

// Start does nothing without a running game, while paused and while a
// recording runs; in the Dot by Dot mode both items are disabled.
TEST_F(RecordingMenuTest, StartOnlyWhileAGameRunsInTheAspectModeAndNoRecordingRuns) {
    Start();
    qt::ActionOf(kCmdNesAspect)->trigger();
    EXPECT_TRUE(qt::ActionOf(kCmdRecordStart)->isEnabled());
    EXPECT_TRUE(qt::ActionOf(kCmdRecordStop)->isEnabled());
    qt::ActionOf(kCmdRecordStart)->trigger();  // no game
    RunPasses(3);
    EXPECT_EQ(recording, 0u);

    ASSERT_TRUE(OpenCartridge(TestRom("nrom_board").c_str()));
    ASSERT_TRUE(RunFrames(3));
    RunCommand(kCmdPause);
    ASSERT_FALSE(emuRunning);
    qt::ActionOf(kCmdRecordStart)->trigger();  // paused
    EXPECT_EQ(recording, 0u);
    RunCommand(kCmdPause);

    qt::ActionOf(kCmdDotByDot)->trigger();
    EXPECT_FALSE(qt::ActionOf(kCmdRecordStart)->isEnabled());
    EXPECT_FALSE(qt::ActionOf(kCmdRecordStop)->isEnabled());
    RunCommand(kCmdRecordStart);  // Dot by Dot, even past the menu
    EXPECT_EQ(recording, 0u);
    EXPECT_FALSE(SawMessage("RECORDING VIDEO"));
    EXPECT_TRUE(VideoFiles().empty());

    qt::ActionOf(kCmdNesAspect)->trigger();
    EXPECT_TRUE(qt::ActionOf(kCmdRecordStart)->isEnabled());
    RecordFrames(5);
    messages_.clear();
    qt::ActionOf(kCmdRecordStart)->trigger();  // already recording
    EXPECT_FALSE(SawMessage("RECORDING VIDEO"));
    ASSERT_TRUE(RunFrames(5));
    EXPECT_EQ(VideoFiles().size(), 1u);
    EXPECT_GE(RecorderStats().framesHandedOff, 10u);  // the same recording went on
    qt::ActionOf(kCmdRecordStop)->trigger();
    EXPECT_EQ(recording, 0u);

    // Stop with no recording does nothing.
    messages_.clear();
    qt::ActionOf(kCmdRecordStop)->trigger();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(VideoFiles().size(), 1u);
}

// The ways a recording ends besides Stop, each leaving a complete file.
struct EndingCase {
    const char* name;
    void (*end)(RecordingMenuTest* test);
};

void PrintTo(const EndingCase& c, std::ostream* out) {
    *out << c.name;
}

class RecordingEnds : public RecordingMenuTest, public ::testing::WithParamInterface<EndingCase> {
   public:
    qt::MainWindow* Window() const { return window(); }
};

TEST_P(RecordingEnds, WithTheGameOrTheAspectModeAndTheFileIsComplete) {
    StartGameInAspectMode();
    qt::ActionOf(kCmdQualityNormal)->trigger();
    uint64_t presented = RecordFrames(20);
    GetParam().end(this);
    EXPECT_EQ(recording, 0u);
    EXPECT_EQ(frameFunction, &NormalFrame);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    EXPECT_EQ(RecorderStats().framesHandedOff, presented);
    std::vector<std::string> files = VideoFiles();
    ASSERT_EQ(files.size(), 1u);
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    ExpectPlayableRecording(files[0], static_cast<long>(presented), static_cast<long>(presented),
                            ChosenBitRate());
}

INSTANTIATE_TEST_SUITE_P(
    Endings, RecordingEnds,
    ::testing::Values(
        EndingCase{"DotByDot", [](RecordingMenuTest*) { qt::ActionOf(kCmdDotByDot)->trigger(); }},
        EndingCase{"CloseRom", [](RecordingMenuTest*) { qt::ActionOf(kCmdCloseRom)->trigger(); }},
        EndingCase{"AnotherCartridge",
                   [](RecordingMenuTest*) {
                       ASSERT_TRUE(OpenCartridge(TestRom("nrom_board").c_str()));
                       EXPECT_TRUE(emuRunning);
                   }},
        EndingCase{"ClosingTheWindow",
                   [](RecordingMenuTest* t) {
                       static_cast<RecordingEnds*>(t)->Window()->close();
                       EXPECT_TRUE(static_cast<RecordingEnds*>(t)->Window()->closed());
                   }}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

// The checked quality applies to the next recording; a recording keeps the
// quality it started with.
TEST_F(RecordingMenuTest, QualityChoiceAppliesToTheNextRecording) {
    StartGameInAspectMode();
    struct Step {
        uint32_t chosenBefore;  // quality item triggered before Start
        uint32_t chosenDuring;  // ... and while recording
        long bitRate;           // of this recording's sound track
        int32_t kept;           // recordQuality afterwards
    };
    const Step steps[] = {
        {kCmdQualityPoor, kCmdQualityHigh, 64000, 2},
        {kCmdQualityHigh, kCmdQualityNormal, 128000, 1},
        {kCmdQualityNormal, kCmdQualityNormal, 96000, 1},
    };
    const uint32_t items[] = {kCmdQualityPoor, kCmdQualityNormal, kCmdQualityHigh};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.chosenBefore);
        qt::ActionOf(step.chosenBefore)->trigger();
        for (uint32_t item : items)
            EXPECT_EQ(qt::ActionOf(item)->isChecked(), item == step.chosenBefore) << item;
        std::vector<std::string> before = VideoFiles();
        uint64_t first = framesPresented;
        RecordFrames(10);
        qt::ActionOf(step.chosenDuring)->trigger();
        EXPECT_TRUE(qt::ActionOf(step.chosenDuring)->isChecked());
        ASSERT_TRUE(RunFrames(5));
        qt::ActionOf(kCmdRecordStop)->trigger();
        long presented = static_cast<long>(framesPresented - first);
        EXPECT_EQ(recordQuality, step.kept);
        EXPECT_EQ(settings.recordQuality, step.kept);  // what the configuration file gets
        std::vector<std::string> added = NewFiles(before);
        ASSERT_EQ(added.size(), 1u);
        if (MediaToolsPresent()) {
            std::vector<StreamProbe> streams = ProbeStreams(added[0]);
            ASSERT_EQ(streams.size(), 2u);
            EXPECT_EQ(streams[1].bitRate, step.bitRate);
            EXPECT_EQ(streams[0].framesRead, presented);
        }
    }
}

// With no videos folder to write into, Start says the recording did not
// start and the game runs on as before.
TEST_F(RecordingMenuTest, RecordingThatCannotStartLeavesTheGameRunning) {
    StartGameInAspectMode();
    // A file where the folder should be: not even the superuser can create a
    // video in it.
    fs::remove_all(VideosFolderPath());
    std::ofstream(VideosFolderPath()) << "not a folder";
    qt::ActionOf(kCmdRecordStart)->trigger();
    EXPECT_TRUE(SawMessage("RECORDING NOT STARTED"));
    EXPECT_FALSE(SawMessage("RECORDING VIDEO"));
    EXPECT_EQ(recording, 0u);
    EXPECT_FALSE(RecorderActive());
    EXPECT_EQ(frameFunction, &NormalFrame);
    EXPECT_TRUE(emuRunning);
    ASSERT_TRUE(RunFrames(10));
    // Stop then has nothing to stop.
    messages_.clear();
    qt::ActionOf(kCmdRecordStop)->trigger();
    EXPECT_TRUE(messages_.empty());

    // With the folder back the next Start records.
    fs::remove(VideosFolderPath());
    fs::create_directory(VideosFolderPath());
    RecordFrames(5);
    qt::ActionOf(kCmdRecordStop)->trigger();
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    EXPECT_EQ(VideoFiles().size(), 1u);
}

// A file the system stops growing (here by the process's file size limit,
// as a full disk would) is reported at Stop instead of the usual message: cut
// short after some frames, or not saved at all when not one frame fit.
TEST_F(RecordingMenuTest, StopSaysWhenTheFileIsIncomplete) {
    struct Case {
        rlim_t limit;
        const char* message;
        size_t files;
    };
    StartGameInAspectMode();
    for (const Case& c :
         {Case{64 * 1024, "VIDEO FILE INCOMPLETE", 1}, Case{4 * 1024, "VIDEO NOT SAVED", 0}}) {
        SCOPED_TRACE(c.message);
        rlimit original{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
        rlimit small = original;
        small.rlim_cur = c.limit;
        if (original.rlim_max != RLIM_INFINITY && original.rlim_max < small.rlim_cur)
            small.rlim_cur = original.rlim_max;
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        messages_.clear();
        qt::ActionOf(kCmdRecordStart)->trigger();
        bool failed = RunUntil([] { return RecorderStats().failed != 0; }, 30000);
        qt::ActionOf(kCmdRecordStop)->trigger();
        setrlimit(RLIMIT_FSIZE, &original);
        std::signal(SIGXFSZ, previousHandler);
        ASSERT_TRUE(failed);
        EXPECT_EQ(recording, 0u);
        EXPECT_TRUE(SawMessage(c.message));
        EXPECT_FALSE(SawMessage("STOP RECORDING VIDEO"));
        EXPECT_EQ(VideoFiles().size(), c.files);
        EXPECT_TRUE(emuRunning);
        ASSERT_TRUE(RunFrames(5));
        for (const std::string& file : VideoFiles()) fs::remove(file);
    }
}

}  // namespace
}  // namespace morvel::test
