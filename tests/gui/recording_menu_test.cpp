// The Record Video menu of the desktop program: its items reach the
// recording commands, their enabled states and check marks follow the
// picture mode and the quality, and closing the window completes the file.
// The commands' rules are tested in tests/frontend, the file's contents in
// tests/recording and the real window's session.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "desktop_fixture.h"
#include "frontend/commands.h"
#include "frontend/front_end.h"
#include "frontend/recording_commands.h"
#include "platform/qt/main_window.h"
#include "platform/qt/menu_table.h"
#include "recording/video_recorder.h"
#include "support/run_headless.h"
#include "video/osd.h"

namespace morvel::test {
namespace {

namespace fs = std::filesystem;

TEST_F(DesktopTest, RecordVideoMenuStartsAndStopsARecording) {
    osdWait = [](uint32_t) {};
    SetRecorderWaitsForWorker(true);
    Start({TestRom("nrom_board")});
    QAction* start = qt::ActionOf(kCmdRecordStart);
    QAction* stop = qt::ActionOf(kCmdRecordStop);
    qt::ActionOf(kCmdDotByDot)->trigger();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    qt::ActionOf(kCmdNesAspect)->trigger();
    EXPECT_TRUE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    const uint32_t qualities[] = {kCmdQualityPoor, kCmdQualityNormal, kCmdQualityHigh};
    for (uint32_t chosen : qualities) {
        qt::ActionOf(chosen)->trigger();
        for (uint32_t item : qualities)
            EXPECT_EQ(qt::ActionOf(item)->isChecked(), item == chosen) << item;
    }
    EXPECT_EQ(recordQuality, 2);

    ASSERT_TRUE(RunFrames(3));
    start->trigger();
    EXPECT_EQ(recording, 1u);
    ASSERT_TRUE(RunFrames(20));
    stop->trigger();
    EXPECT_EQ(recording, 0u);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    EXPECT_GE(RecorderStats().framesWritten, 20u);

    // The file is named after the cartridge with a time stamp
    // " MM-DD-YYYY HH-MM-SS mmm".
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dataFolder_ + "/videos"))
        names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("nrom_board.nes ", 0), 0u) << names[0];
    EXPECT_EQ(names[0].size(), std::string("nrom_board.nes").size() + 24 + 4) << names[0];
    EXPECT_EQ(names[0].substr(names[0].size() - 4), ".avi") << names[0];

    // Closing the window ends a running recording with a complete file.
    messages_.clear();
    start->trigger();
    ASSERT_TRUE(RunFrames(5));
    window()->close();
    EXPECT_EQ(recording, 0u);
    EXPECT_TRUE(SawMessage("STOP RECORDING VIDEO"));
    SetRecorderWaitsForWorker(false);
}

}  // namespace
}  // namespace morvel::test
