#pragma once
// The adjustment run on a filled project: mavostart() builds and solves the least-squares
// adjustment, mavoL2err() computes covariances, ellipses and statistics and writes the listing.
// Both return >= 0 on success and a negative code on failure; the listing then says why. Neither
// lets an exception out: running out of memory is the failure kNoMemory. The project's feedback
// hears each phase as it begins and may stop the run there.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/project.h"
#include "engine/summary.h"

namespace kivo {

namespace eng {
struct Run;
}

// Unknowns the tables ask for (components estimated, pseudo-observed ones included), counted
// without allocating: the figure the out-of-memory message gives.
long long countUnknowns(const project& p);
// The reason a run that ran out of memory gives: "not enough memory for this network (N unknowns)".
std::string notEnoughMemoryText(long long unknowns);

class mavo {
public:
    // Failure codes.
    enum : int {
        kNoData = -1, // nothing to adjust, or mavoL2err without a successful mavostart
        kNamesNotUnique = -2,
        kSingular = -3, // normal equations break down
        kNoConvergence = -4,
        kListingFailed = -5,
        kCancelled = -6, // the feedback asked the run to stop; nothing was written
        kNoMemory = -7,  // an allocation failed: "not enough memory for this network (N unknowns)"
    };

    explicit mavo(project* p);
    ~mavo();
    mavo(const mavo&) = delete;
    mavo& operator=(const mavo&) = delete;

    int mavostart();
    int mavoL2err();

    // Element pairs (indices as in the result arrays) whose relative precision mavoL2err adds to
    // Summary::requested, from the factor of the run; pairs with an element out of range or left out
    // are skipped.
    std::vector<std::pair<int, int>> relativeRequests;

    int itermax = 20;      // Gauss-Newton iteration limit
    double valstop = 1e-6; // converged when every correction is below valstop / sqrt(N_ii)

    // Seconds per phase of the last run, in order.
    const std::vector<std::pair<std::string, double>>& timings() const;
    const eng::Summary& summary() const;
    // Hands the last run's summary over (the run keeps an empty one): the observations' results of a
    // large network are the size of the network itself, and are not held twice.
    eng::Summary takeSummary();

private:
    int start();
    int finish();
    int cancelled(); // the run stops at the feedback's request
    // Frees what the run holds, then ends it with kNoMemory (the listing says why, when it can).
    int outOfMemory();
    // Tells the feedback that a phase begins; false when it asks the run to stop.
    bool proceed(CalcPhase phase, int step = 0);

    project* p_;
    std::unique_ptr<eng::Run> run_;
};

} // namespace kivo
