#pragma once
// The precision the views judge: a tolerance on the largest semi-axis of each element's ellipsoid
// at a chosen confidence. Kept for the session only (the project file's format is fixed); the
// settings file may give it ([display] tolerance=, confidence=68|95).

namespace kivo {

struct PrecisionTolerance {
    // Confidence factors for 95 %: a plane ellipse (chi-square, 2 degrees of freedom) and the
    // ellipsoid (3 degrees of freedom).
    static constexpr double k95Ellipse = 2.4477;
    static constexpr double k95Ellipsoid = 2.7955;

    // Held in meters, as the settings file gives it, so that it keeps its meaning when a project in
    // other units is opened; zero or less: none set.
    double toleranceMeters = 0.0;
    bool confidence95 = false; // false: 1 sigma

    bool isSet() const { return toleranceMeters > 0.0; }
    // The tolerance in a project's length unit (unitsPerMeter: convTab[UNITS_METERS][units]).
    double toleranceIn(double unitsPerMeter) const { return toleranceMeters * unitsPerMeter; }
    double ellipseFactor() const { return confidence95 ? k95Ellipse : 1.0; }
    double ellipsoidFactor() const { return confidence95 ? k95Ellipsoid : 1.0; }
    // The largest semi-axis at the chosen confidence, from the 1-sigma one.
    double axisAtConfidence(double largestAxis1Sigma) const { return largestAxis1Sigma * ellipsoidFactor(); }
    // Within tolerance: the axis at the chosen confidence (in the project's unit) does not exceed it
    // (equal is within).
    bool within(double largestAxis1Sigma, double unitsPerMeter) const {
        return axisAtConfidence(largestAxis1Sigma) <= toleranceIn(unitsPerMeter);
    }
};

} // namespace kivo
