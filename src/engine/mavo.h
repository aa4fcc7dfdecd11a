#pragma once
// The adjustment run on a filled project: mavostart() builds and solves the least-squares
// adjustment, mavoL2err() computes covariances, ellipses and statistics and writes the listing.
// Both return >= 0 on success and a negative code on failure; the listing then says why.

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

class mavo {
public:
    // Failure codes.
    enum : int {
        kNoData = -1, // nothing to adjust, or mavoL2err without a successful mavostart
        kNamesNotUnique = -2,
        kSingular = -3, // normal equations break down
        kNoConvergence = -4,
        kListingFailed = -5,
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

private:
    project* p_;
    std::unique_ptr<eng::Run> run_;
};

} // namespace kivo
