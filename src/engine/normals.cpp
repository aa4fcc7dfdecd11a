#include "engine/normals.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kivo::eng {

namespace {

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Smallest pivot of a Cholesky factor relative to the matrix diagonal: near 0 when the matrix is
// singular in some direction (independent of the units of the unknowns).
double pivotRatio(const Eigen::LLT<Eigen::MatrixXd>& llt, const Eigen::MatrixXd& m, int& where) {
    double worst = std::numeric_limits<double>::infinity();
    where = -1;
    const Eigen::MatrixXd& l = llt.matrixLLT();
    for (int i = 0; i < m.rows(); ++i) {
        const double r = m(i, i) > 0.0 ? l(i, i) * l(i, i) / m(i, i) : 0.0;
        if (r < worst) {
            worst = r;
            where = i;
        }
    }
    return worst;
}

constexpr double kSingular = 1e-12;

} // namespace

void Normals::layout(const Network& net, const std::vector<char>& excluded) {
    np_ = net.nparam;
    core_.assign(np_, -1);
    cluster_.assign(np_, -1);
    local_.assign(np_, -1);
    coreParam_.clear();
    cl_.clear();
    coreObs_.clear();

    const int nel = static_cast<int>(net.el.size());
    // Targets tied by an observation between two targets share a cluster.
    std::vector<int> parent(nel);
    std::iota(parent.begin(), parent.end(), 0);
    // A fixed target joins nothing: points tied to the same control point stay separate clusters.
    auto solved = [&](const Element& e) {
        for (int k = 0; k < e.ncomp; ++k)
            if (e.param[k] >= 0 && !excluded[e.param[k]]) return true;
        return false;
    };
    for (const Observation& o : net.obs) {
        if (!o.active || o.kind == Kind::Pseudo) continue;
        if (net.el[o.e1].station || net.el[o.e2].station) continue;
        if (!solved(net.el[o.e1]) || !solved(net.el[o.e2])) continue;
        const int a = findRoot(parent, o.e1), b = findRoot(parent, o.e2);
        if (a != b) parent[a] = b;
    }
    std::vector<int> clusterOfElement(nel, -1), clusterOfRoot(nel, -1);
    for (int i = 0; i < nel; ++i) {
        const Element& e = net.el[i];
        for (int k = 0; k < e.ncomp; ++k) {
            const int p = e.param[k];
            if (p < 0 || excluded[p]) continue;
            if (e.station) {
                core_[p] = static_cast<int>(coreParam_.size());
                coreParam_.push_back(p);
                continue;
            }
            const int root = findRoot(parent, i);
            if (clusterOfRoot[root] < 0) {
                clusterOfRoot[root] = static_cast<int>(cl_.size());
                cl_.emplace_back();
            }
            const int c = clusterOfRoot[root];
            clusterOfElement[i] = c;
            cluster_[p] = c;
            local_[p] = static_cast<int>(cl_[c].params.size());
            cl_[c].params.push_back(p);
        }
    }
    na_ = static_cast<int>(coreParam_.size());

    auto addStationRows = [&](Cluster& c, const Element& e) {
        for (int k = 0; k < e.ncomp; ++k)
            if (e.param[k] >= 0 && core_[e.param[k]] >= 0) c.rows.push_back(core_[e.param[k]]);
    };
    for (int i = 0; i < static_cast<int>(net.obs.size()); ++i) {
        const Observation& o = net.obs[i];
        if (!o.active) continue;
        int c = clusterOfElement[o.e1];
        if (c < 0 && o.kind != Kind::Pseudo) c = clusterOfElement[o.e2];
        if (c < 0) {
            coreObs_.push_back(i);
            continue;
        }
        cl_[c].obs.push_back(i);
        if (o.kind == Kind::Pseudo) continue;
        if (net.el[o.e1].station) addStationRows(cl_[c], net.el[o.e1]);
        if (net.el[o.e2].station) addStationRows(cl_[c], net.el[o.e2]);
    }
    for (Cluster& c : cl_) {
        std::sort(c.rows.begin(), c.rows.end());
        c.rows.erase(std::unique(c.rows.begin(), c.rows.end()), c.rows.end());
    }
    pos_.assign(na_, -1);
}

