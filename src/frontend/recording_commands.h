// The Record Video menu: starting and stopping a recording of the running
// game, and the quality the next recording is made at.
#pragma once

#include <cstdint>

namespace morvel {

// 1 while a recording runs; owned by these commands.
extern uint32_t recording;

// Starts recording the running game into the videos folder: only in the NES
// aspect mode, while a game runs and no recording runs; otherwise nothing
// happens. A recording that cannot start says so, and the game goes on.
void StartRecordingCommand();

// The same into the given file; 1 when the recording runs.
int StartRecordingTo(const char* path);

// Ends a running recording and completes its file; says so when the file
// could not be completed. Nothing happens while no recording runs. 1 when the
// whole recording is in the file, 0 otherwise or when none ran.
int StopRecordingCommand();

// Chooses the quality (0 Poor, 1 Normal, 2 High) of the next recording and
// keeps it for the configuration file. A running recording keeps its own.
void SetRecordQuality(int32_t quality);

}  // namespace morvel
