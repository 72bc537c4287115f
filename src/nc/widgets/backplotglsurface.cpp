#include "nc/widgets/backplotglsurface.h"

#include "nc/widgets/backplotcolours.h"
#include "nc/widgets/backplotview.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>

#include <cmath>

namespace marbolt {

namespace {

// Written for GLSL 1.10 and ES 1.00 alike.
const char *const kLineVertex = R"(
attribute vec4 point;  // x, y, z relative to the path's centre; distance along its move
uniform mat4 matrix;
uniform float scale;   // pixels a unit
varying float pixelsAlong;
void main()
{
    gl_Position = matrix * vec4(point.xyz, 1.0);
    pixelsAlong = point.w * scale;
}
)";

const char *const kLineFragment = R"(
#ifdef GL_ES
precision highp float;
#endif
uniform vec4 colour;
uniform float dash;  // pixels of a dash and of a gap; 0 for a solid line
varying float pixelsAlong;
void main()
{
    if (dash > 0.0 && mod(pixelsAlong, 2.0 * dash) > dash)
        discard;
    gl_FragColor = colour;
}
)";

// A ring around a hole: its centre in the path, its corner in pixels.
const char *const kRingVertex = R"(
attribute vec3 centre;
attribute vec2 corner;
uniform mat4 matrix;
uniform vec2 pixel;  // the size of a pixel in clip space
void main()
{
    vec4 at = matrix * vec4(centre, 1.0);
    gl_Position = at + vec4(corner * pixel * at.w, 0.0, 0.0);
}
)";

const char *const kRingFragment = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform vec4 colour;
void main()
{
    gl_FragColor = colour;
}
)";

constexpr int kRingCorners = 10;

void setColour(QOpenGLShaderProgram &program, const QColor &c)
{
    program.setUniformValue("colour", QVector4D(c.redF(), c.greenF(), c.blueF(), 1.0f));
}

}  // namespace

bool BackplotGlSurface::available()
{
    static const bool ok = [] {
        const QString asked = qEnvironmentVariable("MARBOLT_BACKPLOT");
        QString renderer;
        const bool gpu = [&] {
            if (asked == QLatin1String("software"))
                return false;
            QOpenGLContext context;
            if (!context.create())
                return false;
            QOffscreenSurface surface;
            surface.setFormat(context.format());
            surface.create();
            if (!surface.isValid() || !context.makeCurrent(&surface))
                return false;
            const bool shaders = QOpenGLShaderProgram::hasOpenGLShaderPrograms(&context);
            const auto *name = reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
            renderer = name ? QString::fromLatin1(name) : QString();
            context.doneCurrent();
            // A rasterizer on the CPU (Mesa's llvmpipe under Xvfb or a
            // remote desktop) draws a million lines slower than the view's
            // own software drawing, which thins them to the pixels first.
            return shaders && (asked == QLatin1String("gpu") || !isCpuRasterizer(renderer));
        }();
        // Asked for one, the program says which it took.
        if (!asked.isEmpty())
            qInfo("backplot: drawn by %s", gpu ? qPrintable(QStringLiteral("OpenGL ") + renderer) : "QPainter");
        return gpu;
    }();
    return ok;
}

