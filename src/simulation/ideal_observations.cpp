// Ideal observations: the values of declared observations computed from the design coordinates.
// Angles in gon as the station's rotated instrument reads them; distances and heights in the
// project's length unit.

#include <cmath>

#include "simulation/angles.h"
#include "simulation/scale_bar.h"
#include "simulation/simulation.h"

namespace kivo {

namespace {

StationFrame FrameOf(const THEODOLITE& t) {
    return StationFrame(t.xRotation, t.yRotation, t.zRotation);
}

void FrameAngles(const StationFrame& f, const COMMON& s, double tx, double ty, double tz, double& h,
                 double& v) {
    f.Angles(tx - s.xReal, ty - s.yReal, tz - s.zReal, h, v);
}

void FrameSBarAngles(const StationFrame& f, const THEODOLITE& s, const SCALEBAR& bar, double sbarlen,
                     double azimuth, double vertAngle, double& h1, double& v1, double& h2, double& v2) {
    const Vec3 d = ScaleBarEndOffset(sbarlen, azimuth, vertAngle);
    FrameAngles(f, s, bar.xReal + d.x, bar.yReal + d.y, bar.zReal + d.z, h1, v1);
    FrameAngles(f, s, bar.xReal - d.x, bar.yReal - d.y, bar.zReal - d.z, h2, v2);
}

double Distance(const COMMON& a, const COMMON& b) {
    const double dx = b.xReal - a.xReal, dy = b.yReal - a.yReal, dz = b.zReal - a.zReal;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

void Simulation::CalcTheoAngle(int theo1, int theo2, double& horzAngle, double& vertAngle) const {
    const THEODOLITE& s = theoList[theo1];
    const THEODOLITE& t = theoList[theo2];
    FrameAngles(FrameOf(s), s, t.xReal, t.yReal, t.zReal, horzAngle, vertAngle);
}

void Simulation::CalcPointAngle(int theo, int point, double& horzAngle, double& vertAngle) const {
    const THEODOLITE& s = theoList[theo];
    const OBJECTPOINT& p = pointList[point];
    FrameAngles(FrameOf(s), s, p.xReal, p.yReal, p.zReal, horzAngle, vertAngle);
}

// sbarlen is the half length r; results 1 are the L end (C + D), results 2 the R end (C - D).
void Simulation::CalcSBarAngle(int theo, int sbar, double sbarlen, double azimuth, double vertAngle,
                               double& horzAngle1, double& vertAngle1, double& horzAngle2,
                               double& vertAngle2) const {
    const THEODOLITE& s = theoList[theo];
    FrameSBarAngles(FrameOf(s), s, sbarList[sbar], sbarlen, azimuth, vertAngle, horzAngle1, vertAngle1,
                    horzAngle2, vertAngle2);
}

void Simulation::CalcDistance(int theo, int point, double& dist) const {
    dist = Distance(theoList[theo], pointList[point]);
}

void Simulation::CalcPtDistance(int source, int target, double& dist) const {
    dist = Distance(pointList[source], pointList[target]);
}

// Height difference station minus target: a point below the theodolite gives a positive value.
void Simulation::CalcHeight(int theo, int point, double& height) const {
    height = theoList[theo].zReal - pointList[point].zReal;
}

void Simulation::CalcPtHeight(int source, int target, double& height) const {
    height = pointList[source].zReal - pointList[target].zReal;
}

// The table-wide operations form each station's frame once and apply it to every entry; the
// per-observation operations above give the same values bit for bit. Results go through locals:
// the records are packed, so their fields are never bound to references.

void Simulation::CalcAllTheoAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& s = theoList[i];
        if (!(s.flags & ELEM_INUSE) || s.thCount <= 0) continue;
        const StationFrame f = FrameOf(s);
        for (int k = 0; k < s.thList.size(); ++k) {
            CONNECT1& e = s.thList[k];
            if (!(e.flags & OBS_IDEAL)) continue;
            const THEODOLITE& t = theoList[e.target];
            double h, v;
            FrameAngles(f, s, t.xReal, t.yReal, t.zReal, h, v);
            e.hAngle = h;
            e.vAngle = v;
            e.flags |= OBS_VALID;
        }
    }
}

void Simulation::CalcAllPointAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& s = theoList[i];
        if (!(s.flags & ELEM_INUSE) || s.ptCount <= 0) continue;
        const StationFrame f = FrameOf(s);
        for (int k = 0; k < s.ptList.size(); ++k) {
            CONNECT1& e = s.ptList[k];
            if (!(e.flags & OBS_IDEAL)) continue;
            const OBJECTPOINT& p = pointList[e.target];
            double h, v;
            FrameAngles(f, s, p.xReal, p.yReal, p.zReal, h, v);
            e.hAngle = h;
            e.vAngle = v;
            e.flags |= OBS_VALID;
        }
    }
}

