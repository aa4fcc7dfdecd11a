#pragma once
// File > Import Points: a coordinate list (CSV or plain text, as CAD programs and earlier surveys
// write them) read as object points. A point whose name the project holds already gets the new
// coordinates; every other line adds a point.
//
// The list: one point per line, fields name, x, y, z and an optional status (fixed, approximate or
// unknown), separated by tabs, semicolons, commas or white space (detected from the lines
// themselves). A first line without a number where the coordinates stand is a header; it may name
// the columns (name/id/point, x/e/east, y/n/north, z/h/height/elevation, status/stat/fix) in any order. Blank
// lines and lines starting with "#" are skipped. With semicolons or tabs between the fields, a
// decimal comma ("12,5") is read as a decimal point.

#include <string>
#include <string_view>
#include <vector>

#include "model/network_document.h"

namespace kivo {

// One point of the list, its coordinates already in the project's length unit.
struct ListedPoint {
    int line = 0; // in the file, from 1
    std::string name;
    double x = 0, y = 0, z = 0;
    bool hasStatus = false;
    int coordStat = 0; // the coordinate status word of x, y, z (only with hasStatus)
};

struct ListProblem {
    int line = 0;
    std::string reason;
};

struct PointList {
    std::vector<ListedPoint> points;
    std::vector<ListProblem> problems; // lines that cannot be taken, in file order
    char separator = ' ';              // '\t', ';', ',' or ' ' (white space)
    bool header = false;
};

// Reads the list's text. `toProjectUnits` converts the file's lengths into the project's.
PointList ParsePointList(std::string_view text, double toProjectUnits);

// Moves the points whose names the project gives to a theodolite or a scale bar (as the forms or
// the adjustment name them: "T1" or "1_0", "BAR1", "BAR1R" or "BAR1L", ignoring case) from the
// points to the problems, in line order.
void CheckPointNames(const NetworkDocument& doc, PointList& list);

// What an import did.
struct PointImportCounts {
    int added = 0, updated = 0;
    int outside = 0; // points left out because they lie outside the limits and the limits stayed
    int failed = 0;  // points the tables could not take
};

// Adds or updates the listed points in one named change ("Import Points"). Points outside the
// limits are taken only when the user agrees to widen them (one question for all of them).
PointImportCounts ApplyPointList(NetworkDocument& doc, const PointList& list);

// The problems as the user reads them: "line N: reason", one a line, at most `maxLines` of them
// (then "... and K more").
std::string DescribeProblems(const std::vector<ListProblem>& problems, std::size_t maxLines = 20);

// File > Import Points...: asks for the file, reads it, and when lines cannot be read lists them
// and imports only if the user goes on. `fileUnits` is the list's length unit (UNITS_*), -1 for
// the project's. False when nothing was imported.
bool CmImportPoints(NetworkDocument& doc, int fileUnits = -1);

} // namespace kivo
