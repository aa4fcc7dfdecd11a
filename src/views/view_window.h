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
    // Repaints the part of this view around an element's symbol and name.
    void UpdateElement(int kind, int slot);

    kivoMDIClient& doc_;
    const int view_;
    bool trackSize_ = false;
    Highlight highlight_;
    QImage buffer_; // the exposed rectangle while painting
    std::shared_ptr<const StationField> field_;
};

} // namespace kivo::views
