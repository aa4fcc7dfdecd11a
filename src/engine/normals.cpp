#include "engine/normals.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>

#include "engine/block_update.h"
#include "engine/parallel.h"

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

// out (K x nr) = -X Q(rows, rows) for X (K x nr) and Q (lda x lda, column-major), each entry summed
// over the rows in order.
template <int K>
void crossBlock(const double* x, const int* rows, int nr, const double* q, int lda, double* out) {
    for (int j = 0; j < nr; ++j) {
        const double* const col = q + static_cast<std::size_t>(rows[j]) * static_cast<std::size_t>(lda);
        double acc[K] = {};
        for (int r = 0; r < nr; ++r) {
            const double v = col[rows[r]];
            const double* const xr = x + static_cast<std::size_t>(r) * K;
#pragma GCC unroll 6
            for (int i = 0; i < K; ++i)
                acc[i] += xr[i] * v;
        }
        for (int i = 0; i < K; ++i)
            out[static_cast<std::size_t>(j) * K + i] = -acc[i];
    }
}

} // namespace

template <class M> void Normals::cholSolveInPlace(const Cluster& c, M&& x) const {
    // As Eigen's LLT solves: L z = x, then L^T x = z. An empty block or no right-hand side leaves
    // nothing to solve (and Eigen's triangular solve must not be handed one: it binds its data).
    if (c.k == 0 || x.rows() == 0 || x.cols() == 0) return;
    const ConstMap l(pool(c.mat + kk(c)), c.k, c.k);
    l.triangularView<Eigen::Lower>().solveInPlace(x);
    l.adjoint().triangularView<Eigen::Upper>().solveInPlace(x);
}

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
            local_[p] = cl_[c].k++;
        }
    }
    na_ = static_cast<int>(coreParam_.size());
    const std::size_t ncl = cl_.size();
    cl_.shrink_to_fit();

    // Unknowns per cluster, in local order.
    std::size_t at = 0;
    for (Cluster& c : cl_) {
        c.param = at;
        at += static_cast<std::size_t>(c.k);
    }
    params_.assign(at, -1);
    for (int p = 0; p < np_; ++p)
        if (cluster_[p] >= 0) params_[cl_[cluster_[p]].param + local_[p]] = p;

    // Observations per cluster, in observation order (two passes: count, then place).
    const int nobs = static_cast<int>(net.obs.size());
    auto clusterOf = [&](const Observation& o) {
        int c = clusterOfElement[o.e1];
        if (c < 0 && o.kind != Kind::Pseudo) c = clusterOfElement[o.e2];
        return c;
    };
    std::vector<std::size_t> count(ncl + 1, 0);
    for (int i = 0; i < nobs; ++i) {
        const Observation& o = net.obs[i];
        if (!o.active) continue;
        const int c = clusterOf(o);
        if (c < 0)
            coreObs_.push_back(i);
        else
            ++count[static_cast<std::size_t>(c) + 1];
    }
    for (std::size_t c = 0; c < ncl; ++c) {
        count[c + 1] += count[c];
        cl_[c].obs = cl_[c].obsEnd = count[c];
    }
    obs_.assign(count[ncl], -1);
    for (int i = 0; i < nobs; ++i) {
        const Observation& o = net.obs[i];
        if (!o.active) continue;
        const int c = clusterOf(o);
        if (c >= 0) obs_[cl_[c].obsEnd++] = i;
    }

    // Core indices each cluster touches, ascending: ranges of clusters over the cores, each into its
    // own list, the lists joined in cluster order; then the room for the matrices.
    struct Touched {
        std::size_t first = 0;
        std::vector<int> rows;
    };
    std::vector<Touched> pieces(kMaxRanges);
    std::atomic<std::size_t> used{0};
    parallelRanges(
        ncl,
        [&](std::size_t from, std::size_t to) {
            Touched& piece = pieces[used++];
            piece.first = from;
            piece.rows.clear();
            std::vector<char> seen(static_cast<std::size_t>(na_), 0);
            for (std::size_t ci = from; ci < to; ++ci) {
                Cluster& c = cl_[ci];
                const std::size_t begin = piece.rows.size();
                auto addStation = [&](const Element& e) {
                    for (int k = 0; k < e.ncomp; ++k) {
                        const int p = e.param[k];
                        if (p < 0 || core_[p] < 0 || seen[static_cast<std::size_t>(core_[p])]) continue;
                        seen[static_cast<std::size_t>(core_[p])] = 1;
                        piece.rows.push_back(core_[p]);
                    }
                };
                for (std::size_t j = c.obs; j < c.obsEnd; ++j) {
                    const Observation& o = net.obs[obs_[j]];
                    if (o.kind == Kind::Pseudo) continue;
                    if (net.el[o.e1].station) addStation(net.el[o.e1]);
                    if (net.el[o.e2].station) addStation(net.el[o.e2]);
                }
                std::sort(piece.rows.begin() + static_cast<std::ptrdiff_t>(begin), piece.rows.end());
                for (std::size_t r = begin; r < piece.rows.size(); ++r)
                    seen[static_cast<std::size_t>(piece.rows[r])] = 0;
                c.nr = static_cast<int>(piece.rows.size() - begin);
            }
        },
        1024);
    std::sort(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(used.load()),
              [](const Touched& a, const Touched& b) { return a.first < b.first; });
    std::size_t total = 0;
    for (std::size_t k = 0; k < used; ++k)
        total += pieces[k].rows.size();
    rows_.clear();
    rows_.reserve(total);
    for (std::size_t k = 0; k < used; ++k)
        rows_.insert(rows_.end(), pieces[k].rows.begin(), pieces[k].rows.end());
    std::size_t mat = 0, row = 0;
    for (Cluster& c : cl_) {
        c.row = row;
        row += static_cast<std::size_t>(c.nr);
        c.mat = mat;
        mat += 3 * kk(c) + static_cast<std::size_t>(c.k) + static_cast<std::size_t>(c.k) * c.nr;
    }
    pool_.reset(new double[mat]);
}

