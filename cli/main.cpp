// kivo-cli: the document's own operations without a window, for batch work, scripts and tests.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include "cli_host.h"
#include "commands.h"

using namespace kivo::cli;

static void Usage() {
    std::fprintf(stderr, "usage:\n");
    for (const CommandEntry& c : Commands())
        std::fprintf(stderr, "  kivo-cli %s\n", c.usage);
}

int main(int argc, char** argv) {
    // Past a file size limit (ulimit -f) the write fails with EFBIG and is reported as a file that
    // cannot be written, instead of the signal ending the run half way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        Usage();
        return EXIT_USAGE;
    }
    for (const CommandEntry& c : Commands())
        if (std::strcmp(argv[1], c.name) == 0) {
            // The last resort: the commands turn a failed allocation into their own failure where it
            // matters (the engine run); one anywhere else still ends with a message, files untouched
            // (every file is written whole or not at all).
            try {
                return c.run(argc - 2, argv + 2);
            } catch (const std::bad_alloc&) {
                std::fprintf(stderr, "kivo-cli: not enough memory\n");
                return EXIT_ENGINE;
            }
        }
    std::fprintf(stderr, "kivo-cli: unknown command '%s'\n", argv[1]);
    Usage();
    return EXIT_USAGE;
}
