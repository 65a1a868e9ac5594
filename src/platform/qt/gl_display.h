// The picture on the GPU: each frame is uploaded as a texture and drawn by
// OpenGL into the window, which Qt presents with vertical sync (the swap
// interval of 1 that the program's main() asks for every OpenGL surface).
#pragma once

class QWidget;

namespace morvel::qt {

class PictureView;

// Null when no OpenGL context can be made here (no driver, no display, a
// platform without OpenGL): the caller then scales in software.
PictureView* MakeGlPictureView(QWidget* parent);

}  // namespace morvel::qt
