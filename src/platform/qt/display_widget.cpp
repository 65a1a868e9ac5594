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
    // The surface's pixels are 0x00RRGGBB; QImage's RGB32 wants the top byte
    // at 0xFF, and a window with an alpha channel (as on Wayland) would take
    // the 00 as transparent and show no picture.
    const PresentedPicture& p = picture_;
    QImage image(p.width, p.rows, QImage::Format_RGB32);
    for (int y = 0; y < p.rows; ++y) {
        const uint32_t* from = p.pixels + (p.top + y) * p.width;
        auto* to = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < p.width; ++x) to[x] = from[x] | 0xFF000000u;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, p.smooth != 0);
    painter.drawImage(QRectF(rect()), image, QRectF(0, 0, p.width, p.rows));
}

}  // namespace morvel::qt
