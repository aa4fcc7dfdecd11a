#pragma once
// File > Export Results and `kivo-cli calculate --json/--csv`: what the last Calculate found, per
// element and for the whole network, as JSON (the schema the README documents, docs/results.schema.json)
// or as one CSV table a spreadsheet opens as it is.

#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"

namespace kivo {

// The version of the JSON layout; it grows when a field changes meaning or goes away (new fields
// may appear without it).
constexpr int RESULTS_SCHEMA_VERSION = 1;

// One element of the adjustment as exported: a theodolite, an object point or a scale-bar end.
struct ResultElement {
    std::string kind; // "theodolite", "point" or "scalebar-end"
    std::string name; // as the forms show it (a scale-bar end: the bar's name with R or L)
    std::string engineName;
    int slot = -1; // in its table (for a scale-bar end, the bar's)
    double value[3] = {}, sd[3] = {};
    bool estimated[3] = {};
    bool hasRotations = false; // theodolites: rotations about x, y, z in gon, with std devs
    double rotation[3] = {}, rotationSd[3] = {};
    double cov[3][3] = {};
    double axes[3] = {}; // ellipsoid semi-axes, 1 sigma, largest first
    double axisDir[3][3] =
        {}; // unit vector of each axis (x, y, z), its largest component positive; 0 without axes
    double major[3] = {}, minor[3] = {}, phiGon[3] = {}; // plane ellipses xy, xz, yz
    bool leftOut = false;
    std::string leftOutReason;
    std::string verdict; // "within", "outside", "left-out", or empty without a tolerance
};

// The elements of the last Calculate, in the engine's order (stations, then targets). Empty
// without a successful run whose ellipses are still valid.
std::vector<ResultElement> CollectResults(const kivoMDIClient& doc);

// The texts of the files; empty without valid results.
std::string ResultsJson(const kivoMDIClient& doc);
std::string ResultsCsv(const kivoMDIClient& doc);

enum class ResultsFormat { Json, Csv };
enum class ExportStatus { Written, NoResults, CannotWrite };

// Writes the results whole or not at all (errno tells why a write failed).
ExportStatus WriteResults(const kivoMDIClient& doc, const std::string& path, ResultsFormat format);

// File > Export Results...: calculates first when the ellipses are not valid, asks for the file
// (JSON or CSV by its extension) and writes it; failures are told in a message box.
bool CmExportResults(kivoMDIClient& doc);

} // namespace kivo
