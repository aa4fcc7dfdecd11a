#pragma once
// What one engine run found, for the listing, the program and the tests.

#include <string>
#include <vector>

namespace kivo::eng {

struct ObservationResult {
    int index = -1;           // observation in the network (Network::describe names it)
    int table = -1, row = -1; // 0 distances, 1 height differences, 2 directions, 3 zenith angles, -1 pseudo
    bool angle = false;       // values in gon (directions, zenith angles, pseudo-observed rotations)
    double observed = 0.0, sigma = 0.0;
    double adjusted = 0.0;   // observed + residual (directions reduced to [0, 400) gon)
    double sdAdjusted = 0.0; // std dev of the adjusted observation, sigma sqrt(1 - r)
    double residual = 0.0;   // adjusted minus observed (gon for angles and rotations)
    double redundancy = 0.0; // r_i = 1 - w_i a_i^T Q a_i
    double mdb = 0.0;        // minimal detectable bias (0 when r_i is about 0: not controlled)
    double normalized = 0.0; // v / (sigma sqrt(r_i))
};

struct ElementResult {
    bool determined = true;
    bool connected = true; // false when the element lies in a part not connected to the datum
    double value[6] = {};  // adjusted values (rotations in gon)
    double sd[6] = {};     // standard deviations (0 for fixed; rotations in gon)
    bool estimated[6] = {};
    double major[3] = {}, minor[3] = {}, phi[3] = {}; // planes 12, 13, 23
    double axes[3] = {};                              // 1-sigma ellipsoid semi-axes, largest first
    double approx[6] = {};                            // approximate values as given (rotations in gon)
};

// An element left out of the adjustment (zero ellipses), and why.
struct LeftOut {
    int element = -1;      // index in Summary::elements (stations, then targets)
    std::string name;      // engine name
    bool connected = true; // false: not connected to the datum; true: connected but not determined
    std::string reason;    // for the listing, e.g. "seen by a single direction"
};

// Precision of the vector between two elements' positions (x2 - x1).
struct RelativePrecision {
    int e1 = -1, e2 = -1;  // indices in Summary::elements
    double distance = 0.0; // at the current coordinates, length unit
    double sd = 0.0;       // 1-sigma std dev of the distance, length unit
    double axes[3] = {};   // 1-sigma semi-axes of the relative ellipsoid, largest first
    double major[3] = {}, minor[3] = {}, phi[3] = {}; // relative ellipses in the planes 12, 13, 23
};

struct Summary {
    int stations = 0, targets = 0;
    int count[4] = {}; // valid observations: distances, height differences, directions, zenith angles
    int pseudo = 0, unknowns = 0, defect = 0, redundancy = 0, iterations = 0;
    bool converged = false;
    std::string datum; // how the datum defect was removed
    std::vector<std::string> invalid, undetermined, duplicates;
    double vtpv = 0.0, varianceFactor = 0.0, chiLow = 0.0, chiHigh = 0.0;
    int largestNormalized = -1;      // index in observations of the largest |w| (-1: none controlled)
    double criticalNormalized = 0.0; // |w| above this is a suspected outlier (alpha 0.1 %, two-sided)
    bool globalTestPassed = true;
    std::vector<ObservationResult> observations;
    std::vector<ElementResult> elements;      // stations, then targets
    std::vector<RelativePrecision> relative;  // pairs joined by a distance or height difference
    std::vector<RelativePrecision> requested; // pairs asked for through mavo::relativeRequests
    std::vector<LeftOut> leftOut; // elements left out: not determined, or not connected to the datum
    std::string failure;          // why a run failed (empty on success)
};

} // namespace kivo::eng
