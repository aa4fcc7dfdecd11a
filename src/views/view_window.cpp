#include "views/view_window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <cmath>

#include "adjustment/design_advice.h"
#include "adjustment/precision.h"
#include "forms/forms.h"
#include "model/view_zoom.h"
#include "views/live_worker.h"
#include "views/station_field.h"
#include "views/tool_cursors.h"

namespace kivo::views {

namespace {

// A new drawing scale reaches every view as a change of the Display settings does: scale factors,
// canvas, pixel positions, scroll ranges, pictures; the scales belong to the project file.
void ApplyScaleChange(kivoMDIClient& doc) {
    doc.SetScaleFactors();
    doc.SetWindowParms();
    doc.ProcessSimData();
    doc.UpdateScrollBars();
    doc.UpdateViews(true);
    doc.bFileDirty = true;
    doc.host().UntrackedChange(); // the scales are stored, but a zoom is not an undo step
}

// Room kept around the network by Zoom to Fit for symbols and names, window pixels.
constexpr int kFitMargin = 40;

} // namespace

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

// A drag cut short by the window going away still ends its change, and no result of it reaches a
// document that may be going.
TKIVOWindow::~TKIVOWindow() {
    EndLiveDrag();
    if (gDragFlag == 1) doc_.EndChange();
}

void TKIVOWindow::CalcScrollBars() {
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // The viewport excludes the bars that are shown; a hidden bar's room is taken off as well.
    // Shown means laid out: the area shows or hides a bar for a new range only later, and the
    // viewport keeps the size of the bars as they are laid out until then.
    const QSize client = viewport()->size();
    // A new mapping (a scale or limit change) keeps what the window showed; the first one sets
    // the scroll positions as they are.
    const bool remapped =
        mapHScale_ > 0 && (mapHScale_ != doc_.hObjScale[view_] || mapVScale_ != doc_.vObjScale[view_] ||
                           mapHBase_ != doc_.hBase[view_] || mapVBase_ != doc_.vBase[view_]);
    const double centreH = (hb->value() + client.width() / 2.0) / mapHScale_ + mapHBase_;
    const double centreV = mapVBase_ - (vb->value() + client.height() / 2.0) / mapVScale_;
    mapHScale_ = doc_.hObjScale[view_], mapVScale_ = doc_.vObjScale[view_];
    mapHBase_ = doc_.hBase[view_], mapVBase_ = doc_.vBase[view_];
    const ScrollRanges r =
        CalcViewScrollRanges(doc_.hExtent[view_], doc_.vExtent[view_], client.width(), client.height(),
                             !vb->isVisibleTo(this), !hb->isVisibleTo(this), bar, bar);
    hb->setRange(0, std::max(0, r.maxH));
    vb->setRange(0, std::max(0, r.maxV));
    hb->setPageStep(std::max(1, client.width() * 7 / 10));
    vb->setPageStep(std::max(1, client.height() * 7 / 10));
    horzOrigin = -hb->value();
    vertOrigin = -vb->value();
    if (remapped) KeepInViewAfterRescale(centreH, centreV);
}

void TKIVOWindow::CentreOn(double h, double v) {
    if (!(doc_.hObjScale[view_] > 0) || !(doc_.vObjScale[view_] > 0)) return;
    const double ph = (h - doc_.hBase[view_]) * doc_.hObjScale[view_];
    const double pv = (doc_.vBase[view_] - v) * doc_.vObjScale[view_];
    horizontalScrollBar()->setValue(TruncToInt(std::round(ph - viewport()->width() / 2.0)));
    verticalScrollBar()->setValue(TruncToInt(std::round(pv - viewport()->height() / 2.0)));
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
}

void TKIVOWindow::KeepInViewAfterRescale(double centreH, double centreV) {
    if (std::isfinite(centreH) && std::isfinite(centreV)) CentreOn(centreH, centreV);
    // A view never stays blank because the network moved out of sight: its centre (where it lies
    // on the canvas) is brought to the middle when it is not in the window.
    const PlaneBox net = NetworkPlaneBox(doc_, view_);
    if (!net.valid) return;
    const PlaneBox lim = LimitPlaneBox(doc_, view_);
    const double h = std::clamp(net.uMid(), std::min(lim.uMin, lim.uMax), std::max(lim.uMin, lim.uMax));
    const double v = std::clamp(net.wMid(), std::min(lim.wMin, lim.wMax), std::max(lim.wMin, lim.wMax));
    const double wh = (h - doc_.hBase[view_]) * doc_.hObjScale[view_] + horzOrigin;
    const double wv = (doc_.vBase[view_] - v) * doc_.vObjScale[view_] + vertOrigin;
    if (wh < 0 || wv < 0 || wh >= viewport()->width() || wv >= viewport()->height()) CentreOn(h, v);
}

void TKIVOWindow::ZoomAt(double factor, const QPoint& pos) {
    // An element being dragged holds on to the window's mapping until it is released.
    if (gDragFlag) return;
    if (!doc_.bTablesCreated || !(doc_.hObjScale[view_] > 0) || !(doc_.vObjScale[view_] > 0)) return;
    const double h = (pos.x() + horizontalScrollBar()->value()) / doc_.hObjScale[view_] + doc_.hBase[view_];
    const double v = doc_.vBase[view_] - (pos.y() + verticalScrollBar()->value()) / doc_.vObjScale[view_];
    if (!ZoomAllScales(doc_, factor)) return;
    ApplyScaleChange(doc_);
    CalcScrollBars(); // when no host reaches this window
    // The model point goes back under the pointer: its canvas pixel, as the elements are placed.
    horizontalScrollBar()->setValue(TruncToInt((h - doc_.hBase[view_]) * doc_.hObjScale[view_]) - pos.x());
    verticalScrollBar()->setValue(TruncToInt((doc_.vBase[view_] - v) * doc_.vObjScale[view_]) - pos.y());
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
}

void TKIVOWindow::ZoomBy(double factor) {
    ZoomAt(factor, QPoint(viewport()->width() / 2, viewport()->height() / 2));
}

void TKIVOWindow::ZoomToFit() {
    if (gDragFlag) return;
    if (!doc_.bTablesCreated || !(doc_.hObjScale[view_] > 0) || !(doc_.vObjScale[view_] > 0)) return;
    const PlaneBox box = FitTarget(doc_, doc_, view_);
    const PlaneBox lim = LimitPlaneBox(doc_, view_);
    const bool whole =
        box.uMin == lim.uMin && box.uMax == lim.uMax && box.wMin == lim.wMin && box.wMax == lim.wMax;
    const double hs = HorzScale(doc_, view_), vs = VertScale(doc_, view_);
    const double hPixPerCm = doc_.hObjScale[view_] * hs, vPixPerCm = doc_.vObjScale[view_] * vs;
    int availH, availV;
    if (whole) {
        // The whole canvas with its borders inside the window, which then needs no scroll bars.
        availH = width() - 2 * doc_.hBordPix - 2;
        availV = height() - 2 * doc_.vBordPix - 2;
    } else {
        // The network inside the window beside the scroll bars the larger canvas brings.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        availH = width() - bar - 2 * kFitMargin;
        availV = height() - bar - 2 * kFitMargin;
    }
    // The factor applies to all three scales, as a zoom does.
    const double k = FitFactor(box.width(), box.height(), hPixPerCm, vPixPerCm, availH, availV, hs, vs);
    if (k > 0) {
        const double before[3] = {doc_.objScale1, doc_.objScale2, doc_.objScale3};
        ScaleAllScales(doc_, k);
        if (before[0] != doc_.objScale1 || before[1] != doc_.objScale2 || before[2] != doc_.objScale3) {
            ApplyScaleChange(doc_);
            CalcScrollBars();
        }
    }
    CentreOn(box.uMid(), box.wMid());
}

// The heat map's legend goes in the top left corner, below the tolerance legend when that one
// took the corner.
static QPoint FieldLegendPlace(const QRect& toleranceLegend) {
    const QRect corner(0, 0, 400, 90);
    return toleranceLegend.intersects(corner) ? QPoint(8, toleranceLegend.bottom() + 8) : QPoint(8, 8);
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
        const QRect legend =
            DrawPrecisionLegend(p, doc_, viewport()->rect(), view_, QPoint(horzOrigin, vertOrigin));
        if (field_) DrawFieldLegend(p, doc_, *field_, FieldLegendPlace(legend));
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
    const QRect legend =
        DrawPrecisionLegend(p, doc_, viewport()->rect(), view_, QPoint(horzOrigin, vertOrigin));
    if (field_) DrawFieldLegend(p, doc_, *field_, FieldLegendPlace(legend));
}

void TKIVOWindow::SetStationField(std::shared_ptr<const StationField> field) {
    field_ = view_ == 0 ? std::move(field) : nullptr;
    viewport()->update();
}

void TKIVOWindow::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    CalcScrollBars();
    viewport()->update();
    if (trackSize_) { // window sizes belong to the project file
        doc_.bFileDirty = true;
        doc_.host().UntrackedChange();
    }
}

