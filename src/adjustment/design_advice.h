#pragma once
// Design advice on the document: the missing sightings that help most, and the field of the
// precision one more station would give, both from the tables of the last Calculate.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace kivo {

class kivoMDIClient;

struct SightingSuggestion {
    int theo = -1;         // theodolite slot
    int point = -1;        // point slot
    bool distance = false; // a distance; otherwise a point direction (horizontal and vertical angle)
    double gain = 0.0;     // how much the worst element's largest 1-sigma axis shrinks (length unit)
    double axisAfter = 0.0;
    int broughtWithin = 0; // elements brought within the session's tolerance (when one is set)
};

struct SightingAdviceResult {
    bool ok = false;
    std::string why;                        // when not ok
    std::string worst;                      // the element with the largest axis, as the forms name it
    double worstAxis = 0.0;                 // its largest 1-sigma axis
    int outside = 0;                        // elements outside the tolerance (when one is set)
    std::vector<SightingSuggestion> ranked; // best first
};

// Ranks the missing sightings from the theodolites to the points on the tables of the last
// Calculate (which must have succeeded), with the project's standard deviations; top 0: all.
SightingAdviceResult SuggestSightings(const kivoMDIClient& doc, int top);

// Adds the sighting as the measuring tools do: an ideal observation that the next Simulate or
// Calculate gives its value. Other marks are kept. False when it exists already or a slot is not in use.
bool AddSuggestedSighting(kivoMDIClient& doc, const SightingSuggestion& s);

struct StationField {
    bool ok = false;
    bool cancelled = false;
    std::string why;
    int nx = 0, ny = 0;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0, z = 0; // the area (the limit box) and the station height
    double range = 0.0;                                   // the maximum range (0: every point)
    double current = 0.0;                                 // the network's largest 1-sigma axis now
    std::vector<double> value; // per cell, row by row from yMin: the largest axis with a station there
    std::vector<int> sighted;  // points in range per cell
    double best = 0.0;         // the smallest value
    int bestCell = -1;
    double cellX(int ix) const { return xMin + (ix + 0.5) * (xMax - xMin) / nx; }
    double cellY(int iy) const { return yMin + (iy + 0.5) * (yMax - yMin) / ny; }
};

// The plan-view field over the limit box at the default station height: one more theodolite at a
// cell (as the theodolite tool places it) sighting every point within range (0: every point).
// Reads the document only while it starts; the work itself may run on another thread.
struct StationFieldJob {
    std::function<StationField(const std::atomic<bool>* cancel,
                               const std::function<void(int, int)>& progress)>
        run;
    std::string why; // when run is empty: why there is nothing to compute
};
StationFieldJob PrepareStationField(const kivoMDIClient& doc, double range, int nx, int ny);

// Places a theodolite at the centre of a cell of the field, as the theodolite tool places one, and
// adds its directions to every point within the field's range (the sightings the field assumed).
// Returns the theodolite's slot, -1 when none could be placed.
int PlaceStationFromField(kivoMDIClient& doc, const StationField& f, int cell);

} // namespace kivo
