// Construction, the element tables, adding elements, naming and look-ups.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/network_document.h"

namespace kivo {

void CopyField(char* field, std::size_t n, const std::string& text) {
    std::memset(field, 0, n);
    std::strncpy(field, text.c_str(), n - 1);
}

NetworkDocument::NetworkDocument(Host* host) : host_(host ? host : &nullHost_) {
    // Unit conversion factors, from (row) to (column): meters, mm, feet, inches.
    static const double table[4][4] = {
        {1.0, 1000.0, 3.280839895013, 39.370078740157},
        {0.001, 1.0, 0.003280839895, 0.03937007874},
        {0.3048, 304.8, 1.0, 12.0},
        {0.0254, 25.4, 0.083333333333, 1.0},
    };
    std::memcpy(convTab, table, sizeof convTab);

    GetDefParmData();
    GetDefDisplayData();
    GetDefSetupData();
    GetDefAdjustData();
    // The settings file gives the scale-bar length in meters; the document holds project units.
    defLength = defLength * convTab[UNITS_METERS][units];

    SetScaleFactors();
    TrigInit();
}

NetworkDocument::~NetworkDocument() = default;

void NetworkDocument::SetHost(Host* host) {
    host_ = host ? host : &nullHost_;
}

void NetworkDocument::CreateMemory() {
    theoList.Clear();
    pointList.Clear();
    sbarList.Clear();
    distList.Clear();
    heightList.Clear();
    theoList.Grow(1);
    pointList.Grow(1);
    sbarList.Grow(1);
    distList.Grow(1);
    heightList.Grow(1);
    nNumTheos = nNumPoints = nNumSBars = nNumDists = nNumHeights = 0;
    nMaxTheos = nMaxPoints = nMaxSBars = nMaxDists = nMaxHeights = 1;
    bTablesCreated = true;
}

void NetworkDocument::DestroyMemory() {
    theoList.Clear();
    pointList.Clear();
    sbarList.Clear();
    distList.Clear();
    heightList.Clear();
    bTablesCreated = false;
}

// Chooses the slot of a new element: grow by one zero-filled record when every slot is live,
// otherwise the first free slot, otherwise slot nMax of spare storage.
template <class T> int NetworkDocument::AddElementSlot(ElementTable<T>& table, int& nNum, int& nMax) {
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

void NetworkDocument::NewCommon(COMMON& common, const char* newName, const char* newAbbrev, double xLogCoord,
                                double yLogCoord, double zLogCoord) {
    common.xReal = xLogCoord;
    common.yReal = yLogCoord;
    common.zReal = zLogCoord;
    CalcPixelPos(common);
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

void NetworkDocument::NewTheo(const char* newName, const char* newAbbrev, int pos, int theo, double xLogCoord,
                              double yLogCoord, double zLogCoord, double xRotation, double yRotation,
                              double zRotation, int coordStat) {
    int slot = AddElementSlot(theoList, nNumTheos, nMaxTheos);
    THEODOLITE& t = theoList[slot];
    NewCommon(t, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    theoList.SetFlags(slot, ELEM_INUSE);
    if (nNumTheos == 1) theoList.SetFlags(slot, ELEM_INUSE | ELEM_CONTROL);
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
    lastNewSlot = slot;
}

void NetworkDocument::NewPoint(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                               double zLogCoord, int coordStat) {
    int slot = AddElementSlot(pointList, nNumPoints, nMaxPoints);
    OBJECTPOINT& p = pointList[slot];
    NewCommon(p, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    pointList.SetFlags(slot, ELEM_INUSE);
    p.coordStat = coordStat;
    lastNewSlot = slot;
}

void NetworkDocument::NewSBar(const char* newName, const char* newAbbrev, double xLogCoord, double yLogCoord,
                              double zLogCoord, double length, int azimuth, int vertangle) {
    int slot = AddElementSlot(sbarList, nNumSBars, nMaxSBars);
    SCALEBAR& s = sbarList[slot];
    NewCommon(s, newName, newAbbrev, xLogCoord, yLogCoord, zLogCoord);
    sbarList.SetFlags(slot, ELEM_INUSE);
    s.length = length;
    s.azimuth = azimuth;
    s.vertAngle = vertangle;
    lastNewSlot = slot;
}

COMMON& NetworkDocument::Common(int kind, int slot) {
    switch (kind) {
    case SEL_THEO: return theoList[slot];
    case SEL_POINT: return pointList[slot];
    default: return sbarList[slot];
    }
}

void NetworkDocument::GetNextTheoName(int* posPtr, int* theoPtr) {
    for (int i = globalPos; i <= 9; ++i) {
        for (int j = globalTheo; j <= 9; ++j) {
            bool taken = false;
            for (int s = 0; s < nMaxTheos && !taken; ++s) {
                const THEODOLITE& t = theoList[s];
                taken = (t.flags & ELEM_INUSE) && t.pos == i && t.theo == j;
            }
            if (!taken) {
                *posPtr = i;
                *theoPtr = j;
                globalTheo = j + 1;
                if (globalTheo > 9) {
                    ++globalPos;
                    globalTheo = 0;
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

void NetworkDocument::GetNextPointName(int* pointNumber) {
    NextNumberedName(pointList, globalPoint, "POINT", pointNumber);
}

void NetworkDocument::GetNextSBarName(int* sbarNumber) {
    NextNumberedName(sbarList, globalSBar, "SBAR", sbarNumber);
}

void NetworkDocument::ClearTheos() {
    for (int i = 0; i < theoList.storage(); ++i) theoList.Mark(i, false);
}

void NetworkDocument::ClearPoints() {
    for (int i = 0; i < pointList.storage(); ++i) pointList.Mark(i, false);
}

void NetworkDocument::ClearSBars() {
    for (int i = 0; i < sbarList.storage(); ++i) sbarList.Mark(i, false);
}

} // namespace kivo
