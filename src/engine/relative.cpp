#include "engine/relative.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "engine/ellipse.h"

namespace kivo::eng {

Covariance::Covariance(const Normals& normals, const Datum& datum) : n_(normals), d_(datum) {}

void Covariance::prepareDatum() const {
    if (prepared_) return;
    prepared_ = true;
    if (d_.defect == 0) return;
    // Q = S Qf S^T with S = I - G T: Q_ab = Qf_ab - G_a U_b - U_a G_b + G_a V G_b^T.
    u_ = n_.solveTransposed(d_.T);
    v_ = u_ * d_.T.transpose();
}

double Covariance::datumTerm(int a, int b) const {
    return -d_.G.row(a).dot(u_.col(b)) - u_.col(a).dot(d_.G.row(b)) +
           d_.G.row(a) * v_ * d_.G.row(b).transpose();
}

double Covariance::fromFactor(int a, int b) const {
    if (a < 0 || b < 0) return 0.0;
    return n_.q(a, b);
}

double Covariance::operator()(int a, int b) const {
    if (a < 0 || b < 0) return 0.0;
    double val = n_.q(a, b);
    if (d_.defect > 0 && !std::isnan(val)) {
        prepareDatum();
        val += datumTerm(a, b);
    }
    return val;
}

Eigen::Matrix3d Covariance::positions(const Network& net, int e1, int e2) const {
    const int* p1 = net.el[e1].param;
    const int* p2 = net.el[e2].param;
    Eigen::Matrix3d qf;
    bool off = false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            qf(i, j) = fromFactor(p1[i], p2[j]);
            off = off || std::isnan(qf(i, j));
        }
    if (off) {
        // Off the pattern: the columns of e2's unknowns from the factor.
        Eigen::MatrixXd rhs = Eigen::MatrixXd::Zero(net.nparam, 3);
        for (int j = 0; j < 3; ++j)
            if (p2[j] >= 0) rhs(p2[j], j) = 1.0;
        const Eigen::MatrixXd cols = n_.solve(rhs);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                qf(i, j) = p1[i] >= 0 && p2[j] >= 0 ? cols(p1[i], j) : 0.0;
    }
    if (d_.defect > 0) {
        prepareDatum();
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int a = p1[i], b = p2[j];
                if (a < 0 || b < 0) continue;
                qf(i, j) += datumTerm(a, b);
            }
    }
    return qf;
}

RelativePrecision relativePrecision(const Network& net, const Covariance& q, int e1, int e2) {
    RelativePrecision r;
    r.e1 = e1;
    r.e2 = e2;
    const Eigen::Vector3d d(net.el[e2].x[0] - net.el[e1].x[0], net.el[e2].x[1] - net.el[e1].x[1],
                            net.el[e2].x[2] - net.el[e1].x[2]);
    r.distance = d.norm();
    // cov(x2 - x1) = Q22 + Q11 - Q12 - Q21.
    const Eigen::Matrix3d q12 = q.positions(net, e1, e2);
    const Eigen::Matrix3d c = q.positions(net, e2, e2) + q.positions(net, e1, e1) - q12 - q12.transpose();
    if (r.distance > 0.0) {
        const Eigen::Vector3d u = d / r.distance;
        r.sd = std::sqrt(std::max(u.dot(c * u), 0.0));
    }
    storeEllipses(c, r.major, r.minor, r.phi, r.axes);
    return r;
}

std::vector<RelativePrecision> relativePairs(const Network& net, const Covariance& q) {
    std::vector<RelativePrecision> out;
    std::set<std::pair<int, int>> seen;
    for (const Observation& o : net.obs) {
        if (o.kind != Kind::Distance && o.kind != Kind::HeightDiff) continue;
        if (!o.active || o.e1 < 0 || o.e2 < 0) continue;
        const Element& a = net.el[o.e1];
        const Element& b = net.el[o.e2];
        if (a.station || b.station || !a.determined || !b.determined) continue;
        if (!seen.emplace(std::min(o.e1, o.e2), std::max(o.e1, o.e2)).second) continue;
        out.push_back(relativePrecision(net, q, o.e1, o.e2));
    }
    return out;
}

} // namespace kivo::eng
