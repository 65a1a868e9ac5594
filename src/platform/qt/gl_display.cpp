#include "platform/qt/gl_display.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QWidget>
#include <QWindow>
#include <QtEndian>
#include <memory>

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

// A window of its own inside the main window, drawn into and swapped as each
// frame comes: no offscreen copy for Qt to compose with the widgets again.
// The message box is drawn here too, since the widgets stay under it.
class GlWindow : public QWindow, protected QOpenGLFunctions {
   public:
    GlWindow() { setSurfaceType(QWindow::OpenGLSurface); }
    ~GlWindow() override {
        if (!context_ || !context_->makeCurrent(this)) return;
        glDeleteTextures(2, textures_);
        program_.reset();
        context_->doneCurrent();
    }
    void Show(const PresentedPicture& picture) {
        picture_ = picture;
        havePicture_ = true;
        fresh_ = true;
        message_ = QImage();
        Draw();
    }
    void Forget() {
        havePicture_ = false;
        fresh_ = false;
        message_ = QImage();
        Draw();
    }
    void ShowMessage(const QImage& box, QPoint at) {
        message_ = box.convertToFormat(QImage::Format_RGB32);
        messageAt_ = at;
        messageFresh_ = true;
        Draw();
    }

   protected:
    void exposeEvent(QExposeEvent*) override { Draw(); }

   private:
    bool Ready() {
        if (context_) return program_ && context_->makeCurrent(this);
        context_ = std::make_unique<QOpenGLContext>();
        context_->setFormat(requestedFormat());
        if (!context_->create() || !context_->makeCurrent(this)) return false;
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
        if (!isExposed() || !Ready()) return;
        const qreal ratio = devicePixelRatio();
        const int width = qRound(this->width() * ratio);
        const int height = qRound(this->height() * ratio);
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        program_->bind();
        program_->setUniformValue("picture", 0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        program_->enableAttributeArray(corner_);
        program_->setAttributeArray(corner_, kCorners, 2);
        if (havePicture_) {
            glBindTexture(GL_TEXTURE_2D, textures_[0]);
            const PresentedPicture& p = picture_;
            if (fresh_) Upload(p.pixels + p.top * p.width, p.width, p.rows, pictureSize_);
            fresh_ = false;
            PictureRect fit = PicturePlace(width, height);
            glViewport(fit.x, height - fit.y - fit.height, fit.width, fit.height);
            Quad(p.smooth ? GL_LINEAR : GL_NEAREST);
        }
        if (!message_.isNull()) {
            glBindTexture(GL_TEXTURE_2D, textures_[1]);
            if (messageFresh_)
                Upload(reinterpret_cast<const uint32_t*>(message_.constBits()), message_.width(),
                       message_.height(), messageSize_);
            messageFresh_ = false;
            const int x = qRound(messageAt_.x() * ratio);
            const int y = qRound(messageAt_.y() * ratio);
            glViewport(x, height - y - message_.height(), message_.width(), message_.height());
            Quad(GL_NEAREST);
        }
        program_->disableAttributeArray(corner_);
        program_->release();
        context_->swapBuffers(this);
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

    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    GLuint textures_[2] = {0, 0};  // the picture, the message box
    int corner_ = -1;
    QSize pictureSize_;
    QSize messageSize_;
    PresentedPicture picture_{};
    bool havePicture_ = false;
    bool fresh_ = false;
    QImage message_;
    QPoint messageAt_;
    bool messageFresh_ = false;
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
    void ShowMessage(const QImage& box, QPoint at) override { window_->ShowMessage(box, at); }

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
