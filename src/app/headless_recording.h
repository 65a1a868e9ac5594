// morvel-headless's --record and --realtime: the recording started and
// stopped through the desktop program's Record Video commands, and a 60 Hz
// pace.
#pragma once

#include <chrono>

#include "app/headless_options.h"

namespace morvel {

// Starts the recording of --record, if any, and switches the frame loop to
// its recording variant. A file that cannot be created is reported on stderr
// and false returned; the run goes on unrecorded.
bool StartHeadlessRecording(const HeadlessOptions& options);

// Stops it and prints its counts: frames handed off, written and dropped, and
// the worker's cost per frame. False when the file could not be completed.
bool StopHeadlessRecording();

// Holds the frame loop at 60 frames per second, as the sound output does on
// the desktop, and measures how long each frame's own work took.
class FramePacer {
   public:
    // speed: frames per console frame (fast-forward holds the pace at that many).
    explicit FramePacer(bool enabled, long speed = 1);
    void FrameDone();
    void Report() const;

   private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    long speed_;
    Clock::time_point start_;
    Clock::time_point deadline_;
    Clock::time_point frameStart_;
    long frames_ = 0;
    long lateFrames_ = 0;
    double longestFrame_ = 0;
};

}  // namespace morvel
