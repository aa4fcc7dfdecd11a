#include "engine/datum.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <numeric>
#include <span>
#include <utility>

#include "engine/block_update.h"
#include "engine/heap.h"
#include "engine/parallel.h"

namespace kivo::eng {

namespace {

// A direction of the unknowns in the scaled measure, as (unknown, value) pairs.
using Direction = std::vector<std::pair<int, double>>;

const char* const kComp[6] = {"x", "y", "z", "rx", "ry", "rz"};

// Eigenvalues of the scaled normal matrix below this are candidates for a null direction; each
// candidate is then checked observation by observation against kNullTolerance.
constexpr double kCandidate = 1e-8;
// A component counts toward an element's share of a direction above this fraction of its largest.
constexpr double kSupport = 1e-4;

// Position components the dimension adjusts: z alone for levelling, x and y in a plane, all in 3D.
bool adjustedComp(int dim, int k) {
    return dim == 1 ? k == 2 : dim == 2 ? k < 2 : k < 3;
}

int findRoot(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

bool hasParams(const Element& e) {
    for (int k = 0; k < e.ncomp; ++k)
        if (e.param[k] >= 0) return true;
    return false;
}

// Frame turn of a station: K maps a small change of its rotations to the axial vector by which its
// frame turns; its pseudo-inverse gives the rotation change that follows a turn of the world.
Eigen::Matrix3d frameTurnInverse(const Element& e) {
    double m[9], dm[3][9];
    stationFrame(e.x + 3, m, dm);
    Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> mm(m);
    Eigen::Matrix3d k;
    for (int a = 0; a < 3; ++a) {
        Eigen::Map<const Eigen::Matrix<double, 3, 3, Eigen::RowMajor>> dma(dm[a]);
        const Eigen::Matrix3d s = mm.transpose() * dma; // skew: axial vector of the frame's turn
        k.col(a) = Eigen::Vector3d(s(2, 1), s(0, 2), s(1, 0));
    }
    return k.completeOrthogonalDecomposition().pseudoInverse();
}

// Change of component k of element e under each of the seven basic motions (translations x, y, z,
// rotations about x, y, z through c, scale about c; rotations and scale per unit of len, so that all
// seven are alike in size). kinv: frameTurnInverse(e) for a station.
Eigen::Matrix<double, 1, 7> basicMotionRow(const Element& e, int k, const Eigen::Matrix3d& kinv,
                                           const Eigen::Vector3d& c, double len, int dim) {
    Eigen::Matrix<double, 1, 7> row = Eigen::Matrix<double, 1, 7>::Zero();
    if (k < 3) {
        const Eigen::Vector3d r = (Eigen::Vector3d(e.x[0], e.x[1], e.x[2]) - c) / len;
        row(k) = 1.0;
        for (int a = 0; a < 3; ++a)
            row(3 + a) = Eigen::Vector3d::Unit(a).cross(r)(k);
        row(6) = adjustedComp(dim, k) ? r(k) : 0.0;
    } else {
        for (int a = 0; a < 3; ++a)
            row(3 + a) = -kinv(k - 3, a) / len;
    }
    return row;
}

// A part of the network that is adjusted: its elements with unknowns and the fixed elements its
// observations reach.
struct Part {
    std::vector<int> elements, fixedElements;
    int unknowns = 0;
    bool holds = false;
};

class Analysis {
public:
    explicit Analysis(Network& net) : net_(net), nel_(static_cast<int>(net.el.size())) {
        // The observations at each element, in observation order: counted, then placed.
        std::vector<int> count(static_cast<std::size_t>(nel_) + 1, 0);
        for (const Observation& o : net.obs) {
            ++count[o.e1 + 1];
            if (o.kind != Kind::Pseudo) ++count[o.e2 + 1];
        }
        std::partial_sum(count.begin(), count.end(), count.begin());
        touchingAt_ = count;
        touching_.resize(static_cast<std::size_t>(count.back()));
        for (int i = 0; i < static_cast<int>(net.obs.size()); ++i) {
            const Observation& o = net.obs[i];
            touching_[count[o.e1]++] = i;
            if (o.kind != Kind::Pseudo) touching_[count[o.e2]++] = i;
        }
    }

    Datum run() {
        for (;;) {
            net_.numberUnknowns();
            if (net_.nparam == 0) return Datum{};
            sj_ = scaledJacobian(net_);
            if (leaveOutUnobserved()) continue;
            std::vector<Part> parts;
            if (leaveOutUnconnected(parts)) continue;
            // The datum is a motion of the whole network: a part that can move alone while the
            // others cannot is a configuration defect, found below.
            for (std::size_t i = 1; i < parts.size(); ++i) {
                parts[0].elements.insert(parts[0].elements.end(), parts[i].elements.begin(),
                                         parts[i].elements.end());
                parts[0].fixedElements.insert(parts[0].fixedElements.end(), parts[i].fixedElements.begin(),
                                              parts[i].fixedElements.end());
            }
            if (parts.size() > 1) {
                auto& f = parts[0].fixedElements;
                std::sort(f.begin(), f.end());
                f.erase(std::unique(f.begin(), f.end()), f.end());
                parts.resize(1);
            }
            Datum d = datumOf(parts);
            releaseFreedMemory(); // the motions' matrices, before the search for defects
            if (leaveOutStations(d)) continue;
            if (leaveOutJoint(d)) continue;
            return d;
        }
    }

private:
    Network& net_;
    int nel_;
    // The observations at element e: touching_[touchingAt_[e] .. touchingAt_[e + 1]).
    std::vector<int> touching_, touchingAt_;
    std::span<const int> touching(int e) const {
        return {touching_.data() + touchingAt_[e], touching_.data() + touchingAt_[e + 1]};
    }
    ScaledJacobian sj_;

    void leaveOut(int e, bool connected, std::string reason) {
        Element& el = net_.el[e];
        el.determined = false;
        el.connected = connected;
        el.reason = std::move(reason);
        for (int oi : touching(e))
            net_.obs[oi].active = false;
    }

    // "1 direction, 1 zenith angle": the active observations of an element.
    std::string observedBy(int e) const {
        int n[5] = {};
        for (int oi : touching(e))
            if (net_.obs[oi].active) ++n[static_cast<int>(net_.obs[oi].kind)];
        static const char* const one[5] = {"distance", "height difference", "direction", "zenith angle",
                                           "pseudo-observation"};
        static const char* const many[5] = {"distances", "height differences", "directions", "zenith angles",
                                            "pseudo-observations"};
        std::string text;
        for (int k = 0; k < 5; ++k) {
            if (n[k] == 0) continue;
            if (!text.empty()) text += ", ";
            text += std::to_string(n[k]) + " " + (n[k] == 1 ? one[k] : many[k]);
        }
        return text.empty() ? "no observations" : text;
    }

    // Elements with unknowns that no observation is sensitive to.
    bool leaveOutUnobserved() {
        bool any = false;
        for (int e = 0; e < nel_; ++e) {
            const Element& el = net_.el[e];
            if (!el.determined || !hasParams(el)) continue;
            bool observed = false;
            for (int oi : touching(e))
                observed = observed || net_.obs[oi].active;
            if (!observed) {
                leaveOut(e, true, "no valid observations");
                any = true;
                continue;
            }
            std::string blind;
            for (int k = 0; k < el.ncomp; ++k)
                if (el.param[k] >= 0 && !(sj_.colNorm[el.param[k]] > 0.0))
                    blind += std::string(blind.empty() ? "" : ", ") + kComp[k];
            if (!blind.empty()) {
                leaveOut(e, true, "its observations (" + observedBy(e) + ") do not depend on its " + blind);
                any = true;
            }
        }
        return any;
    }

    // Parts joined by observations between elements with unknowns. Those holding a fixed or
    // pseudo-observed position component are adjusted; with none, the part with the most unknowns
    // carries the free datum. The elements of every other part are left out as not connected.
    bool leaveOutUnconnected(std::vector<Part>& parts) {
        std::vector<int> parent(nel_);
        std::iota(parent.begin(), parent.end(), 0);
        std::vector<char> withParams(nel_, 0);
        for (int e = 0; e < nel_; ++e)
            withParams[e] = net_.el[e].determined && hasParams(net_.el[e]);
        for (const Observation& o : net_.obs) {
            if (!o.active || o.kind == Kind::Pseudo || !withParams[o.e1] || !withParams[o.e2]) continue;
            const int a = findRoot(parent, o.e1), b = findRoot(parent, o.e2);
            if (a != b) parent[std::max(a, b)] = std::min(a, b);
        }
        std::vector<int> partOfRoot(nel_, -1), partOf(nel_, -1);
        for (int e = 0; e < nel_; ++e) {
            if (!withParams[e]) continue;
            const int root = findRoot(parent, e);
            if (partOfRoot[root] < 0) {
                partOfRoot[root] = static_cast<int>(parts.size());
                parts.emplace_back();
            }
            Part& p = parts[partOfRoot[root]];
            partOf[e] = partOfRoot[root];
            p.elements.push_back(e);
            const Element& el = net_.el[e];
            for (int k = 0; k < 3; ++k)
                if (adjustedComp(net_.dim, k) && el.param[k] < 0) p.holds = true;
            for (int k = 0; k < el.ncomp; ++k)
                p.unknowns += el.param[k] >= 0;
        }
        std::vector<int> seenFixed(nel_, -1);
        for (const Observation& o : net_.obs) {
            if (!o.active) continue;
            if (o.kind == Kind::Pseudo) {
                if (o.comp < 3 && adjustedComp(net_.dim, o.comp)) parts[partOf[o.e1]].holds = true;
                continue;
            }
            for (int end = 0; end < 2; ++end) {
                const int a = end == 0 ? o.e1 : o.e2, b = end == 0 ? o.e2 : o.e1;
                if (!withParams[a] || withParams[b]) continue;
                Part& p = parts[partOf[a]];
                p.holds = true; // a fixed element
                if (seenFixed[b] != partOf[a]) {
                    seenFixed[b] = partOf[a];
                    p.fixedElements.push_back(b);
                }
            }
        }
        int held = 0, largest = -1;
        for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
            held += parts[i].holds;
            if (largest < 0 || parts[i].unknowns > parts[largest].unknowns) largest = i;
        }
        if (parts.empty()) return false;
        const std::string around = net_.el[parts[largest].elements.front()].name;
        std::vector<Part> kept;
        bool any = false;
        for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
            if (held > 0 ? parts[i].holds : i == largest) {
                kept.push_back(std::move(parts[i]));
                continue;
            }
            const std::string reason = held > 0 ? "not connected to the datum: no observation links it to a "
                                                  "fixed or pseudo-observed element"
                                                : "not connected to the datum: no observation links it to "
                                                  "the part holding the free datum "
                                                  "(the one with the most unknowns, around " +
                                                      around + ")";
            for (int e : parts[i].elements)
                leaveOut(e, false, reason);
            any = true;
        }
        parts = std::move(kept);
        return any;
    }

