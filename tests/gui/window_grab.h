// Reads back what an X server shows in a window, as a person would see it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvel::test {

struct WindowPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB, row by row from the top
};

// The window's pixels on the display (":N"); empty when either cannot be read.
WindowPixels GrabWindow(const std::string& display, const std::string& windowId);

}  // namespace morvel::test
