#pragma once
// Angles of the whole system are in gon (400 to the circle): horizontal angles in [0, 400), zenith
// angles in [0, 200] (0 straight up, 100 level, 200 straight down). Radians exist only inside
// computations. Every conversion takes pi as 3.1415927 (not the full-precision value); the constants
// are applied in extended precision (long double) and the result rounded to double.
//
// The simulation, the input-file writer and the engine run share these helpers, so that an
// observation computed here and one formed by the engine agree to the last bit.

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
double HorizontalAngle(double dx, double dy);

// Zenith-angle rule: the zenith angle, gon in [0, 200], of a target dz above the station at the
// horizontal length s >= 0: above gives < 100, level 100, below > 100; dz = s = 0 gives 100.
double ZenithAngle(double dz, double s);

// The instrument frame of a station with rotations x, y, z (gon): d' = M d with
// M = Mz(z) My(y) Mx(x), the frame rotated about x first, then y, then z:
//   Mx = [[1, 0, 0], [0, cx, sx], [0, -sx, cx]]
//   My = [[cy, 0, -sy], [0, 1, 0], [sy, 0, cy]]
//   Mz = [[cz, sz, 0], [-sz, cz, 0], [0, 0, 1]]
// With all rotations 0, M is the identity and the angles are grid angles.
class StationFrame {
public:
    StationFrame(double xRotGon, double yRotGon, double zRotGon);

    // Horizontal and zenith angle (gon) of the difference d = target - station, as the rotated
    // instrument reads it.
    void Angles(double dx, double dy, double dz, double& horzAngle, double& vertAngle) const;

    double m[3][3];
};

} // namespace kivo
