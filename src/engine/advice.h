#pragma once
// Design advice from an adjusted network: which one more sighting, and where one more station,
// helps most. Adding observations changes the covariance by a low-rank update, so every candidate is
// judged from the current covariance (the columns wanted come from the factor, never from a dense
// inverse) without adjusting the network again.
//
// Candidates that would change the network's structure are not judged: sightings to or from
// elements left out, and sightings that would take away part of a free datum (a distance in a
// network whose scale is free).

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/project.h"

namespace kivo::eng {

struct SightingOptions {
    double sdDirection = 0.0003; // gon, horizontal direction
    double sdZenith = 0.0003;    // gon, zenith angle
    double sdDistance = 0.0001;  // length unit
    // Targets (index in the target table) that may be sighted; empty: every target.
    std::vector<char> targets;
    // With a tolerance > 0: also count the elements whose largest axis x factor falls within it.
    double tolerance = 0.0;
    double factor = 1.0;
    int top = 20; // suggestions returned; 0 for every one
};

struct Suggestion {
    int station = -1;      // index in the station table
    int target = -1;       // index in the target table
    bool distance = false; // a distance; otherwise a direction pair (horizontal direction and zenith angle)
    double gain = 0.0;     // how much the worst element's largest 1-sigma axis shrinks (length unit)
    double axisAfter = 0.0;
    int broughtWithin = 0; // elements brought within the tolerance (with a tolerance)
};

struct SightingAdvice {
    bool ok = false;
    std::string why; // when not ok
    int worst = -1;  // element index (station i, target maxsta + j) with the largest 1-sigma axis
    double worstAxis = 0.0;
    int outside = 0;                // elements outside the tolerance now (with a tolerance)
    int judged = 0;                 // candidates judged
    std::vector<Suggestion> ranked; // best first
};

// Every missing sighting from a station to a target: a direction pair where the station has no
// direction to the target, and a distance where the station measures distances (has one already)
// but not to that target. Degenerate lines of sight (zero length, vertical) are never proposed.
// Ranked by gain, then by the number brought within the tolerance.
SightingAdvice adviseSightings(const project& p, const SightingOptions& o);

struct HeatMapOptions {
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;          // the area, length unit
    double z = 0;                                           // station height
    int nx = 40, ny = 40;                                   // cells; cell centres are sampled
    double range = 0.0;                                     // maximum sighting distance; 0: unlimited
    double sdDirection = 0.0003, sdZenith = 0.0003;         // gon
    bool unknown[6] = {true, true, true, true, true, true}; // the new station's unknown components
    std::vector<char> targets;                              // targets that may be sighted; empty: all
    int batch = 8; // elements updated at a time, the largest axes first, until the rest cannot matter
    int threads = 2;
};

struct HeatMap {
    bool ok = false;
    std::string why;
    int nx = 0, ny = 0;
    double current = 0.0; // the network's largest 1-sigma axis now
    // Per cell (row y, then x; y from yMin upward): the network's largest 1-sigma axis with one more
    // station at the cell centre, the current value where the station would not be determined;
    // sighted: targets in range.
    std::vector<double> value;
    std::vector<int> sighted;
    bool cancelled = false;
    double at(int ix, int iy) const { return value[static_cast<std::size_t>(iy) * nx + ix]; }
};

// The new station's unknowns are eliminated, so the covariances stay in the datum of the run: with
// a datum fixed by given coordinates they equal a full run with the station added; with a free
// datum they are those of the same minimum-trace datum over the elements there are now.
// progress(done, total) may be called from worker threads; cancel stops the work early.
HeatMap stationHeatMap(const project& p, const HeatMapOptions& o, const std::atomic<bool>* cancel = nullptr,
                       const std::function<void(int, int)>& progress = {});

} // namespace kivo::eng
