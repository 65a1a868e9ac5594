// Putting each finished frame on the screen: the two picture modes, the four
// window sizes and full screen. The window system behind it is reached
// through videoHost, so the choice of mode, the scaling and the geometry are
// the same in every host.
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel {

struct ClientSize {
    int32_t width;
    int32_t height;
};

extern uint32_t windowScale;  // 1-4
extern uint32_t nesAspect;    // 0 Dot by Dot, 1 NES aspect ratio with Scale2x
extern uint32_t fullScreen;
extern uint32_t integerScale;  // full screen at the largest whole multiple that fits

// The client area of a window of scale s in the given mode: 256s x 224s square
// pixels, or 292s x 224s with the console's pixel aspect.
ClientSize WindowClientSize(uint32_t aspect, uint32_t s);

struct PictureRect {
    int32_t x, y, width, height;
};

// Where the picture goes in an area of width x height pixels: as large as it
// fits with the mode's shape (that of WindowClientSize), centred, the rest of
// the area left black. A window's client area is filled exactly; full screen
// gets bars at the sides or above and below.
PictureRect FitPicture(int32_t width, int32_t height, uint32_t aspect);

// Where the window system draws the presented picture in an area of width x
// height device pixels. Dot by Dot in a window, and full screen with
// integerScale, take the largest whole multiple of the mode's shape that
// fits, centred: each console pixel a square of whole device pixels even
// where the screen has a fractional number of them to the logical pixel.
// Otherwise as FitPicture.
PictureRect PicturePlace(int32_t width, int32_t height);

// The window sizes 1-4: picks the present step for the mode, resizes the
// window and, while a cartridge is loaded, rebuilds the scaling surfaces.
void SetWindowScale(uint32_t s);
void CreateVideoDevice();
void ReleaseVideoObjects();
void EnterFullScreen();
void LeaveFullScreen();

// The present steps, one of which is presentFunction.
void PresentDotByDot();
void PresentAspect();
void PresentAspectDouble();
void PresentFullScreen();

// The picture the last present step handed over (its pixels, made, stay
// valid until the next frame), or null when none.
const PresentedPicture* LastPresentedPicture();

// The pixels of a picture the last present step handed over: one handed over
// with doubledFrom gets its second Scale2x pass here, once.
const uint32_t* PicturePixels(const PresentedPicture& picture);

// Frames handed to the display since the program started.
extern uint64_t framesPresented;

}  // namespace morvel
