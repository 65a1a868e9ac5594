#include "platform/qt/gl_display.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QPainter>
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

bool CanMakeContext() {
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
    context.doneCurrent();
    return true;
}

class GlView : public QOpenGLWidget, public PictureView, protected QOpenGLFunctions {
   public:
    explicit GlView(QWidget* parent) : QOpenGLWidget(parent) {}
    ~GlView() override {
        if (!context()) return;
        makeCurrent();
        if (texture_) glDeleteTextures(1, &texture_);
        program_.reset();
        doneCurrent();
    }
    QWidget* widget() override { return this; }
    void Show(const PresentedPicture& picture) override {
        picture_ = picture;
        havePicture_ = true;
        fresh_ = true;
        repaint();
    }
    void Forget() override {
        havePicture_ = false;
        fresh_ = false;
        update();
    }

   protected:
    void initializeGL() override {
        initializeOpenGLFunctions();
        auto program = std::make_unique<QOpenGLShaderProgram>();
        if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
            !program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) ||
            !program->link()) {
            qWarning("morvel: the picture's shaders failed (%s); drawing with QPainter",
                     qPrintable(program->log()));
            return;
        }
        program_ = std::move(program);
        corner_ = program_->attributeLocation("corner");
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        textureWidth_ = textureHeight_ = 0;
    }

    void paintGL() override {
        if (!program_) {
            QPainter painter(this);
            PaintPicture(painter, rect(), havePicture_ ? &picture_ : nullptr);
            return;
        }
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (!havePicture_) return;
        glBindTexture(GL_TEXTURE_2D, texture_);
        if (fresh_) Upload();
        const qreal ratio = devicePixelRatioF();
        const int width = qRound(this->width() * ratio);
        const int height = qRound(this->height() * ratio);
        PictureRect fit = FitPicture(width, height, nesAspect);
        glViewport(fit.x, height - fit.y - fit.height, fit.width, fit.height);
        const GLint filter = picture_.smooth ? GL_LINEAR : GL_NEAREST;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        program_->bind();
        program_->setUniformValue("picture", 0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        program_->enableAttributeArray(corner_);
        program_->setAttributeArray(corner_, kCorners, 2);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
        program_->disableAttributeArray(corner_);
        program_->release();
    }

   private:
    // The rows shown, straight from the surface the frame was presented in.
    void Upload() {
        const PresentedPicture& p = picture_;
        const uint32_t* rows = p.pixels + p.top * p.width;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (p.width != textureWidth_ || p.rows != textureHeight_) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p.width, p.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         rows);
            textureWidth_ = p.width;
            textureHeight_ = p.rows;
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, p.width, p.rows, GL_RGBA, GL_UNSIGNED_BYTE,
                            rows);
        }
        fresh_ = false;
    }

    std::unique_ptr<QOpenGLShaderProgram> program_;
    GLuint texture_ = 0;
    int corner_ = -1;
    int32_t textureWidth_ = 0;
    int32_t textureHeight_ = 0;
    PresentedPicture picture_{};
    bool havePicture_ = false;
    bool fresh_ = false;
};

}  // namespace

PictureView* MakeGlPictureView(QWidget* parent) {
    if (!CanMakeContext()) return nullptr;
    return new GlView(parent);
}

}  // namespace morvel::qt
