#include "engine/mavo.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>

#include "engine/datum.h"
#include "engine/element_result.h"
#include "engine/ellipse.h"
#include "engine/heap.h"
#include "engine/listing.h"
#include "engine/network.h"
#include "engine/normals.h"
#include "engine/parallel.h"
#include "engine/relative.h"

namespace kivo {

namespace eng {

struct Run {
    Network net;
    Datum datum;
    Normals normals;
    Summary sum;
    std::vector<std::pair<std::string, double>> times;
    bool solved = false;

    std::chrono::steady_clock::time_point mark = std::chrono::steady_clock::now();
    void phase(const char* name) {
        const auto now = std::chrono::steady_clock::now();
        times.emplace_back(name, std::chrono::duration<double>(now - mark).count());
        mark = now;
    }
};

namespace {

// Checks that every active observation has a value at the current coordinates.
bool definedEverywhere(const Network& net, std::string& why) {
    // Over the cores; each range notes its first failure, the first of those is named.
    std::vector<std::size_t> first(kMaxRanges, net.obs.size());
    std::atomic<std::size_t> ranges{0};
    parallelRanges(net.obs.size(), [&](std::size_t from, std::size_t to) {
        const std::size_t slot = ranges++;
        Row row;
        for (std::size_t i = from; i < to; ++i)
            if (net.obs[i].active && !net.linearize(static_cast<int>(i), row)) {
                first[slot] = i;
                return;
            }
    });
    const std::size_t i = *std::min_element(first.begin(), first.end());
    if (i == net.obs.size()) return true;
    why = "observation without a defined value at the current coordinates: " +
          net.describe(static_cast<int>(i));
    return false;
}

} // namespace
} // namespace eng

long long countUnknowns(const project& p) {
    long long n = 0;
    auto estimated = [](int code) { return code == kStatusUnknown || code == kStatusPseudo; };
    for (int i = 0; p.sta && i < p.maxsta; ++i)
        for (int k = 0; k < 6; ++k)
            n += estimated(p.sta[i].d[k]) ? 1 : 0;
    for (int i = 0; p.tar && i < p.maxtar; ++i)
        for (int k = 0; k < 3; ++k)
            n += estimated(p.tar[i].d[k]) ? 1 : 0;
    return n;
}

std::string notEnoughMemoryText(long long unknowns) {
    return "not enough memory for this network (" + std::to_string(unknowns) + " unknowns)";
}

mavo::mavo(project* p) : p_(p), run_(std::make_unique<eng::Run>()) {}
mavo::~mavo() = default;

// (A run that ran out of memory may hold nothing at all.)
const std::vector<std::pair<std::string, double>>& mavo::timings() const {
    static const std::vector<std::pair<std::string, double>> none;
    return run_ ? run_->times : none;
}
const eng::Summary& mavo::summary() const {
    static const eng::Summary none;
    return run_ ? run_->sum : none;
}

eng::Summary mavo::takeSummary() {
    return run_ ? std::move(run_->sum) : eng::Summary{};
}

bool mavo::proceed(CalcPhase phase, int step) {
    return !p_ || !p_->pfeedback || p_->pfeedback->progress(phase, step);
}

int mavo::cancelled() {
    run_->sum.failure = "cancelled";
    p_->istat = kCancelled;
    return kCancelled;
}

int mavo::outOfMemory() {
    using namespace eng;
    // What the run holds goes first: the listing needs a little memory of its own.
    Summary s;
    if (run_) {
        s.stations = run_->sum.stations;
        s.targets = run_->sum.targets;
    }
    run_.reset();
    s.failure = notEnoughMemoryText(countUnknowns(*p_));
    p_->istat = kNoMemory;
    try {
        auto left = std::make_unique<Run>();
        left->sum = std::move(s);
        run_ = std::move(left);
        writeListing(p_->listingName(), p_->fileName(), run_->net, run_->sum);
    } catch (const std::bad_alloc&) {
        // Not even the listing fits: the status and the return code still say why.
    } catch (const std::length_error&) {
    }
    return kNoMemory;
}

// An allocation that fails anywhere in the run (std::bad_alloc, or std::length_error from a size
// that cannot be held) ends it as a failure with its reason.
int mavo::mavostart() {
    if (!p_) return kNoData;
    try {
        return start();
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    } catch (const std::length_error&) {
        return outOfMemory();
    }
}

int mavo::mavoL2err() {
    if (!p_) return kNoData;
    try {
        return finish();
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    } catch (const std::length_error&) {
        return outOfMemory();
    }
}

namespace {

// The first real cause of a failure: observations left out for a standard deviation that is not
// positive come before what followed from their absence (elements left undetermined, a singular
// system).
std::string firstCause(const eng::Network& net, const std::string& why) {
    static const char* const kinds[4] = {"distances", "height differences", "horizontal directions",
                                         "zenith angles"};
    std::string cause;
    for (int t = 0; t < 4; ++t) {
        if (net.sigmaNotPositive[t] == 0) continue;
        cause += cause.empty() ? "standard deviation not positive for " : ", ";
        cause += std::to_string(net.sigmaNotPositive[t]) + " " + kinds[t];
    }
    if (cause.empty()) return why;
    return cause + " (left out: give them a positive standard deviation); as a result: " + why;
}

} // namespace

int mavo::start() {
    using namespace eng;
    run_ = std::make_unique<Run>();
    Run& r = *run_;
    Summary& s = r.sum;
    Network& net = r.net;
    auto fail = [&](int code, const std::string& why) {
        s.failure = code == kNamesNotUnique ? why : firstCause(net, why);
        if (!writeListing(p_->listingName(), p_->fileName(), net, s)) p_->listingError = errno ? errno : EIO;
        p_->istat = code;
        return code;
    };
    if (p_->maxsta + p_->maxtar <= 0 || (p_->maxsta > 0 && !p_->sta) || (p_->maxtar > 0 && !p_->tar)) {
        return fail(kNoData, "no stations or targets to adjust");
    }
    if (!proceed(CalcPhase::Tables)) return cancelled();
    const bool unique = net.read(*p_);
    s.stations = net.nsta;
    s.targets = net.ntar;
    s.duplicates = net.duplicates;
    if (!unique) return fail(kNamesNotUnique, "names not unique (ignoring case) across stations and targets");
    s.invalid = net.invalid;
    r.phase("read tables");

    const bool anyUnknowns = std::any_of(net.el.begin(), net.el.end(), [](const Element& e) {
        for (int k = 0; k < e.ncomp; ++k)
            if (e.status[k] == kStatusUnknown || e.status[k] == kStatusPseudo) return true;
        return false;
    });
    if (!proceed(CalcPhase::Analysis)) return cancelled();
    r.datum = analyseDefects(net);
    releaseFreedMemory(); // the analysis leaves the heap full of holes
    const Datum& d = r.datum;
    // The reasons move to the summary (the network keeps no other use for them).
    const auto leftOutCount = static_cast<std::size_t>(
        std::count_if(net.el.begin(), net.el.end(), [](const Element& e) { return !e.determined; }));
    s.leftOut.reserve(leftOutCount);
    s.undetermined.reserve(leftOutCount);
    for (std::size_t i = 0; i < net.el.size(); ++i) {
        Element& e = net.el[i];
        if (e.determined) continue;
        s.leftOut.push_back({static_cast<int>(i), e.name, e.connected, std::move(e.reason)});
        if (e.connected) s.undetermined.push_back(e.name);
    }
    for (const Observation& o : net.obs) {
        if (!o.active) continue;
        if (o.kind == Kind::Pseudo)
            ++s.pseudo;
        else
            ++s.count[o.table];
    }
    s.unknowns = net.nparam;
    r.phase("configuration defects");
    // Every element with unknowns left out: nothing was adjusted. (A network whose elements are all
    // fixed has nothing to adjust either, but its elements are known, and the run succeeds.)
    if (anyUnknowns && net.nparam == 0)
        return fail(kNoData,
                    "nothing was adjusted: every element with unknowns is left out (see the elements not "
                    "determined and not connected below)");

    s.defect = d.defect;
    if (d.defect == 0) {
        s.datum = "defined by the fixed and pseudo-observed components";
    } else {
        static const char* comp[6] = {"x", "y", "z", "rx", "ry", "rz"};
        std::string held;
        for (int p : d.held) {
            if (!held.empty()) held += ", ";
            held += net.el[net.paramElement[p]].name + " " + comp[net.paramComp[p]];
        }
        s.datum = std::string(d.minimumTrace ? "minimum trace over the position coordinates"
                                             : "minimum norm over all unknowns") +
                  " (free: " + d.description + "; solved holding " + held + ", then transformed)";
    }
    const int observations = s.count[0] + s.count[1] + s.count[2] + s.count[3] + s.pseudo;
    s.redundancy = observations - (s.unknowns - s.defect);
    r.normals.layout(net, d.excluded);
    r.phase("datum");

    std::string why;
    // Once the corrections are a small fraction of their standard deviations, the normal matrix no
    // longer changes in any digit that matters: the next iteration keeps its factors and forms only the
    // right-hand side (the converged solution is the same, the step is judged as a full one).
    constexpr double kKeepFactors = 1e-3;
    double previous = std::numeric_limits<double>::infinity();
    for (int it = 1; it <= itermax; ++it) {
        if (!proceed(CalcPhase::Iterations, it)) return cancelled();
        int failed = -1;
        const bool keep = previous < kKeepFactors;
        const auto linearize = [&](int i, Row& row) { return net.linearize(i, row); };
        if (!(keep ? r.normals.assembleRightHandSide(linearize, failed)
                   : r.normals.assemble(linearize, failed)))
            return fail(kSingular, "observation without a defined value at the current coordinates: " +
                                       net.describe(failed));
        if (!keep && !r.normals.factor(why)) return fail(kSingular, why);
        const Eigen::VectorXd dx = d.toDatum(r.normals.solveAssembled());
        double worst = 0.0;
        for (int p = 0; p < net.nparam; ++p) {
            Element& e = net.el[net.paramElement[p]];
            e.x[net.paramComp[p]] += dx(p);
            worst = std::max(worst, std::fabs(dx(p)) * std::sqrt(r.normals.diagonal(p)));
        }
        s.iterations = it;
        if (!std::isfinite(worst)) return fail(kNoConvergence, "the iterations diverged");
        if (worst < valstop) {
            s.converged = true;
            break;
        }
        previous = worst;
    }
    if (!s.converged)
        return fail(kNoConvergence, "no convergence after " + std::to_string(itermax) +
                                        " iterations (inconsistent observations or poor approximate values)");
    if (!definedEverywhere(net, why)) return fail(kSingular, why);
    releaseFreedMemory();
    r.phase("iterations");
    r.solved = true;
    p_->istat = 0;
    return 0;
}

int mavo::finish() {
    using namespace eng;
    if (!run_) return kNoData;
    Run& r = *run_;
    if (!r.solved) {
        if (r.sum.failure.empty()) r.sum.failure = "no solution: the adjustment was not run or failed";
        p_->istat = kNoData;
        return kNoData;
    }
    Summary& s = r.sum;
    Network& net = r.net;
    const Datum& d = r.datum;
    if (!proceed(CalcPhase::Covariances)) return cancelled();
    r.mark = std::chrono::steady_clock::now();

    // The covariance blocks, and in the same pass over the clusters of targets the residuals and the
    // redundancy numbers r_i = 1 - w_i a_i^T Q a_i (any generalised inverse gives the same value, so
    // the one with the held unknowns serves). Two numbers per observation are kept until the factors
    // are freed; the observation results are built after that, in observation order.
    std::vector<int> at(net.obs.size(), -1);
    int active = 0;
    for (std::size_t i = 0; i < net.obs.size(); ++i)
        if (net.obs[i].active) at[i] = active++;
    std::vector<double> residual(static_cast<std::size_t>(active), 0.0);
    std::vector<double> redundancy(static_cast<std::size_t>(active), 0.0);
    std::vector<char> visited(static_cast<std::size_t>(active), 0);
    auto residuals = [&](int i, const Row& row, double aqa) {
        if (at[i] < 0) return;
        const std::size_t k = static_cast<std::size_t>(at[i]);
        residual[k] = -row.misclosure;
        redundancy[k] = std::clamp(1.0 - row.w * aqa, 0.0, 1.0);
        visited[k] = 1;
    };
    // defined everywhere: checked at the end of mavostart
    auto linearize = [&](int i, Row& row) { return net.linearize(i, row); };
    r.normals.selectedInverse(linearize, residuals);
    // The covariance in the datum of the run (the factor's inverse with the held unknowns, transformed):
    // held until the factors go, its datum terms solved before the elements ask for it over the cores.
    std::optional<Covariance> cov(std::in_place, r.normals, d);
    cov->prepareDatum();
    r.datum.T = Eigen::MatrixXd(); // T is done with (the covariance holds U and V)
    releaseFreedMemory();          // before the element results take their place
    auto q = [&](int a, int b) { return (*cov)(a, b); };
    r.phase("covariance blocks");
    result& res = *p_->runresults;
    const std::size_t nel = net.el.size();
    s.elements.assign(nel, ElementResult{});
    // Every element left out is listed once with its reason; one the defect analysis only marked
    // gets the general reason.
    std::vector<char> listed(nel, 0);
    for (const LeftOut& lo : s.leftOut)
        if (lo.element >= 0 && static_cast<std::size_t>(lo.element) < nel) listed[lo.element] = 1;
    for (std::size_t i = 0; i < nel; ++i)
        if (!net.el[i].determined && !listed[i])
            s.leftOut.push_back(
                {static_cast<int>(i), net.el[i].name, true, "not determined by its observations"});
    for (const LeftOut& lo : s.leftOut) {
        if (lo.element < 0 || static_cast<std::size_t>(lo.element) >= nel) continue;
        (lo.connected ? s.elements[lo.element].determined : s.elements[lo.element].connected) = false;
    }
    // Each element its own results, over the cores.
    parallelRanges(nel, [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const Element& e = net.el[i];
            ElementResult& er = s.elements[i];
            er.determined = er.determined && e.determined;
            er.connected = er.connected && e.connected;
            fillElementResult(e, q, er);
            if (i < res.major12.size()) {
                res.major12[i] = er.major[0], res.minor12[i] = er.minor[0], res.phi12[i] = er.phi[0];
                res.major13[i] = er.major[1], res.minor13[i] = er.minor[1], res.phi13[i] = er.phi[1];
                res.major23[i] = er.major[2], res.minor23[i] = er.minor[2], res.phi23[i] = er.phi[2];
            }
        }
    });
    r.phase("ellipses");

