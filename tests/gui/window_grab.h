// Reads back what an X server shows in a window, as a person would see it,
// and compares it with the picture it should show.
#pragma once

#include <QImage>
#include <string>

namespace morvel::test {

// The window's pixels on the display (":N") as RGB32; null when either cannot
// be read.
QImage GrabWindow(const std::string& display, const std::string& windowId);

struct PictureMatch {
    int wrong = -1;  // pixels off by more than the tolerance; -1: does not fit
    int worst = 0;   // the largest difference of a channel, where placed
};

// Finds `expected` in a grabbed screenshot at the left edge and the bottom
// (below the menu bar), each within `slack` device pixels, where the fewest
// pixels differ by more than `tolerance` in any channel.
PictureMatch MatchPicture(const QImage& shown, const QImage& expected, int tolerance,
                          int slack = 3);

}  // namespace morvel::test