namespace {

// Clusters handled together in the passes shared out over the cores: enough to keep both cores
// busy, few enough that a batch's linearised rows and copies stay small.
constexpr std::size_t kBatch = 4096;

// The entries of a linearised row on station unknowns, with their weighted coefficients: what the
// station block receives from the row.
struct CoreTerms {
    int n = 0;
    int ci[9];    // core index
    double a[9];  // coefficient
    double wa[9]; // weight times coefficient
    double misclosure = 0.0;
};

} // namespace

bool Normals::assemble(const std::function<bool(int, Row&)>& linearize, int& failed) {
    return assembleRows(linearize, failed, true);
}

bool Normals::assembleRightHandSide(const std::function<bool(int, Row&)>& linearize, int& failed) {
    return assembleRows(linearize, failed, false);
}

bool Normals::assembleRows(const std::function<bool(int, Row&)>& linearize, int& failed, bool matrix) {
    if (matrix) A_.setZero(na_, na_);
    ba_.setZero(na_);
    double* const a = A_.data();
    const std::size_t lda = static_cast<std::size_t>(na_);
    auto coreTerms = [&](const Row& r, CoreTerms& t) {
        t.n = 0;
        t.misclosure = r.misclosure;
        for (int k = 0; k < r.n; ++k) {
            const int ci = core_[r.idx[k]];
            if (ci < 0) continue;
            t.ci[t.n] = ci;
            t.a[t.n] = r.a[k];
            t.wa[t.n] = r.w * r.a[k];
            ++t.n;
        }
    };
    // Adds a row's terms on the station unknowns whose column lies in [first, last), on and below the
    // diagonal (all that factor() and diagonal() read). Threads owning disjoint column ranges can
    // share out a batch of rows, each entry still receiving its terms in row order.
    auto addCore = [&](const CoreTerms& t, int first, int last) {
        for (int i = 0; i < t.n; ++i) {
            const int ci = t.ci[i];
            if (ci >= first && ci < last) ba_(ci) += t.wa[i] * t.misclosure;
            if (!matrix) continue;
            for (int j = 0; j < t.n; ++j)
                if (t.ci[j] >= first && t.ci[j] < last && ci >= t.ci[j])
                    a[static_cast<std::size_t>(t.ci[j]) * lda + ci] += t.wa[i] * t.a[j];
        }
    };
    Row r;
    CoreTerms t;
    for (int i : coreObs_) {
        if (!linearize(i, r)) {
            failed = i;
            return false;
        }
        coreTerms(r, t);
        addCore(t, 0, na_);
    }
    // A batch of clusters at a time: their observations linearised and their own blocks (C, B, b; b
    // alone without the matrix) formed over the cores, then the batch's terms on the station block
    // added in observation order.
    std::vector<CoreTerms> terms;
    for (std::size_t first = 0; first < cl_.size(); first += kBatch) {
        const std::size_t last = std::min(first + kBatch, cl_.size());
        const std::size_t from = cl_[first].obs, to = cl_[last - 1].obsEnd;
        terms.resize(to - from);
        // Each range stops at its first observation without a value; the first of those is named.
        std::size_t failedAt[kMaxRanges];
        std::atomic<std::size_t> slot{0};
        parallelRanges(
            last - first,
            [&](std::size_t c0, std::size_t c1) {
                std::vector<int> pos(static_cast<std::size_t>(na_), -1);
                int li[9], bi[9], cj[9];
                Row row;
                for (std::size_t ci2 = first + c0; ci2 < first + c1; ++ci2) {
                    Cluster& c = cl_[ci2];
                    const int nr = c.nr;
                    Map cc = C(c);
                    // B (rows x k) accumulates in X's place until factor() turns it into X.
                    Map bb(pool(xAt(c)), nr, c.k);
                    if (matrix) {
                        cc.setZero();
                        bb.setZero();
                    }
                    auto rhs = b(c);
                    rhs.setZero();
                    for (int at = 0; at < nr; ++at)
                        pos[static_cast<std::size_t>(rowOf(c, at))] = at;
                    for (std::size_t j = c.obs; j < c.obsEnd; ++j) {
                        if (!linearize(obs_[j], row)) {
                            failedAt[slot++] = j;
                            return;
                        }
                        coreTerms(row, terms[j - from]);
                        if (!matrix) {
                            for (int i = 0; i < row.n; ++i)
                                if (local_[row.idx[i]] >= 0)
                                    rhs(local_[row.idx[i]]) += row.w * row.a[i] * row.misclosure;
                            continue;
                        }
                        for (int k = 0; k < row.n; ++k) {
                            cj[k] = core_[row.idx[k]];
                            li[k] = local_[row.idx[k]];
                            bi[k] = cj[k] >= 0 ? pos[static_cast<std::size_t>(cj[k])] : -1;
                        }
                        for (int i = 0; i < row.n; ++i) {
                            if (li[i] < 0) continue;
                            const double wa = row.w * row.a[i];
                            rhs(li[i]) += wa * row.misclosure;
                            for (int jj = 0; jj < row.n; ++jj) {
                                if (li[jj] >= 0)
                                    cc(li[i], li[jj]) += wa * row.a[jj];
                                else if (cj[jj] >= 0)
                                    bb(bi[jj], li[i]) += wa * row.a[jj];
                            }
                        }
                    }
                    for (int at = 0; at < nr; ++at)
                        pos[static_cast<std::size_t>(rowOf(c, at))] = -1;
                }
            },
            512);
        if (slot > 0) { // the first observation in order without a value
            failed = obs_[*std::min_element(failedAt, failedAt + slot)];
            return false;
        }
        if (!matrix) { // the right-hand side alone: a light pass, in order
            for (std::size_t j = from; j < to; ++j)
                addCore(terms[j - from], 0, na_);
            continue;
        }
        // A cluster's rows touch only the core columns listed for it (ascending): a range of columns
        // skips the clusters that lie wholly outside it.
        parallelLowerColumns(static_cast<std::size_t>(na_), [&](std::size_t c0, std::size_t c1) {
            for (std::size_t ci = first; ci < last; ++ci) {
                const Cluster& c = cl_[ci];
                if (c.nr == 0 || rowOf(c, c.nr - 1) < static_cast<int>(c0) ||
                    rowOf(c, 0) >= static_cast<int>(c1))
                    continue;
                for (std::size_t j = c.obs; j < c.obsEnd; ++j)
                    addCore(terms[j - from], static_cast<int>(c0), static_cast<int>(c1));
            }
        });
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
    double* const sd = S.data();
    const std::size_t lds = static_cast<std::size_t>(na_);
    // A batch of clusters at a time: their factors and X blocks over the cores (each cluster writes
    // its own), then their updates of the station system in cluster order, from a copy of B kept for
    // the batch, the columns of the station system shared out over the cores.
    std::vector<std::size_t> at;
    std::vector<double> bcopy;
    std::atomic<bool> broken{false};
    for (std::size_t first = 0; first < cl_.size(); first += kBatch) {
        const std::size_t last = std::min(first + kBatch, cl_.size());
        at.assign(1, 0);
        for (std::size_t ci = first; ci < last; ++ci)
            at.push_back(at.back() + static_cast<std::size_t>(cl_[ci].k) * cl_[ci].nr);
        bcopy.resize(at.back());
        parallelRanges(
            last - first,
            [&](std::size_t from, std::size_t to) {
                Eigen::LLT<Eigen::MatrixXd> llt;
                Eigen::MatrixXd cm;
                for (std::size_t i = from; i < to; ++i) {
                    const Cluster& c = cl_[first + i];
                    cm = C(c);
                    llt.compute(cm);
                    int where = -1;
                    if (llt.info() != Eigen::Success || pivotRatio(llt, cm, where) < kSingular) {
                        broken = true;
                        return;
                    }
                    L(c) = llt.matrixLLT();
                    // A cluster tied to no station unknown leaves nothing for the station system (and
                    // Eigen's triangular solve must not be handed an empty right-hand side).
                    if (c.nr == 0) continue;
                    Map bm(bcopy.data() + at[i], c.nr, c.k);
                    bm = Map(pool(xAt(c)), c.nr, c.k); // B, held in X's place
                    Map x = X(c);
                    x = bm.transpose();
                    cholSolveInPlace(c, x);
                }
            },
            512);
        if (broken) {
            why = singular;
            return false;
        }
        parallelLowerColumns(static_cast<std::size_t>(na_), [&](std::size_t c0, std::size_t c1) {
            for (std::size_t ci = first; ci < last; ++ci) {
                const Cluster& c = cl_[ci];
                if (c.nr > 0)
                    subtractBlockUpdate(bcopy.data() + at[ci - first], X(c).data(), c.k, c.nr,
                                        rows_.data() + c.row, sd, lds, static_cast<int>(c0),
                                        static_cast<int>(c1));
            }
        });
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
    Eigen::MatrixXd x = Eigen::MatrixXd::Zero(np_, rhs.cols());
    solveInto(rhs, x);
    return x;
}

Eigen::MatrixXd Normals::solveTransposed(const Eigen::MatrixXd& rhsT) const {
    Eigen::MatrixXd xt = Eigen::MatrixXd::Zero(rhsT.rows(), np_);
    auto x = xt.transpose();
    solveInto(rhsT.transpose(), x);
    return xt;
}

template <class Rhs, class Out> void Normals::solveInto(const Rhs& rhs, Out& x) const {
    const Eigen::Index m = rhs.cols();
    if (m == 0 || np_ == 0) return; // no right-hand side (e.g. no unknown asked for)
    Eigen::MatrixXd ba(na_, m);
    for (int i = 0; i < na_; ++i)
        ba.row(i) = rhs.row(coreParam_[i]);
    // C^-1 b per cluster, one after the other in the order of params_: a batch of clusters over the
    // cores (each its own rows of yc and its own terms for the station system), then the terms
    // taken off the station system in cluster order.
    Eigen::MatrixXd yc(static_cast<Eigen::Index>(params_.size()), m);
    std::vector<std::size_t> at;
    std::vector<double> terms;
    for (std::size_t first = 0; first < cl_.size(); first += kBatch) {
        const std::size_t last = std::min(first + kBatch, cl_.size());
        at.assign(1, 0);
        for (std::size_t ci = first; ci < last; ++ci)
            at.push_back(at.back() + static_cast<std::size_t>(cl_[ci].nr) * static_cast<std::size_t>(m));
        terms.resize(at.back());
        parallelRanges(
            last - first,
            [&](std::size_t from, std::size_t to) {
                Eigen::MatrixXd by;
                for (std::size_t i = from; i < to; ++i) {
                    const Cluster& c = cl_[first + i];
                    auto yb = yc.middleRows(static_cast<Eigen::Index>(c.param), c.k);
                    for (int l = 0; l < c.k; ++l)
                        yb.row(l) = rhs.row(params_[c.param + l]);
                    cholSolveInPlace(c, yb);
                    if (c.nr == 0) continue;
                    const ConstMap xc(pool(xAt(c)), c.k, c.nr);
                    const ConstMap cc(pool(c.mat), c.k, c.k);
                    by = xc.transpose().lazyProduct(cc.lazyProduct(yb));
                    std::copy(by.data(), by.data() + by.size(), terms.data() + at[i]);
                }
            },
            512);
        for (std::size_t ci = first; ci < last; ++ci) {
            const Cluster& c = cl_[ci];
            const Eigen::Map<const Eigen::MatrixXd> by(terms.data() + at[ci - first], c.nr, m);
            for (int r = 0; r < c.nr; ++r)
                ba.row(rowOf(c, r)) -= by.row(r);
        }
    }
    const Eigen::MatrixXd xa = na_ > 0 ? Eigen::MatrixXd(S_.solve(ba)) : Eigen::MatrixXd(0, m);
    for (int i = 0; i < na_; ++i)
        x.row(coreParam_[i]) = xa.row(i);
    // Each cluster writes its own rows of x.
    parallelRanges(
        cl_.size(),
        [&](std::size_t from, std::size_t to) {
            Eigen::MatrixXd xr, xc;
            for (std::size_t ci = from; ci < to; ++ci) {
                const Cluster& c = cl_[ci];
                const auto yb = yc.middleRows(static_cast<Eigen::Index>(c.param), c.k);
                if (c.nr == 0) {
                    for (int l = 0; l < c.k; ++l)
                        x.row(params_[c.param + l]) = yb.row(l);
                    continue;
                }
                xr.resize(c.nr, m);
                for (int r = 0; r < c.nr; ++r)
                    xr.row(r) = xa.row(rowOf(c, r));
                const ConstMap xm(pool(xAt(c)), c.k, c.nr);
                xc = yb - xm.lazyProduct(xr);
                for (int l = 0; l < c.k; ++l)
                    x.row(params_[c.param + l]) = xc.row(l);
            }
        },
        512);
}

Eigen::VectorXd Normals::solveAssembled() const {
    Eigen::VectorXd rhs = Eigen::VectorXd::Zero(np_);
    for (int i = 0; i < na_; ++i)
        rhs(coreParam_[i]) = ba_(i);
    for (const Cluster& c : cl_) {
        const auto bc = b(c);
        for (int l = 0; l < c.k; ++l)
            rhs(params_[c.param + l]) = bc(l);
    }
    return solve(Eigen::MatrixXd(rhs)).col(0);
}

Eigen::MatrixXd Normals::crossCovariance(const Cluster& c) const {
    // -X Qaa(rows, rows), read straight from Qaa; each entry summed over the rows in order.
    Eigen::MatrixXd out(c.k, c.nr);
    const double* const x = pool(xAt(c));
    const int* const rows = rows_.data() + c.row;
    switch (c.k) { // the usual sizes with the sums held in registers
    case 1:
        crossBlock<1>(x, rows, c.nr, Qaa_.data(), na_, out.data());
        break;
    case 2:
        crossBlock<2>(x, rows, c.nr, Qaa_.data(), na_, out.data());
        break;
    case 3:
        crossBlock<3>(x, rows, c.nr, Qaa_.data(), na_, out.data());
        break;
    case 6:
        crossBlock<6>(x, rows, c.nr, Qaa_.data(), na_, out.data());
        break;
    default: {
        Eigen::MatrixXd qrr(c.nr, c.nr);
        for (int j = 0; j < c.nr; ++j)
            for (int i = 0; i < c.nr; ++i)
                qrr(i, j) = Qaa_(rows[i], rows[j]);
        out = -ConstMap(x, c.k, c.nr).lazyProduct(qrr);
    }
    }
    return out;
}

void Normals::selectedInverse() {
    inverseBlocks(nullptr, nullptr);
}

void Normals::selectedInverse(const std::function<bool(int, Row&)>& linearize,
                              const std::function<void(int, const Row&, double)>& visit) {
    inverseBlocks(&linearize, &visit);
}

void Normals::inverseBlocks(const std::function<bool(int, Row&)>* linearize,
                            const std::function<void(int, const Row&, double)>* visit) {
    // The inverse of the station system, a group of columns at a time over the cores. Its lower
    // triangle only: a group's columns from its first column's row down need nothing above that
    // row, so both triangular solves run on the factor's trailing block (a third of the work of
    // solving for whole columns); the upper triangle is the lower one mirrored.
    // The assembled core block served the iterations (diagonal()); the factor holds what follows,
    // and the inverse takes its place.
    A_ = Eigen::MatrixXd();
    Qaa_.resize(na_, na_);
    constexpr int kGroup = 64;
    if (na_ > 0) { // (no station system: no factor)
        const Eigen::MatrixXd& factor = S_.matrixLLT();
        parallelRanges(
            static_cast<std::size_t>((na_ + kGroup - 1) / kGroup),
            [&](std::size_t g0, std::size_t g1) {
                for (std::size_t g = g0; g < g1; ++g) {
                    const int c0 = static_cast<int>(g) * kGroup;
                    const int k = std::min(kGroup, na_ - c0), m = na_ - c0;
                    Eigen::MatrixXd y = Eigen::MatrixXd::Identity(m, k);
                    const auto l = factor.bottomRightCorner(m, m).triangularView<Eigen::Lower>();
                    l.solveInPlace(y);
                    l.adjoint().solveInPlace(y);
                    Qaa_.block(c0, c0, m, k) = y;
                }
            },
            1);
    }
    parallelRanges(
        static_cast<std::size_t>(na_),
        [&](std::size_t j0, std::size_t j1) {
            for (Eigen::Index j = static_cast<Eigen::Index>(j0); j < static_cast<Eigen::Index>(j1); ++j)
                Qaa_.col(j).head(j) = Qaa_.row(j).head(j).transpose();
        },
        64);
    Row r;
    const Eigen::MatrixXd none;
    if (visit)
        for (int i : coreObs_) {
            (*linearize)(i, r);
            (*visit)(i, r, quadraticWith(r, none));
        }
    // Each cluster writes its own block and visits its own observations: the clusters are shared
    // out over the cores.
    parallelRanges(cl_.size(), [&](std::size_t from, std::size_t to) {
        Row row;
        Eigen::MatrixXd inv;
        for (std::size_t ci = from; ci < to; ++ci) {
            const Cluster& c = cl_[ci];
            inv.setIdentity(c.k, c.k);
            cholSolveInPlace(c, inv);
            const Eigen::MatrixXd qcr = c.nr == 0 ? Eigen::MatrixXd(c.k, 0) : crossCovariance(c);
            if (c.nr == 0)
                Qcc(c) = inv;
            else
                Qcc(c) = inv - qcr.lazyProduct(X(c).transpose());
            if (!visit) continue;
            for (std::size_t j = c.obs; j < c.obsEnd; ++j) {
                const int i = obs_[j];
                (*linearize)(i, row);
                (*visit)(i, row, quadraticWith(row, qcr));
            }
        }
    });
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
        return Qcc(c)(local_[i], local_[j]);
    }
    const int* rows = rows_.data() + c.row;
    const int* it = std::lower_bound(rows, rows + c.nr, cj);
    if (it == rows + c.nr || *it != cj) return std::numeric_limits<double>::quiet_NaN();
    const ConstMap x(pool(xAt(c)), c.k, c.nr);
    double sum = 0.0; // one entry of -X Qaa(rows, rows)
    for (int r = 0; r < c.nr; ++r)
        sum += x(local_[i], r) * Qaa_(rows[r], cj);
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
        for (std::size_t j = c.obs; j < c.obsEnd; ++j) {
            const int i = obs_[j];
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
        const int* rows = rows_.data() + cl_[c].row;
        const int nr = cl_[c].nr;
        for (int i = 0; i < r.n; ++i)
            if (kind[i] == 0) rowAt[i] = static_cast<int>(std::lower_bound(rows, rows + nr, at[i]) - rows);
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
                qij = Qcc(cl_[c])(at[i], at[j]);
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
    if (core_[i] >= 0)
        return core_[i] < A_.rows() ? A_(core_[i], core_[i]) : std::numeric_limits<double>::quiet_NaN();
    if (cluster_[i] >= 0) return C(cl_[cluster_[i]])(local_[i], local_[i]);
    return 0.0;
}

} // namespace kivo::eng
