// Hit testing, the selection's status-bar texts, the observation line geometry shared with the
// views, and the scroll ranges of the views. All integer canvas-pixel arithmetic.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "model/element_names.h"
#include "model/hit_test.h"

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

void HitTesting::CenterRect(KPoint p, int halfWidth, int halfHeight, KRect* r) {
    r->left = p.x - halfWidth;
    r->top = p.y - halfHeight;
    r->right = p.x + halfWidth;
    r->bottom = p.y + halfHeight;
}

void HitTesting::CheckRect(const KRect* rect, KRect* lrect) {
    lrect->left = std::max(lrect->left, rect->left);
    lrect->top = std::max(lrect->top, rect->top);
    lrect->right = std::min(lrect->right, rect->right);
    lrect->bottom = std::min(lrect->bottom, rect->bottom);
}

void HitTesting::ObsLineEnds(int kind, int view, int a, int b, KLine* line) const {
    const COMMON* first;
    const COMMON* second;
    switch (kind) {
    case SEL_COLLIMATE:
        first = &net_.theoList[a];
        second = &net_.theoList[b];
        break;
    case SEL_SBDIRECT:
        first = &net_.theoList[a];
        second = &net_.sbarList[b];
        break;
    case SEL_PTDISTANCE:
    case SEL_PTHEIGHT:
        first = &net_.pointList[a];
        second = &net_.pointList[b];
        break;
    default:
        first = &net_.theoList[a];
        second = &net_.pointList[b];
        break; // theodolite to point
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
long ConnectionKey(int a, int b) {
    return ((static_cast<long>(a) << 8) | b) & 0xFFFF;
}

} // namespace

long HitTesting::HitTest(KPoint p, int view) {
    auto elementHit = [&](const COMMON& e) {
        KRect r;
        CenterRect(KPoint{e.hcoord[view], e.vcoord[view]}, 5, 5, &r);
        // Half-open box: the right and bottom edges are outside.
        return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
    };
    auto found = [&](int type, long key) {
        sel_.selectType = type;
        return static_cast<long>(type) * 65536 + key;
    };

    for (int i = 0; i < net_.nMaxTheos; ++i)
        if ((net_.theoList[i].flags & ELEM_INUSE) && elementHit(net_.theoList[i])) {
            sel_.index = i;
            return found(SEL_THEO, i & 0xFFFF);
        }
    for (int i = 0; i < net_.nMaxPoints; ++i)
        if ((net_.pointList[i].flags & ELEM_INUSE) && elementHit(net_.pointList[i])) {
            sel_.index = i;
            return found(SEL_POINT, i & 0xFFFF);
        }
    for (int i = 0; i < net_.nMaxSBars; ++i)
        if ((net_.sbarList[i].flags & ELEM_INUSE) && elementHit(net_.sbarList[i])) {
            sel_.index = i;
            return found(SEL_SBAR, i & 0xFFFF);
        }

    auto lineHit = [&](int kind, int a, int b) {
        // Quick rejection on the unshifted ends: a line is shifted by at most one pixel and hit
        // within 4 pixels, so a point 5 or more pixels outside its box cannot hit it.
        const COMMON& first = kind == SEL_PTDISTANCE || kind == SEL_PTHEIGHT
                                  ? static_cast<const COMMON&>(net_.pointList[a])
                                  : static_cast<const COMMON&>(net_.theoList[a]);
        const COMMON& second = kind == SEL_COLLIMATE  ? static_cast<const COMMON&>(net_.theoList[b])
                               : kind == SEL_SBDIRECT ? static_cast<const COMMON&>(net_.sbarList[b])
                                                      : static_cast<const COMMON&>(net_.pointList[b]);
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
        for (int i = 0; i < net_.nMaxTheos; ++i) {
            const THEODOLITE& t = net_.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            const auto& list = t.*member;
            for (int k = 0; k < list.size(); ++k) {
                const int tg = list[k].target;
                if (!lineHit(kind, i, tg)) continue;
                if (kind == SEL_COLLIMATE) {
                    sel_.stationA = i;
                    sel_.stationB = tg;
                } else {
                    sel_.station = i;
                    sel_.target = tg;
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
            sel_.targetA = e.source;
            sel_.targetB = e.target;
            return found(kind, ConnectionKey(e.source, e.target));
        }
        return -1;
    };

    long r;
    if (project_.bCollimate && (r = stationLists(SEL_COLLIMATE, &THEODOLITE::thList)) >= 0) return r;
    if (project_.bDirect) {
        if ((r = stationLists(SEL_PTDIRECT, &THEODOLITE::ptList)) >= 0) return r;
        if ((r = stationLists(SEL_SBDIRECT, &THEODOLITE::sbList)) >= 0) return r;
    }
    if (project_.bDistance) {
        if ((r = stationLists(SEL_DISTANCE, &THEODOLITE::dsList)) >= 0) return r;
        if ((r = globalList(SEL_PTDISTANCE, obs_.distList, obs_.nMaxDists)) >= 0) return r;
    }
    if (project_.bHeight) {
        if ((r = stationLists(SEL_HEIGHT, &THEODOLITE::hdList)) >= 0) return r;
        if ((r = globalList(SEL_PTHEIGHT, obs_.heightList, obs_.nMaxHeights)) >= 0) return r;
    }
    sel_.selectType = SEL_NONE;
    return 0xFFFF;
}

void HitTesting::SetSelectionMark(bool on) {
    switch (sel_.selectType) {
    case SEL_THEO:
        if (sel_.index < net_.theoList.storage()) net_.theoList.Mark(sel_.index, on);
        break;
    case SEL_POINT:
        if (sel_.index < net_.pointList.storage()) net_.pointList.Mark(sel_.index, on);
        break;
    case SEL_SBAR:
        if (sel_.index < net_.sbarList.storage()) net_.sbarList.Mark(sel_.index, on);
        break;
    default:
        break;
    }
}

void HitTesting::StatBarSelect(int status) {
    char text[160];
    if (sel_.selectType >= SEL_THEO && sel_.selectType <= SEL_SBAR) {
        const COMMON& e = elements_.Common(sel_.selectType, sel_.index);
        if (status == 0) host_->StatusImage(sel_.selectType - 1);
        // The name as the forms give it, with the label the views draw beside it.
        std::snprintf(text, sizeof text, "     %10s   ( %8.3lf, %8.3lf, %8.3lf )", ShownName(e).c_str(),
                      e.xReal, e.yReal, e.zReal);
        host_->StatusText(text);
        return;
    }
    const COMMON* first = nullptr;
    const COMMON* second = nullptr;
    int image = 7;
    switch (sel_.selectType) {
    case SEL_COLLIMATE:
        first = &net_.theoList[sel_.stationA], second = &net_.theoList[sel_.stationB], image = 3;
        break;
    case SEL_PTDIRECT:
        first = &net_.theoList[sel_.station], second = &net_.pointList[sel_.target], image = 4;
        break;
    case SEL_SBDIRECT:
        first = &net_.theoList[sel_.station], second = &net_.sbarList[sel_.target], image = 4;
        break;
    case SEL_DISTANCE:
        first = &net_.theoList[sel_.station], second = &net_.pointList[sel_.target], image = 5;
        break;
    case SEL_PTDISTANCE:
        first = &net_.pointList[sel_.targetA], second = &net_.pointList[sel_.targetB], image = 5;
        break;
    case SEL_HEIGHT:
        first = &net_.theoList[sel_.station], second = &net_.pointList[sel_.target], image = 6;
        break;
    case SEL_PTHEIGHT:
        first = &net_.pointList[sel_.targetA], second = &net_.pointList[sel_.targetB], image = 6;
        break;
    default:
        return; // nothing selected: the status bar stays as it is
    }
    host_->StatusImage(image);
    std::snprintf(text, sizeof text, "          %-8s  --  %-8s", ShownName(*first).c_str(),
                  ShownName(*second).c_str());
    host_->StatusText(text);
}

ScrollRanges CalcViewScrollRanges(int hExtent, int vExtent, int clientWidth, int clientHeight,
                                  bool vBarHidden, bool hBarHidden, int vScrollWidth, int hScrollHeight) {
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

ScrollRanges CalcTextScrollRanges(int lineLength, int maxLines, int lineHeight, int clientWidth,
                                  int clientHeight, bool vBarHidden, bool hBarHidden, int vScrollWidth,
                                  int hScrollHeight, int& winLines) {
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
