// kivo-cli advise PROJECT.SIM [--top N]: Calculate, then the missing sightings that help most.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "adjustment/design_advice.h"
#include "adjustment/kivoMDIClient.h"
#include "commands.h"

namespace kivo::cli {

namespace {

int Usage() {
    std::fprintf(stderr, "usage: kivo-cli advise PROJECT.SIM [--top N]\n");
    return EXIT_USAGE;
}

} // namespace

int CmdAdvise(int argc, char** argv) {
    std::string path;
    int top = 20;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--top") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end || n < 1 || n > 1000000) return Usage();
            top = static_cast<int>(n);
        } else if (argv[i][0] != '-' && path.empty()) {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (path.empty()) return Usage();
    CommandProject opened;
    if (const int status = opened.OpenCalculated(path); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    const SightingAdviceResult a = SuggestSightings(doc, top);
    if (!a.ok) {
        std::fprintf(stderr, "kivo-cli: no advice: %s\n", a.why.c_str());
        return EXIT_ENGINE;
    }
    for (const SightingSuggestion& s : a.ranked)
        std::printf("%s\t%s\t%s\t%.10g\n", doc.theoList[s.theo].name, doc.pointList[s.point].name,
                    s.distance ? "distance" : "direction", s.gain);
    return doc.listingWriteFailed ? EXIT_UNWRITABLE : EXIT_OK;
}

} // namespace kivo::cli
