#include "platform/qt/display_widget.h"

#include <QImage>
#include <QPainter>

namespace morvel::qt {

DisplayWidget::DisplayWidget(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted on each frame: no background fill needed.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void DisplayWidget::Show(const PresentedPicture& picture) {
    picture_ = picture;
    havePicture_ = true;
    repaint();
}

void DisplayWidget::Forget() {
    havePicture_ = false;
    update();
}

void DisplayWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!havePicture_) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The surface's 0x00RRGGBB pixels are what QImage calls RGB32.
    const PresentedPicture& p = picture_;
    QImage image(reinterpret_cast<const uchar*>(p.pixels + p.top * p.width), p.width, p.rows,
                 p.width * 4, QImage::Format_RGB32);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, p.smooth != 0);
    painter.drawImage(QRectF(rect()), image, QRectF(0, 0, p.width, p.rows));
}

}  // namespace morvel::qt
