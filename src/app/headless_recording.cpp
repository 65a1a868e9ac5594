#include "app/headless_recording.h"

#include <cstdio>
#include <thread>

#include "frontend/recording_commands.h"
#include "recording/video_recorder.h"
#include "video/presentation.h"

namespace morvel {

namespace {
constexpr auto kFramePeriod = std::chrono::nanoseconds(1000000000 / 60);
}

bool StartHeadlessRecording(const HeadlessOptions& options) {
    if (options.record.empty()) return true;
    recordQuality = static_cast<int32_t>(options.quality);
    // Without a real-time pace nothing would be gained by dropping frames:
    // the run waits for the worker instead, and the file holds every frame.
    SetRecorderWaitsForWorker(!options.realtime);
    // Recordings are made in the NES aspect mode only, as in the window.
    nesAspect = 1;
    SetWindowScale(windowScale);
    if (!StartRecordingTo(options.record.c_str())) {
        std::fprintf(stderr, "morvel-headless: cannot record to %s: %s\n", options.record.c_str(),
                     RecorderError().c_str());
        return false;
    }
    return true;
}

bool StopHeadlessRecording() {
    if (!recording) return true;
    int complete = StopRecordingCommand();
    RecorderStatistics s = RecorderStats();
    double perFrame = s.framesWritten ? 1000.0 / s.framesWritten : 0;
    std::printf(
        "recording: %u frames handed off, %u written, %u dropped; per frame %.3f ms video, "
        "%.3f ms sound\n",
        s.framesHandedOff, s.framesWritten, s.framesDropped, s.videoSeconds * perFrame,
        s.soundSeconds * perFrame);
    if (!complete)
        std::fprintf(stderr, "morvel-headless: the recording could not be written: %s\n",
                     RecorderError().c_str());
    return complete != 0;
}

FramePacer::FramePacer(bool enabled, long speed)
    : enabled_(enabled),
      speed_(speed),
      start_(Clock::now()),
      deadline_(start_),
      frameStart_(start_) {}

void FramePacer::FrameDone() {
    if (!enabled_) return;
    Clock::time_point now = Clock::now();
    double work = std::chrono::duration<double, std::milli>(now - frameStart_).count();
    if (work > longestFrame_) longestFrame_ = work;
    ++frames_;
    deadline_ += kFramePeriod / speed_;
    if (now > deadline_) {
        ++lateFrames_;
        deadline_ = now;  // a late frame does not make the next ones hurry
    } else {
        std::this_thread::sleep_until(deadline_);
    }
    frameStart_ = Clock::now();
}

void FramePacer::Report() const {
    if (!enabled_ || frames_ == 0) return;
    double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    std::printf("frame loop: %ld frames in %.2f s (%.2f per second), %ld late, longest %.2f ms\n",
                frames_, seconds, frames_ / seconds, lateFrames_, longestFrame_);
}

}  // namespace morvel
