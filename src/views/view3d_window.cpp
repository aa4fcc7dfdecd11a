#include "views/view3d_window.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <cmath>
#include <functional>

#include "adjustment/kivoMDIClient.h"
#include "forms/forms.h"
#include "model/command_ids.h"

namespace kivo::views {

namespace {

// Degrees of orbit per pixel of drag, and per arrow key.
constexpr double kOrbitPerPixel = 0.5;
constexpr double kOrbitStep = 15.0;
// A press that moves less than this (pixels, Manhattan) before its release is a click.
constexpr int kClickSlack = 3;
constexpr double kZoomStep = 1.25;

// The OpenGL viewport: it paints in paintGL, so that a grab of the widget (which renders through
// paintGL) shows the same picture as the screen.
class GLViewport : public QOpenGLWidget {
public:
    explicit GLViewport(std::function<void(QPainter&)> draw) : draw_(std::move(draw)) {}

protected:
    void paintGL() override {
        QPainter p(this);
        draw_(p);
    }

private:
    std::function<void(QPainter&)> draw_;
};

} // namespace

QIcon View3DIcon() {
    QPixmap pm(20, 20);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1));
    const QPointF front[4] = {{2, 7}, {13, 7}, {13, 18}, {2, 18}};
    const QPointF d(5, -5);
    p.drawPolygon(front, 4);
    p.drawLine(front[0], front[0] + d);
    p.drawLine(front[1], front[1] + d);
    p.drawLine(front[2], front[2] + d);
    p.drawLine(front[0] + d, front[1] + d);
    p.drawLine(front[1] + d, front[2] + d);
    p.setBrush(QColor(70, 110, 190));
    p.drawEllipse(QPointF(9.5, 10.5), 5.0, 3.0);
    p.end();
    return QIcon(pm);
}

bool View3DWindow::OpenGLAvailable() {
    static const bool available = [] {
        if (qEnvironmentVariableIsSet("KIVO_3D_RASTER")) return false;
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
        QOpenGLContext context;
        QOffscreenSurface surface;
        surface.create();
        if (!context.create() || !context.makeCurrent(&surface)) return false;
        // Mesa's software rasterisers draw this picture (thousands of blended, antialiased
        // shapes) several times slower through OpenGL than Qt's raster engine does.
        const auto* renderer = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
        const QByteArray name = renderer ? QByteArray(renderer).toLower() : QByteArray();
        context.doneCurrent();
        return !name.contains("llvmpipe") && !name.contains("softpipe") && !name.contains("swrast");
    }();
    return available;
}

View3DWindow::View3DWindow(kivoMDIClient& doc, QWidget* parent) : QAbstractScrollArea(parent), doc_(doc) {
    setObjectName(QStringLiteral("view3d"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    if (OpenGLAvailable()) {
        auto* gl = new GLViewport([this](QPainter& p) { Draw(p); });
        QSurfaceFormat f = gl->format();
        f.setSamples(4); // smooth ellipsoid outlines and lines
        gl->setFormat(f);
        setViewport(gl);
        openGL_ = true;
    }
    viewport()->setMouseTracking(false);
    viewport()->setAutoFillBackground(false);
    setMinimumSize(120, 90);
}

void View3DWindow::SetCamera(const Camera3D& cam) {
    cam_ = cam;
    fitted_ = true;
    SyncSize();
    viewport()->update();
}

void View3DWindow::SyncSize() {
    cam_.width = std::max(1, viewport()->width());
    cam_.height = std::max(1, viewport()->height());
}

void View3DWindow::ShowStandard(StandardView v) {
    cam_.SetStandard(v);
    FitToNetwork();
}

void View3DWindow::FitToNetwork() {
    SyncSize();
    FitToScene(cam_, BuildScene(doc_));
    fitted_ = true;
    viewport()->update();
}

void View3DWindow::SetPerspective(bool on) {
    cam_.perspective = on;
    viewport()->update();
}

QImage View3DWindow::Render(QSize size) const {
    Camera3D cam = cam_;
    const double k = std::min(size.width() / double(std::max(1, cam.width)),
                              size.height() / double(std::max(1, cam.height)));
    cam.width = std::max(1, size.width());
    cam.height = std::max(1, size.height());
    cam.pixelsPerUnit *= k;
    cam.panX *= k, cam.panY *= k;
    return RenderScene3D(doc_, cam, highlight_);
}

void View3DWindow::Draw(QPainter& p) {
    SyncSize();
    const Scene3D scene = BuildScene(doc_);
    if (!fitted_) {
        FitToScene(cam_, scene);
        fitted_ = true;
    }
    DrawScene3D(p, doc_, scene, cam_, highlight_);
}

void View3DWindow::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (viewport()->devicePixelRatioF() != 1.0) {
        Draw(p);
        return;
    }
    // At one device pixel per window pixel the picture is drawn into an image first, where the
    // lines and names are written straight into the pixels.
    if (buffer_.size() != viewport()->size()) buffer_ = QImage(viewport()->size(), QImage::Format_RGB32);
    {
        QPainter bp(&buffer_);
        bp.setFont(p.font());
        Draw(bp);
    }
    p.drawImage(0, 0, buffer_);
}

bool View3DWindow::viewportEvent(QEvent* e) {
    // The OpenGL viewport paints itself (paintGL).
    if (openGL_ && e->type() == QEvent::Paint) return false;
    return QAbstractScrollArea::viewportEvent(e);
}

void View3DWindow::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    // The orbit centre stays at the same place relative to the window's centre.
    SyncSize();
    viewport()->update();
}

