#pragma once
// kivo-cli run as a user would, its output and messages captured in files of a temporary folder
// (for the suites built with KIVO_CLI, the program's path).

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace kivo::test {

struct CliResult {
    int status;
    std::string out, err;
};

// Runs kivo-cli with args; `shell` runs first in the same shell (limits for the run).
inline CliResult runCli(const TempDir& dir, const std::string& args, const std::string& shell = "") {
    const std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
    const std::string cmd = shell + std::string(KIVO_CLI) + " " + args + " >" + out + " 2>" + err;
    const int raw = std::system(cmd.c_str());
    return {WEXITSTATUS(raw), readText(out), readText(err)};
}

} // namespace kivo::test