    // Motions of each adjusted part that its fixed components allow and that change no observation.
    Datum datumOf(const std::vector<Part>& parts) {
        Datum d;
        const int np = net_.nparam;
        d.excluded.assign(np, 0);
        if (np == 0) return d;
        static const char* const motionName[7] = {
            "translation x",    "translation y",    "translation z", "rotation about x",
            "rotation about y", "rotation about z", "scale"};
        std::vector<int> partOfParam(np, -1), localOf(np, -1);
        struct Motions {
            Eigen::MatrixXd g;    // unknowns of the part x allowed motions (units of the unknowns)
            Eigen::MatrixXd qt;   // the same scaled and orthonormalised, transposed (r x part unknowns:
                                  // an unknown's values side by side for the passes over the rows)
            Eigen::MatrixXd coef; // 7 x r: the motions in the basic motions
            Eigen::MatrixXd k;    // r x r Gram matrix of the scaled Jacobian times q
            std::vector<int> params;
        };
        std::vector<Motions> motions(parts.size());
        for (std::size_t pi = 0; pi < parts.size(); ++pi) {
            const Part& part = parts[pi];
            Motions& mo = motions[pi];
            Eigen::Vector3d c = Eigen::Vector3d::Zero();
            int count = 0;
            for (const auto* list : {&part.elements, &part.fixedElements})
                for (int e : *list) {
                    c += Eigen::Vector3d(net_.el[e].x[0], net_.el[e].x[1], net_.el[e].x[2]);
                    ++count;
                }
            c /= std::max(count, 1);
            double spread = 0.0;
            for (const auto* list : {&part.elements, &part.fixedElements})
                for (int e : *list)
                    spread += (Eigen::Vector3d(net_.el[e].x[0], net_.el[e].x[1], net_.el[e].x[2]) - c)
                                  .squaredNorm();
            const double len = count > 0 && spread > 0.0 ? std::sqrt(spread / count) : 1.0;
            // Fixed components rule out the motions that would change them.
            std::vector<Eigen::Matrix<double, 1, 7>> fixedRows;
            for (const auto* list : {&part.elements, &part.fixedElements})
                for (int e : *list) {
                    const Element& el = net_.el[e];
                    Eigen::Matrix3d kinv;
                    if (el.station) kinv = frameTurnInverse(el);
                    for (int k = 0; k < el.ncomp; ++k) {
                        if (el.param[k] >= 0) {
                            partOfParam[el.param[k]] = static_cast<int>(pi);
                            localOf[el.param[k]] = static_cast<int>(mo.params.size());
                            mo.params.push_back(el.param[k]);
                        } else {
                            fixedRows.push_back(basicMotionRow(el, k, kinv, c, len, net_.dim));
                        }
                    }
                }
            Eigen::MatrixXd allowed = Eigen::MatrixXd::Identity(7, 7);
            if (!fixedRows.empty()) {
                Eigen::MatrixXd f(fixedRows.size(), 7);
                for (std::size_t i = 0; i < fixedRows.size(); ++i)
                    f.row(i) = fixedRows[i];
                Eigen::JacobiSVD<Eigen::MatrixXd> svd(f, Eigen::ComputeFullV);
                const Eigen::VectorXd& sv = svd.singularValues();
                const double tol = 1e-9 * std::max(1.0, sv.size() > 0 ? sv(0) : 0.0);
                std::vector<int> free;
                for (int j = 0; j < 7; ++j)
                    if (j >= sv.size() || sv(j) <= tol) free.push_back(j);
                allowed.resize(7, static_cast<Eigen::Index>(free.size()));
                for (std::size_t j = 0; j < free.size(); ++j)
                    allowed.col(j) = svd.matrixV().col(free[j]);
            }
            const int nloc = static_cast<int>(mo.params.size());
            mo.g.setZero(nloc, allowed.cols());
            if (allowed.cols() == 0) continue;
            // Each element its own rows, over the cores.
            parallelRanges(part.elements.size(), [&](std::size_t from, std::size_t to) {
                for (std::size_t at = from; at < to; ++at) {
                    const Element& el = net_.el[part.elements[at]];
                    Eigen::Matrix3d kinv;
                    if (el.station) kinv = frameTurnInverse(el);
                    for (int k = 0; k < el.ncomp; ++k)
                        if (el.param[k] >= 0)
                            mo.g.row(localOf[el.param[k]]) =
                                basicMotionRow(el, k, kinv, c, len, net_.dim) * allowed;
                }
            });
            Eigen::MatrixXd gs = mo.g;
            for (int l = 0; l < nloc; ++l)
                gs.row(l) *= sj_.colNorm[mo.params[l]];
            // Orthonormal basis of the scaled motions; motions that move no unknown drop out.
            Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> h(gs.transpose() * gs);
            const double top = h.eigenvalues().maxCoeff();
            std::vector<int> keep;
            for (int j = 0; j < h.eigenvalues().size(); ++j)
                if (h.eigenvalues()(j) > 1e-14 * top && top > 0.0) keep.push_back(j);
            Eigen::MatrixXd w(allowed.cols(), keep.size());
            for (std::size_t j = 0; j < keep.size(); ++j)
                w.col(j) = h.eigenvectors().col(keep[j]) / std::sqrt(h.eigenvalues()(keep[j]));
            mo.g = mo.g * w;
            mo.qt = (gs * w).transpose();
            mo.coef = allowed * w;
            mo.k.setZero(w.cols(), w.cols());
        }
        // One pass over the observations: K = (J_s Q)^T (J_s Q) per part.
        auto scaledRow = [&](int i, const Motions& mo, Eigen::RowVectorXd& b) {
            const ScaledRow& r = sj_.rows[i];
            if (mo.qt.rows() == 7) { // all seven motions (a free network): the same sums, of fixed size
                using Seven = Eigen::Matrix<double, 1, 7>;
                Seven f = Seven::Zero();
                for (int k = 0; k < r.n; ++k)
                    f += sj_.at(i, k) * Eigen::Map<const Seven>(mo.qt.data() + 7 * localOf[r.idx[k]]);
                b = f;
                return;
            }
            b.setZero(mo.qt.rows());
            for (int k = 0; k < r.n; ++k)
                b += sj_.at(i, k) * mo.qt.col(localOf[r.idx[k]]).transpose();
        };
        // The rows' products over the cores a batch at a time, their sums in observation order.
        const int m = static_cast<int>(sj_.rows.size());
        auto motionsOf = [&](int i) -> Motions* {
            if (!sj_.live(i)) return nullptr;
            Motions& mo = motions[partOfParam[sj_.rows[i].idx[0]]];
            return mo.qt.rows() == 0 ? nullptr : &mo;
        };
        {
            constexpr int kRows = 65536, kMost = 7; // at most the seven basic motions
            std::vector<double> products(static_cast<std::size_t>(kRows) * kMost);
            for (int first = 0; first < m; first += kRows) {
                const int last = std::min(first + kRows, m);
                parallelRanges(static_cast<std::size_t>(last - first), [&](std::size_t from, std::size_t to) {
                    Eigen::RowVectorXd b;
                    for (int i = first + static_cast<int>(from); i < first + static_cast<int>(to); ++i) {
                        const Motions* mo = motionsOf(i);
                        if (!mo) continue;
                        scaledRow(i, *mo, b);
                        std::copy(b.data(), b.data() + b.size(),
                                  products.data() + static_cast<std::size_t>(i - first) * kMost);
                    }
                });
                // k += b^T b, entry by entry in observation order: its upper triangle (the lower is
                // the same products, mirrored below), the columns shared out over the cores in two
                // spans of about the same entries (column c has c + 1).
                constexpr Eigen::Index kSpan[3] = {0, 5, kMost};
                parallelRanges(
                    2,
                    [&](std::size_t h0, std::size_t h1) {
                        for (int i = first; i < last; ++i) {
                            Motions* mo = motionsOf(i);
                            if (!mo) continue;
                            const double* b = products.data() + static_cast<std::size_t>(i - first) * kMost;
                            const Eigen::Index r = mo->qt.rows();
                            double* k = mo->k.data();
                            for (Eigen::Index col = kSpan[h0]; col < std::min(r, kSpan[h1]); ++col)
                                for (Eigen::Index row = 0; row <= col; ++row)
                                    k[col * r + row] += b[row] * b[col];
                        }
                    },
                    1, 1);
            }
            for (Motions& mo : motions)
                for (Eigen::Index col = 0; col < mo.k.cols(); ++col)
                    for (Eigen::Index row = col + 1; row < mo.k.rows(); ++row)
                        mo.k(row, col) = mo.k(col, row);
        }
        std::vector<Eigen::MatrixXd> nullOf(parts.size());
        for (std::size_t pi = 0; pi < parts.size(); ++pi) {
            const Motions& mo = motions[pi];
            if (mo.qt.rows() == 0) continue;
            Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(mo.k);
            std::vector<int> cand;
            for (int j = 0; j < eig.eigenvalues().size(); ++j)
                if (eig.eigenvalues()(j) <= kCandidate) cand.push_back(j);
            if (cand.empty()) continue;
            Eigen::MatrixXd v(mo.qt.rows(), cand.size());
            for (std::size_t j = 0; j < cand.size(); ++j)
                v.col(j) = eig.eigenvectors().col(cand[j]);
            nullOf[pi] = v;
        }
        // Check each candidate observation by observation.
        // Over the cores, each range its own largest values (the largest of them does not depend on
        // the split).
        std::vector<Eigen::VectorXd> worst(parts.size());
        for (std::size_t pi = 0; pi < parts.size(); ++pi)
            worst[pi] = Eigen::VectorXd::Zero(nullOf[pi].cols());
        std::vector<std::vector<Eigen::VectorXd>> worstOfRange(kMaxRanges, worst);
        std::atomic<std::size_t> ranges{0};
        parallelRanges(static_cast<std::size_t>(m), [&](std::size_t from, std::size_t to) {
            std::vector<Eigen::VectorXd>& w = worstOfRange[ranges++];
            Eigen::RowVectorXd b;
            for (int i = static_cast<int>(from); i < static_cast<int>(to); ++i) {
                if (!sj_.live(i)) continue;
                const int pi = partOfParam[sj_.rows[i].idx[0]];
                if (nullOf[pi].cols() == 0) continue;
                scaledRow(i, motions[pi], b);
                w[pi] = w[pi].cwiseMax((b * nullOf[pi]).transpose().cwiseAbs());
            }
        });
        for (const auto& w : worstOfRange)
            for (std::size_t pi = 0; pi < parts.size(); ++pi)
                worst[pi] = worst[pi].cwiseMax(w[pi]);
        std::vector<Eigen::MatrixXd> cols;
        std::vector<std::string> texts;
        for (std::size_t pi = 0; pi < parts.size(); ++pi) {
            const Motions& mo = motions[pi];
            std::vector<int> keep;
            for (int j = 0; j < nullOf[pi].cols(); ++j)
                if (worst[pi](j) <= kNullTolerance) keep.push_back(j);
            if (keep.empty()) continue;
            Eigen::MatrixXd v(nullOf[pi].rows(), keep.size());
            for (std::size_t j = 0; j < keep.size(); ++j)
                v.col(j) = nullOf[pi].col(keep[j]);
            Eigen::MatrixXd g = Eigen::MatrixXd::Zero(np, v.cols());
            const Eigen::MatrixXd gl = mo.g * v;
            for (std::size_t l = 0; l < mo.params.size(); ++l)
                g.row(mo.params[l]) = gl.row(l);
            cols.push_back(std::move(g));
            // Name the basic motions the null space holds (rotations and scale about any point).
            const Eigen::MatrixXd coef = mo.coef * v;
            const Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> full(coef);
            const Eigen::CompleteOrthogonalDecomposition<Eigen::MatrixXd> turn(coef.bottomRows(4));
            std::string text;
            int named = 0;
            for (int j = 0; j < 7; ++j) {
                bool in;
                if (j < 3) {
                    const Eigen::VectorXd e = Eigen::VectorXd::Unit(7, j);
                    in = (coef * full.solve(e) - e).norm() < 1e-6;
                } else {
                    const Eigen::VectorXd e = Eigen::VectorXd::Unit(4, j - 3);
                    in = (coef.bottomRows(4) * turn.solve(e) - e).norm() < 1e-6;
                }
                if (!in) continue;
                text += std::string(text.empty() ? "" : ", ") + motionName[j];
                ++named;
            }
            if (named < v.cols())
                text += std::string(text.empty() ? "" : ", ") + std::to_string(v.cols() - named) +
                        " combined direction(s)";
            texts.push_back(text);
        }
        // The motions' matrices (one row per unknown each) go before G and T are formed.
        motions = {};
        for (const auto& t : texts)
            d.description += std::string(d.description.empty() ? "" : "; ") + t;
        for (const auto& g : cols)
            d.defect += static_cast<int>(g.cols());
        if (d.defect == 0) return d;
        if (cols.size() == 1) {
            d.G = std::move(cols.front());
        } else {
            d.G.resize(np, d.defect);
            for (int at = 0; const auto& g : cols) {
                d.G.middleCols(at, g.cols()) = g;
                at += static_cast<int>(g.cols());
            }
        }
        cols = {};
        holdAndTransform(d);
        return d;
    }

