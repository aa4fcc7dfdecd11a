// The element tables: adding elements, naming and look-ups.

#include <cstdio>
#include <cstring>

#include "model/element_tables.h"

namespace kivo {

void ElementTables::CreateMemory() {
    net_.theoList.Clear();
    net_.pointList.Clear();
    net_.sbarList.Clear();
    obs_.distList.Clear();
    obs_.heightList.Clear();
    net_.theoList.Grow(1);
    net_.pointList.Grow(1);
    net_.sbarList.Grow(1);
    obs_.distList.Grow(1);
    obs_.heightList.Grow(1);
    net_.nNumTheos = net_.nNumPoints = net_.nNumSBars = obs_.nNumDists = obs_.nNumHeights = 0;
    net_.nMaxTheos = net_.nMaxPoints = net_.nMaxSBars = obs_.nMaxDists = obs_.nMaxHeights = 1;
    net_.bTablesCreated = true;
}

void ElementTables::DestroyMemory() {
    net_.theoList.Clear();
    net_.pointList.Clear();
    net_.sbarList.Clear();
    obs_.distList.Clear();
    obs_.heightList.Clear();
    net_.bTablesCreated = false;
}

// Chooses the slot of a new element: grow by one zero-filled record when every slot is live,
// otherwise the first free slot, otherwise slot nMax of spare storage.
template <class T> int ElementTables::AddElementSlot(ElementTable<T>& table, int& nNum, int& nMax) {
    int slot = -1;
    if (table.storage() < nNum + 1) {
        table.Grow(nNum + 1);
        slot = nNum;
        nMax = nMax + 1;
    } else {
        for (int i = 0; i < nMax; ++i) {
            if (!(table[i].flags & ELEM_INUSE)) {
                slot = i;
                break;
            }
        }
        if (slot < 0) {
            slot = nMax;
            nMax = nMax + 1;
        }
    }
    ++nNum;
    return slot;
}

void ElementTables::NewCommon(COMMON& common, const char* newName, const char* newAbbrev, double xLogCoord,
                              double yLogCoord, double zLogCoord) {
    common.xReal = xLogCoord;
    common.yReal = yLogCoord;
    common.zReal = zLogCoord;
    geometry_.CalcPixelPos(common);
    std::memset(common.name, 0, sizeof common.name);
    std::strncpy(common.name, newName ? newName : "", NAME_LEN);
    std::memset(common.abbrev, 0, sizeof common.abbrev);
    std::strncpy(common.abbrev, newAbbrev ? newAbbrev : "", ABBREV_LEN);
    for (int k = 0; k < 3; ++k) {
        common.A[k] = 0;
        common.B[k] = 0;
        common.phi[k] = 0;
    }
}

void ElementTables::NewTheo(const char* newName, const char* newAbbrev, int pos, int theo, double xLogCoord,
                            double yLogCoord, double zLogCoord, double xRotation, double yRotation,
                            double zRotation, int coordStat) {
    int slot = AddElementSlot(net_.theoList, net_.nNumTheos, net_.nMaxTheos);
    THEODOLITE& t = net_.theoList[slot];
    NewCommon(t, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    net_.theoList.SetFlags(slot, ELEM_INUSE);
    if (net_.nNumTheos == 1) net_.theoList.SetFlags(slot, ELEM_INUSE | ELEM_CONTROL);
    t.pos = pos;
    t.theo = theo;
    t.coordStat = coordStat;
    t.xRotation = xRotation;
    t.yRotation = yRotation;
    t.zRotation = zRotation;
    t.longAxisHAngle = 0;
    t.longAxisVAngle = 100;
    t.travAxisHAngle = 300;
    t.travAxisVAngle = 100;
    t.initTarget = -1;
    t.ReleaseLists();
    net_.lastNewSlot = slot;
}

void ElementTables::NewPoint(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                             double zLogCoord, int coordStat) {
    int slot = AddElementSlot(net_.pointList, net_.nNumPoints, net_.nMaxPoints);
    OBJECTPOINT& p = net_.pointList[slot];
    NewCommon(p, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    net_.pointList.SetFlags(slot, ELEM_INUSE);
    p.coordStat = coordStat;
    net_.lastNewSlot = slot;
}

void ElementTables::NewSBar(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                            double zLogCoord, double length, int azimuth, int vertangle) {
    int slot = AddElementSlot(net_.sbarList, net_.nNumSBars, net_.nMaxSBars);
    SCALEBAR& s = net_.sbarList[slot];
    NewCommon(s, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    net_.sbarList.SetFlags(slot, ELEM_INUSE);
    s.length = length;
    s.azimuth = azimuth;
    s.vertAngle = vertangle;
    net_.lastNewSlot = slot;
}

const COMMON& ElementTables::Common(int kind, int slot) const {
    return const_cast<ElementTables*>(this)->Common(kind, slot);
}

COMMON& ElementTables::Common(int kind, int slot) {
    switch (kind) {
    case SEL_THEO:
        return net_.theoList[slot];
    case SEL_POINT:
        return net_.pointList[slot];
    default:
        return net_.sbarList[slot];
    }
}

void ElementTables::GetNextTheoName(int* posPtr, int* theoPtr) {
    for (int i = net_.globalPos; i <= 9; ++i) {
        for (int j = net_.globalTheo; j <= 9; ++j) {
            bool taken = false;
            for (int s = 0; s < net_.nMaxTheos && !taken; ++s) {
                const THEODOLITE& t = net_.theoList[s];
                taken = (t.flags & ELEM_INUSE) && t.pos == i && t.theo == j;
            }
            if (!taken) {
                *posPtr = i;
                *theoPtr = j;
                net_.globalTheo = j + 1;
                if (net_.globalTheo > 9) {
                    ++net_.globalPos;
                    net_.globalTheo = 0;
                }
                return;
            }
        }
    }
}

// The next free number n >= counter such that "<prefix><n>" names no live element (ignoring case).
template <class T>
static void NextNumberedName(const ElementTable<T>& table, int& counter, const char* prefix, int* number) {
    for (int n = counter; n <= 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%d", prefix, n);
        if (table.Find(name) < 0) {
            *number = n;
            counter = n + 1;
            return;
        }
    }
    counter = 1;
    *number = 0;
}

void ElementTables::GetNextPointName(int* pointNumber) {
    NextNumberedName(net_.pointList, net_.globalPoint, "POINT", pointNumber);
}

void ElementTables::GetNextSBarName(int* sbarNumber) {
    NextNumberedName(net_.sbarList, net_.globalSBar, "SBAR", sbarNumber);
}

void ElementTables::ClearTheos() {
    for (int i = 0; i < net_.theoList.storage(); ++i)
        net_.theoList.Mark(i, false);
}

void ElementTables::ClearPoints() {
    for (int i = 0; i < net_.pointList.storage(); ++i)
        net_.pointList.Mark(i, false);
}

void ElementTables::ClearSBars() {
    for (int i = 0; i < net_.sbarList.storage(); ++i)
        net_.sbarList.Mark(i, false);
}

} // namespace kivo
