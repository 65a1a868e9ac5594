#include "platform/qt/gl_display.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtEndian>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "core/play_control.h"
#include "platform/qt/display_widget.h"
#include "video/presentation.h"

namespace morvel::qt {

namespace {

// The picture's 0x00RRGGBB pixels are uploaded as they lie in memory, four
// bytes a pixel read as R, G, B, A; the shader picks the colours back out.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
#define MORVEL_PIXEL_SWIZZLE "bgr"
#else
#define MORVEL_PIXEL_SWIZZLE "gba"
#endif

// One quad over the viewport; the texture's first row (the picture's top) at
// the top. GLSL 1.10 and GLSL ES 1.00 alike: Qt defines the precision words
// away on desktop OpenGL.
const char* const kVertexShader = R"(
attribute highp vec2 corner;
varying highp vec2 at;
void main() {
    at = vec2(corner.x + 1.0, 1.0 - corner.y) * 0.5;
    gl_Position = vec4(corner, 0.0, 1.0);
})";

const char* const kFragmentShader = R"(
uniform sampler2D picture;
varying highp vec2 at;
void main() {
    gl_FragColor = vec4(texture2D(picture, at).)" MORVEL_PIXEL_SWIZZLE R"(, 1.0);
})";

const GLfloat kCorners[] = {-1, -1, 1, -1, -1, 1, 1, 1};

// The renderer's name, or empty when no OpenGL context can be made here.
QString RendererName() {
    QOpenGLContext context;
    if (!context.create()) return {};
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return {};
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    QString renderer = QString::fromLatin1(name ? name : "unnamed");
    context.doneCurrent();
    return renderer;
}

// Mesa's rasterisers that draw on the CPU: there, QPainter's scaling into the
// window costs less than the same pixels through OpenGL.
bool DrawsOnTheCpu(const QString& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) return true;
    return false;
}

// What the window shows, set by the main thread and drawn by the drawing
// thread: the picture's size, where it goes, and the message box.
struct Scene {
    int width = 0;
    int rows = 0;
    int smooth = 0;
    bool picture = false;
    bool pictureFresh = false;
    PictureRect fit{};
    QImage message;  // RGB32; null: none
    QPoint messageAt;
    bool messageFresh = false;
    int deviceWidth = 0;
    int deviceHeight = 0;
};

