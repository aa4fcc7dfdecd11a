#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "adjustment/kivoMDIClient.h"
#include "adjustment/results_export.h"
#include "commands.h"

namespace kivo::cli {

namespace {

void PrintEllipses(const char* kind, int slot, const COMMON& c) {
    for (int plane = 0; plane < 3; ++plane)
        std::printf("%s\t%d\t%s\t%d\t%.10g\t%.10g\t%.10g\n", kind, slot, c.name, plane, double(c.A[plane]),
                    double(c.B[plane]), double(c.phi[plane]));
}

} // namespace

// calculate PROJECT.SIM [--save] [--json FILE] [--csv FILE]: Measure > Calculate; prints the
// engine's answer and the ellipses, and writes the results as JSON or CSV after a successful run.
int CmdCalculate(int argc, char** argv) {
    bool save = false, usage = false;
    const char* path = nullptr;
    const char* jsonPath = nullptr;
    const char* csvPath = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save") == 0)
            save = true;
        else if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc && !jsonPath)
            jsonPath = argv[++i];
        else if (std::strcmp(argv[i], "--csv") == 0 && i + 1 < argc && !csvPath)
            csvPath = argv[++i];
        else if (!path && argv[i][0] != '-')
            path = argv[i];
        else
            usage = true;
    }
    if (!path || usage) {
        std::fprintf(stderr, "usage: kivo-cli calculate PROJECT.SIM [--save] [--json FILE] [--csv FILE]\n");
        return EXIT_USAGE;
    }
    CommandProject opened;
    if (const int status = opened.Open(path); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    CalculateShowingPhases(doc);
    // The result files first: a reader that stops reading the table early must not cost them.
    bool resultsWritten = true;
    if (doc.lastCalculateResult == 0 && !doc.listingWriteFailed) {
        for (const auto& [file, format] :
             {std::pair{jsonPath, ResultsFormat::Json}, std::pair{csvPath, ResultsFormat::Csv}}) {
            if (!file || WriteResults(doc, file, format) == ExportStatus::Written) continue;
            std::fprintf(stderr, "The results could not be written to %s: %s.\n", file, std::strerror(errno));
            resultsWritten = false;
        }
    }
    std::printf("Mavo returns %d\n", doc.lastCalculateResult);
    std::printf("kind\tslot\tname\tplane\tA\tB\tphi\n");
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) PrintEllipses("theo", i, doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) PrintEllipses("point", i, doc.pointList[i]);
    ReportFailedAdjustment(doc);
    if (doc.listingWriteFailed || !resultsWritten) return EXIT_UNWRITABLE;
    if (save && !SaveProject(doc)) return EXIT_UNWRITABLE;
    return doc.lastCalculateResult == 0 ? EXIT_OK : EXIT_ENGINE;
}

} // namespace kivo::cli
