// Design advice on the document, through the engine's low-rank updates of the last run's covariance.

#include "adjustment/design_advice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "adjustment/kivoMDIClient.h"
#include "engine/advice.h"
#include "engine/project.h"
#include "model/element_names.h"

namespace kivo {

namespace {

// The worst element as the advice names it to the user: form name and view label.
std::string NameOf(const COMMON& c) {
    return ShownName(c);
}

// Targets the advice may sight: the points (not the scale-bar ends).
std::vector<char> PointTargets(const kivoMDIClient& doc) {
    std::vector<char> mask;
    for (int slot : doc.RunTargetSlots())
        mask.push_back(slot >= 0 ? 1 : 0);
    return mask;
}

const char* NoRun(const kivoMDIClient& doc) {
    if (!doc.lastRunTables) return "Calculate the network first.";
    if (doc.lastCalculateResult != 0) return "The last Calculate failed; the listing says why.";
    return nullptr;
}

} // namespace

SightingAdviceResult SuggestSightings(const kivoMDIClient& doc, int top) {
    SightingAdviceResult out;
    if (const char* why = NoRun(doc)) {
        out.why = why;
        return out;
    }
    eng::SightingOptions o;
    o.sdDirection = doc.hSDAngle;
    o.sdZenith = doc.vSDAngle;
    o.sdDistance = doc.SDDistance;
    o.targets = PointTargets(doc);
    o.top = top;
    if (doc.precision.isSet()) {
        o.tolerance = doc.precision.toleranceIn(doc.convTab[UNITS_METERS][doc.units]);
        o.factor = doc.precision.ellipsoidFactor();
    }
    const eng::SightingAdvice a = eng::adviseSightings(*doc.lastRunTables, o);
    if (!a.ok) {
        out.why = a.why;
        return out;
    }
    const std::vector<int>& stations = doc.RunStationSlots();
    const std::vector<int>& targets = doc.RunTargetSlots();
    const int nsta = static_cast<int>(stations.size());
    if (a.worst >= 0 && a.worst < nsta)
        out.worst = NameOf(doc.theoList[stations[static_cast<std::size_t>(a.worst)]]);
    else if (a.worst >= nsta && static_cast<std::size_t>(a.worst - nsta) < targets.size()) {
        const int slot = targets[static_cast<std::size_t>(a.worst - nsta)];
        out.worst = slot >= 0 ? NameOf(doc.pointList[slot]) : doc.lastRunTables->tar[a.worst - nsta].nam;
    }
    out.worstAxis = a.worstAxis;
    out.outside = a.outside;
    for (const eng::Suggestion& s : a.ranked) {
        if (s.station < 0 || s.station >= nsta || s.target < 0 ||
            static_cast<std::size_t>(s.target) >= targets.size() ||
            targets[static_cast<std::size_t>(s.target)] < 0)
            continue;
        out.ranked.push_back({stations[static_cast<std::size_t>(s.station)],
                              targets[static_cast<std::size_t>(s.target)], s.distance, s.gain, s.axisAfter,
                              s.broughtWithin});
    }
    out.ok = true;
    return out;
}

bool AddSuggestedSighting(kivoMDIClient& doc, const SightingSuggestion& s) {
    if (s.theo < 0 || s.theo >= doc.nMaxTheos || s.point < 0 || s.point >= doc.nMaxPoints) return false;
    if (!(doc.theoList[s.theo].flags & ELEM_INUSE) || !(doc.pointList[s.point].flags & ELEM_INUSE))
        return false;
    NamedChange change(doc, s.distance ? "Add Suggested Distance" : "Add Suggested Direction");
    THEODOLITE& t = doc.theoList[s.theo];
    const int before = s.distance ? t.dsList.size() : t.ptList.size();
    // The tools add from the marked theodolites (and, for distances, the marked points): mark this
    // theodolite alone for the call and give the user's marks back afterwards.
    const std::set<int> theos = doc.theoList.Marked(), points = doc.pointList.Marked();
    for (int i : theos)
        doc.theoList.Mark(i, false);
    for (int i : points)
        doc.pointList.Mark(i, false);
    doc.theoList.Mark(s.theo, true);
    if (s.distance)
        doc.NewDistance(nullptr, 0, s.point);
    else
        doc.NewPtDirect(nullptr, 0, s.point);
    doc.theoList.Mark(s.theo, false);
    for (int i : theos)
        doc.theoList.Mark(i, true);
    for (int i : points)
        doc.pointList.Mark(i, true);
    const bool added = (s.distance ? t.dsList.size() : t.ptList.size()) > before;
    if (added) doc.bFileDirty = true;
    return added;
}

StationFieldJob PrepareStationField(const kivoMDIClient& doc, double range, int nx, int ny) {
    StationFieldJob job;
    if (const char* why = NoRun(doc)) {
        job.why = why;
        return job;
    }
    if (nx < 1 || ny < 1 || nx > 1000 || ny > 1000) {
        job.why = "The grid needs 1 to 1000 cells each way.";
        return job;
    }
    eng::HeatMapOptions o;
    o.xMin = doc.xMin, o.xMax = doc.xMax, o.yMin = doc.yMin, o.yMax = doc.yMax, o.z = doc.zDef;
    o.nx = nx, o.ny = ny;
    o.range = std::max(range, 0.0);
    o.sdDirection = doc.hSDAngle;
    o.sdZenith = doc.vSDAngle;
    o.targets = PointTargets(doc);
    // A new theodolite's components are unknowns, less what the dimension fixes.
    for (int k = 0; k < 6; ++k)
        o.unknown[k] =
            !((doc.dimension == 1 && (k < 2 || k >= 3)) || (doc.dimension == 2 && k >= 2 && k <= 4));
    std::shared_ptr<const project> tables = doc.lastRunTables;
    job.run = [tables, o](const std::atomic<bool>* cancel, const std::function<void(int, int)>& progress) {
        const eng::HeatMap h = eng::stationHeatMap(*tables, o, cancel, progress);
        StationField f;
        f.ok = h.ok;
        f.cancelled = h.cancelled;
        f.why = h.why;
        f.nx = o.nx, f.ny = o.ny;
        f.xMin = o.xMin, f.xMax = o.xMax, f.yMin = o.yMin, f.yMax = o.yMax, f.z = o.z;
        f.range = o.range;
        f.current = h.current;
        f.value = h.value;
        f.sighted = h.sighted;
        if (!f.value.empty()) {
            const auto best = std::min_element(f.value.begin(), f.value.end());
            f.best = *best;
            f.bestCell = static_cast<int>(best - f.value.begin());
        }
        return f;
    };
    return job;
}

int PlaceStationFromField(kivoMDIClient& doc, const StationField& f, int cell) {
    if (cell < 0 || cell >= f.nx * f.ny) return -1;
    const double x = f.cellX(cell % f.nx), y = f.cellY(cell / f.nx);
    NamedChange change(doc, "Place Theodolite from the Heat Map"); // with its sightings, one step
    const int slot = doc.PlaceElement(MODE_THEO, 0, x, y);
    if (slot < 0) return -1;
    const THEODOLITE& t = doc.theoList[slot];
    for (int i = 0; i < doc.nMaxPoints; ++i) {
        const OBJECTPOINT& p = doc.pointList[i];
        if (!(p.flags & ELEM_INUSE)) continue;
        const double dx = p.xReal - t.xReal, dy = p.yReal - t.yReal, dz = p.zReal - t.zReal;
        if (f.range > 0.0 && std::sqrt(dx * dx + dy * dy + dz * dz) > f.range) continue;
        if (std::hypot(dx, dy) <= 1e-9 * std::sqrt(dx * dx + dy * dy + dz * dz) + 1e-12) continue; // vertical
        AddSuggestedSighting(doc, {slot, i, false});
    }
    doc.bFileDirty = true;
    doc.bValEllip = false;
    return slot;
}

} // namespace kivo