    // Holds one unknown per datum direction, picked greedily where the null basis is strongest
    // (station positions first, so the clusters of targets stay whole), and sets up the
    // minimum-trace transformation over the position unknowns.
    void holdAndTransform(Datum& d) const {
        const int np = net_.nparam;
        // Row-major: the passes below go an unknown's row at a time.
        Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> rest = d.G;
        std::vector<char> stationPosition(static_cast<std::size_t>(np));
        for (int p = 0; p < np; ++p) {
            rest.row(p) *= sj_.colNorm[p];
            stationPosition[p] = net_.el[net_.paramElement[p]].station && net_.paramComp[p] < 3;
        }
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
                if (stationPosition[p] && nrm > bestStationNorm) {
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
        rest.resize(0, 0);
        Eigen::VectorXd w(np);
        for (int p = 0; p < np; ++p)
            w(p) = net_.paramComp[p] < 3 ? 1.0 : 0.0;
        Eigen::MatrixXd h = d.G.transpose() * w.asDiagonal() * d.G;
        Eigen::JacobiSVD<Eigen::MatrixXd> hs(h);
        const double cond =
            hs.singularValues()(0) > 0.0 ? hs.singularValues()(d.defect - 1) / hs.singularValues()(0) : 0.0;
        if (cond < 1e-12) {
            d.minimumTrace = false;
            w.setOnes();
            h = d.G.transpose() * d.G;
        }
        d.T = h.ldlt().solve(d.G.transpose() * w.asDiagonal());
    }

    using StationVec = Eigen::Matrix<double, Eigen::Dynamic, 1, 0, 6, 1>;

    // Null directions of one element's unknowns with every other element held (stations only:
    // targets are covered by their clusters).
    bool leaveOutStations(const Datum& d) {
        // Each station on its own over the cores; those found are taken in station order.
        std::vector<char> null(static_cast<std::size_t>(nsta()), 0);
        parallelRanges(
            static_cast<std::size_t>(nsta()),
            [&](std::size_t from, std::size_t to) {
                std::vector<StationVec> rows;
                for (int e = static_cast<int>(from); e < static_cast<int>(to); ++e)
                    null[static_cast<std::size_t>(e)] = stationNull(e, d, rows);
            },
            8);
        std::vector<int> found;
        for (int e = 0; e < nsta(); ++e)
            if (null[static_cast<std::size_t>(e)]) found.push_back(e);
        // The first stays for the next pass: with the others gone its free motions may be motions of
        // the whole network (two stations at one spot sighting one point: either carries the defect,
        // and the first in the tables is kept).
        if (found.size() > 1) found.erase(found.begin());
        std::vector<std::string> reasons;
        for (int e : found)
            reasons.push_back("not fixed by its observations (" + observedBy(e) + ")");
        for (std::size_t i = 0; i < found.size(); ++i)
            leaveOut(found[i], true, reasons[i]);
        return !found.empty();
    }

    // Whether station e's unknowns (those not held) have a null direction with every other element
    // held; rows: scratch.
    bool stationNull(int e, const Datum& d, std::vector<StationVec>& rows) const {
        using Mat = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, 0, 6, 6>;
        const Element& el = net_.el[e];
        if (!el.determined) return false;
        int local[6], np = 0;
        for (int k = 0; k < el.ncomp; ++k)
            if (el.param[k] >= 0 && !d.excluded[el.param[k]]) local[np++] = el.param[k];
        if (np == 0) return false;
        rows.clear();
        Mat gram = Mat::Zero(np, np);
        for (int oi : touching(e)) {
            if (!sj_.live(oi)) continue;
            const ScaledRow& r = sj_.rows[oi];
            StationVec v = StationVec::Zero(np);
            for (int k = 0; k < r.n; ++k)
                for (int l = 0; l < np; ++l)
                    if (r.idx[k] == local[l]) v(l) += sj_.at(oi, k);
            gram += v * v.transpose();
            rows.push_back(std::move(v));
        }
        Eigen::SelfAdjointEigenSolver<Mat> eig(gram);
        for (int k = 0; k < np; ++k) {
            if (eig.eigenvalues()(k) > kCandidate) break;
            const StationVec u = eig.eigenvectors().col(k);
            double worst = 0.0;
            for (const auto& v : rows)
                worst = std::max(worst, std::fabs(v.dot(u)));
            if (worst <= kNullTolerance) return true;
        }
        return false;
    }

    int nsta() const { return net_.nsta; }

    // Null directions of the whole system with the datum held: first those local to a cluster of
    // targets (targets joined by target-to-target observations) with the stations held, then, when
    // every cluster is regular, those of the station system after eliminating the clusters.
    bool leaveOutJoint(const Datum& d) {
        const std::vector<Direction> nulls = nullDirections(d.excluded);
        if (nulls.empty()) return false;
        const int np = net_.nparam;
        int withUnknowns = 0;
        for (int p = 0; p < np; ++p)
            withUnknowns += p == 0 || net_.paramElement[p] != net_.paramElement[p - 1];
        // Made as sparse as it goes modulo the datum: the direction itself (zero on the held
        // unknowns) or its part orthogonal to the datum directions, whichever touches fewer elements.
        // A datum direction moves nearly every element, so only a direction touching more than half
        // of them can come out sparser that way (the dense work is kept to those).
        Eigen::MatrixXd gs;
        Eigen::LDLT<Eigen::MatrixXd> gg;
        auto support = [&](const Eigen::VectorXd& z) {
            std::vector<int> els;
            const double top = z.cwiseAbs().maxCoeff();
            for (int p = 0; p < np; ++p)
                if (std::fabs(z(p)) > kSupport * top) els.push_back(net_.paramElement[p]);
            std::sort(els.begin(), els.end());
            els.erase(std::unique(els.begin(), els.end()), els.end());
            return els;
        };
        auto sparseSupport = [&](const Direction& dir) {
            std::vector<int> els;
            double top = 0.0;
            for (const auto& [p, v] : dir)
                top = std::max(top, std::fabs(v));
            for (const auto& [p, v] : dir)
                if (std::fabs(v) > kSupport * top) els.push_back(net_.paramElement[p]);
            std::sort(els.begin(), els.end());
            els.erase(std::unique(els.begin(), els.end()), els.end());
            return els;
        };
        struct Group {
            std::vector<int> els;
            bool pins = false;
        };
        std::vector<Group> groups;
        bool wide = false;
        for (const Direction& dir : nulls) {
            std::vector<int> els = sparseSupport(dir);
            if (2 * static_cast<int>(els.size()) > withUnknowns) {
                // Two such directions share elements: the second waits for the next pass.
                if (wide) continue;
                wide = true;
                Eigen::VectorXd z = Eigen::VectorXd::Zero(np);
                for (const auto& [p, v] : dir)
                    z(p) = v;
                if (d.defect > 0) {
                    if (gs.size() == 0) {
                        gs = d.G;
                        for (int p = 0; p < np; ++p)
                            gs.row(p) *= sj_.colNorm[p];
                        gg.compute(gs.transpose() * gs);
                    }
                    const Eigen::VectorXd y = z - gs * gg.solve(gs.transpose() * z);
                    std::vector<int> other = support(y);
                    if (!other.empty() && other.size() < els.size()) els = std::move(other);
                }
                // A few elements pinning a motion the rest leaves free: those go, alone, and the
                // rest keeps that motion as datum.
                std::vector<int> pins;
                if (2 * static_cast<int>(els.size()) > withUnknowns && pinning(z, els.size(), pins)) {
                    groups.assign(1, Group{std::move(pins), true});
                    break;
                }
            }
            if (!els.empty()) groups.push_back(Group{std::move(els), false});
        }
        // One defect at a time: a group sharing an element with one taken before waits for the next
        // pass, where it may have become smaller or gone.
        std::vector<std::pair<int, std::string>> out;
        std::vector<char> named(nel_, 0);
        for (const auto& [g, pins] : groups) {
            if (std::any_of(g.begin(), g.end(), [&](int e) { return named[e] != 0; })) continue;
            for (int e : g) {
                named[e] = 1;
                std::string with;
                int listed = 0;
                for (int o : g) {
                    if (o == e) continue;
                    if (listed == 6) {
                        with += " and " + std::to_string(g.size() - 7) + " more";
                        break;
                    }
                    with += std::string(listed ? ", " : "") + net_.el[o].name;
                    ++listed;
                }
                std::string reason;
                if (pins)
                    reason = std::string(g.size() == 1 ? "" : "with " + with + " ") +
                             "only pins a motion the rest of the network leaves free (" + observedBy(e) + ")";
                else if (g.size() == 1)
                    reason = "not fixed by its observations (" + observedBy(e) + ")";
                else
                    reason = "moves together with " + with + " without changing any observation (" +
                             observedBy(e) + ")";
                out.emplace_back(e, std::move(reason));
            }
        }
        for (auto& [e, reason] : out)
            leaveOut(e, true, std::move(reason));
        return !out.empty();
    }

    // The elements carrying the null direction z (scaled measure) modulo the seven similarity
    // motions, when they are fewer than `than` and leaving them out turns the rest of z into a
    // motion of the whole network that keeps every fixed component still observed: a datum
    // direction, so the configuration defects drop by one.
    bool pinning(const Eigen::VectorXd& z, std::size_t than, std::vector<int>& out) const;

    std::vector<Direction> nullDirections(const std::vector<char>& excluded) const;
};

std::vector<Direction> Analysis::nullDirections(const std::vector<char>& excluded) const {
    const int np = net_.nparam;
    const int m = static_cast<int>(sj_.rows.size());
    // Station unknowns form the core; targets joined by observations between two targets with
    // unknowns form clusters.
    std::vector<int> core(np, -1), coreParam, cluster(np, -1), local(np, -1);
    std::vector<int> parent(nel_);
    std::iota(parent.begin(), parent.end(), 0);
    auto live = [&](int e) {
        const Element& el = net_.el[e];
        for (int k = 0; k < el.ncomp; ++k)
            if (el.param[k] >= 0 && !excluded[el.param[k]]) return true;
        return false;
    };
    std::vector<char> liveEl(nel_);
    for (int e = 0; e < nel_; ++e)
        liveEl[e] = net_.el[e].determined && live(e);
    for (int i = 0; i < m; ++i) {
        const Observation& o = net_.obs[i];
        if (!sj_.live(i) || o.kind == Kind::Pseudo) continue;
        if (net_.el[o.e1].station || net_.el[o.e2].station || !liveEl[o.e1] || !liveEl[o.e2]) continue;
        const int a = findRoot(parent, o.e1), b = findRoot(parent, o.e2);
        if (a != b) parent[a] = b;
    }
    std::vector<int> clusterOfRoot(nel_, -1);
    std::vector<std::vector<int>> members; // params per cluster, filled in element order
    for (int e = 0; e < nel_; ++e) {
        if (!liveEl[e]) continue;
        const Element& el = net_.el[e];
        for (int k = 0; k < el.ncomp; ++k) {
            const int p = el.param[k];
            if (p < 0 || excluded[p]) continue;
            if (el.station) {
                core[p] = static_cast<int>(coreParam.size());
                coreParam.push_back(p);
                continue;
            }
            const int root = findRoot(parent, e);
            if (clusterOfRoot[root] < 0) {
                clusterOfRoot[root] = static_cast<int>(members.size());
                members.emplace_back();
            }
            const int c = clusterOfRoot[root];
            cluster[p] = c;
            local[p] = static_cast<int>(members[c].size());
            members[c].push_back(p);
        }
    }
    const int nc = static_cast<int>(members.size());
    const int na = static_cast<int>(coreParam.size());
    // Observations per cluster (compressed), and those touching the core only.
    std::vector<int> obsCount(nc + 1, 0), coreObs;
    auto clusterOfRow = [&](int i) {
        const ScaledRow& r = sj_.rows[i];
        for (int k = 0; k < r.n; ++k)
            if (!excluded[r.idx[k]] && cluster[r.idx[k]] >= 0) return cluster[r.idx[k]];
        return -1;
    };
    std::vector<int> rowCluster(m, -2);
    parallelRanges(static_cast<std::size_t>(m), [&](std::size_t from, std::size_t to) {
        for (int i = static_cast<int>(from); i < static_cast<int>(to); ++i)
            if (sj_.live(i)) rowCluster[i] = clusterOfRow(i);
    });
    for (int i = 0; i < m; ++i) {
        if (rowCluster[i] == -2) continue;
        if (rowCluster[i] >= 0)
            ++obsCount[rowCluster[i] + 1];
        else
            coreObs.push_back(i);
    }
    std::partial_sum(obsCount.begin(), obsCount.end(), obsCount.begin());
    std::vector<int> obsOf(obsCount[nc]), next(obsCount.begin(), obsCount.end() - 1);
    for (int i = 0; i < m; ++i)
        if (rowCluster[i] >= 0) obsOf[next[rowCluster[i]]++] = i;

    // S collects the station system; diagA its diagonal before the clusters are eliminated, the
    // measure for the pivots (a pivot small against it is a direction the clusters take away).
    Eigen::MatrixXd S = Eigen::MatrixXd::Zero(na, na);
    Eigen::VectorXd diagA = Eigen::VectorXd::Zero(na);
    // The scaled entries of observations on station unknowns, an observation at a time (start: where
    // each begins, and the end).
    struct StationTerms {
        std::vector<int> start, core;
        std::vector<double> value;
    };
    auto gather = [&](StationTerms& t, const int* obs, int count) {
        t.start.clear();
        t.core.clear();
        t.value.clear();
        for (int j = 0; j < count; ++j) {
            const int i = obs[j];
            const ScaledRow& r = sj_.rows[i];
            t.start.push_back(static_cast<int>(t.core.size()));
            for (int a = 0; a < r.n; ++a) {
                const int ca = excluded[r.idx[a]] ? -1 : core[r.idx[a]];
                if (ca < 0) continue;
                t.core.push_back(ca);
                t.value.push_back(sj_.at(i, a));
            }
        }
        t.start.push_back(static_cast<int>(t.core.size()));
    };
    // Adds the terms on the columns first <= cb < last of S, on and below the diagonal (all that the
    // factorisation and the eigen-solver read); threads owning disjoint column ranges share out a
    // batch, every entry still receiving its terms in the serial order.
    auto addTerms = [&](const StationTerms& t, int first, int last) {
        for (std::size_t o = 0; o + 1 < t.start.size(); ++o) {
            const int t0 = t.start[o], t1 = t.start[o + 1];
            for (int a = t0; a < t1; ++a) {
                const int ca = t.core[a];
                const double va = t.value[a];
                for (int b = t0; b < t1; ++b) {
                    const int cb = t.core[b];
                    if (cb < first || cb >= last || cb > ca) continue;
                    S(ca, cb) += va * t.value[b];
                    if (cb == ca) diagA(ca) += va * t.value[b];
                }
            }
        }
    };
    {
        StationTerms t;
        gather(t, coreObs.data(), static_cast<int>(coreObs.size()));
        addTerms(t, 0, na);
    }
    std::vector<int> pos(na, -1);
    // Builds cluster c's block C and its coupling B to the core rows it touches (pos: scratch of na
    // entries, all -1, one per thread).
    auto build = [&](int c, Eigen::MatrixXd& C, Eigen::MatrixXd& B, std::vector<int>& rows,
                     std::vector<int>& pos) {
        const int k = static_cast<int>(members[c].size());
        rows.clear();
        for (int j = obsCount[c]; j < obsCount[c + 1]; ++j) {
            const ScaledRow& r = sj_.rows[obsOf[j]];
            for (int a = 0; a < r.n; ++a)
                if (!excluded[r.idx[a]] && core[r.idx[a]] >= 0) rows.push_back(core[r.idx[a]]);
        }
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (std::size_t r = 0; r < rows.size(); ++r)
            pos[rows[r]] = static_cast<int>(r);
        C.setZero(k, k);
        B.setZero(static_cast<Eigen::Index>(rows.size()), k);
        for (int j = obsCount[c]; j < obsCount[c + 1]; ++j) {
            const int i = obsOf[j];
            const ScaledRow& r = sj_.rows[i];
            // Each entry's scaled value and place (in C, in B, or neither) once per row.
            double v[9];
            int inC[9], inB[9];
            for (int b = 0; b < r.n; ++b) {
                const int pb = r.idx[b];
                v[b] = sj_.at(i, b);
                inC[b] = !excluded[pb] && cluster[pb] == c ? local[pb] : -1;
                inB[b] = !excluded[pb] && cluster[pb] != c && core[pb] >= 0 ? pos[core[pb]] : -1;
            }
            for (int a = 0; a < r.n; ++a) {
                if (inC[a] < 0) continue;
                for (int b = 0; b < r.n; ++b) {
                    if (inC[b] >= 0)
                        C(inC[a], inC[b]) += v[a] * v[b];
                    else if (inB[b] >= 0)
                        B(inB[b], inC[a]) += v[a] * v[b];
                }
            }
        }
        for (int r : rows)
            pos[r] = -1;
    };
    // Largest |J_s z| over the observations, for z over the unknowns (dense).
    auto worstOf = [&](const Eigen::VectorXd& z, int from, int to, const std::vector<int>* list) {
        double worst = 0.0;
        auto one = [&](int i) {
            const ScaledRow& r = sj_.rows[i];
            double v = 0.0;
            for (int a = 0; a < r.n; ++a)
                if (!excluded[r.idx[a]]) v += sj_.at(i, a) * z(r.idx[a]);
            worst = std::max(worst, std::fabs(v));
        };
        if (list)
            for (int j = from; j < to; ++j)
                one((*list)[j]);
        else
            for (int i = 0; i < m; ++i)
                if (sj_.live(i)) one(i);
        return worst;
    };

    std::vector<Direction> found;
    Eigen::MatrixXd C, B;
    std::vector<int> rows;
    Eigen::VectorXd z = Eigen::VectorXd::Zero(np);
    // A batch of clusters at a time: their blocks, factors and C^-1 B^T over the cores (each cluster
    // its own), then in cluster order the checks of the blocks found singular and the updates of
    // the station system.
    struct Pending {
        double ratio = 0.0;
        Eigen::MatrixXd B, x;
        std::vector<int> rows;
        StationTerms terms; // of the cluster's observations
    };
    constexpr int kBatch = 4096;
    std::vector<Pending> batch(static_cast<std::size_t>(std::min(nc, kBatch)));
    for (int first = 0; first < nc; first += kBatch) {
        const int last = std::min(first + kBatch, nc);
        parallelRanges(
            static_cast<std::size_t>(last - first),
            [&](std::size_t from, std::size_t to) {
                std::vector<int> scratch(static_cast<std::size_t>(na), -1);
                Eigen::MatrixXd cm;
                Eigen::LLT<Eigen::MatrixXd> llt; // its storage kept from cluster to cluster
                for (std::size_t b = from; b < to; ++b) {
                    const int c = first + static_cast<int>(b);
                    Pending& pe = batch[b];
                    build(c, cm, pe.B, pe.rows, scratch);
                    const int k = static_cast<int>(cm.rows());
                    llt.compute(cm);
                    pe.ratio = llt.info() == Eigen::Success ? std::numeric_limits<double>::infinity() : 0.0;
                    if (llt.info() == Eigen::Success)
                        for (int i = 0; i < k; ++i) {
                            const double l = llt.matrixLLT()(i, i);
                            pe.ratio = std::min(pe.ratio, cm(i, i) > 0.0 ? l * l / cm(i, i) : 0.0);
                        }
                    if (!pe.rows.empty()) pe.x = llt.solve(pe.B.transpose());
                    gather(pe.terms, obsOf.data() + obsCount[c], obsCount[c + 1] - obsCount[c]);
                }
            },
            256);
        for (int c = first; c < last; ++c) {
            const Pending& pe = batch[static_cast<std::size_t>(c - first)];
            const int k = static_cast<int>(members[c].size());
            if (pe.ratio < 1e-6) {
                build(c, C, B, rows, pos);
                Eigen::LLT<Eigen::MatrixXd> llt(C);
                Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(C);
                bool any = false;
                for (int j = 0; j < k; ++j) {
                    if (eig.eigenvalues()(j) > kCandidate && (any || llt.info() == Eigen::Success)) break;
                    for (int l = 0; l < k; ++l)
                        z(members[c][l]) = eig.eigenvectors()(l, j);
                    const bool null = worstOf(z, obsCount[c], obsCount[c + 1], &obsOf) <= kNullTolerance;
                    // A block that cannot be factored is singular whatever the check says.
                    if (null || (!any && llt.info() != Eigen::Success)) {
                        Direction dir;
                        for (int l = 0; l < k; ++l)
                            dir.emplace_back(members[c][l], eig.eigenvectors()(l, j));
                        found.push_back(std::move(dir));
                        any = true;
                    }
                    for (int l = 0; l < k; ++l)
                        z(members[c][l]) = 0.0;
                }
            }
        }
        // Once a direction is found the station system is not needed.
        if (!found.empty()) continue;
        // A cluster's rows touch only the core columns listed for it (ascending): a range of columns
        // skips the clusters that lie wholly outside it.
        parallelLowerColumns(static_cast<std::size_t>(na), [&](std::size_t from, std::size_t to) {
            const int c0 = static_cast<int>(from), c1 = static_cast<int>(to);
            for (int c = first; c < last; ++c) {
                const Pending& pe = batch[static_cast<std::size_t>(c - first)];
                if (pe.rows.empty() || pe.rows.back() < c0 || pe.rows.front() >= c1) continue;
                addTerms(pe.terms, c0, c1);
                subtractBlockUpdate(pe.B.data(), pe.x.data(), static_cast<int>(members[c].size()),
                                    static_cast<int>(pe.rows.size()), pe.rows.data(), S.data(),
                                    static_cast<std::size_t>(na), c0, c1);
            }
        });
    }
    if (!found.empty() || na == 0) return found;

    Eigen::LLT<Eigen::MatrixXd> lltS(S);
    double ratio = lltS.info() == Eigen::Success ? std::numeric_limits<double>::infinity() : 0.0;
    if (lltS.info() == Eigen::Success)
        for (int i = 0; i < na; ++i) {
            const double l = lltS.matrixLLT()(i, i);
            ratio = std::min(ratio, diagA(i) > 0.0 ? l * l / diagA(i) : 0.0);
        }
    if (ratio >= 1e-6) return found;
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(S);
    std::vector<int> cand;
    for (int j = 0; j < na; ++j)
        if (eig.eigenvalues()(j) <= kCandidate || (j == 0 && lltS.info() != Eigen::Success))
            cand.push_back(j);
    if (cand.empty()) return found;
    // Expand onto the clusters: z_c = -C^-1 B^T z_a.
    Eigen::MatrixXd za(na, cand.size());
    for (std::size_t j = 0; j < cand.size(); ++j)
        za.col(j) = eig.eigenvectors().col(cand[j]);
    Eigen::MatrixXd full = Eigen::MatrixXd::Zero(np, cand.size());
    for (int i = 0; i < na; ++i)
        full.row(coreParam[i]) = za.row(i);
    Eigen::MatrixXd zr;
    for (int c = 0; c < nc; ++c) {
        build(c, C, B, rows, pos);
        if (rows.empty()) continue;
        zr.resize(static_cast<Eigen::Index>(rows.size()), za.cols());
        for (std::size_t r = 0; r < rows.size(); ++r)
            zr.row(r) = za.row(rows[r]);
        const Eigen::MatrixXd zc = -C.llt().solve(B.transpose() * zr);
        for (std::size_t l = 0; l < members[c].size(); ++l)
            full.row(members[c][l]) = zc.row(l);
    }
    for (std::size_t j = 0; j < cand.size(); ++j) {
        const Eigen::VectorXd col = full.col(j) / full.col(j).norm();
        if (worstOf(col, 0, 0, nullptr) > kNullTolerance && !(j == 0 && lltS.info() != Eigen::Success))
            continue;
        Direction dir;
        for (int p = 0; p < np; ++p)
            if (col(p) != 0.0) dir.emplace_back(p, col(p));
        found.push_back(std::move(dir));
    }
    return found;
}

bool Analysis::pinning(const Eigen::VectorXd& z, std::size_t than, std::vector<int>& out) const {
    const int np = net_.nparam;
    const double top = z.cwiseAbs().maxCoeff();
    if (np == 0 || !(top > 0.0)) return false;
    // The unknowns of an element are numbered together: first[j] is element j's first unknown.
    std::vector<int> first;
    Eigen::Vector3d c = Eigen::Vector3d::Zero();
    for (int p = 0; p < np; ++p)
        if (p == 0 || net_.paramElement[p] != net_.paramElement[p - 1]) {
            first.push_back(p);
            const Element& el = net_.el[net_.paramElement[p]];
            c += Eigen::Vector3d(el.x[0], el.x[1], el.x[2]);
        }
    const int ne = static_cast<int>(first.size());
    first.push_back(np);
    c /= ne;
    double spread = 0.0;
    for (int j = 0; j < ne; ++j) {
        const Element& el = net_.el[net_.paramElement[first[j]]];
        spread += (Eigen::Vector3d(el.x[0], el.x[1], el.x[2]) - c).squaredNorm();
    }
    const double len = spread > 0.0 ? std::sqrt(spread / ne) : 1.0;
    auto kinvOf = [](const Element& el) {
        return el.station ? frameTurnInverse(el) : Eigen::Matrix3d::Zero().eval();
    };
    // The seven basic motions on the unknowns, in the scaled measure of z.
    using Row7 = Eigen::Matrix<double, 1, 7>;
    Eigen::Matrix<double, Eigen::Dynamic, 7, Eigen::RowMajor> gs(np, 7);
    for (int j = 0; j < ne; ++j) {
        const Element& el = net_.el[net_.paramElement[first[j]]];
        const Eigen::Matrix3d kinv = kinvOf(el);
        for (int p = first[j]; p < first[j + 1]; ++p)
            gs.row(p) = basicMotionRow(el, net_.paramComp[p], kinv, c, len, net_.dim) * sj_.colNorm[p];
    }
    const Eigen::VectorXd zn = z / top;
    // The motion that z follows on most elements: least squares over the elements kept, dropping
    // those that disagree most (each measured against its own size, so that a strongly observed
    // element weighs no more than another), until the rest agree.
    std::vector<char> kept(static_cast<std::size_t>(ne), 1);
    std::vector<double> rel(static_cast<std::size_t>(ne), 0.0);
    Eigen::Matrix<double, 7, 1> coef = Eigen::Matrix<double, 7, 1>::Zero();
    for (int round = 0; round < 64; ++round) {
        Eigen::Matrix<double, 7, 7> m = Eigen::Matrix<double, 7, 7>::Zero();
        Eigen::Matrix<double, 7, 1> b = Eigen::Matrix<double, 7, 1>::Zero();
        for (int j = 0; j < ne; ++j) {
            if (!kept[j]) continue;
            for (int p = first[j]; p < first[j + 1]; ++p) {
                m.noalias() += gs.row(p).transpose() * gs.row(p);
                b.noalias() += gs.row(p).transpose() * zn(p);
            }
        }
        coef = m.completeOrthogonalDecomposition().solve(b);
        double worst = 0.0;
        for (int j = 0; j < ne; ++j) {
            double r = 0.0, size = 0.0;
            for (int p = first[j]; p < first[j + 1]; ++p) {
                const double moved = gs.row(p).dot(coef);
                r += (zn(p) - moved) * (zn(p) - moved);
                size += zn(p) * zn(p) + moved * moved;
            }
            rel[j] = std::sqrt(r) / (std::sqrt(size) + 1e-12);
            if (kept[j]) worst = std::max(worst, rel[j]);
        }
        if (worst <= 1e-9) break;
        int left = 0;
        for (int j = 0; j < ne; ++j) {
            if (kept[j] && rel[j] >= 0.5 * worst) kept[j] = 0;
            left += kept[j];
        }
        if (left == 0) return false;
    }
    const Eigen::VectorXd y = zn - gs * coef;
    const double ytop = y.cwiseAbs().maxCoeff();
    std::vector<char> inOut(static_cast<std::size_t>(nel_), 0);
    out.clear();
    for (int p = 0; p < np; ++p) {
        const int e = net_.paramElement[p];
        if (std::fabs(y(p)) > kSupport * ytop && !inOut[e]) {
            inOut[e] = 1;
            out.push_back(e);
        }
    }
    if (out.empty() || out.size() >= than) return false;
    // The rest of z is the motion coef: a datum direction once the pinning elements are gone when
    // it keeps every fixed component of the elements their observations still reach.
    const double tol = 1e-6 * coef.norm();
    std::vector<char> checked(static_cast<std::size_t>(nel_), 0);
    for (const Observation& o : net_.obs) {
        if (!o.active || o.kind == Kind::Pseudo || inOut[o.e1] || inOut[o.e2]) continue;
        for (const int e : {o.e1, o.e2}) {
            if (checked[e]) continue;
            checked[e] = 1;
            const Element& el = net_.el[e];
            const Eigen::Matrix3d kinv = kinvOf(el);
            for (int k = 0; k < el.ncomp; ++k) {
                if (el.param[k] >= 0) continue;
                const Row7 row = basicMotionRow(el, k, kinv, c, len, net_.dim);
                if (std::fabs(row.dot(coef.transpose())) > tol) return false;
            }
        }
    }
    return true;
}

} // namespace

ScaledJacobian scaledJacobian(const Network& net) {
    ScaledJacobian s;
    const int m = static_cast<int>(net.obs.size());
    s.rows = RowTable(static_cast<std::size_t>(m));
    s.colNorm.assign(net.nparam, 0.0);
    s.rowNorm.assign(m, 0.0);
    // Each observation linearised into its own row over the cores, the column sums in order after.
    parallelRanges(static_cast<std::size_t>(m), [&](std::size_t from, std::size_t to) {
        Row r;
        for (std::size_t i = from; i < to; ++i) {
            ScaledRow& sr = s.rows.make(i);
            sr.n = 0;
            if (!net.obs[i].active || !net.linearize(static_cast<int>(i), r)) continue;
            sr.n = r.n;
            std::copy(r.idx, r.idx + r.n, sr.idx);
            std::copy(r.a, r.a + r.n, sr.a);
        }
    });
    for (int i = 0; i < m; ++i) {
        const ScaledRow& r = s.rows[i];
        for (int k = 0; k < r.n; ++k)
            s.colNorm[r.idx[k]] += r.a[k] * r.a[k];
    }
    for (double& c : s.colNorm)
        c = std::sqrt(c);
    // The row norms, then each entry scaled in place (the analyses read the scaled entries only).
    parallelRanges(static_cast<std::size_t>(m), [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            ScaledRow& r = s.rows[i];
            double sum = 0.0;
            for (int k = 0; k < r.n; ++k) {
                const double v = r.a[k] / s.colNorm[r.idx[k]];
                sum += v * v;
            }
            const double norm = std::sqrt(sum);
            s.rowNorm[i] = norm;
            for (int k = 0; k < r.n; ++k)
                r.a[k] = r.a[k] / (s.colNorm[r.idx[k]] * norm);
        }
    });
    return s;
}

Eigen::VectorXd Datum::toDatum(const Eigen::VectorXd& x) const {
    if (defect == 0) return x;
    return x - G * (T * x);
}

Datum analyseDefects(Network& net) {
    return Analysis(net).run();
}

} // namespace kivo::eng
