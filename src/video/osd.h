// Short status texts drawn over the picture in a small box in the top-left
// corner. There is no queue and no timer: the caller draws and then waits, so
// the machine stands still while a message is read, and the next frame paints
// over the box.
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel {

// The host draws the box through osdDraw and the caller waits through
// osdWait (core/host.h).
void ShowOsdMessage(const char* text, uint32_t waitMs);

// The same for 700 ms with the sound silenced around it.
void ShowOsdMessageQuiet(const char* text);

}  // namespace morvel
