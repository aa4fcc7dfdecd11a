#include <cstdio>
#include <cstring>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

namespace {

void PrintEllipses(const char* kind, int slot, const COMMON& c) {
    for (int plane = 0; plane < 3; ++plane)
        std::printf("%s\t%d\t%s\t%d\t%.10g\t%.10g\t%.10g\n", kind, slot, c.name, plane, double(c.A[plane]),
                    double(c.B[plane]), double(c.phi[plane]));
}

} // namespace

// calculate PROJECT.SIM [--save]: Measure > Calculate; prints the engine's answer and the ellipses.
int CmdCalculate(int argc, char** argv) {
    bool save = false;
    const char* path = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save") == 0)
            save = true;
        else if (!path)
            path = argv[i];
        else
            path = nullptr, i = argc;
    }
    if (!path || argc > 2) {
        std::fprintf(stderr, "usage: kivo-cli calculate PROJECT.SIM [--save]\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, path)) return EXIT_UNREADABLE;
    CalculateShowingPhases(doc);
    std::printf("Mavo returns %d\n", doc.lastCalculateResult);
    std::printf("kind\tslot\tname\tplane\tA\tB\tphi\n");
    for (int i = 0; i < doc.nMaxTheos; ++i)
        if (doc.theoList[i].flags & ELEM_INUSE) PrintEllipses("theo", i, doc.theoList[i]);
    for (int i = 0; i < doc.nMaxPoints; ++i)
        if (doc.pointList[i].flags & ELEM_INUSE) PrintEllipses("point", i, doc.pointList[i]);
    if (doc.lastCalculateResult != 0)
        std::fprintf(stderr, "The adjustment failed%s; the listing %s says why.\n", FailureNote(doc).c_str(),
                     ChangeFileExt(doc.OpenName, ".OUT").c_str());
    if (doc.listingWriteFailed) return EXIT_UNWRITABLE;
    if (save && !SaveProject(doc)) return EXIT_UNWRITABLE;
    return doc.lastCalculateResult == 0 ? EXIT_OK : EXIT_ENGINE;
}

} // namespace kivo::cli