bool Normals::assemble(const std::function<bool(int, Row&)>& linearize, int& failed) {
    A_.setZero(na_, na_);
    ba_.setZero(na_);
    auto addCore = [&](const Row& r) {
        for (int i = 0; i < r.n; ++i) {
            const int ci = core_[r.idx[i]];
            if (ci < 0) continue;
            const double wa = r.w * r.a[i];
            ba_(ci) += wa * r.misclosure;
            for (int j = 0; j < r.n; ++j) {
                const int cj = core_[r.idx[j]];
                if (cj >= 0) A_(ci, cj) += wa * r.a[j];
            }
        }
    };
    Row r;
    for (int i : coreObs_) {
        if (!linearize(i, r)) {
            failed = i;
            return false;
        }
        addCore(r);
    }
    for (Cluster& c : cl_) {
        const int k = static_cast<int>(c.params.size());
        const int nr = static_cast<int>(c.rows.size());
        c.C.setZero(k, k);
        c.B.setZero(nr, k);
        c.b.setZero(k);
        for (int at = 0; at < nr; ++at) pos_[c.rows[at]] = at;
        for (int oi : c.obs) {
            if (!linearize(oi, r)) {
                failed = oi;
                return false;
            }
            addCore(r);
            for (int i = 0; i < r.n; ++i) {
                const int p = r.idx[i];
                const int li = local_[p];
                if (li < 0) continue;
                const double wa = r.w * r.a[i];
                c.b(li) += wa * r.misclosure;
                for (int j = 0; j < r.n; ++j) {
                    const int q = r.idx[j];
                    if (local_[q] >= 0)
                        c.C(li, local_[q]) += wa * r.a[j];
                    else if (core_[q] >= 0)
                        c.B(pos_[core_[q]], li) += wa * r.a[j];
                }
            }
        }
        for (int at = 0; at < nr; ++at) pos_[c.rows[at]] = -1;
    }
    return true;
}

bool Normals::factor(std::string& why) {
    // The defects are decided at the approximate coordinates, so a breakdown here means that the
    // iterations moved the network into a configuration it does not determine.
    const char* const singular =
        "the normal equations became singular during the iterations, though the network is determined at "
        "the approximate coordinates: the approximate coordinates or the observed values are probably far "
        "from each other (check both, e.g. a direction or distance to the wrong point)";
    Eigen::MatrixXd S = A_;
    for (Cluster& c : cl_) {
        c.llt.compute(c.C);
        int where = -1;
        if (c.llt.info() != Eigen::Success || pivotRatio(c.llt, c.C, where) < kSingular) {
            why = singular;
            return false;
        }
        // A cluster tied to no station unknown leaves nothing for the station system (and Eigen's
        // triangular solve must not be handed an empty right-hand side).
        if (c.B.rows() == 0) {
            c.X.resize(c.C.rows(), 0);
            continue;
        }
        c.X = c.llt.solve(c.B.transpose());
        const Eigen::MatrixXd upd = c.B.lazyProduct(c.X);
        c.B.resize(0, 0); // B = X^T C from here on: one copy of the coupling is enough
        const int nr = static_cast<int>(c.rows.size());
        for (int j = 0; j < nr; ++j)
            for (int i = 0; i < nr; ++i) S(c.rows[i], c.rows[j]) -= upd(i, j);
    }
    if (na_ > 0) {
        S_.compute(S);
        int where = -1;
        if (S_.info() != Eigen::Success || pivotRatio(S_, S, where) < kSingular) {
            why = singular;
            return false;
        }
    }
    return true;
}

Eigen::MatrixXd Normals::solve(const Eigen::MatrixXd& rhs) const {
    const Eigen::Index m = rhs.cols();
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(np_, m);
    Eigen::MatrixXd ba(na_, m);
    for (int i = 0; i < na_; ++i) ba.row(i) = rhs.row(coreParam_[i]);
    std::vector<Eigen::MatrixXd> yc(cl_.size());
    Eigen::MatrixXd b;
    for (std::size_t ci = 0; ci < cl_.size(); ++ci) {
        const Cluster& c = cl_[ci];
        b.resize(static_cast<Eigen::Index>(c.params.size()), m);
        for (std::size_t l = 0; l < c.params.size(); ++l) b.row(l) = rhs.row(c.params[l]);
        yc[ci] = c.llt.solve(b);
        const Eigen::MatrixXd by = c.X.transpose().lazyProduct(c.C.lazyProduct(yc[ci]));
        for (std::size_t r = 0; r < c.rows.size(); ++r) ba.row(c.rows[r]) -= by.row(r);
    }
    const Eigen::MatrixXd xa = na_ > 0 ? Eigen::MatrixXd(S_.solve(ba)) : Eigen::MatrixXd(0, m);
    for (int i = 0; i < na_; ++i) x.row(coreParam_[i]) = xa.row(i);
    Eigen::MatrixXd xr;
    for (std::size_t ci = 0; ci < cl_.size(); ++ci) {
        const Cluster& c = cl_[ci];
        xr.resize(static_cast<Eigen::Index>(c.rows.size()), m);
        for (std::size_t r = 0; r < c.rows.size(); ++r) xr.row(r) = xa.row(c.rows[r]);
        const Eigen::MatrixXd xc = yc[ci] - c.X.lazyProduct(xr);
        for (std::size_t l = 0; l < c.params.size(); ++l) x.row(c.params[l]) = xc.row(l);
    }
    return x;
}

Eigen::VectorXd Normals::solveAssembled() const {
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(np_);
    for (int i = 0; i < na_; ++i) rhs(coreParam_[i]) = ba_(i);
    for (const Cluster& c : cl_)
        for (std::size_t l = 0; l < c.params.size(); ++l) rhs(c.params[l]) = c.b(l);
    return solve(Eigen::MatrixXd(rhs)).col(0);
}

