// The menu and accelerator commands by their identifiers. Each runs between
// two frames and does nothing, silently, when its condition does not hold.
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel {

enum CommandId : uint32_t {
    kCmdFullScreen = 40000,
    kCmdLoadRom = 40001,
    kCmdCloseRom = 40002,
    kCmdExit = 40003,
    kCmdReset = 40004,
    kCmdPause = 40005,
    kCmdMute = 40006,
    kCmdLoadState0 = 40008,  // to 40011
    kCmdSaveState0 = 40014,  // to 40017
    kCmdKeyboardConfig = 40018,
    kCmdScale1 = 40019,
    kCmdScale2 = 40020,
    kCmdScale3 = 40021,
    kCmdScale4 = 40044,
    kCmdRescanRoms = 40050,
    kCmdDotByDot = 40062,
    kCmdNesAspect = 40063,
    kCmdScreenshot = 40083,
    kCmdJoypadConfig = 40086,
    kCmdVolume = 40094,
    kCmdVolumeUp = 40095,
    kCmdVolumeDown = 40096,
    kCmdRecordStart = 40106,
    kCmdRecordStop = 40107,
    kCmdQualityPoor = 40108,
    kCmdQualityNormal = 40109,
    kCmdQualityHigh = 40110,
    kCmdLatency20 = 40111,  // the sound latency: 20, 40, 60, 80 and 100 ms
    kCmdLatency40 = 40112,
    kCmdLatency60 = 40113,
    kCmdLatency80 = 40114,
    kCmdLatency100 = 40115,
    kCmdIntegerScale = 40116,
    // The play commands, in a block of their own.
    kCmdFastForward = 40200,        // the fast-forward toggle
    kCmdFrameAdvance = 40201,       // paused: one frame; running: pause
    kCmdRunAhead0 = 40202,          // to 40205: run ahead 0-3 frames
    kCmdRewindLength0 = 40206,      // to 40209: the rewind lengths of kRewindLengths
    kCmdFastForwardLimit0 = 40210,  // to 40213: the limits of kFastForwardLimits
};

// The rewind history's lengths the menu offers, in seconds (0: off).
constexpr uint32_t kRewindLengths[4] = {0, 10, 30, 60};
// The fast-forward limits the menu offers, in times the console's speed.
constexpr uint32_t kFastForwardLimits[4] = {2, 3, 4, 8};

// The fast-forward and rewind keys act while they are held.
void HoldFastForward(bool held);
void HoldRewind(bool held);

// The play keys as the keyboard holds them (input/keyboard.h), once a pass of
// the host's frame loop, paused or not: fast-forward and rewind while held,
// frame advance on each press.
void FollowPlayKeys();

// Runs the command; unknown identifiers and those with no effect yet are
// ignored.
void RunCommand(uint32_t id);

}  // namespace morvel
