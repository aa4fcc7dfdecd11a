#pragma once
// File > Import: reading a target file of elements and observations into the open project.

#include <string>
#include <utility>
#include <vector>

#include "model/document_state.h"
#include "model/element_tables.h"
#include "model/host.h"
#include "model/observation_lists.h"
#include "model/view_geometry.h"

namespace kivo {

// What the last ReadTargetFile did: lines taken, lines skipped, and for each skipped line its
// number in the file (from 1) and the reason. Comments and blank lines are neither.
struct ImportReport {
    int imported = 0, skipped = 0;
    std::vector<std::pair<int, std::string>> skippedLines;
};

class TargetImport {
public:
    // `host` is the document's current host pointer (the document may change it).
    TargetImport(NetworkStore& network, ProjectSettings& project, FileState& file, ElementTables& elements,
                 ObservationLists& observations, ViewGeometry& geometry, ImportReport& report,
                 Host* const& host)
        : net_(network), project_(project), file_(file), elements_(elements), observations_(observations),
          geometry_(geometry), report_(report), host_(host) {}

    void CmImportFile();
    // Reads ImportName; false when it cannot be opened.
    bool ReadTargetFile();
    // True when (x, y, z) lies inside the limits, or the user let them grow to take it.
    bool CheckLimits(const char* name, double x, double y, double z);
    static int CalcStat(const char* stat1, const char* stat2, const char* stat3, const char* stat4,
                        const char* stat5, const char* stat6);

private:
    NetworkStore& net_;
    ProjectSettings& project_;
    FileState& file_;
    ElementTables& elements_;
    ObservationLists& observations_;
    ViewGeometry& geometry_;
    ImportReport& report_;
    Host* const& host_;
};

} // namespace kivo
