#pragma once
// TKIVOWindow: one graphic view (plan, side or end) of the document on a scrollable canvas.

#include <QAbstractScrollArea>
#include <memory>

#include "adjustment/kivoMDIClient.h"
#include "views/view_render.h"

namespace kivo {
struct StationField;
}

namespace kivo::views {

class TKIVOWindow : public QAbstractScrollArea {
    Q_OBJECT
public:
    TKIVOWindow(kivoMDIClient& doc, int view, QWidget* parent = nullptr);
    ~TKIVOWindow() override;

    int view() const { return view_; }
    kivoMDIClient& doc() { return doc_; }

    // Scroll ranges from the canvas extent and the client area (the document's UpdateScrollBars).
    void CalcScrollBars();
    // Resizes count as a change of the project only once the window has settled into its frame.
    void SetTrackSize(bool on) { trackSize_ = on; }

    // The highlighted connection drawn over the picture (the selection, in this view).
    void SetHighlight(const Highlight& hl) { highlight_ = hl; }
    const Highlight& highlight() const { return highlight_; }

    // Negated scroll positions: canvas pixel (h, v) shows at window pixel (h + horzOrigin, v + vertOrigin).
    int horzOrigin = 0, vertOrigin = 0;
    // Model coordinates under the pointer at the last mouse event (horizontal, vertical axis of the view).
    double horzLogCoord = 0, vertLogCoord = 0;
    int xold = 0, yold = 0;
    KPoint curPoint;
    QPoint devPoint;
    int gDragFlag = 0;
    // Client rectangle at the last press; the visible limit box in window pixels (the drag is
    // held inside it, as the placing tools are).
    KRect rect, lrect;
    // Result of the last hit test of a measuring tool.
    long hitValue = 0;
    // A form opened by a double click was confirmed.
    bool bChange = false;

    // Scrolls so that the model point (h, v) of this view's axes (plan x/y, side x/z, end y/z)
    // lies at the centre of the window, as far as the canvas reaches.
    void CentreOn(double h, double v);
    // The same for a model point given by all three coordinates (an element's xReal, yReal, zReal).
    void CentreOnPoint(double x, double y, double z) { CentreOn(view_ == 2 ? y : x, view_ == 0 ? y : z); }
    // Zooms by `factor` (above 1 magnifies) keeping the model point under window pixel `pos`
    // where it is. The drawing scales change for the project, as the Display form changes them.
    void ZoomAt(double factor, const QPoint& pos);
    // Zooms about the centre of the window (Zoom In, Zoom Out).
    void ZoomBy(double factor);
    // The finest scales that show the network (or the limit box) whole, centred.
    void ZoomToFit();
    // One step of Zoom In; Zoom Out divides by it.
    static constexpr double kZoomStep = 1.25;
    // The station heat map over the plan view (null: none). While it is shown, a click on one of
    // its cells places a theodolite there with its sightings, and the map goes.
    void SetStationField(std::shared_ptr<const StationField> field);
    const StationField* stationField() const { return field_.get(); }

    // Mouse capture for a tool or a drag, with the cursor of the document's active role.
    void Capture();
    void Release();
    void ShowActiveCursor();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Origin from the scroll positions, the canvas pixel and the model coordinates of `pos`.
    void TrackPointer(const QPoint& pos);
    void EvLButtonDown(Qt::KeyboardModifiers keys);
    void EvMouseMove(Qt::KeyboardModifiers keys);
    void EvLButtonUp(Qt::KeyboardModifiers keys);
    void EvLButtonDblClk(Qt::KeyboardModifiers keys);

    // The client rectangle and the limit box as they stand now.
    KRect ClientRect() const;
    KRect LimitBox() const;
    // Where the window showed the network before a scale change: the centre of the window kept,
    // then the network's centre brought into sight if it is not.
    void KeepInViewAfterRescale(double centreH, double centreV);
    // Repaints the part of this view around an element's symbol and name.
    void UpdateElement(int kind, int slot);
    // A live drag's step; its end (true when it moved the element).
    void LiveDragStep();
    bool EndLiveDrag();

    kivoMDIClient& doc_;
    const int view_;
    bool trackSize_ = false;
    bool liveMoved_ = false; // a live drag has moved the element
    Highlight highlight_;
    QImage buffer_; // the exposed rectangle while painting
    // The mapping the scroll positions were last set for (scale 0: none yet).
    double mapHScale_ = 0, mapVScale_ = 0, mapHBase_ = 0, mapVBase_ = 0;
    int wheelRest_ = 0; // wheel turn not yet spent on a zoom step (eighths of a degree)
    std::shared_ptr<const StationField> field_;
};

} // namespace kivo::views
