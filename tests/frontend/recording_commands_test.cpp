// The quality commands of the Record Video menu, without a window.
#include "frontend/recording_commands.h"

#include <gtest/gtest.h>

#include "frontend/settings.h"
#include "recording/video_recorder.h"

namespace morvel {
namespace {

TEST(RecordingCommands, QualityKeepsOnlyTheThreeChoices) {
    struct Case {
        int32_t chosen;
        int32_t kept;  // recordQuality and the configuration's value afterwards
    };
    // Each case starts from Normal.
    const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {-1, 1}, {3, 1}, {0x7FFFFFFF, 1}};
    for (const Case& c : cases) {
        recordQuality = 1;
        settings.recordQuality = 1;
        SetRecordQuality(c.chosen);
        EXPECT_EQ(recordQuality, c.kept) << c.chosen;
        EXPECT_EQ(settings.recordQuality, c.kept) << c.chosen;
    }
}

TEST(RecordingCommands, NothingStartsWithoutAGame) {
    ASSERT_EQ(recording, 0u);
    StartRecordingCommand();
    EXPECT_EQ(recording, 0u);
    EXPECT_FALSE(RecorderActive());
    StopRecordingCommand();
    EXPECT_EQ(recording, 0u);
}

}  // namespace
}  // namespace morvel
