#include "platform/qt/display_widget.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <cstdlib>

#include "platform/qt/gl_display.h"
#include "video/presentation.h"

namespace morvel::qt {

namespace {

class SoftwareView : public QWidget, public PictureView {
   public:
    explicit SoftwareView(QWidget* parent) : QWidget(parent) {
        // Every pixel is painted on each frame: no background fill needed.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    QWidget* widget() override { return this; }
    void Show(const PresentedPicture& picture) override {
        picture_ = picture;
        havePicture_ = true;
        repaint();
    }
    void Forget() override {
        havePicture_ = false;
        update();
    }

   protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintPicture(painter, rect(), havePicture_ ? &picture_ : nullptr);
    }

   private:
    PresentedPicture picture_{};
    bool havePicture_ = false;
};

}  // namespace

void PaintPicture(QPainter& painter, const QRect& area, const PresentedPicture* picture) {
    if (!picture) {
        painter.fillRect(area, Qt::black);
        return;
    }
    PictureRect fit = FitPicture(area.width(), area.height(), nesAspect);
    QRect target(area.x() + fit.x, area.y() + fit.y, fit.width, fit.height);
    for (const QRect& bar : QRegion(area).subtracted(target)) painter.fillRect(bar, Qt::black);
    // The surface's 0x00RRGGBB pixels are what QImage calls RGB32.
    const PresentedPicture& p = *picture;
    QImage image(reinterpret_cast<const uchar*>(p.pixels + p.top * p.width), p.width, p.rows,
                 p.width * 4, QImage::Format_RGB32);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, p.smooth != 0);
    painter.drawImage(QRectF(target), image, QRectF(0, 0, p.width, p.rows));
}

PictureView* MakePictureView(QWidget* parent) {
    if (!std::getenv("MORVEL_SOFTWARE_DISPLAY"))
        if (PictureView* view = MakeGlPictureView(parent)) return view;
    return new SoftwareView(parent);
}

}  // namespace morvel::qt
