#pragma once
// Hit testing and the selection display: which element or observation line lies under a canvas
// pixel, the selection marks, and the status bar text of the selection; with the pixel geometry the
// views share with it.

#include "model/document_state.h"
#include "model/element_tables.h"
#include "model/host.h"
#include "model/records.h"

namespace kivo {

// Canvas pixel geometry shared by hit testing and drawing (no window system involved).
struct KPoint {
    int x = 0, y = 0;
};
struct KRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
struct KLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The one-pixel shift (sx, sy) of an observation line of `kind` (SEL_COLLIMATE .. SEL_PTHEIGHT)
// whose second end lies (dh, dv) from its first: kinds that would lie on top of each other move to
// either side, the sign of dh * dv choosing the diagonal.
void LineShift(int kind, int dh, int dv, int& sx, int& sy);

// Integer line test: (x, y) hits the line (x1, y1)-(x2, y2) when it lies strictly inside the
// bounding box widened by 4 and, unless the line is horizontal or vertical, its vertical or
// horizontal distance from the line (quotients truncated toward zero) is below 4 pixels.
bool LineHit(int x1, int y1, int x2, int y2, int x, int y);

// Scroll ranges of a graphic view: the canvas extent against the client area taken as if both
// scroll bars were shown (a hidden bar's room is subtracted), then the three cases in which a bar
// is not needed. Results of 0 or less show no bar.
struct ScrollRanges {
    int maxH = 0, maxV = 0;
};
ScrollRanges CalcViewScrollRanges(int hExtent, int vExtent, int clientWidth, int clientHeight,
                                  bool vBarHidden, bool hBarHidden, int vScrollWidth, int hScrollHeight);

// Scroll ranges of the text view: horizontal in pixels (lineLength wide lines), vertical in lines.
// The horizontal bar's height is compared and subtracted in lines of lineHeight pixels. winLines
// is updated (the number of lines the window shows).
ScrollRanges CalcTextScrollRanges(int lineLength, int maxLines, int lineHeight, int clientWidth,
                                  int clientHeight, bool vBarHidden, bool hBarHidden, int vScrollWidth,
                                  int hScrollHeight, int& winLines);

class HitTesting {
public:
    // `host` is the document's current host pointer (the document may change it).
    HitTesting(NetworkStore& network, const ObservationStore& observations, const ProjectSettings& project,
               SelectionState& selection, ElementTables& elements, Host* const& host)
        : net_(network), obs_(observations), project_(project), sel_(selection), elements_(elements),
          host_(host) {}

    // The item under canvas pixel `curPoint` of view `view`: selectType in the high 16 bits, the
    // item key in the low 16 bits, 0xFFFF when nothing is hit; sets the selection fields.
    long HitTest(KPoint curPoint, int view);
    static void CenterRect(KPoint testPoint, int halfWidth, int halfHeight, KRect* pointRectPtr);
    // Clips lrect to rect in place.
    static void CheckRect(const KRect* rect, KRect* lrect);
    // Sets (true) or clears ELEM_SELECTED of a selected element (selectType 1 to 3).
    void SetSelectionMark(bool on);
    // Status bar: the selection (status 1 while dragging: coordinates only).
    void StatBarSelect(int status);
    // The two ends (canvas pixels of `view`) of observation line `kind` (SEL_COLLIMATE ..
    // SEL_PTHEIGHT) between elements `a` and `b`, with the one-pixel shift of its kind: what is
    // drawn is exactly what is hit.
    void ObsLineEnds(int kind, int view, int a, int b, KLine* line) const;

private:
    NetworkStore& net_;
    const ObservationStore& obs_;
    const ProjectSettings& project_;
    SelectionState& sel_;
    ElementTables& elements_;
    Host* const& host_;
};

} // namespace kivo
