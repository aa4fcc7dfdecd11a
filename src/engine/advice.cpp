#include "engine/advice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>

#include <Eigen/Dense>

#include "engine/datum.h"
#include "engine/ellipse.h"
#include "engine/functional_model.h"
#include "engine/mavo.h"
#include "engine/network.h"
#include "engine/normals.h"
#include "engine/relative.h"

namespace kivo::eng {

namespace {

// The adjusted network the advice starts from: the same steps as a full run up to its covariance.
struct Baseline {
    Network net;
    Datum datum;
    Normals normals;
    std::string why;
    std::vector<double> axis; // per element: largest 1-sigma axis (0 when left out or fixed)

    bool build(const project& p) {
        if (p.maxsta + p.maxtar <= 0) return fail("no stations or targets to adjust");
        if (!net.read(p)) return fail("names not unique (ignoring case) across stations and targets");
        datum = analyseDefects(net);
        if (net.nparam == 0) return fail("nothing is adjusted");
        normals.layout(net, datum.excluded);
        auto linearize = [&](int i, Row& row) { return net.linearize(i, row); };
        bool converged = false;
        for (int it = 1; it <= 20 && !converged; ++it) {
            int failed = -1;
            if (!normals.assemble(linearize, failed))
                return fail("observation without a defined value: " + net.describe(failed));
            if (!normals.factor(why)) return false;
            const Eigen::VectorXd dx = datum.toDatum(normals.solveAssembled());
            double worst = 0.0;
            for (int q = 0; q < net.nparam; ++q) {
                Element& e = net.el[net.paramElement[q]];
                e.x[net.paramComp[q]] += dx(q);
                worst = std::max(worst, std::fabs(dx(q)) * std::sqrt(normals.diagonal(q)));
            }
            if (!std::isfinite(worst)) return fail("the iterations diverged");
            converged = worst < 1e-6;
        }
        if (!converged) return fail("the adjustment does not converge");
        normals.selectedInverse();
        const Covariance cov(normals, datum);
        axis.assign(net.el.size(), 0.0);
        for (std::size_t e = 0; e < net.el.size(); ++e)
            if (net.el[e].determined) {
                const int i = static_cast<int>(e);
                axis[e] = ellipsoidAxes(cov.positions(net, i, i))(0);
            }
        return true;
    }
    bool fail(const std::string& w) {
        why = w;
        return false;
    }

    // Columns of the covariance (in the datum of the run) for the unknowns listed: Q E = S Qf S^T E.
    Eigen::MatrixXd columns(const std::vector<int>& unknowns) const {
        const auto k = static_cast<Eigen::Index>(unknowns.size());
        Eigen::MatrixXd e = Eigen::MatrixXd::Zero(net.nparam, k);
        for (Eigen::Index j = 0; j < k; ++j)
            e(unknowns[static_cast<std::size_t>(j)], j) = 1.0;
        if (datum.defect > 0) {
            Eigen::MatrixXd gt(datum.defect, k);
            for (Eigen::Index j = 0; j < k; ++j)
                gt.col(j) = datum.G.row(unknowns[static_cast<std::size_t>(j)]).transpose();
            e -= datum.T.transpose() * gt;
        }
        Eigen::MatrixXd x = normals.solve(e);
        if (datum.defect > 0) x -= datum.G * (datum.T * x);
        return x;
    }

