// Adding ideal observations from the marked elements, the duplicate tests, removal of
// observations, cascading deletion of elements and Edit Cut.

#include <vector>

#include "model/command_ids.h"
#include "model/observation_lists.h"

namespace kivo {

namespace {

void DrawLine(LinePainter* hdc, LinePainter::Pen pen, const COMMON& from, const COMMON& to, int view,
              int shift) {
    if (!hdc) return;
    hdc->Line(pen, from.hcoord[view] + shift, from.vcoord[view] + shift, to.hcoord[view] + shift,
              to.vcoord[view] + shift);
}

// The marked live slots of a table, in slot order (a copy: adding may not change marks, but the
// caller must not depend on that).
template <class T> std::vector<int> MarkedLive(const ElementTable<T>& table, int nMax) {
    std::vector<int> out;
    for (int i : table.Marked()) {
        if (i >= nMax) break;
        if (table[i].flags & ELEM_INUSE) out.push_back(i);
    }
    return out;
}

} // namespace

void ObservationLists::NewCollimate(LinePainter* hdc, int view, int theo) {
    for (int i : MarkedLive(net_.theoList, net_.nMaxTheos)) {
        if (i == theo) continue;
        THEODOLITE& t = net_.theoList[i];
        if (t.thCount > 0 && CheckCollimate(t.thList, t.thCount, theo)) continue;
        t.thList.Append(CONNECT1{theo, OBS_IDEAL, 0, 0.0, 0.0});
        t.thCount = t.thList.size();
        DrawLine(hdc, LinePainter::Green, t, net_.theoList[theo], view, 0);
    }
}

void ObservationLists::NewPtDirect(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(net_.theoList, net_.nMaxTheos)) {
        THEODOLITE& t = net_.theoList[i];
        if (t.ptCount > 0 && CheckPtDirect(t.ptList, t.ptCount, point)) continue;
        t.ptList.Append(CONNECT1{point, OBS_IDEAL, 0, 0.0, 0.0});
        t.ptCount = t.ptList.size();
        DrawLine(hdc, LinePainter::Blue, t, net_.pointList[point], view, 0);
    }
}

void ObservationLists::NewSBDirect(LinePainter* hdc, int view, int sbar) {
    for (int i : MarkedLive(net_.theoList, net_.nMaxTheos)) {
        THEODOLITE& t = net_.theoList[i];
        if (t.sbCount > 0 && CheckSBDirect(t.sbList, t.sbCount, sbar)) continue;
        t.sbList.Append(CONNECT2{sbar, OBS_IDEAL, 0, 0.0, 0.0, 0.0, 0.0});
        t.sbCount = t.sbList.size();
        DrawLine(hdc, LinePainter::Blue, t, net_.sbarList[sbar], view, 0);
    }
}

void ObservationLists::NewDistance(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(net_.theoList, net_.nMaxTheos)) {
        THEODOLITE& t = net_.theoList[i];
        if (t.dsCount > 0 && CheckDistance(t.dsList, t.dsCount, point)) continue;
        t.dsList.Append(CONNECT3{point, OBS_IDEAL, 0, 0.0});
        t.dsCount = t.dsList.size();
        DrawLine(hdc, LinePainter::Red, t, net_.pointList[point], view, 0);
    }
    for (int i : MarkedLive(net_.pointList, net_.nMaxPoints)) {
        if (i == point) continue;
        if (obs_.nNumDists > 0 && CheckPtDistance(i, point)) continue;
        AddPtDistance(CONNECT4{i, point, OBS_INUSE | OBS_IDEAL, 0, 0.0});
        DrawLine(hdc, LinePainter::Red, net_.pointList[i], net_.pointList[point], view, 1);
    }
}

