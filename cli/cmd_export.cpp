#include <cstdio>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

// export PROJECT.SIM: File > Export .INP File; prints the name of the written file. The project
// itself is not saved (the export does not change it).
int CmdExport(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: kivo-cli export PROJECT.SIM\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    if (!OpenProject(doc, host, argv[0])) return EXIT_UNREADABLE;
    const bool written = doc.CmExportFile(); // a failure has gone to stderr as its message
    if (!host.status.empty()) std::fprintf(stderr, "%s\n", host.status.c_str());
    if (!written) return EXIT_UNWRITABLE;
    std::printf("%s\n", doc.ExportName.c_str());
    return EXIT_OK;
}

} // namespace kivo::cli
