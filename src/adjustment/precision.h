#pragma once
// The session's tolerance applied to the elements: the largest semi-axis of an element's error
// ellipsoid (adjustment/ellipsoid.h) judged against PrecisionTolerance.

#include <string>

#include "adjustment/kivoMDIClient.h"

namespace kivo {

enum class Judgement { None, Within, Outside };

// Within or outside the tolerance at its confidence; None without a tolerance, without valid
// ellipses, or for an element that has no ellipse (fixed, or left out: it keeps its own mark).
Judgement Judge(const kivoMDIClient& doc, const COMMON& e);

// The status line for two marked elements (theodolites or points, as the measuring tools mark
// sources): their distance and its standard deviation at the chosen confidence (1 sigma, or the
// 95 % factor of one dimension, 1.96), from the network as the last Calculate adjusted it. Empty
// unless exactly two elements are marked and the ellipses are valid.
std::string RelativePrecisionText(const kivoMDIClient& doc);

} // namespace kivo
