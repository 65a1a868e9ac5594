// Where the controller ports get their buttons: the host installs a source
// (keyboard and game pads in the desktop program, a script in morvel-headless).
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel {

// NES button byte: bit 0 A, 1 B, 2 Select, 3 Start, 4 Up, 5 Down, 6 Left, 7 Right.
enum : uint8_t {
    kButtonA = 0x01,
    kButtonB = 0x02,
    kButtonSelect = 0x04,
    kButtonStart = 0x08,
    kButtonUp = 0x10,
    kButtonDown = 0x20,
    kButtonLeft = 0x40,
    kButtonRight = 0x80,
};

}  // namespace morvel