    int worstElement() const {
        int w = -1;
        for (std::size_t e = 0; e < axis.size(); ++e)
            if (axis[e] > 0.0 && (w < 0 || axis[e] > axis[static_cast<std::size_t>(w)]))
                w = static_cast<int>(e);
        return w;
    }
    bool allowed(const std::vector<char>& targets, int e) const {
        const int j = e - net.nsta;
        return j >= 0 && (targets.empty() || (static_cast<std::size_t>(j) < targets.size() && targets[j]));
    }
};

// A line of sight with no length or no horizontal extent gives no usable direction.
bool degenerate(const double a[3], const double b[3]) {
    const double dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    return len <= 1e-9 || std::hypot(dx, dy) <= 1e-9 * len;
}

// Covariance columns held at a time: a bound on the memory the advice takes on a large network.
constexpr double kMaxColumnEntries = 12e6;

// Covariance entries from two sets of precomputed columns, or from the selected inverse on the pattern.
struct Lookup {
    const Eigen::MatrixXd& x;
    const std::vector<int>& col; // unknown -> column of x or -1
    const Covariance& cov;
    const Eigen::MatrixXd* xs = nullptr; // a second set (the current station's columns)
    const std::vector<int>* colS = nullptr;
    double operator()(int a, int b) const {
        if (a < 0 || b < 0) return 0.0;
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        if (col[ub] >= 0) return x(a, col[ub]);
        if (col[ua] >= 0) return x(b, col[ua]);
        if (xs && (*colS)[ub] >= 0) return (*xs)(a, (*colS)[ub]);
        if (xs && (*colS)[ua] >= 0) return (*xs)(b, (*colS)[ua]);
        return cov(a, b);
    }
};

} // namespace

namespace {

SightingAdvice adviseSightingsOn(const project& p, const SightingOptions& o) {
    SightingAdvice out;
    Baseline b;
    if (!b.build(p)) {
        out.why = b.why;
        return out;
    }
    const Network& net = b.net;
    out.worst = b.worstElement();
    if (out.worst < 0) {
        out.why = "every element is fixed: there is nothing to improve";
        return out;
    }
    out.worstAxis = b.axis[static_cast<std::size_t>(out.worst)];

    // Elements outside the tolerance now (the largest first; at most a few hundred are followed,
    // fewer on a network so large that their covariance columns would take too much memory).
    std::vector<int> outside;
    if (o.tolerance > 0.0)
        for (std::size_t e = 0; e < b.axis.size(); ++e)
            if (b.axis[e] * o.factor > o.tolerance) outside.push_back(static_cast<int>(e));
    std::sort(outside.begin(), outside.end(), [&](int l, int r) {
        return b.axis[static_cast<std::size_t>(l)] > b.axis[static_cast<std::size_t>(r)];
    });
    out.outside = static_cast<int>(outside.size());
    const auto follow =
        static_cast<std::size_t>(std::clamp(kMaxColumnEntries / (3.0 * net.nparam), 1.0, 200.0));
    if (outside.size() > follow) outside.resize(follow);

    // Covariance columns held throughout: the worst element and the elements outside; each
    // station's own come one station at a time.
    std::vector<int> cols, colOf(static_cast<std::size_t>(net.nparam), -1);
    auto want = [&](int e, int n) {
        for (int k = 0; k < n; ++k) {
            const int u = net.el[static_cast<std::size_t>(e)].param[k];
            if (u >= 0 && colOf[static_cast<std::size_t>(u)] < 0) {
                colOf[static_cast<std::size_t>(u)] = static_cast<int>(cols.size());
                cols.push_back(u);
            }
        }
    };
    want(out.worst, 3);
    for (int e : outside)
        want(e, 3);
    const Eigen::MatrixXd x = b.columns(cols);
    const Covariance cov(b.normals, b.datum);
    Lookup q{x, colOf, cov};
    std::vector<int> colS(static_cast<std::size_t>(net.nparam), -1), stationCols;
    Eigen::MatrixXd xs;

    // What exists already: direction and distance per (station, target).
    const std::size_t nel = net.el.size();
    std::vector<char> hasDir(static_cast<std::size_t>(net.nsta) * nel, 0), hasDist(hasDir.size(), 0);
    std::vector<char> measures(static_cast<std::size_t>(net.nsta), 0);
    for (const Observation& ob : net.obs) {
        if (ob.e1 < 0 || ob.e2 < 0) continue;
        if ((ob.kind == Kind::Direction || ob.kind == Kind::Zenith) && ob.e1 < net.nsta)
            hasDir[static_cast<std::size_t>(ob.e1) * nel + ob.e2] = 1;
        if (ob.kind == Kind::Distance)
            for (auto [s, t] : {std::pair{ob.e1, ob.e2}, std::pair{ob.e2, ob.e1}})
                if (s < net.nsta) {
                    hasDist[static_cast<std::size_t>(s) * nel + t] = 1;
                    measures[static_cast<std::size_t>(s)] = 1;
                }
    }

    auto blockOf = [&](int e, const std::array<int, 9>& pp) {
        Eigen::Matrix<double, 3, 9> m;
        const int* pe = net.el[static_cast<std::size_t>(e)].param;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 9; ++j)
                m(i, j) = q(pe[i], pp[static_cast<std::size_t>(j)]);
        return m;
    };
    auto element3 = [&](int e) {
        Eigen::Matrix3d m;
        const int* pe = net.el[static_cast<std::size_t>(e)].param;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                m(i, j) = q(pe[i], pe[j]);
        return m;
    };
    const Eigen::Matrix3d qww = element3(out.worst);
    std::vector<Eigen::Matrix3d> qOut;
    for (int e : outside)
        qOut.push_back(element3(e));

