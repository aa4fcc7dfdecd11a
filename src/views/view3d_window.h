#pragma once
// View3DWindow: the network in 3D, turned in the hand. Drag to orbit about the network's centre,
// the wheel zooms about the pointer, a middle drag (or Shift with the left button) pans; F fits,
// T (or 7) looks from the top, 1 from the front, 3 from the side, O (or 0) obliquely, P switches
// between perspective and orthographic; the context menu offers the same. A click selects as in
// the 2D views (the selection is the document's, shown in every view) and a double click opens
// the selection's form. The window draws through OpenGL where a context can be made, otherwise
// with the raster engine; the picture is the same DrawScene3D either way.

#include <QAbstractScrollArea>
#include <QIcon>

#include "views/view3d_render.h"

namespace kivo::views {

// The icon of Window > New 3D View: a box in oblique view with an ellipsoid in it.
QIcon View3DIcon();

class View3DWindow : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit View3DWindow(kivoMDIClient& doc, QWidget* parent = nullptr);

    kivoMDIClient& doc() { return doc_; }
    const Camera3D& camera() const { return cam_; }
    void SetCamera(const Camera3D& cam);

    // The highlighted connection (the selection, as the 2D views show it).
    void SetHighlight(const Highlight& hl) { highlight_ = hl; }
    const Highlight& highlight() const { return highlight_; }

    // Looks from a standard direction at the whole network.
    void ShowStandard(StandardView v);
    void FitToNetwork();
    void SetPerspective(bool on);

    // The picture as the window shows it, at another size (printing): the same camera, the
    // magnification scaled so that the network fills the new size as it fills the window.
    QImage Render(QSize size) const;

    bool usesOpenGL() const { return openGL_; }
    // Whether the window draws through OpenGL (asked once): when a context can be made and its
    // renderer is not a software one (there the raster engine is faster). KIVO_3D_RASTER set in
    // the environment says no.
    static bool OpenGLAvailable();

protected:
    void paintEvent(QPaintEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void Draw(QPainter& p);
    void Select(const QPoint& pos);
    void SyncSize();

    kivoMDIClient& doc_;
    Camera3D cam_;
    bool fitted_ = false; // fitted once the window has its size
    bool openGL_ = false;
    Highlight highlight_;
    QImage buffer_; // the picture of the last paint without OpenGL
    // The drag in progress: the button, where it began and the last position.
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool panning_ = false, dragged_ = false;
    QPoint pressPos_, lastPos_;
    int wheelRest_ = 0; // wheel turn not yet spent on a zoom step (eighths of a degree)
};

} // namespace kivo::views
