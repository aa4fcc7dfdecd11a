#pragma once
// Angles of the whole system are in gon (400 to the circle): horizontal angles in [0, 400), zenith
// angles in [0, 200] (0 straight up, 100 level, 200 straight down). Radians exist only inside
// computations. Every conversion takes pi as 3.1415927 (not the full-precision value); the constants
// are applied in extended precision (long double) and the result rounded to double.
//
// The simulation, the input-file writer and the engine run share these helpers, so that an
// observation computed here and one formed by the engine agree to the last bit. Header-only, so
// that the engine library can use it without linking the document.

#include <cmath>

namespace kivo {

// gon -> radian: g x 3.1415927 x 0.005, multiplied in this order.
inline double GonToRad(double g) {
    return static_cast<double>(static_cast<long double>(g) * 3.1415927L * 0.005L);
}

// radian -> gon: r x 200 x 0.31830988148145367 (the reciprocal of 3.1415927).
inline double RadToGon(double r) {
    return static_cast<double>(static_cast<long double>(r) * 200.0L * 0.31830988148145367L);
}

// Horizontal-angle rule: the angle of the difference (dx, dy), gon in [0, 400), measured from +x
// turning away from +y: +x gives 0, +y gives 300, -y gives 100, -x gives 200. (0, 0) gives 0.
inline double HorizontalAngle(double dx, double dy) {
    double a = 0; // gon, (-200, 200]
    if (!(dy == 0 && dx == 0)) a = RadToGon(std::atan2(dy, dx));
    return a > 0 ? 400 - a : std::fabs(a);
}

// Zenith-angle rule: the zenith angle, gon in [0, 200], of a target dz above the station at the
// horizontal length s >= 0: above gives < 100, level 100, below > 100; dz = s = 0 gives 100.
inline double ZenithAngle(double dz, double s) {
    double e = 0; // elevation, gon, [-100, 100]
    if (!(dz == 0 && s == 0)) e = RadToGon(std::atan2(dz, s));
    return e > 0 ? 100 - e : std::fabs(e) + 100;
}

// The instrument frame of a station with rotations x, y, z (gon): d' = M d with
// M = Mz(z) My(y) Mx(x), the frame rotated about x first, then y, then z:
//   Mx = [[1, 0, 0], [0, cx, sx], [0, -sx, cx]]
//   My = [[cy, 0, -sy], [0, 1, 0], [sy, 0, cy]]
//   Mz = [[cz, sz, 0], [-sz, cz, 0], [0, 0, 1]]
// With all rotations 0, M is the identity and the angles are grid angles.
class StationFrame {
public:
    StationFrame(double xRotGon, double yRotGon, double zRotGon) {
        const double x = GonToRad(xRotGon), y = GonToRad(yRotGon), z = GonToRad(zRotGon);
        const double cx = std::cos(x), sx = std::sin(x);
        const double cy = std::cos(y), sy = std::sin(y);
        const double cz = std::cos(z), sz = std::sin(z);
        m[0][0] = cy * cz;
        m[0][1] = sx * sy * cz + cx * sz;
        m[0][2] = sx * sz - cx * sy * cz;
        m[1][0] = -cy * sz;
        m[1][1] = cx * cz - sx * sy * sz;
        m[1][2] = sx * cz + cx * sy * sz;
        m[2][0] = sy;
        m[2][1] = -sx * cy;
        m[2][2] = cx * cy;
    }

    // Horizontal and zenith angle (gon) of the difference d = target - station, as the rotated
    // instrument reads it: the horizontal rule on (d'.x, d'.y), the zenith rule on d'.z and
    // s' = sqrt(d'.x^2 + d'.y^2).
    void Angles(double dx, double dy, double dz, double& horzAngle, double& vertAngle) const {
        const double px = m[0][0] * dx + m[0][1] * dy + m[0][2] * dz;
        const double py = m[1][0] * dx + m[1][1] * dy + m[1][2] * dz;
        const double pz = m[2][0] * dx + m[2][1] * dy + m[2][2] * dz;
        horzAngle = HorizontalAngle(px, py);
        vertAngle = ZenithAngle(pz, std::sqrt(px * px + py * py));
    }

    double m[3][3];
};

} // namespace kivo
