// The mouse tools: switching tools, placing elements with the naming rules, marking sources and
// adding observations with the measuring tools, and dragging elements with the select tool.
// The view windows translate their mouse events into these calls.

#include <algorithm>
#include <cstdio>

#include "model/network_document.h"

namespace kivo {

void NetworkDocument::StartTool(int mode, int cursor) {
    // A measuring tool left without ending it (by another tool command) leaves no hidden sources
    // behind: the next one starts with SourcesMarked false and must find no marks either.
    if (gMode >= MODE_DIRECT && gMode <= MODE_HEIGHT) {
        ClearTheos();
        ClearPoints();
        UpdateViews(true);
    }
    ClearSelect();
    StatBarMessage("");
    // What was selected is no longer shown; Cut must not delete what the measuring clicks hit.
    host_->EnableMenuItem(cmd::EditCut, false);
    if (!host_->BeginTool(cursor)) return;
    hActiveCursor = cursor;
    gMode = mode;
    if (mode >= MODE_DIRECT) SourcesMarked = false;
}

void NetworkDocument::EndTool() {
    hActiveCursor = hArrowCursor;
    gMode = MODE_SELECT;
    host_->ReleaseMouse();
}

KRect NetworkDocument::VisibleLimitBox(int view, int horzOrigin, int vertOrigin, const KRect& client) const {
    KRect lrect{hBordPix + horzOrigin, vBordPix + vertOrigin, hExtent[view] - hBordPix + horzOrigin,
                vExtent[view] - vBordPix + vertOrigin};
    CheckRect(&client, &lrect);
    return lrect;
}

KPoint NetworkDocument::ClampToRect(const KRect& r, KPoint p) {
    if (r.right <= r.left || r.bottom <= r.top) return p; // nothing of the box is visible
    p.x = std::clamp(p.x, r.left, r.right - 1);
    p.y = std::clamp(p.y, r.top, r.bottom - 1);
    return p;
}

int NetworkDocument::PlaceElement(int mode, int view, double h, double v) {
    // The view's two axes take the pointer, the third its default.
    double x = xDef, y = yDef, z = zDef;
    switch (view) {
    case 0:
        x = h, y = v;
        break;
    case 1:
        x = h, z = v;
        break;
    default:
        y = h, z = v;
        break;
    }
    // Formatted wide, then cut to the fields (8 and 4 characters).
    char name[32] = {}, abbrev[32] = {};
    char newName[NAME_LEN + 1] = {};
    char newAbbrev[ABBREV_LEN + 1] = {};
    auto fields = [&] {
        CopyField(newName, sizeof newName, name);
        CopyField(newAbbrev, sizeof newAbbrev, abbrev);
    };
    lastNewSlot = -1;
    switch (mode) {
    case MODE_POINT: {
        int pointNumber = -1;
        GetNextPointName(&pointNumber);
        if (pointNumber < 0) return -1;
        std::snprintf(name, sizeof name, "Point%d", pointNumber);
        std::snprintf(abbrev, sizeof abbrev, "P%d", pointNumber);
        fields();
        NewPoint(newName, newAbbrev, x, y, z, 0);
        break;
    }
    case MODE_THEO: {
        int pos = -1, theo = -1;
        GetNextTheoName(&pos, &theo);
        if (pos < 0) return -1; // all hundred position/number pairs are taken
        std::snprintf(name, sizeof name, "Theo%1d_%1d", pos, theo);
        std::snprintf(abbrev, sizeof abbrev, "T%1d%1d", pos, theo);
        fields();
        NewTheo(newName, newAbbrev, pos, theo, x, y, z, 0, 0, 0, 0);
        break;
    }
    case MODE_SBAR: {
        int sbarNumber = -1;
        GetNextSBarName(&sbarNumber);
        if (sbarNumber < 0) return -1;
        std::snprintf(name, sizeof name, "SBar%d", sbarNumber);
        std::snprintf(abbrev, sizeof abbrev, "S%d", sbarNumber);
        fields();
        NewSBar(newName, newAbbrev, x, y, z, defLength, 0, 100);
        break;
    }
    default:
        return -1;
    }
    return lastNewSlot;
}

int NetworkDocument::PlaceClick(int view, bool inside, double h, double v, bool shift) {
    NamedChange change(*this, "Place");
    int slot = -1;
    if (inside) {
        const int kind = gMode == MODE_THEO ? SEL_THEO : gMode == MODE_SBAR ? SEL_SBAR : SEL_POINT;
        slot = PlaceElement(gMode, view, h, v);
        if (slot >= 0) NameChange(ElementChangeName("Place", kind, slot));
        if (slot < 0 && gMode == MODE_THEO) StatBarMessage("Every theodolite name is taken");
        UpdateViews(false);
        bFileDirty = true;
    }
    if (!inside || !shift) EndTool();
    return slot;
}

MeasureAction NetworkDocument::MeasureClick(int view, long hitValue, bool shift, bool control,
                                            LinePainter* hdc) {
    NamedChange change(*this, gMode == MODE_DIST     ? "Add Distance"
                              : gMode == MODE_HEIGHT ? "Add Height Difference"
                                                     : "Add Direction");
    const int kind = static_cast<int>(hitValue >> 16);
    const bool withPoints = gMode == MODE_DIST || gMode == MODE_HEIGHT;
    auto clearMarks = [&] {
        ClearTheos();
        if (withPoints) ClearPoints();
    };
    auto end = [&] {
        EndTool();
        clearMarks();
        UpdateViews(true);
        return MeasureAction::Ended;
    };
    auto created = [&](bool NetworkDocument::*toggle) {
        this->*toggle = true;
        CheckViewItems();
        bFileDirty = true;
        return MeasureAction::Created;
    };
    // Rules T and P: Control starts a new set of sources; then mark, or connect to the sources.
    auto sourceOrTarget = [&](auto mark, auto connect) {
        MeasureAction done = MeasureAction::None;
        if (control && SourcesMarked) {
            clearMarks();
            SourcesMarked = false;
            UpdateViews(true);
            done = MeasureAction::Cleared;
        }
        if (!SourcesMarked || shift) {
            mark();
            SourcesMarked = true;
            return done == MeasureAction::Cleared ? done : MeasureAction::Marked;
        }
        return connect();
    };

    switch (kind) {
    case SEL_THEO:
        return sourceOrTarget([&] { theoList.Mark(index, true); },
                              [&] {
                                  if (gMode != MODE_DIRECT) return MeasureAction::None;
                                  NewCollimate(hdc, view, index);
                                  return created(&NetworkDocument::bCollimate);
                              });
    case SEL_POINT:
        if (gMode == MODE_DIRECT) {
            if (!SourcesMarked) return MeasureAction::None;
            NewPtDirect(hdc, view, index);
            return created(&NetworkDocument::bDirect);
        }
        return sourceOrTarget([&] { pointList.Mark(index, true); },
                              [&] {
                                  if (gMode == MODE_DIST) {
                                      NewDistance(hdc, view, index);
                                      return created(&NetworkDocument::bDistance);
                                  }
                                  NewHeight(hdc, view, index);
                                  return created(&NetworkDocument::bHeight);
                              });
    case SEL_SBAR:
        if (gMode != MODE_DIRECT) return end();
        if (!SourcesMarked) return MeasureAction::None;
        NewSBDirect(hdc, view, index);
        return created(&NetworkDocument::bDirect);
    default: // nothing, outside the client area, or an observation line
        return end();
    }
}

void NetworkDocument::MoveCommon(int view, COMMON* lpCommon, double h, double v) {
    switch (view) {
    case 0:
        lpCommon->xReal = h;
        lpCommon->yReal = v;
        break;
    case 1:
        lpCommon->xReal = h;
        lpCommon->zReal = v;
        break;
    default:
        lpCommon->yReal = h;
        lpCommon->zReal = v;
        break;
    }
}

void NetworkDocument::OldPosition(int* x, int* y, int view) {
    if (selectType < SEL_THEO || selectType > SEL_SBAR) return;
    const COMMON& c = Common(selectType, index);
    *x = c.hcoord[view];
    *y = c.vcoord[view];
}

bool NetworkDocument::NewPosition(int x, int y, int view) {
    if (selectType < SEL_THEO || selectType > SEL_SBAR) return false;
    COMMON& c = Common(selectType, index);
    bool moved = false;
    if (c.hcoord[view] != x || c.vcoord[view] != y) {
        c.hcoord[view] = x;
        c.vcoord[view] = y;
        moved = true;
    }
    CalcPixelPos(c);
    return moved;
}

void NetworkDocument::DragTo(int view, double h, double v) {
    if (selectType < SEL_THEO || selectType > SEL_SBAR) return;
    MoveCommon(view, &Common(selectType, index), h, v);
    StatBarSelect(1);
    bFileDirty = true;
}

} // namespace kivo
