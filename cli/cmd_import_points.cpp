#include <cstdio>
#include <cstring>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "model/point_import.h"

namespace kivo::cli {

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: kivo-cli import-points PROJECT.SIM FILE [--units m|mm|ft|in] [--expand-limits]\n");
    return EXIT_USAGE;
}

int UnitsOf(const char* text) {
    static const char* const names[] = {"m", "mm", "ft", "in"};
    for (int u = UNITS_METERS; u <= UNITS_INCHES; ++u)
        if (std::strcmp(text, names[u]) == 0) return u;
    return -1;
}

} // namespace

// import-points PROJECT.SIM FILE [--units m|mm|ft|in] [--expand-limits]: reads a coordinate list as
// object points (points of the same name take the new coordinates) and saves the project. A list
// with any line that cannot be read changes nothing: every such line goes to stderr with its
// number and why, and the exit status is 2.
int CmdImportPoints(int argc, char** argv) {
    std::string args[2];
    int n = 0, fileUnits = -1;
    bool expand = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--expand-limits") == 0) {
            expand = true;
        } else if (std::strcmp(argv[i], "--units") == 0) {
            if (i + 1 >= argc || (fileUnits = UnitsOf(argv[++i])) < 0) return Usage();
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Usage();
        } else if (n < 2) {
            args[n++] = argv[i];
        } else {
            return Usage();
        }
    }
    if (n != 2) return Usage();
    const std::string& projectPath = args[0];
    const std::string& listPath = args[1];
    std::string bytes;
    if (!ReadRegularFile(listPath, bytes)) {
        std::fprintf(stderr, "Import Error: Cannot open %s\n", listPath.c_str());
        return EXIT_UNREADABLE;
    }

    CommandProject opened;
    bool exists = false;
    if (const int status = opened.OpenOrNew(projectPath, exists); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    CliHost& host = opened.host;
    const int from = fileUnits >= 0 ? fileUnits : doc.units;
    PointList list = ParsePointList(bytes, doc.convTab[from][doc.units]);
    CheckPointNames(doc, list);
    if (!list.problems.empty()) {
        for (const ListProblem& p : list.problems)
            std::fprintf(stderr, "line %d: %s\n", p.line, p.reason.c_str());
        std::fprintf(stderr, "Import Error: %zu %s of %s cannot be read; nothing was imported.\n",
                     list.problems.size(), list.problems.size() == 1 ? "line" : "lines", listPath.c_str());
        return EXIT_UNREADABLE;
    }
    // The only question is "N points are outside limits, expand limits ?".
    if (expand) host.Answer("", IDYES);
    const PointImportCounts counts = ApplyPointList(doc, list);
    std::printf("%d points added, %d updated", counts.added, counts.updated);
    if (counts.outside > 0) std::printf(", %d outside limits left out", counts.outside);
    std::printf("\n");
    if (counts.added + counts.updated == 0 && exists) return EXIT_OK;
    return SaveProject(doc) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
