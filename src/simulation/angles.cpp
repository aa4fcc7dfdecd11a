#include "simulation/angles.h"

#include <cmath>

namespace kivo {

double HorizontalAngle(double dx, double dy) {
    double a = 0; // gon, (-200, 200]
    if (!(dy == 0 && dx == 0)) a = RadToGon(std::atan2(dy, dx));
    return a > 0 ? 400 - a : std::fabs(a);
}

double ZenithAngle(double dz, double s) {
    double e = 0; // elevation, gon, [-100, 100]
    if (!(dz == 0 && s == 0)) e = RadToGon(std::atan2(dz, s));
    return e > 0 ? 100 - e : std::fabs(e) + 100;
}

StationFrame::StationFrame(double xRotGon, double yRotGon, double zRotGon) {
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

void StationFrame::Angles(double dx, double dy, double dz, double& horzAngle, double& vertAngle) const {
    const double px = m[0][0] * dx + m[0][1] * dy + m[0][2] * dz;
    const double py = m[1][0] * dx + m[1][1] * dy + m[1][2] * dz;
    const double pz = m[2][0] * dx + m[2][1] * dy + m[2][2] * dz;
    const double s = std::sqrt(px * px + py * py);
    horzAngle = HorizontalAngle(px, py);
    vertAngle = ZenithAngle(pz, s);
}

} // namespace kivo
