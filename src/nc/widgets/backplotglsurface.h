#pragma once
// The GPU's drawing of a BackplotView's path: the points go to a vertex
// buffer once per path, the rapids' and the feeds' segments to two index
// buffers, and a frame is three draw calls whatever the path's size; the
// view's highlight and axes are painted over it. The mouse goes through to
// the view.
#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

namespace marbolt {

class BackplotView;

class BackplotGlSurface : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    // Whether the GPU should draw: an OpenGL context with shaders can be
    // made here and its renderer is not a rasterizer on the CPU; asked
    // once. MARBOLT_BACKPLOT=gpu takes any context, =software none.
    static bool available();
    static bool isCpuRasterizer(const QString &renderer);

    explicit BackplotGlSurface(BackplotView *view);
    ~BackplotGlSurface() override;
    // The view has a new path: the buffers are filled again at the next
    // frame.
    void pathChanged() { stale_ = true; update(); }

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void contextGoing();
    void upload();
    void release();

    BackplotView *view_;
    QOpenGLShaderProgram lines_;
    QOpenGLShaderProgram rings_;
    QOpenGLBuffer points_{QOpenGLBuffer::VertexBuffer};
    QOpenGLBuffer rapids_{QOpenGLBuffer::IndexBuffer};
    QOpenGLBuffer feeds_{QOpenGLBuffer::IndexBuffer};
    QOpenGLBuffer holes_{QOpenGLBuffer::VertexBuffer};
    int rapidCount_ = 0;
    int feedCount_ = 0;
    int holeVertices_ = 0;
    bool ready_ = false;
    bool stale_ = true;
};

}  // namespace marbolt
