// kivo-cli calculate as a run: its phases shown on a terminal, and a network larger than the memory
// the program may use, which fails as an adjustment fails, with the reason, and leaves the project
// as it was. The address space is limited in the shell that runs the program (the sanitizers
// reserve far more address space than any limit that would make a difference, so those builds skip
// that test).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../../bench/plant_network.h"
#include "support/cli_run.h"
#include "support/scripted_host.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define KIVO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KIVO_SANITIZED 1
#endif
#endif

using kivo::test::TempDir;

namespace {

TEST(CliMemory, ANetworkTooLargeForTheMemoryFailsWithTheReasonAndLeavesTheProject) {
#if defined(KIVO_SANITIZED)
    GTEST_SKIP() << "address-space limits do not apply under the address sanitizer";
#endif
    TempDir dir;
    constexpr int kStations = 40, kTargets = 60000, kBars = 4;
    std::string big;
    {
        kivo::test::ScriptedHost host;
        kivo::kivoMDIClient doc(&host);
        kivo::bench::BuildPlant(doc, kStations, kTargets);
        doc.OpenName = big = dir.file("BIG.SIM");
        ASSERT_TRUE(doc.WriteSimFile());
    }
    const std::vector<unsigned char> project = kivo::test::readBytes(big);
    // The same limit leaves room for the program, the project and a small network's Calculate.
    const std::string limit = "ulimit -v 250000; ";
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", dir.file("PLANT.SIM"));
    const kivo::test::CliResult small = kivo::test::runCli(dir, "calculate " + dir.file("PLANT.SIM"), limit);
    ASSERT_EQ(small.status, 0) << small.err;

    const kivo::test::CliResult r = kivo::test::runCli(dir, "calculate " + big, limit);
    EXPECT_EQ(r.status, 3) << r.err;
    // The plant's datum is free: every component of its stations, targets and bar ends is unknown.
    const std::string why = "not enough memory for this network (" +
                            std::to_string(6 * kStations + 3 * kTargets + 6 * kBars) + " unknowns)";
    EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("Mavo returns -", 0), 0u) << r.out;
    EXPECT_NE(kivo::test::readText(dir.file("BIG.OUT")).find(why), std::string::npos)
        << "the listing says why";
    EXPECT_EQ(kivo::test::readBytes(big), project);
}

// On a terminal the phases go to stderr as they begin, in order; in a file or a pipe nothing does.
TEST(CliCalculate, PhasesOnATerminalOnly) {
    TempDir dir;
    const std::string sim = dir.file("PLANT.SIM");
    std::filesystem::copy_file(KIVO_EXAMPLES "/PLANT.SIM", sim);
    const kivo::test::CliResult piped = kivo::test::runCli(dir, "calculate " + sim);
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.err.find("Calculating"), std::string::npos) << piped.err;

    // `script` gives the program a terminal; its stdout goes to the log file.
    const std::string log = dir.file("terminal.txt");
    const std::string cmd = "script -qec '" + std::string(KIVO_CLI) + " calculate " + sim + " >/dev/null' " +
                            log + " >/dev/null 2>&1";
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a terminal";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::vector<std::string> phases;
    for (std::string line : kivo::test::splitLines(kivo::test::readText(log))) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (line.rfind("Calculating: ", 0) == 0) phases.push_back(line.substr(13));
    }
    ASSERT_GE(phases.size(), 5u) << kivo::test::readText(log);
    EXPECT_EQ(phases[0], "tables");
    EXPECT_EQ(phases[1], "analysis");
    EXPECT_EQ(phases[2], "iterations 1");
    EXPECT_EQ(phases[phases.size() - 2], "covariances");
    EXPECT_EQ(phases.back(), "listing");
    for (std::size_t i = 3; i + 2 < phases.size(); ++i)
        EXPECT_EQ(phases[i], "iterations " + std::to_string(i - 1));
}

} // namespace
