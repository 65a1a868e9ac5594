// Video recording: the running game to an AVI file with a Microsoft Video 1
// picture stream at 60 frames per second and an MP3 sound track.
//
// While a recording runs, the frame loop hands every finished frame to the
// recorder (RecordingFrame); a worker thread encodes the sound, compresses the
// picture and appends both to the file. The hand-off copies the picture and
// the samples, so the next frame can overwrite its own buffers at once. Up to
// eight frames may wait for the worker; when it falls further behind, the new
// frame is dropped, picture and sound together, and counted.
//
// Hosts start and stop a recording with BeginRecording and EndRecording
// (recording_frame.h), which also switch the frame loop:
//   start: StartRecording (file, encoders, worker waiting), frameFunction =
//          RecordingFrame, ResumeRecorder;
//   stop:  frameFunction = NormalFrame, SuspendRecorder, StopRecording.
#pragma once

#include <cstdint>
#include <string>

#include "core/host.h"

namespace morvel {

// 0 Poor, 1 Normal, 2 High; read when a recording starts.
extern int32_t recordQuality;
extern const int32_t videoQualityTable[3];  // compressor quality, 0-10000
extern const int32_t mp3BitrateTable[3];    // kbit/s

// The recording shows frame rows 9 to 232 of the picture.
constexpr int kRecordWidth = 256;
constexpr int kRecordHeight = 224;
constexpr int kRecordTopRow = 9;

struct RecorderStatistics {
    uint32_t framesHandedOff = 0;  // frames the frame loop handed over
    uint32_t framesDropped = 0;    // of those, frames the worker had no time for
    uint32_t framesWritten = 0;    // picture frames in the file
    uint32_t soundBlocksWritten = 0;
    uint32_t failed = 0;      // 1 once a write to the file failed
    uint32_t fileKept = 0;    // 1 when the stop left a file, whole or cut short
    double videoSeconds = 0;  // spent compressing and writing pictures
    double soundSeconds = 0;  // spent encoding and writing sound
};

// Start-up: remembers "<exeDir>/videos" and creates the folder.
void PrepareVideos(const char* exeDir);
const std::string& VideosFolder();

// The file name of a video: the cartridge's file name (without its folder,
// with its extension), the stamp (which begins with a blank) and ".avi".
std::string VideoFileName(const char* cartridgePath, const char* stamp);

// Where a recording of the cartridge starting now goes: the videos folder and
// the file name with the current TimeStamp.
std::string NewVideoPath(const char* cartridgePath);

// Creates the file and the encoders and starts the worker, waiting. Returns 1,
// or 0 when the file cannot be created or a recording runs already; then
// nothing is recorded and nothing else changes (RecorderError() says why). A
// file already at path stays as it is until the recording replaces it whole
// at stop.
int StartRecording(const char* path);

// The worker takes frames only while resumed; it is never stopped in the
// middle of a frame.
void ResumeRecorder();
void SuspendRecorder();

// Lets the worker finish the frames handed over, ends the sound track with
// what the MP3 encoder still holds and completes the file. Returns 1 when the
// whole recording is in the file, 0 when no recording ran or a write failed;
// RecorderStats().fileKept then says whether a file was left at all.
int StopRecording();

bool RecorderActive();

// The frame loop's hand-off: the whole picture (top row first, rows of 256
// pixels) and the frame's samples. Does nothing while no recording runs.
void RecorderHandOff(const uint32_t* picture, const int16_t* samples, uint32_t count);

// Counts of the running recording, or of the last one after it stopped.
RecorderStatistics RecorderStats();

// Why the last recording could not start or be completed, for messages.
const std::string& RecorderError();

}  // namespace morvel