    for (int s = 0; s < net.nsta; ++s) {
        const Element& st = net.el[static_cast<std::size_t>(s)];
        if (!st.determined) continue;
        for (int u : stationCols)
            colS[static_cast<std::size_t>(u)] = -1;
        stationCols.clear();
        for (int k = 0; k < 6; ++k)
            if (st.param[k] >= 0) {
                colS[static_cast<std::size_t>(st.param[k])] = static_cast<int>(stationCols.size());
                stationCols.push_back(st.param[k]);
            }
        xs = b.columns(stationCols);
        q.xs = &xs;
        q.colS = &colS;
        for (int t = net.nsta; t < static_cast<int>(nel); ++t) {
            const Element& tg = net.el[static_cast<std::size_t>(t)];
            if (!tg.determined || !b.allowed(o.targets, t) || degenerate(st.x, tg.x)) continue;
            const bool dir = !hasDir[static_cast<std::size_t>(s) * nel + t];
            const bool dist =
                measures[static_cast<std::size_t>(s)] && !hasDist[static_cast<std::size_t>(s) * nel + t];
            if (!dir && !dist) continue;
            std::array<int, 9> pp;
            for (int k = 0; k < 6; ++k)
                pp[static_cast<std::size_t>(k)] = st.param[k];
            for (int k = 0; k < 3; ++k)
                pp[static_cast<std::size_t>(6 + k)] = tg.param[k];
            Eigen::Matrix<double, 9, 9> qpp;
            for (int i = 0; i < 9; ++i)
                for (int j = 0; j <= i; ++j)
                    qpp(i, j) = qpp(j, i) =
                        q(pp[static_cast<std::size_t>(i)], pp[static_cast<std::size_t>(j)]);
            const Eigen::Matrix<double, 3, 9> qwp = blockOf(out.worst, pp);

            for (int kind = 0; kind < 2; ++kind) {
                if (kind == 0 ? !dir : !dist) continue;
                const Kind kinds[2] = {kind == 0 ? Kind::Direction : Kind::Distance, Kind::Zenith};
                const int m = kind == 0 ? 2 : 1;
                Eigen::Matrix<double, Eigen::Dynamic, 9> a = Eigen::MatrixXd::Zero(m, 9);
                Eigen::VectorXd var(m);
                bool defined = true;
                for (int r = 0; r < m; ++r) {
                    double v, d1[6], d2[3];
                    if (!evaluate(kinds[r], st.x, tg.x, v, d1, d2)) defined = false;
                    const int n1 = kinds[r] == Kind::Distance ? 3 : 6;
                    for (int k = 0; k < n1; ++k)
                        a(r, k) = pp[static_cast<std::size_t>(k)] >= 0 ? d1[k] : 0.0;
                    for (int k = 0; k < 3; ++k)
                        a(r, 6 + k) = pp[static_cast<std::size_t>(6 + k)] >= 0 ? d2[k] : 0.0;
                    const double sd = kinds[r] == Kind::Distance ? o.sdDistance
                                      : kinds[r] == Kind::Zenith ? o.sdZenith
                                                                 : o.sdDirection;
                    var(r) = sd * sd;
                }
                if (!defined || (var.array() <= 0.0).any()) continue;
                // A sighting that would fix part of a free datum changes the datum: not judged.
                bool keepsDatum = true;
                for (int g = 0; g < b.datum.defect && keepsDatum; ++g)
                    for (int r = 0; r < m; ++r) {
                        double sum = 0.0, mag = 0.0;
                        for (int k = 0; k < 9; ++k)
                            if (pp[static_cast<std::size_t>(k)] >= 0) {
                                const double t1 = a(r, k) * b.datum.G(pp[static_cast<std::size_t>(k)], g);
                                sum += t1;
                                mag += std::fabs(t1);
                            }
                        if (std::fabs(sum) > 1e-6 * mag) keepsDatum = false;
                    }
                if (!keepsDatum) continue;
                ++out.judged;
                Eigen::MatrixXd mm = a * qpp * a.transpose();
                mm.diagonal() += var;
                const Eigen::LLT<Eigen::MatrixXd> llt(mm);
                if (llt.info() != Eigen::Success) continue;
                auto updated = [&](const Eigen::Matrix3d& qee, const Eigen::Matrix<double, 3, 9>& qep) {
                    const Eigen::MatrixXd u = qep * a.transpose(); // 3 x m
                    return Eigen::Matrix3d(qee - u * llt.solve(u.transpose()));
                };
                Suggestion sg;
                sg.station = st.index;
                sg.target = tg.index;
                sg.distance = kind == 1;
                sg.axisAfter = ellipsoidAxes(updated(qww, qwp))(0);
                sg.gain = out.worstAxis - sg.axisAfter;
                for (std::size_t i = 0; i < outside.size(); ++i)
                    if (ellipsoidAxes(updated(qOut[i], blockOf(outside[i], pp)))(0) * o.factor <= o.tolerance)
                        ++sg.broughtWithin;
                out.ranked.push_back(sg);
            }
        }
    }
    std::stable_sort(out.ranked.begin(), out.ranked.end(), [](const Suggestion& l, const Suggestion& r) {
        if (l.gain != r.gain) return l.gain > r.gain;
        return l.broughtWithin > r.broughtWithin;
    });
    if (o.top > 0 && out.ranked.size() > static_cast<std::size_t>(o.top))
        out.ranked.resize(static_cast<std::size_t>(o.top));
    out.ok = true;
    return out;
}

HeatMap stationHeatMapOn(const project& p, const HeatMapOptions& o, const std::atomic<bool>* cancel,
                         const std::function<void(int, int)>& progress) {
    HeatMap out;
    Baseline b;
    if (o.nx <= 0 || o.ny <= 0) {
        out.why = "the grid has no cells";
        return out;
    }
    if (!b.build(p)) {
        out.why = b.why;
        return out;
    }
    const Network& net = b.net;
    const std::size_t nel = net.el.size();

    // Elements by their largest axis, largest first. Adding a station only shrinks covariances, so
    // a cell's value is found by updating elements in that order, a batch at a time, until the
    // largest updated axis is at least the axis (before the update) of the next element.
    std::vector<int> order;
    for (std::size_t e = 0; e < nel; ++e)
        if (b.axis[e] > 0.0) order.push_back(static_cast<int>(e));
    std::sort(order.begin(), order.end(), [&](int l, int r) {
        return b.axis[static_cast<std::size_t>(l)] > b.axis[static_cast<std::size_t>(r)];
    });
    if (order.empty()) {
        out.why = "every element is fixed: there is nothing to improve";
        return out;
    }
    out.current = b.axis[static_cast<std::size_t>(order.front())];
    const std::size_t batch = static_cast<std::size_t>(std::max(o.batch, 1));

    // Sightable targets and the covariance over their positions and the tracked elements'.
    std::vector<int> targets;
    for (std::size_t e = static_cast<std::size_t>(net.nsta); e < nel; ++e)
        if (net.el[e].determined && b.allowed(o.targets, static_cast<int>(e)))
            targets.push_back(static_cast<int>(e));
    std::vector<int> cols, colOf(static_cast<std::size_t>(net.nparam), -1);
    auto want = [&](int e) {
        for (int k = 0; k < 3; ++k) {
            const int u = net.el[static_cast<std::size_t>(e)].param[k];
            if (u >= 0 && colOf[static_cast<std::size_t>(u)] < 0) {
                colOf[static_cast<std::size_t>(u)] = static_cast<int>(cols.size());
                cols.push_back(u);
            }
        }
    };
    for (int e : order)
        want(e);
    for (int e : targets)
        want(e);
    if (static_cast<double>(cols.size()) * std::max<double>(net.nparam, cols.size()) > kMaxColumnEntries) {
        out.why = "the network is too large for the heat map (" + std::to_string(cols.size()) +
                  " coordinates of points and elements to follow)";
        return out;
    }
    const Eigen::MatrixXd full = b.columns(cols);
    Eigen::MatrixXd qu(cols.size(), cols.size());
    for (std::size_t i = 0; i < cols.size(); ++i)
        qu.row(static_cast<Eigen::Index>(i)) = full.row(cols[i]);
    // Local position of an element's three coordinates in qu (-1 for a fixed one).
    auto local = [&](int e, int k) {
        const int u = net.el[static_cast<std::size_t>(e)].param[k];
        return u < 0 ? -1 : colOf[static_cast<std::size_t>(u)];
    };
    int nmask = 0;
    for (bool u : o.unknown)
        nmask += u ? 1 : 0;

    out.nx = o.nx;
    out.ny = o.ny;
    const int cells = o.nx * o.ny;
    out.value.assign(static_cast<std::size_t>(cells), out.current);
    out.sighted.assign(static_cast<std::size_t>(cells), 0);
    std::atomic<int> next{0}, done{0};

    auto cell = [&](int c) {
        const int ix = c % o.nx, iy = c / o.nx;
        const double st[6] = {o.xMin + (ix + 0.5) * (o.xMax - o.xMin) / o.nx,
                              o.yMin + (iy + 0.5) * (o.yMax - o.yMin) / o.ny,
                              o.z,
                              0,
                              0,
                              0};
        std::vector<int> seen;
        std::vector<double> rows; // per target: 2 rows x (6 station + 3 target) scaled by sqrt(w)
        for (int t : targets) {
            const double* x = net.el[static_cast<std::size_t>(t)].x;
            const double d = std::sqrt((x[0] - st[0]) * (x[0] - st[0]) + (x[1] - st[1]) * (x[1] - st[1]) +
                                       (x[2] - st[2]) * (x[2] - st[2]));
            if ((o.range > 0.0 && d > o.range) || degenerate(st, x)) continue;
            double v, d1[2][6], d2[2][3];
            if (!evaluate(Kind::Direction, st, x, v, d1[0], d2[0]) ||
                !evaluate(Kind::Zenith, st, x, v, d1[1], d2[1]))
                continue;
            seen.push_back(t);
            for (int r = 0; r < 2; ++r) {
                const double sw = 1.0 / (r == 0 ? o.sdDirection : o.sdZenith);
                for (int k = 0; k < 6; ++k)
                    rows.push_back(d1[r][k] * sw);
                for (int k = 0; k < 3; ++k)
                    rows.push_back(d2[r][k] * sw);
            }
        }
        out.sighted[static_cast<std::size_t>(c)] = static_cast<int>(seen.size());
        const auto m = static_cast<Eigen::Index>(2 * seen.size());
        if (m == 0) return;
        // Station part (unknown components only) and target part of the weighted rows.
        Eigen::MatrixXd as(m, nmask);
        for (Eigen::Index r = 0; r < m; ++r)
            for (int k = 0, j = 0; k < 6; ++k)
                if (o.unknown[k]) as(r, j++) = rows[static_cast<std::size_t>(r) * 9 + k];
        Eigen::MatrixXd gi;
        if (nmask > 0) {
            const Eigen::MatrixXd g = as.transpose() * as;
            const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(g);
            const auto& ev = eig.eigenvalues();
            if (ev(0) <= 1e-10 * ev(nmask - 1)) return; // the new station would not be determined
            gi = eig.eigenvectors() * ev.cwiseInverse().asDiagonal() * eig.eigenvectors().transpose();
        }
        // K: the weighted rows on the targets' positions. KQ = K Q(targets, .), row by row (Q is
        // symmetric: its columns serve as rows, read contiguously).
        using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
        RowMajor kq = RowMajor::Zero(m, qu.cols());
        std::vector<int> at(static_cast<std::size_t>(3 * m), -1); // per row: the three local indices
        std::vector<double> coef(static_cast<std::size_t>(3 * m), 0.0);
        for (std::size_t i = 0; i < seen.size(); ++i)
            for (int r = 0; r < 2; ++r) {
                const std::size_t row = 2 * i + static_cast<std::size_t>(r);
                for (int k = 0; k < 3; ++k) {
                    const int l = local(seen[i], k);
                    if (l < 0) continue;
                    at[3 * row + static_cast<std::size_t>(k)] = l;
                    coef[3 * row + static_cast<std::size_t>(k)] =
                        rows[row * 9 + 6 + static_cast<std::size_t>(k)];
                    kq.row(static_cast<Eigen::Index>(row)) +=
                        coef[3 * row + static_cast<std::size_t>(k)] * qu.col(l).transpose();
                }
            }
        // P = K Q K^T, gathered from the rows of KQ.
        Eigen::MatrixXd pm(m, m);
        for (Eigen::Index r = 0; r < m; ++r)
            for (Eigen::Index c2 = 0; c2 < m; ++c2) {
                double sum = 0.0;
                for (int k = 0; k < 3; ++k) {
                    const std::size_t q3 = 3 * static_cast<std::size_t>(c2) + static_cast<std::size_t>(k);
                    if (at[q3] >= 0) sum += coef[q3] * kq(r, at[q3]);
                }
                pm(r, c2) = sum;
            }
        Eigen::MatrixXd agT; // (As G^-1)^T, for the projector
        if (nmask > 0) {
            const Eigen::MatrixXd z = pm * as; // m x q
            const Eigen::MatrixXd ag = as * gi;
            pm += -ag * z.transpose() - z * ag.transpose() + ag * (as.transpose() * z) * ag.transpose();
            agT = ag.transpose();
        }
        pm.diagonal().array() += 1.0;
        const Eigen::LLT<Eigen::MatrixXd> llt(pm);
        if (llt.info() != Eigen::Success) return;
        double worst = 0.0;
        for (std::size_t from = 0; from < order.size(); from += batch) {
            const std::size_t to = std::min(order.size(), from + batch);
            const auto ne = static_cast<Eigen::Index>(3 * (to - from));
            // K Q(., elements) through the projector, then L^-1 of it.
            Eigen::MatrixXd ke = Eigen::MatrixXd::Zero(m, ne);
            for (Eigen::Index j = 0; j < ne; ++j) {
                const int l = local(order[from + static_cast<std::size_t>(j / 3)], static_cast<int>(j % 3));
                if (l < 0) continue;
                for (Eigen::Index r = 0; r < m; ++r)
                    ke(r, j) = kq(r, l);
            }
            if (nmask > 0) ke -= as * (agT * ke);
            llt.matrixL().solveInPlace(ke);
            for (std::size_t e = from; e < to; ++e) {
                const int el = order[e];
                Eigen::Matrix3d qe = Eigen::Matrix3d::Zero();
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) {
                        const int li = local(el, i), lj = local(el, j);
                        if (li >= 0 && lj >= 0) qe(i, j) = qu(li, lj);
                    }
                const auto at = static_cast<Eigen::Index>(3 * (e - from));
                qe -= ke.middleCols(at, 3).transpose() * ke.middleCols(at, 3);
                worst = std::max(worst, ellipsoidAxes(qe)(0));
            }
            if (to == order.size() || worst >= b.axis[static_cast<std::size_t>(order[to])]) break;
        }
        out.value[static_cast<std::size_t>(c)] = worst;
    };

