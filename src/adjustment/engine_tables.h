#pragma once
// The engine tables filled from the document, for a full run (wsimmavo) and for a live session
// alike, with the document slots behind the stations and the targets so that results are read
// back by position. Internal to the adjustment layer: the engine's types show only here.

#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "engine/project.h"
#include "engine/summary.h"

namespace kivo {

struct EngineTables {
    std::vector<edit_sta> sta;
    std::vector<edit_tar> tar;
    std::vector<edit_mes> dist, difh, dir1, dir2;
    EngineSlots slots;

    // Hands these tables to the project (dimension and units from the document), leaving them
    // empty; false when the engine refuses the counts.
    bool MoveInto(project& prj, int dimension, int units);
};

// The tables for the network as it stands: the elements in use, and the observations that hold a
// value (a Calculate simulates them first).
EngineTables BuildEngineTables(const kivoMDIClient& d);

// The unknowns the tables of the network as it stands would hold (for the out-of-memory message).
long long CountUnknowns(const kivoMDIClient& d);

// Per engine element, whether the run left it out (not determined, or not connected to the datum).
std::vector<char> LeftOutElements(const eng::Summary& s);

} // namespace kivo
