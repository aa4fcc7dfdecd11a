// The two steps every simulation run starts with: the axis angles and the initial sighting.

#include <cmath>
#include <string>

#include "simulation/angles.h"
#include "simulation/simulation.h"

namespace kivo {

void Simulation::CalcAxisOrient() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        t.longAxisHAngle = 0;
        t.longAxisVAngle = 100;
        t.travAxisHAngle = 300;
        t.travAxisVAngle = 100;
    }
}

namespace {

// Initial sighting along the difference d (length unit): grid angles, no rotations applied.
void SetInitialSighting(THEODOLITE& t, double dx, double dy, double dz) {
    const double s = std::sqrt(dx * dx + dy * dy);
    t.initHAngle = HorizontalAngle(dx, dy);
    t.initVAngle = ZenithAngle(dz, s);
    t.initDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

// orient 0: every theodolite is sighted from the reference theodolite in slot 0, with the
// difference station minus reference. orient 1: each theodolite sights the first point of its
// point-direction list whose x, y and z are all fixed, with the difference point minus station.
void Simulation::CalcTheoLocation() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        if (orient == 0) {
            t.initTarget = 0;
            const THEODOLITE& ref = theoList[0];
            SetInitialSighting(t, t.xReal - ref.xReal, t.yReal - ref.yReal, t.zReal - ref.zReal);
            continue;
        }
        if (t.ptCount <= 0) continue;
        int chosen = -1;
        for (int k = 0; k < t.ptList.size(); ++k) {
            const int p = t.ptList[k].target;
            if ((pointList[p].coordStat & 0x2A) == 0x2A) {
                chosen = p;
                break;
            }
        }
        if (chosen < 0) {
            StatBarMessage("Warning : " + std::string(t.name) + "\nNo direction to a fixed point");
            continue;
        }
        const OBJECTPOINT& p = pointList[chosen];
        SetInitialSighting(t, p.xReal - t.xReal, p.yReal - t.yReal, p.zReal - t.zReal);
    }
}

} // namespace kivo
