// The picture the PPU draws: 256 x 256 pixels of 0x00RRGGBB, rows of 1024
// bytes. The PPU writes rows 0-239; the window shows rows 8-231.
#pragma once

#include <cstdint>

namespace morvel {

constexpr int kFrameWidth = 256;
constexpr int kFrameHeight = 256;

extern uint32_t frameBuffer[kFrameWidth * kFrameHeight];

// Where the PPU writes its next pixel; set to the first pixel at the start of
// every frame.
extern uint32_t* pixelCursor;

// Shows the finished frame; chosen by the video output for the picture mode.
using PresentFunction = void (*)();
extern PresentFunction presentFunction;

}  // namespace morvel
