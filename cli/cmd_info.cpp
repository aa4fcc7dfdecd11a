#include <cstdio>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

int CmdInfo(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: kivo-cli info PROJECT.SIM\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, argv[0])) return EXIT_UNREADABLE;
    std::printf(
        "{\"format\": \"%s\", \"nNumTheos\": %d, \"nMaxTheos\": %d, \"nNumPoints\": %d, \"nMaxPoints\": %d, "
        "\"nNumSBars\": %d, \"nMaxSBars\": %d, \"nNumDists\": %d, \"nMaxDists\": %d, "
        "\"nNumHeights\": %d, \"nMaxHeights\": %d, \"units\": %d}\n",
        doc.magic == SIM_MAGIC_OLD ? "old" : "current", doc.nNumTheos, doc.nMaxTheos, doc.nNumPoints,
        doc.nMaxPoints, doc.nNumSBars, doc.nMaxSBars, doc.nNumDists, doc.nMaxDists, doc.nNumHeights,
        doc.nMaxHeights, doc.units);
    return EXIT_OK;
}

} // namespace kivo::cli
