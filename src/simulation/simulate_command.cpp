// Measure > Update Measurements: every observation value recomputed from the coordinates.

#include <string>

#include "simulation/simulation.h"

namespace kivo {

namespace {

template <class List> int ValidIn(const List& list) {
    int n = 0;
    for (const auto& e : list.items())
        if (e.flags & OBS_VALID) ++n;
    return n;
}

} // namespace

// Nothing is redrawn and no flag changes: the values are there for the next export or run. The
// status bar says how many observations now hold a value.
void Simulation::CmSimulate() {
    NamedChange change(*this, "Update Measurements");
    ChangeKeepsListing(); // Calculate computes the same values afresh from the coordinates
    host_->SetCursor(CursorKind::HourGlass);
    RunSimulation();
    host_->SetCursor(CursorKind::Arrow);
    int count = 0;
    for (int i = 0; i < nMaxTheos; ++i) {
        const THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        count +=
            ValidIn(t.thList) + ValidIn(t.ptList) + ValidIn(t.sbList) + ValidIn(t.dsList) + ValidIn(t.hdList);
    }
    for (int i = 0; i < nMaxDists; ++i)
        if ((distList[i].flags & OBS_INUSE) && (distList[i].flags & OBS_VALID)) ++count;
    for (int i = 0; i < nMaxHeights; ++i)
        if ((heightList[i].flags & OBS_INUSE) && (heightList[i].flags & OBS_VALID)) ++count;
    StatBarMessage("Measurements updated: " + std::to_string(count) +
                   (count == 1 ? " observation computed" : " observations computed"));
}

} // namespace kivo
