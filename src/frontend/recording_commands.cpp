#include "frontend/recording_commands.h"

#include <string>

#include "frontend/front_end.h"
#include "frontend/settings.h"
#include "recording/recording_frame.h"
#include "recording/video_recorder.h"
#include "video/osd.h"
#include "video/presentation.h"

namespace morvel {

uint32_t recording = 0;

void StartRecordingCommand() {
    StartRecordingTo(NewVideoPath(romFileName.c_str()).c_str());
}

int StartRecordingTo(const char* path) {
    if (!emuRunning || recording || !nesAspect) return 0;
    // The recorder opens the file before anything else: when that fails
    // (no videos folder, a folder that cannot be written) nothing changes
    // and the game runs on without a recording.
    if (!BeginRecording(path)) {
        ShowOsdMessageQuiet("RECORDING NOT STARTED");
        windowHost.updateMenus();
        return 0;
    }
    ShowOsdMessageQuiet("RECORDING VIDEO");
    recording = 1;
    windowHost.updateMenus();
    return 1;
}

int StopRecordingCommand() {
    if (!recording) return 0;
    int complete = EndRecording();
    recording = 0;
    // A recording that could not write a single whole frame leaves no file.
    ShowOsdMessageQuiet(complete                   ? "STOP RECORDING VIDEO"
                        : RecorderStats().fileKept ? "VIDEO FILE INCOMPLETE"
                                                   : "VIDEO NOT SAVED");
    windowHost.updateMenus();
    return complete;
}

void SetRecordQuality(int32_t quality) {
    if (quality < 0 || quality > 2) return;
    recordQuality = quality;
    settings.recordQuality = quality;
    windowHost.updateMenus();
}

}  // namespace morvel
