#include "views/view_window.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

namespace kivo::views {

TKIVOWindow::TKIVOWindow(kivoMDIClient& doc, int view, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), view_(view) {
    setObjectName(QStringLiteral("view%1").arg(view));
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setFrameShape(QFrame::NoFrame);
    // The view does not follow the thumb while it is dragged, only where it is released.
    horizontalScrollBar()->setTracking(false);
    verticalScrollBar()->setTracking(false);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    CalcScrollBars();
}

void TKIVOWindow::CalcScrollBars() {
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // The viewport excludes the bars that are shown; a hidden bar's room is taken off as well.
    const QSize client = viewport()->size();
    const ScrollRanges r = CalcViewScrollRanges(doc_.hExtent[view_], doc_.vExtent[view_], client.width(),
                                                client.height(), vb->maximum() == vb->minimum(),
                                                hb->maximum() == hb->minimum(), bar, bar);
    hb->setRange(0, std::max(0, r.maxH));
    vb->setRange(0, std::max(0, r.maxV));
    hb->setPageStep(std::max(1, client.width() * 7 / 10));
    vb->setPageStep(std::max(1, client.height() * 7 / 10));
    horzOrigin = -hb->value();
    vertOrigin = -vb->value();
}

void TKIVOWindow::paintEvent(QPaintEvent* e) {
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
    const QRect exposed = e->rect();
    QPainter p(viewport());
    if (viewport()->devicePixelRatioF() != 1.0) {
        p.fillRect(exposed, Qt::white);
        p.translate(horzOrigin, vertOrigin);
        DrawView(p, doc_, view_, exposed.translated(-horzOrigin, -vertOrigin), highlight_);
        return;
    }
    // At one device pixel per canvas pixel the picture is drawn into an image of the exposed
    // rectangle, where DrawView writes lines, symbols and names straight into the pixels.
    if (buffer_.size() != exposed.size()) buffer_ = QImage(exposed.size(), QImage::Format_RGB32);
    buffer_.fill(Qt::white);
    {
        QPainter bp(&buffer_);
        bp.setFont(p.font());
        bp.translate(horzOrigin - exposed.left(), vertOrigin - exposed.top());
        DrawView(bp, doc_, view_, exposed.translated(-horzOrigin, -vertOrigin), highlight_);
    }
    p.drawImage(exposed.topLeft(), buffer_);
}

void TKIVOWindow::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    CalcScrollBars();
    viewport()->update();
    if (trackSize_) doc_.bFileDirty = true; // window sizes belong to the project file
}

void TKIVOWindow::scrollContentsBy(int dx, int dy) {
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
    viewport()->scroll(dx, dy);
}

void TKIVOWindow::TrackPointer(const QPoint& pos) {
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
    devPoint = pos;
    curPoint = KPoint{pos.x() - horzOrigin, pos.y() - vertOrigin};
    horzLogCoord = curPoint.x / doc_.hObjScale[view_] + doc_.hBase[view_];
    vertLogCoord = doc_.vBase[view_] - curPoint.y / doc_.vObjScale[view_];
}

void TKIVOWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    TrackPointer(e->position().toPoint());
    EvLButtonDown(e->modifiers());
}

void TKIVOWindow::mouseMoveEvent(QMouseEvent* e) {
    TrackPointer(e->position().toPoint());
    EvMouseMove(e->modifiers());
}

void TKIVOWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    TrackPointer(e->position().toPoint());
    EvLButtonUp(e->modifiers());
}

void TKIVOWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    TrackPointer(e->position().toPoint());
    EvLButtonDblClk(e->modifiers());
}

// The tool modes (gMode): 1 select, 2 point, 3 theodolite, 4 scale bar, 5 none, 6 direction,
// 7 distance, 8 height difference. Placing, dragging and measuring are handled by the editing tools.
void TKIVOWindow::EvLButtonDown(Qt::KeyboardModifiers) {
    switch (doc_.gMode) {
    case 1: {
        doc_.ClearSelect();
        doc_.selection = static_cast<int>(doc_.HitTest(curPoint, view_));
        doc_.MarkSelect();
        if (doc_.selectType == SEL_NONE) {
            doc_.StatBarMessage("");
            doc_.host().EnableMenuItem(CM_EDITCUT, false);
        } else {
            doc_.StatBarSelect(0);
            doc_.host().EnableMenuItem(CM_EDITCUT, true);
        }
        break;
    }
    default: break;
    }
}

void TKIVOWindow::EvMouseMove(Qt::KeyboardModifiers) {
    xold = curPoint.x;
    yold = curPoint.y;
    doc_.StatBarDebug(QString::asprintf("%d, %d", TruncToInt(horzLogCoord), TruncToInt(vertLogCoord)).toStdString());
}

void TKIVOWindow::EvLButtonUp(Qt::KeyboardModifiers) {
    if (doc_.gMode == 1) gDragFlag = 0;
}

void TKIVOWindow::EvLButtonDblClk(Qt::KeyboardModifiers) {}

} // namespace kivo::views
