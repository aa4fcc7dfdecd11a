#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adjustment/ellipsoid.h"
#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "model/tolerance.h"

namespace kivo::cli {

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kivo-cli check PROJECT.SIM --tolerance T [--confidence 68|95]\n");
    return EXIT_USAGE;
}

// A positive finite number, the whole argument.
bool ParseTolerance(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value > 0.0;
}

} // namespace

// check PROJECT.SIM --tolerance T [--confidence 68|95]: Calculate, then judge the largest ellipsoid
// semi-axis of every theodolite and point in use against a tolerance in the project's length unit.
int CmdCheck(int argc, char** argv) {
    const char* path = nullptr;
    double tolerance = 0.0;
    bool toleranceGiven = false;
    PrecisionTolerance confidence;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tolerance") == 0 && i + 1 < argc) {
            if (!ParseTolerance(argv[++i], tolerance)) {
                std::fprintf(stderr, "kivo-cli: the tolerance must be a positive number, not '%s'\n",
                             argv[i]);
                return EXIT_USAGE;
            }
            toleranceGiven = true;
        } else if (std::strcmp(argv[i], "--confidence") == 0 && i + 1 < argc) {
            const char* c = argv[++i];
            if (std::strcmp(c, "68") != 0 && std::strcmp(c, "95") != 0) return Usage();
            confidence.confidence95 = std::strcmp(c, "95") == 0;
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (!path || !toleranceGiven) return Usage();

    CommandProject opened;
    if (const int status = opened.OpenCalculated(path); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;

    bool allIn = true;
    auto judge = [&](int kind, int slot, const COMMON& c) {
        if (!(c.flags & ELEM_INUSE)) return;
        const bool leftOut = std::any_of(
            doc.leftOutMarks.begin(), doc.leftOutMarks.end(),
            [&](const AdjustmentRun::LeftOutMark& m) { return m.kind == kind && m.slot == slot; });
        // The tolerance is compared in the project's unit as given, so that an axis equal to it is in.
        const double axis = confidence.axisAtConfidence(LargestEllipsoidAxis(c));
        const bool in = !leftOut && axis <= tolerance;
        allIn = allIn && in;
        std::printf("%s\t%.10g\t%s\n", c.name, axis, leftOut ? "left-out" : in ? "in" : "out");
    };
    for (int i = 0; i < doc.nMaxTheos; ++i)
        judge(SEL_THEO, i, doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        judge(SEL_POINT, i, doc.pointList[i]);
    return allIn ? EXIT_OK : EXIT_CHECK_FAILED;
}

} // namespace kivo::cli
