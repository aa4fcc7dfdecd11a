#include <cstdio>
#include <cstring>
#include <string>

#include "adjustment/kivoMDIClient.h"
#include "commands.h"
#include "files/atomic_file.h"

namespace kivo::cli {

// import PROJECT.SIM TARGETS.TRG [--expand-limits]: File > Import into the project (created as
// `new` does when it does not exist), then saved. The summary goes to stdout, every skipped line
// with its number and reason to stderr.
int CmdImport(int argc, char** argv) {
    bool expand = false;
    std::string args[2];
    int n = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--expand-limits") == 0)
            expand = true;
        else if (n < 2)
            args[n++] = argv[i];
        else
            n = 3;
    }
    if (n != 2) {
        std::fprintf(stderr, "usage: kivo-cli import PROJECT.SIM TARGETS.TRG [--expand-limits]\n");
        return EXIT_USAGE;
    }
    const std::string& projectPath = args[0];
    const std::string& targetPath = args[1];
    if (!IsReadableRegularFile(targetPath)) {
        std::fprintf(stderr, "Import Error: Cannot open %s\n", targetPath.c_str());
        return EXIT_UNREADABLE;
    }

    CommandProject opened;
    bool exists = false;
    if (const int status = opened.OpenOrNew(projectPath, exists); status != EXIT_OK) return status;
    kivoMDIClient& doc = opened.doc;
    CliHost& host = opened.host;
    // The only question an import asks is "<name> is outside limits, expand limits ?".
    if (expand) host.Answer("", IDYES);
    host.dialogPath = targetPath;
    doc.CmImportFile();

    for (const auto& [line, reason] : doc.lastImport.skippedLines)
        std::fprintf(stderr, "line %d: %s\n", line, reason.c_str());
    std::printf("%s\n", host.status.c_str());
    return SaveProject(doc) ? EXIT_OK : EXIT_UNWRITABLE;
}

} // namespace kivo::cli
