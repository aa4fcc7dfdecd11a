#include "views/view_window.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include "adjustment/design_advice.h"
#include "forms/forms.h"
#include "views/station_field.h"
#include "views/tool_cursors.h"

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
    // Shown means laid out: the area shows or hides a bar for a new range only later, and the
    // viewport keeps the size of the bars as they are laid out until then.
    const QSize client = viewport()->size();
    const ScrollRanges r =
        CalcViewScrollRanges(doc_.hExtent[view_], doc_.vExtent[view_], client.width(), client.height(),
                             !vb->isVisibleTo(this), !hb->isVisibleTo(this), bar, bar);
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
        if (field_) DrawStationField(p, doc_, *field_);
        p.resetTransform();
        if (field_) DrawFieldLegend(p, doc_, *field_, QPoint(8, 8));
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
        if (field_) DrawStationField(bp, doc_, *field_);
    }
    p.drawImage(exposed.topLeft(), buffer_);
    if (field_) DrawFieldLegend(p, doc_, *field_, QPoint(8, 8));
}

void TKIVOWindow::SetStationField(std::shared_ptr<const StationField> field) {
    field_ = view_ == 0 ? std::move(field) : nullptr;
    viewport()->update();
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
    if (field_ && doc_.gMode == MODE_SELECT) {
        if (const int cell = FieldCellAt(doc_, *field_, curPoint.x, curPoint.y); cell >= 0) {
            const std::shared_ptr<const StationField> f = std::move(field_);
            const int slot = PlaceStationFromField(doc_, *f, cell);
            doc_.StatBarMessage(slot >= 0 ? "A theodolite placed at the heat map's cell, with its sightings"
                                          : "Every theodolite name is taken");
            doc_.UpdateViews(true);
            viewport()->update();
            return;
        }
    }
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

KRect TKIVOWindow::ClientRect() const {
    return KRect{0, 0, viewport()->width(), viewport()->height()};
}

KRect TKIVOWindow::LimitBox() const {
    return doc_.VisibleLimitBox(view_, horzOrigin, vertOrigin, ClientRect());
}

void TKIVOWindow::Capture() {
    ShowActiveCursor();
    viewport()->grabMouse();
}

void TKIVOWindow::Release() {
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
}

void TKIVOWindow::ShowActiveCursor() {
    const QCursor& c = ToolCursorFor(doc_.hActiveCursor);
    if (viewport()->cursor().pixmap().cacheKey() != c.pixmap().cacheKey()) viewport()->setCursor(c);
}

void TKIVOWindow::UpdateElement(int kind, int slot) {
    const COMMON& c = doc_.Common(kind, slot);
    viewport()->update(c.hcoord[view_] + horzOrigin - 16, c.vcoord[view_] + vertOrigin - 16, 32, 32);
}

// The tool modes (gMode): 1 select, 2 point, 3 theodolite, 4 scale bar, 5 none, 6 direction,
// 7 distance, 8 height difference.
void TKIVOWindow::EvLButtonDown(Qt::KeyboardModifiers keys) {
    rect = ClientRect();
    const KPoint dev{devPoint.x(), devPoint.y()};
    switch (doc_.gMode) {
    case MODE_SELECT: {
        doc_.ClearSelect();
        doc_.selection = static_cast<int>(doc_.HitTest(curPoint, view_));
        doc_.MarkSelect();
        if (doc_.selectType == SEL_NONE) {
            doc_.StatBarMessage("");
            doc_.host().EnableMenuItem(cmd::EditCut, false);
        } else if (doc_.selectType <= SEL_SBAR) {
            // The element follows the pointer until the button is released, never leaving the
            // visible limit box.
            gDragFlag = 1;
            lrect = LimitBox();
            doc_.OldPosition(&xold, &yold, view_);
            doc_.StatBarSelect(0);
            doc_.host().EnableMenuItem(cmd::EditCut, true);
            static const int moveCursor[] = {CUR_MOVETHEO, CUR_MOVEPT, CUR_MOVESBAR};
            doc_.hActiveCursor = moveCursor[doc_.selectType - SEL_THEO];
            Capture();
        } else {
            doc_.StatBarSelect(0);
            doc_.host().EnableMenuItem(cmd::EditCut, true);
        }
        break;
    }
    case MODE_POINT:
    case MODE_THEO:
    case MODE_SBAR:
        lrect = LimitBox();
        doc_.PlaceClick(view_, kivoMDIClient::PtInRect(lrect, dev), horzLogCoord, vertLogCoord,
                        keys & Qt::ShiftModifier);
        break;
    case MODE_DIRECT:
    case MODE_DIST:
    case MODE_HEIGHT: {
        hitValue = kivoMDIClient::PtInRect(rect, dev) ? doc_.HitTest(curPoint, view_) : 0;
        const MeasureAction done =
            doc_.MeasureClick(view_, hitValue, keys & Qt::ShiftModifier, keys & Qt::ControlModifier);
        if (done == MeasureAction::Marked) UpdateElement(static_cast<int>(hitValue >> 16), doc_.index);
        if (done == MeasureAction::Created) doc_.UpdateViews(false);
        break;
    }
    default:
        break;
    }
    ShowActiveCursor();
}

void TKIVOWindow::EvMouseMove(Qt::KeyboardModifiers) {
    ShowActiveCursor();
    if (doc_.gMode == MODE_SELECT && gDragFlag == 1) {
        // No pointer confinement here: the position is held inside the limit box instead.
        const KPoint held = kivoMDIClient::ClampToRect(lrect, KPoint{devPoint.x(), devPoint.y()});
        if (held.x != devPoint.x() || held.y != devPoint.y()) TrackPointer(QPoint(held.x, held.y));
        doc_.DragTo(view_, horzLogCoord, vertLogCoord);
    }
    xold = curPoint.x;
    yold = curPoint.y;
    doc_.StatBarDebug(
        QString::asprintf("%d, %d", TruncToInt(horzLogCoord), TruncToInt(vertLogCoord)).toStdString());
}

void TKIVOWindow::EvLButtonUp(Qt::KeyboardModifiers) {
    if (doc_.gMode == MODE_SELECT) {
        const bool dragging = gDragFlag == 1;
        gDragFlag = 0;
        doc_.hActiveCursor = CUR_ARROW;
        if (doc_.selectType != SEL_NONE) {
            Release();
            // Only a drag can move: the release that follows a double click, or one on an
            // observation line, moves nothing.
            if (dragging) doc_.EndDrag(view_, xold, yold);
        }
    }
    ShowActiveCursor();
}

void TKIVOWindow::EvLButtonDblClk(Qt::KeyboardModifiers) {
    if (doc_.gMode != MODE_SELECT) return;
    // The press before this one may have started a drag; the form needs the mouse.
    gDragFlag = 0;
    Release();
    doc_.hActiveCursor = CUR_ARROW;
    ShowActiveCursor();
    bChange = forms::RunSelectionForm(this, doc_);
    doc_.ClearSelect();
    doc_.StatBarMessage("");
    // The selection is no longer shown: Cut has nothing to act on.
    doc_.host().EnableMenuItem(cmd::EditCut, false);
}

} // namespace kivo::views
