// kivo-cli montecarlo: the predicted precision verified by simulation from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/test_support.h"

using kivo::test::TempDir;
using kivo::test::writeText;

namespace {

using Result = kivo::test::CliResult;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

struct CliMonteCarlo : ::testing::Test {
    TempDir dir;
    Result Cli(const std::string& args) { return kivo::test::runCli(dir, args); }
    std::string Project(const std::string& name, const std::string& targets) {
        writeText(dir.file(name + ".TRG"), targets);
        const std::string sim = dir.file(name + ".SIM");
        EXPECT_EQ(Cli("import " + sim + " " + dir.file(name + ".TRG") + " --expand-limits").status, 0);
        EXPECT_EQ(Cli("simulate " + sim).status, 0);
        return sim;
    }
};

} // namespace

TEST_F(CliMonteCarlo, ExampleHoldsAndRepeatsItselfAndTheListingSaysSo) {
    const std::string sim = dir.file("PLANT.SIM");
    writeText(sim, kivo::test::readText(std::string(KIVO_EXAMPLES) + "/PLANT.SIM"));
    const Result r = Cli("montecarlo " + sim + " --samples 300 --seed 17");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    // 5 theodolites, 3 scale bars (two ends each), 93 points, then the summary.
    ASSERT_EQ(lines.size(), 5u + 6u + 93u + 1u) << r.out;
    EXPECT_EQ(lines[0], "Theo1_0\t0\t0\t-\tfixed");
    char name[64], verdict[16];
    double predicted = 0, empirical = 0, ratio = 0;
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "%63[^\t]\t%lf\t%lf\t%lf\t%15s", name, &predicted, &empirical,
                          &ratio, verdict),
              5)
        << lines[1];
    EXPECT_STREQ(name, "Theo2_0");
    EXPECT_NEAR(predicted, 0.0001608, 0.0000001); // metres, as the listing's 0.1608 mm
    EXPECT_NEAR(empirical / predicted, ratio, 1e-4);
    EXPECT_STREQ(verdict, "ok");
    EXPECT_EQ(lines.back().rfind("summary\tsamples=300\tseed=17\tconverged=300\tflagged=0\ttested=99\t", 0),
              0u)
        << lines.back();

    // The same seed, the same numbers; the listing holds one section of the last check.
    EXPECT_EQ(Cli("montecarlo " + sim + " --samples 300 --seed 17").out, r.out);
    std::string listing = kivo::test::readText(dir.file("PLANT.OUT"));
    const std::size_t at = listing.find("\r\nVERIFICATION BY SIMULATION (300 realisations, seed 17");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(listing.find("VERIFICATION BY SIMULATION", at + 10), std::string::npos);
    EXPECT_NE(listing.find("  Elements flagged              0 of 99 tested\r\n"), std::string::npos);
    // A plain Calculate writes the listing without it.
    ASSERT_EQ(Cli("calculate " + sim).status, 0);
    listing = kivo::test::readText(dir.file("PLANT.OUT"));
    EXPECT_EQ(listing.find("VERIFICATION BY SIMULATION"), std::string::npos);
}

TEST_F(CliMonteCarlo, SteepIntersectionIsFlaggedAndBadArgumentsAreRefused) {
    // T1 and T2 one centimetre apart in height, P 30 m above them: its distance along the steep
    // line hangs on the difference of two zenith angles. Q is seen from T1 and T3 at a wide angle.
    const std::string sim = Project("STEEP", "THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 FIX\n"
                                             "THEO T2 2 0 10 FIX 10 FIX 1.51 FIX 0 FIX 0 FIX 0 FIX\n"
                                             "THEO T3 3 0 30 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 FIX\n"
                                             "POINT P 13 UNK 10 UNK 31.5 UNK\nPOINT Q 20 UNK 20 UNK 2 UNK\n"
                                             "PDIR T1 P\nPDIR T2 P\nPDIR T1 Q\nPDIR T3 Q\n");
    const Result r = Cli("montecarlo " + sim);
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_NE(r.out.find("\tflag\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("T1\t0\t0\t-\tfixed\n"), std::string::npos) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[3].rfind("P\t", 0), 0u);
    EXPECT_EQ(lines[3].substr(lines[3].size() - 5), "\tflag");
    EXPECT_EQ(lines[4].substr(lines[4].size() - 3), "\tok");

    for (const char* bad :
         {" --samples 1", " --samples x", " --samples", " --seed -3", " --seed 1e3", " --frob"})
        EXPECT_EQ(Cli("montecarlo " + sim + bad).status, 1) << bad;
    EXPECT_EQ(Cli("montecarlo").status, 1);
    EXPECT_EQ(Cli("montecarlo " + dir.file("MISSING.SIM")).status, 2);
}
