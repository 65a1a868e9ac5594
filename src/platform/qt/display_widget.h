// The widget that shows the presented pictures. On the GPU (gl_display.*) the
// picture is a texture drawn with vertical sync; where no OpenGL context can
// be made, QPainter scales it in software. Either way the picture keeps its
// shape, letterboxed in full screen, with nearest-pixel filtering in Dot by
// Dot and linear filtering in the NES aspect ratio. Nothing is copied on the
// CPU.
#pragma once

#include <QRect>

#include "core/host.h"

class QPainter;
class QWidget;

namespace morvel::qt {

class PictureView {
   public:
    virtual ~PictureView() = default;
    virtual QWidget* widget() = 0;
    // Puts the picture on screen now (a repaint, not a queued update), so a
    // frame shows as soon as it is complete. Its pixels must stay valid until
    // the next Show or Forget.
    virtual void Show(const PresentedPicture& picture) = 0;
    virtual void Forget() = 0;
};

// The GPU view when an OpenGL context can be made, the software one otherwise
// (or with MORVEL_SOFTWARE_DISPLAY set). Owned by parent.
PictureView* MakePictureView(QWidget* parent);

// Paints a picture (or, with none, black) over the whole of area with QPainter.
void PaintPicture(QPainter& painter, const QRect& area, const PresentedPicture* picture);

}  // namespace morvel::qt
