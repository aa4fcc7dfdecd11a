#include <cstdio>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "engine/feedback.h"
#include "engine/live.h"
#include "engine/project.h"

namespace kivo::cli {

// relative PROJECT.SIM NAME1 NAME2: Calculate, then the distance of two elements and its 1-sigma
// standard deviation.
int CmdRelative(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kivo-cli relative PROJECT.SIM NAME1 NAME2\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, argv[0])) return EXIT_UNREADABLE;
    doc.CmCalculate();
    if (doc.listingWriteFailed) return EXIT_UNWRITABLE;
    if (doc.lastCalculateResult != 0) {
        std::fprintf(stderr, "The adjustment failed (Mavo returns %d); the listing %s says why.\n",
                     doc.lastCalculateResult, ChangeFileExt(doc.OpenName, ".OUT").c_str());
        return EXIT_ENGINE;
    }

    // The covariance between two elements comes from the factor of the normal equations: fill the
    // engine's tables as Calculate did (no listing this time) and factor them once more.
    Feedback feedback;
    project tables(&feedback, "");
    doc.pproject = &tables;
    const int filled = doc.wsimmavo();
    doc.pproject = nullptr;
    eng::LivePrecision precision;
    if (filled != 0 || !precision.setup(tables)) {
        std::fprintf(stderr, "The adjustment failed: %s\n",
                     filled != 0 ? "the engine tables could not be built" : precision.why().c_str());
        return EXIT_ENGINE;
    }
    int element[2];
    for (int k = 0; k < 2; ++k) {
        element[k] = precision.find(argv[1 + k]);
        if (element[k] < 0) {
            std::fprintf(stderr, "kivo-cli: no element is named '%s'\n", argv[1 + k]);
            return EXIT_USAGE;
        }
    }
    eng::RelativePrecision r;
    if (!precision.relative(element[0], element[1], r)) {
        std::fprintf(stderr, "kivo-cli: %s or %s is left out of the adjustment; the listing says why.\n",
                     argv[1], argv[2]);
        return EXIT_ENGINE;
    }
    std::printf("%.10g\t%.10g\n", r.distance, r.sd);
    return EXIT_OK;
}

} // namespace kivo::cli
