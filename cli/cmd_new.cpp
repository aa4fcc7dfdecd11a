#include <cstdio>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

int CmdNew(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: kivo-cli new PROJECT.SIM\n");
        return EXIT_USAGE;
    }
    CliHost host;
    kivoMDIClient doc(&host);
    ProjectLock lock;
    if (!LockProject(lock, argv[0])) return EXIT_UNWRITABLE;
    NewProject(doc, argv[0]);
    return SaveProject(doc) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
