#include "model/view_zoom.h"

#include <algorithm>
#include <cmath>

namespace kivo {

PlaneBox LimitPlaneBox(const ProjectSettings& s, int view) {
    switch (view) {
    case 0:
        return {s.xMin, s.xMax, s.yMin, s.yMax, true};
    case 1:
        return {s.xMin, s.xMax, s.zMin, s.zMax, true};
    default:
        return {s.yMin, s.yMax, s.zMin, s.zMax, true};
    }
}

PlaneBox NetworkPlaneBox(const NetworkStore& n, int view) {
    PlaneBox b;
    auto add = [&](const COMMON& e) {
        if (!(e.flags & ELEM_INUSE)) return;
        const double x = e.xReal, y = e.yReal, z = e.zReal; // packed fields: copied
        const double u = view == 2 ? y : x, w = view == 0 ? y : z;
        if (!std::isfinite(u) || !std::isfinite(w)) return;
        if (!b.valid) {
            b = {u, u, w, w, true};
            return;
        }
        b.uMin = std::min(b.uMin, u), b.uMax = std::max(b.uMax, u);
        b.wMin = std::min(b.wMin, w), b.wMax = std::max(b.wMax, w);
    };
    if (!n.bTablesCreated) return b;
    for (int i = 0; i < n.nMaxTheos; ++i)
        add(n.theoList[i]);
    for (int i = 0; i < n.nMaxPoints; ++i)
        add(n.pointList[i]);
    for (int i = 0; i < n.nMaxSBars; ++i)
        add(n.sbarList[i]);
    return b;
}

PlaneBox FitTarget(const ProjectSettings& s, const NetworkStore& n, int view) {
    const PlaneBox limits = LimitPlaneBox(s, view);
    const PlaneBox net = NetworkPlaneBox(n, view);
    if (!net.valid) return limits;
    PlaneBox b{std::max(net.uMin, limits.uMin), std::min(net.uMax, limits.uMax),
               std::max(net.wMin, limits.wMin), std::min(net.wMax, limits.wMax), true};
    if (b.width() < 0 || b.height() < 0) return limits;   // wholly outside
    if (b.width() == 0 && b.height() == 0) return limits; // a single spot
    return b;
}

double& HorzScale(ProjectSettings& s, int view) {
    return view == 2 ? s.objScale2 : s.objScale1;
}

double& VertScale(ProjectSettings& s, int view) {
    return view == 0 ? s.objScale2 : s.objScale3;
}

double RoundScale(double scale, bool up, bool hundredths) {
    const double lowest = hundredths ? kMinDrawingScale : 1e-12;
    if (!(scale > lowest)) return lowest;
    if (!std::isfinite(scale)) return scale;
    // Three significant digits, for the project's scales never finer than the hundredths.
    double step = std::pow(10.0, std::floor(std::log10(scale)) - 2);
    if (hundredths) step = std::max(step, 0.01);
    const double q = scale / step;
    // A quotient a hair above a whole number from the division is that number.
    const double n = up ? std::ceil(q - 1e-9) : std::round(q);
    return std::max(n * step, lowest);
}

double ZoomedScale(double scale, double factor) {
    if (!(factor > 0) || !(scale > 0) || factor == 1) return scale;
    const double s = RoundScale(scale / factor, false);
    if (s != scale) return s;
    // Among the hundredths one step of the zoom may round back to where it started.
    return RoundScale(factor > 1 ? scale - 0.01 : scale + 0.01, false);
}

double FitFactor(double width, double height, double hPixPerCm, double vPixPerCm, int availH, int availV,
                 double hs, double vs) {
    if (!(hs > 0) || !(vs > 0) || !(hPixPerCm > 0) || !(vPixPerCm > 0)) return 0;
    double k = 0;
    if (width > 0) {
        if (availH <= 0) return 0;
        k = std::max(k, width * hPixPerCm / (hs * availH));
    }
    if (height > 0) {
        if (availV <= 0) return 0;
        k = std::max(k, height * vPixPerCm / (vs * availV));
    }
    return k > 0 && std::isfinite(k) ? k : 0;
}

bool FitScales(double width, double height, double hPixPerCm, double vPixPerCm, int availH, int availV,
               double& hs, double& vs, bool hundredths) {
    const double k = FitFactor(width, height, hPixPerCm, vPixPerCm, availH, availV, hs, vs);
    if (k == 0) return false;
    hs = RoundScale(hs * k, true, hundredths);
    vs = RoundScale(vs * k, true, hundredths);
    return true;
}

bool ZoomAllScales(ProjectSettings& s, double factor) {
    bool changed = false;
    for (double* scale : {&s.objScale1, &s.objScale2, &s.objScale3}) {
        const double z = ZoomedScale(*scale, factor);
        changed = changed || z != *scale;
        *scale = z;
    }
    return changed;
}

void ScaleAllScales(ProjectSettings& s, double k) {
    for (double* scale : {&s.objScale1, &s.objScale2, &s.objScale3})
        *scale = RoundScale(*scale * k, true);
}

} // namespace kivo
