// The widget that shows the presented pictures. On a GPU (gl_display.*) the
// picture is a texture drawn with vertical sync; where no OpenGL context can
// be made, or the only renderer draws on the CPU, it is scaled in software.
// Either way the picture is placed by PicturePlace (video/presentation.h):
// whole device pixels in Dot by Dot, letterboxed in full screen, with
// nearest-pixel filtering in Dot by Dot and linear filtering in the NES
// aspect ratio.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "core/host.h"

class QImage;
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
    // Draws the last picture again, placed anew (after a change of mode),
    // without the message box.
    virtual void Redraw() = 0;
    // A view whose surface covers the widgets draws the message box itself
    // (box at `at` in logical pixels of the widget) until the next picture.
    virtual void ShowMessage(const QImage& box, QPoint at) {
        (void)box;
        (void)at;
    }
    // Pictures a later one replaced before they were drawn (a view that
    // draws on a thread of its own while the emulation goes on).
    virtual uint64_t PicturesReplaced() const { return 0; }
};

// The GPU view when an OpenGL context can be made on a renderer of its own,
// the software one otherwise. MORVEL_SOFTWARE_DISPLAY=1 chooses the software
// view, MORVEL_OPENGL_DISPLAY=1 OpenGL even on a renderer that draws on the
// CPU. Owned by parent.
PictureView* MakePictureView(QWidget* parent);

// "OpenGL (renderer)" or "software": the view MakePictureView made last.
QString DisplayPathName();

// The picture as the software view paints it into an area of size device
// pixels at one device pixel to the logical one, bars included. With direct
// false QPainter alone scales it, as where the view cannot write the picture
// straight into its backing store.
QImage SoftwarePicture(const PresentedPicture& picture, QSize size, bool direct = true);

}  // namespace morvel::qt
