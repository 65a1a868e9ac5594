// The picture on the GPU: each frame is uploaded as a texture and drawn by
// OpenGL straight into a window of its own inside the main window, swapped
// with vertical sync (the swap interval of 1 that the program's main() asks
// for every OpenGL surface).
#pragma once

class QString;
class QWidget;

namespace morvel::qt {

class PictureView;

// Null when no OpenGL context can be made here (no driver, no display, a
// platform without OpenGL) or its renderer draws on the CPU (unless
// MORVEL_OPENGL_DISPLAY is set): the caller then scales in software. The
// renderer's name is put in renderer.
PictureView* MakeGlPictureView(QWidget* parent, QString& renderer);

}  // namespace morvel::qt
