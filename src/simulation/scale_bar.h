#pragma once
// The two ends of a scale bar. A bar is stored by its centre C, its length l and two whole-gon
// angles: az = azimuth (horizontal direction of the bar axis, same sense as the horizontal-angle
// rule's grid: sin az along x, cos az along y) and va = vertAngle (zenith angle of the axis, 100 =
// level). With r = l / 2 the end offset is the vector of length r along the axis,
//     D = r (sin va sin az, sin va cos az, cos va),
// and the ends are L = C + D ("name" + "L") and R = C - D ("name" + "R"). This is the one place
// the ends are formed: the ideal angles, the adjustment input file and the engine tables use it.

#include <cmath>

#include "model/records.h"
#include "simulation/angles.h"

namespace kivo {

struct Vec3 {
    double x, y, z;
};

// End offset D for the half length r (length unit) and the bar angles in gon.
inline Vec3 ScaleBarEndOffset(double r, double azimuthGon, double vertAngleGon) {
    const double az = GonToRad(azimuthGon);
    const double va = GonToRad(vertAngleGon);
    const double h = r * std::sin(va);
    return {h * std::sin(az), h * std::cos(az), r * std::cos(va)};
}

// Both end points of a bar: left = C + D, right = C - D.
inline void ScaleBarEnds(const SCALEBAR& bar, Vec3& left, Vec3& right) {
    const Vec3 d = ScaleBarEndOffset(0.5 * bar.length, bar.azimuth, bar.vertAngle);
    left = {bar.xReal + d.x, bar.yReal + d.y, bar.zReal + d.z};
    right = {bar.xReal - d.x, bar.yReal - d.y, bar.zReal - d.z};
}

} // namespace kivo
