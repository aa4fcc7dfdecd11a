#include <cstdio>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "engine/live.h"
#include "model/element_names.h"

namespace kivo::cli {

namespace {

// The adjustment's name of the element a user names as the forms do, as the views label it or as
// the listing does (a scale bar's end with R or L after the bar's name or label); the text itself
// when no element of the project is named so.
std::string EngineNameOf(const kivoMDIClient& doc, const char* typed) {
    const NamedElement n = FindNamedElement(doc, typed, true);
    switch (n.kind) {
    case SEL_THEO:
        return StationEngineName(doc.theoList[n.slot]);
    case SEL_POINT:
        return doc.pointList[n.slot].name;
    case SEL_SBAR: // a bar is named by one of its ends; the bar alone names nothing to measure
        return n.end ? std::string(doc.sbarList[n.slot].name) + n.end : std::string(typed);
    default:
        return typed;
    }
}

} // namespace

// relative PROJECT.SIM NAME1 NAME2: Calculate, then the distance of two elements and its 1-sigma
// standard deviation.
int CmdRelative(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kivo-cli relative PROJECT.SIM NAME1 NAME2\n");
        return EXIT_USAGE;
    }
    CommandProject opened;
    if (const int status = opened.OpenCalculated(argv[0]); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;

    // The covariance between two elements comes from the factor of the normal equations, set up
    // again from the tables Calculate ran on.
    eng::LivePrecision precision;
    if (!doc.lastRunTables || !precision.setup(*doc.lastRunTables)) {
        std::fprintf(stderr, "The adjustment failed: %s\n",
                     doc.lastRunTables ? precision.why().c_str() : "no engine tables");
        return EXIT_ENGINE;
    }
    int element[2];
    for (int k = 0; k < 2; ++k) {
        element[k] = precision.find(EngineNameOf(doc, argv[1 + k]));
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
