#include "engine/ellipse.h"

#include <algorithm>
#include <cmath>

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

namespace {
// Quantile of the standard normal distribution (Acklam's rational approximation, |error| < 1.2e-9).
double normalQuantile(double p) {
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                               1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                               6.680131188771972e+01,  -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                               -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    const double lo = 0.02425;
    if (p < lo) {
        const double q = std::sqrt(-2 * std::log(p));
        return (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
               ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    }
    if (p > 1 - lo) return -normalQuantile(1 - p);
    const double q = p - 0.5, r = q * q;
    return (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
           (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
}
} // namespace

double chiSquareQuantile(double p, double f) {
    if (f <= 0) return 0.0;
    const double z = normalQuantile(p);
    const double h = 2.0 / (9.0 * f);
    const double t = 1.0 - h + z * std::sqrt(h);
    return f * std::max(t, 0.0) * std::max(t, 0.0) * std::max(t, 0.0);
}

} // namespace kivo::eng
