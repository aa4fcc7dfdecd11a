#pragma once
// Error ellipses and ellipsoid axes from a 3x3 position covariance, and the test statistics.

#include <Eigen/Dense>

namespace kivo::eng {

struct Ellipse {
    double major = 0.0, minor = 0.0, phi = 0.0; // semi-axes; phi in radians, first axis toward second
};

// lambda1,2 = (c11 + c22)/2 +- sqrt(((c11 - c22)/2)^2 + c12^2); major = sqrt(lambda1),
// minor = sqrt(max(lambda2, 0)), phi = 0.5 atan2(2 c12, c11 - c22).
Ellipse planeEllipse(double c11, double c22, double c12);

// Semi-axes of the 1-sigma ellipsoid, largest first.
Eigen::Vector3d ellipsoidAxes(const Eigen::Matrix3d& c);

// Quantile of the chi-square distribution with f degrees of freedom (Wilson-Hilferty; within a
// fraction of a percent for f >= 3, used only for the global test in the listing).
double chiSquareQuantile(double p, double f);

// Non-centrality of data snooping: alpha 0.1 %, power 80 %.
constexpr double kMdbDelta0 = 4.13;

} // namespace kivo::eng
