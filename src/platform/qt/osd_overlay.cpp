#include "platform/qt/osd_overlay.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPen>

namespace morvel::qt {

namespace {
// The box spans (10, 10)-(210, 30) of the client area; the widget leaves one
// pixel around it for the 2-pixel pen.
constexpr int kLeft = 9;
constexpr int kTop = 9;
const QRect kBox(1, 1, 200, 20);
}  // namespace

OsdOverlay::OsdOverlay(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(kLeft, kTop, kBox.width() + 2, kBox.height() + 2);
    hide();
}

void OsdOverlay::ShowText(const QString& text) {
    text_ = text;
    raise();
    show();
    repaint();
    // Hand the painted pixels to the window system now: the caller is about to
    // sleep without handling events.
    QGuiApplication::sync();
}

void OsdOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 255, 0), 2));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(kBox, 2, 2);
    painter.setPen(Qt::black);
    painter.drawText(kBox, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

}  // namespace morvel::qt
