#pragma once
// The tables handed to the adjustment engine and the results it returns.

#include <string>
#include <vector>

#include "engine/feedback.h"

namespace kivo {

// Status codes of a component (station d[k], target d[k]).
enum : int {
    kStatusUnknown = 1, // estimated
    kStatusPseudo = 3,  // estimated, with a pseudo-observation "component = given value" of std dev sx[k]
    kStatusFixed = 4,   // a constant; every other code (-1 unused) counts as fixed too
};

// Observation kinds (edit_mes::sel).
enum : int {
    kObsDistance = 1,   // spatial distance, length unit
    kObsHeightDiff = 3, // z(nam1) - z(nam2), length unit
    kObsDirection = 4,  // horizontal direction in the station frame, gon
    kObsZenith = 5,     // zenith angle in the station frame, gon
};

struct edit_sta {
    char nam[16] = {};
    char label[16] = {}; // the name the forms show, when it differs from nam (the listing shows both)
    int sel = 0;
    double x[6] = {}; // x, y, z (length unit); rotations about x, y, z (radians from gon x 3.1415927 x 0.005)
    int d[8] = {};    // status codes of the six components; d[6], d[7] unused
    double sx[6] = {}; // std dev of a status-3 component: length unit, rotations in gon
};

struct edit_tar {
    char nam[16] = {};
    char label[16] = {}; // the name the forms show, when it differs from nam
    int sel = 0;
    double x[3] = {};
    int d[3] = {};
    double sx[3] = {};
};

struct edit_mes {
    int sel = 0;
    char nam1[16] = {}; // from (station for directions and zenith angles)
    char nam2[16] = {}; // to
    double val = 0.0;   // length unit or gon
    double sval = 0.0;  // a-priori std dev, same unit
};

// Error ellipses, index i for station i and maxsta + j for target j. Semi-axes in the length unit
// (1 sigma, a-priori variance factor), phi in radians from the plane's first axis toward its second.
struct result {
    std::vector<double> major12, minor12, phi12;
    std::vector<double> major13, minor13, phi13;
    std::vector<double> major23, minor23, phi23;
};

class project {
public:
    project(Feedback* pfb, const char* filename);
    project(const project&) = delete;
    project& operator=(const project&) = delete;

    // Sizes the six tables (entries zeroed) and the result arrays; 0 on success, -1 on bad counts.
    int projectalloc(int nsta, int ntar, int ndist, int ndifh, int ndir1, int ndir2, int, int);
    // Takes over six tables filled elsewhere (instead of sizing them and copying row by row), and
    // sizes the result arrays; 0 on success, -1 when a table is longer than the counts can say.
    int projectadopt(std::vector<edit_sta> sta, std::vector<edit_tar> tar, std::vector<edit_mes> dist,
                     std::vector<edit_mes> difh, std::vector<edit_mes> dir1, std::vector<edit_mes> dir2);

    int istat = -2;       // 0 after a successful run, the failing return code otherwise
    int listingError = 0; // errno of a listing that could not be written; 0 when it was (or none was asked)
    int dim = 3;          // 1, 2 or 3 (already applied through the status codes)
    int units = -1; // length unit of the tables: 0 meters, 1 millimeters, 2 feet, 3 inches; -1 not given
    int maxsta = 0, maxtar = 0;
    int maxdist = 0, maxdifh = 0, maxdir1 = 0, maxdir2 = 0;
    edit_sta* sta = nullptr;
    edit_tar* tar = nullptr;
    edit_mes* alldist = nullptr;
    edit_mes* alldifh = nullptr;
    edit_mes* alldir1 = nullptr;
    edit_mes* alldir2 = nullptr;
    result* runresults = nullptr;
    Feedback* pfeedback = nullptr;

    // The listing file: the project file name with its extension replaced by ".OUT" (only the last
    // path component is looked at); empty when the project has no file name.
    const std::string& listingName() const { return listing_; }
    const std::string& fileName() const { return file_; }

    // Same rule as a free function, for the program and the tests.
    static std::string listingNameFor(const std::string& projectFile);

private:
    void publish(); // the counts and pointers from the tables held

    std::string file_;
    std::string listing_;
    std::vector<edit_sta> staStore_;
    std::vector<edit_tar> tarStore_;
    std::vector<edit_mes> distStore_, difhStore_, dir1Store_, dir2Store_;
    result results_;
};

} // namespace kivo
