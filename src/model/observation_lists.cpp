// Adding ideal observations from the marked elements, the duplicate tests, removal of
// observations, cascading deletion of elements and Edit Cut.

#include <vector>

#include "model/network_document.h"

namespace kivo {

namespace {

void DrawLine(LinePainter* hdc, LinePainter::Pen pen, const COMMON& from, const COMMON& to, int view, int shift) {
    if (!hdc) return;
    hdc->Line(pen, from.hcoord[view] + shift, from.vcoord[view] + shift, to.hcoord[view] + shift,
              to.vcoord[view] + shift);
}

// The marked live slots of a table, in slot order (a copy: adding may not change marks, but the
// caller must not depend on that).
template <class T>
std::vector<int> MarkedLive(const ElementTable<T>& table, int nMax) {
    std::vector<int> out;
    for (int i : table.Marked()) {
        if (i >= nMax) break;
        if (table[i].flags & ELEM_INUSE) out.push_back(i);
    }
    return out;
}

} // namespace

void NetworkDocument::NewCollimate(LinePainter* hdc, int view, int theo) {
    for (int i : MarkedLive(theoList, nMaxTheos)) {
        if (i == theo) continue;
        THEODOLITE& t = theoList[i];
        if (t.thCount > 0 && CheckCollimate(t.thList, t.thCount, theo)) continue;
        t.thList.Append(CONNECT1{theo, OBS_IDEAL, 0, 0.0, 0.0});
        t.thCount = t.thList.size();
        DrawLine(hdc, LinePainter::Green, t, theoList[theo], view, 0);
    }
}

void NetworkDocument::NewPtDirect(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(theoList, nMaxTheos)) {
        THEODOLITE& t = theoList[i];
        if (t.ptCount > 0 && CheckPtDirect(t.ptList, t.ptCount, point)) continue;
        t.ptList.Append(CONNECT1{point, OBS_IDEAL, 0, 0.0, 0.0});
        t.ptCount = t.ptList.size();
        DrawLine(hdc, LinePainter::Blue, t, pointList[point], view, 0);
    }
}

void NetworkDocument::NewSBDirect(LinePainter* hdc, int view, int sbar) {
    for (int i : MarkedLive(theoList, nMaxTheos)) {
        THEODOLITE& t = theoList[i];
        if (t.sbCount > 0 && CheckSBDirect(t.sbList, t.sbCount, sbar)) continue;
        t.sbList.Append(CONNECT2{sbar, OBS_IDEAL, 0, 0.0, 0.0, 0.0, 0.0});
        t.sbCount = t.sbList.size();
        DrawLine(hdc, LinePainter::Blue, t, sbarList[sbar], view, 0);
    }
}

void NetworkDocument::NewDistance(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(theoList, nMaxTheos)) {
        THEODOLITE& t = theoList[i];
        if (t.dsCount > 0 && CheckDistance(t.dsList, t.dsCount, point)) continue;
        t.dsList.Append(CONNECT3{point, OBS_IDEAL, 0, 0.0});
        t.dsCount = t.dsList.size();
        DrawLine(hdc, LinePainter::Red, t, pointList[point], view, 0);
    }
    for (int i : MarkedLive(pointList, nMaxPoints)) {
        if (i == point) continue;
        if (nNumDists > 0 && CheckPtDistance(i, point)) continue;
        AddPtDistance(CONNECT4{i, point, OBS_INUSE | OBS_IDEAL, 0, 0.0});
        DrawLine(hdc, LinePainter::Red, pointList[i], pointList[point], view, 1);
    }
}

void NetworkDocument::NewHeight(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(theoList, nMaxTheos)) {
        THEODOLITE& t = theoList[i];
        if (t.hdCount > 0 && CheckHeight(t.hdList, t.hdCount, point)) continue;
        t.hdList.Append(CONNECT6{point, OBS_IDEAL, 0, 0.0});
        t.hdCount = t.hdList.size();
        DrawLine(hdc, LinePainter::Yellow, t, pointList[point], view, 0);
    }
    for (int i : MarkedLive(pointList, nMaxPoints)) {
        if (i == point) continue;
        if (nNumHeights > 0 && CheckPtHeight(i, point)) continue;
        AddPtHeight(CONNECT5{i, point, OBS_INUSE | OBS_IDEAL, 0, 0.0});
        DrawLine(hdc, LinePainter::Yellow, pointList[i], pointList[point], view, 1);
    }
}

// A global list grows by one entry when every slot is live; otherwise the first free slot is taken,
// or slot nMax of spare storage.
template <class T, class L> int NetworkDocument::AddGlobal(L& list, int& nNum, int& nMax, const T& entry) {
    int slot = -1;
    if (list.storage() < nNum + 1) {
        list.Grow(nNum + 1);
        slot = nNum;
        ++nMax;
    } else {
        for (int i = 0; i < nMax; ++i) {
            if (!(list[i].flags & OBS_INUSE)) {
                slot = i;
                break;
            }
        }
        if (slot < 0) slot = nMax++;
    }
    ++nNum;
    list.Put(slot, entry);
    return slot;
}

int NetworkDocument::AddPtDistance(const CONNECT4& entry) {
    return AddGlobal(distList, nNumDists, nMaxDists, entry);
}

int NetworkDocument::AddPtHeight(const CONNECT5& entry) {
    return AddGlobal(heightList, nNumHeights, nMaxHeights, entry);
}

