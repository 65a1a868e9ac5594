// The keyboard as the machine sees it: 256 key states indexed by the PC
// keyboard's set-1 scan codes (the codes the configuration file stores: A key
// 30, up arrow 200, ...), kept from the window's key presses and releases.
#pragma once

#include <cstdint>

class QKeyEvent;

namespace morvel::qt {

extern uint8_t keyDown[256];

// Records a press or release; auto-repeats change nothing.
void TrackKey(const QKeyEvent* event, bool pressed);
void ReleaseAllKeys();

// Left Alt with Tab, or left Ctrl with Escape, held together.
bool SwitchKeysDown();

// Controller 1 from the keyboard with the default keys (A: S, B: A, Select: Z,
// Start: X, the arrow keys).
uint8_t KeyboardButtons(int port);

}  // namespace morvel::qt