bool BackplotGlSurface::isCpuRasterizer(const QString &renderer)
{
    for (const char *name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SwiftShader",
                             "Microsoft Basic Render"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

BackplotGlSurface::BackplotGlSurface(BackplotView *view) : QOpenGLWidget(view), view_(view)
{
    setObjectName(QStringLiteral("BackplotGpu"));
    setFocusPolicy(Qt::NoFocus);
}

BackplotGlSurface::~BackplotGlSurface()
{
    if (context()) {
        // The base class's destructor ends the context: not into this
        // half-destroyed object.
        disconnect(context(), nullptr, this, nullptr);
        makeCurrent();
        release();
        doneCurrent();
    }
}

void BackplotGlSurface::release()
{
    points_.destroy();
    rapids_.destroy();
    feeds_.destroy();
    holes_.destroy();
    lines_.removeAllShaders();
    rings_.removeAllShaders();
    ready_ = false;
    stale_ = true;
}

void BackplotGlSurface::contextGoing()
{
    makeCurrent();
    release();
    doneCurrent();
}

void BackplotGlSurface::initializeGL()
{
    // A new context (the dock made floating, say): everything again.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &BackplotGlSurface::contextGoing,
            Qt::UniqueConnection);
    initializeOpenGLFunctions();
    ready_ = lines_.addShaderFromSourceCode(QOpenGLShader::Vertex, kLineVertex)
          && lines_.addShaderFromSourceCode(QOpenGLShader::Fragment, kLineFragment) && lines_.link()
          && rings_.addShaderFromSourceCode(QOpenGLShader::Vertex, kRingVertex)
          && rings_.addShaderFromSourceCode(QOpenGLShader::Fragment, kRingFragment) && rings_.link();
    if (!ready_)
        qWarning("backplot: the GPU's shaders did not build: %s %s", qPrintable(lines_.log()),
                 qPrintable(rings_.log()));
    stale_ = true;
}

void BackplotGlSurface::upload()
{
    const nc::PathDrawing &d = view_->drawing();
    auto fill = [](QOpenGLBuffer &buffer, const void *data, std::size_t bytes) {
        if (!buffer.isCreated())
            buffer.create();
        buffer.bind();
        buffer.setUsagePattern(QOpenGLBuffer::StaticDraw);
        buffer.allocate(data, static_cast<int>(bytes));
        buffer.release();
    };
    fill(points_, d.points().data(), d.points().size() * sizeof(nc::DrawPoint));
    fill(rapids_, d.rapidSegments().data(), d.rapidSegments().size() * sizeof(std::uint32_t));
    fill(feeds_, d.feedSegments().data(), d.feedSegments().size() * sizeof(std::uint32_t));
    rapidCount_ = static_cast<int>(d.rapidSegments().size());
    feedCount_ = static_cast<int>(d.feedSegments().size());
    // Each hole a ring of short lines: its centre and a corner in pixels.
    std::vector<float> rings;
    rings.reserve(d.holes().size() * kRingCorners * 2 * 5);
    for (const nc::DrawPoint &h : d.holes()) {
        for (int i = 0; i < kRingCorners; ++i) {
            for (const int k : {i, i + 1}) {
                const double a = 2 * 3.14159265358979323846 * k / kRingCorners;
                rings.insert(rings.end(), {h.x, h.y, h.z, static_cast<float>(kBackplotHoleRadius * std::cos(a)),
                                           static_cast<float>(kBackplotHoleRadius * std::sin(a))});
            }
        }
    }
    fill(holes_, rings.data(), rings.size() * sizeof(float));
    holeVertices_ = static_cast<int>(rings.size() / 5);
    stale_ = false;
}

void BackplotGlSurface::paintGL()
{
    const QColor bg = backplotBackground();
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glClearColor(bg.redF(), bg.greenF(), bg.blueF(), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (ready_) {
        if (stale_)
            upload();
        const QSizeF size(width(), height());
        const std::array<float, 16> matrix = view_->camera().clipMatrix(size);
        glLineWidth(1.0f);

        lines_.bind();
        glUniformMatrix4fv(lines_.uniformLocation("matrix"), 1, GL_FALSE, matrix.data());
        lines_.setUniformValue("scale", static_cast<float>(view_->camera().scale()));
        points_.bind();
        const int point = lines_.attributeLocation("point");
        lines_.enableAttributeArray(point);
        lines_.setAttributeBuffer(point, GL_FLOAT, 0, 4, sizeof(nc::DrawPoint));
        for (auto [buffer, count, colour, dash] :
             {std::tuple{&rapids_, rapidCount_, backplotRapidColour(), kBackplotDashPixels},
              std::tuple{&feeds_, feedCount_, backplotFeedColour(), 0.0}}) {
            if (count == 0)
                continue;
            setColour(lines_, colour);
            lines_.setUniformValue("dash", static_cast<float>(dash));
            buffer->bind();
            glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
            buffer->release();
        }
        lines_.disableAttributeArray(point);
        points_.release();
        lines_.release();

        if (holeVertices_ > 0) {
            rings_.bind();
            glUniformMatrix4fv(rings_.uniformLocation("matrix"), 1, GL_FALSE, matrix.data());
            rings_.setUniformValue("pixel", QVector2D(2.0f / std::max(width(), 1), -2.0f / std::max(height(), 1)));
            setColour(rings_, backplotHoleColour());
            holes_.bind();
            const int centre = rings_.attributeLocation("centre");
            const int corner = rings_.attributeLocation("corner");
            rings_.enableAttributeArray(centre);
            rings_.enableAttributeArray(corner);
            rings_.setAttributeBuffer(centre, GL_FLOAT, 0, 3, 5 * sizeof(float));
            rings_.setAttributeBuffer(corner, GL_FLOAT, 3 * sizeof(float), 2, 5 * sizeof(float));
            glDrawArrays(GL_LINES, 0, holeVertices_);
            rings_.disableAttributeArray(centre);
            rings_.disableAttributeArray(corner);
            holes_.release();
            rings_.release();
        }
    }
    QPainter painter(this);
    view_->paintOverlay(painter);
}

}  // namespace marbolt