    // Observations not laid out in the normal equations (not expected) while the factors are here.
    for (std::size_t i = 0; i < net.obs.size(); ++i) {
        if (at[i] < 0 || visited[static_cast<std::size_t>(at[i])]) continue;
        Row row;
        net.linearize(static_cast<int>(i), row);
        residuals(static_cast<int>(i), row, r.normals.quadratic(row));
    }
    s.relative = relativePairs(net, *cov);
    for (const auto& [a, b] : relativeRequests)
        if (a >= 0 && b >= 0 && a < static_cast<int>(nel) && b < static_cast<int>(nel) &&
            net.el[a].determined && net.el[b].determined)
            s.requested.push_back(relativePrecision(net, *cov, a, b));
    r.phase("relative precision");
    // The factors are done with: free them before the observation results and the listing are built.
    cov.reset();
    r.normals = Normals();
    releaseFreedMemory();

    // Residuals, redundancy numbers (from the pass above), minimal detectable biases.
    s.observations.assign(static_cast<std::size_t>(active), ObservationResult{});
    // Each observation its own results over the cores, then the sums in observation order.
    parallelRanges(net.obs.size(), [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const Observation& o = net.obs[i];
            if (!o.active) continue;
            const std::size_t k = static_cast<std::size_t>(at[i]);
            ObservationResult& orr = s.observations[k];
            orr.residual = residual[k];
            orr.redundancy = redundancy[k];
            orr.index = static_cast<int>(i);
            orr.table = o.table;
            orr.row = o.row;
            orr.observed = o.value;
            orr.sigma = o.sigma;
            if (orr.redundancy > 1e-6) {
                orr.mdb = o.sigma * kMdbDelta0 / std::sqrt(orr.redundancy);
                orr.normalized = orr.residual / (o.sigma * std::sqrt(orr.redundancy));
            }
            // Pseudo-observed rotations are carried in radians; the listing gives them in gon like the
            // coordinate table (the normalised residual and r do not depend on the unit).
            orr.angle = o.kind == Kind::Direction || o.kind == Kind::Zenith ||
                        (o.kind == Kind::Pseudo && o.comp >= 3);
            if (o.kind == Kind::Pseudo && o.comp >= 3) {
                orr.observed = radToGon(orr.observed);
                orr.sigma = radToGon(orr.sigma);
                orr.residual = radToGon(orr.residual);
                orr.mdb = radToGon(orr.mdb);
            }
            orr.adjusted = orr.observed + orr.residual;
            if (o.kind == Kind::Direction) orr.adjusted -= 400.0 * std::floor(orr.adjusted / 400.0);
            orr.sdAdjusted = orr.sigma * std::sqrt(1.0 - orr.redundancy);
        }
    });
    s.vtpv = 0.0;
    for (std::size_t k = 0; k < s.observations.size(); ++k) {
        const ObservationResult& orr = s.observations[k];
        const double sigma = net.obs[static_cast<std::size_t>(orr.index)].sigma;
        const double w = 1.0 / (sigma * sigma); // as the linearised row weighs it
        s.vtpv += w * residual[k] * residual[k];
        // Normalised residuals equal to rounding (two observations that alone carry one quantity,
        // such as the only two scale observations, have the same |w|) name the first in the listing,
        // whatever the last bits of the iterations.
        if (orr.redundancy > 1e-6 &&
            (s.largestNormalized < 0 ||
             std::fabs(orr.normalized) >
                 std::fabs(s.observations[s.largestNormalized].normalized) * (1.0 + 1e-9)))
            s.largestNormalized = static_cast<int>(k);
    }
    s.criticalNormalized = normalQuantile(1.0 - kOutlierAlpha / 2.0);
    if (s.redundancy > 0) {
        s.varianceFactor = s.vtpv / s.redundancy;
        s.chiLow = chiSquareQuantile(0.025, s.redundancy) / s.redundancy;
        s.chiHigh = chiSquareQuantile(0.975, s.redundancy) / s.redundancy;
        s.globalTestPassed = s.varianceFactor >= s.chiLow && s.varianceFactor <= s.chiHigh;
    }
    std::vector<double>().swap(residual);
    std::vector<double>().swap(redundancy);
    std::vector<char>().swap(visited);
    std::vector<int>().swap(at);
    r.phase("redundancy numbers");

    if (!proceed(CalcPhase::Listing)) return cancelled();
    const bool written = writeListing(p_->listingName(), p_->fileName(), net, s);
    r.phase("listing");
    if (!written) {
        p_->listingError = errno ? errno : EIO;
        p_->istat = kListingFailed;
        return kListingFailed;
    }
    p_->istat = 0;
    return 0;
}

} // namespace kivo
