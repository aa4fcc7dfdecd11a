#include "engine/datum.h"

#include <algorithm>
#include <cmath>

namespace kivo::eng {

ScaledJacobian scaledJacobian(const Network& net) {
    ScaledJacobian s;
    const int m = static_cast<int>(net.obs.size());
    s.rows.resize(m);
    s.colNorm.assign(net.nparam, 0.0);
    s.rowNorm.assign(m, 0.0);
    for (int i = 0; i < m; ++i) {
        Row& r = s.rows[i];
        r.n = 0;
        if (!net.obs[i].active || !net.linearize(i, r)) r.n = 0;
        for (int k = 0; k < r.n; ++k) s.colNorm[r.idx[k]] += r.a[k] * r.a[k];
    }
    for (double& c : s.colNorm) c = std::sqrt(c);
    for (int i = 0; i < m; ++i) {
        const Row& r = s.rows[i];
        double sum = 0.0;
        for (int k = 0; k < r.n; ++k) {
            const double v = r.a[k] / s.colNorm[r.idx[k]];
            sum += v * v;
        }
        s.rowNorm[i] = std::sqrt(sum);
    }
    return s;
}

std::vector<std::string> removeUndetermined(Network& net, ScaledJacobian* last) {
    std::vector<std::string> names;
    const int nel = static_cast<int>(net.el.size());
    std::vector<std::vector<int>> touching(nel);
    for (int i = 0; i < static_cast<int>(net.obs.size()); ++i) {
        const Observation& o = net.obs[i];
        touching[o.e1].push_back(i);
        if (o.kind != Kind::Pseudo) touching[o.e2].push_back(i);
    }
    for (;;) {
        net.numberUnknowns();
        ScaledJacobian sj = scaledJacobian(net);
        std::vector<int> found;
        std::vector<Eigen::Matrix<double, Eigen::Dynamic, 1, 0, 6, 1>> lr;
        for (int e = 0; e < nel; ++e) {
            const Element& el = net.el[e];
            if (!el.determined) continue;
            int local[6], np = 0;
            bool zeroColumn = false;
            for (int k = 0; k < el.ncomp; ++k)
                if (el.param[k] >= 0) {
                    local[np++] = el.param[k];
                    if (!(sj.colNorm[el.param[k]] > 0.0)) zeroColumn = true;
                }
            if (np == 0) continue;
            if (zeroColumn) {
                found.push_back(e);
                continue;
            }
            // Local rows restricted to the element's unknowns, in the scaled measure.
            using Vec = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, 6, 1>;
            using Mat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, 6, 6>;
            lr.clear();
            Mat gram = Mat::Zero(np, np);
            for (int oi : touching[e]) {
                const Row& r = sj.rows[oi];
                if (r.n == 0 || !(sj.rowNorm[oi] > 0.0)) continue;
                Vec v = Vec::Zero(np);
                for (int k = 0; k < r.n; ++k)
                    for (int l = 0; l < np; ++l)
                        if (r.idx[k] == local[l]) v(l) += r.a[k] / (sj.colNorm[r.idx[k]] * sj.rowNorm[oi]);
                gram += v * v.transpose();
                lr.push_back(std::move(v));
            }
            Eigen::SelfAdjointEigenSolver<Mat> eig(gram);
            bool null = false;
            for (int k = 0; k < np && !null; ++k) {
                if (eig.eigenvalues()(k) > 1e-8) break;
                const Vec u = eig.eigenvectors().col(k);
                double worst = 0.0;
                for (const auto& v : lr) worst = std::max(worst, std::fabs(v.dot(u)));
                null = worst <= kNullTolerance;
            }
            if (null) found.push_back(e);
        }
        if (found.empty()) {
            if (last) *last = std::move(sj);
            break;
        }
        for (int e : found) {
            net.el[e].determined = false;
            names.push_back(net.el[e].name);
            for (int oi : touching[e]) net.obs[oi].active = false;
        }
    }
    return names;
}

Eigen::VectorXd Datum::toDatum(const Eigen::VectorXd& x) const {
    if (defect == 0) return x;
    return x - G * (T * x);
}

Datum analyseDatum(const Network& net, const ScaledJacobian* given) {
    Datum d;
    const int np = net.nparam;
    d.excluded.assign(np, 0);
    if (np == 0) return d;
    ScaledJacobian own;
    if (!given) own = scaledJacobian(net);
    const ScaledJacobian& sj = given ? *given : own;

    // Candidate motions of the whole network: translations, rotations about the centroid (which
    // also turn every station's frame), scale about the centroid.
    double c[3] = {0, 0, 0};
    int count = 0;
    for (const Element& e : net.el)
        if (e.determined) {
            for (int k = 0; k < 3; ++k) c[k] += e.x[k];
            ++count;
        }
    for (double& v : c) v /= std::max(count, 1);
    static const char* candName[7] = {"translation x", "translation y", "translation z", "rotation about x",
                                      "rotation about y", "rotation about z", "scale"};
    Eigen::MatrixXd g0 = Eigen::MatrixXd::Zero(np, 7);
    std::vector<Eigen::Matrix3d> kinv(net.el.size());
    for (std::size_t i = 0; i < net.el.size(); ++i) {
        const Element& e = net.el[i];
        if (!e.station || !e.determined) continue;
        double m[9], dm[3][9];
        stationFrame(e.x + 3, m, dm);
        Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> mm(m);
        Eigen::Matrix3d k;
        for (int a = 0; a < 3; ++a) {
            Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> dma(dm[a]);
            const Eigen::Matrix3d s = mm.transpose() * dma; // skew: axial vector of the frame's turn
            k.col(a) = Eigen::Vector3d(s(2, 1), s(0, 2), s(1, 0));
        }
        kinv[i] = k.completeOrthogonalDecomposition().pseudoInverse();
    }
    for (int p = 0; p < np; ++p) {
        const Element& e = net.el[net.paramElement[p]];
        const int k = net.paramComp[p];
        if (k < 3) {
            const Eigen::Vector3d r(e.x[0] - c[0], e.x[1] - c[1], e.x[2] - c[2]);
            g0(p, k) = 1.0;
            for (int a = 0; a < 3; ++a) g0(p, 3 + a) = Eigen::Vector3d::Unit(a).cross(r)(k);
            g0(p, 6) = r(k);
        } else {
            // Frame turn that keeps every sighting when the world turns by omega: K dr = -omega.
            for (int a = 0; a < 3; ++a) g0(p, 3 + a) = -kinv[net.paramElement[p]](k - 3, a);
        }
    }

    Eigen::VectorXd colScale(np);
    for (int p = 0; p < np; ++p) colScale(p) = sj.colNorm[p];
    // Scaled candidate directions, orthonormalised.
    Eigen::MatrixXd gs = colScale.asDiagonal() * g0;
    std::vector<int> keep;
    for (int j = 0; j < 7; ++j)
        if (gs.col(j).norm() > 0.0) keep.push_back(j);
    if (keep.empty()) return d;
    Eigen::MatrixXd gk(np, keep.size());
    for (std::size_t j = 0; j < keep.size(); ++j) gk.col(j) = gs.col(keep[j]) / gs.col(keep[j]).norm();
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(gk);
    qr.setThreshold(1e-9);
    const int rank = static_cast<int>(qr.rank());
    const Eigen::MatrixXd qthin = qr.householderQ() * Eigen::MatrixXd::Identity(np, rank);

    // B = D_r^-1 J D_c^-1 Q and, for the description, the same for each candidate alone.
    const int m = static_cast<int>(sj.rows.size());
    Eigen::MatrixXd b = Eigen::MatrixXd::Zero(m, rank);
    Eigen::VectorXd worstSingle = Eigen::VectorXd::Zero(keep.size());
    for (int i = 0; i < m; ++i) {
        const Row& r = sj.rows[i];
        if (r.n == 0 || !(sj.rowNorm[i] > 0.0)) continue;
        for (int k = 0; k < r.n; ++k) {
            const double a = r.a[k] / (sj.colNorm[r.idx[k]] * sj.rowNorm[i]);
            b.row(i) += a * qthin.row(r.idx[k]);
        }
        for (std::size_t j = 0; j < keep.size(); ++j) {
            double v = 0.0;
            for (int k = 0; k < r.n; ++k) v += r.a[k] / (sj.colNorm[r.idx[k]] * sj.rowNorm[i]) * gk(r.idx[k], j);
            worstSingle(j) = std::max(worstSingle(j), std::fabs(v));
        }
    }
    Eigen::JacobiSVD<Eigen::MatrixXd> svd(b, Eigen::ComputeThinV);
    std::vector<int> nullCols;
    for (int j = rank - 1; j >= 0; --j) {
        const Eigen::VectorXd v = svd.matrixV().col(j);
        if ((b * v).cwiseAbs().maxCoeff() <= kNullTolerance) nullCols.push_back(j);
    }
    d.defect = static_cast<int>(nullCols.size());
    if (d.defect == 0) return d;

    // Null basis in the units of the unknowns.
    Eigen::MatrixXd gsNull(np, d.defect);
    for (int j = 0; j < d.defect; ++j) gsNull.col(j) = qthin * svd.matrixV().col(nullCols[j]);
    d.G = colScale.cwiseInverse().asDiagonal() * gsNull;

    int named = 0;
    for (std::size_t j = 0; j < keep.size(); ++j)
        if (worstSingle(j) <= kNullTolerance) {
            if (!d.description.empty()) d.description += ", ";
            d.description += candName[keep[j]];
            ++named;
        }
    if (named < d.defect) {
        if (!d.description.empty()) d.description += ", ";
        d.description += std::to_string(d.defect - named) + " combined direction(s)";
    }

    // Hold one unknown per defect, picked greedily where the null basis is strongest (station
    // positions first, so the clusters of targets stay whole).
    Eigen::MatrixXd rest = gsNull;
    for (int t = 0; t < d.defect; ++t) {
        int best = -1, bestStation = -1;
        double bestNorm = 0.0, bestStationNorm = 0.0;
        for (int p = 0; p < np; ++p) {
            if (d.excluded[p]) continue;
            const double nrm = rest.row(p).norm();
            if (nrm > bestNorm) {
                bestNorm = nrm;
                best = p;
            }
            if (net.el[net.paramElement[p]].station && net.paramComp[p] < 3 && nrm > bestStationNorm) {
                bestStationNorm = nrm;
                bestStation = p;
            }
        }
        const int pick = bestStation >= 0 && bestStationNorm >= 1e-3 * bestNorm ? bestStation : best;
        if (pick < 0) break;
        d.excluded[pick] = 1;
        d.held.push_back(pick);
        const Eigen::RowVectorXd v = rest.row(pick) / rest.row(pick).norm();
        rest -= (rest * v.transpose()) * v;
    }

    // Minimum trace over the position unknowns: W selects them.
    Eigen::VectorXd w(np);
    for (int p = 0; p < np; ++p) w(p) = net.paramComp[p] < 3 ? 1.0 : 0.0;
    Eigen::MatrixXd h = d.G.transpose() * w.asDiagonal() * d.G;
    Eigen::JacobiSVD<Eigen::MatrixXd> hs(h);
    const double cond = hs.singularValues()(0) > 0.0
                            ? hs.singularValues()(d.defect - 1) / hs.singularValues()(0)
                            : 0.0;
    if (cond < 1e-12) {
        d.minimumTrace = false;
        w.setOnes();
        h = d.G.transpose() * d.G;
    }
    d.T = h.ldlt().solve(d.G.transpose() * w.asDiagonal());
    return d;
}

} // namespace kivo::eng