// A window of its own inside the main window, drawn into and swapped: no
// offscreen copy for Qt to compose with the widgets again. The message box is
// drawn here too, since the widgets stay under it. Where OpenGL may be used
// from another thread, a thread of the window's own draws and swaps, so a
// swap that waits for the screen's refresh never holds the emulation, whose
// pace the sound sets: a frame that comes while the one before still waits
// replaces it.
class GlWindow : public QWindow, protected QOpenGLFunctions {
   public:
    GlWindow() { setSurfaceType(QWindow::OpenGLSurface); }
    ~GlWindow() override {
        if (thread_) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quit_ = true;
            }
            wake_.notify_one();
            thread_->wait();
        } else {
            Release();
        }
    }
    // On a screen near the console's 60 frames a second, the game waits (a
    // frame's time at most) for the drawing thread to take the frame before:
    // the refresh then holds the game, the sound's rate follows it
    // (apu/rate_control.h), and no frame is dropped or shown twice. At other
    // refresh rates, when the screen stops taking frames (a hidden window) or
    // drawing takes half a frame's time (a renderer on the CPU), the newest
    // frame replaces one not yet drawn; so it does in fast-forward, which the
    // refresh must not hold to sixty frames a second.
    void Show(const PresentedPicture& p) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (thread_ && scene_.pictureFresh && screen() && !FastForwarding() &&
            std::abs(screen()->refreshRate() - 60) < 0.6 && drawMicroseconds_ < 8000)
            taken_.wait_for(lock, std::chrono::milliseconds(17),
                            [this] { return !scene_.pictureFresh; });
        if (scene_.pictureFresh) ++replaced_;
        const uint32_t* rows = PicturePixels(p) + p.top * p.width;
        pendingPixels_.assign(rows, rows + static_cast<size_t>(p.width) * p.rows);
        scene_.width = p.width;
        scene_.rows = p.rows;
        scene_.smooth = p.smooth;
        scene_.picture = true;
        scene_.pictureFresh = true;
        scene_.message = QImage();
        Request();
    }
    void Forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        scene_.picture = false;
        scene_.message = QImage();
        Request();
    }
    void Redraw() {
        std::lock_guard<std::mutex> lock(mutex_);
        scene_.message = QImage();
        Request();
    }
    uint64_t Replaced() {
        std::lock_guard<std::mutex> lock(mutex_);
        return replaced_;
    }
    void ShowMessage(const QImage& box, QPoint at) {
        std::lock_guard<std::mutex> lock(mutex_);
        scene_.message = box.convertToFormat(QImage::Format_RGB32);
        scene_.messageAt = at;
        scene_.messageFresh = true;
        Request();
    }

   protected:
    void exposeEvent(QExposeEvent*) override {
        if (!isExposed()) return;
        if (!context_ && !Start()) return;
        std::lock_guard<std::mutex> lock(mutex_);
        Request();
    }
    void resizeEvent(QResizeEvent*) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Request();
    }

   private:
    // Makes the context, on the drawing thread where OpenGL allows one.
    bool Start() {
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(requestedFormat());
        if (!context_->create()) return false;
        if (!QOpenGLContext::supportsThreadedOpenGL()) return true;
        thread_.reset(QThread::create([this] { Loop(); }));
        context_->moveToThread(thread_.get());
        thread_->start();
        return true;
    }

    // Called with the lock held, on the main thread: the window's size and
    // the picture's place as they are now, then a drawing.
    void Request() {
        const qreal ratio = devicePixelRatio();
        scene_.deviceWidth = qRound(width() * ratio);
        scene_.deviceHeight = qRound(height() * ratio);
        scene_.fit = PicturePlace(scene_.deviceWidth, scene_.deviceHeight);
        if (!context_ || !isExposed()) return;
        pending_ = true;
        if (thread_)
            wake_.notify_one();
        else
            DrawPending();
    }

    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return pending_ || quit_; });
            if (quit_) break;
            DrawPending(&lock);
        }
        lock.unlock();
        Release();
    }

    // Takes the scene (a new picture's rows by swapping buffers) and draws it
    // without the lock.
    void DrawPending(std::unique_lock<std::mutex>* lock = nullptr) {
        pending_ = false;
        if (scene_.pictureFresh) drawnPixels_.swap(pendingPixels_);
        drawn_ = scene_;
        scene_.pictureFresh = false;
        taken_.notify_one();
        scene_.messageFresh = false;
        if (lock) lock->unlock();
        Draw();
        if (lock) lock->lock();
    }

    bool Ready() {
        if (!context_->makeCurrent(this)) return false;
        if (program_) return true;
        initializeOpenGLFunctions();
        auto program = std::make_unique<QOpenGLShaderProgram>();
        if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
            !program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) ||
            !program->link()) {
            qWarning("morvel: the picture's shaders failed (%s)", qPrintable(program->log()));
            return false;
        }
        program_ = std::move(program);
        corner_ = program_->attributeLocation("corner");
        glGenTextures(2, textures_);
        for (GLuint texture : textures_) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
        return true;
    }

    void Draw() {
        if (!Ready()) return;
        const auto start = std::chrono::steady_clock::now();
        const Scene& d = drawn_;
        glViewport(0, 0, d.deviceWidth, d.deviceHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        program_->bind();
        program_->setUniformValue("picture", 0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        program_->enableAttributeArray(corner_);
        program_->setAttributeArray(corner_, kCorners, 2);
        if (d.picture) {
            glBindTexture(GL_TEXTURE_2D, textures_[0]);
            if (d.pictureFresh) Upload(drawnPixels_.data(), d.width, d.rows, pictureSize_);
            const PictureRect& fit = d.fit;
            glViewport(fit.x, d.deviceHeight - fit.y - fit.height, fit.width, fit.height);
            Quad(d.smooth ? GL_LINEAR : GL_NEAREST);
        }
        if (!d.message.isNull()) {
            glBindTexture(GL_TEXTURE_2D, textures_[1]);
            const QImage& m = d.message;
            if (d.messageFresh)
                Upload(reinterpret_cast<const uint32_t*>(m.constBits()), m.width(), m.height(),
                       messageSize_);
            const qreal ratio = m.devicePixelRatio();
            const int x = qRound(d.messageAt.x() * ratio);
            const int y = qRound(d.messageAt.y() * ratio);
            glViewport(x, d.deviceHeight - y - m.height(), m.width(), m.height());
            Quad(GL_NEAREST);
        }
        program_->disableAttributeArray(corner_);
        program_->release();
        glFlush();
        drawMicroseconds_ = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
        context_->swapBuffers(this);
    }

    // The OpenGL objects and the context go on the thread that used them.
    void Release() {
        if (context_ && program_ && context_->makeCurrent(this)) {
            glDeleteTextures(2, textures_);
            program_.reset();
            context_->doneCurrent();
        }
        context_.reset();
    }

    void Quad(GLint filter) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }

    // Pixels as they lie in memory into the bound texture, made anew when its
    // size changes.
    void Upload(const uint32_t* pixels, int width, int height, QSize& size) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (size != QSize(width, height)) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         pixels);
            size = QSize(width, height);
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels);
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;   // a scene to draw, or the end
    std::condition_variable taken_;  // the drawing thread took the picture
    Scene scene_;                    // what the main thread last set
    std::vector<uint32_t> pendingPixels_;
    bool pending_ = false;  // scene_ not drawn yet
    bool quit_ = false;
    uint64_t replaced_ = 0;
    std::atomic<int64_t> drawMicroseconds_{0};  // the last drawing, without the swap
    std::unique_ptr<QThread> thread_;
    // The drawing thread's own (the main thread's without one).
    Scene drawn_;
    std::vector<uint32_t> drawnPixels_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    GLuint textures_[2] = {0, 0};  // the picture, the message box
    int corner_ = -1;
    QSize pictureSize_;
    QSize messageSize_;
};

// The window's container, filling the widget the main window sizes.
class GlView : public QWidget, public PictureView {
   public:
    explicit GlView(QWidget* parent)
        : QWidget(parent),
          window_(new GlWindow),
          container_(createWindowContainer(window_, this)) {}
    QWidget* widget() override { return this; }
    void Show(const PresentedPicture& picture) override { window_->Show(picture); }
    void Forget() override { window_->Forget(); }
    void Redraw() override { window_->Redraw(); }
    void ShowMessage(const QImage& box, QPoint at) override { window_->ShowMessage(box, at); }
    uint64_t PicturesReplaced() const override { return window_->Replaced(); }

   protected:
    void resizeEvent(QResizeEvent*) override { container_->setGeometry(rect()); }

   private:
    GlWindow* window_;
    QWidget* container_;
};

}  // namespace

PictureView* MakeGlPictureView(QWidget* parent, QString& renderer) {
    renderer = RendererName();
    if (renderer.isEmpty()) return nullptr;
    if (DrawsOnTheCpu(renderer) && !qEnvironmentVariableIsSet("MORVEL_OPENGL_DISPLAY"))
        return nullptr;
    return new GlView(parent);
}

}  // namespace morvel::qt
