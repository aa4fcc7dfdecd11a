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
    CommandProject opened;
    if (const int status = opened.Open(argv[0]); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    CliHost& host = opened.host;
    doc.CmSimulate();
    if (!host.status.empty()) std::fprintf(stderr, "%s\n", host.status.c_str());
    return SaveProject(doc) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
