#include "video/presentation.h"

#include <algorithm>
#include <vector>

#include "core/frame_buffer.h"
#include "video/scale2x.h"

namespace morvel {

namespace {

void NoResize(int32_t, int32_t) {}
void NoShow(const PresentedPicture&) {}
void Nothing() {}

// The Scale2x targets: 512 x 512 after one pass, 1024 x 1024 after two. They
// exist only while a cartridge is loaded and a mode needs them.
std::vector<uint32_t> scaleSurface;
std::vector<uint32_t> scale2Surface;

PresentedPicture lastPicture;
bool havePicture = false;
// The second Scale2x pass of the last picture is still to be made.
bool secondPassPending = false;

// Hands a picture over; the window shows rows 8-231 of the console's picture,
// which are rows 8k .. 232k - 1 of a surface enlarged k times.
void Show(const uint32_t* pixels, int32_t size, int32_t smooth,
          const uint32_t* doubledFrom = nullptr) {
    int32_t k = size / kFrameWidth;
    lastPicture = PresentedPicture{pixels, size, size, 8 * k, 224 * k, smooth, doubledFrom};
    havePicture = true;
    ++framesPresented;
    videoHost.show(lastPicture);
}

// Rows 8-231 of the console's picture are shown; a second pass needs one
// neighbour row more each way of the first's result, which are source rows
// 7 and 232. Rows outside are never written and stay black.
constexpr int kFirstShown = 8;
constexpr int kPastShown = 232;

void ScaleOnce() {
    Scale2xRows(frameBuffer, kFrameWidth, kFrameHeight, kFirstShown, kPastShown,
                scaleSurface.data());
}

// The first pass only; the second is made when the picture's pixels are
// asked for, as a display filtering the rows itself doubles them as it goes.
void FirstOfTwoPasses() {
    Scale2xRows(frameBuffer, kFrameWidth, kFrameHeight, kFirstShown - 1, kPastShown + 1,
                scaleSurface.data());
    secondPassPending = true;
}

void SecondPass() {
    Scale2xRows(scaleSurface.data(), 2 * kFrameWidth, 2 * kFrameHeight, 2 * kFirstShown,
                2 * kPastShown, scale2Surface.data());
    secondPassPending = false;
}

void AllocateSurfaces(bool first, bool second) {
    scaleSurface.assign(first ? 512 * 512 : 0, 0);
    scale2Surface.assign(second ? 1024 * 1024 : 0, 0);
    scaleSurface.shrink_to_fit();
    scale2Surface.shrink_to_fit();
}

// Set from the video device's creation for a cartridge until its release at
// close: a change of size or mode then builds the surfaces again.
bool pictureWanted = false;

void DropSurfaces() {
    AllocateSurfaces(false, false);
    havePicture = false;
    secondPassPending = false;
    videoHost.releasePicture();
}

PresentFunction WindowedPresentStep(uint32_t s) {
    if (!nesAspect) return PresentDotByDot;
    return s < 3 ? PresentAspect : PresentAspectDouble;
}

}  // namespace

VideoHost videoHost = {NoResize, NoShow, Nothing, Nothing, Nothing, Nothing};

uint32_t windowScale = 1;
uint32_t nesAspect = 0;
uint32_t fullScreen = 0;
uint32_t integerScale = 0;
uint64_t framesPresented = 0;

ClientSize WindowClientSize(uint32_t aspect, uint32_t s) {
    return ClientSize{static_cast<int32_t>((aspect ? 292 : 256) * s),
                      static_cast<int32_t>(224 * s)};
}

PictureRect FitPicture(int32_t width, int32_t height, uint32_t aspect) {
    const ClientSize shape = WindowClientSize(aspect, 1);
    int64_t w = width;
    int64_t h = height;
    if (w * shape.height <= h * shape.width) {
        h = (2 * w * shape.height + shape.width) / (2 * shape.width);  // rounded
    } else {
        w = (2 * h * shape.width + shape.height) / (2 * shape.height);
    }
    return PictureRect{static_cast<int32_t>((width - w) / 2),
                       static_cast<int32_t>((height - h) / 2), static_cast<int32_t>(w),
                       static_cast<int32_t>(h)};
}

PictureRect PicturePlace(int32_t width, int32_t height) {
    const ClientSize shape = WindowClientSize(nesAspect, 1);
    const int32_t k = std::min(width / shape.width, height / shape.height);
    const bool whole = fullScreen ? integerScale != 0 : nesAspect == 0;
    if (!whole || k < 1) return FitPicture(width, height, nesAspect);
    return PictureRect{(width - k * shape.width) / 2, (height - k * shape.height) / 2,
                       k * shape.width, k * shape.height};
}

void SetWindowScale(uint32_t s) {
    if (s < 1 || s > 4) s = 1;
    windowScale = s;
    presentFunction = WindowedPresentStep(s);
    ClientSize size = WindowClientSize(nesAspect, s);
    videoHost.resizeClient(size.width, size.height);
    if (pictureWanted) CreateVideoDevice();
    videoHost.updateSizeMenu();
}

void CreateVideoDevice() {
    DropSurfaces();
    pictureWanted = true;
    presentFunction = WindowedPresentStep(windowScale);
    AllocateSurfaces(nesAspect != 0, nesAspect && windowScale > 2);
}

void ReleaseVideoObjects() {
    DropSurfaces();
    pictureWanted = false;
}

void EnterFullScreen() {
    videoHost.enterFullScreen();
    DropSurfaces();
    AllocateSurfaces(true, false);
    presentFunction = PresentFullScreen;
}

void LeaveFullScreen() {
    DropSurfaces();
    videoHost.leaveFullScreen();
    SetWindowScale(windowScale);
}

void PresentDotByDot() {
    Show(frameBuffer, kFrameWidth, 0);
}

void PresentAspect() {
    if (scaleSurface.empty()) return;
    ScaleOnce();
    Show(scaleSurface.data(), 512, 1);
}

void PresentAspectDouble() {
    if (scaleSurface.empty() || scale2Surface.empty()) return;
    FirstOfTwoPasses();
    Show(scale2Surface.data(), 1024, 1, scaleSurface.data());
}

// With integerScale, Dot by Dot in full screen keeps its pixels square and
// sharp: the console's picture as it is, enlarged by a whole number.
void PresentFullScreen() {
    if (integerScale && !nesAspect) {
        Show(frameBuffer, kFrameWidth, 0);
        return;
    }
    if (scaleSurface.empty()) return;
    ScaleOnce();
    Show(scaleSurface.data(), 512, 1);
}

const PresentedPicture* LastPresentedPicture() {
    if (!havePicture) return nullptr;
    PicturePixels(lastPicture);
    return &lastPicture;
}

const uint32_t* PicturePixels(const PresentedPicture& picture) {
    if (picture.doubledFrom && secondPassPending && picture.pixels == scale2Surface.data())
        SecondPass();
    return picture.pixels;
}

}  // namespace morvel
