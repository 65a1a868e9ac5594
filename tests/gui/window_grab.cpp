#include "window_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace morvel::test {

namespace {
// A window that went away answers with an error, which must not end the test.
int IgnoreError(::Display*, XErrorEvent*) {
    return 0;
}
}  // namespace

WindowPixels GrabWindow(const std::string& display, const std::string& windowId) {
    WindowPixels out;
    ::Display* x = XOpenDisplay(display.c_str());
    if (!x) return out;
    XSetErrorHandler(IgnoreError);
    const Window window = std::stoul(windowId);
    XWindowAttributes attributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(x, window, &attributes))
        image = XGetImage(x, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image) {
        out.width = attributes.width;
        out.height = attributes.height;
        for (int y = 0; y < out.height; ++y)
            for (int col = 0; col < out.width; ++col)
                out.rgb.push_back(static_cast<uint32_t>(XGetPixel(image, col, y)) & 0xFFFFFF);
        XDestroyImage(image);
    }
    XCloseDisplay(x);
    return out;
}

}  // namespace morvel::test
