#include <cstdio>

#include "commands.h"

namespace kivo::cli {

int CmdRender(int, char**) {
    std::fprintf(stderr, "kivo-cli: render is not available: this kivo-cli was built without the GUI\n");
    return EXIT_USAGE;
}

int CmdHeatmap(int, char**) {
    std::fprintf(stderr, "kivo-cli: heatmap is not available: this kivo-cli was built without the GUI\n");
    return EXIT_USAGE;
}

} // namespace kivo::cli