void ObservationLists::NewHeight(LinePainter* hdc, int view, int point) {
    for (int i : MarkedLive(net_.theoList, net_.nMaxTheos)) {
        THEODOLITE& t = net_.theoList[i];
        if (t.hdCount > 0 && CheckHeight(t.hdList, t.hdCount, point)) continue;
        t.hdList.Append(CONNECT6{point, OBS_IDEAL, 0, 0.0});
        t.hdCount = t.hdList.size();
        DrawLine(hdc, LinePainter::Yellow, t, net_.pointList[point], view, 0);
    }
    for (int i : MarkedLive(net_.pointList, net_.nMaxPoints)) {
        if (i == point) continue;
        if (obs_.nNumHeights > 0 && CheckPtHeight(i, point)) continue;
        AddPtHeight(CONNECT5{i, point, OBS_INUSE | OBS_IDEAL, 0, 0.0});
        DrawLine(hdc, LinePainter::Yellow, net_.pointList[i], net_.pointList[point], view, 1);
    }
}

// A global list grows by one entry when every slot is live; otherwise the first free slot is taken,
// or slot nMax of spare storage.
template <class T, class L> int ObservationLists::AddGlobal(L& list, int& nNum, int& nMax, const T& entry) {
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

int ObservationLists::AddPtDistance(const CONNECT4& entry) {
    return AddGlobal(obs_.distList, obs_.nNumDists, obs_.nMaxDists, entry);
}

int ObservationLists::AddPtHeight(const CONNECT5& entry) {
    return AddGlobal(obs_.heightList, obs_.nNumHeights, obs_.nMaxHeights, entry);
}

// The per-theodolite duplicate tests look at the first `num` entries, which is the whole list
// since the count always equals the list size.
bool ObservationLists::CheckCollimate(const ObsList<CONNECT1>& list, int, int theo) {
    return list.Contains(theo);
}
bool ObservationLists::CheckPtDirect(const ObsList<CONNECT1>& list, int, int point) {
    return list.Contains(point);
}
bool ObservationLists::CheckSBDirect(const ObsList<CONNECT2>& list, int, int sbar) {
    return list.Contains(sbar);
}
bool ObservationLists::CheckDistance(const ObsList<CONNECT3>& list, int, int point) {
    return list.Contains(point);
}
bool ObservationLists::CheckHeight(const ObsList<CONNECT6>& list, int, int point) {
    return list.Contains(point);
}

bool ObservationLists::CheckPtDistance(int source, int point) const {
    return obs_.distList.ContainsPair(source, point);
}
bool ObservationLists::CheckPtHeight(int source, int point) const {
    return obs_.heightList.ContainsPair(source, point);
}

int ObservationLists::DelCollimate(ObsList<CONNECT1>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int ObservationLists::DelPtDirect(ObsList<CONNECT1>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int ObservationLists::DelSBDirect(ObsList<CONNECT2>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int ObservationLists::DelDistance(ObsList<CONNECT3>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}
int ObservationLists::DelHeight(ObsList<CONNECT6>& list, int count, int theTarget, int which) {
    return count == 0 ? 0 : list.Remove(theTarget, which);
}

void ObservationLists::DelPtDistance(int theSource, int theTarget, int which) {
    if (which != -1) {
        if (obs_.distList[which].flags & OBS_INUSE) {
            obs_.distList.Free(which);
            --obs_.nNumDists;
        }
        return;
    }
    for (int i = 0; i < obs_.nMaxDists; ++i) {
        const CONNECT4& e = obs_.distList[i];
        if ((e.flags & OBS_INUSE) && e.source == theSource && e.target == theTarget) {
            obs_.distList.Free(i);
            --obs_.nNumDists;
        }
    }
}

void ObservationLists::DelPtHeight(int theSource, int theTarget, int which) {
    if (which != -1) {
        if (obs_.heightList[which].flags & OBS_INUSE) {
            obs_.heightList.Free(which);
            --obs_.nNumHeights;
        }
        return;
    }
    for (int i = 0; i < obs_.nMaxHeights; ++i) {
        const CONNECT5& e = obs_.heightList[i];
        if ((e.flags & OBS_INUSE) && e.source == theSource && e.target == theTarget) {
            obs_.heightList.Free(i);
            --obs_.nNumHeights;
        }
    }
}

void ObservationLists::DelTheo(int theo) {
    THEODOLITE& t = net_.theoList[theo];
    t.ReleaseLists();
    net_.theoList.SetFlags(theo, 0);
    for (int i = 0; i < net_.nMaxTheos; ++i) {
        THEODOLITE& o = net_.theoList[i];
        if (!(o.flags & ELEM_INUSE)) continue;
        o.thCount = DelCollimate(o.thList, o.thCount, theo, -1);
    }
    --net_.nNumTheos;
}

void ObservationLists::DelPoint(int point) {
    net_.pointList.SetFlags(point, net_.pointList[point].flags & ~ELEM_INUSE);
    --net_.nNumPoints;
    for (int i = 0; i < net_.nMaxTheos; ++i) {
        THEODOLITE& t = net_.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        t.ptCount = DelPtDirect(t.ptList, t.ptCount, point, -1);
        t.dsCount = DelDistance(t.dsList, t.dsCount, point, -1);
        t.hdCount = DelHeight(t.hdList, t.hdCount, point, -1);
    }
    for (int i = 0; i < obs_.nMaxDists; ++i) {
        const CONNECT4& e = obs_.distList[i];
        if ((e.flags & OBS_INUSE) && (e.source == point || e.target == point)) {
            obs_.distList.Free(i);
            --obs_.nNumDists;
        }
    }
    for (int i = 0; i < obs_.nMaxHeights; ++i) {
        const CONNECT5& e = obs_.heightList[i];
        if ((e.flags & OBS_INUSE) && (e.source == point || e.target == point)) {
            obs_.heightList.Free(i);
            --obs_.nNumHeights;
        }
    }
}

void ObservationLists::DelSBar(int sbar) {
    net_.sbarList.SetFlags(sbar, net_.sbarList[sbar].flags & ~ELEM_INUSE);
    --net_.nNumSBars;
    for (int i = 0; i < net_.nMaxTheos; ++i) {
        THEODOLITE& t = net_.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        t.sbCount = DelSBDirect(t.sbList, t.sbCount, sbar, -1);
    }
}

void ObservationLists::CmCut() {
    switch (sel_.selectType) {
    case SEL_THEO:
        DelTheo(sel_.index);
        break;
    case SEL_POINT:
        DelPoint(sel_.index);
        break;
    case SEL_SBAR:
        DelSBar(sel_.index);
        break;
    case SEL_COLLIMATE: {
        THEODOLITE& a = net_.theoList[sel_.stationA];
        a.thCount = DelCollimate(a.thList, a.thCount, sel_.stationB, -1);
        THEODOLITE& b = net_.theoList[sel_.stationB];
        b.thCount = DelCollimate(b.thList, b.thCount, sel_.stationA, -1);
        break;
    }
    case SEL_PTDIRECT: {
        THEODOLITE& t = net_.theoList[sel_.station];
        t.ptCount = DelPtDirect(t.ptList, t.ptCount, sel_.target, -1);
        break;
    }
    case SEL_SBDIRECT: {
        THEODOLITE& t = net_.theoList[sel_.station];
        t.sbCount = DelSBDirect(t.sbList, t.sbCount, sel_.target, -1);
        break;
    }
    case SEL_DISTANCE: {
        THEODOLITE& t = net_.theoList[sel_.station];
        t.dsCount = DelDistance(t.dsList, t.dsCount, sel_.target, -1);
        break;
    }
    case SEL_HEIGHT: {
        THEODOLITE& t = net_.theoList[sel_.station];
        t.hdCount = DelHeight(t.hdList, t.hdCount, sel_.target, -1);
        break;
    }
    case SEL_PTDISTANCE:
        DelPtDistance(sel_.targetA, sel_.targetB, -1);
        break;
    case SEL_PTHEIGHT:
        DelPtHeight(sel_.targetA, sel_.targetB, -1);
        break;
    default:
        break;
    }
    host_->UpdateViews(true);
    file_.bFileDirty = true;
    host_->StatusText("");
    host_->StatusImage(7);
    host_->EnableMenuItem(cmd::EditCut, false);
}

} // namespace kivo
