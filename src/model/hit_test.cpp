// Hit testing, the selection's status-bar texts, the observation line geometry shared with the
// views, and the scroll ranges of the views. All integer canvas-pixel arithmetic.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "model/network_document.h"

namespace kivo {

void LineShift(int kind, int dh, int dv, int& sx, int& sy) {
    // A horizontal or vertical line (product 0) takes the "otherwise" shift.
    const bool negative = static_cast<long long>(dh) * dv < 0;
    switch (kind) {
    case SEL_PTDIRECT:
    case SEL_SBDIRECT:
    case SEL_PTHEIGHT:
        sx = -1;
        sy = negative ? -1 : 1;
        break;
    case SEL_DISTANCE:
    case SEL_PTDISTANCE:
        sx = 1;
        sy = negative ? 1 : -1;
        break;
    default: // collimations and theodolite-to-point height differences are not shifted
        sx = 0;
        sy = 0;
        break;
    }
}

bool LineHit(int x1, int y1, int x2, int y2, int x, int y) {
    if (!(std::min(x1, x2) - 4 < x && x < std::max(x1, x2) + 4)) return false;
    if (!(std::min(y1, y2) - 4 < y && y < std::max(y1, y2) + 4)) return false;
    if (y2 == y1 || x2 == x1) return true;
    // C++ integer division truncates toward zero, as the test requires.
    const long long dx = x2 - x1, dy = y2 - y1;
    const long long a = dy * (x - x1) / dx + y1 - y; // vertical distance from the line at x
    const long long b = dx * (y - y1) / dy + x1 - x; // horizontal distance from the line at y
    return std::min(std::llabs(a), std::llabs(b)) < 4;
}

void NetworkDocument::CenterRect(KPoint p, int halfWidth, int halfHeight, KRect* r) {
    r->left = p.x - halfWidth;
    r->top = p.y - halfHeight;
    r->right = p.x + halfWidth;
    r->bottom = p.y + halfHeight;
}

void NetworkDocument::CheckRect(const KRect* rect, KRect* lrect) {
    lrect->left = std::max(lrect->left, rect->left);
    lrect->top = std::max(lrect->top, rect->top);
    lrect->right = std::min(lrect->right, rect->right);
    lrect->bottom = std::min(lrect->bottom, rect->bottom);
}

void NetworkDocument::ObsLineEnds(int kind, int view, int a, int b, KLine* line) const {
    const COMMON* first;
    const COMMON* second;
    switch (kind) {
    case SEL_COLLIMATE: first = &theoList[a]; second = &theoList[b]; break;
    case SEL_SBDIRECT: first = &theoList[a]; second = &sbarList[b]; break;
    case SEL_PTDISTANCE:
    case SEL_PTHEIGHT: first = &pointList[a]; second = &pointList[b]; break;
    default: first = &theoList[a]; second = &pointList[b]; break; // theodolite to point
    }
    const int ha = first->hcoord[view], va = first->vcoord[view];
    const int hb = second->hcoord[view], vb = second->vcoord[view];
    int sx, sy;
    LineShift(kind, hb - ha, vb - va, sx, sy);
    *line = KLine{ha + sx, va + sy, hb + sx, vb + sy};
}

namespace {

// The key of a connection in the low word of HitTest's result. With slots above 255 it no longer
// separates the ends; the selection fields stay exact.
long ConnectionKey(int a, int b) { return ((static_cast<long>(a) << 8) | b) & 0xFFFF; }

} // namespace

long NetworkDocument::HitTest(KPoint p, int view) {
    auto elementHit = [&](const COMMON& e) {
        KRect r;
        CenterRect(KPoint{e.hcoord[view], e.vcoord[view]}, 5, 5, &r);
        // Half-open box: the right and bottom edges are outside.
        return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
    };
    auto found = [&](int type, long key) {
        selectType = type;
        return static_cast<long>(type) * 65536 + key;
    };

    for (int i = 0; i < nMaxTheos; ++i)
        if ((theoList[i].flags & ELEM_INUSE) && elementHit(theoList[i])) {
            index = i;
            return found(SEL_THEO, i & 0xFFFF);
        }
    for (int i = 0; i < nMaxPoints; ++i)
        if ((pointList[i].flags & ELEM_INUSE) && elementHit(pointList[i])) {
            index = i;
            return found(SEL_POINT, i & 0xFFFF);
        }
    for (int i = 0; i < nMaxSBars; ++i)
        if ((sbarList[i].flags & ELEM_INUSE) && elementHit(sbarList[i])) {
            index = i;
            return found(SEL_SBAR, i & 0xFFFF);
        }

    auto lineHit = [&](int kind, int a, int b) {
        // Quick rejection on the unshifted ends: a line is shifted by at most one pixel and hit
        // within 4 pixels, so a point 5 or more pixels outside its box cannot hit it.
        const COMMON& first = kind == SEL_PTDISTANCE || kind == SEL_PTHEIGHT ? static_cast<const COMMON&>(pointList[a])
                                                                             : static_cast<const COMMON&>(theoList[a]);
        const COMMON& second = kind == SEL_COLLIMATE ? static_cast<const COMMON&>(theoList[b])
                               : kind == SEL_SBDIRECT ? static_cast<const COMMON&>(sbarList[b])
                                                      : static_cast<const COMMON&>(pointList[b]);
        const int h1 = first.hcoord[view], h2 = second.hcoord[view];
        if (p.x <= std::min(h1, h2) - 5 || p.x >= std::max(h1, h2) + 5) return false;
        const int v1 = first.vcoord[view], v2 = second.vcoord[view];
        if (p.y <= std::min(v1, v2) - 5 || p.y >= std::max(v1, v2) + 5) return false;
        KLine l;
        ObsLineEnds(kind, view, a, b, &l);
        return LineHit(l.x1, l.y1, l.x2, l.y2, p.x, p.y);
    };
    // Station-owned lists of one kind; on a hit the station and the target are stored.
    auto stationLists = [&](int kind, auto member) -> long {
        for (int i = 0; i < nMaxTheos; ++i) {
            const THEODOLITE& t = theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            const auto& list = t.*member;
            for (int k = 0; k < list.size(); ++k) {
                const int tg = list[k].target;
                if (!lineHit(kind, i, tg)) continue;
                if (kind == SEL_COLLIMATE) {
                    stationA = i;
                    stationB = tg;
                } else {
                    station = i;
                    target = tg;
                }
                return found(kind, ConnectionKey(i, tg));
            }
        }
        return -1;
    };
    auto globalList = [&](int kind, const auto& list, int nMax) -> long {
        for (int i = 0; i < nMax; ++i) {
            const auto& e = list[i];
            if (!(e.flags & OBS_INUSE) || !lineHit(kind, e.source, e.target)) continue;
            targetA = e.source;
            targetB = e.target;
            return found(kind, ConnectionKey(e.source, e.target));
        }
        return -1;
    };

    long r;
    if (bCollimate && (r = stationLists(SEL_COLLIMATE, &THEODOLITE::thList)) >= 0) return r;
    if (bDirect) {
        if ((r = stationLists(SEL_PTDIRECT, &THEODOLITE::ptList)) >= 0) return r;
        if ((r = stationLists(SEL_SBDIRECT, &THEODOLITE::sbList)) >= 0) return r;
    }
    if (bDistance) {
        if ((r = stationLists(SEL_DISTANCE, &THEODOLITE::dsList)) >= 0) return r;
        if ((r = globalList(SEL_PTDISTANCE, distList, nMaxDists)) >= 0) return r;
    }
    if (bHeight) {
        if ((r = stationLists(SEL_HEIGHT, &THEODOLITE::hdList)) >= 0) return r;
        if ((r = globalList(SEL_PTHEIGHT, heightList, nMaxHeights)) >= 0) return r;
    }
    selectType = SEL_NONE;
    return 0xFFFF;
}

void NetworkDocument::SetSelectionMark(bool on) {
    switch (selectType) {
    case SEL_THEO:
        if (index < theoList.storage()) theoList.Mark(index, on);
        break;
    case SEL_POINT:
        if (index < pointList.storage()) pointList.Mark(index, on);
        break;
    case SEL_SBAR:
        if (index < sbarList.storage()) sbarList.Mark(index, on);
        break;
    default: break;
    }
}

void NetworkDocument::StatBarSelect(int status) {
    char text[160];
    if (selectType >= SEL_THEO && selectType <= SEL_SBAR) {
        const COMMON& e = Common(selectType, index);
        if (status == 0) host_->StatusImage(selectType - 1);
        std::snprintf(text, sizeof text, "     %10s   ( %8.3lf, %8.3lf, %8.3lf )", e.name, e.xReal, e.yReal,
                      e.zReal);
        host_->StatusText(text);
        return;
    }
    const char* first = nullptr;
    const char* second = nullptr;
    int image = 7;
    switch (selectType) {
    case SEL_COLLIMATE:
        first = theoList[stationA].name, second = theoList[stationB].name, image = 3;
        break;
    case SEL_PTDIRECT: first = theoList[station].name, second = pointList[target].name, image = 4; break;
    case SEL_SBDIRECT: first = theoList[station].name, second = sbarList[target].name, image = 4; break;
    case SEL_DISTANCE: first = theoList[station].name, second = pointList[target].name, image = 5; break;
    case SEL_PTDISTANCE: first = pointList[targetA].name, second = pointList[targetB].name, image = 5; break;
    case SEL_HEIGHT: first = theoList[station].name, second = pointList[target].name, image = 6; break;
    case SEL_PTHEIGHT: first = pointList[targetA].name, second = pointList[targetB].name, image = 6; break;
    default: return; // nothing selected: the status bar stays as it is
    }
    host_->StatusImage(image);
    std::snprintf(text, sizeof text, "          %-8s  --  %-8s", first, second);
    host_->StatusText(text);
}

ScrollRanges CalcViewScrollRanges(int hExtent, int vExtent, int clientWidth, int clientHeight, bool vBarHidden,
                                  bool hBarHidden, int vScrollWidth, int hScrollHeight) {
    if (vBarHidden) clientWidth -= vScrollWidth;
    if (hBarHidden) clientHeight -= hScrollHeight;
    ScrollRanges r{hExtent - clientWidth, vExtent - clientHeight};
    if (r.maxH < vScrollWidth && r.maxV < hScrollHeight) {
        r = {0, 0}; // the canvas fits once both bars are gone
    } else if (r.maxH < 0 && r.maxV > hScrollHeight) {
        r = {0, r.maxV - hScrollHeight}; // no horizontal bar: that much more room downwards
    } else if (r.maxV < 0 && r.maxH > vScrollWidth) {
        r = {r.maxH - vScrollWidth, 0};
    }
    return r;
}

ScrollRanges CalcTextScrollRanges(int lineLength, int maxLines, int lineHeight, int clientWidth, int clientHeight,
                                  bool vBarHidden, bool hBarHidden, int vScrollWidth, int hScrollHeight,
                                  int& winLines) {
    if (lineHeight < 1) lineHeight = 1;
    winLines = clientHeight / lineHeight;
    if (vBarHidden) clientWidth -= vScrollWidth;
    if (hBarHidden) clientHeight -= hScrollHeight;
    ScrollRanges r{lineLength - clientWidth, maxLines - winLines};
    // The vertical overflow is a line count; the horizontal bar's room is compared in pixels.
    const long long vPixels = static_cast<long long>(r.maxV) * lineHeight;
    if (r.maxH < vScrollWidth && vPixels < hScrollHeight) {
        r = {0, 0};
        winLines = maxLines;
    } else if (r.maxH < 0 && vPixels > hScrollHeight) {
        r = {0, r.maxV - hScrollHeight / lineHeight};
    } else if (r.maxV < 0 && r.maxH > vScrollWidth) {
        r = {r.maxH - vScrollWidth, 0};
        winLines = maxLines;
    }
    return r;
}

} // namespace kivo
