#pragma once
// The picture of one graphic view, drawn in canvas pixels on any QPainter: the window, kivo-cli
// render, the benchmarks and printing all draw through DrawView.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>

class QPainter;

namespace kivo {
class kivoMDIClient;
}

namespace kivo::views {

// A connection drawn highlighted over the picture (kind SEL_COLLIMATE .. SEL_PTHEIGHT; first and
// second end as the kind says: owner theodolite or source point first).
struct Highlight {
    int kind = 0; // 0: none
    int a = 0, b = 0;
};

// The current selection of the document as a highlight (kind 0 for elements and nothing).
Highlight SelectionHighlight(const kivoMDIClient& doc);

// Draws view `view` (0 plan, 1 side, 2 end) in canvas pixels; the painter's transform places the
// canvas. `clip` (canvas pixels) bounds what needs drawing; items wholly outside it are skipped.
// Antialiasing is switched off: the picture is pixel-exact.
void DrawView(QPainter& p, const kivoMDIClient& doc, int view, const QRect& clip, const Highlight& hl = {});

struct RasterTarget;

// One element's symbol (image when `object`, else a dot); nothing for a free slot. With `blit`
// the image is written straight into that target's pixels.
void DrawTheo(QPainter& p, const kivoMDIClient& doc, int view, int theo, bool object,
              const RasterTarget* blit = nullptr);
void DrawPoint(QPainter& p, const kivoMDIClient& doc, int view, int point, bool object,
               const RasterTarget* blit = nullptr);
void DrawSBar(QPainter& p, const kivoMDIClient& doc, int view, int sbar, bool object,
              const RasterTarget* blit = nullptr);

// The legend of what the views mark (the tolerance and its confidence with the colours of within
// and outside, a bar of known length in the precision unit at the ellipse scale, and the mark of
// the elements left out of the adjustment), in the bottom left corner of `area`. Drawn when the
// ellipses are valid and a tolerance or the 95 % confidence is chosen, or when elements are
// marked left out; the rectangle it took (empty when none). Given a view and where its canvas
// origin lies in `area`, the corner over the fewest elements is taken instead.
QRect DrawPrecisionLegend(QPainter& p, const kivoMDIClient& doc, const QRect& area, int view = -1,
                          QPoint origin = {});

// The mark of an element the last Calculate left out, centred at `at`: a violet square struck
// through, unlike the round red or green ring of an element judged against the tolerance. The 2D
// views, the 3D view and the legend draw it with this routine.
extern const QColor kLeftOutColour;
void DrawLeftOutMark(QPainter& p, QPointF at);

// The whole canvas of a view (hExtent x vExtent), white where nothing is drawn.
QImage RenderCanvas(const kivoMDIClient& doc, int view);

// An error ellipse centred at (h, v): its minor and major axes and the 24-segment outline from the
// document's sine table. A and B in ellipse units, phi in gon, hs and vs pixels per ellipse unit.
// The views and printing draw ellipses with this one routine.
void DrawEllipseShape(QPainter& p, const double* trigTable, int h, int v, double A, double B, double phiGon,
                      double hs, double vs);

} // namespace kivo::views