void TKIVOWindow::scrollContentsBy(int dx, int dy) {
    horzOrigin = -horizontalScrollBar()->value();
    vertOrigin = -verticalScrollBar()->value();
    viewport()->scroll(dx, dy);
    // The legend stays in its corner: what the scroll moved of it is painted again.
    if (doc_.bValEllip && (doc_.precision.isSet() || doc_.precision.confidence95)) viewport()->update();
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
    if (e->button() == Qt::MiddleButton) {
        ZoomToFit();
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    TrackPointer(e->position().toPoint());
    EvLButtonDblClk(e->modifiers());
}

void TKIVOWindow::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(e);
        return;
    }
    // A notch (120 eighths of a degree) is one zoom step; finer wheels add up to one.
    wheelRest_ += e->angleDelta().y();
    const int steps = wheelRest_ / 120;
    wheelRest_ -= steps * 120;
    if (steps != 0) ZoomAt(std::pow(kZoomStep, steps), e->position().toPoint());
    e->accept();
}

void TKIVOWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        ZoomToFit();
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
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
            EndLiveDrag(); // a drag that ended without a release leaves no session behind
            doc_.BeginChange(doc_.SelectionChangeName("Move")); // ends with the drag
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
        if (done == MeasureAction::Marked) {
            UpdateElement(static_cast<int>(hitValue >> 16), doc_.index);
            // Two marked elements: their relative precision in the status bar.
            if (const std::string t = RelativePrecisionText(doc_); !t.empty()) doc_.StatBarMessage(t);
        }
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
        if (doc_.bLivePrecision) LiveDragStep();
    }
    xold = curPoint.x;
    yold = curPoint.y;
    doc_.StatBarDebug(
        QString::asprintf("%d, %d", TruncToInt(horzLogCoord), TruncToInt(vertLogCoord)).toStdString());
}

