// The frame loop's recording variant: a normal frame that also hands its
// picture and sound to the video recorder.
#pragma once

namespace morvel {

void RecordingFrame();

}  // namespace morvel