Eigen::MatrixXd Normals::crossCovariance(const Cluster& c) const {
    const int nr = static_cast<int>(c.rows.size());
    Eigen::MatrixXd qrr(nr, nr);
    for (int j = 0; j < nr; ++j)
        for (int i = 0; i < nr; ++i) qrr(i, j) = Qaa_(c.rows[i], c.rows[j]);
    return -c.X.lazyProduct(qrr);
}

void Normals::selectedInverse() {
    Qaa_ = na_ > 0 ? Eigen::MatrixXd(S_.solve(Eigen::MatrixXd::Identity(na_, na_))) : Eigen::MatrixXd();
    for (Cluster& c : cl_) {
        const int k = static_cast<int>(c.params.size());
        const Eigen::MatrixXd qcr = crossCovariance(c);
        c.Qcc = c.llt.solve(Eigen::MatrixXd::Identity(k, k)) - qcr.lazyProduct(c.X.transpose());
    }
}

double Normals::q(int i, int j) const {
    if (i < 0 || j < 0) return 0.0;
    const int ci = core_[i], cj = core_[j];
    if (ci >= 0 && cj >= 0) return Qaa_(ci, cj);
    if (ci < 0 && cluster_[i] < 0) return 0.0; // excluded unknown
    if (cj < 0 && cluster_[j] < 0) return 0.0;
    if (ci >= 0) return q(j, i);
    const Cluster& c = cl_[cluster_[i]];
    if (cj < 0) {
        if (cluster_[j] != cluster_[i]) return std::numeric_limits<double>::quiet_NaN(); // off the pattern
        return c.Qcc(local_[i], local_[j]);
    }
    const auto it = std::lower_bound(c.rows.begin(), c.rows.end(), cj);
    if (it == c.rows.end() || *it != cj) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0; // one entry of -X Qaa(rows, rows)
    for (std::size_t r = 0; r < c.rows.size(); ++r)
        sum += c.X(local_[i], static_cast<Eigen::Index>(r)) * Qaa_(c.rows[r], cj);
    return -sum;
}

double Normals::quadratic(const Row& r) const {
    for (int i = 0; i < r.n; ++i)
        if (core_[r.idx[i]] < 0 && cluster_[r.idx[i]] >= 0)
            return quadraticWith(r, crossCovariance(cl_[cluster_[r.idx[i]]]));
    return quadraticWith(r, Eigen::MatrixXd());
}

void Normals::quadratics(const std::function<bool(int, Row&)>& linearize,
                         const std::function<void(int, const Row&, double)>& visit) const {
    Row r;
    const Eigen::MatrixXd none;
    for (int i : coreObs_) {
        linearize(i, r);
        visit(i, r, quadraticWith(r, none));
    }
    for (const Cluster& c : cl_) {
        const Eigen::MatrixXd qcr = crossCovariance(c);
        for (int i : c.obs) {
            linearize(i, r);
            visit(i, r, quadraticWith(r, qcr));
        }
    }
}

double Normals::quadraticWith(const Row& r, const Eigen::MatrixXd& qcr) const {
    int kind[9], at[9];
    int c = -1;
    for (int i = 0; i < r.n; ++i) {
        const int p = r.idx[i];
        if (core_[p] >= 0) {
            kind[i] = 0;
            at[i] = core_[p];
        } else if (cluster_[p] >= 0) {
            kind[i] = 1;
            at[i] = local_[p];
            c = cluster_[p];
        } else {
            kind[i] = -1;
        }
    }
    int rowAt[9];
    if (c >= 0) {
        const std::vector<int>& rows = cl_[c].rows;
        for (int i = 0; i < r.n; ++i)
            if (kind[i] == 0) rowAt[i] = static_cast<int>(std::lower_bound(rows.begin(), rows.end(), at[i]) - rows.begin());
    }
    double sum = 0.0;
    for (int i = 0; i < r.n; ++i) {
        if (kind[i] < 0) continue;
        for (int j = 0; j < r.n; ++j) {
            if (kind[j] < 0) continue;
            double qij;
            if (kind[i] == 0 && kind[j] == 0)
                qij = Qaa_(at[i], at[j]);
            else if (kind[i] == 1 && kind[j] == 1)
                qij = cl_[c].Qcc(at[i], at[j]);
            else if (kind[i] == 1)
                qij = qcr(at[i], rowAt[j]);
            else
                qij = qcr(at[j], rowAt[i]);
            sum += r.a[i] * r.a[j] * qij;
        }
    }
    return sum;
}

double Normals::diagonal(int i) const {
    if (core_[i] >= 0) return A_(core_[i], core_[i]);
    if (cluster_[i] >= 0) return cl_[cluster_[i]].C(local_[i], local_[i]);
    return 0.0;
}

} // namespace kivo::eng