void View3DWindow::mousePressEvent(QMouseEvent* e) {
    if (dragButton_ != Qt::NoButton) return;
    const Qt::MouseButton b = e->button();
    if (b != Qt::LeftButton && b != Qt::MiddleButton) return;
    dragButton_ = b;
    panning_ = b == Qt::MiddleButton || (e->modifiers() & Qt::ShiftModifier);
    dragged_ = false;
    pressPos_ = lastPos_ = e->position().toPoint();
}

void View3DWindow::mouseMoveEvent(QMouseEvent* e) {
    if (dragButton_ == Qt::NoButton) return;
    const QPoint pos = e->position().toPoint();
    if (!dragged_ && (pos - pressPos_).manhattanLength() < kClickSlack) return;
    dragged_ = true;
    const QPoint d = pos - lastPos_;
    lastPos_ = pos;
    if (panning_)
        cam_.Pan(d.x(), d.y());
    else
        // Dragging right turns the network to the right: the eye goes the other way round.
        cam_.Orbit(-d.x() * kOrbitPerPixel, d.y() * kOrbitPerPixel);
    viewport()->update();
}

void View3DWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != dragButton_) return;
    const bool click = !dragged_ && dragButton_ == Qt::LeftButton;
    dragButton_ = Qt::NoButton;
    if (click) Select(e->position().toPoint());
}

void View3DWindow::Select(const QPoint& pos) {
    SyncSize();
    doc_.ClearSelect();
    ApplyPick(doc_, PickAt(BuildScene(doc_), cam_, pos.x(), pos.y()));
    doc_.MarkSelect();
    if (doc_.selectType == SEL_NONE) {
        doc_.StatBarMessage("");
        doc_.host().EnableMenuItem(cmd::EditCut, false);
    } else {
        doc_.StatBarSelect(0);
        doc_.host().EnableMenuItem(cmd::EditCut, true);
    }
    viewport()->update();
}

void View3DWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    // What lies under the pointer is selected (as the first click did) and its form opened.
    dragButton_ = Qt::NoButton;
    Select(e->position().toPoint());
    if (doc_.selectType == SEL_NONE) return;
    forms::RunSelectionForm(this, doc_);
    doc_.ClearSelect();
    doc_.StatBarMessage("");
    doc_.host().EnableMenuItem(cmd::EditCut, false);
    viewport()->update();
}

void View3DWindow::wheelEvent(QWheelEvent* e) {
    wheelRest_ += e->angleDelta().y();
    const int steps = wheelRest_ / 120;
    if (steps == 0) return;
    wheelRest_ -= steps * 120;
    SyncSize();
    const QPointF at = e->position();
    cam_.ZoomAt(std::pow(kZoomStep, steps), at.x(), at.y());
    viewport()->update();
}

void View3DWindow::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_F:
        FitToNetwork();
        break;
    case Qt::Key_T:
    case Qt::Key_7:
        ShowStandard(StandardView::Top);
        break;
    case Qt::Key_1:
        ShowStandard(StandardView::Front);
        break;
    case Qt::Key_3:
        ShowStandard(StandardView::Side);
        break;
    case Qt::Key_O:
    case Qt::Key_0:
        ShowStandard(StandardView::Oblique);
        break;
    case Qt::Key_P:
    case Qt::Key_5:
        SetPerspective(!cam_.perspective);
        break;
    case Qt::Key_Left:
        cam_.Orbit(kOrbitStep, 0);
        break;
    case Qt::Key_Right:
        cam_.Orbit(-kOrbitStep, 0);
        break;
    case Qt::Key_Up:
        cam_.Orbit(0, kOrbitStep);
        break;
    case Qt::Key_Down:
        cam_.Orbit(0, -kOrbitStep);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        cam_.ZoomAt(kZoomStep, cam_.width / 2.0, cam_.height / 2.0);
        break;
    case Qt::Key_Minus:
        cam_.ZoomAt(1 / kZoomStep, cam_.width / 2.0, cam_.height / 2.0);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    viewport()->update();
}

void View3DWindow::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    auto add = [&](const QString& text, const QString& key, auto fn) {
        QAction* a = menu.addAction(text + QLatin1Char('\t') + key);
        connect(a, &QAction::triggered, this, fn);
        return a;
    };
    add(QStringLiteral("&Top"), QStringLiteral("T"), [this] { ShowStandard(StandardView::Top); });
    add(QStringLiteral("&Front"), QStringLiteral("1"), [this] { ShowStandard(StandardView::Front); });
    add(QStringLiteral("&Side"), QStringLiteral("3"), [this] { ShowStandard(StandardView::Side); });
    add(QStringLiteral("&Oblique"), QStringLiteral("O"), [this] { ShowStandard(StandardView::Oblique); });
    menu.addSeparator();
    QAction* persp = add(QStringLiteral("&Perspective"), QStringLiteral("P"),
                         [this] { SetPerspective(!cam_.perspective); });
    persp->setCheckable(true);
    persp->setChecked(cam_.perspective);
    add(QStringLiteral("Fit to &Window"), QStringLiteral("F"), [this] { FitToNetwork(); });
    menu.exec(e->globalPos());
}

} // namespace kivo::views
