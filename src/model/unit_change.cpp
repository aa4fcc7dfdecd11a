#include "model/unit_change.h"

#include "model/network_document.h"

namespace kivo {

namespace {

void ScaleCoords(COMMON& e, double f) {
    e.xReal *= f;
    e.yReal *= f;
    e.zReal *= f;
}

} // namespace

void ConvertDocumentUnits(NetworkDocument& doc, int newUnits) {
    if (newUnits == doc.units || newUnits < 0 || newUnits > 3 || doc.units < 0 || doc.units > 3) return;
    const double f = doc.convTab[doc.units][newUnits];

    // A-priori standard deviations with a length unit. The Apx entries are standard deviations;
    // the Fix and Unk entries are weights and have no unit.
    for (double* v :
         {&doc.SDDistance, &doc.SDHeight, &doc.SDTheoLocApx, &doc.SDPointLocApx, &doc.SDSBarLength})
        *v *= f;
    // Default scale-bar length, drawing scales (length units per cm) and grid intervals.
    for (double* v : {&doc.defLength, &doc.objScale1, &doc.objScale2, &doc.objScale3, &doc.ellScale,
                      &doc.hInterval, &doc.vInterval})
        *v *= f;

    if (!doc.bTablesCreated) return;
    for (int i = 0; i < doc.nMaxTheos && i < doc.theoList.storage(); ++i) {
        THEODOLITE& t = doc.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        ScaleCoords(t, f);
        t.initDistance *= f;
        for (int k = 0; k < t.dsList.size(); ++k)
            t.dsList[k].distance *= f;
        for (int k = 0; k < t.hdList.size(); ++k)
            t.hdList[k].height *= f;
    }
    for (int i = 0; i < doc.nMaxPoints && i < doc.pointList.storage(); ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) ScaleCoords(doc.pointList[i], f);
    for (int i = 0; i < doc.nMaxSBars && i < doc.sbarList.storage(); ++i) {
        SCALEBAR& s = doc.sbarList[i];
        if (!(s.flags & ELEM_INUSE)) continue;
        ScaleCoords(s, f);
        s.length *= f;
    }
    for (int i = 0; i < doc.nMaxDists && i < doc.distList.storage(); ++i)
        if (doc.distList[i].flags & OBS_INUSE) doc.distList[i].distance *= f;
    for (int i = 0; i < doc.nMaxHeights && i < doc.heightList.storage(); ++i)
        if (doc.heightList[i].flags & OBS_INUSE) doc.heightList[i].height *= f;
}

} // namespace kivo
