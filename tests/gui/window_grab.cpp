#include "window_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>

namespace morvel::test {

namespace {
// A window that went away answers with an error, which must not end the test.
int IgnoreError(::Display*, XErrorEvent*) {
    return 0;
}
}  // namespace

QImage GrabWindow(const std::string& display, const std::string& windowId) {
    QImage out;
    ::Display* x = XOpenDisplay(display.c_str());
    if (!x) return out;
    XSetErrorHandler(IgnoreError);
    const Window window = std::stoul(windowId);
    XWindowAttributes attributes{};
    XWindowAttributes root{};
    XImage* image = nullptr;
    int left = 0;
    int top = 0;
    Window child = 0;
    // Only the part on the screen can be read: a full screen window may pass
    // its edge by a rounded pixel.
    if (XGetWindowAttributes(x, window, &attributes) &&
        XGetWindowAttributes(x, attributes.root, &root) &&
        XTranslateCoordinates(x, window, attributes.root, 0, 0, &left, &top, &child)) {
        attributes.width = std::min(attributes.width, root.width - left);
        attributes.height = std::min(attributes.height, root.height - top);
        image = XGetImage(x, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    }
    if (image) {
        out = QImage(attributes.width, attributes.height, QImage::Format_RGB32);
        for (int y = 0; y < out.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(out.scanLine(y));
            for (int col = 0; col < out.width(); ++col)
                row[col] =
                    0xFF000000u | (static_cast<uint32_t>(XGetPixel(image, col, y)) & 0xFFFFFF);
        }
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return out;
}

PictureMatch MatchPicture(const QImage& shown, const QImage& expected, int tolerance, int slack) {
    PictureMatch best;
    const int bottom = shown.height() - expected.height();
    for (int top = std::max(0, bottom - slack); top <= bottom; ++top) {
        for (int left = 0; left <= slack && left + expected.width() <= shown.width(); ++left) {
            PictureMatch m{0, 0};
            for (int y = 0; y < expected.height(); ++y) {
                const auto* got = reinterpret_cast<const uint32_t*>(shown.constScanLine(top + y));
                const auto* want = reinterpret_cast<const uint32_t*>(expected.constScanLine(y));
                for (int x = 0; x < expected.width(); ++x) {
                    int off = 0;
                    for (int shift : {0, 8, 16})
                        off = std::max(off,
                                       std::abs(static_cast<int>((got[left + x] >> shift) & 0xFF) -
                                                static_cast<int>((want[x] >> shift) & 0xFF)));
                    m.worst = std::max(m.worst, off);
                    m.wrong += off > tolerance;
                }
            }
            if (best.wrong < 0 || m.wrong < best.wrong) best = m;
        }
    }
    return best;
}

}  // namespace morvel::test
