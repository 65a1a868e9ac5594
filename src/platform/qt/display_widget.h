// The widget that shows the presented pictures: the surface the video output
// scaled into, drawn at once with nearest-pixel or linear filtering.
#pragma once

#include <QWidget>

#include "video/presentation.h"

namespace morvel::qt {

class DisplayWidget : public QWidget {
   public:
    explicit DisplayWidget(QWidget* parent);

    // Paints the picture now (a repaint, not a queued update), so a frame is on
    // screen as soon as it is complete.
    void Show(const PresentedPicture& picture);
    void Forget();

   protected:
    void paintEvent(QPaintEvent* event) override;

   private:
    PresentedPicture picture_{};
    bool havePicture_ = false;
};

}  // namespace morvel::qt
