// Short status texts drawn over the picture in a small box in the top-left
// corner. There is no queue and no timer: the caller draws and then waits, so
// the machine stands still while a message is read, and the next frame paints
// over the box.
#pragma once

#include <cstdint>

namespace morvel {

// The host draws the box with the text and makes it visible before returning.
using OsdDrawFunction = void (*)(const char* text);
extern OsdDrawFunction osdDraw;

// How the caller waits; the desktop program sleeps.
using OsdWaitFunction = void (*)(uint32_t milliseconds);
extern OsdWaitFunction osdWait;

void ShowOsdMessage(const char* text, uint32_t waitMs);

// The same for 700 ms with the sound silenced around it.
void ShowOsdMessageQuiet(const char* text);

}  // namespace morvel