// The per-theodolite duplicate tests look at the first `num` entries, which is the whole list
// since the count always equals the list size.
bool NetworkDocument::CheckCollimate(const ObsList<CONNECT1>& list, int, int theo) {
    return list.Contains(theo);
}
bool NetworkDocument::CheckPtDirect(const ObsList<CONNECT1>& list, int, int point) {
    return list.Contains(point);
}
bool NetworkDocument::CheckSBDirect(const ObsList<CONNECT2>& list, int, int sbar) {
    return list.Contains(sbar);
}
bool NetworkDocument::CheckDistance(const ObsList<CONNECT3>& list, int, int point) {
    return list.Contains(point);
}
bool NetworkDocument::CheckHeight(const ObsList<CONNECT6>& list, int, int point) {
    return list.Contains(point);
}

bool NetworkDocument::CheckPtDistance(int source, int point) const {
    return distList.ContainsPair(source, point);
}
bool NetworkDocument::CheckPtHeight(int source, int point) const {
    return heightList.ContainsPair(source, point);
}

int NetworkDocument::DelCollimate(ObsList<CONNECT1>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int NetworkDocument::DelPtDirect(ObsList<CONNECT1>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int NetworkDocument::DelSBDirect(ObsList<CONNECT2>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int NetworkDocument::DelDistance(ObsList<CONNECT3>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int NetworkDocument::DelHeight(ObsList<CONNECT6>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}

void NetworkDocument::DelPtDistance(int theSource, int theTarget, int which) {
    if (which != -1) {
        if (distList[which].flags & OBS_INUSE) {
            distList.Free(which);
            --nNumDists;
        }
        return;
    }
    for (int i = 0; i < nMaxDists; ++i) {
        const CONNECT4& e = distList[i];
        if ((e.flags & OBS_INUSE) && e.source == theSource && e.target == theTarget) {
            distList.Free(i);
            --nNumDists;
        }
    }
}

void NetworkDocument::DelPtHeight(int theSource, int theTarget, int which) {
    if (which != -1) {
        if (heightList[which].flags & OBS_INUSE) {
            heightList.Free(which);
            --nNumHeights;
        }
        return;
    }
    for (int i = 0; i < nMaxHeights; ++i) {
        const CONNECT5& e = heightList[i];
        if ((e.flags & OBS_INUSE) && e.source == theSource && e.target == theTarget) {
            heightList.Free(i);
            --nNumHeights;
        }
    }
}

void NetworkDocument::DelTheo(int theo) {
    THEODOLITE& t = theoList[theo];
    t.ReleaseLists();
    theoList.SetFlags(theo, 0);
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& o = theoList[i];
        if (!(o.flags & ELEM_INUSE)) continue;
        o.thCount = DelCollimate(o.thList, o.thCount, theo, -1);
    }
    --nNumTheos;
}

void NetworkDocument::DelPoint(int point) {
    pointList.SetFlags(point, pointList[point].flags & ~ELEM_INUSE);
    --nNumPoints;
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        t.ptCount = DelPtDirect(t.ptList, t.ptCount, point, -1);
        t.dsCount = DelDistance(t.dsList, t.dsCount, point, -1);
        t.hdCount = DelHeight(t.hdList, t.hdCount, point, -1);
    }
    for (int i = 0; i < nMaxDists; ++i) {
        const CONNECT4& e = distList[i];
        if ((e.flags & OBS_INUSE) && (e.source == point || e.target == point)) {
            distList.Free(i);
            --nNumDists;
        }
    }
    for (int i = 0; i < nMaxHeights; ++i) {
        const CONNECT5& e = heightList[i];
        if ((e.flags & OBS_INUSE) && (e.source == point || e.target == point)) {
            heightList.Free(i);
            --nNumHeights;
        }
    }
}

void NetworkDocument::DelSBar(int sbar) {
    sbarList.SetFlags(sbar, sbarList[sbar].flags & ~ELEM_INUSE);
    --nNumSBars;
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        t.sbCount = DelSBDirect(t.sbList, t.sbCount, sbar, -1);
    }
}

void NetworkDocument::CmCut() {
    switch (selectType) {
    case SEL_THEO: DelTheo(index); break;
    case SEL_POINT: DelPoint(index); break;
    case SEL_SBAR: DelSBar(index); break;
    case SEL_COLLIMATE: {
        THEODOLITE& a = theoList[stationA];
        a.thCount = DelCollimate(a.thList, a.thCount, stationB, -1);
        THEODOLITE& b = theoList[stationB];
        b.thCount = DelCollimate(b.thList, b.thCount, stationA, -1);
        break;
    }
    case SEL_PTDIRECT: {
        THEODOLITE& t = theoList[station];
        t.ptCount = DelPtDirect(t.ptList, t.ptCount, target, -1);
        break;
    }
    case SEL_SBDIRECT: {
        THEODOLITE& t = theoList[station];
        t.sbCount = DelSBDirect(t.sbList, t.sbCount, target, -1);
        break;
    }
    case SEL_DISTANCE: {
        THEODOLITE& t = theoList[station];
        t.dsCount = DelDistance(t.dsList, t.dsCount, target, -1);
        break;
    }
    case SEL_HEIGHT: {
        THEODOLITE& t = theoList[station];
        t.hdCount = DelHeight(t.hdList, t.hdCount, target, -1);
        break;
    }
    case SEL_PTDISTANCE: DelPtDistance(targetA, targetB, -1); break;
    case SEL_PTHEIGHT: DelPtHeight(targetA, targetB, -1); break;
    default: break;
    }
    UpdateViews(true);
    bFileDirty = true;
    StatBarMessage("");
    host_->EnableMenuItem(cmd::EditCut, false);
}

} // namespace kivo
