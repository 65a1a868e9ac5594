// The frame loop's recording variant: a normal frame that also hands its
// picture and sound to the video recorder, and the start and stop that switch
// the frame loop to it and back.
#pragma once

namespace morvel {

void RecordingFrame();

// Opens the recording at path, switches the frame loop to RecordingFrame and
// lets the worker take frames. 1, or 0 when the recording cannot start; then
// nothing has changed (RecorderError() says why).
int BeginRecording(const char* path);

// Switches the frame loop back to NormalFrame, stops the worker and completes
// the file. Returns StopRecording's result; 0 when no recording ran.
int EndRecording();

}  // namespace morvel
