#include "platform/qt/display_widget.h"

#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/qt/gl_display.h"
#include "video/presentation.h"
#include "video/widen.h"

namespace morvel::qt {

namespace {

QString displayPath;

// The rows shown as RGB32. The console's pixels are 0x00RRGGBB; RGB32 wants
// the top byte at 0xFF, and a window with an alpha channel (as on Wayland)
// would take the 00 as transparent and show no picture.
QImage RowsShown(const PresentedPicture& p) {
    QImage image(p.width, p.rows, QImage::Format_RGB32);
    const uint32_t* pixels = PicturePixels(p);
    for (int y = 0; y < p.rows; ++y) {
        const uint32_t* from = pixels + (p.top + y) * p.width;
        auto* to = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < p.width; ++x) to[x] = from[x] | 0xFF000000u;
    }
    return image;
}

// Each pixel a k x k square at (x, y) of out: every row widened once, then
// copied down. Alpha is set, as RGB32 and premultiplied ARGB32 both want.
void EnlargeWhole(const PresentedPicture& p, int k, QImage& out, int x, int y) {
    const size_t rowBytes = static_cast<size_t>(p.width) * k * 4;
    for (int row = 0; row < p.rows; ++row) {
        const uint32_t* from = p.pixels + (p.top + row) * p.width;
        uchar* first = out.scanLine(y + row * k) + x * 4;
        auto* to = reinterpret_cast<uint32_t*>(first);
        for (int col = 0; col < p.width; ++col)
            for (int i = 0; i < k; ++i) *to++ = from[col] | 0xFF000000u;
        for (int i = 1; i < k; ++i)
            std::memcpy(out.scanLine(y + row * k + i) + x * 4, first, rowBytes);
    }
}

// The rows shown, linearly filtered to width w at (x, y) of out: the NES
// aspect ratio at 2X and 4X, where the rows match the window's one for one.
// A picture still to be doubled is doubled row by row as it is filtered.
void WidenRows(const PresentedPicture& p, int w, QImage& out, int x, int y) {
    static Widener widener;
    const size_t stride = static_cast<size_t>(out.bytesPerLine()) / 4;
    uint32_t* target = reinterpret_cast<uint32_t*>(out.scanLine(y)) + x;
    if (p.doubledFrom)
        widener.WidenDoubled(p.doubledFrom, p.width / 2, p.height / 2, p.top / 2,
                             (p.top + p.rows) / 2, target, stride, w);
    else
        widener.Widen(p.pixels + static_cast<size_t>(p.top) * p.width, p.width, p.width, p.rows,
                      target, stride, w);
}

// The image the painter draws into, when the picture can be written into it
// directly: a 32-bit image (the window's backing store) reached by a whole
// translation, with the whole target inside the area being painted. Else null.
QImage* DirectTarget(QPainter& painter, QRect& target) {
    QPaintDevice* device = painter.paintEngine()->paintDevice();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QTransform& t = painter.deviceTransform();
    auto whole = [](qreal v) { return std::abs(v - std::round(v)) < 1e-6; };
    if (t.type() > QTransform::TxScale || !whole(t.m11()) || !whole(t.m22()) ||
        std::round(t.m11()) != 1 || std::round(t.m22()) != 1 || !whole(t.dx()) || !whole(t.dy()))
        return nullptr;
    if (image->format() != QImage::Format_RGB32 &&
        image->format() != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    const QRect mapped = target.translated(qRound(t.dx()), qRound(t.dy()));
    const QRegion clip = painter.paintEngine()->systemClip();
    if (!image->rect().contains(mapped) || (!clip.isEmpty() && !clip.contains(mapped)))
        return nullptr;
    target = mapped;
    return image;
}

// Paints a picture (or, with none, black) over area (logical pixels, ratio
// device pixels each), placed by PicturePlace in device pixels. Only what
// the painter's clip leaves is touched, so a repaint of the picture's
// rectangle leaves the bars alone. With direct false QPainter does all.
void PaintPicture(QPainter& painter, const QRect& area, qreal ratio,
                  const PresentedPicture* picture, bool direct = true) {
    const int width = qRound(area.width() * ratio);
    const int height = qRound(area.height() * ratio);
    const PictureRect fit = PicturePlace(width, height);
    painter.save();
    // From here on, device pixels from the area's corner, put on a whole
    // device pixel: at 1.5 device pixels to the logical one a widget may
    // start between two, and the picture would be filtered half a pixel off.
    const QTransform toDevice = painter.deviceTransform();
    const QPointF corner = toDevice.map(QPointF(area.topLeft()));
    painter.setWorldTransform(
        QTransform::fromTranslate(std::round(corner.x()), std::round(corner.y())) *
        toDevice.inverted());
    const QRect target(fit.x, fit.y, fit.width, fit.height);
    const QRect all(0, 0, width, height);
    const QRegion bars = picture ? QRegion(all).subtracted(target) : QRegion(all);
    for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
    if (picture) {
        const PresentedPicture& p = *picture;
        const int k = fit.width / p.width;
        QRect at = target;
        QImage* into = nullptr;
        const bool whole = !p.smooth && k * p.width == fit.width && k * p.rows == fit.height;
        const bool wider = p.smooth && p.rows == fit.height && fit.width >= p.width && p.width > 1;
        if ((whole || wider) && direct && (into = DirectTarget(painter, at))) {
            if (whole)
                EnlargeWhole(p, k, *into, at.x(), at.y());
            else
                WidenRows(p, fit.width, *into, at.x(), at.y());
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, p.smooth != 0);
            painter.drawImage(QRectF(target), RowsShown(p), QRectF(0, 0, p.width, p.rows));
        }
    }
    painter.restore();
}

class SoftwareView : public QWidget, public PictureView {
   public:
    explicit SoftwareView(QWidget* parent) : QWidget(parent) {
        // Every pixel is painted: no background fill needed.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    QWidget* widget() override { return this; }
    void Show(const PresentedPicture& picture) override {
        picture_ = picture;
        havePicture_ = true;
        repaint(PictureArea());
    }
    void Forget() override {
        havePicture_ = false;
        update();
    }
    void Redraw() override { update(); }

   protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintPicture(painter, rect(), devicePixelRatioF(), havePicture_ ? &picture_ : nullptr);
    }

