#include "adjustment/ellipsoid.h"

#include <algorithm>
#include <cmath>

#include <Eigen/Core>

#include "adjustment/kivoMDIClient.h"
#include "engine/ellipse.h"
#include "model/element_names.h"
#include "simulation/angles.h"

namespace kivo {

namespace {

// The 2x2 covariance of a plane ellipse: semi-axes a, b, the major axis at phi (gon) from the
// plane's first axis toward its second.
struct Plane {
    double uu, vv, uv;
};
Plane PlaneCovariance(double a, double b, double phiGon) {
    const double t = GonToRad(phiGon), c = std::cos(t), s = std::sin(t);
    const double a2 = a * a, b2 = b * b;
    return {a2 * c * c + b2 * s * s, a2 * s * s + b2 * c * c, (a2 - b2) * s * c};
}

} // namespace

bool PositionCovariance(const COMMON& c, double q[3][3]) {
    if (c.A[0] == 0 && c.A[1] == 0 && c.A[2] == 0) return false;
    // Planes: 0 = x-y, 1 = x-z, 2 = y-z.
    const Plane xy = PlaneCovariance(c.A[0], c.B[0], c.phi[0]);
    const Plane xz = PlaneCovariance(c.A[1], c.B[1], c.phi[1]);
    const Plane yz = PlaneCovariance(c.A[2], c.B[2], c.phi[2]);
    const double m[3][3] = {{xy.uu, xy.uv, xz.uv}, {xy.uv, xy.vv, yz.uv}, {xz.uv, yz.uv, xz.vv}};
    for (const auto& row : m)
        for (double v : row)
            if (!std::isfinite(v)) return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            q[i][j] = m[i][j];
    return true;
}

double LargestEllipsoidAxis(const COMMON& c) {
    double m[3][3];
    if (!PositionCovariance(c, m)) return 0.0;
    Eigen::Matrix3d q;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            q(i, j) = m[i][j];
    // The engine's own routine, so that the figure is the one its listing prints.
    const double largest = eng::ellipsoidAxes(q)(0);
    return largest > 0.0 ? largest : 0.0;
}

PrecisionFigures SummarisePrecision(const kivoMDIClient& doc) {
    PrecisionFigures f;
    auto consider = [&f](const COMMON& c) {
        if (!(c.flags & ELEM_INUSE)) return;
        if (const double a = LargestEllipsoidAxis(c); a > f.largestAxis) {
            f.largestAxis = a;
            f.largestName = ShownName(c);
        }
    };
    for (int i = 0; i < doc.nMaxTheos; ++i)
        consider(doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        consider(doc.pointList[i]);
    f.leftOut = static_cast<int>(doc.leftOutMarks.size());
    return f;
}

} // namespace kivo