void Simulation::CalcAllSBarAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& s = theoList[i];
        if (!(s.flags & ELEM_INUSE) || s.sbCount <= 0) continue;
        const StationFrame f = FrameOf(s);
        for (int k = 0; k < s.sbList.size(); ++k) {
            CONNECT2& e = s.sbList[k];
            if (!(e.flags & OBS_IDEAL)) continue;
            const SCALEBAR& bar = sbarList[e.target];
            double h1, v1, h2, v2;
            FrameSBarAngles(f, s, bar, 0.5 * bar.length, bar.azimuth, bar.vertAngle, h1, v1, h2, v2);
            e.hLAngle = h1;
            e.vLAngle = v1;
            e.hRAngle = h2;
            e.vRAngle = v2;
            e.flags |= OBS_VALID;
        }
    }
}

void Simulation::CalcAllDistances() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& s = theoList[i];
        if (!(s.flags & ELEM_INUSE) || s.dsCount <= 0) continue;
        for (int k = 0; k < s.dsList.size(); ++k) {
            CONNECT3& e = s.dsList[k];
            if (!(e.flags & OBS_IDEAL)) continue;
            double d;
            CalcDistance(i, e.target, d);
            e.distance = d;
            e.flags |= OBS_VALID;
        }
    }
    for (int i = 0; i < nMaxDists; ++i) {
        CONNECT4& e = distList[i];
        if (!(e.flags & OBS_INUSE) || !(e.flags & OBS_IDEAL)) continue;
        double d;
        CalcPtDistance(e.source, e.target, d);
        e.distance = d;
        e.flags |= OBS_VALID;
    }
}

void Simulation::CalcAllHeights() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& s = theoList[i];
        if (!(s.flags & ELEM_INUSE) || s.hdCount <= 0) continue;
        for (int k = 0; k < s.hdList.size(); ++k) {
            CONNECT6& e = s.hdList[k];
            if (!(e.flags & OBS_IDEAL)) continue;
            double d;
            CalcHeight(i, e.target, d);
            e.height = d;
            e.flags |= OBS_VALID;
        }
    }
    for (int i = 0; i < nMaxHeights; ++i) {
        CONNECT5& e = heightList[i];
        if (!(e.flags & OBS_INUSE) || !(e.flags & OBS_IDEAL)) continue;
        double d;
        CalcPtHeight(e.source, e.target, d);
        e.height = d;
        e.flags |= OBS_VALID;
    }
}

void Simulation::RunSimulation() {
    CalcAxisOrient();
    CalcTheoLocation();
    if (bIdeals) {
        CalcAllTheoAngles();
        CalcAllPointAngles();
        CalcAllSBarAngles();
        CalcAllDistances();
        CalcAllHeights();
    } else {
        CalcAllMeanTheoAngles();
        CalcAllMeanPointAngles();
        CalcAllMeanSBarAngles();
        CalcAllMeanDistances();
        CalcAllMeanHeights();
    }
}

} // namespace kivo
