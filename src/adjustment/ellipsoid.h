#pragma once
// The error ellipsoid of an element from the three plane ellipses it stores. Each plane ellipse is
// the position covariance seen in that plane, so together they hold the whole 3x3 covariance of
// the element's position; its largest eigenvalue gives the largest semi-axis of the ellipsoid.

#include <string>

#include "model/records.h"

namespace kivo {

class kivoMDIClient;

// The 3x3 covariance of the element's position (rows and columns x, y, z; length unit squared)
// rebuilt from its plane ellipses: the x-y plane gives the xx, yy and xy terms, the x-z plane the
// zz and xz terms, the y-z plane the yz term. False (q untouched) when the element has no
// ellipses or they are not finite.
bool PositionCovariance(const COMMON& c, double q[3][3]);

// The largest 1-sigma semi-axis of the element's error ellipsoid, in the length unit (0 for an
// element without ellipses: fixed, left out, or not yet calculated).
double LargestEllipsoidAxis(const COMMON& c);

// What the last Calculate found over the theodolites and points in use.
struct PrecisionFigures {
    double largestAxis = 0.0; // the largest 1-sigma ellipsoid semi-axis of any of them
    std::string largestName;  // whose it is, as ShownName gives it (empty when every axis is 0)
    int leftOut = 0;          // elements left out of the adjustment (scale bars included)
};
PrecisionFigures SummarisePrecision(const kivoMDIClient& doc);

} // namespace kivo
