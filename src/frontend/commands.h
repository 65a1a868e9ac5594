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
};

// Runs the command; identifiers outside 40000-40116 and those with no effect
// yet are ignored.
void RunCommand(uint32_t id);

}  // namespace morvel
