#include "adjustment/precision.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <Eigen/Dense>

#include "adjustment/live_session.h"
#include "engine/ellipse.h"

namespace kivo {

namespace {
// The factor the ellipses' angles were stored with (radians to gon).
constexpr double kRadToGonStored = 63.66197629629073;

// Variances and covariance of a plane ellipse with semi-axes a, b, the major axis at phi from the
// plane's first axis.
void PlaneCovariance(double a, double b, double phiGon, double& c11, double& c22, double& c12) {
    const double phi = phiGon / kRadToGonStored;
    const double c = std::cos(phi), s = std::sin(phi);
    c11 = a * a * c * c + b * b * s * s;
    c22 = a * a * s * s + b * b * c * c;
    c12 = (a * a - b * b) * s * c;
}
} // namespace

double LargestAxis(const COMMON& e) {
    const double a[3] = {e.A[0], e.A[1], e.A[2]}, b[3] = {e.B[0], e.B[1], e.B[2]};
    const double phi[3] = {e.phi[0], e.phi[1], e.phi[2]};
    if (a[0] == 0 && a[1] == 0 && a[2] == 0) return 0.0;
    double xx, yy, xy, xx2, zz, xz, yy2, zz2, yz;
    PlaneCovariance(a[0], b[0], phi[0], xx, yy, xy);   // plan: x, y
    PlaneCovariance(a[1], b[1], phi[1], xx2, zz, xz);  // side: x, z
    PlaneCovariance(a[2], b[2], phi[2], yy2, zz2, yz); // end: y, z
    Eigen::Matrix3d c;
    c << xx, xy, xz, xy, yy, yz, xz, yz, zz;
    return eng::ellipsoidAxes(c)(0);
}

Judgement Judge(const kivoMDIClient& doc, const COMMON& e) {
    if (!doc.precision.isSet() || !doc.bValEllip) return Judgement::None;
    const double axis = LargestAxis(e);
    if (!(axis > 0.0)) return Judgement::None;
    return doc.precision.within(axis, doc.convTab[UNITS_METERS][doc.units]) ? Judgement::Within
                                                                            : Judgement::Outside;
}

std::string RelativePrecisionText(const kivoMDIClient& doc) {
    if (!doc.bValEllip) return {};
    std::vector<std::pair<int, int>> marked;
    for (int i : doc.theoList.Marked())
        if (i < doc.nMaxTheos && (doc.theoList[i].flags & ELEM_INUSE)) marked.emplace_back(SEL_THEO, i);
    for (int i : doc.pointList.Marked())
        if (i < doc.nMaxPoints && (doc.pointList[i].flags & ELEM_INUSE)) marked.emplace_back(SEL_POINT, i);
    if (marked.size() != 2) return {};
    // The tables as the observations stand: reading them changes nothing in the document.
    auto s = LivePrecisionSession::Take(doc, SEL_NONE, -1);
    double distance = 0.0, sd = 0.0;
    if (!s->Setup() ||
        !s->Relative(marked[0].first, marked[0].second, marked[1].first, marked[1].second, distance, sd))
        return {};
    // A distance is one-dimensional: its 95 % interval is 1.96 standard deviations.
    constexpr double k95Line = 1.96;
    const bool p95 = doc.precision.confidence95;
    const double perLength = ErrorUnitsPerLength(doc.units);
    auto name = [&](const std::pair<int, int>& m) {
        const COMMON& c = m.first == SEL_THEO ? static_cast<const COMMON&>(doc.theoList[m.second])
                                              : static_cast<const COMMON&>(doc.pointList[m.second]);
        return std::string(c.name, strnlen(c.name, sizeof c.name));
    };
    static const char* const lengthUnit[] = {"m", "mm", "feet", "in"};
    char text[200];
    std::snprintf(text, sizeof text, "%s - %s: distance %.4f %s, %s %.4g %s", name(marked[0]).c_str(),
                  name(marked[1]).c_str(), distance, lengthUnit[doc.units & 3], p95 ? "95 %" : "sd",
                  sd * (p95 ? k95Line : 1.0) * perLength, ErrorUnitName(doc.units));
    return text;
}

double ErrorUnitsPerLength(int units) {
    switch (units) {
    case UNITS_MM:
        return 1.0;
    case UNITS_FEET:
        return 12000.0;
    case UNITS_INCHES:
        return 1000.0;
    default:
        return 1000.0;
    }
}

const char* ErrorUnitName(int units) {
    return units == UNITS_FEET || units == UNITS_INCHES ? "mils" : "mm";
}

} // namespace kivo