// Live precision: the element follows the pointer in every view and the worker recomputes the
// ellipses for its new position (the first move starts the session).
void TKIVOWindow::LiveDragStep() {
    LiveWorker& w = TheLiveWorker();
    if (!liveMoved_ || !w.Active())
        w.Begin(doc_, doc_.selectType, doc_.index);
    else
        w.Moved();
    doc_.CalcPixelPos(doc_.Common(doc_.selectType, doc_.index));
    liveMoved_ = true;
    w.RepaintSoon();
}

bool TKIVOWindow::EndLiveDrag() {
    const bool moved = liveMoved_;
    liveMoved_ = false;
    if (moved) TheLiveWorker().End();
    return moved;
}

void TKIVOWindow::EvLButtonUp(Qt::KeyboardModifiers) {
    if (doc_.gMode == MODE_SELECT) {
        const bool dragging = gDragFlag == 1;
        gDragFlag = 0;
        const bool liveMoved = EndLiveDrag();
        doc_.hActiveCursor = CUR_ARROW;
        if (doc_.selectType != SEL_NONE) {
            Release();
            // Only a drag can move: the release that follows a double click, or one on an
            // observation line, moves nothing.
            if (dragging) doc_.EndDrag(view_, xold, yold, liveMoved);
        }
        if (dragging) doc_.EndChange();
    }
    ShowActiveCursor();
}

void TKIVOWindow::EvLButtonDblClk(Qt::KeyboardModifiers) {
    if (doc_.gMode != MODE_SELECT) return;
    // The press before this one may have started a drag; the form needs the mouse.
    if (gDragFlag == 1) doc_.EndChange();
    gDragFlag = 0;
    EndLiveDrag();
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