    // A failure in one thread (out of memory) stops the cells not yet begun and is thrown again here.
    std::mutex failureLock;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (int c; (c = next++) < cells;) {
                if (cancel && cancel->load()) return;
                cell(c);
                const int n = ++done;
                if (progress) progress(n, cells);
            }
        } catch (...) {
            next = cells;
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
        }
    };
    const int nthreads = std::clamp(o.threads, 1, 8);
    std::vector<std::thread> pool;
    pool.reserve(static_cast<std::size_t>(nthreads));
    for (int i = 1; i < nthreads; ++i) {
        try {
            pool.emplace_back(work);
        } catch (const std::exception&) {
            break; // no thread to be had: fewer threads do the work
        }
    }
    work();
    for (std::thread& t : pool)
        t.join();
    if (failure) std::rethrow_exception(failure);
    out.cancelled = cancel && cancel->load() && done.load() < cells;
    out.ok = !out.cancelled;
    if (out.cancelled) out.why = "cancelled";
    return out;
}

} // namespace

// Running out of memory is an answer like any other failure: the reason, nothing else.
SightingAdvice adviseSightings(const project& p, const SightingOptions& o) {
    try {
        return adviseSightingsOn(p, o);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    SightingAdvice out;
    out.why = notEnoughMemoryText(countUnknowns(p));
    return out;
}

HeatMap stationHeatMap(const project& p, const HeatMapOptions& o, const std::atomic<bool>* cancel,
                       const std::function<void(int, int)>& progress) {
    try {
        return stationHeatMapOn(p, o, cancel, progress);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    HeatMap out;
    out.why = notEnoughMemoryText(countUnknowns(p));
    return out;
}

} // namespace kivo::eng
