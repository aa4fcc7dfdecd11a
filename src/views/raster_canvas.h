#pragma once
// Direct pixel writing for views painted onto a 32-bit raster image.
//
// QPainter spends microseconds per call on pen set-up, clipping and span blending; a view with a
// hundred thousand observation lines and twenty thousand symbols and names spends nearly all its
// paint there. When the painter draws straight onto a QImage with nothing but an integer
// translation, DrawView writes the one-pixel lines, the symbol images and the names itself, into
// exactly the pixels the raster engine would set (the tests compare both on random input).

#include <QImage>
#include <QPainter>
#include <QRect>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::views {

// The pixels of an aliased one-pixel line from (x1, y1) to (x2, y2) with a flat cap, the way the
// raster engine sets them: one pixel per step along the longer axis (the horizontal one when both
// are equal), the pixel at the larger coordinate of that axis left out whichever way the line
// runs; the other coordinate follows in 16.16 fixed point, starting half a step in when it grows.
// A line of no length is one pixel. Only pixels inside `clip` are passed to plot(x, y).
template <class Plot> void RasterLine(int x1, int y1, int x2, int y2, const QRect& clip, Plot&& plot) {
    if (x1 == x2 && y1 == y2) {
        if (clip.contains(x1, y1)) plot(x1, y1);
        return;
    }
    const int dx = x2 > x1 ? x2 - x1 : x1 - x2;
    const int dy = y2 > y1 ? y2 - y1 : y1 - y2;
    const bool steep = dx < dy;
    // Major axis u, minor axis w; ends ordered so that u grows.
    int u1 = steep ? y1 : x1, w1 = steep ? x1 : y1, u2 = steep ? y2 : x2, w2 = steep ? x2 : y2;
    if (u1 > u2) {
        std::swap(u1, u2);
        std::swap(w1, w2);
    }
    const int uLo = steep ? clip.top() : clip.left(), uHi = steep ? clip.bottom() : clip.right();
    const int wLo = steep ? clip.left() : clip.top(), wHi = steep ? clip.right() : clip.bottom();
    // Bounding-box rejection before any division.
    if (u2 <= uLo || u1 > uHi || std::max(w1, w2) < wLo || std::min(w1, w2) > wHi) return;
    // 16.16 step of w per unit of u, truncated toward zero.
    const std::int64_t inc = (static_cast<std::int64_t>(w2 - w1) * 65536) / (u2 - u1);
    std::int64_t w = static_cast<std::int64_t>(w1) * 65536 + (inc > 0 ? inc / 2 : 0);
    int u = u1;
    if (u < uLo) {
        w += inc * (uLo - u);
        u = uLo;
    }
    int uEnd = std::min(u2 - 1, uHi);
    // Narrow [u, uEnd] to the steps whose w lies inside [wLo, wHi]; w changes monotonically, so
    // the step range follows from two divisions and the loop needs no test per pixel.
    const std::int64_t lo = static_cast<std::int64_t>(wLo) * 65536,
                       hi = static_cast<std::int64_t>(wHi + 1) * 65536;
    auto stepsUntil = [&](std::int64_t bound) { // first step k >= 0 with w + k * inc crossing bound
        const std::int64_t d = inc > 0 ? bound - w : w - bound;
        const std::int64_t a = inc > 0 ? inc : -inc;
        return d <= 0 ? std::int64_t{0} : (d + a - 1) / a;
    };
    if (inc == 0) {
        if (w < lo || w >= hi) return;
    } else if (inc > 0) {
        if (w < lo) {
            const std::int64_t k = stepsUntil(lo);
            u += static_cast<int>(std::min<std::int64_t>(k, uEnd - u + 1));
            w += inc * k;
        }
        if (u > uEnd) return;
        uEnd = static_cast<int>(std::min<std::int64_t>(uEnd, u + stepsUntil(hi) - 1));
    } else {
        if (w >= hi) {
            const std::int64_t k = stepsUntil(hi - 1);
            u += static_cast<int>(std::min<std::int64_t>(k, uEnd - u + 1));
            w += inc * k;
        }
        if (u > uEnd) return;
        uEnd = static_cast<int>(std::min<std::int64_t>(uEnd, u + stepsUntil(lo - 1) - 1));
    }
    for (; u <= uEnd; ++u, w += inc) {
        const int wi = static_cast<int>(w >> 16); // floor
        if (steep)
            plot(wi, u);
        else
            plot(u, wi);
    }
}

// A 32-bit image that DrawView may write into directly, with the translation from canvas pixels
// to image pixels and the image rectangle that needs drawing.
struct RasterTarget {
    QImage* image = nullptr;
    int dx = 0, dy = 0;
    QRect rect; // image pixels
    uchar* bits = nullptr;
    qsizetype stride = 0; // bytes per image row

    explicit operator bool() const { return image != nullptr; }
    QRgb* Row(int y) const { return reinterpret_cast<QRgb*>(bits + y * stride); }
};

// The direct target behind `p` when it paints onto a QImage in RGB32 or premultiplied ARGB32 at
// device pixel ratio 1, with an integer translation, no clipping, full opacity and source-over;
// otherwise an empty target (draw with QPainter). `clip` is in canvas pixels.
RasterTarget RasterTargetOf(QPainter& p, const QRect& clip);

// One observation line in canvas pixels with its colour index (1 .. 255).
struct Segment {
    int x1, y1, x2, y2;
    std::uint8_t colour;
};

// The observation lines of one view rasterised as colour indexes over a canvas rectangle, kept
// while the lines stay the same: a repaint for an expose, a scroll or a new selection copies them
// instead of drawing a hundred thousand lines again. Later lines cover earlier ones, as painting
// them one after another does. Whether the lines changed is told by a hash of every segment.
class LineLayer {
public:
    // Draws `segments` (paint order) into the target's rectangle; `area` (canvas pixels) is what
    // the kept layer covers, normally the whole canvas.
    void Draw(const std::vector<Segment>& segments, const RasterTarget& t, const QRect& area,
              const QRgb* palette);

private:
    QRect area_;
    std::uint64_t key_ = 0;
    std::vector<std::uint8_t> px_;
};

// The kept layer of one view of one document.
LineLayer& LineLayerOf(const void* doc, int view);

// A one-pixel line straight onto the target.
void TargetLine(const RasterTarget& t, int x1, int y1, int x2, int y2, QRgb colour);

// An image whose pixels are fully opaque or fully transparent, at (x, y) in image pixels.
void TargetBlit(const RasterTarget& t, int x, int y, const QImage& argb);

// Text in `font` with its top-left corner at (x, y) in image pixels, black on an opaque white
// cell, copied from a cache of texts drawn once by QPainter. False (nothing drawn) when the text
// carries grey levels the copy could not reproduce; the caller then draws with QPainter.
bool TargetText(const RasterTarget& t, const QFont& font, int x, int y, const char* text);

} // namespace kivo::views
