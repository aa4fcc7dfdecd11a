#pragma once
// An element's figures in a run's results: its values, standard deviations and error ellipses.

#include <algorithm>
#include <cmath>

#include <Eigen/Dense>

#include "engine/ellipse.h"
#include "engine/functional_model.h"
#include "engine/network.h"
#include "engine/summary.h"

namespace kivo::eng {

// Fills er's approximate and current values (rotations in gon), standard deviations and ellipses
// from q(a, b), the covariance of unknowns a and b (0 when either is -1: not an unknown). The
// determined and connected marks are the caller's.
template <class Covariance> void fillElementResult(const Element& e, const Covariance& q, ElementResult& er) {
    for (int k = 0; k < e.ncomp; ++k) {
        er.approx[k] = k < 3 ? e.x0[k] : radToGon(e.x0[k]);
        er.value[k] = k < 3 ? e.x[k] : radToGon(e.x[k]);
        er.estimated[k] = e.param[k] >= 0;
        const double var = std::max(q(e.param[k], e.param[k]), 0.0);
        er.sd[k] = k < 3 ? std::sqrt(var) : radToGon(std::sqrt(var));
    }
    Eigen::Matrix3d c;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b <= a; ++b)
            c(a, b) = c(b, a) = q(e.param[a], e.param[b]);
    storeEllipses(c, er.major, er.minor, er.phi, er.axes);
}

} // namespace kivo::eng
