#include "engine/verification.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <random>
#include <stdexcept>
#include <thread>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/normal_distribution.hpp>

#include "engine/datum.h"
#include "engine/ellipse.h"
#include "engine/network.h"
#include "engine/normals.h"
#include "engine/relative.h"

namespace kivo::eng {

namespace {

// Realisations per piece of work. The pieces' sums are added in piece order, so the grouping must
// not depend on the threads: a constant.
constexpr int kChunk = 16;

// Once a step of the simplified iteration (normal matrix kept from an earlier point) shrinks the
// corrections by less than this factor, the next step forms and factors the matrix anew at the
// current values (a full Gauss-Newton step). Either step converges to the same solution: the
// normal equations at the solution do not depend on the matrix used for the steps.
constexpr double kSlowContraction = 0.25;

// Position sums of a piece of realisations, per element: the sums of d and of d d^T (xx, yy, zz, xy,
// xz, yz), d the adjusted position minus the design position, and the count.
struct Sums {
    std::vector<double> s; // 9 per element
    int n = 0;
};

std::string formName(const Element& e) {
    return e.label.empty() ? e.name : e.label;
}

// What each worker thread holds: its own copy of the network and its normal equations, factored at
// the design coordinates as long as nothing else was needed.
struct Worker {
    Network net;
    Normals normals;
    bool designFactor = false;
};

struct Shared {
    const Network& pristine;
    const Datum& datum;
    const std::vector<double>& base; // observation values as in the tables
    const VerificationOptions& opt;
    int cloudSamples = 0;
    std::vector<float>* cloud = nullptr;
};

// Adjusts realisation k in the worker: the noise, then the iterations from the design coordinates.
// Returns an empty string on convergence (net.el then holds the solution), the reason otherwise.
std::string adjustRealisation(Worker& w, const Shared& sh, int k) {
    Network& net = w.net;
    // The realisation's own generator: Boost's engine and distribution give the same sequence with
    // every standard library, std::seed_seq is fully specified.
    const std::uint64_t seed = sh.opt.seed;
    std::seed_seq seq{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                      static_cast<std::uint32_t>(k), 0x6b69766fu};
    boost::random::mt19937 rng(seq);
    boost::random::normal_distribution<double> gauss(0.0, 1.0);
    for (std::size_t i = 0; i < net.obs.size(); ++i) {
        Observation& o = net.obs[i];
        o.value = sh.base[i] + o.sigma * gauss(rng); // drawn for every observation, in order
    }
    for (Element& e : net.el)
        for (int c = 0; c < e.ncomp; ++c)
            e.x[c] = e.x0[c];

    const auto linearize = [&](int i, Row& row) { return net.linearize(i, row); };
    int failed = -1;
    std::string why;
    if (!w.designFactor) {
        if (!w.normals.assemble(linearize, failed))
            return "observation without a defined value: " + net.describe(failed);
        if (!w.normals.factor(why)) return "the normal equations are singular";
        w.designFactor = true;
    }
    bool refactor = false;
    double previous = std::numeric_limits<double>::infinity();
    for (int it = 1; it <= sh.opt.itermax; ++it) {
        if (refactor) {
            w.designFactor = false;
            if (!w.normals.assemble(linearize, failed))
                return "observation without a defined value: " + net.describe(failed);
            if (!w.normals.factor(why)) return "the normal equations became singular";
        }
        // The right-hand side alone, also after a fresh factorisation, so that every step is formed
        // the same way.
        if (!w.normals.assembleRightHandSide(linearize, failed))
            return "observation without a defined value: " + net.describe(failed);
        const Eigen::VectorXd dx = sh.datum.toDatum(w.normals.solveAssembled());
        double worst = 0.0;
        for (int p = 0; p < net.nparam; ++p) {
            Element& e = net.el[net.paramElement[p]];
            e.x[net.paramComp[p]] += dx(p);
            worst = std::max(worst, std::fabs(dx(p)) * std::sqrt(w.normals.diagonal(p)));
        }
        if (!std::isfinite(worst)) return "the iterations diverged";
        if (worst < sh.opt.valstop) return {};
        refactor = worst > kSlowContraction * previous;
        previous = worst;
    }
    return "no convergence after " + std::to_string(sh.opt.itermax) + " iterations";
}

// A piece of realisations [first, last): their sums and their cloud entries.
void runPiece(Worker& w, const Shared& sh, int first, int last, Sums& out,
              std::vector<FailedRealisation>& failures, const std::atomic<bool>* cancel,
              std::atomic<int>* done) {
    const Network& net = w.net;
    const std::size_t nel = net.el.size();
    out.s.assign(9 * nel, 0.0);
    out.n = 0;
    for (int k = first; k < last; ++k) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return;
        std::string why = adjustRealisation(w, sh, k);
        const bool converged = why.empty();
        if (!converged)
            failures.push_back({k, std::move(why)});
        else
            ++out.n;
        for (std::size_t e = 0; e < nel; ++e) {
            const Element& el = net.el[e];
            double d[3];
            for (int c = 0; c < 3; ++c)
                d[c] = el.param[c] >= 0 ? el.x[c] - el.x0[c] : 0.0;
            if (k < sh.cloudSamples) {
                float* at = sh.cloud->data() + (e * static_cast<std::size_t>(sh.cloudSamples) + k) * 3;
                for (int c = 0; c < 3; ++c)
                    at[c] = converged ? static_cast<float>(d[c]) : std::numeric_limits<float>::quiet_NaN();
            }
            if (!converged || !el.determined) continue;
            double* s = out.s.data() + 9 * e;
            s[0] += d[0], s[1] += d[1], s[2] += d[2];
            s[3] += d[0] * d[0], s[4] += d[1] * d[1], s[5] += d[2] * d[2];
            s[6] += d[0] * d[1], s[7] += d[0] * d[2], s[8] += d[1] * d[2];
        }
        if (done) ++*done;
    }
}

Eigen::Matrix3d fromSix(const double c[6]) {
    Eigen::Matrix3d m;
    m << c[0], c[3], c[4], c[3], c[1], c[5], c[4], c[5], c[2];
    return m;
}

// The test of one element (see the header) from n converged realisations; returns tr(C^-1 S) over
// the regular part of C (status Ok, awaiting the critical value), or leaves the element Untested.
double judge(VerifiedElement& v, const Element& e, const double* s, int n) {
    const double inv = 1.0 / n;
    const double mean[3] = {s[0] * inv, s[1] * inv, s[2] * inv};
    const double f = n > 1 ? 1.0 / (n - 1) : 0.0;
    // The products about the design position, moved to the sample mean.
    const double emp[6] = {(s[3] - n * mean[0] * mean[0]) * f, (s[4] - n * mean[1] * mean[1]) * f,
                           (s[5] - n * mean[2] * mean[2]) * f, (s[6] - n * mean[0] * mean[1]) * f,
                           (s[7] - n * mean[0] * mean[2]) * f, (s[8] - n * mean[1] * mean[2]) * f};
    std::copy(mean, mean + 3, v.mean);
    std::copy(emp, emp + 6, v.empirical);
    const Eigen::Matrix3d c = fromSix(v.predicted), se = fromSix(emp);
    v.predictedAxis = ellipsoidAxes(c)(0);
    v.empiricalAxis = ellipsoidAxes(se)(0);
    v.ratio = v.predictedAxis > 0.0 ? v.empiricalAxis / v.predictedAxis : 0.0;

    // The estimated components, whitened by the predicted covariance over its regular part.
    int comps[3], p = 0;
    for (int k = 0; k < 3; ++k)
        if (e.param[k] >= 0) comps[p++] = k;
    Eigen::MatrixXd cp(p, p), sp(p, p);
    for (int a = 0; a < p; ++a)
        for (int b = 0; b < p; ++b)
            cp(a, b) = c(comps[a], comps[b]), sp(a, b) = se(comps[a], comps[b]);
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(cp);
    const double top = eig.eigenvalues().size() ? eig.eigenvalues().maxCoeff() : 0.0;
    std::vector<int> keep;
    for (int a = 0; a < p; ++a)
        if (top > 0.0 && eig.eigenvalues()(a) > 1e-12 * top) keep.push_back(a);
    const int r = static_cast<int>(keep.size());
    if (r == 0 || n < 2) {
        v.status = VerifiedElement::Status::Untested;
        return 0.0;
    }
    Eigen::MatrixXd wm(r, p); // Lambda^-1/2 V^T over the regular part
    for (int a = 0; a < r; ++a)
        wm.row(a) = eig.eigenvectors().col(keep[a]).transpose() / std::sqrt(eig.eigenvalues()(keep[a]));
    const Eigen::MatrixXd sz = wm * sp * wm.transpose();
    const double trace = sz.trace();
    v.dimensions = r;
    Eigen::LLT<Eigen::MatrixXd> llt(sz);
    double logDet = -std::numeric_limits<double>::infinity();
    if (llt.info() == Eigen::Success) {
        logDet = 0.0;
        for (int a = 0; a < r; ++a)
            logDet += 2.0 * std::log(llt.matrixL()(a, a));
    }
    const double rho = 1.0 - (2.0 * r + 1.0 - 2.0 / (r + 1.0)) / (6.0 * (n - 1.0));
    v.statistic = (n - 1.0) * rho * (trace - logDet - r);
    v.status = VerifiedElement::Status::Ok; // judged once the level is known
    return trace;
}

} // namespace

