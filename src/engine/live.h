#pragma once
// Live precision: the error ellipses of a network recomputed for new approximate positions of some
// of its elements, fast enough to follow a drag. Set up once from the tables; each update then
// linearises, factors and inverts on the block layout kept from the setup, and gives the same
// ellipses a full run (mavostart, mavoL2err) gives for tables with the elements at those positions
// and their observations simulated there. No listing is written and nothing is iterated: the
// covariance depends on the geometry only.
//
// An update whose positions would change the network's structure (an element becomes determined or
// not, an observation gains or loses a defined value, the datum defect changes) is refused with
// StructureChanged: the caller then runs the full adjustment (and sets up again after it).
//
// Threads: the object may live on a worker thread; one call at a time (setup, update and the
// readers must not overlap; read the results on the worker after update returns and hand copies
// on). A newer request makes a running one moot: raise the cancellation flag, which update checks
// between its phases, and it returns Cancelled with the earlier positions and results in place.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/project.h"
#include "engine/summary.h"

namespace kivo::eng {

class LivePrecision {
public:
    enum class Status {
        Ok,
        Cancelled,        // the flag was raised; the results are those of the last completed update
        StructureChanged, // the positions change what is determined: run the full adjustment
        Failed,           // no covariance at these positions (why() says why)
    };

    // A new approximate position: element index as in the result arrays (station i, target
    // maxsta + j); x, y, z in the length unit and, when rotations is true, a station's rotations
    // about x, y, z in radians (as the station table holds them).
    struct Position {
        int element = -1;
        double x[3] = {};
        bool rotations = false;
        double r[3] = {};
    };

    LivePrecision();
    ~LivePrecision();
    LivePrecision(const LivePrecision&) = delete;
    LivePrecision& operator=(const LivePrecision&) = delete;

    // Reads the tables (the project is not kept) and analyses the network at the positions given
    // there; computes the ellipses there too. False, with why(), when a full run would fail before
    // its covariance (names not unique, nothing to adjust, singular).
    bool setup(const project& p);

    // Moves the elements (the positions stay for later updates; an update that is not Ok leaves the
    // earlier positions and results in place) and recomputes every element's ellipses.
    Status update(const std::vector<Position>& moved, const std::atomic<bool>* cancel = nullptr);

    // Results of the last setup or Ok update: per element as in Summary::elements (value and approx
    // both the position used; sd and ellipses 1 sigma); determined/connected as a full run marks them.
    const std::vector<ElementResult>& elements() const;
    // The nine result arrays of project::runresults (sized to the element count).
    void fill(result& out) const;
    // Relative precision of two elements at the last computed positions, from the factor on demand.
    // False for an index out of range or an element left out.
    bool relative(int e1, int e2, RelativePrecision& out) const;

    const std::string& why() const;
    int elementCount() const;
    // Element index for a name as the listing or the forms show it (case ignored); -1 when unknown.
    int find(const std::string& name) const;

    // Seconds per phase of the last update, in order.
    const std::vector<std::pair<std::string, double>>& timings() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

} // namespace kivo::eng
