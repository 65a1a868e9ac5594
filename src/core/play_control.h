// Play beyond the console's own pace, around the frame function: fast-forward
// (the sound played faster, so its wait holds the machine at a set multiple
// of the console's speed), rewind (each frame of the history run again to
// show its picture, its sound played backwards) and run-ahead (the frame run
// with its sound, then a few more frames with the buttons now held, whose
// picture is shown before the machine goes back to the real frame).
#pragma once

#include <cstdint>

namespace morvel {

struct PlayControl {
    uint32_t fastForwardHeld;   // the fast-forward key is down
    uint32_t fastForwardOn;     // the menu's fast-forward toggle
    uint32_t fastForwardLimit;  // 2-10 times the console's speed
    uint32_t rewindHeld;        // the rewind key is down
    uint32_t runAheadFrames;    // 0-3
};
extern PlayControl playControl;

constexpr uint32_t kFastForwardLimitMin = 2;
constexpr uint32_t kFastForwardLimitMax = 10;
constexpr uint32_t kFastForwardLimitDefault = 4;
constexpr uint32_t kRunAheadMaxFrames = 3;

// Whether the game runs fast forward now (key held or the menu's toggle on).
bool FastForwarding();

// One frame of play in place of frameFunction: while rewinding, one frame
// back; otherwise the frame function, the frame kept in the rewind history,
// and the frames run ahead (not while a video is recorded: the recording
// keeps the real frames). Returns the frames the machine went forward: 1, or
// 0 while rewinding.
int RunPlayFrame();

// Frames a rewind went back since the last call to this (and forgets them):
// for a host that numbers frames.
int TakeRewoundFrames();

}  // namespace morvel