   private:
    // The logical pixels the picture touches.
    QRect PictureArea() const {
        const qreal ratio = devicePixelRatioF();
        const PictureRect fit = PicturePlace(qRound(width() * ratio), qRound(height() * ratio));
        // A logical pixel more each way covers the rounding of the corner.
        const int left = static_cast<int>(std::floor(fit.x / ratio)) - 1;
        const int top = static_cast<int>(std::floor(fit.y / ratio)) - 1;
        return QRect(QPoint(left, top),
                     QPoint(static_cast<int>(std::ceil((fit.x + fit.width) / ratio)),
                            static_cast<int>(std::ceil((fit.y + fit.height) / ratio))))
            .intersected(rect());
    }

    PresentedPicture picture_{};
    bool havePicture_ = false;
};

}  // namespace

PictureView* MakePictureView(QWidget* parent) {
    if (!qEnvironmentVariableIsSet("MORVEL_SOFTWARE_DISPLAY")) {
        QString renderer;
        if (PictureView* view = MakeGlPictureView(parent, renderer)) {
            displayPath = "OpenGL (" + renderer + ")";
            return view;
        }
    }
    displayPath = "software";
    return new SoftwareView(parent);
}

QString DisplayPathName() {
    return displayPath;
}

QImage SoftwarePicture(const PresentedPicture& picture, QSize size, bool direct) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintPicture(painter, image.rect(), 1, &picture, direct);
    return image;
}

}  // namespace morvel::qt
