#include "engine/ellipse.h"

#include <algorithm>
#include <cmath>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>

namespace kivo::eng {

Ellipse planeEllipse(double c11, double c22, double c12) {
    const double mean = 0.5 * (c11 + c22);
    const double root = std::sqrt(0.25 * (c11 - c22) * (c11 - c22) + c12 * c12);
    Ellipse e;
    e.major = std::sqrt(std::max(mean + root, 0.0));
    e.minor = std::sqrt(std::max(mean - root, 0.0));
    e.phi = (c12 == 0.0 && c11 == c22) ? 0.0 : 0.5 * std::atan2(2.0 * c12, c11 - c22);
    return e;
}

Eigen::Vector3d ellipsoidAxes(const Eigen::Matrix3d& c) {
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> eig(c, Eigen::EigenvaluesOnly);
    Eigen::Vector3d ev = eig.eigenvalues(); // ascending
    return Eigen::Vector3d(std::sqrt(std::max(ev(2), 0.0)), std::sqrt(std::max(ev(1), 0.0)),
                           std::sqrt(std::max(ev(0), 0.0)));
}

void storeEllipses(const Eigen::Matrix3d& c, double major[3], double minor[3], double phi[3],
                   double axes[3]) {
    const Ellipse planes[3] = {planeEllipse(c(0, 0), c(1, 1), c(0, 1)),
                               planeEllipse(c(0, 0), c(2, 2), c(0, 2)),
                               planeEllipse(c(1, 1), c(2, 2), c(1, 2))};
    for (int k = 0; k < 3; ++k) {
        major[k] = planes[k].major;
        minor[k] = planes[k].minor;
        phi[k] = planes[k].phi;
    }
    const Eigen::Vector3d ax = ellipsoidAxes(c);
    for (int k = 0; k < 3; ++k)
        axes[k] = ax(k);
}

double chiSquareQuantile(double p, double f) {
    if (!(f > 0) || !(p > 0 && p < 1)) return 0.0;
    return boost::math::quantile(boost::math::chi_squared_distribution<double>(f), p);
}

double normalQuantile(double p) {
    if (!(p > 0 && p < 1)) return 0.0;
    return boost::math::quantile(boost::math::normal_distribution<double>(), p);
}

double confidenceFactor(int dims, double p) {
    return std::sqrt(chiSquareQuantile(p, dims));
}

} // namespace kivo::eng
