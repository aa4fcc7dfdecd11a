#pragma once
// The engine's own view of the tables: elements with their unknowns, valid observations and
// pseudo-observations, and the list of what was left out and why.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/functional_model.h"

namespace kivo {
class project;
}

namespace kivo::eng {

struct Element {
    std::string name;
    std::string label; // the name the user sees, when it differs from name
    bool station = false;
    int index = 0;                           // index in the station or target table
    int ncomp = 3;                           // 6 for stations, 3 for targets
    double x[6] = {};                        // current values (positions, rotations in radians)
    double x0[6] = {};                       // approximate values as given
    int status[6] = {};                      // status codes as given
    int param[6] = {-1, -1, -1, -1, -1, -1}; // unknown index or -1 (fixed)
    bool determined = true;                  // false when left out (not determined, or not connected)
    bool connected = true;                   // false when left out as not connected to the datum
    std::string reason;                      // why it was left out
};

// Held a million times over in a large network: 32 bytes.
struct Observation {
    Kind kind = Kind::Distance;
    bool active = true;     // false when left out with a not determined element
    std::int8_t comp = 0;   // component of a pseudo-observation
    std::int8_t table = -1; // 0 distances, 1 height differences, 2 directions, 3 zenith angles, -1 pseudo
    int e1 = -1, e2 = -1;   // elements (e2 unused for pseudo-observations)
    int row = -1;           // index in that table
    double value = 0.0;     // observed value (gon for angles, radians for pseudo-observed rotations)
    double sigma = 1.0;     // a-priori std dev in the unit of value
};
static_assert(sizeof(Observation) == 32);

// One linearised observation: value = observed - computed (reduced for directions), w = 1/sigma^2.
struct Row {
    int n = 0;
    int idx[9];
    double a[9];
    double misclosure = 0.0;
    double w = 0.0;
};

struct Network {
    int dim = 3;
    int units = -1; // as project::units
    int nsta = 0, ntar = 0;
    std::vector<Element> el;          // stations first, then targets
    std::vector<Observation> obs;     // valid observations, then pseudo-observations
    std::vector<std::string> invalid; // observations left out, with the reason
    // Observations left out for a standard deviation that is not positive, per table (distances,
    // height differences, horizontal directions, zenith angles).
    int sigmaNotPositive[4] = {};
    std::vector<std::string> duplicates; // names that are not unique ignoring case
    int nparam = 0;
    std::vector<int> paramElement, paramComp; // per unknown

    // Reads the tables; returns false when names are not unique (duplicates lists them).
    bool read(const project& p);
    // Renumbers the unknowns over the determined elements.
    void numberUnknowns();
    // Linearises observation i at the current values; false when it has no defined value there.
    bool linearize(int i, Row& row) const;
    // Computed value of observation i at the current values.
    bool computed(int i, double& value) const;
    std::string describe(int i) const;             // "direction Theo3_1 (3_1) -> P7" for the listing
    void describe(int i, std::string& into) const; // the same into a reused buffer
    // The element as the user knows it: "Theo3_1 (3_1)" when the label differs from the engine name.
    std::string shown(int e) const;
};

const char* kindName(Kind k);

} // namespace kivo::eng