Verification verifyBySimulation(const project& p, const VerificationOptions& options,
                                const std::atomic<bool>* cancel, std::atomic<int>* done) {
    const auto t0 = std::chrono::steady_clock::now();
    Verification v;
    v.samples = std::max(options.samples, 0);
    v.seed = options.seed;
    v.familyAlpha = options.familyAlpha;
    v.units = p.units;
    try {
        if (v.samples < 2) {
            v.why = "at least 2 realisations are needed";
            return v;
        }
        if (p.maxsta + p.maxtar <= 0 || (p.maxsta > 0 && !p.sta) || (p.maxtar > 0 && !p.tar)) {
            v.why = "no stations or targets to adjust";
            return v;
        }
        Network net;
        if (!net.read(p)) {
            v.why = "names not unique (ignoring case) across stations and targets";
            return v;
        }
        const bool anyUnknowns = std::any_of(net.el.begin(), net.el.end(), [](const Element& e) {
            for (int k = 0; k < e.ncomp; ++k)
                if (e.status[k] == kStatusUnknown || e.status[k] == kStatusPseudo) return true;
            return false;
        });
        const Datum datum = analyseDefects(net);
        if (anyUnknowns && net.nparam == 0) {
            v.why = "nothing was adjusted: every element with unknowns is left out";
            return v;
        }

        // The prediction: the covariance at the design coordinates, in the datum of a Calculate.
        const std::size_t nel = net.el.size();
        v.elements.resize(nel);
        {
            Normals pred;
            pred.layout(net, datum.excluded);
            int failed = -1;
            std::string why;
            if (!pred.assemble([&](int i, Row& row) { return net.linearize(i, row); }, failed)) {
                v.why =
                    "observation without a defined value at the design coordinates: " + net.describe(failed);
                return v;
            }
            if (!pred.factor(why)) {
                v.why = why;
                return v;
            }
            pred.selectedInverse();
            const Covariance q(pred, datum);
            for (std::size_t i = 0; i < nel; ++i) {
                const Element& e = net.el[i];
                VerifiedElement& ve = v.elements[i];
                ve.element = static_cast<int>(i);
                ve.name = formName(e);
                ve.shown = net.shown(static_cast<int>(i));
                std::copy(e.x0, e.x0 + 3, ve.design);
                const bool anyPosition = e.param[0] >= 0 || e.param[1] >= 0 || e.param[2] >= 0;
                if (!e.determined) {
                    ve.status = VerifiedElement::Status::LeftOut;
                    continue;
                }
                if (!anyPosition) {
                    ve.status = VerifiedElement::Status::Fixed;
                    continue;
                }
                ve.status = VerifiedElement::Status::Untested;
                const Eigen::Matrix3d c = q.positions(net, static_cast<int>(i), static_cast<int>(i));
                const double six[6] = {c(0, 0), c(1, 1), c(2, 2), c(0, 1), c(0, 2), c(1, 2)};
                std::copy(six, six + 6, ve.predicted);
                ve.predictedAxis = ellipsoidAxes(c)(0);
            }
        }

        std::vector<double> base(net.obs.size());
        for (std::size_t i = 0; i < net.obs.size(); ++i)
            base[i] = net.obs[i].value;
        const std::size_t perSample = 3 * std::max<std::size_t>(nel, 1);
        v.cloudSamples = static_cast<int>(std::min<std::size_t>(v.samples, options.cloudLimit / perSample));
        v.cloud.assign(static_cast<std::size_t>(v.cloudSamples) * perSample, 0.0f);
        Shared sh{net, datum, base, options, v.cloudSamples, &v.cloud};

        // The pieces go out one at a time; their sums are added in piece order as they come in.
        const int pieces = (v.samples + kChunk - 1) / kChunk;
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        const int threads = std::clamp(options.threads > 0 ? options.threads : cores, 1, std::max(pieces, 1));
        std::atomic<int> next{0};
        std::mutex lock;
        std::vector<Sums> pending(static_cast<std::size_t>(pieces));
        std::vector<char> ready(static_cast<std::size_t>(pieces), 0);
        std::vector<std::vector<FailedRealisation>> failures(static_cast<std::size_t>(pieces));
        int merged = 0;
        Sums total;
        total.s.assign(9 * nel, 0.0);
        std::exception_ptr error;
        auto work = [&] {
            try {
                Worker w{net, Normals{}, false};
                w.normals.layout(w.net, datum.excluded);
                for (int piece = next++; piece < pieces; piece = next++) {
                    Sums s;
                    std::vector<FailedRealisation> f;
                    runPiece(w, sh, piece * kChunk, std::min((piece + 1) * kChunk, v.samples), s, f, cancel,
                             done);
                    std::lock_guard guard(lock);
                    pending[piece] = std::move(s);
                    failures[piece] = std::move(f);
                    ready[piece] = 1;
                    for (; merged < pieces && ready[merged]; ++merged) {
                        Sums& m = pending[merged];
                        for (std::size_t i = 0; i < total.s.size(); ++i)
                            total.s[i] += m.s[i];
                        total.n += m.n;
                        m = Sums{};
                    }
                }
            } catch (...) {
                next = pieces;
                std::lock_guard guard(lock);
                if (!error) error = std::current_exception();
            }
        };
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) {
            try {
                pool.emplace_back(work);
            } catch (const std::exception&) {
                break; // fewer threads do the work
            }
        }
        work();
        for (std::thread& t : pool)
            t.join();
        if (error) std::rethrow_exception(error);
        if (cancel && cancel->load()) {
            v.cancelled = true;
            v.why = "cancelled";
            v.cloud.clear();
            v.cloudSamples = 0;
            return v;
        }
        for (auto& f : failures)
            for (auto& one : f)
                v.failed.push_back(std::move(one));
        v.converged = total.n;

        int pmin = 3;
        double pooledTrace = 0.0;
        int pooledDims = 0;
        for (std::size_t i = 0; i < nel; ++i) {
            VerifiedElement& ve = v.elements[i];
            if (ve.status != VerifiedElement::Status::Untested) continue;
            if (total.n < 2) continue;
            const double trace = judge(ve, net.el[i], total.s.data() + 9 * i, total.n);
            if (ve.status != VerifiedElement::Status::Ok) continue;
            ++v.tested;
            pooledTrace += trace;
            pooledDims += ve.dimensions;
            pmin = std::min(pmin, ve.dimensions);
        }
        v.elementAlpha = v.tested > 0 ? v.familyAlpha / v.tested : 0.0;
        for (VerifiedElement& ve : v.elements) {
            if (ve.status != VerifiedElement::Status::Ok) continue;
            ve.critical = chiSquareQuantile(1.0 - v.elementAlpha, ve.dimensions * (ve.dimensions + 1) / 2.0);
            if (!(ve.statistic <= ve.critical)) { // NaN counts as a flag
                ve.status = VerifiedElement::Status::Flagged;
                ++v.flagged;
            }
        }
        if (pooledDims > 0) {
            v.pooledRatio = pooledTrace / pooledDims;
            v.pooledSd = std::sqrt(2.0 / (pmin * (total.n - 1.0)));
        }
        v.ok = true;
    } catch (const std::bad_alloc&) {
        v = Verification{};
        v.why = "not enough memory for the check";
    } catch (const std::length_error&) {
        v = Verification{};
        v.why = "not enough memory for the check";
    }
    v.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return v;
}

} // namespace kivo::eng
