#pragma once
// The session's tolerance applied to the elements: the largest semi-axis of an element's error
// ellipsoid, taken from the three plane ellipses it stores (they are the marginals of one 3x3
// covariance, which they give back whole), judged against PrecisionTolerance.

#include "adjustment/kivoMDIClient.h"

namespace kivo {

// Largest 1-sigma semi-axis of the ellipsoid behind an element's plane ellipses (length unit);
// 0 for an element without ellipses.
double LargestAxis(const COMMON& e);

enum class Judgement { None, Within, Outside };

// Within or outside the tolerance at its confidence; None without a tolerance, without valid
// ellipses, or for an element that has no ellipse (fixed, or left out: it keeps its own mark).
Judgement Judge(const kivoMDIClient& doc, const COMMON& e);

// Error units (mm or mils, as the Display form's ellipse row names them) per project length unit.
double ErrorUnitsPerLength(int units);
const char* ErrorUnitName(int units);

} // namespace kivo
