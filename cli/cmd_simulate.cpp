#include <cstdio>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

// simulate PROJECT.SIM: Measure > Update Measurements, then saved.
int CmdSimulate(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: kivo-cli simulate PROJECT.SIM\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    ProjectLock lock;
    if (!LockProject(lock, argv[0])) return EXIT_UNWRITABLE;
    if (!OpenProject(doc, host, argv[0])) return EXIT_UNREADABLE;
    doc.CmSimulate();
    if (!host.status.empty()) std::fprintf(stderr, "%s\n", host.status.c_str());
    return SaveProject(doc) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
