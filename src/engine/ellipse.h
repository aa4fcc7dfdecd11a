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

// The plane ellipses (12, 13, 23) and the ellipsoid semi-axes (largest first) of covariance c.
void storeEllipses(const Eigen::Matrix3d& c, double major[3], double minor[3], double phi[3], double axes[3]);

// Quantile of the chi-square distribution with f degrees of freedom (exact; 0 for f <= 0).
double chiSquareQuantile(double p, double f);
// Quantile of the standard normal distribution.
double normalQuantile(double p);
// Factor from 1-sigma to a confidence region of probability p in dims dimensions:
// sqrt(chi-square quantile), 1.9600 for one coordinate, 2.4477 for a plane ellipse and 2.7955 for
// the ellipsoid at 95 %.
double confidenceFactor(int dims, double p);

// Non-centrality of data snooping: alpha 0.1 %, power 80 %.
constexpr double kMdbDelta0 = 4.13;
// Significance level of the outlier test on each normalised residual (two-sided).
constexpr double kOutlierAlpha = 0.001;

} // namespace kivo::eng
