#include "recording/recording_frame.h"

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/frame_buffer.h"
#include "core/frame_loop.h"
#include "recording/video_recorder.h"

namespace morvel {

void RecordingFrame() {
    RunFrameBody();
    SoundSync();
    // The recorder copies what it needs before this returns, so the next
    // frame may draw over the picture and the samples at once.
    RecorderHandOff(frameBuffer, sampleBuffer, sampleCount);
    sampleCount = 0;
    presentFunction();
}

int BeginRecording(const char* path) {
    if (!StartRecording(path)) return 0;
    frameFunction = RecordingFrame;
    ResumeRecorder();
    return 1;
}

int EndRecording() {
    if (!RecorderActive()) return 0;
    // No frame is handed over once the worker is suspended.
    frameFunction = NormalFrame;
    SuspendRecorder();
    return StopRecording();
}

}  // namespace morvel
