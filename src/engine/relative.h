#pragma once
// Covariances between elements from the factored normal equations, on demand: the blocks on the
// pattern of N come from the selected inverse, any other block from solving N for the columns
// wanted. No dense inverse of N is formed. Relative precision of two elements' positions follows.

#include <vector>

#include <Eigen/Dense>

#include "engine/datum.h"
#include "engine/network.h"
#include "engine/normals.h"
#include "engine/summary.h"

namespace kivo::eng {

// The covariance of the unknowns in the datum of the run (minimum trace when the datum is free).
// normals must be factored with selectedInverse() done; normals and datum must outlive this object.
class Covariance {
public:
    Covariance(const Normals& normals, const Datum& datum);
    // Solves the datum's terms now rather than at the first use (needed before use from several
    // threads at once; afterwards the datum's T is no longer read).
    void prepareDatum() const;

    // Q(a, b) for unknowns a, b (-1: a fixed component, 0); NaN when the pair is off the pattern of N.
    double operator()(int a, int b) const;
    // 3x3 covariance of the positions of elements e1 and e2 (rows e1, columns e2), any pair.
    Eigen::Matrix3d positions(const Network& net, int e1, int e2) const;

private:
    double fromFactor(int a, int b) const; // Q of the system with the held unknowns
    double datumTerm(int a, int b) const;
    const Normals& n_;
    const Datum& d_;
    mutable bool prepared_ = false;
    mutable Eigen::MatrixXd u_, v_; // U = T Qf (defect x unknowns); V = U T^T (defect x defect)
};

// Precision of the vector between the positions of elements e1 and e2 (x2 - x1).
RelativePrecision relativePrecision(const Network& net, const Covariance& q, int e1, int e2);

// Every pair of determined targets joined by a distance or height difference (a scale bar's two ends
// are joined by its length), once each, in observation order.
std::vector<RelativePrecision> relativePairs(const Network& net, const Covariance& q);

} // namespace kivo::eng
